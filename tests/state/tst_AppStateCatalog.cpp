#include "AppStateFixture.h"

#include <QJsonArray>

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

} // namespace

class TestAppStateCatalog : public QObject {
    Q_OBJECT

private slots:
    void typingLoadsOnceAfterThePause() {
        AppStateFixture f;
        AppState& s = f.make(std::nullopt, {1h, 100ms});
        s.applyProductQuery(u"c"_s);
        s.applyProductQuery(u"cl"_s);
        f.settle();
        QCOMPARE(f.paths(true), QStringList{u"GET /v1/products?limit=100&offset=0&q=cl"_s});
    }

    void pagingAppendsFullPagesUntilAShortOne() {
        AppStateFixture f;
        AppState& s = f.make();
        QVERIFY(await(s.refreshVisible(false)).finished);
        QCOMPARE(s.products().size(), 100);
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
        // A refresh asks for everything shown.
        QVERIFY(await(s.refreshVisible(false)).finished);
        QCOMPARE(f.paths(true).last(), u"GET /v1/products?limit=%1&offset=0"_s.arg(total));
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
        f.server.clearRequests();
        s.loadMoreProducts();
        f.settle();
        // The cursor counts what the server sent, not what is shown.
        QCOMPARE(f.paths(true).last(), u"GET /v1/products?limit=100&offset=200"_s);
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
        QCOMPARE(s.banner(), std::optional(u"page broke"_s));
        s.loadMoreProducts(); // the same page again
        f.settle();
        QCOMPARE(s.products().size(), 200);

        f.server.injectFault(u"/v1/products"_s,
                             {.status = 500, .body = R"({"error":"list broke"})", .times = 1});
        s.applyProductSort(ProductSort::priceAsc);
        f.settle();
        QVERIFY(s.products().isEmpty() && !s.canLoadMoreProducts());
        QCOMPARE(s.banner(), std::optional(u"list broke"_s));
    }

    void filtersTabsAndShopsMoveTheListAndTheRoute() {
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

        s.setRoute(PanelRoute::settings());
        s.selectTab(MenuBarDropdownTab::favorites);
        QCOMPARE(s.route(), PanelRoute::root());
        s.applyProductQuery(u"plus"_s);
        s.applyProductCategory(u"codex"_s);
        s.openProduct(2);
        f.settle();
        s.browseShop(u"hub"_s);
        QCOMPARE(s.route(), PanelRoute::root());
        QCOMPARE(s.selectedTab(), MenuBarDropdownTab::products);
        QVERIFY(!s.productCategory());
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
        QVERIFY(!s.productHistory().isEmpty() && !s.isDetailLoading());
        // No marks from the server: the local ones are written in, all present.
        QCOMPARE(s.productDetail()->my, std::optional(ReactionFlags{false, false, false}));

        // One that fails leaves no other product in its place.
        f.server.injectFault(u"/v1/products/3"_s, {.status = 500, .body = R"({"error":"gone"})", .times = 1});
        s.openProduct(3);
        f.settle();
        QVERIFY(!s.productDetail() && s.productHistory().isEmpty());
        QCOMPARE(s.route(), PanelRoute::product(3));

        // A slow reply for a product the user has left does not come back on screen...
        f.server.injectFault(u"/v1/products/4"_s, {.delay = 300ms, .times = 1});
        s.openProduct(4);
        QVERIFY(waitUntil([&] { return f.count(u"/v1/products/4"_s) == 1; }));
        s.openProduct(5);
        f.settle();
        QCOMPARE(s.productDetail()->id, 5);

        // ...nor does one for a detail the user has closed.
        f.server.injectFault(u"/v1/products/6"_s, {.delay = 200ms, .times = 1});
        s.openProduct(6);
        QVERIFY(waitUntil([&] { return f.count(u"/v1/products/6"_s) == 1; }));
        s.popToRoot();
        f.settle();
        QVERIFY(!s.productDetail() && s.productHistory().isEmpty());

        // A detail whose history fails keeps what arrived.
        f.server.injectFault(u"/v1/products/7/history"_s,
                             {.status = 500, .body = R"({"error":"no history"})"});
        s.openProduct(7);
        f.settle();
        QCOMPARE(s.productDetail()->id, 7);
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
            {"id": 3, "source_slug": "a", "status": "partial", "started_at": "2026-01-02T10:00:00Z"}]})"});
        s.selectTab(MenuBarDropdownTab::sources);
        f.settle();
        QCOMPARE(s.includedSources().size(), 2);
        QCOMPARE(s.pendingSources().first().slug, u"b"_s);
        QCOMPARE(s.latestRun(u"a"_s)->id, 2); // equal start times: the earlier listed
        QVERIFY(!s.latestRun(u"c"_s));
    }

    // A next page waits for a running load, and one asked for before a change of filter or
    // while a new search waits out its debounce never lands on the new list.
    void aNextPageLandsOnlyOnItsOwnList() {
        AppStateFixture f;
        AppState& s = f.make(std::nullopt, {.pollInterval = 1h, .searchDebounce = 100ms});
        QVERIFY(await(s.refreshVisible(false)).finished);
        f.server.clearRequests();
        f.server.injectFault(u"/v1/products"_s, {.delay = 200ms, .times = 1});
        s.applyProductSort(ProductSort::lastSeen);
        s.loadMoreProducts();
        f.settle();
        QCOMPARE(f.count(u"/v1/products"_s), 1);

        f.server.clearRequests();
        QVERIFY(s.canLoadMoreProducts());
        s.applyProductQuery(u"a"_s);
        s.loadMoreProducts();
        QVERIFY(!s.isLoadingMoreProducts());
        QVERIFY(waitUntil([&] { return f.count(u"/v1/products"_s) == 1; }));
        f.settle();
        QCOMPARE(f.count(u"/v1/products"_s), 1); // only the search itself

        s.applyProductQuery({});
        f.settle();
        QVERIFY(s.canLoadMoreProducts());
        f.server.injectFault(u"/v1/products"_s, {.delay = 300ms, .times = 1});
        s.loadMoreProducts();
        QVERIFY(s.isLoadingMoreProducts());
        const QString shop = s.sources().first().slug;
        s.applyProductSource(shop);
        f.settle();
        QVERIFY(!s.isLoadingMoreProducts() && !s.isLoading());
        QVERIFY(!s.products().isEmpty());
        for (const Product& p : s.products())
            QCOMPARE(p.source->slug, shop);
    }
};

QTEST_GUILESS_MAIN(TestAppStateCatalog)
#include "tst_AppStateCatalog.moc"
