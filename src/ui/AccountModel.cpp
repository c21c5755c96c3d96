#include "AccountModel.h"

#include "AccountText.h"
#include "Models/Vocabulary.h"
#include "PanelThemeController.h"
#include "StateBridge.h"
#include "ThemeCatalog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QQmlEngine>

namespace quelvio {

AccountModel::AccountModel(AppState& state, QObject* parent)
    : QObject(parent)
    , m_state(&state) {
    connect(&state, &AppState::sessionChanged, this, &AccountModel::sessionChanged);
    connect(&state, &AppState::launchAtLoginStatusChanged, this, &AccountModel::launchAtLoginChanged);
    connect(&state, &AppState::scrapeBusySlugChanged, this, &AccountModel::scrapeChanged);
    connect(&state, &AppState::currentUserChanged, this, &AccountModel::userChanged);
    connect(&state, &AppState::adminUsersChanged, this, &AccountModel::adminUsersChanged);
    connect(&state, &AppState::adminCodesChanged, this, &AccountModel::adminCodesChanged);
    connect(&state, &AppState::adminReportsChanged, this, &AccountModel::adminReportsChanged);
    for (auto changed : {&AppState::adminUserQueryChanged, &AppState::newCodeChanged,
                         &AppState::newCodeUsesChanged, &AppState::newCodeNoteChanged})
        connect(&state, changed, this, &AccountModel::adminFieldsChanged);
}

AccountModel* AccountModel::create(QQmlEngine*, QJSEngine*) {
    StateBridge* bridge = StateBridge::create(nullptr, nullptr);
    // Created for QML, so QML's ownership rule (the engine deletes it) applies.
    return new AccountModel(bridge->state());
}

QString AccountModel::baseURL() const {
    return m_state->session().normalizedBaseURL();
}

QString AccountModel::apiKey() const {
    return m_state->session().apiKey.value_or(QString());
}

bool AccountModel::hasAPIKey() const {
    return m_state->session().hasAPIKey();
}

bool AccountModel::isLoggedIn() const {
    return m_state->session().isLoggedIn();
}

QString AccountModel::themeKey() const {
    return rawValue(m_state->session().theme);
}

QVariantList AccountModel::minimumDropChoices() const {
    QVariantList choices;
    for (const int percent : PriceAlerts::minimumDropChoices)
        choices.append(percent);
    return choices;
}

QVariantList AccountModel::themes() const {
    QVariantList list;
    for (const ThemeDefinition& theme : ThemeCatalog::all()) {
        const ThemePalette& p = theme.palette;
        list.append(QVariantMap{{QStringLiteral("key"), rawValue(theme.id)},
                                {QStringLiteral("name"), theme.name},
                                {QStringLiteral("caption"), theme.caption},
                                {QStringLiteral("bgBase"), p.bgBase},
                                {QStringLiteral("bgHighlight"), p.bgHighlight},
                                {QStringLiteral("accent"), p.accent},
                                {QStringLiteral("accentSecondary"), p.accentSecondary},
                                {QStringLiteral("textPrimary"), p.textPrimary},
                                {QStringLiteral("textMuted"), p.textMuted}});
    }
    return list;
}

bool AccountModel::launchAtLoginOn() const {
    return isSwitchOn(m_state->launchAtLoginStatus());
}

bool AccountModel::launchAtLoginEnabled() const {
    return canToggle(m_state->launchAtLoginStatus());
}

QString AccountModel::launchAtLoginCaption() const {
    return settingsDetail(m_state->launchAtLoginStatus());
}

bool AccountModel::scrapeBusy() const {
    return m_state->scrapeBusySlug().has_value();
}

QString AccountModel::scrapeTitle() const {
    return AccountText::scrapeAllTitle(scrapeBusy());
}

QString AccountModel::username() const {
    const auto& user = m_state->currentUser();
    if (user)
        return user->username;
    return m_state->session().username.value_or(QString());
}

QString AccountModel::roleLabel() const {
    const auto& user = m_state->currentUser();
    return user ? AccountText::roleLabel(user->role) : QString();
}

bool AccountModel::isMember() const {
    const auto& user = m_state->currentUser();
    return user && user->isMember;
}

QString AccountModel::memberBadge() const {
    return AccountText::memberBadge(isMember());
}

QString AccountModel::memberBadgeColor() const {
    return PanelText::colorRoleName(AccountText::memberBadgeColor(isMember()));
}

bool AccountModel::isAdmin() const {
    const auto& user = m_state->currentUser();
    return user && user->role == UserRole::admin;
}

QVariantList AccountModel::adminUsers() const {
    QVariantList rows;
    for (const User& user : m_state->adminUsers())
        rows.append(QVariantMap{{QStringLiteral("userId"), user.id},
                                {QStringLiteral("name"), user.username},
                                {QStringLiteral("role"), user.role},
                                {QStringLiteral("roleLabel"), AccountText::roleLabel(user.role)},
                                {QStringLiteral("canSetRole"), AccountText::offersRoleButtons(user)}});
    return rows;
}

QVariantList AccountModel::adminCodes() const {
    QVariantList rows;
    for (const RedeemCode& code : m_state->adminCodes())
        rows.append(QVariantMap{{QStringLiteral("codeId"), code.id},
                                {QStringLiteral("line"), AccountText::codeLine(code)}});
    return rows;
}

QVariantList AccountModel::adminReports() const {
    QVariantList rows;
    const QTimeZone zone = QTimeZone::systemTimeZone();
    for (const Reaction& reaction : m_state->adminReports()) {
        QString subject;
        if (reaction.product)
            subject = reaction.product->name;
        else if (reaction.source)
            subject = reaction.source->name;
        rows.append(QVariantMap{{QStringLiteral("reactionId"), reaction.id},
                                {QStringLiteral("kind"), AccountText::reportKind(reaction.kind)},
                                {QStringLiteral("kindColor"),
                                 PanelText::colorRoleName(AccountText::reportKindColor(reaction.kind))},
                                {QStringLiteral("target"), AccountText::reportTarget(reaction.targetType)},
                                {QStringLiteral("line"),
                                 AccountText::reportLine(subject, AccountText::reportNote(reaction.note))},
                                {QStringLiteral("time"), AccountText::reportTime(reaction.createdAt, zone)}});
    }
    return rows;
}

QString AccountModel::adminUserQuery() const {
    return m_state->adminUserQuery();
}

void AccountModel::setAdminUserQuery(const QString& value) {
    m_state->setAdminUserQuery(value);
}

QString AccountModel::newCode() const {
    return m_state->newCode();
}

void AccountModel::setNewCode(const QString& value) {
    m_state->setNewCode(value);
}

QString AccountModel::newCodeUses() const {
    return m_state->newCodeUses();
}

void AccountModel::setNewCodeUses(const QString& value) {
    m_state->setNewCodeUses(value);
}

QString AccountModel::newCodeNote() const {
    return m_state->newCodeNote();
}

void AccountModel::setNewCodeNote(const QString& value) {
    m_state->setNewCodeNote(value);
}

void AccountModel::saveBaseURL(const QString& address) {
    m_state->updateBaseURL(address);
    m_state->setBanner(AccountText::baseURLSavedBanner());
}

void AccountModel::saveAPIKey(const QString& text) {
    SessionSnapshot next = m_state->session();
    next.apiKey = AccountText::storedAPIKey(text);
    m_state->setSession(next);
    m_state->persistAndRebuild();
    m_state->setBanner(AccountText::apiKeySavedBanner(next.apiKey));
}

QString AccountModel::pasteText() const {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text() : QString();
}

void AccountModel::chooseTheme(const QString& key) {
    const auto theme = fromRawValue<AppTheme>(key);
    if (!theme)
        return;
    m_state->chooseTheme(*theme);
}

void AccountModel::refreshLaunchAtLogin() {
    m_state->refreshLaunchAtLogin();
}

void AccountModel::setLaunchAtLogin(bool enabled) {
    // A refused change leaves the status alone; the switch must still fall back to it.
    if (!m_state->setLaunchAtLogin(enabled))
        emit launchAtLoginChanged();
}

void AccountModel::scrapeAll() {
    if (!scrapeBusy())
        m_state->scrape(std::nullopt);
}

void AccountModel::loadAdmin() {
    m_state->loadAdmin();
}

void AccountModel::searchAdminUsers() {
    m_state->searchAdminUsers();
}

void AccountModel::setRole(qint64 userID, const QString& role) {
    m_state->setRole(userID, role);
}

void AccountModel::createRedeemCode() {
    m_state->createRedeemCode();
}

} // namespace quelvio
