#include "APIClient.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <memory>

namespace quelvio {

namespace {

struct DeleteLater {
    void operator()(QNetworkReply* reply) const { reply->deleteLater(); }
};

// Connection, proxy and framing failures: the reply never became a usable HTTP answer, even when
// a status line had already arrived. Qt files a 407 answer under its proxy errors, but an answer
// with that status is still an answer.
bool isTransportFailure(QNetworkReply::NetworkError error, const QVariant& status) {
    if (error == QNetworkReply::ProxyAuthenticationRequiredError && status.toInt() == 407)
        return false;
    return (error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) ||
           error == QNetworkReply::ProtocolUnknownError || error == QNetworkReply::ProtocolFailure;
}

QString trimmedOrEmpty(const std::optional<QString>& value) {
    return value ? value->trimmed() : QString();
}

} // namespace

APIClient::APIClient(APIRequestFactory factory, QNetworkAccessManager* session,
                     std::chrono::milliseconds deadline, std::chrono::milliseconds healthDeadline)
    : m_factory(std::move(factory))
    , m_session(session)
    , m_deadline(deadline)
    , m_healthDeadline(std::min(deadline, healthDeadline)) {}

QCoro::Task<APIClient::Reply> APIClient::transfer(QPointer<QNetworkAccessManager> session, URLRequest request,
                                                  std::chrono::milliseconds deadline) {
    if (!session)
        throw ZeltorAPIError::transport(QStringLiteral("网络不可用"));
    std::unique_ptr<QNetworkReply, DeleteLater> reply(
        request.method == "GET" && !request.body
            ? session->get(request.request)
            : session->sendCustomRequest(request.request, request.method,
                                         request.body.value_or(QByteArray())));

    // Read as it arrives into a body of our own, through a small read buffer: Qt then holds no
    // more than that, and the body never grows past the cap however fast the bytes come.
    struct Received {
        QByteArray body;
        bool tooLarge = false;
        void take(QNetworkReply* reply) {
            while (!tooLarge && reply->bytesAvailable() > 0) {
                if (body.size() + reply->bytesAvailable() > maxReplyBytes) {
                    tooLarge = true;
                    body.clear();
                    reply->abort();
                    return;
                }
                body += reply->read(reply->bytesAvailable());
            }
        }
    };
    const auto received = std::make_shared<Received>();
    QNetworkReply* raw = reply.get();
    raw->setReadBufferSize(readBufferBytes);
    QObject::connect(raw, &QNetworkReply::readyRead, raw, [raw, received] { received->take(raw); });
    // A length announced past the cap is refused before its body arrives.
    QObject::connect(raw, &QNetworkReply::metaDataChanged, raw, [raw, received] {
        if (raw->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxReplyBytes) {
            received->tooLarge = true;
            raw->abort();
        }
    });
    bool timedOut = false;
    QTimer* timer = new QTimer(raw); // goes with the reply
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, raw, [raw, &timedOut] {
        timedOut = true;
        raw->abort();
    });
    timer->start(deadline);

    co_await raw;
    timer->stop(); // the reply outlives this frame until it is deleted later
    received->take(raw);

    if (received->tooLarge)
        throw ZeltorAPIError::transport(QStringLiteral("响应过大"));
    if (timedOut)
        throw ZeltorAPIError::transport(QStringLiteral("请求超时"));
    const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (isTransportFailure(raw->error(), status))
        throw ZeltorAPIError::transport(raw->errorString());
    if (!status.isValid()) {
        if (raw->error() != QNetworkReply::NoError)
            throw ZeltorAPIError::transport(raw->errorString());
        throw ZeltorAPIError::transport(QStringLiteral("无效响应"));
    }
    co_return Reply{status.toInt(), std::move(received->body)};
}

QString APIClient::errorMessage(const Reply& reply) {
    try {
        const auto body = APIJSON::decode<APIErrorBody>(reply.body);
        if (!body.error.isEmpty())
            return body.error;
    } catch (const APIJSON::DecodingError&) {
    }
    return reasonPhrase(reply.status);
}

ZeltorAPIError APIClient::failure(const Reply& reply) {
    const QString message = errorMessage(reply);
    if (reply.status == 401)
        return ZeltorAPIError::unauthorized(message);
    return ZeltorAPIError::http(reply.status, message);
}

QString APIClient::reasonPhrase(int status) {
    // Qt Core and Network offer no table of reason phrases, so the common ones are listed here.
    switch (status) {
    case 400:
        return QStringLiteral("bad request");
    case 401:
        return QStringLiteral("unauthorized");
    case 402:
        return QStringLiteral("payment required");
    case 403:
        return QStringLiteral("forbidden");
    case 404:
        return QStringLiteral("not found");
    case 405:
        return QStringLiteral("method not allowed");
    case 406:
        return QStringLiteral("not acceptable");
    case 408:
        return QStringLiteral("request timed out");
    case 409:
        return QStringLiteral("conflict");
    case 410:
        return QStringLiteral("no longer exists");
    case 413:
        return QStringLiteral("request too large");
    case 415:
        return QStringLiteral("unsupported media type");
    case 422:
        return QStringLiteral("unprocessable content");
    case 429:
        return QStringLiteral("too many requests");
    case 500:
        return QStringLiteral("internal server error");
    case 501:
        return QStringLiteral("unimplemented");
    case 502:
        return QStringLiteral("bad gateway");
    case 503:
        return QStringLiteral("service unavailable");
    case 504:
        return QStringLiteral("gateway timed out");
    }
    if (status >= 500 && status <= 599)
        return QStringLiteral("server error");
    if (status >= 400 && status <= 499)
        return QStringLiteral("client error");
    if (status >= 300 && status <= 399)
        return QStringLiteral("redirected");
    return QStringLiteral("HTTP status %1").arg(status);
}

// In the operations below the request is always built into a named spec first: GCC 12 destroys
// class temporaries inside a co_await expression twice.

APIRequestSpec APIClient::get(const QString& path, QMap<QString, QString> query, AuthMode auth) const {
    return APIRequestSpec{QStringLiteral("GET"), path, std::move(query), std::nullopt, auth};
}

namespace {

template <typename T>
APIRequestSpec withBody(const char* method, const QString& path, const T& body, AuthMode auth) {
    return APIRequestSpec{QLatin1StringView(method), path, {}, APIJSON::encode(body), auth};
}

APIRequestSpec bodiless(const char* method, const QString& path, AuthMode auth) {
    return APIRequestSpec{QLatin1StringView(method), path, {}, std::nullopt, auth};
}

QMap<QString, QString> limitOnly(qint64 limit) {
    return {{QStringLiteral("limit"), QString::number(limit)}};
}

} // namespace

QCoro::Task<Health> APIClient::health() const {
    const URLRequest request = m_factory.urlRequest(get(QStringLiteral("/health"), {}, AuthMode::none));
    const Reply reply = co_await transfer(m_session, request, m_healthDeadline);
    co_return decodeSuccess<Health>(reply);
}

QCoro::Task<QList<Source>> APIClient::sources(std::optional<bool> included) const {
    const APIRequestSpec spec =
        get(QStringLiteral("/v1/sources"), SourceListQuery::included(included), AuthMode::none);
    const auto list = co_await send<ItemList<Source>>(spec);
    co_return list.items;
}

QCoro::Task<Source> APIClient::requestSource(const QString& url, const std::optional<QString>& name) const {
    // Not through send: a 409 carries the shop that already exists.
    const URLRequest request = m_factory.urlRequest(withBody("POST", QStringLiteral("/v1/sources/requests"),
                                                             SourceRequest{url, name}, AuthMode::userBearer));
    const Reply reply = co_await transfer(m_session, request, m_deadline);
    if (reply.status == 409) {
        std::optional<Source> existing;
        try {
            existing = APIJSON::decode<SourceConflictBody>(reply.body).item;
        } catch (const APIJSON::DecodingError&) {
        }
        throw ZeltorAPIError::sourceConflict(errorMessage(reply), existing);
    }
    co_return decodeSuccess<SourceRequestEnvelope>(reply).item;
}

QCoro::Task<QList<ProductCategory>> APIClient::categories(std::optional<bool> active) const {
    QMap<QString, QString> query;
    if (active == false)
        query.insert(QStringLiteral("active"), QStringLiteral("0"));
    const APIRequestSpec spec = get(QStringLiteral("/v1/categories"), query, AuthMode::none);
    const auto list = co_await send<ItemList<ProductCategory>>(spec);
    co_return list.items;
}

QCoro::Task<QList<Product>>
APIClient::products(const std::optional<QString>& source, const std::optional<QString>& category,
                    const std::optional<QString>& subtype, const std::optional<QString>& query,
                    std::optional<bool> active, ProductSort sort, qint64 limit, qint64 offset) const {
    const QString path = QStringLiteral("/v1/products");
    const APIRequestSpec spec =
        get(path, ProductListQuery::items(source, category, subtype, query, active, sort, limit, offset),
            AuthPolicy::mode(QStringLiteral("GET"), path, m_factory.hasUserToken()));
    co_return co_await sendItems<Product>(spec, limit);
}

QCoro::Task<Product> APIClient::product(qint64 id) const {
    const QString path = QStringLiteral("/v1/products/") + QString::number(id);
    const APIRequestSpec spec =
        get(path, {}, AuthPolicy::mode(QStringLiteral("GET"), path, m_factory.hasUserToken()));
    co_return co_await send<Product>(spec);
}

QCoro::Task<QList<PriceSnapshot>> APIClient::history(qint64 productID, qint64 limit) const {
    const APIRequestSpec spec =
        get(QStringLiteral("/v1/products/%1/history").arg(productID), limitOnly(limit), AuthMode::none);
    co_return co_await sendItems<PriceSnapshot>(spec, limit);
}

QCoro::Task<QList<PriceChange>> APIClient::priceChanges(qint64 limit) const {
    const APIRequestSpec spec = get(QStringLiteral("/v1/prices/changes"), limitOnly(limit), AuthMode::none);
    co_return co_await sendItems<PriceChange>(spec, limit);
}

QCoro::Task<QList<ScrapeRun>> APIClient::scrapeRuns(qint64 limit) const {
    const APIRequestSpec spec = get(QStringLiteral("/v1/scrape-runs"), limitOnly(limit), AuthMode::none);
    co_return co_await sendItems<ScrapeRun>(spec, limit);
}

QCoro::Task<AuthSession> APIClient::registerUser(const AuthCredentials& credentials) const {
    AuthCredentials stripped{credentials.username, credentials.password, std::nullopt};
    if (const QString code = trimmedOrEmpty(credentials.redeemCode); !code.isEmpty())
        stripped.redeemCode = code;
    const APIRequestSpec spec =
        withBody("POST", QStringLiteral("/v1/auth/register"), stripped, AuthMode::none);
    co_return co_await send<AuthSession>(spec);
}

QCoro::Task<AuthSession> APIClient::login(const AuthCredentials& credentials) const {
    const AuthCredentials plain{credentials.username, credentials.password, std::nullopt};
    const APIRequestSpec spec = withBody("POST", QStringLiteral("/v1/auth/login"), plain, AuthMode::none);
    co_return co_await send<AuthSession>(spec);
}

QCoro::Task<void> APIClient::logout() const {
    // Signing out never fails for lack of a token.
    const AuthMode auth = m_factory.hasUserToken() ? AuthMode::userBearer : AuthMode::none;
    const APIRequestSpec spec = bodiless("POST", QStringLiteral("/v1/auth/logout"), auth);
    co_await send<OkResponse>(spec);
}

QCoro::Task<User> APIClient::me() const {
    const APIRequestSpec spec = get(QStringLiteral("/v1/me"), {}, AuthMode::userBearer);
    const auto envelope = co_await send<UserEnvelope>(spec);
    co_return envelope.user;
}

QCoro::Task<User> APIClient::redeem(const QString& code) const {
    const APIRequestSpec spec =
        withBody("POST", QStringLiteral("/v1/me/redeem"), RedeemRequest{code}, AuthMode::userBearer);
    const auto envelope = co_await send<UserEnvelope>(spec);
    co_return envelope.user;
}

QCoro::Task<QList<Reaction>> APIClient::favorites(const std::optional<QString>& type,
                                                  std::optional<ProductSort> sort, qint64 limit,
                                                  qint64 offset) const {
    return reactionList(QStringLiteral("/v1/me/favorites"), FavoritesQuery::items(type, sort, limit, offset));
}

QCoro::Task<Reaction> APIClient::upsertReaction(const ReactionRequest& request) const {
    const APIRequestSpec spec =
        withBody("POST", QStringLiteral("/v1/reactions"), request, AuthMode::userBearer);
    const auto envelope = co_await send<ReactionEnvelope>(spec);
    co_return envelope.item;
}

QCoro::Task<void> APIClient::deleteReaction(const ReactionRequest& request) const {
    const APIRequestSpec spec =
        withBody("DELETE", QStringLiteral("/v1/reactions"), request, AuthMode::userBearer);
    co_await send<OkResponse>(spec);
}

QCoro::Task<QList<User>> APIClient::adminUsers(const std::optional<QString>& query, qint64 limit) const {
    QMap<QString, QString> items = limitOnly(limit);
    if (query && !query->isEmpty())
        items.insert(QStringLiteral("q"), *query);
    const APIRequestSpec spec = get(QStringLiteral("/v1/admin/users"), items, AuthMode::userBearer);
    co_return co_await sendItems<User>(spec, limit);
}

QCoro::Task<User> APIClient::setUserRole(qint64 id, const QString& role) const {
    const APIRequestSpec spec = withBody("PATCH", QStringLiteral("/v1/admin/users/%1").arg(id),
                                         SetRoleRequest{role}, AuthMode::userBearer);
    const auto envelope = co_await send<UserEnvelope>(spec);
    co_return envelope.user;
}

QCoro::Task<QList<RedeemCode>> APIClient::adminCodes(qint64 limit) const {
    const APIRequestSpec spec =
        get(QStringLiteral("/v1/admin/codes"), limitOnly(limit), AuthMode::userBearer);
    co_return co_await sendItems<RedeemCode>(spec, limit);
}

QCoro::Task<RedeemCode> APIClient::createCode(const CreateCodeRequest& request) const {
    const APIRequestSpec spec =
        withBody("POST", QStringLiteral("/v1/admin/codes"), request, AuthMode::userBearer);
    const auto envelope = co_await send<RedeemCodeEnvelope>(spec);
    co_return envelope.item;
}

QCoro::Task<QList<Reaction>> APIClient::adminReports(qint64 limit) const {
    return reactionList(QStringLiteral("/v1/admin/reports"), limitOnly(limit));
}

QCoro::Task<ScrapeResult> APIClient::scrape(const QString& slug) const {
    const APIRequestSpec spec = bodiless("POST", QStringLiteral("/v1/scrape/") + slug, AuthMode::apiKey);
    co_return co_await send<ScrapeResult>(spec);
}

QCoro::Task<ScrapeResult> APIClient::scrapeAll() const {
    const APIRequestSpec spec = bodiless("POST", QStringLiteral("/v1/scrape"), AuthMode::apiKey);
    co_return co_await send<ScrapeResult>(spec);
}

QCoro::Task<QList<Reaction>> APIClient::reactionList(const QString& path,
                                                     QMap<QString, QString> query) const {
    bool limited = false;
    qint64 limit = query.value(QStringLiteral("limit")).toLongLong(&limited);
    if (!limited)
        limit = std::numeric_limits<qint64>::max();
    const APIRequestSpec spec = get(path, std::move(query), AuthMode::userBearer);
    co_return co_await sendItems<Reaction>(spec, limit);
}

} // namespace quelvio
