// Start-up, the refresh of what is shown, the polling loop and the event stream.
#include "AppStateFixture.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>

Q_DECLARE_METATYPE(quelvio::demo::StreamScript)
Q_DECLARE_METATYPE(quelvio::demo::Fault)

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using quelvio::demo::StreamScript;
using namespace std::chrono_literals;

namespace {

// Starts the state and waits until its first refresh is done and the stream is connected.
void startConnected(AppStateFixture& f, AppState& s) {
    s.start();
    QVERIFY(waitUntil([&] { return f.server.streamClientCount() == 1; }));
    f.settle();
    f.server.clearRequests();
}

// When each request for one path arrived, in milliseconds; only the differences mean anything.
class Arrivals {
public:
    Arrivals(demo::DemoServer& server, const QString& path) {
        m_clock.start();
        m_connection = QObject::connect(&server, &demo::DemoServer::requestReceived, &server,
                                        [this, path](const demo::RecordedRequest& request) {
                                            if (request.path == path)
                                                times.append(m_clock.elapsed());
                                        });
    }
    ~Arrivals() { QObject::disconnect(m_connection); }
    Arrivals(const Arrivals&) = delete;
    Arrivals& operator=(const Arrivals&) = delete;

    QList<qint64> times;

private:
    QElapsedTimer m_clock;
    QMetaObject::Connection m_connection;
};

// A free port outside Linux's ephemeral range: while a server on it is down, no outgoing
// connection of another test running beside this one can be given it.
quint16 portOutsideTheEphemeralRange() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto port = quint16(20'000 + QRandomGenerator::global()->bounded(10'000));
        if (QTcpServer probe; probe.listen(QHostAddress::LocalHost, port))
            return port;
    }
    return 0;
}

} // namespace

class TestAppStateLive : public QObject {
    Q_OBJECT

private slots:
    // A 403 is a refusal; a 401 is the end of the sign-in, and only a refusal to somebody signed out.
    void anExpiredTokenSignsTheUserOut() {
        {
            AppStateFixture f;
            AppState& s = f.make();
            f.server.injectFault(u"/v1/products"_s, {.status = 401, .body = R"({"error":"key needed"})"});
            QVERIFY(await(s.refreshVisible(true)).finished);
            QCOMPARE(s.banner(), std::optional(u"key needed"_s));
        }
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        f.server.injectFault(u"/v1/scrape-runs"_s, {.status = 403, .body = R"({"error":"forbidden"})"});
        s.selectTab(MenuBarDropdownTab::sources);
        s.start();
        f.settle();
        QCOMPARE(s.banner(), std::optional(u"forbidden"_s));
        QVERIFY(s.session().isLoggedIn() && !s.favorites().isEmpty());

        f.server.expireSessions();
        QVERIFY(await(s.toggleFavorite(qint64(1), false)).finished);
        QCOMPARE(s.banner(), std::optional(u"登录已失效，请重新登录"_s));
        QVERIFY(!s.session().token && !s.currentUser() && !s.client().factory().userToken);
        QVERIFY(!s.favoriteProductIDs().contains(1)); // the refused star went out again
        QVERIFY(s.favorites().isEmpty() && s.favoriteProductIDs().isEmpty()); // none left for the next user
        QVERIFY(!f.store->load().token);
        QCOMPARE(f.store->load().username, std::optional(f.server.userAccount().username)); // the name stays
    }

    void offlineMessagesGoToBothFields() {
        AppStateFixture f;
        AppState& s = f.make();
        f.server.injectFault(u"/health"_s, {.status = 503, .body = R"({"error":"down for maintenance"})"});
        f.server.injectFault(u"/v1/scrape-runs"_s,
                             {.status = 500, .body = R"({"error":"runs unavailable"})"});
        f.server.injectFault(u"/v1/sources"_s, {.status = 500, .body = R"({"error":"shops unavailable"})"});
        QStringList banners;
        QObject::connect(&s, &AppState::bannerChanged, &s,
                         [&] { banners.append(s.banner().value_or(u""_s)); });
        s.selectTab(MenuBarDropdownTab::sources);
        f.settle();
        QCOMPARE(s.connection(), ConnectionState::offline);
        // The health check never writes the banner, the shop failure stays silent while offline,
        // and the failed status load writes both fields.
        QCOMPARE(banners, QStringList{u"runs unavailable"_s});
        QCOMPARE(s.lastError(), std::optional(u"runs unavailable"_s));

        f.server.clearFaults();
        s.selectTab(MenuBarDropdownTab::sources);
        f.settle();
        QVERIFY(s.connection() == ConnectionState::online && !s.lastError());
    }

    // Only refresh events refresh; with no usable data the event name decides. Away from the
    // products tab the catalogue is not forced.
    void streamEventsRefreshWhatIsShown() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        s.selectTab(MenuBarDropdownTab::favorites);
        startConnected(f, s);
        f.server.sendStreamLines({"data: {\"type\": \"heartbeat\"}", "", ": comment", "event: hello",
                                  "data: {}", "", "data: {\"type\": 7}", "", "event: scrape.finished",
                                  "data: not json", ""});
        QVERIFY(waitUntil([&] { return f.count(u"/v1/me/favorites"_s) == 2; }));
        f.settle();
        QCOMPARE(f.paths(),
                 (QStringList{u"GET /health"_s, u"GET /v1/me/favorites"_s, u"GET /v1/me/favorites"_s}));
        QVERIFY(!s.usesPollingFallback());
    }

    // Whatever ends the stream, it is opened again, one reader at a time, and its events refresh.
    void theStreamHealsAfterEveryKindOfEnd_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("close");
        QTest::addColumn<bool>("restart");
        QTest::newRow("refused") << 503 << 0 << false << false;
        QTest::newRow("closed by the server") << 200 << 0 << true << false;
        QTest::newRow("silent") << 200 << 0 << false << false;
        // Data lines of 1 KiB each, never a blank line: past 1 MiB the reading ends.
        QTest::newRow("an endless block") << 200 << 1100 << false << false;
        QTest::newRow("the server restarts") << 200 << 0 << false << true;
    }

    void theStreamHealsAfterEveryKindOfEnd() {
        QFETCH(int, status);
        QFETCH(int, lines);
        QFETCH(bool, close);
        QFETCH(bool, restart);
        auto options = AppStateFixture::shortOptions();
        options.heartbeatInterval = 100ms;
        if (restart)
            options.port = portOutsideTheEphemeralRange();
        AppStateFixture f(options);
        if (!restart)
            f.server.scriptStream({.status = status,
                                   .lines = QList<QByteArray>(lines, "data: " + QByteArray(1024, 'x')),
                                   .close = close,
                                   .silent = lines == 0 && !close});
        int mostReaders = 0;
        QObject::connect(&f.server, &demo::DemoServer::streamClientsChanged, &f.server,
                         [&](int count) { mostReaders = std::max(mostReaders, count); });
        AppState& s = f.make(std::nullopt, {.pollInterval = 1h,
                                            .searchDebounce = 20ms,
                                            .streamSilenceLimit = 2s,
                                            .reconnect = {.first = 50ms}});
        QList<bool> fallback;
        QObject::connect(&s, &AppState::usesPollingFallbackChanged, &s,
                         [&] { fallback.append(s.usesPollingFallback()); });
        s.start();
        if (restart) {
            QVERIFY(waitUntil([&] { return f.server.streamClientCount() == 1; }));
            f.settle();
            const quint16 port = f.server.port();
            f.server.stop();
            QVERIFY(waitUntil([&] { return fallback == QList<bool>{true}; }));
            QCOMPARE(f.server.listen(), port);
        }
        QVERIFY(waitUntil([&] { return fallback == QList<bool>{true, false}; }, 5s));
        QCOMPARE(s.banner(), std::nullopt);
        QCOMPARE(mostReaders, 1);
        f.settle();
        QVERIFY(f.count(u"/health"_s) >= 2); // at start, and to catch up once back
        f.server.clearRequests();
        f.server.announce(u"price.updated"_s);
        QVERIFY(waitUntil([&] { return f.count(u"/v1/products"_s) == 1; }));
        QCOMPARE(fallback.size(), 2);
        s.cancelKeptTasks();
    }

    // The server's own word on when to come back holds, within bounds.
    void theServerSetsTheNextDelay_data() {
        QTest::addColumn<StreamScript>("script");
        QTest::addColumn<int>("atLeastMs");
        QTest::newRow("retry field") << StreamScript{.lines = {"retry: 800"}, .close = true} << 800;
        QTest::newRow("Retry-After") << StreamScript{.status = 503, .headers = {{"Retry-After", "1"}}}
                                     << 1000;
        QTest::newRow("Retry-After below the bound")
            << StreamScript{.status = 429, .headers = {{"Retry-After", "0"}}} << 500;
    }

    void theServerSetsTheNextDelay() {
        QFETCH(StreamScript, script);
        QFETCH(int, atLeastMs);
        AppStateFixture f;
        f.server.scriptStream(script);
        Arrivals asked(f.server, u"/v1/stream"_s);
        AppState& s =
            f.make(std::nullopt, {.pollInterval = 1h, .searchDebounce = 20ms, .reconnect = {.first = 50ms}});
        s.start();
        QVERIFY(waitUntil([&] { return asked.times.size() == 2; }, 5s));
        // Qt's coarse timers may fire up to 5% early.
        QVERIFY2(asked.times[1] - asked.times[0] >= atLeastMs * 94 / 100,
                 QByteArray::number(asked.times[1] - asked.times[0]));
        s.cancelKeptTasks();
    }

    // Rounds the stream asks for are spaced: a burst of any length costs one round now and one
    // after the spacing.
    void aBurstOfEventsCostsOneMoreRefresh() {
        AppStateFixture f;
        AppState& s =
            f.make(std::nullopt, {.pollInterval = 1h, .searchDebounce = 20ms, .streamRefreshSpacing = 500ms});
        startConnected(f, s);
        Arrivals rounds(f.server, u"/health"_s);
        QList<QByteArray> batch;
        for (int i = 0; i < 50; ++i)
            batch << "data: {\"type\": \"price.updated\"}"
                  << "";
        for (int i = 0; i < 4; ++i) {
            f.server.sendStreamLines(batch);
            QTest::qWait(50);
        }
        QVERIFY(waitUntil([&] { return rounds.times.size() >= 2; }));
        f.settle(300ms);
        QCOMPARE(rounds.times.size(), 2);
        QVERIFY2(rounds.times[1] - rounds.times[0] >= 480,
                 QByteArray::number(rounds.times[1] - rounds.times[0]));
    }

    // Ticks keep time whatever a refresh takes, and one that finds a refresh running is skipped.
    void pollTicksKeepTime_data() {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("refreshMs");
        QTest::addColumn<int>("minGap");
        QTest::addColumn<int>("maxGap");
        QTest::newRow("a quick refresh") << 400 << 200 << 370 << 520;
        QTest::newRow("a refresh longer than a tick") << 300 << 450 << 560 << 100'000;
    }

    void pollTicksKeepTime() {
        QFETCH(int, intervalMs);
        QFETCH(int, refreshMs);
        QFETCH(int, minGap);
        QFETCH(int, maxGap);
        AppStateFixture f;
        f.server.injectFault(u"/health"_s, {.delay = std::chrono::milliseconds(refreshMs)});
        AppState& s = f.make(std::nullopt,
                             {.pollInterval = std::chrono::milliseconds(intervalMs), .searchDebounce = 20ms});
        s.selectTab(MenuBarDropdownTab::me); // signed out, a refresh is the health check alone
        f.settle();
        Arrivals starts(f.server, u"/health"_s);
        s.start();
        QVERIFY(waitUntil([&] { return starts.times.size() >= 7; }));
        s.cancelKeptTasks();
        const qint64 gap = (starts.times.last() - starts.times[1]) / (starts.times.size() - 2); // ticks only
        QVERIFY2(gap >= minGap && gap <= maxGap, QByteArray::number(gap));
    }

    // A /health that hangs or trickles is cut at its own deadline, well before the others', and
    // the next poll runs.
    void aHangingHealthCheckLetsTheNextPollRun_data() {
        QTest::addColumn<demo::Fault>("fault");
        QTest::newRow("never answers") << demo::Fault{.neverAnswer = true, .times = 1};
        QTest::newRow("trickles") << demo::Fault{.trickleEvery = 50ms, .times = 1};
    }

    void aHangingHealthCheckLetsTheNextPollRun() {
        QFETCH(demo::Fault, fault);
        AppStateFixture f;
        f.server.injectFault(u"/health"_s, fault);
        AppState& s = f.make(
            std::nullopt,
            {.pollInterval = 150ms, .searchDebounce = 20ms, .requestDeadline = 20s, .healthDeadline = 300ms});
        QList<std::optional<QString>> errors;
        QObject::connect(&s, &AppState::lastErrorChanged, &s, [&] { errors.append(s.lastError()); });
        s.start();
        QVERIFY(
            waitUntil([&] { return s.connection() == ConnectionState::online && !errors.isEmpty(); }, 5s));
        QCOMPARE(errors, (QList<std::optional<QString>>{u"请求超时"_s, std::nullopt}));
        s.cancelKeptTasks();
    }

    // Replies asked of the address before the current one land nowhere.
    void repliesForAnEarlierAddressAreDropped_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("tab");
        QTest::addColumn<demo::Fault>("fault");
        const demo::Fault empty{.status = 200, .body = R"({"items":[]})", .delay = 400ms};
        QTest::newRow("health") << u"/health"_s << int(MenuBarDropdownTab::products)
                                << demo::Fault{.status = 503, .body = R"({"error":"old"})", .delay = 400ms};
        QTest::newRow("shops") << u"/v1/sources"_s << int(MenuBarDropdownTab::products) << empty;
        QTest::newRow("categories") << u"/v1/categories"_s << int(MenuBarDropdownTab::products) << empty;
        QTest::newRow("status") << u"/v1/scrape-runs"_s << int(MenuBarDropdownTab::sources) << empty;
        QTest::newRow("sign-in") << u"/v1/auth/login"_s << int(MenuBarDropdownTab::me)
                                 << demo::Fault{.delay = 400ms};
    }

    void repliesForAnEarlierAddressAreDropped() {
        QFETCH(QString, path);
        QFETCH(int, tab);
        QFETCH(demo::Fault, fault);
        AppStateFixture f;
        demo::DemoServer other(AppStateFixture::shortOptions());
        QVERIFY(other.listen());
        AppState& s = f.make();
        s.selectTab(MenuBarDropdownTab(tab));
        f.settle();
        f.server.injectFault(path, fault);
        QStringList banners;
        QObject::connect(&s, &AppState::bannerChanged, &s,
                         [&] { banners.append(s.banner().value_or(u""_s)); });
        const bool signIn = path.endsWith(u"login");
        std::optional<QCoro::Task<void>> running;
        if (signIn) {
            s.setAuthUsername(f.server.userAccount().username);
            s.setAuthPassword(f.server.userAccount().password);
            running = s.loginOrRegister();
        } else {
            running = s.refreshVisible(true);
        }
        QVERIFY(waitUntil([&] { return f.count(path) == 1; }));
        s.updateBaseURL(other.baseUrl().toString());
        QVERIFY(await(std::move(*running)).finished);
        QVERIFY(waitUntil([&] { return !s.isLoading() && !s.categories().isEmpty(); }));
        f.settle();
        QCOMPARE(s.connection(), ConnectionState::online);
        QVERIFY(!s.sources().isEmpty());
        QVERIFY(tab != int(MenuBarDropdownTab::sources) || !s.scrapeRuns().isEmpty());
        // The old server's token never reaches the new one, nor does the user hear of a sign-in.
        QVERIFY(!s.session().token && !f.store->load().token && !banners.contains(u"已登录"_s));
        for (const auto& request : other.requests())
            QVERIFY2(request.header("Authorization").isEmpty(), qPrintable(request.path));
        s.cancelKeptTasks();
    }

    // A new address moves the stream, a break of it falls back to polling, and an address nobody
    // listens on is kept all the same and shows as offline.
    void aNewAddressMovesTheStream() {
        AppStateFixture f;
        AppState& s = f.make();
        startConnected(f, s);
        QSignalSpy fallback(&s, &AppState::usesPollingFallbackChanged);
        auto other = std::make_unique<demo::DemoServer>(AppStateFixture::shortOptions());
        other->listen();
        s.updateBaseURL(other->baseUrl().toString() + u"/"_s);
        QVERIFY(
            waitUntil([&] { return other->streamClientCount() == 1 && f.server.streamClientCount() == 0; }));
        QVERIFY(waitUntil([&] { return !s.isLoading() && !s.products().isEmpty(); }));
        QCOMPARE(fallback.count(), 0);      // the old reader ended quietly
        QCOMPARE(f.paths(), QStringList{}); // nothing more went to the old address

        // The server goes away in the middle of the stream.
        other.reset();
        QVERIFY(waitUntil([&] { return s.usesPollingFallback(); }));

        QString address;
        {
            QTcpServer closed; // a port nobody listens on once it closes
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            address = u"http://127.0.0.1:%1"_s.arg(closed.serverPort());
        }
        s.updateBaseURL(address);
        QCOMPARE(f.store->load().baseURL, address);
        QVERIFY(waitUntil([&] { return s.connection() == ConnectionState::offline && !s.isLoading(); }));
        QCOMPARE(s.lastError(), std::optional(u"Connection refused"_s));
        s.cancelKeptTasks();
    }

    void pollsRefreshWhatTheTabShows_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("admin");
        QTest::addColumn<qint64>("product"); // open, or 0
        QTest::addColumn<QStringList>("paths");
        const QStringList favorites{u"GET /v1/me/favorites"_s, u"GET /v1/me/favorites"_s};
        const QStringList start = QStringList{u"GET /health"_s} + favorites;
        QTest::newRow("products") << int(MenuBarDropdownTab::products) << false << qint64(0)
                                  << start + QStringList{u"GET /v1/sources"_s, u"GET /v1/categories"_s,
                                                         u"GET /v1/products"_s};
        QTest::newRow("an open product")
            << int(MenuBarDropdownTab::favorites) << false << qint64(3)
            << start + QStringList{u"GET /v1/products/3"_s, u"GET /v1/products/3/history"_s};
        QTest::newRow("shops") << int(MenuBarDropdownTab::sources) << false << qint64(0)
                               << start + QStringList{u"GET /v1/sources"_s, u"GET /v1/scrape-runs"_s} +
                                      favorites;
        QTest::newRow("account") << int(MenuBarDropdownTab::me) << false << qint64(0)
                                 << start + QStringList{u"GET /v1/me"_s};
        QTest::newRow("account of an administrator")
            << int(MenuBarDropdownTab::me) << true << qint64(0)
            << start + QStringList{u"GET /v1/me"_s, u"GET /v1/admin/users"_s, u"GET /v1/admin/codes"_s,
                                   u"GET /v1/admin/reports"_s};
    }

    void pollsRefreshWhatTheTabShows() {
        QFETCH(int, tab);
        QFETCH(bool, admin);
        QFETCH(qint64, product);
        QFETCH(QStringList, paths);
        AppStateFixture f;
        AppState& s = f.make(admin ? f.server.adminAccount() : f.server.userAccount(), {600ms, 20ms});
        s.selectTab(MenuBarDropdownTab(tab));
        if (product)
            s.openProduct(product);
        s.start();
        f.settle();
        bool detailLoading = false; // a poll reloads an open product silently
        QObject::connect(&s, &AppState::isDetailLoadingChanged, &s,
                         [&] { detailLoading |= s.isDetailLoading(); });
        f.server.clearRequests();
        // One poll's refresh: from its health check to the next one's.
        QVERIFY(waitUntil([&] { return f.count(u"/health"_s) >= 2; }, 5s));
        QStringList seen = f.paths();
        const qsizetype from = seen.indexOf(u"GET /health"_s);
        seen = seen.mid(from, seen.indexOf(u"GET /health"_s, from + 1) - from);
        std::sort(seen.begin(), seen.end());
        std::sort(paths.begin(), paths.end());
        QCOMPARE(seen, paths);
        QVERIFY(!detailLoading);
        s.cancelKeptTasks();
    }

    // Replies that land after the state is gone touch nothing (ASan watches) and start nothing.
    void destroyedWithRequestsInFlight() {
        AppStateFixture f;
        for (const QString& path : {u"/v1/me"_s, u"/v1/products/1"_s, u"/v1/reactions"_s, u"/v1/products"_s})
            f.server.injectFault(path, {.delay = 300ms});
        AppState& s = f.make(f.server.userAccount(), {50ms, 1ms});
        s.start();
        s.openProduct(1);
        auto mark = s.toggleFavorite(qint64(2), false);
        s.applyProductQuery(u"a"_s);
        QVERIFY(waitUntil([&] {
            return f.server.streamClientCount() == 1 && f.count(u"/v1/reactions"_s) == 1 &&
                   f.count(u"/v1/products"_s) >= 1;
        }));
        QSignalSpy answered(&f.network, &QNetworkAccessManager::finished);
        f.state.reset();
        QVERIFY(await(std::move(mark)).finished);
        QVERIFY(waitUntil([&] { return answered.count() >= 5 && f.server.streamClientCount() == 0; }));
        f.settle();
        QCOMPARE(f.count(u"/v1/stream"_s), 1); // and the stream was not opened again
    }
};

QTEST_GUILESS_MAIN(TestAppStateLive)
#include "tst_AppStateLive.moc"
