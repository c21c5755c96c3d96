#include "ViewFixture.h"

#include <QSignalSpy>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;

namespace {

struct MainWindow : ViewFixture {
    MainWindow()
        : ViewFixture({.mainWindow = true}) {}

    // A product the demo server has a history for, not yet starred.
    Product establishedProduct() const {
        for (const Product& product : state->products())
            if (!product.showsNew() && !state->favoriteProductIDs().contains(product.id))
                return product;
        return state->products().first();
    }
};

} // namespace

class TestMainWindowView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void theRootShowsTheTabsWithoutAnInspector() {
        MainWindow main;
        QVERIFY(main.loaded());
        QVERIFY(waitUntil([&] { return main.visible("productList") && main.visible("sidebar-settings"); }));
        QVERIFY(!main.visible("inspector"));
        QVERIFY(waitUntil([&] { return main.showsText(u"已连接"_s); }));
        QVERIFY(stockControlsWearTheTheme(main));
        main.key(Qt::Key_2, Qt::ControlModifier); // the panel's shortcuts work here too
        QCOMPARE(main.state->selectedTab(), MenuBarDropdownTab::favorites);
    }

    void anOpenProductShowsInTheInspectorUntilClosed() {
        MainWindow main;
        QVERIFY(main.loaded());
        const Product product = main.establishedProduct();
        main.bridge->openProduct(product.id);

        QVERIFY(waitUntil([&] { return main.visible("inspector") && main.find("priceChart"); }));
        QQuickItem* chart = main.find("priceChart");
        QVERIFY(waitUntil([&] { return chart->isVisible() && chart->property("sampleCount").toInt() > 1; }));
        QVERIFY(main.settle());
        QVERIFY(chart->height() > 100);
        QVERIFY(main.showsText(product.name));
        QVERIFY(main.showsText(u"登录后可收藏 / 踩"_s));
        // The inspector closes instead of going back; the centre keeps the product list.
        QVERIFY(!main.find("detailBack"));
        QVERIFY(main.visible("productList"));

        main.clickAt(main.shown("detailClose"));
        QVERIFY(waitUntil([&] { return !main.visible("inspector"); }));
        QCOMPARE(main.state->route(), PanelRoute::root());
        QVERIFY(!main.state->productDetail());
        QVERIFY(main.visible("productList"));
    }

    void aProductThatFailsShowsTheFailureNotThePreviousOne() {
        MainWindow main;
        QVERIFY(main.loaded());
        const Product first = main.establishedProduct();
        main.bridge->openProduct(first.id);
        QVERIFY(waitUntil([&] { return main.showsText(u"#%1"_s.arg(first.id)); }));
        main.bridge->openProduct(987654321);
        QVERIFY(waitUntil([&] { return main.showsText(u"无法加载商品"_s); }));
        QVERIFY(main.visible("inspector"));
        QVERIFY(!main.showsText(u"#%1"_s.arg(first.id)));
        QVERIFY(!main.showsText(u"价格历史"_s));
        QVERIFY(!main.visible("favoriteButton"));
    }

    void aStarStaysOnOnceTheStateSettles() {
        MainWindow main;
        const demo::Credentials account = main.server->userAccount();
        main.state->setAuthUsername(account.username);
        main.state->setAuthPassword(account.password);
        QVERIFY(await(main.state->loginOrRegister()).finished);
        QVERIFY(main.state->session().isLoggedIn());
        QVERIFY(main.loaded());
        const Product product = main.establishedProduct();
        QVERIFY(!main.state->favoriteProductIDs().contains(product.id));
        main.bridge->openProduct(product.id);
        // Clicked while the detail still loads, the button may move under the pointer: wait for
        // the product, its history and the layout they make.
        QVERIFY(waitUntil([&] {
            return main.state->productDetail() && !main.state->isLoading() &&
                   main.visible("favoriteButton") && main.find("favoriteButton")->isEnabled();
        }));
        QQuickItem* favorite = main.find("favoriteButton");
        QCOMPARE(favorite->property("title").toString(), u"收藏"_s);
        QVERIFY(!main.showsText(u"登录后可收藏 / 踩"_s));

        main.clickAt(favorite);
        QVERIFY(waitUntil([&] { return favorite->property("title").toString() == u"已收藏"_s; }));
        // The reloads the star starts must not take it back.
        QVERIFY(waitUntil([&] { return !main.state->isLoading() && main.state->productDetail(); }));
        QVERIFY(main.settle());
        QVERIFY(main.state->favoriteProductIDs().contains(product.id));
        QCOMPARE(favorite->property("title").toString(), u"已收藏"_s);
    }

    void theInspectorOnlyAccompaniesProductsAndFavourites() {
        MainWindow main;
        QVERIFY(main.loaded());
        main.bridge->openProduct(main.establishedProduct().id);
        QVERIFY(waitUntil([&] { return main.visible("inspector"); }));

        main.bridge->selectTab(u"sources"_s);
        QVERIFY(waitUntil([&] { return !main.visible("inspector"); }));
        main.bridge->selectTab(u"favorites"_s);
        QVERIFY(waitUntil([&] { return main.visible("inspector"); }));

        main.clickAt(main.find("sidebar-settings"));
        QVERIFY(waitUntil([&] { return main.state->route() == PanelRoute::settings(); }));
        QVERIFY(waitUntil([&] { return !main.visible("inspector"); }));
        QCOMPARE(main.find("placeTitle")->property("text").toString(), u"设置"_s);
        QVERIFY(main.shown("apiKeyField") && !main.visible("settingsBackButton")); // the sidebar leads back
    }

    void theWindowOffersAWayOut() {
        MainWindow main;
        QSignalSpy quit(main.bridge.get(), &StateBridge::quitRequested);
        QQuickItem* item = main.find("sidebar-quit");
        QVERIFY(item && item->isVisible());
        main.clickAt(item);
        QCOMPARE(quit.count(), 1);
    }
};

QTEST_MAIN(TestMainWindowView)
#include "tst_MainWindowView.moc"
