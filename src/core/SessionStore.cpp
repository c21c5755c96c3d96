#include "SessionStore.h"

#include "Presentation/PriceAlerts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QSettings>
#include <QUrl>
#include <QVariant>
#include <algorithm>
#include <memory>

namespace quelvio {

QSet<QString> SessionSnapshot::legacyDefaultBaseURLs() {
    return {QStringLiteral("http://127.0.0.1:8787"), QStringLiteral("http://localhost:8787")};
}

QString SessionSnapshot::normalized(QStringView url) {
    QStringView trimmed = url.trimmed();
    if (trimmed.endsWith(u'/'))
        trimmed.chop(1);
    return trimmed.isEmpty() ? QString(defaultBaseURL) : trimmed.toString();
}

QString SessionSnapshot::resolvedStoredBaseURL(const std::optional<QString>& stored,
                                               bool migrateLegacyDefault) {
    if (!stored)
        return defaultBaseURL;
    QString url = normalized(*stored);
    if (migrateLegacyDefault && legacyDefaultBaseURLs().contains(url))
        return defaultBaseURL;
    return url;
}

QString SessionSnapshot::origin(QStringView url) {
    const QUrl parsed(normalized(url), QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty())
        return {};
    const int defaultPort = parsed.scheme() == u"https" ? 443 : parsed.scheme() == u"http" ? 80 : -1;
    return QStringLiteral("%1://%2:%3").arg(parsed.scheme(), parsed.host()).arg(parsed.port(defaultPort));
}

SessionSnapshot SessionSnapshot::movedTo(const QString& url) const {
    SessionSnapshot next = *this;
    next.baseURL = url;
    const QString from = origin(baseURL);
    const QString to = origin(url);
    if (from == to && !from.isEmpty())
        return next;
    auto& others = next.otherServers;
    const auto stored = [&others](const QString& key) {
        return std::find_if(others.begin(), others.end(),
                            [&key](const auto& entry) { return entry.first == key; });
    };
    const ServerCredentials current{token, apiKey, username};
    ServerCredentials arriving;
    if (auto found = stored(to); !to.isEmpty() && found != others.end()) {
        arriving = found->second;
        others.erase(found);
    }
    if (auto found = stored(from); found != others.end())
        others.erase(found);
    if (!from.isEmpty() && !current.isEmpty())
        others.append({from, current});
    while (others.size() > maxOtherServers)
        others.removeFirst();
    next.token = arriving.token;
    next.apiKey = arriving.apiKey;
    next.username = arriving.username;
    return next;
}

namespace {

// A suite names a sibling file in the organization's folder; anything that could point elsewhere
// is no suite.
bool isUsableSuiteName(const QString& name) {
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(u'\\') && !name.contains(QChar(0));
}

std::unique_ptr<QSettings> openDomain(const std::optional<QString>& suiteName) {
    const QString organization = UserDefaultsSessionStore::organizationName;
    if (suiteName && isUsableSuiteName(*suiteName)) {
        auto suite = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organization,
                                                 *suiteName);
        if (suite->status() == QSettings::NoError)
            return suite;
    }
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organization,
                                       QString(UserDefaultsSessionStore::standardDomain));
}

// Numbers read as their text, as the host's preference store does; lists and bytes are no string.
std::optional<QString> readString(const QSettings& settings, QLatin1StringView key) {
    const QVariant value = settings.value(key);
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default:
        return std::nullopt;
    }
}

// The Linux settings file keeps no types: a bool comes back as the text "true" or "false".
// Anything but one of the offered choices reads as no minimum.
int knownMinimumDrop(const QString& text) {
    bool ok = false;
    const int percent = text.toInt(&ok);
    return ok && std::ranges::find(PriceAlerts::minimumDropChoices, percent) !=
                       PriceAlerts::minimumDropChoices.end()
               ? percent
               : 0;
}

bool readBool(const QSettings& settings, QLatin1StringView key) {
    const QVariant value = settings.value(key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toDouble() != 0;
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        if (text.compare(u"true", Qt::CaseInsensitive) == 0 || text.compare(u"yes", Qt::CaseInsensitive) == 0)
            return true;
        bool isNumber = false;
        const qlonglong number = text.toLongLong(&isNumber);
        return isNumber && number != 0;
    }
    default:
        return false;
    }
}

QList<std::pair<QString, ServerCredentials>> readOtherServers(const QSettings& settings) {
    QList<std::pair<QString, ServerCredentials>> result;
    const auto text = readString(settings, UserDefaultsSessionStore::otherServersKey);
    if (!text)
        return result;
    const auto field = [](const QJsonObject& o, const char* key) -> std::optional<QString> {
        const QString value = o.value(QLatin1StringView(key)).toString().trimmed();
        return value.isEmpty() ? std::nullopt : std::optional(value);
    };
    for (const QJsonValue& entry : QJsonDocument::fromJson(text->toUtf8()).array()) {
        const QJsonObject o = entry.toObject();
        const QString origin = o.value(QLatin1StringView("origin")).toString();
        const ServerCredentials credentials{field(o, "token"), field(o, "apiKey"), field(o, "username")};
        if (!origin.isEmpty() && !credentials.isEmpty() && result.size() < SessionSnapshot::maxOtherServers)
            result.append({origin, credentials});
    }
    return result;
}

QString writtenOtherServers(const QList<std::pair<QString, ServerCredentials>>& servers) {
    QJsonArray array;
    for (const auto& [origin, credentials] : servers) {
        QJsonObject o{{QStringLiteral("origin"), origin}};
        if (credentials.token)
            o.insert(QStringLiteral("token"), *credentials.token);
        if (credentials.apiKey)
            o.insert(QStringLiteral("apiKey"), *credentials.apiKey);
        if (credentials.username)
            o.insert(QStringLiteral("username"), *credentials.username);
        array.append(o);
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

std::optional<QString> nonempty(const std::optional<QString>& value) {
    if (!value)
        return std::nullopt;
    QString trimmed = value->trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

// The file holds the bearer token and the API key, and Qt writes it readable by everyone. Where
// the preference store is a plain file, it is created for its owner only before anything goes
// into it (Qt's atomic rewrite keeps an existing file's mode), and the mode is enforced again
// after every write.
void restrictToOwner(const QString& fileName) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    constexpr auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (QFileInfo::exists(fileName)) {
        QFile::setPermissions(fileName, ownerOnly);
        return;
    }
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly))
        file.close();
#else
    Q_UNUSED(fileName);
#endif
}

void commit(QSettings& settings) {
    const QString fileName = settings.fileName();
    restrictToOwner(fileName);
    settings.sync();
    restrictToOwner(fileName);
}

// Copies each legacy value whose current key holds nothing, whatever its type. Legacy keys are
// only read. Reports whether anything was written.
bool migrateLegacyKeysIfNeeded(QSettings& settings) {
    bool wrote = false;
    for (const auto& pair : UserDefaultsSessionStore::legacyKeyPairs) {
        if (settings.contains(pair.current) || !settings.contains(pair.legacy))
            continue;
        settings.setValue(pair.current, settings.value(pair.legacy));
        wrote = true;
    }
    return wrote;
}

} // namespace

QString UserDefaultsSessionStore::fileName() const {
    return openDomain(m_suiteName)->fileName();
}

SessionSnapshot UserDefaultsSessionStore::load() {
    const std::unique_ptr<QSettings> settings = openDomain(m_suiteName);
    bool wrote = migrateLegacyKeysIfNeeded(*settings);

    const bool migrated = readBool(*settings, migratedDefaultBaseURLKey);
    SessionSnapshot snapshot;
    snapshot.baseURL = SessionSnapshot::resolvedStoredBaseURL(readString(*settings, baseURLKey), !migrated);
    if (!migrated) {
        // Once per domain: from now on a loopback address the user enters stays as entered.
        settings->setValue(migratedDefaultBaseURLKey, true);
        settings->setValue(baseURLKey, snapshot.baseURL);
        wrote = true;
    }

    snapshot.token = nonempty(readString(*settings, tokenKey));
    snapshot.apiKey = nonempty(readString(*settings, apiKeyKey));
    snapshot.username = nonempty(readString(*settings, usernameKey));
    snapshot.theme = appThemeFromRawOrFallback(readString(*settings, themeKey));
    // On unless the user turned it off.
    snapshot.priceDropAlerts =
        !settings->contains(priceDropAlertsKey) || readBool(*settings, priceDropAlertsKey);
    snapshot.minimumDropPercent = knownMinimumDrop(settings->value(minimumDropPercentKey).toString());
    snapshot.otherServers = readOtherServers(*settings);

    if (wrote)
        commit(*settings);
    return snapshot;
}

void UserDefaultsSessionStore::save(const SessionSnapshot& snapshot) {
    const std::unique_ptr<QSettings> settings = openDomain(m_suiteName);
    // Token, API key and user name go in untrimmed; load trims them. Absent is the empty string.
    const QString none = QStringLiteral("");
    settings->setValue(baseURLKey, SessionSnapshot::normalized(snapshot.baseURL));
    settings->setValue(tokenKey, snapshot.token.value_or(none));
    settings->setValue(apiKeyKey, snapshot.apiKey.value_or(none));
    settings->setValue(usernameKey, snapshot.username.value_or(none));
    settings->setValue(themeKey, rawValue(snapshot.theme));
    settings->setValue(priceDropAlertsKey, snapshot.priceDropAlerts);
    settings->setValue(minimumDropPercentKey, snapshot.minimumDropPercent);
    settings->setValue(otherServersKey, writtenOtherServers(snapshot.otherServers));
    commit(*settings);
}

SessionSnapshot MemorySessionStore::load() {
    const QMutexLocker locker(&m_lock);
    return m_snapshot;
}

void MemorySessionStore::save(const SessionSnapshot& snapshot) {
    const QMutexLocker locker(&m_lock);
    m_snapshot = snapshot;
}

} // namespace quelvio
