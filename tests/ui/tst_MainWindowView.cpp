#include "AppState.h"
#include "AsyncTest.h"
#include "DemoServer.h"
#include "StateBridge.h"
#include "ViewFixture.h"

#include <QNetworkAccessManager>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(QuelvioPlugin)

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

struct MainWindow : ViewFixture {
    MainWindow()
        : ViewFixture("MainWindowView.qml", QSize(980, 640)) {}

    void click(QQuickItem* item) { clickAt(item); }

    // A product the demo server has a history for.
    Product establishedProduct() const {
        for (const Product& product : state->products())
            if (!product.showsNew())
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
        // The rows follow the state on the bridge's next turn, not at once.
        QVERIFY(waitUntil([&] { return main.visible("productList"); }));
        QVERIFY(main.visible("sidebar"));
        QVERIFY(!main.visible("inspector"));
        QVERIFY(!main.visibleTexts(u"设置"_s).isEmpty());
        QVERIFY(waitUntil([&] { return !main.visibleTexts(u"已连接"_s).isEmpty(); }));
    }

    void aThemeSwitchReachesEveryFont() {
        MainWindow main;
        const auto restore = qScopeGuard([] { PanelThemeController::shared().apply(AppTheme::ink); });
        QVERIFY(waitUntil([&] { return main.visible("productList") && main.find("sidebar-products"); }));
        for (AppTheme theme : {AppTheme::ink, AppTheme::blueprint, AppTheme::pixel}) {
            PanelThemeController::shared().apply(theme);
            QVERIFY2(ViewFixture::wearsThemedFont(main.find("sidebar-products")),
                     qPrintable(rawValue(theme)));
            QVERIFY2(ViewFixture::wearsThemedFont(main.find("placeTitle")), qPrintable(rawValue(theme)));
            QVERIFY(ViewFixture::wearsThemedFont(main.root));
        }
    }

    void stockControlsFollowTheTheme() {
        MainWindow main;
        QVERIFY(stockControlsWearTheTheme(main));
    }

    void anOpenProductShowsInTheInspectorUntilClosed() {
        MainWindow main;
        QVERIFY(waitUntil([&] { return !main.state->products().isEmpty() && !main.state->isLoading(); }));
        const Product product = main.establishedProduct();
        main.bridge->openProduct(product.id);

        QVERIFY(waitUntil([&] { return main.visible("inspector") && main.find("priceChart"); }));
        QQuickItem* chart = main.find("priceChart");
        QVERIFY(waitUntil([&] { return chart->isVisible() && chart->property("sampleCount").toInt() > 1; }));
        QVERIFY(chart->height() > 100);
        QVERIFY(!main.visibleTexts(u"详情"_s).isEmpty());
        QVERIFY(!main.visibleTexts(product.name).isEmpty());
        QVERIFY(!main.visibleTexts(u"#%1"_s.arg(product.id)).isEmpty());
        QVERIFY(!main.visibleTexts(u"价格历史"_s).isEmpty());
        QVERIFY(!main.visibleTexts(u"库存"_s).isEmpty());
        QVERIFY(!main.visibleTexts(u"状态"_s).isEmpty());
        QVERIFY(!main.visibleTexts(u"登录后可收藏 / 踩"_s).isEmpty());
        // The inspector closes instead of going back; the centre keeps the product list.
        QVERIFY(!main.find("detailBack"));
        QVERIFY(main.visible("productList"));

        QQuickItem* close = main.find("detailClose");
        QVERIFY(close && close->isVisible());
        main.click(close);
        QVERIFY(waitUntil([&] { return !main.visible("inspector"); }));
        QCOMPARE(main.state->route(), PanelRoute::root());
        QVERIFY(!main.state->productDetail());
        QVERIFY(main.visible("productList"));
        QVERIFY(main.visibleTexts(u"价格历史"_s).isEmpty());
    }

    void aProductThatFailsShowsTheFailureNotThePreviousOne() {
        MainWindow main;
        QVERIFY(waitUntil([&] { return !main.state->products().isEmpty() && !main.state->isLoading(); }));
        const Product first = main.establishedProduct();
        main.bridge->openProduct(first.id);
        QVERIFY(waitUntil([&] { return !main.visibleTexts(u"#%1"_s.arg(first.id)).isEmpty(); }));
        main.bridge->openProduct(987654321);
        QVERIFY(waitUntil([&] { return !main.visibleTexts(u"无法加载商品"_s).isEmpty(); }));
        QVERIFY(main.visible("inspector"));
        QVERIFY(main.visibleTexts(u"#%1"_s.arg(first.id)).isEmpty());
        QVERIFY(!main.find("favoriteButton") || !main.find("favoriteButton")->isVisible());
    }

    void signedInReactionsFlipTheirLabels() {
        MainWindow main;
        const demo::Credentials account = main.server->userAccount();
        main.state->setAuthUsername(account.username);
        main.state->setAuthPassword(account.password);
        QVERIFY(await(main.state->loginOrRegister()).finished);
        QVERIFY(main.state->session().isLoggedIn());
        QVERIFY(waitUntil([&] { return !main.state->products().isEmpty() && !main.state->isLoading(); }));
        Product product = main.establishedProduct();
        for (const Product& candidate : main.state->products())
            if (!main.state->favoriteProductIDs().contains(candidate.id) && !candidate.showsNew()) {
                product = candidate;
                break;
            }
        QVERIFY(!main.state->favoriteProductIDs().contains(product.id));
        main.bridge->openProduct(product.id);
        QVERIFY(waitUntil([&] { return main.visible("inspector") && main.visible("favoriteButton"); }));
        QQuickItem* favorite = main.find("favoriteButton");
        QCOMPARE(favorite->property("title").toString(), u"收藏"_s);
        QVERIFY(favorite->property("enabled").toBool());
        QVERIFY(main.visibleTexts(u"登录后可收藏 / 踩"_s).isEmpty());

        main.click(favorite);
        QVERIFY(waitUntil([&] { return main.state->favoriteProductIDs().contains(product.id); }));
        QVERIFY(waitUntil([&] { return favorite->property("title").toString() == u"已收藏"_s; }));
    }

    void theInspectorOnlyAccompaniesProductsAndFavourites() {
        MainWindow main;
        QVERIFY(waitUntil([&] { return !main.state->products().isEmpty() && !main.state->isLoading(); }));
        main.bridge->openProduct(main.establishedProduct().id);
        QVERIFY(waitUntil([&] { return main.visible("inspector"); }));

        main.bridge->selectTab(u"sources"_s);
        QVERIFY(waitUntil([&] { return !main.visible("inspector"); }));
        main.bridge->selectTab(u"favorites"_s);
        QVERIFY(waitUntil([&] { return main.visible("inspector"); }));

        main.click(main.find("sidebar-settings"));
        QVERIFY(waitUntil([&] { return main.state->route() == PanelRoute::settings(); }));
        QVERIFY(!main.visible("inspector"));
        QCOMPARE(main.find("placeTitle")->property("text").toString(), u"设置"_s);
    }

    void theWindowOffersAWayOut() {
        MainWindow main;
        QSignalSpy quit(main.bridge.get(), &StateBridge::quitRequested);
        QQuickItem* item = main.find("sidebar-quit");
        QVERIFY(item && item->isVisible());
        main.click(item);
        QCOMPARE(quit.count(), 1);
    }
};

QTEST_MAIN(TestMainWindowView)
#include "tst_MainWindowView.moc"
