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

    // The cursor counts what the server sent, not what is shown; a short page ends the paging and a
    // refresh asks for everything loaded.
    void paging() {
        AppStateFixture f;
        AppState& s = f.make();
        f.server.injectFault(u"/v1/products"_s, {.status = 200, .body = page(1, 100), .times = 1});
        QVERIFY(await(s.refreshVisible(false)).finished);
        f.server.injectFault(u"/v1/products"_s, {.status = 200, .body = page(100, 100), .times = 1});
        s.loadMoreProducts();
        f.settle();
        QCOMPARE(s.products().size(), 199);
        // A failed page keeps the list, and the next try asks for the same page.
        f.server.injectFault(u"/v1/products"_s,
                             {.status = 500, .body = R"({"error":"page broke"})", .times = 1});
        s.loadMoreProducts();
        f.settle();
        QCOMPARE(s.products().size(), 199);
        f.server.injectFault(u"/v1/products"_s, {.status = 200, .body = page(200, 50), .times = 1});
        s.loadMoreProducts();
        f.settle();
        QCOMPARE(f.paths(true).last(), u"GET /v1/products?limit=100&offset=200"_s);
        QVERIFY(!s.canLoadMoreProducts());
        f.server.clearRequests();
        s.loadMoreProducts();
        f.settle();
        QCOMPARE(f.count(u"/v1/products"_s), 0);
        QVERIFY(await(s.refreshVisible(false)).finished);
        QCOMPARE(f.paths(true).last(), u"GET /v1/products?limit=250&offset=0"_s);

        // A failed new list empties it.
        f.server.injectFault(u"/v1/products"_s,
                             {.status = 500, .body = R"({"error":"list broke"})", .times = 1});
        s.applyProductSort(ProductSort::priceAsc);
        f.settle();
        QVERIFY(s.products().isEmpty() && !s.canLoadMoreProducts());
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

    void detailsShowOnlyWhileTheirProductIsOpen() {
        AppStateFixture f;
        AppState& s = f.make();
        // A slow reply for a product the user has left does not come back on screen.
        f.server.injectFault(u"/v1/products/4"_s, {.delay = 300ms, .times = 1});
        s.openProduct(4);
        QVERIFY(waitUntil([&] { return f.count(u"/v1/products/4"_s) == 1; }));
        s.openProduct(5);
        f.settle();
        QCOMPARE(s.productDetail()->id, 5);

        // A detail whose history fails keeps what arrived.
        f.server.injectFault(u"/v1/products/7/history"_s,
                             {.status = 500, .body = R"({"error":"no history"})"});
        s.openProduct(7);
        f.settle();
        QCOMPARE(s.productDetail()->id, 7);
        QVERIFY(!s.isDetailLoading());

        // Left, a product takes its half-written report with it.
        s.setReportNote(u"缺货"_s);
        s.popToRoot();
        s.openProduct(5);
        QCOMPARE(s.reportNote(), QString());
    }

    // Of two runs of a shop started at the same second, the first listed is the shop's.
    void aShopShowsItsLatestRun() {
        AppStateFixture f;
        AppState& s = f.make();
        f.server.injectFault(
            u"/v1/scrape-runs"_s,
            {.status = 200,
             .body =
                 R"({"items": [)"
                 R"({"id": 1, "source_slug": "a", "status": "failed", "started_at": "2026-01-01T00:00:00Z"},)"
                 R"({"id": 2, "source_slug": "a", "status": "success", "started_at": "2026-01-01T00:00:00Z"},)"
                 R"({"id": 3, "source_slug": "a", "status": "partial", "started_at": "2025-12-31T00:00:00Z"}]})"});
        s.selectTab(MenuBarDropdownTab::sources);
        f.settle();
        QCOMPARE(s.latestRun(u"a"_s)->status, u"failed"_s);
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

    // Whatever else loads meanwhile (here the favourites, which finish first and clear the shared
    // busy flag), no next page is asked for while the first page is on its way.
    void aNextPageWaitsForTheFirstPage() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        QVERIFY(await(s.refreshVisible(true)).finished);
        QVERIFY(s.canLoadMoreProducts());
        f.server.clearRequests();
        f.server.injectFault(u"/v1/products"_s, {.delay = 400ms, .times = 1});
        s.applyProductSort(ProductSort::lastSeen);
        s.applyFavoriteSort(ProductSort::priceAsc);
        QVERIFY(waitUntil([&] { return f.count(u"/v1/me/favorites"_s) == 2 && !s.isLoading(); }));
        s.loadMoreProducts();
        f.settle();
        QCOMPARE(f.count(u"/v1/products"_s), 1); // the first page only
    }

    // Only a web address with a host leaves the app; the server cannot make a click open a file,
    // a share or another program.
    void onlyWebAddressesOpen_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("opens");
        QTest::newRow("https") << u"https://shop.example/p/3?ref=q"_s << true;
        QTest::newRow("http, upper case") << u"HTTP://shop.example/p/3"_s << true;
        QTest::newRow("file") << u"file:///etc/passwd"_s << false;
        QTest::newRow("smb") << u"smb://host/share"_s << false;
        QTest::newRow("custom handler") << u"steam://run/1"_s << false;
        QTest::newRow("javascript") << u"javascript:alert(1)"_s << false;
        QTest::newRow("no host") << u"https:///etc/passwd"_s << false;
        QTest::newRow("relative") << u"/p/3"_s << false;
    }

    void onlyWebAddressesOpen() {
        QFETCH(QString, address);
        QFETCH(bool, opens);
        AppStateFixture f;
        const QJsonObject product{{"id", 3}, {"name", "P3"}, {"price", "1"}, {"product_url", address}};
        f.server.injectFault(u"/v1/products/3"_s,
                             {.status = 200, .body = QJsonDocument(product).toJson(QJsonDocument::Compact)});
        AppState& s = f.make();
        s.openProduct(3);
        f.settle();
        QVERIFY(s.productDetail());
        const auto url = s.productPageToOpen();
        QCOMPARE(url.has_value(), opens);
        QCOMPARE(s.banner().has_value(), !opens);
        if (opens)
            QCOMPARE(url->host(), u"shop.example"_s);
    }
};

QTEST_GUILESS_MAIN(TestAppStateCatalog)
#include "tst_AppStateCatalog.moc"
