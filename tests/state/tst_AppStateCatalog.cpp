#include "AppStateFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// A product page of `count` products with ids from `firstID` on.
QByteArray page(qint64 firstID, int count) {
    QJsonArray items;
    for (int i = 0; i < count; ++i)
        items.append(QJsonObject{{"id", firstID + i}, {"name", u"P%1"_s.arg(firstID + i)}, {"price", "1"}});
    return QJsonDocument(QJsonObject{{"items", items}}).toJson(QJsonDocument::Compact);
}

QList<qint64> ids(const QList<Product>& products) {
    QList<qint64> result;
    for (const Product& p : products)
        result.append(p.id);
    return result;
}

} // namespace

class TestAppStateCatalog : public QObject {
    Q_OBJECT

private slots:
    void typingLoadsOnceAfterThePause() {
        AppStateFixture f;
        AppState& s = f.make(std::nullopt, {1h, 100ms});
        s.applyProductQuery(u"c"_s);
        QTest::qWait(30);
        s.applyProductQuery(u"cl"_s);
        QTest::qWait(60);
        QCOMPARE(f.count(u"/v1/products"_s), 0);
        f.settle();
        QCOMPARE(f.paths(true), QStringList{u"GET /v1/products?limit=100&offset=0&q=cl"_s});
        QCOMPARE(s.productQuery(), u"cl"_s);
    }

    void pagingAppendsFullPagesUntilAShortOne() {
        AppStateFixture f;
        AppState& s = f.make();
        QVERIFY(await(s.refreshVisible(false)).finished);
        QCOMPARE(s.products().size(), 100);
        QVERIFY(s.canLoadMoreProducts());
        for (int i = 0; i < 3; ++i) {
            s.loadMoreProducts();
            f.settle();
        }
        const qsizetype total = s.products().size();
        QVERIFY(total > 300 && total < 400);
        QVERIFY(!s.canLoadMoreProducts()); // the catalogue ran out on the fourth page
        QCOMPARE(f.paths(true).last(), u"GET /v1/products?limit=100&offset=300"_s);
        f.server.clearRequests();
        s.loadMoreProducts();
        f.settle();
        QCOMPARE(f.count(u"/v1/products"_s), 0);
        // A refresh asks for everything shown, capped at 500.
        QVERIFY(await(s.refreshVisible(false)).finished);
        QCOMPARE(f.paths(true).last(), u"GET /v1/products?limit=%1&offset=0"_s.arg(total));
    }

    void refreshLimitsFollowWhatWasReceived_data() {
        QTest::addColumn<QList<int>>("pages");
        QTest::addColumn<int>("limit");
        QTest::newRow("one short page") << QList<int>{37} << 100;
        QTest::newRow("three full pages") << QList<int>{100, 100, 100} << 300;
        QTest::newRow("eight full pages") << QList<int>{100, 100, 100, 100, 100, 100, 100, 100} << 500;
    }

    void refreshLimitsFollowWhatWasReceived() {
        QFETCH(QList<int>, pages);
        QFETCH(int, limit);
        AppStateFixture f;
        AppState& s = f.make();
        qint64 next = 1;
        for (int i = 0; i < pages.size(); ++i) {
            f.server.injectFault(u"/v1/products"_s,
                                 {.status = 200, .body = page(next, pages[i]), .times = 1});
            next += pages[i];
            if (i == 0)
                s.applyProductSort(ProductSort::goodwill);
            else
                s.loadMoreProducts();
            f.settle();
        }
        QCOMPARE(s.products().size(), next - 1);
        f.server.clearRequests();
        QVERIFY(await(s.refreshVisible(false)).finished);
        QCOMPARE(f.paths(true).last(), u"GET /v1/products?limit=%1&offset=0"_s.arg(limit));
    }

    void aRepeatedProductIsAppendedOnce() {
        AppStateFixture f;
        AppState& s = f.make();
        f.server.injectFault(u"/v1/products"_s, {.status = 200, .body = page(1, 100), .times = 1});
        s.applyProductSort(ProductSort::goodwill);
        f.settle();
        f.server.injectFault(u"/v1/products"_s, {.status = 200, .body = page(100, 100), .times = 1});
        s.loadMoreProducts();
        f.settle();
        QCOMPARE(s.products().size(), 199);
        QCOMPARE(ids(s.products()).count(100), 1);
        f.server.clearRequests();
        s.loadMoreProducts();
        f.settle();
        // The cursor counts what the server sent, not what is shown.
        QCOMPARE(f.paths(true).last(), u"GET /v1/products?limit=100&offset=200"_s);
    }

    void nextPageWaitsForRunningLoads() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        QVERIFY(await(s.refreshVisible(false)).finished);
        f.server.clearRequests();
        f.server.injectFault(u"/v1/products"_s, {.delay = 200ms, .times = 1});
        s.applyProductSort(ProductSort::lastSeen);
        QVERIFY(s.isLoading());
        s.loadMoreProducts();
        f.settle();
        QCOMPARE(f.count(u"/v1/products"_s), 1);

        f.server.injectFault(u"/v1/me/favorites"_s, {.delay = 200ms, .times = 2});
        s.applyFavoriteSort(ProductSort::priceAsc);
        QVERIFY(s.isLoading());
        s.loadMoreProducts();
        f.settle();
        QCOMPARE(f.count(u"/v1/products"_s), 1);
    }

    void aFilterChangeDiscardsTheNextPage() {
        AppStateFixture f;
        AppState& s = f.make();
        QVERIFY(await(s.refreshVisible(false)).finished);
        f.server.injectFault(u"/v1/products"_s, {.delay = 300ms, .times = 1});
        s.loadMoreProducts();
        QTest::qWait(50);
        QVERIFY(s.isLoadingMoreProducts());
        const QString shop = s.sources().first().slug;
        s.applyProductSource(shop);
        f.settle();
        QVERIFY(!s.isLoadingMoreProducts());
        QVERIFY(!s.isLoading());
        QVERIFY(!s.products().isEmpty());
        for (const Product& p : s.products())
            QCOMPARE(p.source->slug, shop);
    }

    void aStaleRefreshIsDropped() {
        AppStateFixture f;
        AppState& s = f.make();
        QVERIFY(await(s.refreshVisible(false)).finished);
        f.server.injectFault(u"/v1/products"_s, {.delay = 400ms, .times = 1});
        QList<bool> loading;
        QObject::connect(&s, &AppState::isLoadingChanged, &s, [&] { loading.append(s.isLoading()); });
        auto poll = s.refreshVisible(false); // the poll's refresh, slow to answer
        QVERIFY(waitUntil([&] { return s.isLoading(); }));
        const QString shop = s.sources().last().slug;
        s.applyProductSource(shop);
        QVERIFY(await(std::move(poll)).finished);
        f.settle();
        // The newest load owned the flag: it went up once and down once.
        QCOMPARE(loading, (QList<bool>{true, false}));
        for (const Product& p : s.products())
            QCOMPARE(p.source->slug, shop);
    }

    void failedLoadsEmptyOrKeepTheList() {
        AppStateFixture f;
        AppState& s = f.make();
        QVERIFY(await(s.refreshVisible(false)).finished);
        f.server.injectFault(u"/v1/products"_s,
                             {.status = 500, .body = R"({"error":"page broke"})", .times = 1});
        s.loadMoreProducts();
        f.settle();
        QCOMPARE(s.products().size(), 100);
        QVERIFY(s.canLoadMoreProducts());
        QCOMPARE(s.banner(), std::optional(u"page broke"_s));
        s.loadMoreProducts(); // the same page again
        f.settle();
        QCOMPARE(s.products().size(), 200);

        f.server.injectFault(u"/v1/products"_s,
                             {.status = 500, .body = R"({"error":"list broke"})", .times = 1});
        s.applyProductSort(ProductSort::priceAsc);
        f.settle();
        QVERIFY(s.products().isEmpty());
        QVERIFY(!s.canLoadMoreProducts());
        QCOMPARE(s.banner(), std::optional(u"list broke"_s));
    }

    void categoryAndSubtypeFilters() {
        AppStateFixture f;
        AppState& s = f.make();
        s.applyProductCategory(u"llm_api"_s);
        s.applyProductSubtype(u"openai"_s);
        s.applyProductCategory(u"llm_api"_s);
        QCOMPARE(s.productSubtype(), std::optional(u"openai"_s)); // the same category keeps it
        s.applyProductCategory(u"claude"_s);
        QVERIFY(!s.productSubtype());
        s.applyProductSubtype(u"pro"_s);
        s.applyProductCategory(std::nullopt);
        QVERIFY(!s.productSubtype());
        QVERIFY(!s.productCategory());
        f.settle();
        QCOMPARE(f.paths(true).last(), u"GET /v1/products?limit=100&offset=0"_s);
    }

    void tabsAndShopsMoveTheRoute() {
        AppStateFixture f;
        AppState& s = f.make();
        s.setRoute(PanelRoute::settings());
        s.selectTab(MenuBarDropdownTab::favorites);
        QCOMPARE(s.route(), PanelRoute::root());
        f.settle();
        QCOMPARE(f.paths(), QStringList{u"GET /health"_s}); // signed out: favourites need nothing

        s.applyProductQuery(u"plus"_s);
        s.applyProductCategory(u"codex"_s);
        s.openProduct(2);
        f.settle();
        s.browseShop(u"hub"_s);
        QCOMPARE(s.route(), PanelRoute::root());
        QCOMPARE(s.selectedTab(), MenuBarDropdownTab::products);
        QCOMPARE(s.productSource(), std::optional(u"hub"_s));
        QVERIFY(!s.productCategory());
        QCOMPARE(s.productQuery(), u"plus"_s);
        f.settle();
        QCOMPARE(f.paths(true).last(), u"GET /v1/products?limit=100&offset=0&q=plus&source=hub"_s);
    }

    void detailsShowOnlyWhileTheirProductIsOpen() {
        AppStateFixture f;
        AppState& s = f.make();
        s.openProduct(1);
        QVERIFY(s.isDetailLoading());
        f.settle();
        QCOMPARE(s.productDetail()->id, 1);
        QVERIFY(!s.productHistory().isEmpty());
        QVERIFY(!s.isDetailLoading());
        // No marks from the server: the local ones are written in, all present.
        QCOMPARE(s.productDetail()->my, std::optional(ReactionFlags{false, false, false}));

        // Opening another keeps the old detail until the new one arrives.
        f.server.injectFault(u"/v1/products/2"_s, {.delay = 200ms, .times = 1});
        s.openProduct(2);
        QTest::qWait(50);
        QCOMPARE(s.productDetail()->id, 1);
        f.settle();
        QCOMPARE(s.productDetail()->id, 2);

        // One that fails leaves no other product in its place.
        f.server.injectFault(u"/v1/products/3"_s, {.status = 500, .body = R"({"error":"gone"})", .times = 1});
        s.openProduct(3);
        f.settle();
        QVERIFY(!s.productDetail());
        QVERIFY(s.productHistory().isEmpty());
        QCOMPARE(s.route(), PanelRoute::product(3));

        // A slow reply for a product the user has left does not come back on screen.
        f.server.injectFault(u"/v1/products/4"_s, {.delay = 300ms, .times = 1});
        s.openProduct(4);
        QTest::qWait(50);
        s.openProduct(5);
        f.settle();
        QCOMPARE(s.productDetail()->id, 5);

        // Nor does one for a detail the user has closed.
        f.server.injectFault(u"/v1/products/6"_s, {.delay = 200ms, .times = 1});
        s.openProduct(6);
        QTest::qWait(50);
        s.popToRoot();
        f.settle();
        QVERIFY(!s.productDetail());
        QVERIFY(s.productHistory().isEmpty());
    }

    void aFailedDetailKeepsWhatArrived() {
        AppStateFixture f;
        AppState& s = f.make();
        f.server.injectFault(u"/v1/products/3/history"_s,
                             {.status = 500, .body = R"({"error":"no history"})"});
        s.openProduct(3);
        f.settle();
        QCOMPARE(s.productDetail()->id, 3);
        QVERIFY(s.productHistory().isEmpty());
        QCOMPARE(s.banner(), std::optional(u"no history"_s));
        QVERIFY(!s.isDetailLoading());
    }

    void derivedLists() {
        AppStateFixture f;
        AppState& s = f.make();
        f.server.injectFault(
            u"/v1/sources"_s,
            {.status = 200,
             .body = R"({"items": [{"slug": "a", "name": "A"}, {"slug": "b", "name": "B", "included": false},
                                                    {"slug": "c", "name": "C", "included": true}]})"});
        f.server.injectFault(u"/v1/scrape-runs"_s, {.status = 200, .body = R"({"items": [
                                  {"id": 1, "source_slug": "a", "status": "success", "started_at": "2026-01-01T10:00:00Z"},
                                  {"id": 2, "source_slug": "a", "status": "failed", "started_at": "2026-01-02T10:00:00Z"},
                                  {"id": 3, "source_slug": "a", "status": "partial", "started_at": "2026-01-02T10:00:00Z"},
                                  {"id": 4, "source_slug": "b", "status": "running", "started_at": "2026-01-03T10:00:00Z"}]})"});
        s.selectTab(MenuBarDropdownTab::sources);
        f.settle();
        QCOMPARE(s.includedSources().size(), 2);
        QCOMPARE(s.includedSources()[0].slug, u"a"_s);
        QCOMPARE(s.pendingSources().size(), 1);
        QCOMPARE(s.pendingSources()[0].slug, u"b"_s);
        QCOMPARE(s.latestRun(u"a"_s)->id, 2); // equal start times: the earlier listed
        QCOMPARE(s.latestRun(u"b"_s)->id, 4);
        QVERIFY(!s.latestRun(u"c"_s));
    }

    // A page asked for while a new search waits out its debounce would land on the old list.
    void noPageOfANewSearchLandsOnTheOldList() {
        AppStateFixture f;
        AppState& s = f.make(std::nullopt, {.pollInterval = 1h, .searchDebounce = 400ms});
        QVERIFY(await(s.refreshVisible(true)).finished);
        f.server.clearRequests();
        const QList<Product> before = s.products();
        QVERIFY(s.canLoadMoreProducts());
        s.applyProductQuery(u"a"_s);
        s.loadMoreProducts();
        QTest::qWait(200);
        QCOMPARE(s.products(), before);
        QVERIFY(waitUntil(
            [&] { return !s.isLoading() && s.productQuery() == u"a"_s && s.products() != before; }));
        f.settle();
        QCOMPARE(f.count(u"/v1/products"_s), 1); // only the search itself
    }
};

QTEST_GUILESS_MAIN(TestAppStateCatalog)
#include "tst_AppStateCatalog.moc"
