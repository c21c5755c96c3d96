// Start-up, the refresh of what is shown, the polling loop and the event stream.
#include "AppStateFixture.h"

#include <QSignalSpy>
#include <QTcpServer>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Starts the state and waits until its first refresh is done and the stream is connected.
void startConnected(AppStateFixture& f, AppState& s) {
    s.start();
    QVERIFY(waitUntil([&] { return f.server.streamClientCount() == 1; }));
    f.settle();
    f.server.clearRequests();
}

} // namespace

class TestAppStateLive : public QObject {
    Q_OBJECT

private slots:
    // A 403 is a refusal; a 401 is the end of the sign-in.
    void anExpiredTokenSignsTheUserOut() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        f.server.injectFault(u"/v1/scrape-runs"_s, {.status = 403, .body = R"({"error":"forbidden"})"});
        s.selectTab(MenuBarDropdownTab::sources);
        s.start();
        f.settle();
        QCOMPARE(s.banner(), std::optional(u"forbidden"_s));
        QVERIFY(s.session().isLoggedIn());

        f.server.expireSessions();
        QVERIFY(await(s.toggleFavorite(qint64(1), false)).finished);
        QCOMPARE(s.banner(), std::optional(u"登录已失效，请重新登录"_s));
        QVERIFY(!s.session().token && !s.currentUser() && !s.client().factory().userToken);
        QVERIFY(!s.favoriteProductIDs().contains(1)); // the refused star went out again
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

    void anUnusableStreamFallsBackToPolling_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("lines");
        QTest::newRow("refused") << 503 << 0;
        QTest::newRow("closed by the server") << 200 << 0;
        // Data lines of 1 KiB each, never a blank line: past 1 MiB the reading ends.
        QTest::newRow("an endless block") << 200 << 1100;
    }

    void anUnusableStreamFallsBackToPolling() {
        QFETCH(int, status);
        QFETCH(int, lines);
        AppStateFixture f;
        f.server.scriptStream({.status = status,
                               .lines = QList<QByteArray>(lines, "data: " + QByteArray(1024, 'x')),
                               .close = lines == 0}); // the endless block stays open
        AppState& s = f.make(std::nullopt, {150ms, 20ms});
        s.start();
        QVERIFY(waitUntil([&] { return s.usesPollingFallback(); }));
        QVERIFY(!s.banner());
        // The poll goes on regardless; the stream is not asked again by itself.
        f.server.clearRequests();
        QVERIFY(waitUntil([&] { return f.count(u"/health"_s) >= 2 && f.count(u"/v1/products"_s) >= 1; }, 5s));
        QCOMPARE(f.count(u"/v1/stream"_s), 0);
        s.cancelKeptTasks();
    }

    void aBurstOfEventsCostsOneMoreRefresh() {
        AppStateFixture f;
        AppState& s = f.make();
        startConnected(f, s);
        // The first refresh is slow, so the rest of the burst surely arrives during it.
        f.server.injectFault(u"/health"_s, {.delay = 300ms, .times = 1});
        QList<QByteArray> burst;
        for (int i = 0; i < 200; ++i)
            burst << "data: {\"type\": \"price.updated\"}"
                  << "";
        f.server.sendStreamLines(burst);
        QVERIFY(waitUntil([&] { return f.count(u"/health"_s) >= 2; }));
        f.settle(300ms);
        // The first event's refresh, then exactly one for everything that came during it.
        QCOMPARE(f.count(u"/health"_s), 2);
    }

    void aServerThatNeverFinishesAnswerLetsTheNextPollRun() {
        AppStateFixture f;
        f.server.injectFault(u"/health"_s, {.neverAnswer = true, .times = 1});
        AppState& s =
            f.make(std::nullopt, {.pollInterval = 150ms, .searchDebounce = 20ms, .requestDeadline = 300ms});
        s.start();
        QVERIFY(waitUntil([&] { return s.lastError() == std::optional(u"请求超时"_s); }));
        QVERIFY(waitUntil(
            [&] { return f.count(u"/health"_s) >= 2 && s.connection() == ConnectionState::online; }));
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
