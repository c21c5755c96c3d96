#include "AppStateFixture.h"
#include "FakeSeams.h"

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class TestAppStateStartup : public QObject {
    Q_OBJECT

private slots:
    void constructionLoadsNothing() {
        AppStateFixture f;
        SessionSnapshot stored;
        stored.baseURL = f.baseURL();
        stored.theme = AppTheme::blueprint;
        f.store = std::make_unique<MemorySessionStore>(stored);
        RecordingThemeSink theme;
        f.state = std::make_unique<AppState>(*f.store, &f.network, StateSeams{&theme, nullptr});
        const AppState& s = *f.state;
        QCOMPARE(s.session(), stored);
        QCOMPARE(theme.applied, QList{AppTheme::blueprint});
        QCOMPARE(s.connection(), ConnectionState::unknown);
        QCOMPARE(s.route(), PanelRoute::root());
        QCOMPARE(s.selectedTab(), MenuBarDropdownTab::products);
        QCOMPARE(s.newCodeUses(), u"1"_s);
        QVERIFY(s.newCode().isEmpty() && s.authUsername().isEmpty() && s.productQuery().isEmpty());
        QCOMPARE(s.launchAtLoginStatus(), LaunchAtLoginStatus::notFound);
        QVERIFY(!s.pollTask() && !s.streamTask() && !s.searchTask());
        QVERIFY(s.client().factory() == APIRequestFactory::fromSnapshot(stored));
        QTest::qWait(50);
        QVERIFY(f.server.requests().isEmpty());
    }

    void startSignedOutLoadsTheCatalogueAndOpensTheStream() {
        AppStateFixture f;
        AppState& s = f.make();
        s.start();
        QVERIFY(waitUntil([&] { return f.server.streamClientCount() == 1; }));
        f.settle();
        QCOMPARE(f.paths(true), (QStringList{u"GET /health"_s, u"GET /v1/sources"_s, u"GET /v1/categories"_s,
                                             u"GET /v1/products?limit=100&offset=0"_s}));
        QCOMPARE(s.connection(), ConnectionState::online);
        QCOMPARE(s.products().size(), 100);
        QVERIFY(s.canLoadMoreProducts());
        QVERIFY(!s.sources().isEmpty());
        QVERIFY(!s.categories().isEmpty());
        QVERIFY(!s.usesPollingFallback());
        QVERIFY(!s.banner());
    }

    void startSignedInRefreshesTheUserAndFavouritesFirst() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        s.start();
        f.settle();
        const QStringList paths = f.paths();
        // me, then both favourites requests together, then the refresh (which loads favourites
        // again because the products tab is not the favourites tab).
        QCOMPARE(paths.mid(0, 1), QStringList{u"GET /v1/me"_s});
        QCOMPARE(paths.mid(1, 2), (QStringList{u"GET /v1/me/favorites"_s, u"GET /v1/me/favorites"_s}));
        QCOMPARE(paths.mid(3),
                 (QStringList{u"GET /health"_s, u"GET /v1/me/favorites"_s, u"GET /v1/me/favorites"_s,
                              u"GET /v1/sources"_s, u"GET /v1/categories"_s, u"GET /v1/products"_s}));
        QCOMPARE(s.currentUser()->username, f.server.userAccount().username);
        QVERIFY(!s.favoriteProductIDs().isEmpty());
        QVERIFY(!s.favoriteSourceSlugs().isEmpty());
        // The listed products carried the user's own marks.
        const auto products = f.server.requests();
        for (const auto& r : products)
            if (r.path == u"/v1/products")
                QVERIFY(r.header("Authorization").startsWith("Bearer "));
    }

    void anExpiredTokenSignsTheUserOut() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        s.start();
        f.settle();
        QVERIFY(s.currentUser());
        f.server.expireSessions();
        s.selectTab(MenuBarDropdownTab::favorites);
        f.settle();
        QCOMPARE(s.banner(), std::optional(u"登录已失效，请重新登录"_s));
        QVERIFY(!s.session().token);
        QVERIFY(!s.currentUser());
        QVERIFY(!f.store->load().token);
        QCOMPARE(f.store->load().username, s.session().username); // the name stays
        QVERIFY(!s.client().factory().userToken);
    }

    void failuresWhileSignedOutShowTheirOwnText() {
        AppStateFixture f;
        AppState& s = f.make();
        f.server.injectFault(u"/v1/scrape-runs"_s, {.status = 401, .body = R"({"error":"who are you"})"});
        s.selectTab(MenuBarDropdownTab::sources);
        f.settle();
        QCOMPARE(s.banner(), std::optional(u"who are you"_s));

        f.server.injectFault(u"/v1/scrape-runs"_s, {.status = 403, .body = R"({"error":"forbidden here"})"});
        AppStateFixture g;
        AppState& signedIn = g.make(g.server.userAccount());
        g.server.injectFault(u"/v1/scrape-runs"_s, {.status = 403, .body = R"({"error":"forbidden here"})"});
        signedIn.selectTab(MenuBarDropdownTab::sources);
        g.settle();
        // 403 is no authentication failure: the user stays signed in.
        QCOMPARE(signedIn.banner(), std::optional(u"forbidden here"_s));
        QVERIFY(signedIn.session().isLoggedIn());
    }

    void offlineMessagesGoToBothFields() {
        AppStateFixture f;
        AppState& s = f.make();
        f.server.injectFault(u"/health"_s, {.status = 503, .body = R"({"error":"down for maintenance"})"});
        f.server.injectFault(u"/v1/scrape-runs"_s,
                             {.status = 500, .body = R"({"error":"runs unavailable"})"});
        f.server.injectFault(u"/v1/sources"_s, {.status = 500, .body = R"({"error":"shops unavailable"})"});
        s.selectTab(MenuBarDropdownTab::sources);
        f.settle();
        QCOMPARE(s.connection(), ConnectionState::offline);
        QVERIFY(!s.health());
        // The health check never writes the banner; the failed status load writes both.
        QCOMPARE(s.banner(), std::optional(u"runs unavailable"_s));
        QCOMPARE(s.lastError(), std::optional(u"runs unavailable"_s));
        QVERIFY(s.sources().isEmpty()); // and the shop failure before it stayed silent while offline

        f.server.clearFaults();
        s.selectTab(MenuBarDropdownTab::sources);
        f.settle();
        QCOMPARE(s.connection(), ConnectionState::online);
        QVERIFY(!s.lastError());
        QCOMPARE(s.banner(), std::optional(u"runs unavailable"_s));
        QVERIFY(s.health());
    }

    void anUnusableAddressIsSavedAndGoesOffline() {
        AppStateFixture f;
        AppState& s = f.make();
        s.start();
        QVERIFY(waitUntil([&] { return f.server.streamClientCount() == 1; }));
        f.settle();
        s.updateBaseURL(u"not an address"_s);
        QCOMPARE(f.store->load().baseURL, u"not an address"_s);
        QVERIFY(waitUntil([&] { return s.connection() == ConnectionState::offline; }));
        QCOMPARE(s.lastError(), std::optional(u"无效的服务器地址"_s));
        QVERIFY(waitUntil([&] { return s.usesPollingFallback(); }));
        // The old stream was let go.
        QVERIFY(waitUntil([&] { return f.server.streamClientCount() == 0; }));
        f.settle();
    }

    void popToRootDiscardsTheDetailAndTheReportDraft() {
        AppStateFixture f;
        AppState& s = f.make();
        s.openProduct(1);
        QVERIFY(waitUntil([&] { return !s.productHistory().isEmpty(); }));
        s.setShowReportField(true);
        s.setReportNote(u"wrong price"_s);
        s.popToRoot();
        QCOMPARE(s.route(), PanelRoute::root());
        QVERIFY(!s.productDetail());
        QVERIFY(s.productHistory().isEmpty());
        QVERIFY(!s.showReportField());
        QVERIFY(s.reportNote().isEmpty());
    }

    void persistAndRebuildSavesAndReplacesTheClient() {
        AppStateFixture f;
        AppState& s = f.make();
        SessionSnapshot next = s.session();
        next.apiKey = u" key "_s;
        next.theme = AppTheme::paper;
        s.setSession(next);
        QVERIFY(!s.client().factory().apiKey); // not yet in effect
        s.persistAndRebuild();
        QCOMPARE(f.store->load(), next);
        QCOMPARE(s.client().factory().apiKey, std::optional(u" key "_s));
    }

    void aChosenThemeIsSavedAndShown() {
        AppStateFixture f;
        RecordingThemeSink theme;
        f.store = std::make_unique<MemorySessionStore>(SessionSnapshot{});
        f.state = std::make_unique<AppState>(*f.store, &f.network, StateSeams{&theme, nullptr});
        f.state->chooseTheme(AppTheme::pixel);
        QCOMPARE(f.store->load().theme, AppTheme::pixel);
        QCOMPARE(f.state->session().theme, AppTheme::pixel);
        QCOMPARE(theme.applied.last(), AppTheme::pixel);
    }

    void launchAtLoginFollowsThePlatformAndARefusalSaysWhy() {
        AppStateFixture f;
        FakeLoginItems items;
        f.store = std::make_unique<MemorySessionStore>(SessionSnapshot{});
        f.state = std::make_unique<AppState>(*f.store, &f.network, StateSeams{nullptr, &items});
        AppState& s = *f.state;
        s.refreshLaunchAtLogin();
        QCOMPARE(s.launchAtLoginStatus(), LaunchAtLoginStatus::notRegistered);
        QVERIFY(s.setLaunchAtLogin(true));
        QCOMPARE(s.launchAtLoginStatus(), LaunchAtLoginStatus::enabled);

        items.refusal = u"无法写入"_s;
        QVERIFY(!s.setLaunchAtLogin(false));
        QCOMPARE(s.banner(), std::optional(u"无法写入"_s));
        QCOMPARE(s.launchAtLoginStatus(), LaunchAtLoginStatus::enabled);
    }
};

QTEST_GUILESS_MAIN(TestAppStateStartup)
#include "tst_AppStateStartup.moc"
