#pragma once

#include "APIJSON.h"
#include "APIRequestFactory.h"
#include "Models.h"
#include "ZeltorAPIError.h"

#include <QCoroTask>
#include <QPointer>
#include <chrono>

class QNetworkAccessManager;

namespace quelvio {

// One operation per server call. Every failure reaches the caller as a thrown ZeltorAPIError.
// The client is a value: copies are independent, and a call in flight keeps what it needs, so
// replacing the client (new address, token or key) never disturbs calls already under way.
class APIClient {
public:
    // Replies larger than this are abandoned: nothing the server sends legitimately comes close.
    static constexpr qint64 maxReplyBytes = 32 * 1024 * 1024;
    // What Qt may buffer of a reply before we read it.
    static constexpr qint64 readBufferBytes = 256 * 1024;

    // However slowly a server answers, no call takes longer than this; the 60-second inactivity
    // timeout alone lets a reply that trickles a byte now and then hold a call for ever.
    static constexpr std::chrono::milliseconds defaultDeadline{90'000};
    // Every refresh waits for the health check first: a hanging /health must not hold them all
    // for the whole deadline.
    static constexpr std::chrono::milliseconds defaultHealthDeadline{10'000};

    APIClient(APIRequestFactory factory, QNetworkAccessManager* session,
              std::chrono::milliseconds deadline = defaultDeadline,
              std::chrono::milliseconds healthDeadline = defaultHealthDeadline);

    const APIRequestFactory& factory() const { return m_factory; }
    QNetworkAccessManager* session() const { return m_session; }

    QCoro::Task<Health> health() const;
    QCoro::Task<QList<Source>> sources(std::optional<bool> included) const;
    QCoro::Task<Source> requestSource(const QString& url, const std::optional<QString>& name) const;
    QCoro::Task<QList<ProductCategory>> categories(std::optional<bool> active) const;
    QCoro::Task<QList<Product>> products(const std::optional<QString>& source,
                                         const std::optional<QString>& category,
                                         const std::optional<QString>& subtype,
                                         const std::optional<QString>& query, std::optional<bool> active,
                                         ProductSort sort, qint64 limit, qint64 offset) const;
    QCoro::Task<Product> product(qint64 id) const;
    QCoro::Task<QList<PriceSnapshot>> history(qint64 productID, qint64 limit) const;
    QCoro::Task<QList<PriceChange>> priceChanges(qint64 limit) const;
    QCoro::Task<QList<ScrapeRun>> scrapeRuns(qint64 limit) const;
    QCoro::Task<AuthSession> registerUser(const AuthCredentials& credentials) const; // "register" is reserved
    QCoro::Task<AuthSession> login(const AuthCredentials& credentials) const;
    QCoro::Task<void> logout() const;
    QCoro::Task<User> me() const;
    QCoro::Task<User> redeem(const QString& code) const;
    QCoro::Task<QList<Reaction>> favorites(const std::optional<QString>& type,
                                           std::optional<ProductSort> sort, qint64 limit,
                                           qint64 offset) const;
    QCoro::Task<Reaction> upsertReaction(const ReactionRequest& request) const;
    QCoro::Task<void> deleteReaction(const ReactionRequest& request) const;
    QCoro::Task<QList<User>> adminUsers(const std::optional<QString>& query, qint64 limit) const;
    QCoro::Task<User> setUserRole(qint64 id, const QString& role) const;
    QCoro::Task<QList<RedeemCode>> adminCodes(qint64 limit) const;
    QCoro::Task<RedeemCode> createCode(const CreateCodeRequest& request) const;
    QCoro::Task<QList<Reaction>> adminReports(qint64 limit) const;
    QCoro::Task<ScrapeResult> scrape(const QString& slug) const;
    QCoro::Task<ScrapeResult> scrapeAll() const;

    // Sends the request and decodes a 2xx reply as T.
    template <json::Record T>
    QCoro::Task<T> send(APIRequestSpec spec) const {
        // Built before the first suspension: a request that cannot be built sends nothing.
        const URLRequest request = m_factory.urlRequest(spec);
        const Reply reply = co_await transfer(m_session, request, m_deadline);
        co_return decodeSuccess<T>(reply);
    }

    // Sends the request and decodes the "items" of a 2xx reply, at most `limit` of them.
    template <json::Record T>
    QCoro::Task<QList<T>> sendItems(APIRequestSpec spec, qint64 limit) const {
        const URLRequest request = m_factory.urlRequest(spec);
        const Reply reply = co_await transfer(m_session, request, m_deadline);
        if (reply.status < 200 || reply.status > 299)
            throw failure(reply);
        try {
            co_return APIJSON::decoder().decodeItems<T>(reply.body, limit);
        } catch (const APIJSON::DecodingError& e) {
            throw ZeltorAPIError::decoding(e.message());
        }
    }

    // The raw outcome of one exchange; public for the event stream and tests.
    struct Reply {
        int status = 0;
        QByteArray body;
    };

    // Sends the request and waits for the whole reply. Transport failures (no connection, time-out,
    // abort, a reply over maxReplyBytes, the deadline passed, a non-HTTP reply) throw transport.
    static QCoro::Task<Reply> transfer(QPointer<QNetworkAccessManager> session, URLRequest request,
                                       std::chrono::milliseconds deadline = defaultDeadline);

    // The text of a failed reply: the body's non-empty "error", else the status's reason phrase.
    static QString errorMessage(const Reply& reply);
    static QString reasonPhrase(int status);

private:
    template <json::Record T>
    static T decodeSuccess(const Reply& reply) {
        if (reply.status < 200 || reply.status > 299)
            throw failure(reply);
        try {
            return APIJSON::decode<T>(reply.body);
        } catch (const APIJSON::DecodingError& e) {
            throw ZeltorAPIError::decoding(e.message());
        }
    }

    static ZeltorAPIError failure(const Reply& reply);
    APIRequestSpec get(const QString& path, QMap<QString, QString> query, AuthMode auth) const;
    QCoro::Task<QList<Reaction>> reactionList(const QString& path, QMap<QString, QString> query) const;

    APIRequestFactory m_factory;
    QPointer<QNetworkAccessManager> m_session;
    std::chrono::milliseconds m_deadline;
    std::chrono::milliseconds m_healthDeadline;
};

} // namespace quelvio
