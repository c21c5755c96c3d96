#include "APIRequestFactory.h"

#include "SessionStore.h"
#include "ZeltorAPIError.h"

#include <QUrl>
#include <array>

namespace quelvio {

namespace {

constexpr std::array<AuthMode, 4> authModeCases{AuthMode::none, AuthMode::userBearer,
                                                AuthMode::optionalUserBearer, AuthMode::apiKey};

// Trimmed of white space and line breaks; absent when nothing remains.
std::optional<QString> nonempty(const std::optional<QString>& value) {
    if (!value)
        return std::nullopt;
    QString trimmed = value->trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

// Query names and values are encoded in full: QUrlQuery would leave "+" as it is, which most
// servers read as a blank.
QString encodedQuery(const QMap<QString, QString>& query) {
    QByteArray encoded;
    for (auto it = query.cbegin(); it != query.cend(); ++it) {
        if (it.value().isEmpty())
            continue;
        if (!encoded.isEmpty())
            encoded += '&';
        encoded += QUrl::toPercentEncoding(it.key()) + '=' + QUrl::toPercentEncoding(it.value());
    }
    return QString::fromLatin1(encoded);
}

void putSort(QMap<QString, QString>& query, ProductSort sort) {
    if (const auto value = apiSort(sort))
        query.insert(QStringLiteral("sort"), *value);
    if (const auto order = apiOrder(sort))
        query.insert(QStringLiteral("order"), *order);
}

void putIfNotEmpty(QMap<QString, QString>& query, const QString& key, const std::optional<QString>& value) {
    if (value && !value->isEmpty())
        query.insert(key, *value);
}

} // namespace

QString rawValue(AuthMode mode) {
    switch (mode) {
    case AuthMode::none:
        return QStringLiteral("none");
    case AuthMode::userBearer:
        return QStringLiteral("userBearer");
    case AuthMode::optionalUserBearer:
        return QStringLiteral("optionalUserBearer");
    case AuthMode::apiKey:
        return QStringLiteral("apiKey");
    }
    Q_UNREACHABLE();
}

template <>
std::optional<AuthMode> fromRawValue<AuthMode>(QStringView raw) {
    for (AuthMode mode : authModeCases)
        if (rawValue(mode) == raw)
            return mode;
    return std::nullopt;
}

APIRequestFactory APIRequestFactory::fromSnapshot(const SessionSnapshot& snapshot) {
    return {snapshot.normalizedBaseURL(), snapshot.token, snapshot.apiKey};
}

QString APIRequestFactory::resolvedURLString(const QString& path) const {
    QStringView base = QStringView(baseURL).trimmed();
    while (base.startsWith(u'/'))
        base = base.sliced(1);
    while (base.endsWith(u'/'))
        base.chop(1);
    return base.toString() + AuthPolicy::normalizedPath(path);
}

URLRequest APIRequestFactory::urlRequest(const APIRequestSpec& spec) const {
    QUrl url(resolvedURLString(spec.path), QUrl::StrictMode);
    // A relative or host-less address cannot reach a server: report it as unusable up front.
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        throw ZeltorAPIError::invalidURL();
    const QString query = encodedQuery(spec.query);
    if (query.isEmpty())
        url.setQuery(QString()); // no "?" at all
    else
        url.setQuery(query, QUrl::StrictMode);
    if (!url.isValid())
        throw ZeltorAPIError::invalidURL();

    URLRequest result{QNetworkRequest(url), spec.method.toLatin1(), spec.body};
    QNetworkRequest& request = result.request;
    request.setTransferTimeout(60'000);
    // Credentials must never follow a redirect to another origin.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    request.setRawHeader("Accept", "application/json");
    if (spec.body)
        request.setRawHeader("Content-Type", "application/json; charset=utf-8");
    applyAuth(spec.auth, request);
    return result;
}

void APIRequestFactory::applyAuth(AuthMode mode, QNetworkRequest& request) const {
    // A null value removes the header.
    for (const char* header : {"Authorization", "X-API-Key", "X-Session-Token"})
        request.setRawHeader(header, QByteArray());

    switch (mode) {
    case AuthMode::none:
        return;
    case AuthMode::userBearer:
    case AuthMode::optionalUserBearer: {
        const auto token = nonempty(userToken);
        if (!token) {
            if (mode == AuthMode::userBearer)
                throw ZeltorAPIError::unauthorized(QStringLiteral("login required"));
            return;
        }
        request.setRawHeader("Authorization", "Bearer " + token->toUtf8());
        return;
    }
    case AuthMode::apiKey: {
        const auto key = nonempty(apiKey);
        if (!key)
            throw ZeltorAPIError::missingAPIKey();
        request.setRawHeader("X-API-Key", key->toUtf8());
        return;
    }
    }
}

bool APIRequestFactory::hasUserToken() const {
    return nonempty(userToken).has_value();
}

namespace AuthPolicy {

QString normalizedPath(const QString& path) {
    if (path.isEmpty())
        return QStringLiteral("/");
    if (!path.startsWith(u'/'))
        return u'/' + path;
    return path;
}

AuthMode mode(const QString& method, const QString& path, bool hasUserToken) {
    const QString p = normalizedPath(path);
    if (p == u"/v1/scrape" || p.startsWith(u"/v1/scrape/"))
        return AuthMode::apiKey;
    if (p == u"/v1/sources/requests")
        return AuthMode::userBearer;
    if (p.startsWith(u"/v1/me") || p.startsWith(u"/v1/reactions") || p.startsWith(u"/v1/admin/"))
        return AuthMode::userBearer;
    if (method != u"GET")
        return AuthMode::none;
    if (p == u"/v1/products" || p.startsWith(u"/v1/products/"))
        return hasUserToken ? AuthMode::optionalUserBearer : AuthMode::none;
    return AuthMode::none;
}

} // namespace AuthPolicy

namespace ProductListQuery {

QMap<QString, QString> items(const std::optional<QString>& source, const std::optional<QString>& category,
                             const std::optional<QString>& subtype, const std::optional<QString>& query,
                             std::optional<bool> active, ProductSort sort, qint64 limit, qint64 offset) {
    QMap<QString, QString> result{{QStringLiteral("limit"), QString::number(limit)},
                                  {QStringLiteral("offset"), QString::number(offset)}};
    putIfNotEmpty(result, QStringLiteral("source"), source);
    putIfNotEmpty(result, QStringLiteral("category"), category);
    putIfNotEmpty(result, QStringLiteral("subtype"), subtype);
    putIfNotEmpty(result, QStringLiteral("q"), query);
    if (active == false)
        result.insert(QStringLiteral("active"), QStringLiteral("0"));
    putSort(result, sort);
    return result;
}

} // namespace ProductListQuery

namespace SourceListQuery {

QMap<QString, QString> included(std::optional<bool> included) {
    if (!included)
        return {};
    return {{QStringLiteral("included"), *included ? QStringLiteral("1") : QStringLiteral("0")}};
}

} // namespace SourceListQuery

namespace FavoritesQuery {

QMap<QString, QString> items(const std::optional<QString>& type, std::optional<ProductSort> sort,
                             qint64 limit, qint64 offset) {
    QMap<QString, QString> result{{QStringLiteral("limit"), QString::number(limit)}};
    if (offset >= 1)
        result.insert(QStringLiteral("offset"), QString::number(offset));
    putIfNotEmpty(result, QStringLiteral("type"), type);
    if (sort)
        putSort(result, *sort);
    return result;
}

} // namespace FavoritesQuery

} // namespace quelvio
