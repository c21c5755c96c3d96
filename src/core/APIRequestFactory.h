#pragma once

#include "Presentation/ProductSort.h"

#include <QByteArray>
#include <QMap>
#include <QNetworkRequest>
#include <QString>
#include <optional>

namespace quelvio {

struct SessionSnapshot;

// Which credential a request carries.
enum class AuthMode { none, userBearer, optionalUserBearer, apiKey };

QString rawValue(AuthMode mode);
template <>
std::optional<AuthMode> fromRawValue<AuthMode>(QStringView raw);

// A server call described as a plain value; the factory turns it into a request.
struct APIRequestSpec {
    QString method;
    QString path;
    // Sorted by key; entries with an empty value are dropped when the request is built.
    QMap<QString, QString> query;
    std::optional<QByteArray> body;
    AuthMode auth = AuthMode::none;

    bool operator==(const APIRequestSpec&) const = default;
};

// What Qt needs to send a request: QNetworkRequest carries neither the method nor the body.
struct URLRequest {
    QNetworkRequest request;
    QByteArray method;
    std::optional<QByteArray> body;
};

// The only place where the base URL and a path are joined, the query is encoded and a
// credential is attached.
struct APIRequestFactory {
    QString baseURL;
    std::optional<QString> userToken;
    std::optional<QString> apiKey;

    // The stored session's normalised address, token and API key.
    static APIRequestFactory fromSnapshot(const SessionSnapshot& snapshot);

    // Throws ZeltorAPIError (invalidURL, missingAPIKey, unauthorized) before anything is sent.
    URLRequest urlRequest(const APIRequestSpec& spec) const;
    // The base URL without surrounding blanks and slashes, followed by the normalised path.
    QString resolvedURLString(const QString& path) const;
    // Replaces every credential header with the one the mode asks for.
    void applyAuth(AuthMode mode, QNetworkRequest& request) const;
    // Whether a usable (non-blank) bearer token is held.
    bool hasUserToken() const;

    bool operator==(const APIRequestFactory&) const = default;
};

namespace AuthPolicy {
AuthMode mode(const QString& method, const QString& path, bool hasUserToken);
QString normalizedPath(const QString& path);
} // namespace AuthPolicy

namespace ProductListQuery {
QMap<QString, QString> items(const std::optional<QString>& source, const std::optional<QString>& category,
                             const std::optional<QString>& subtype, const std::optional<QString>& query,
                             std::optional<bool> active, ProductSort sort, qint64 limit, qint64 offset);
} // namespace ProductListQuery

namespace SourceListQuery {
QMap<QString, QString> included(std::optional<bool> included);
} // namespace SourceListQuery

namespace FavoritesQuery {
// Unlike the product list, an offset of zero is left out.
QMap<QString, QString> items(const std::optional<QString>& type, std::optional<ProductSort> sort,
                             qint64 limit, qint64 offset);
} // namespace FavoritesQuery

} // namespace quelvio
