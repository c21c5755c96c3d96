#include "APIClient.h"
#include "AsyncTest.h"
#include "TestHttpServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTest>
#include <functional>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;

namespace {

const QByteArray userJson =
    R"({"id": 7, "username": "u", "role": "user", "is_member": false, "is_admin": false})";

enum class Credential { none, bearer, apiKey };

// What a call returned, encoded back to JSON so that it can be compared with what the server sent.
template <typename T>
QJsonValue returned(const T& value) {
    if constexpr (json::Record<T>) {
        return APIJSON::encoder().encodeObject(value);
    } else {
        QJsonArray array;
        for (const auto& element : value)
            array.append(returned(element));
        return array;
    }
}

template <typename T>
struct TaskValue;
template <typename T>
struct TaskValue<QCoro::Task<T>> {
    using type = T;
};

using Call = std::function<QCoro::Task<QJsonValue>(const APIClient&)>;

template <typename F>
Call call(F f) {
    return [f](const APIClient& c) -> QCoro::Task<QJsonValue> {
        using T = typename TaskValue<decltype(f(c))>::type;
        if constexpr (std::is_void_v<T>) {
            co_await f(c);
            co_return QJsonValue();
        } else {
            co_return returned(co_await f(c));
        }
    };
}

struct EndpointRow {
    const char* name;
    Call run;
    QByteArray method;
    QString path;
    QByteArray query;
    Credential credential;
    QByteArray body; // empty when none is sent
    QByteArray reply;
    // The member of the reply the call returns; empty for the whole reply, "-" when it returns nothing.
    QString returns;
};

const QList<EndpointRow>& endpointRows() {
    static const QList<EndpointRow> rows = [] {
        const std::optional<QString> none;
        const QByteArray sources = R"({"items": [{"slug": "a", "name": "A", "included": false}]})";
        const QByteArray categories = R"({"items": [{"id": "sms", "count": 3}]})";
        const QByteArray products =
            R"({"items": [{"id": 1, "name": "a"}, {"id": 2, "name": "b", "price": "3.50"}]})";
        const QByteArray session = R"({"token": "t", "user": )" + userJson + "}";
        const QByteArray user = R"({"user": )" + userJson + "}";
        const QByteArray reactions =
            R"({"items": [{"id": 9, "kind": "report", "target_type": "product", "product_id": 4}]})";
        QList<EndpointRow> r;
        r.append({"health", call([](const APIClient& c) { return c.health(); }), "GET", u"/health"_s, "",
                  Credential::none, "", R"({"status": "ok", "service": "zeltor"})", u""_s});
        r.append({"sources included", call([](const APIClient& c) { return c.sources(true); }), "GET",
                  u"/v1/sources"_s, "included=1", Credential::none, "", sources, u"items"_s});
        r.append({"requestSource",
                  call([](const APIClient& c) { return c.requestSource(u"shop.example"_s, u"Shop"_s); }),
                  "POST", u"/v1/sources/requests"_s, "", Credential::bearer,
                  R"({"url": "shop.example", "name": "Shop"})",
                  R"({"item": {"slug": "s", "name": "S", "included": false}})", u"item"_s});
        r.append({"categories inactive", call([](const APIClient& c) { return c.categories(false); }), "GET",
                  u"/v1/categories"_s, "active=0", Credential::none, "", categories, u"items"_s});
        r.append({"products", call([none](const APIClient& c) {
                      return c.products(u"a b"_s, u"codex"_s, none, u"c++&#"_s, std::nullopt,
                                        ProductSort::priceAsc, 100, 0);
                  }),
                  "GET", u"/v1/products"_s,
                  "category=codex&limit=100&offset=0&order=asc&q=c%2B%2B%26%23&sort=price&source=a%20b",
                  Credential::bearer, "", products, u"items"_s});
        r.append({"product", call([](const APIClient& c) { return c.product(Q_INT64_C(9007199254740993)); }),
                  "GET", u"/v1/products/9007199254740993"_s, "", Credential::bearer, "",
                  R"({"id": 9007199254740993, "name": "p", "goodwill": 3})", u""_s});
        r.append({"history", call([](const APIClient& c) { return c.history(5, 80); }), "GET",
                  u"/v1/products/5/history"_s, "limit=80", Credential::none, "",
                  R"({"items": [{"id": 1, "product_id": 5, "price": "2", "captured_at": "t"}]})",
                  u"items"_s});
        r.append({"priceChanges", call([](const APIClient& c) { return c.priceChanges(20); }), "GET",
                  u"/v1/prices/changes"_s, "limit=20", Credential::none, "",
                  R"({"items": [{"product_id": 1, "name": "n", "old_price": "1", "new_price": "2",
                      "captured_at": "t"}]})",
                  u"items"_s});
        r.append({"scrapeRuns", call([](const APIClient& c) { return c.scrapeRuns(50); }), "GET",
                  u"/v1/scrape-runs"_s, "limit=50", Credential::none, "",
                  R"({"items": [{"id": 1, "status": "failed", "started_at": "t"}]})", u"items"_s});
        r.append({"register", call([](const APIClient& c) {
                      return c.registerUser({u" 用户 "_s, u" p "_s, u" CODE \n"_s});
                  }),
                  "POST", u"/v1/auth/register"_s, "", Credential::none,
                  R"({"username": " 用户 ", "password": " p ", "redeem_code": "CODE"})", session, u""_s});
        r.append({"register blank code", call([](const APIClient& c) {
                      return c.registerUser({u"u"_s, u"p"_s, u"  "_s});
                  }),
                  "POST", u"/v1/auth/register"_s, "", Credential::none,
                  R"({"username": "u", "password": "p"})", session, u""_s});
        r.append({"login", call([](const APIClient& c) {
                      return c.login({u"u"_s, u"p"_s, u"CODE"_s});
                  }),
                  "POST", u"/v1/auth/login"_s, "", Credential::none, R"({"username": "u", "password": "p"})",
                  R"({"token": "t2", "redeem_warning": "w", "user": )" + userJson + "}", u""_s});
        r.append({"logout", call([](const APIClient& c) { return c.logout(); }), "POST", u"/v1/auth/logout"_s,
                  "", Credential::bearer, "", "{}", u"-"_s});
        r.append({"me", call([](const APIClient& c) { return c.me(); }), "GET", u"/v1/me"_s, "",
                  Credential::bearer, "", user, u"user"_s});
        r.append({"redeem", call([](const APIClient& c) { return c.redeem(u" VIP "_s); }), "POST",
                  u"/v1/me/redeem"_s, "", Credential::bearer, R"({"code": " VIP "})", user, u"user"_s});
        r.append({"favorites", call([](const APIClient& c) {
                      return c.favorites(u"product"_s, ProductSort::changeDesc, 100, 0);
                  }),
                  "GET", u"/v1/me/favorites"_s, "limit=100&order=desc&sort=change_pct&type=product",
                  Credential::bearer, "", reactions, u"items"_s});
        r.append({"upsertReaction", call([](const APIClient& c) {
                      return c.upsertReaction(ReactionRequest::forProduct(ReactKind::favorite, 42));
                  }),
                  "POST", u"/v1/reactions"_s, "", Credential::bearer,
                  R"({"kind": "favorite", "target_type": "product", "product_id": 42})",
                  R"({"item": {"id": 1, "kind": "favorite", "target_type": "product", "product_id": 42}})",
                  u"item"_s});
        r.append({"deleteReaction", call([](const APIClient& c) {
                      return c.deleteReaction(ReactionRequest::forSource(ReactKind::down, u"hub"_s));
                  }),
                  "DELETE", u"/v1/reactions"_s, "", Credential::bearer,
                  R"({"kind": "down", "target_type": "source", "source": "hub"})", R"({"ok": true})",
                  u"-"_s});
        r.append({"adminUsers", call([](const APIClient& c) { return c.adminUsers(u"小明"_s, 50); }), "GET",
                  u"/v1/admin/users"_s, "limit=50&q=%E5%B0%8F%E6%98%8E", Credential::bearer, "",
                  R"({"items": [)" + userJson + "]}", u"items"_s});
        r.append({"setUserRole", call([](const APIClient& c) { return c.setUserRole(7, u"admin"_s); }),
                  "PATCH", u"/v1/admin/users/7"_s, "", Credential::bearer, R"({"role": "admin"})", user,
                  u"user"_s});
        r.append({"adminCodes", call([](const APIClient& c) { return c.adminCodes(100); }), "GET",
                  u"/v1/admin/codes"_s, "limit=100", Credential::bearer, "",
                  R"({"items": [{"id": 2, "code": "VIP", "max_uses": 5}]})", u"items"_s});
        r.append({"createCode", call([](const APIClient& c) { return c.createCode(CreateCodeRequest{}); }),
                  "POST", u"/v1/admin/codes"_s, "", Credential::bearer, "{}",
                  R"({"item": {"id": 1, "code": "c", "used_count": 0}})", u"item"_s});
        r.append({"adminReports", call([](const APIClient& c) { return c.adminReports(100); }), "GET",
                  u"/v1/admin/reports"_s, "limit=100", Credential::bearer, "", reactions, u"items"_s});
        r.append({"scrape", call([](const APIClient& c) { return c.scrape(u"hub"_s); }), "POST",
                  u"/v1/scrape/hub"_s, "", Credential::apiKey, "", R"({"status": "running", "run_id": 3})",
                  u""_s});
        r.append({"scrapeAll", call([](const APIClient& c) { return c.scrapeAll(); }), "POST",
                  u"/v1/scrape"_s, "", Credential::apiKey, "",
                  R"({"status": "success", "items_upserted": 12})", u""_s});
        return r;
    }();
    return rows;
}

} // namespace

class TestAPIClient : public QObject {
    Q_OBJECT

    QNetworkAccessManager m_network;

    APIClient client(const TestHttpServer& server, std::optional<QString> token = u"tok"_s,
                     std::optional<QString> key = u"key"_s) {
        return APIClient(APIRequestFactory{server.baseURL(), std::move(token), std::move(key)}, &m_network);
    }

    template <typename T>
    ZeltorAPIError failureOf(QCoro::Task<T> task) {
        const auto outcome = await(std::move(task));
        if (!outcome.finished)
            return ZeltorAPIError::transport(u"test: task did not finish"_s);
        if (const auto error = outcome.template errorAs<ZeltorAPIError>())
            return *error;
        return ZeltorAPIError::transport(u"test: task did not fail"_s);
    }

private slots:
    void everyEndpointSendsItsRequestAndReturnsTheReply_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < endpointRows().size(); ++i)
            QTest::newRow(endpointRows()[i].name) << i;
    }

    void everyEndpointSendsItsRequestAndReturnsTheReply() {
        QFETCH(int, row);
        const EndpointRow& r = endpointRows()[row];
        TestHttpServer server;
        server.route(r.method, r.path, {200, r.reply});

        const auto outcome = await(r.run(client(server)));
        QVERIFY(outcome.finished);
        if (const auto error = outcome.errorAs<ZeltorAPIError>())
            QFAIL(qPrintable(error->errorDescription()));
        const QJsonObject reply = QJsonDocument::fromJson(r.reply).object();
        if (r.returns != u"-")
            QCOMPARE(*outcome.value, r.returns.isEmpty() ? QJsonValue(reply) : reply.value(r.returns));

        QCOMPARE(server.requests().size(), 1);
        const auto& seen = server.requests().first();
        QCOMPARE(seen.method, r.method);
        QCOMPARE(seen.path, r.path);
        QCOMPARE(seen.rawQuery, r.query);
        QCOMPARE(seen.hasQuery, !r.query.isEmpty());
        QCOMPARE(seen.header("Accept"), QByteArray("application/json"));
        QCOMPARE(seen.header("Authorization"),
                 r.credential == Credential::bearer ? QByteArray("Bearer tok") : "");
        QCOMPARE(seen.hasHeader("Authorization"), r.credential == Credential::bearer);
        QCOMPARE(seen.header("X-API-Key"), r.credential == Credential::apiKey ? QByteArray("key") : "");
        QCOMPARE(seen.hasHeader("X-API-Key"), r.credential == Credential::apiKey);
        QCOMPARE(seen.hasHeader("Content-Type"), !r.body.isEmpty());
        if (!r.body.isEmpty())
            QCOMPARE(seen.header("Content-Type"), QByteArray("application/json; charset=utf-8"));
        QCOMPARE(QJsonDocument::fromJson(seen.body), QJsonDocument::fromJson(r.body));
    }

    void productCallsCarryTheTokenOnlyWhenHeld() {
        TestHttpServer server;
        server.route("GET", u"/v1/products"_s, {200, R"({"items": []})"});
        server.route("GET", u"/v1/products/3"_s, {200, R"({"id": 3, "name": "p"})"});
        const APIClient anonymous = client(server, u"  "_s, u"key"_s);
        QVERIFY(await(anonymous.products(std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                         ProductSort::goodwill, 10, 0))
                    .value);
        QVERIFY(await(anonymous.product(3)).value);
        for (const auto& seen : server.requests()) {
            QVERIFY(!seen.hasHeader("Authorization"));
            QVERIFY(!seen.hasHeader("X-API-Key"));
        }
        // Signing out never fails for lack of a token: it simply goes out without one.
        server.route("POST", u"/v1/auth/logout"_s, {200, "{}"});
        QVERIFY(await(anonymous.logout()).value);
        QVERIFY(!server.requests().last().hasHeader("Authorization"));
    }

    void statusesMapToErrors_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<ZeltorAPIError>("error");
        QTest::newRow("404 with error text")
            << 404 << QByteArray(R"({"error": "not found"})") << ZeltorAPIError::http(404, u"not found"_s);
        QTest::newRow("500 empty body")
            << 500 << QByteArray() << ZeltorAPIError::http(500, APIClient::reasonPhrase(500));
        QTest::newRow("401 with error text") << 401 << QByteArray(R"({"error": "token expired"})")
                                             << ZeltorAPIError::unauthorized(u"token expired"_s);
        QTest::newRow("400 empty error") << 400 << QByteArray(R"({"error": ""})")
                                         << ZeltorAPIError::http(400, APIClient::reasonPhrase(400));
        QTest::newRow("non-string error") << 503 << QByteArray(R"({"error": {"text": "x"}})")
                                          << ZeltorAPIError::http(503, APIClient::reasonPhrase(503));
        QTest::newRow("409 outside source requests")
            << 409 << QByteArray(R"({"error": "exists"})") << ZeltorAPIError::http(409, u"exists"_s);
        // Qt files 407 under its proxy errors; it is still the server's answer.
        QTest::newRow("407") << 407 << QByteArray(R"({"error": "需要代理认证"})")
                             << ZeltorAPIError::http(407, u"需要代理认证"_s);
    }

    void statusesMapToErrors() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(ZeltorAPIError, error);
        TestHttpServer server;
        server.route("GET", u"/v1/me"_s, {status, body});
        const ZeltorAPIError failure = failureOf(client(server).me());
        QVERIFY(failure == error);
        QCOMPARE(failure.statusCode(), std::optional(status));
    }

    void successfulRepliesMustDecode() {
        TestHttpServer server;
        server.route("POST", u"/v1/auth/logout"_s, {200, ""});
        server.route("GET", u"/v1/products"_s, {200, "{}"});
        const APIClient c = client(server);
        QCOMPARE(failureOf(c.logout()).kind(), ZeltorAPIError::Kind::decoding);
        QCOMPARE(failureOf(c.products(std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                      ProductSort::goodwill, 1, 0)),
                 ZeltorAPIError::decoding(u"items: missing"_s));
    }

    void sourceRequestConflicts() {
        TestHttpServer server;
        server.route("POST", u"/v1/sources/requests"_s,
                     {409, R"({"error": "exists", "item": {"slug": "s", "name": "S"}})"});
        const APIClient c = client(server);
        QCOMPARE(failureOf(c.requestSource(u"https://s"_s, std::nullopt)),
                 ZeltorAPIError::sourceConflict(u"exists"_s, Source{.slug = u"s"_s, .name = u"S"_s}));

        server.route("POST", u"/v1/sources/requests"_s, {409, "not json"});
        QCOMPARE(failureOf(c.requestSource(u"https://s"_s, std::nullopt)),
                 ZeltorAPIError::sourceConflict(APIClient::reasonPhrase(409), std::nullopt));

        // The message follows the usual rule even when the item is broken.
        server.route("POST", u"/v1/sources/requests"_s, {409, R"({"error": "dup", "item": {"name": "S"}})"});
        QCOMPARE(failureOf(c.requestSource(u"https://s"_s, std::nullopt)),
                 ZeltorAPIError::sourceConflict(u"dup"_s, std::nullopt));

        server.route("POST", u"/v1/sources/requests"_s, {500, R"({"error": "boom"})"});
        QCOMPARE(failureOf(c.requestSource(u"https://s"_s, std::nullopt)),
                 ZeltorAPIError::http(500, u"boom"_s));
    }

    void failedBuildsSendNothing() {
        TestHttpServer server;
        const APIClient signedOut = client(server, std::nullopt, std::nullopt);
        QCOMPARE(failureOf(signedOut.me()), ZeltorAPIError::unauthorized(u"login required"_s));
        QCOMPARE(failureOf(signedOut.requestSource(u"u"_s, std::nullopt)),
                 ZeltorAPIError::unauthorized(u"login required"_s));
        QCOMPARE(failureOf(signedOut.scrape(u"hub"_s)), ZeltorAPIError::missingAPIKey());
        const APIClient nowhere(APIRequestFactory{u"not a server"_s, u"t"_s, u"k"_s}, &m_network);
        QCOMPARE(failureOf(nowhere.health()), ZeltorAPIError::invalidURL());
        QCOMPARE(failureOf(client(server).scrape(u"two words"_s)), ZeltorAPIError::invalidURL());
        // A request that is sent arrives; had the ones above gone out, they would be seen too.
        server.route("GET", u"/health"_s, {200, R"({"status": "ok"})"});
        QVERIFY(await(client(server).health()).value);
        QCOMPARE(server.requests().size(), 1);
    }

    void transportFailures() {
        // A port nobody listens on any more.
        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            closedPort = probe.serverPort();
        }
        const APIClient refused(APIRequestFactory{u"http://127.0.0.1:%1"_s.arg(closedPort), {}, {}},
                                &m_network);
        const ZeltorAPIError error = failureOf(refused.health());
        QCOMPARE(error.kind(), ZeltorAPIError::Kind::transport);
        QVERIFY2(error.errorDescription().contains(u"refused"_s, Qt::CaseInsensitive),
                 qPrintable(error.errorDescription()));
    }

    void abortingACallInFlightEndsInTransport() {
        TestHttpServer server;
        TestHttpServer::Route silent;
        silent.neverAnswer = true;
        server.route("GET", u"/health"_s, silent);
        auto task = client(server).health();
        QVERIFY(waitUntil([&] { return !server.requests().isEmpty(); }));
        const auto replies = m_network.findChildren<QNetworkReply*>();
        QCOMPARE(replies.size(), 1);
        replies.first()->abort();
        const ZeltorAPIError error = failureOf(std::move(task));
        QCOMPARE(error.kind(), ZeltorAPIError::Kind::transport);
    }

    void aCallThatOutlivesItsDeadlineEndsInTransport() {
        TestHttpServer server;
        TestHttpServer::Route silent;
        silent.neverAnswer = true;
        server.route("GET", u"/health"_s, silent);
        const APIClient slowServerClient(APIRequestFactory{server.baseURL(), {}, {}}, &m_network,
                                         std::chrono::milliseconds(150));
        QCOMPARE(failureOf(slowServerClient.health()), ZeltorAPIError::transport(u"请求超时"_s));
    }

    void credentialsNeverFollowARedirectElsewhere() {
        TestHttpServer origin;
        TestHttpServer elsewhere;
        elsewhere.route(u"/v1/me"_s, {200, R"({"user": {"id": 1, "username": "x", "role": "user"}})"});
        elsewhere.route(u"/v1/scrape"_s, {200, R"({"status": "running"})"});
        origin.route(u"/v1/me"_s, {302, {}, {{"Location", (elsewhere.baseURL() + u"/v1/me"_s).toUtf8()}}});
        origin.route(u"/v1/scrape"_s,
                     {307, {}, {{"Location", (elsewhere.baseURL() + u"/v1/scrape"_s).toUtf8()}}});
        const APIClient signedIn = client(origin, u"secret-token"_s, u"secret-key"_s);
        (void)await(signedIn.me());
        (void)await(signedIn.scrapeAll());
        QCOMPARE(origin.requests().size(), 2);
        for (const auto& request : elsewhere.requests()) {
            QVERIFY(!request.hasHeader("Authorization"));
            QVERIFY(!request.hasHeader("X-API-Key"));
        }
    }

    void oversizedRepliesAreAbandoned() {
        TestHttpServer server;
        QByteArray huge(APIClient::maxReplyBytes + 1024, ' ');
        huge.prepend(R"({"status": "ok", "pad": ")");
        huge.append(R"("})");
        server.route("GET", u"/health"_s, {200, huge});
        QCOMPARE(failureOf(client(server).health()), ZeltorAPIError::transport(u"响应过大"_s));
    }

    void callsRunConcurrentlyAndOutliveTheirClient() {
        TestHttpServer server;
        TestHttpServer::Route slow{200, R"({"status": "slow"})"};
        slow.delayMs = 150;
        server.route("GET", u"/health"_s, slow);
        server.route("GET", u"/v1/me"_s, {200, R"({"user": )" + userJson + "}"});
        auto replaced = std::make_unique<APIClient>(client(server));
        auto slowTask = replaced->health();
        auto fastTask = replaced->me();
        // The application swaps its client when the session changes; calls under way carry on.
        replaced.reset();
        const auto fast = await(std::move(fastTask));
        const auto slowOutcome = await(std::move(slowTask));
        QCOMPARE(fast.value->id, 7);
        QCOMPARE(slowOutcome.value->status, u"slow"_s);
    }
};

QTEST_GUILESS_MAIN(TestAPIClient)
#include "tst_APIClient.moc"
