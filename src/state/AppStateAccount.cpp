// Account and membership, shop requests and scraping, administration.
#include "AppState.h"
#include "Presentation/ValueFormat.h"

#include <QRegularExpression>

namespace quelvio {

QCoro::Task<void> AppState::loginOrRegister() {
    const QString username = m_authUsername.trimmed();
    if (!AuthValidation::isUsername(username)) {
        setBanner(QStringLiteral("用户名需 3–32 位字母数字下划线"));
        co_return;
    }
    if (!AuthValidation::isPassword(m_authPassword)) {
        setBanner(QStringLiteral("密码需 6–72 位"));
        co_return;
    }
    const AuthCredentials credentials{username, m_authPassword,
                                      m_isRegistering ? std::optional(m_authRedeem) : std::nullopt};

    // A sign-in answered by one server must not be saved against another, nor replace a session
    // that changed meanwhile.
    const SameSession sameSession(this);
    // (No conditional expression choosing between two tasks: GCC 12 then ends the chosen task's
    // life too early.)
    Attempt<AuthSession> result;
    if (m_isRegistering)
        result = co_await attempt(m_client.registerUser(credentials));
    else
        result = co_await attempt(m_client.login(credentials));
    if (!sameSession)
        co_return;
    if (!result) {
        present(*result.error);
        co_return;
    }
    const AuthSession& signedIn = *result.value;
    SessionSnapshot next = m_session;
    next.token = signedIn.token;
    next.username = signedIn.user.username;
    setSession(next);
    setCurrentUser(signedIn.user);
    persistAndRebuild();
    if (signedIn.redeemWarning && !signedIn.redeemWarning->isEmpty())
        setBanner(*signedIn.redeemWarning);
    else
        setBanner(m_isRegistering ? QStringLiteral("注册成功") : QStringLiteral("已登录"));
    setAuthPassword({});
    setAuthRedeem({});
    co_await refreshVisible(true);
}

QCoro::Task<void> AppState::logout() {
    const QPointer<AppState> self(this);
    co_await attemptVoid(m_client.logout()); // signing out locally never depends on the server
    if (!self)
        co_return;
    SessionSnapshot next = m_session;
    next.token.reset();
    next.username.reset();
    setSession(next);
    persistAndRebuild();
    forgetUser();
    setBanner(QStringLiteral("已退出"));
}

void AppState::forgetUser() {
    setCurrentUser(std::nullopt);
    setFavorites({});
    setFavoriteProductIDs({});
    setDownProductIDs({});
    setReportedProductIDs({});
    setFavoriteSourceSlugs({});
    setAdminUsers({});
    setAdminCodes({});
    setAdminReports({});
}

void AppState::adoptUser(const User& user) {
    setCurrentUser(user);
    SessionSnapshot next = m_session;
    next.username = user.username;
    setSession(next);
    persistAndRebuild();
}

QCoro::Task<void> AppState::refreshMe() {
    if (!m_session.isLoggedIn())
        co_return;
    const SameSession current(this);
    auto result = co_await attempt(m_client.me());
    if (!current)
        co_return;
    if (!result) {
        handleAuthFailure(*result.error);
        co_return;
    }
    adoptUser(*result.value);
}

QCoro::Task<void> AppState::redeemMembership() {
    const QString code = m_redeemInput.trimmed();
    if (code.isEmpty())
        co_return;
    const SameSession current(this);
    auto result = co_await attempt(m_client.redeem(code));
    if (!current)
        co_return;
    if (!result) {
        present(*result.error);
        co_return;
    }
    adoptUser(*result.value);
    setRedeemInput({});
    setBanner(result.value->isMember ? QStringLiteral("兑换成功") : QStringLiteral("已提交"));
}

QCoro::Task<void> AppState::submitSourceRequest() {
    if (!m_session.isLoggedIn()) {
        setBanner(QStringLiteral("请先登录"));
        setSelectedTab(MenuBarDropdownTab::me);
        co_return;
    }
    const QString url = m_sourceRequestURL.trimmed();
    const QString name = m_sourceRequestName.trimmed();
    if (url.isEmpty()) {
        setBanner(QStringLiteral("请输入店铺地址"));
        co_return;
    }
    setSourceRequestBusy(true);
    const QPointer<AppState> self(this);
    const std::optional<QString> proposedName = name.isEmpty() ? std::nullopt : std::optional(name);
    auto result = co_await attempt(m_client.requestSource(url, proposedName));
    if (!self)
        co_return;
    const auto listed = [this](const QString& slug) {
        return std::any_of(m_sources.cbegin(), m_sources.cend(),
                           [&](const Source& s) { return s.slug == slug; });
    };
    if (result) {
        QList<Source> sources;
        sources.append(*result.value);
        for (const Source& source : m_sources)
            if (source.slug != result.value->slug)
                sources.append(source);
        setSources(sources);
        setSourceRequestURL({});
        setSourceRequestName({});
        setBanner(QStringLiteral("已提交收录请求"));
    } else if (result.error->kind() == ZeltorAPIError::Kind::sourceConflict) {
        if (const auto& existing = result.error->item(); existing && !listed(existing->slug)) {
            QList<Source> sources = m_sources;
            sources.prepend(*existing);
            setSources(sources);
        }
        setBanner(result.error->message());
    } else {
        present(*result.error);
    }
    setSourceRequestBusy(false);
}

QCoro::Task<void> AppState::scrape(std::optional<QString> slug) {
    setScrapeBusySlug(slug.value_or(QStringLiteral("*")));
    const QPointer<AppState> self(this);
    Attempt<ScrapeResult> result;
    if (slug)
        result = co_await attempt(m_client.scrape(*slug));
    else
        result = co_await attempt(m_client.scrapeAll());
    if (!self)
        co_return;
    if (!result) {
        present(*result.error, false); // scrapes carry the API key only
        setScrapeBusySlug(std::nullopt);
        co_return;
    }
    const ScrapeResult& outcome = *result.value;
    // A failed run is never announced as done, whether or not the server says why.
    if (outcome.status == RunStatus::failed)
        setBanner(outcome.error && !outcome.error->isEmpty() ? *outcome.error : QStringLiteral("更新失败"));
    else
        setBanner(slug ? QStringLiteral("已更新") : QStringLiteral("已开始更新"));
    co_await loadStatus();
    if (!self)
        co_return;
    setScrapeBusySlug(std::nullopt);
}

QCoro::Task<void> AppState::loadAdmin() {
    if (!isAdmin())
        co_return;
    const SameSession current(this);
    // All three go out at once and are applied in this order, up to the first failure; the
    // replies after it are dropped, which leaves their lists as they were.
    auto usersCall = attempt(m_client.adminUsers(m_adminUserQuery, 50));
    auto codesCall = attempt(m_client.adminCodes(50));
    auto reportsCall = attempt(m_client.adminReports(50));
    const auto applied = [&](const auto& result, auto apply) {
        if (!current)
            return false;
        if (!result) {
            present(*result.error);
            return false;
        }
        (this->*apply)(*result.value);
        return true;
    };
    const auto users = co_await usersCall;
    if (!applied(users, &AppState::setAdminUsers))
        co_return;
    const auto codes = co_await codesCall;
    if (!applied(codes, &AppState::setAdminCodes))
        co_return;
    const auto reports = co_await reportsCall;
    applied(reports, &AppState::setAdminReports);
}

QCoro::Task<void> AppState::searchAdminUsers() {
    if (!isAdmin())
        co_return;
    const SameSession current(this);
    auto result = co_await attempt(m_client.adminUsers(m_adminUserQuery, 50));
    if (!current)
        co_return;
    if (result)
        setAdminUsers(*result.value);
    else
        present(*result.error);
}

QCoro::Task<void> AppState::setRole(qint64 userID, QString role) {
    const SameSession current(this);
    auto result = co_await attempt(m_client.setUserRole(userID, role));
    if (!current)
        co_return;
    if (!result) {
        present(*result.error);
        co_return;
    }
    const User& updated = *result.value;
    QList<User> users = m_adminUsers;
    for (User& user : users)
        if (user.id == userID) {
            user = updated;
            break;
        }
    setAdminUsers(users);
    setBanner(QStringLiteral("已将 ") + updated.username + QStringLiteral(" 设为") + updated.roleLabel());
}

namespace {

// An optional sign and ASCII digits within 64 bits; anything else asks for the default.
std::optional<qint64> decimalInteger(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<QString> nonEmpty(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional(text);
}

} // namespace

QCoro::Task<void> AppState::createRedeemCode() {
    const CreateCodeRequest request{nonEmpty(m_newCode.trimmed()),
                                    decimalInteger(m_newCodeUses.trimmed()).value_or(1), std::nullopt,
                                    nonEmpty(m_newCodeNote.trimmed())};
    const SameSession current(this);
    auto result = co_await attempt(m_client.createCode(request));
    if (!current)
        co_return;
    if (!result) {
        present(*result.error);
        co_return;
    }
    QList<RedeemCode> codes = m_adminCodes;
    codes.prepend(*result.value);
    setAdminCodes(codes);
    setNewCode({});
    setNewCodeNote({});
    setBanner(QStringLiteral("已创建 ") + result.value->code);
}

} // namespace quelvio
