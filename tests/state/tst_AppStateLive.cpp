#include "AppStateFixture.h"

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
    void greetingsAndHeartbeatsLoadNothing() {
        AppStateFixture f;
        AppState& s = f.make();
        startConnected(f, s);
        f.server.sendStreamLines({"data: {\"type\": \"heartbeat\", \"at\": \"2026-01-01T00:00:00Z\"}", "",
                                  ": comment", "event: hello", "data: {}", "", "data: {\"type\": 7}", ""});
        QTest::qWait(200);
        QVERIFY(f.paths().isEmpty());
        QVERIFY(!s.usesPollingFallback());
    }

    void priceUpdatesRefreshWhatIsShown() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        startConnected(f, s);
        f.server.announce(u"price.updated"_s);
        QVERIFY(waitUntil([&] { return f.count(u"/v1/products"_s) == 1; }));
        f.settle();
        // On the products tab the catalogue is forced.
        QCOMPARE(f.paths(),
                 (QStringList{u"GET /health"_s, u"GET /v1/me/favorites"_s, u"GET /v1/me/favorites"_s,
                              u"GET /v1/sources"_s, u"GET /v1/categories"_s, u"GET /v1/products"_s}));

        s.selectTab(MenuBarDropdownTab::favorites);
        f.settle();
        f.server.clearRequests();
        f.server.announce(u"scrape.finished"_s);
        QVERIFY(waitUntil([&] { return f.count(u"/v1/me/favorites"_s) == 2; }));
        f.settle();
        // Elsewhere it is not: no shops and no categories.
        QCOMPARE(f.paths(),
                 (QStringList{u"GET /health"_s, u"GET /v1/me/favorites"_s, u"GET /v1/me/favorites"_s}));
    }

    void theEventNameDecidesWhenTheDataSaysNothing() {
        AppStateFixture f;
        AppState& s = f.make();
        startConnected(f, s);
        f.server.sendStreamLines({"event: scrape.finished", "data: not json", ""});
        QVERIFY(waitUntil([&] { return f.count(u"/v1/products"_s) == 1; }));
        f.settle();
    }

    void anUnusableStreamFallsBackToPolling_data() {
        QTest::addColumn<int>("status");
        QTest::newRow("401") << 401;
        QTest::newRow("503") << 503;
    }

    void anUnusableStreamFallsBackToPolling() {
        QFETCH(int, status);
        AppStateFixture f;
        f.server.scriptStream({.status = status});
        AppState& s = f.make(std::nullopt, {150ms, 20ms});
        s.start();
        QVERIFY(waitUntil([&] { return s.usesPollingFallback(); }));
        QVERIFY(!s.banner());
        // The poll goes on regardless, refreshing without forcing the catalogue... on the products tab
        // the products are still reloaded.
        f.server.clearRequests();
        QVERIFY(waitUntil([&] { return f.count(u"/health"_s) >= 2; }, 5s));
        QVERIFY(f.count(u"/v1/products"_s) >= 1);
        QCOMPARE(f.count(u"/v1/stream"_s), 0); // no reconnection by itself
        s.cancelKeptTasks();
    }

    void anEndlessLineBreaksTheStream() {
        AppStateFixture f;
        f.server.scriptStream({.lines = {QByteArray(StreamLineReader::maxLineBytes + 10, 'x')}});
        AppState& s = f.make();
        s.start();
        QVERIFY(waitUntil([&] { return s.usesPollingFallback(); }));
    }

    void anEndlessBlockBreaksTheStream() {
        AppStateFixture f;
        // Data lines of 1 KiB each, never a blank line: past 1 MiB the reading ends.
        f.server.scriptStream({.lines = QList<QByteArray>(1100, "data: " + QByteArray(1024, 'x'))});
        AppState& s = f.make();
        s.start();
        QVERIFY(waitUntil([&] { return s.usesPollingFallback(); }));
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
        QVERIFY(!s.usesPollingFallback());
    }

    void aServerThatNeverFinishesAnswerLetsTheNextPollRun() {
        AppStateFixture f;
        f.server.injectFault(u"/health"_s, {.neverAnswer = true, .times = 1});
        AppState& s =
            f.make(std::nullopt, {.pollInterval = 150ms, .searchDebounce = 20ms, .requestDeadline = 300ms});
        s.start();
        QVERIFY(waitUntil([&] { return s.lastError() == std::optional(u"请求超时"_s); }));
        // The poll goes on: the next health check is answered and the state is online again.
        QVERIFY(waitUntil(
            [&] { return f.count(u"/health"_s) >= 2 && s.connection() == ConnectionState::online; }));
        s.cancelKeptTasks();
    }

    void aStreamThatEndedNormallyIsNotReopened() {
        AppStateFixture f;
        f.server.scriptStream({.lines = {"data: {\"type\":\"heartbeat\"}", ""}, .close = true});
        AppState& s = f.make();
        s.start();
        QVERIFY(waitUntil([&] { return s.streamTask() && s.streamTask()->isFinished(); }));
        f.settle();
        QVERIFY(!s.usesPollingFallback());
        const auto streamTask = s.streamTask();
        s.appearOnPanel();
        f.settle();
        QCOMPARE(s.streamTask(), streamTask);
        QCOMPARE(f.count(u"/v1/stream"_s), 1);
        // The appearance still refreshed with the catalogue forced.
        QVERIFY(f.count(u"/v1/categories"_s) >= 2);

        // Once the live updates have been stopped, appearing starts them again.
        s.cancelKeptTasks();
        s.appearOnPanel();
        QVERIFY(waitUntil([&] { return f.server.streamClientCount() == 1; }));
        QVERIFY(s.streamTask() != streamTask);
        QCOMPARE(f.count(u"/v1/stream"_s), 2);
    }

    void aNewAddressMovesTheStream() {
        AppStateFixture f;
        AppState& s = f.make();
        startConnected(f, s);
        demo::DemoServer other(AppStateFixture::shortOptions());
        other.listen();
        s.updateBaseURL(other.baseUrl().toString() + u"/"_s);
        QVERIFY(waitUntil([&] { return other.streamClientCount() == 1; }));
        QVERIFY(waitUntil([&] { return f.server.streamClientCount() == 0; }));
        f.settle();
        QVERIFY(!s.usesPollingFallback()); // the old reader ended quietly
        QVERIFY(!s.banner());
        QCOMPARE(f.paths(), QStringList{}); // nothing more went to the old address
        QVERIFY(waitUntil([&] { return !s.isLoading() && !s.products().isEmpty(); }));
        s.cancelKeptTasks();
        f.settle();
    }

    void pollsReloadAnOpenProductSilently() {
        AppStateFixture f;
        AppState& s = f.make(std::nullopt, {150ms, 20ms});
        s.openProduct(3);
        QVERIFY(waitUntil([&] { return s.productDetail().has_value() && !s.isDetailLoading(); }));
        s.start();
        bool detailLoading = false;
        QObject::connect(&s, &AppState::isDetailLoadingChanged, &s,
                         [&] { detailLoading |= s.isDetailLoading(); });
        f.server.clearRequests();
        QVERIFY(waitUntil([&] { return f.count(u"/v1/products/3"_s) >= 2; }, 5s));
        QVERIFY(f.count(u"/v1/products/3/history"_s) >= 1);
        QVERIFY(!detailLoading);
        s.cancelKeptTasks();
    }

    void theSourcesTabLoadsFavouritesTwiceWhenSignedIn() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        QVERIFY(await(s.refreshVisible(false)).finished);
        f.server.clearRequests();
        s.selectTab(MenuBarDropdownTab::sources);
        f.settle();
        QCOMPARE(f.paths(),
                 (QStringList{u"GET /health"_s, u"GET /v1/me/favorites"_s, u"GET /v1/me/favorites"_s,
                              u"GET /v1/sources"_s, u"GET /v1/scrape-runs"_s, u"GET /v1/me/favorites"_s,
                              u"GET /v1/me/favorites"_s}));
        QVERIFY(!s.scrapeRuns().isEmpty());
    }

    void theMeTabRefreshesTheUserAndTheAdminLists() {
        AppStateFixture f;
        AppState& admin = f.make(f.server.adminAccount());
        admin.selectTab(MenuBarDropdownTab::me);
        f.settle();
        QCOMPARE(f.paths().mid(0, 4), (QStringList{u"GET /health"_s, u"GET /v1/me/favorites"_s,
                                                   u"GET /v1/me/favorites"_s, u"GET /v1/me"_s}));
        QCOMPARE(f.paths().size(), 7);
        QVERIFY(!admin.adminUsers().isEmpty());
        QVERIFY(!admin.adminCodes().isEmpty());

        AppStateFixture g;
        AppState& user = g.make(g.server.userAccount());
        user.selectTab(MenuBarDropdownTab::me);
        g.settle();
        QCOMPARE(g.paths().last(), u"GET /v1/me"_s); // no admin request for an ordinary user
    }
};

QTEST_GUILESS_MAIN(TestAppStateLive)
#include "tst_AppStateLive.moc"
