#include "DemoServer.h"
#include "HttpClient.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

using namespace quelvio::demo;
using namespace quelvio::demo::testing;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Collects an event stream as it arrives and reads the "data:" messages out of it.
class StreamReader {
public:
    explicit StreamReader(std::unique_ptr<QNetworkReply> reply)
        : m_reply(std::move(reply)) {
        QObject::connect(m_reply.get(), &QNetworkReply::readyRead, m_reply.get(),
                         [this] { m_bytes += m_reply->readAll(); });
    }

    QNetworkReply& reply() { return *m_reply; }
    const QByteArray& bytes() const { return m_bytes; }

    QList<QJsonObject> messages() const {
        QList<QJsonObject> result;
        for (const QByteArray& line : m_bytes.split('\n'))
            if (line.startsWith("data: "))
                result.append(QJsonDocument::fromJson(line.mid(6)).object());
        return result;
    }

    QStringList types() const {
        QStringList result;
        for (const QJsonObject& m : messages())
            result.append(m[u"type"_s].toString());
        return result;
    }

    bool waitFor(const QString& type, int count = 1, int ms = 5000) {
        return QTest::qWaitFor([&] { return types().count(type) >= count; }, ms);
    }

    bool waitForEnd(int ms = 5000) {
        return QTest::qWaitFor([&] { return m_reply->isFinished(); }, ms);
    }

private:
    std::unique_ptr<QNetworkReply> m_reply;
    QByteArray m_bytes;
};

} // namespace

class TestDemoServerStream : public QObject {
    Q_OBJECT

    std::unique_ptr<DemoServer> server;
    std::unique_ptr<HttpClient> http;

    void start(DemoServer::Options options = {}) {
        http.reset();
        server = std::make_unique<DemoServer>(std::move(options));
        QVERIFY(server->listen() != 0);
        http = std::make_unique<HttpClient>(server->baseUrl());
    }

    std::unique_ptr<StreamReader> connectStream() {
        return std::make_unique<StreamReader>(http->open(u"/v1/stream"_s));
    }

private slots:
    void init() { start(); }

    void cleanup() {
        http.reset();
        server.reset();
    }

    void greetsThenCarriesScrapeEvents() {
        auto stream = connectStream();
        QVERIFY(stream->waitFor(u"hello"_s));
        QCOMPARE(stream->reply().attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        QVERIFY(stream->reply().rawHeader("Content-Type").startsWith("text/event-stream"));
        QCOMPARE(stream->reply().rawHeader("Transfer-Encoding"), QByteArray("chunked"));

        HttpClient operatorClient(server->baseUrl());
        operatorClient.apiKey = server->apiKey();
        QCOMPARE(operatorClient.send("POST", u"/v1/scrape/quartz-api"_s).status, 200);
        QVERIFY(stream->waitFor(u"scrape.finished"_s));
        QCOMPARE(stream->types(), (QStringList{u"hello"_s, u"price.updated"_s, u"scrape.finished"_s}));

        // One data line per message, a blank line after each, a full RFC 3339 time in each.
        static const QRegularExpression rfc3339(u"^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}Z$"_s);
        for (const QJsonObject& m : stream->messages())
            QVERIFY2(rfc3339.match(m[u"at"_s].toString()).hasMatch(), qPrintable(m[u"at"_s].toString()));
        const QList<QByteArray> blocks = stream->bytes().split('\n');
        QCOMPARE(blocks.size(), 7); // three "data:" lines, three blank lines, and the empty tail
        for (qsizetype i = 0; i < 6; i += 2) {
            QVERIFY(blocks[i].startsWith("data: {"));
            QVERIFY(blocks[i + 1].isEmpty());
        }

        // A refused scrape announces nothing.
        operatorClient.apiKey = u"wrong"_s;
        QCOMPARE(operatorClient.send("POST", u"/v1/scrape"_s).status, 401);
        QTest::qWait(100);
        QCOMPARE(stream->types().size(), 3);
    }

    void heartbeatsAtTheConfiguredInterval() {
        start(DemoServer::Options{.heartbeatInterval = 50ms});
        auto stream = connectStream();
        QVERIFY(stream->waitFor(u"heartbeat"_s, 3));
        QCOMPARE(stream->types().first(), u"hello"_s);
    }

    void scrapesOnATimerWhenAsked() {
        start(DemoServer::Options{.scrapeEvery = 1s});
        auto stream = connectStream();
        QVERIFY(stream->waitFor(u"hello"_s));
        QVERIFY(stream->waitFor(u"scrape.finished"_s, 1, 5000));
        const QJsonArray runs = http->get(u"/v1/scrape-runs"_s, {{u"limit"_s, u"1"_s}}).items();
        QCOMPARE(runs[0][u"status"_s].toString(), u"success"_s);
        for (const RecordedRequest& r : server->requests())
            QVERIFY(!r.path.startsWith(u"/v1/scrape/"_s) && r.path != u"/v1/scrape"_s);
    }

    void servesManyClientsAndForgetsDepartedOnes() {
        QSignalSpy changes(server.get(), &DemoServer::streamClientsChanged);
        auto a = connectStream();
        auto b = connectStream();
        auto c = connectStream();
        QVERIFY(a->waitFor(u"hello"_s) && b->waitFor(u"hello"_s) && c->waitFor(u"hello"_s));
        QCOMPARE(server->streamClientCount(), 3);

        b->reply().abort();
        b.reset();
        QTRY_COMPARE(server->streamClientCount(), 2);
        QCOMPARE(changes.last().first().toInt(), 2);

        // Writing after the departure reaches the others and nobody else.
        server->announce(u"price.updated"_s);
        QVERIFY(a->waitFor(u"price.updated"_s) && c->waitFor(u"price.updated"_s));

        server->closeStreams();
        QVERIFY(a->waitForEnd() && c->waitForEnd());
        QCOMPARE(a->reply().error(), QNetworkReply::NoError);
        QCOMPARE(server->streamClientCount(), 0);
        server->announce(u"price.updated"_s); // nobody left to write to
        QCOMPARE(a->types().count(u"price.updated"_s), 1);
    }

    void tearsDownWithStreamsOpen() {
        auto stream = connectStream();
        QVERIFY(stream->waitFor(u"hello"_s));
        server.reset();
        QVERIFY(stream->waitForEnd());
    }

    void followsStreamScripts() {
        server->scriptStream({.status = 503});
        server->scriptStream(
            {.lines = {"event: scrape.finished", "data: {}", "", ": comment"}, .close = true});
        server->scriptStream(
            {.hello = false, .lines = {"data: {\"type\":\"price.updated\"}", ""}, .close = true});

        auto refused = connectStream();
        QVERIFY(refused->waitForEnd());
        QCOMPARE(refused->reply().attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 503);
        QVERIFY(!QJsonDocument::fromJson(refused->bytes()).object()[u"error"_s].toString().isEmpty());

        auto scripted = connectStream();
        QVERIFY(scripted->waitForEnd());
        QCOMPARE(scripted->reply().error(), QNetworkReply::NoError);
        QVERIFY(scripted->bytes().endsWith("event: scrape.finished\ndata: {}\n\n: comment\n"));
        QCOMPARE(scripted->types().first(), u"hello"_s);

        auto bare = connectStream();
        QVERIFY(bare->waitForEnd());
        QCOMPARE(bare->bytes(), QByteArray("data: {\"type\":\"price.updated\"}\n\n"));

        // Scripts are used up: the next connection gets the ordinary stream.
        auto ordinary = connectStream();
        QVERIFY(ordinary->waitFor(u"hello"_s));
        QVERIFY(!ordinary->reply().isFinished());
        server->sendStreamLines({"data: {\"type\":\"x\"}", ""});
        QVERIFY(ordinary->waitFor(u"x"_s));
    }

    void faultsReplaceTheAnswer() {
        server->injectFault(u"/v1/products"_s, {.status = 500, .body = "not json at all", .times = 1});
        Response r = http->get(u"/v1/products"_s, {{u"limit"_s, u"5"_s}});
        QCOMPARE(r.status, 500);
        QCOMPARE(r.body, QByteArray("not json at all"));
        r = http->get(u"/v1/products"_s, {{u"limit"_s, u"5"_s}});
        QCOMPARE(r.status, 200);
        QCOMPARE(r.items().size(), 5);

        // Other paths are untouched; a fault lasts until cleared when no count is given.
        server->injectFault(u"/v1/me"_s, {.status = 401, .body = R"({"error":"token expired"})"});
        QCOMPARE(http->get(u"/health"_s).status, 200);
        for (int i = 0; i < 2; ++i) {
            r = http->get(u"/v1/me"_s);
            QCOMPARE(r.status, 401);
            QCOMPARE(r.errorText(), u"token expired"_s);
        }
        server->clearFaults();
        QCOMPARE(http->get(u"/v1/me"_s).errorText().isEmpty(), false);
        QVERIFY(http->get(u"/v1/me"_s).errorText() != u"token expired"_s);

        server->injectFault(u"/v1/stream"_s, {.status = 502, .times = 1});
        auto stream = std::make_unique<StreamReader>(http->open(u"/v1/stream"_s));
        QVERIFY(stream->waitForEnd());
        QCOMPARE(stream->reply().attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 502);
    }

    void faultsDelayOrWithholdTheAnswer() {
        server->injectFault(u"/health"_s, {.delay = 300ms, .times = 1});
        QElapsedTimer timer;
        timer.start();
        Response r = http->get(u"/health"_s);
        QVERIFY2(timer.elapsed() >= 290, QByteArray::number(timer.elapsed()));
        QCOMPARE(r.status, 200); // the real answer, late
        QCOMPARE(r.object()[u"status"_s].toString(), u"ok"_s);

        server->injectFault(u"/v1/categories"_s, {.neverAnswer = true});
        http->timeoutMs = 300;
        r = http->get(u"/v1/categories"_s);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.error, QNetworkReply::OperationCanceledError);

        // A delayed answer whose client has gone is dropped without harm.
        server->injectFault(u"/v1/sources"_s, {.delay = 400ms});
        r = http->get(u"/v1/sources"_s);
        QCOMPARE(r.status, 0);
        QTest::qWait(250);
        http->timeoutMs = 5000;
        QCOMPARE(http->get(u"/health"_s).status, 200);
    }

    void recordsEveryRequest() {
        server->clearRequests();
        QSignalSpy received(server.get(), &DemoServer::requestReceived);
        http->token = u"tok"_s;
        http->get(u"/v1/products"_s, {{u"q"_s, u"a b+c"_s}, {u"limit"_s, u"1"_s}});
        http->token.clear();
        http->apiKey = server->apiKey();
        http->send("POST", u"/v1/scrape/quartz-api"_s);
        http->apiKey.clear();
        http->send("DELETE", u"/v1/reactions"_s, {{"kind", "down"}});

        const QList<RecordedRequest> log = server->requests();
        QCOMPARE(log.size(), 3);
        QCOMPARE(received.size(), 3);
        QCOMPARE(received[1][0].value<RecordedRequest>().path, u"/v1/scrape/quartz-api"_s);
        QCOMPARE(log[0].method, QByteArray("GET"));
        QCOMPARE(log[0].path, u"/v1/products"_s);
        QCOMPARE(log[0].rawQuery, QByteArray("q=a%20b%2Bc&limit=1"));
        QCOMPARE(log[0].queryValue(u"q"_s), std::optional(u"a b+c"_s));
        QCOMPARE(log[0].queryValue(u"offset"_s), std::nullopt);
        QCOMPARE(log[0].header("authorization"), QByteArray("Bearer tok"));
        QCOMPARE(log[0].header("accept"), QByteArray("application/json"));
        QCOMPARE(log[1].method, QByteArray("POST"));
        QCOMPARE(log[1].header("X-API-Key"), server->apiKey().toUtf8());
        QVERIFY(log[1].header("Authorization").isEmpty());
        QCOMPARE(log[2].method, QByteArray("DELETE"));
        QCOMPARE(QJsonDocument::fromJson(log[2].body).object(), (QJsonObject{{"kind", "down"}}));
    }
};

QTEST_GUILESS_MAIN(TestDemoServerStream)
#include "tst_DemoServerStream.moc"
