#pragma once

#include "Theme.h"

#include <QLatin1StringView>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>
#include <array>
#include <optional>

// What the client keeps across restarts, and where it keeps it.
namespace quelvio {

// What one server issued or was given: a sign-in belongs to the server that issued it, and an
// API key to the server it was entered for.
struct ServerCredentials {
    std::optional<QString> token{};
    std::optional<QString> apiKey{};
    std::optional<QString> username{};

    bool isEmpty() const { return !token && !apiKey && !username; }
    bool operator==(const ServerCredentials&) const = default;
};

struct SessionSnapshot {
    // At most this many other servers' credentials are kept; the least recently left go first.
    static constexpr qsizetype maxOtherServers = 16;

    QString baseURL{};
    std::optional<QString> token{};
    std::optional<QString> apiKey{};
    std::optional<QString> username{};
    AppTheme theme = AppTheme::ink;
    // Desktop notifications when a favourite gets cheaper.
    bool priceDropAlerts = true;
    // An ordinary drop alert needs at least this change, in percent (one of
    // PriceAlerts::minimumDropChoices).
    int minimumDropPercent = 0;
    // The credentials of servers used before, by origin, the most recently left last. The
    // fields above are those of the current address.
    QList<std::pair<QString, ServerCredentials>> otherServers{};

    static constexpr QLatin1StringView defaultBaseURL{"https://api.quelvio.app/zeltor"};
    // The loopback addresses earlier releases used as their default.
    static QSet<QString> legacyDefaultBaseURLs();

    // Trimmed, one trailing "/" removed; empty gives the default.
    static QString normalized(QStringView url);
    // Absent gives the default; with migrateLegacyDefault a legacy loopback default gives it too.
    static QString resolvedStoredBaseURL(const std::optional<QString>& stored, bool migrateLegacyDefault);

    QString normalizedBaseURL() const { return normalized(baseURL); }
    // "scheme://host:port" of an address, the port spelled out; empty when it has no host.
    static QString origin(QStringView url);
    // The snapshot at another address. Within the same origin nothing else changes; otherwise
    // the current credentials are put away under their origin and the new origin's (or none)
    // are taken out, so that no token or key is ever sent to a server that did not issue it.
    SessionSnapshot movedTo(const QString& url) const;
    // Untrimmed on purpose: the store trims on load, a value in memory is taken as it is.
    bool isLoggedIn() const { return token && !token->isEmpty(); }
    bool hasAPIKey() const { return apiKey && !apiKey->isEmpty(); }

    bool operator==(const SessionSnapshot&) const = default;
};

class SessionStoring {
public:
    virtual ~SessionStoring() = default;
    // Never fails: anything missing or unreadable reads as its default.
    virtual SessionSnapshot load() = 0;
    virtual void save(const SessionSnapshot& snapshot) = 0;
};

// The user's preference store (QSettings in its native format, organization "quelvio"). The
// standard domain is the application "quelvio"; a suite name selects another application of the
// same organization. Every call opens its own handle, so instances hold nothing but the name.
class UserDefaultsSessionStore final : public SessionStoring {
public:
    static constexpr QLatin1StringView organizationName{"quelvio"};
    static constexpr QLatin1StringView standardDomain{"quelvio"};

    static constexpr QLatin1StringView baseURLKey{"quelvio.baseURL"};
    static constexpr QLatin1StringView tokenKey{"quelvio.token"};
    static constexpr QLatin1StringView apiKeyKey{"quelvio.apiKey"};
    static constexpr QLatin1StringView usernameKey{"quelvio.username"};
    static constexpr QLatin1StringView themeKey{"quelvio.theme"};
    static constexpr QLatin1StringView migratedDefaultBaseURLKey{"quelvio.migratedDefaultBaseURL.prod"};
    static constexpr QLatin1StringView priceDropAlertsKey{"quelvio.priceDropAlerts"};
    static constexpr QLatin1StringView minimumDropPercentKey{"quelvio.minimumDropPercent"};
    // JSON: [{"origin", "token", "apiKey", "username"}, ...]
    static constexpr QLatin1StringView otherServersKey{"quelvio.otherServers"};

    struct LegacyKeyPair {
        QLatin1StringView legacy;
        QLatin1StringView current;
    };
    // Copied in this order, each only when its current key holds nothing.
    static constexpr std::array<LegacyKeyPair, 6> legacyKeyPairs{{
        {QLatin1StringView("mirlow.baseURL"), baseURLKey},
        {QLatin1StringView("mirlow.token"), tokenKey},
        {QLatin1StringView("mirlow.apiKey"), apiKeyKey},
        {QLatin1StringView("mirlow.username"), usernameKey},
        {QLatin1StringView("mirlow.theme"), themeKey},
        {QLatin1StringView("mirlow.migratedDefaultBaseURL.prod"), migratedDefaultBaseURLKey},
    }};

    explicit UserDefaultsSessionStore(std::optional<QString> suiteName = std::nullopt)
        : m_suiteName(std::move(suiteName)) {}

    const std::optional<QString>& suiteName() const { return m_suiteName; }
    // The file behind the domain this store writes to.
    QString fileName() const;

    SessionSnapshot load() override;
    void save(const SessionSnapshot& snapshot) override;

private:
    std::optional<QString> m_suiteName;
};

// Keeps the snapshot in memory only, exactly as saved.
class MemorySessionStore final : public SessionStoring {
public:
    explicit MemorySessionStore(SessionSnapshot snapshot)
        : m_snapshot(std::move(snapshot)) {}

    SessionSnapshot load() override;
    void save(const SessionSnapshot& snapshot) override;

private:
    QMutex m_lock;
    SessionSnapshot m_snapshot;
};

} // namespace quelvio
