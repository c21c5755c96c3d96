#include "APIClient.h"
#include "AsyncTest.h"
#include "TestHttpServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
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

using Call = std::function<QCoro::Task<QJsonValue>(const APIClient&)>;

template <typename F>
Call call(F f) {
    return [f](const APIClient& c) -> QCoro::Task<QJsonValue> {
        using T = typename decltype(f(c))::value_type;
        if constexpr (std::is_void_v<T>) {
            co_await f(c);
            co_return QJsonValue();
        } else {
            co_return returned(co_await f(c));
        }
    };
}

} // namespace

Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(Credential)

class TestAPIClient : public QObject {
    Q_OBJECT

    QNetworkAccessManager m_network;

    // Credentials as a user pastes them: the headers carry them trimmed.
    APIClient client(const TestHttpServer& server, std::optional<QString> token = u" tok\n"_s,
                     std::optional<QString> key = u"\tkey "_s) {
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
        QTest::addColumn<Call>("run");
        QTest::addColumn<QByteArray>("request"); // method, path and query as sent
        QTest::addColumn<Credential>("credential");
        QTest::addColumn<QByteArray>("body"); // empty when none is sent
        QTest::addColumn<QByteArray>("reply");
        // The member of the reply the call returns; empty for the whole reply, "-" when it returns nothing.
        QTest::addColumn<QString>("returns");
        auto row = [](const char* name, Call run, const char* request, Credential credential,
                      const QByteArray& body, const QByteArray& reply, const char* returns) {
            QTest::newRow(name) << run << QByteArray(request) << credential << body << reply
                                << QString::fromLatin1(returns);
        };
        using C = const APIClient&;
        using enum Credential;
        const QByteArray session = R"({"token": "t", "user": )" + userJson + "}";
        const QByteArray user = R"({"user": )" + userJson + "}";
        const QByteArray reactions =
            R"({"items": [{"id": 9, "kind": "report", "target_type": "product", "product_id": 4}]})";

        row("health", call([](C c) { return c.health(); }), "GET /health", none, "",
            R"({"status": "ok", "service": "zeltor"})", "");
        row("sources", call([](C c) { return c.sources(true); }), "GET /v1/sources?included=1", none, "",
            R"({"items": [{"slug": "a", "name": "A", "included": false}]})", "items");
        row("requestSource", call([](C c) { return c.requestSource(u"shop.example"_s, u"Shop"_s); }),
            "POST /v1/sources/requests", bearer, R"({"url": "shop.example", "name": "Shop"})",
            R"({"item": {"slug": "s", "name": "S", "included": false}})", "item");
        row("categories", call([](C c) { return c.categories(false); }), "GET /v1/categories?active=0", none,
            "", R"({"items": [{"id": "sms", "count": 3}]})", "items");
        row("products", call([](C c) {
                return c.products(u"a b"_s, u"codex"_s, u"plus"_s, u"c++&#"_s, false, ProductSort::priceAsc,
                                  100, 0);
            }),
            "GET /v1/products?active=0&category=codex&limit=100&offset=0&order=asc&q=c%2B%2B%26%23&sort=price"
            "&source=a%20b&subtype=plus",
            bearer, "", R"({"items": [{"id": 1, "name": "a"}, {"id": 2, "name": "b", "price": "3.50"}]})",
            "items");
        row("product", call([](C c) { return c.product(Q_INT64_C(9007199254740993)); }),
            "GET /v1/products/9007199254740993", bearer, "",
            R"({"id": 9007199254740993, "name": "p", "goodwill": 3})", "");
        row("history", call([](C c) { return c.history(5, 80); }), "GET /v1/products/5/history?limit=80",
            none, "", R"({"items": [{"id": 1, "product_id": 5, "price": "2", "captured_at": "t"}]})",
            "items");
        row("priceChanges", call([](C c) { return c.priceChanges(20); }), "GET /v1/prices/changes?limit=20",
            none, "",
            R"({"items": [{"product_id": 1, "name": "n", "old_price": "1", "new_price": "2", "captured_at": "t"}]})",
            "items");
        row("scrapeRuns", call([](C c) { return c.scrapeRuns(50); }), "GET /v1/scrape-runs?limit=50", none,
            "", R"({"items": [{"id": 1, "status": "failed", "started_at": "t"}]})", "items");
        row("register", call([](C c) {
                return c.registerUser({u" 用户 "_s, u" p "_s, u" CODE \n"_s});
            }),
            "POST /v1/auth/register", none,
            R"({"username": " 用户 ", "password": " p ", "redeem_code": "CODE"})", session, "");
        row("register blank code", call([](C c) {
                return c.registerUser({u"u"_s, u"p"_s, u"  "_s});
            }),
            "POST /v1/auth/register", none, R"({"username": "u", "password": "p"})", session, "");
        row("login", call([](C c) {
                return c.login({u"u"_s, u"p"_s, u"CODE"_s});
            }),
            "POST /v1/auth/login", none, R"({"username": "u", "password": "p"})",
            R"({"token": "t2", "redeem_warning": "w", "user": )" + userJson + "}", "");
        row("logout", call([](C c) { return c.logout(); }), "POST /v1/auth/logout", bearer, "", "{}", "-");
        row("me", call([](C c) { return c.me(); }), "GET /v1/me", bearer, "", user, "user");
        row("redeem", call([](C c) { return c.redeem(u" VIP "_s); }), "POST /v1/me/redeem", bearer,
            R"({"code": " VIP "})", user, "user");
        row("favorites", call([](C c) { return c.favorites(u"product"_s, ProductSort::changeDesc, 100, 0); }),
            "GET /v1/me/favorites?limit=100&order=desc&sort=change_pct&type=product", bearer, "", reactions,
            "items");
        row("upsertReaction",
            call([](C c) { return c.upsertReaction(ReactionRequest::forProduct(ReactKind::favorite, 42)); }),
            "POST /v1/reactions", bearer,
            R"({"kind": "favorite", "target_type": "product", "product_id": 42})",
            R"({"item": {"id": 1, "kind": "favorite", "target_type": "product", "product_id": 42}})", "item");
        row("deleteReaction",
            call([](C c) { return c.deleteReaction(ReactionRequest::forSource(ReactKind::down, u"hub"_s)); }),
            "DELETE /v1/reactions", bearer, R"({"kind": "down", "target_type": "source", "source": "hub"})",
            R"({"ok": true})", "-");
        row("adminUsers", call([](C c) { return c.adminUsers(u"小明"_s, 50); }),
            "GET /v1/admin/users?limit=50&q=%E5%B0%8F%E6%98%8E", bearer, "",
            R"({"items": [)" + userJson + "]}", "items");
        row("setUserRole", call([](C c) { return c.setUserRole(7, u"admin"_s); }), "PATCH /v1/admin/users/7",
            bearer, R"({"role": "admin"})", user, "user");
        row("adminCodes", call([](C c) { return c.adminCodes(100); }), "GET /v1/admin/codes?limit=100",
            bearer, "", R"({"items": [{"id": 2, "code": "VIP", "max_uses": 5}]})", "items");
        row("createCode", call([](C c) { return c.createCode(CreateCodeRequest{}); }), "POST /v1/admin/codes",
            bearer, "{}", R"({"item": {"id": 1, "code": "c", "used_count": 0}})", "item");
        row("adminReports", call([](C c) { return c.adminReports(100); }), "GET /v1/admin/reports?limit=100",
            bearer, "", reactions, "items");
        row("scrape", call([](C c) { return c.scrape(u"hub"_s); }), "POST /v1/scrape/hub", apiKey, "",
            R"({"status": "running", "run_id": 3})", "");
        row("scrapeAll", call([](C c) { return c.scrapeAll(); }), "POST /v1/scrape", apiKey, "",
            R"({"status": "success", "items_upserted": 12})", "");
    }

    void everyEndpointSendsItsRequestAndReturnsTheReply() {
        QFETCH(Call, run);
        QFETCH(QByteArray, request);
        QFETCH(Credential, credential);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, reply);
        QFETCH(QString, returns);
        const QByteArray method = request.first(request.indexOf(' '));
        const QByteArray target = request.sliced(method.size() + 1);
        const QString path = QString::fromUtf8(target.split('?').first());
        TestHttpServer server;
        server.route(method, path, {200, reply});

        const auto outcome = await(run(client(server)));
        QVERIFY(outcome.finished);
        if (const auto error = outcome.errorAs<ZeltorAPIError>())
            QFAIL(qPrintable(error->errorDescription()));
        const QJsonObject object = QJsonDocument::fromJson(reply).object();
        if (returns != u"-")
            QCOMPARE(*outcome.value, returns.isEmpty() ? QJsonValue(object) : object.value(returns));

        QCOMPARE(server.requests().size(), 1);
        const auto& seen = server.requests().first();
        QCOMPARE(seen.method, method);
        QCOMPARE(seen.path, path);
        QCOMPARE(seen.hasQuery, target.contains('?'));
        QCOMPARE(seen.rawQuery, target.contains('?') ? target.sliced(target.indexOf('?') + 1) : "");
        QCOMPARE(seen.header("Accept"), QByteArray("application/json"));
        QCOMPARE(seen.header("Authorization"),
                 credential == Credential::bearer ? QByteArray("Bearer tok") : "");
        QCOMPARE(seen.hasHeader("Authorization"), credential == Credential::bearer);
        QCOMPARE(seen.header("X-API-Key"), credential == Credential::apiKey ? QByteArray("key") : "");
        QCOMPARE(seen.hasHeader("X-API-Key"), credential == Credential::apiKey);
        QCOMPARE(seen.hasHeader("Content-Type"), !body.isEmpty());
        if (!body.isEmpty())
            QCOMPARE(seen.header("Content-Type"), QByteArray("application/json; charset=utf-8"));
        QCOMPARE(QJsonDocument::fromJson(seen.body), QJsonDocument::fromJson(body));
    }

    void statusesMapToErrors() {
        TestHttpServer server;
        const APIClient c = client(server);
        auto me = [&](int status, const QByteArray& body) {
            server.route("GET", u"/v1/me"_s, {status, body});
            return failureOf(c.me());
        };
        QCOMPARE(me(404, R"({"error": "not found"})"), ZeltorAPIError::http(404, u"not found"_s));
        QCOMPARE(me(401, R"({"error": "token expired"})"), ZeltorAPIError::unauthorized(u"token expired"_s));
        QCOMPARE(me(401, "").statusCode(), std::optional(401));
        // Without an error text the status's reason stands in.
        QCOMPARE(me(500, ""), ZeltorAPIError::http(500, APIClient::reasonPhrase(500)));
        QCOMPARE(me(503, R"({"error": {"text": "x"}})"),
                 ZeltorAPIError::http(503, APIClient::reasonPhrase(503)));
        // A conflict is its own error only for source requests.
        QCOMPARE(me(409, R"({"error": "exists"})"), ZeltorAPIError::http(409, u"exists"_s));
        // Qt files 407 under its proxy errors; it is still the server's answer.
        const ZeltorAPIError proxy = me(407, R"({"error": "需要代理认证"})");
        QCOMPARE(proxy, ZeltorAPIError::http(407, u"需要代理认证"_s));
        QCOMPARE(proxy.statusCode(), std::optional(407));
    }

    void successfulRepliesMustDecode() {
        TestHttpServer server;
        server.route("POST", u"/v1/auth/logout"_s, {200, ""});
        QCOMPARE(failureOf(client(server).logout()).kind(), ZeltorAPIError::Kind::decoding);
    }

    void sourceRequestConflicts() {
        TestHttpServer server;
        const APIClient c = client(server);
        auto conflict = [&](const QByteArray& body) {
            server.route("POST", u"/v1/sources/requests"_s, {409, body});
            return failureOf(c.requestSource(u"https://s"_s, std::nullopt));
        };
        QCOMPARE(conflict(R"({"error": "exists", "item": {"slug": "s", "name": "S"}})"),
                 ZeltorAPIError::sourceConflict(u"exists"_s, Source{.slug = u"s"_s, .name = u"S"_s}));
        QCOMPARE(conflict("not json"),
                 ZeltorAPIError::sourceConflict(APIClient::reasonPhrase(409), std::nullopt));
        // The message follows the usual rule even when the item is broken.
        QCOMPARE(conflict(R"({"error": "dup", "item": {"name": "S"}})"),
                 ZeltorAPIError::sourceConflict(u"dup"_s, std::nullopt));
    }

    void aClientWithoutCredentials() {
        TestHttpServer server;
        server.route("GET", u"/v1/products"_s, {200, R"({"items": []})"});
        server.route("GET", u"/v1/products/3"_s, {200, R"({"id": 3, "name": "p"})"});
        server.route("POST", u"/v1/auth/logout"_s, {200, "{}"});
        const APIClient signedOut = client(server, u" \t "_s, u"\n"_s);
        QCOMPARE(failureOf(signedOut.me()), ZeltorAPIError::unauthorized(u"login required"_s));
        QCOMPARE(failureOf(signedOut.requestSource(u"u"_s, std::nullopt)),
                 ZeltorAPIError::unauthorized(u"login required"_s));
        QCOMPARE(failureOf(signedOut.scrape(u"hub"_s)), ZeltorAPIError::missingAPIKey());
        QCOMPARE(failureOf(client(server).scrape(u"two words"_s)), ZeltorAPIError::invalidURL());
        QVERIFY(server.requests().isEmpty());

        // Products are open to all, and signing out never fails for lack of a token.
        QVERIFY(await(signedOut.products(std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                         ProductSort::goodwill, 10, 0))
                    .value);
        QVERIFY(await(signedOut.product(3)).value);
        QVERIFY(await(signedOut.logout()).value);
        QCOMPARE(server.requests().size(), 3);
        for (const auto& seen : server.requests()) {
            QVERIFY(!seen.hasHeader("Authorization"));
            QVERIFY(!seen.hasHeader("X-API-Key"));
        }
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

        // A server that never answers.
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

    // Announced or not, a body past the cap is abandoned; a page keeps no more than it asked for.
    void repliesAreBoundedByConstruction() {
        TestHttpServer server;
        QByteArray huge(APIClient::maxReplyBytes + 1024, ' ');
        huge.prepend(R"({"status": "ok", "pad": ")");
        huge.append(R"("})");
        server.route("GET", u"/health"_s, {200, huge});
        QCOMPARE(failureOf(client(server).health()), ZeltorAPIError::transport(u"响应过大"_s));

        // No length given: the body ends with the connection, and is cut while it streams.
        QTcpServer endless;
        QVERIFY(endless.listen(QHostAddress::LocalHost));
        QObject::connect(&endless, &QTcpServer::newConnection, &endless, [&endless] {
            QTcpSocket* socket = endless.nextPendingConnection();
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n");
            auto* more = new QTimer(socket);
            QObject::connect(more, &QTimer::timeout, socket, [socket] {
                if (socket->bytesToWrite() < 4 * 1024 * 1024)
                    socket->write(QByteArray(1024 * 1024, ' '));
            });
            more->start(0);
        });
        const APIClient streaming(
            APIRequestFactory{u"http://127.0.0.1:%1"_s.arg(endless.serverPort()), {}, {}}, &m_network);
        QCOMPARE(failureOf(streaming.health()), ZeltorAPIError::transport(u"响应过大"_s));

        QJsonArray items;
        for (int i = 0; i < 150; ++i)
            items.append(QJsonObject{{"id", i + 1}, {"name", u"P%1"_s.arg(i + 1)}, {"price", "1"}});
        server.route("GET", u"/v1/products"_s, {200, QJsonDocument(QJsonObject{{"items", items}}).toJson()});
        const auto page =
            await(client(server).products(std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                          std::nullopt, ProductSort::goodwill, 100, 0));
        QCOMPARE(page.value->size(), 100);
        QCOMPARE(page.value->last().id, 100);
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
