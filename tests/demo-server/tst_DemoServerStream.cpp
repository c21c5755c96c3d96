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
    int status() const { return m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(); }

    QStringList types() const {
        QStringList result;
        for (const QByteArray& line : m_bytes.split('\n'))
            if (line.startsWith("data: "))
                result.append(QJsonDocument::fromJson(line.mid(6)).object()[u"type"_s].toString());
        return result;
    }

    bool waitFor(const QString& type, int count = 1) {
        return QTest::qWaitFor([&] { return types().count(type) >= count; }, 5000);
    }
    bool waitForEnd() {
        return QTest::qWaitFor([&] { return m_reply->isFinished(); }, 5000);
    }

private:
    std::unique_ptr<QNetworkReply> m_reply;
    QByteArray m_bytes;
};

} // namespace

// What the other suites take from the demo server without checking it themselves: the seeded
// catalogue's variety, the event stream's framing and the test double's controls.
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

    void seededCatalogueHasEveryCaseAndRepeatsPerSeed() {
        const QDateTime anchor(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
        const auto catalogue = [&](quint64 seed) {
            DemoServer other(DemoServer::Options{.seed = seed, .anchor = anchor});
            other.listen();
            return HttpClient(other.baseUrl())
                .get(u"/v1/products"_s, {{u"limit"_s, u"500"_s}, {u"active"_s, u"0"_s}})
                .items();
        };
        const QJsonArray everything = catalogue(1);
        int inactive = 0, moved = 0, fresh = 0, atLow = 0, soldOut = 0;
        for (const QJsonValue& p : everything) {
            inactive += !p[u"is_active"_s].toBool();
            moved += p[u"is_moved"_s].toBool();
            fresh += p[u"is_new"_s].toBool();
            atLow += p[u"at_period_low"_s].toBool();
            soldOut += !p[u"in_stock"_s].toBool(true);
        }
        QVERIFY(inactive > 0 && moved > 0 && fresh > 0 && atLow > 0 && soldOut > 0);
        QCOMPARE(catalogue(1), everything);
        QVERIFY(catalogue(2) != everything);
    }

    void greetsThenCarriesScrapeEventsOneMessageABlock() {
        auto stream = connectStream();
        QVERIFY(stream->waitFor(u"hello"_s));
        QVERIFY(stream->reply().rawHeader("Content-Type").startsWith("text/event-stream"));
        http->apiKey = server->apiKey();
        QCOMPARE(http->send("POST", u"/v1/scrape/quartz-api"_s).status, 200);
        QVERIFY(stream->waitFor(u"scrape.finished"_s));
        QCOMPARE(stream->types(), (QStringList{u"hello"_s, u"price.updated"_s, u"scrape.finished"_s}));

        // One data line with a full RFC 3339 time per message, a blank line after each.
        static const QRegularExpression message(
            u"^data: \\{.*\"at\":\"\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}Z\".*\\}$"_s);
        const QList<QByteArray> lines = stream->bytes().split('\n');
        QCOMPARE(lines.size(), 7); // three messages, three blank lines, and the empty tail
        for (qsizetype i = 0; i < 6; i += 2) {
            QVERIFY2(message.match(QString::fromUtf8(lines[i])).hasMatch(), lines[i].constData());
            QVERIFY(lines[i + 1].isEmpty());
        }
    }

    void heartbeatsAndTimedScrapesWhenAsked() {
        start(DemoServer::Options{.scrapeEvery = 1s, .heartbeatInterval = 50ms});
        auto stream = connectStream();
        QVERIFY(stream->waitFor(u"heartbeat"_s, 3));
        QCOMPARE(stream->types().first(), u"hello"_s);
        QVERIFY(stream->waitFor(u"scrape.finished"_s));
    }

    void servesManyClientsAndForgetsDepartedOnes() {
        auto a = connectStream();
        auto b = connectStream();
        QVERIFY(a->waitFor(u"hello"_s) && b->waitFor(u"hello"_s));
        QCOMPARE(server->streamClientCount(), 2);
        b->reply().abort();
        b.reset();
        QTRY_COMPARE(server->streamClientCount(), 1);
        server->announce(u"price.updated"_s);
        QVERIFY(a->waitFor(u"price.updated"_s));

        server->closeStreams();
        QVERIFY(a->waitForEnd());
        QCOMPARE(a->reply().error(), QNetworkReply::NoError);
        QCOMPARE(server->streamClientCount(), 0);

        // Going away with a stream open ends it too.
        auto c = connectStream();
        QVERIFY(c->waitFor(u"hello"_s));
        server.reset();
        QVERIFY(c->waitForEnd());
    }

    void followsStreamScriptsInOrderThenServesOrdinarily() {
        server->scriptStream({.status = 503});
        server->scriptStream(
            {.lines = {"event: scrape.finished", "data: {}", "", ": comment"}, .close = true});
        server->scriptStream(
            {.hello = false, .lines = {"data: {\"type\":\"price.updated\"}", ""}, .close = true});

        auto refused = connectStream();
        QVERIFY(refused->waitForEnd());
        QCOMPARE(refused->status(), 503);
        QVERIFY(!QJsonDocument::fromJson(refused->bytes()).object()[u"error"_s].toString().isEmpty());
        auto scripted = connectStream();
        QVERIFY(scripted->waitForEnd());
        QCOMPARE(scripted->types().first(), u"hello"_s);
        QVERIFY(scripted->bytes().endsWith("event: scrape.finished\ndata: {}\n\n: comment\n"));
        auto bare = connectStream();
        QVERIFY(bare->waitForEnd());
        QCOMPARE(bare->bytes(), QByteArray("data: {\"type\":\"price.updated\"}\n\n"));

        auto ordinary = connectStream();
        QVERIFY(ordinary->waitFor(u"hello"_s));
        server->sendStreamLines({"data: {\"type\":\"x\"}", ""});
        QVERIFY(ordinary->waitFor(u"x"_s));
        QVERIFY(!ordinary->reply().isFinished());
    }

    void faultsReplaceTheAnswerForTheirPathAndCount() {
        server->injectFault(u"/v1/products"_s, {.status = 500, .body = "not json at all", .times = 1});
        Response r = http->get(u"/v1/products"_s, {{u"limit"_s, u"5"_s}});
        QCOMPARE(r.status, 500);
        QCOMPARE(r.body, QByteArray("not json at all"));
        QCOMPARE(http->get(u"/v1/products"_s, {{u"limit"_s, u"5"_s}}).items().size(), 5);

        // Other paths are untouched; without a count a fault lasts until cleared.
        server->injectFault(u"/v1/me"_s, {.status = 401, .body = R"({"error":"token expired"})"});
        QCOMPARE(http->get(u"/health"_s).status, 200);
        QCOMPARE(http->get(u"/v1/me"_s).errorText(), u"token expired"_s);
        QCOMPARE(http->get(u"/v1/me"_s).errorText(), u"token expired"_s);
        server->clearFaults();
        QVERIFY(http->get(u"/v1/me"_s).errorText() != u"token expired"_s);

        server->injectFault(u"/v1/stream"_s, {.status = 502, .times = 1});
        auto stream = connectStream();
        QVERIFY(stream->waitForEnd());
        QCOMPARE(stream->status(), 502);
    }

    void faultsDelayOrWithholdTheAnswer() {
        server->injectFault(u"/health"_s, {.delay = 300ms, .times = 1});
        server->injectFault(u"/v1/me"_s, {.status = 503, .body = "{}", .delay = 300ms, .times = 1});
        QElapsedTimer timer;
        timer.start();
        Response r = http->get(u"/health"_s);
        QVERIFY2(timer.elapsed() >= 290, QByteArray::number(timer.elapsed()));
        QCOMPARE(r.object()[u"status"_s].toString(), u"ok"_s); // the real answer, late
        timer.start();
        QCOMPARE(http->get(u"/v1/me"_s).status, 503); // or a replaced one, as late
        QVERIFY2(timer.elapsed() >= 290, QByteArray::number(timer.elapsed()));

        server->injectFault(u"/v1/categories"_s, {.neverAnswer = true});
        http->timeoutMs = 300;
        r = http->get(u"/v1/categories"_s);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.error, QNetworkReply::OperationCanceledError);

        // A delayed answer whose client has gone is dropped without harm: this later answer is
        // due after it.
        server->injectFault(u"/v1/sources"_s, {.delay = 400ms});
        QCOMPARE(http->get(u"/v1/sources"_s).status, 0);
        server->injectFault(u"/health"_s, {.delay = 300ms, .times = 1});
        http->timeoutMs = 5000;
        QCOMPARE(http->get(u"/health"_s).status, 200);
    }
};

QTEST_GUILESS_MAIN(TestDemoServerStream)
#include "tst_DemoServerStream.moc"
