#include "AppState.h"
#include "AsyncTest.h"
#include "DemoServer.h"
#include "PanelThemeController.h"
#include "StateBridge.h"
#include "ViewFixture.h"

#include <QAbstractItemModelTester>
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

struct Panel : ViewFixture {
    Panel()
        : ViewFixture("MenuBarDropdownView.qml", QSize(400, 560)) {
        state->appearOnPanel(); // as the shell does whenever it shows the panel
    }
};

} // namespace

class TestPanelViews : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void productsAppearThenTheOfflineState() {
        Panel panel;
        QQuickItem* list = panel.find("productList");
        QVERIFY(list);
        QVERIFY(waitUntil([&] { return list->property("count").toInt() == 100; }));
        QVERIFY(list->isVisible());
        QVERIFY(!panel.visibleTexts(u"已连接"_s).isEmpty());
        const QString first = panel.state->displayedProductSections().feed.first().name;
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(first).isEmpty(); }));

        // The server goes away; the next refresh finds nothing and says so.
        panel.server.reset();
        QVERIFY(await(panel.state->refreshVisible(false)).finished);
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(u"无法连接服务器"_s).isEmpty(); }));
        QVERIFY(!panel.visibleTexts(u"离线"_s).isEmpty());
        QVERIFY(!list->isVisible());
    }

    void scrollingToTheEndLoadsTheNextPage() {
        Panel panel;
        QQuickItem* list = panel.find("productList");
        QVERIFY(
            waitUntil([&] { return list->property("count").toInt() == 100 && !panel.state->isLoading(); }));
        QTest::qWait(100); // the first screen alone asks for nothing more
        QCOMPARE(list->property("count").toInt(), 100);
        QVERIFY(!panel.state->isLoadingMoreProducts());
        QMetaObject::invokeMethod(list, "positionViewAtEnd");
        QVERIFY(waitUntil([&] { return list->property("count").toInt() == 200; }));
    }

    void aThemeSwitchReachesEveryFont() {
        Panel panel;
        const auto restore = qScopeGuard([] { PanelThemeController::shared().apply(AppTheme::ink); });
        QVERIFY(waitUntil([&] { return panel.find("tab-products") != nullptr; }));
        QQuickItem* chip = panel.find("tab-products");
        QQuickItem* search = panel.find("productSearch");
        QVERIFY(chip && search);
        for (AppTheme theme : {AppTheme::ink, AppTheme::blueprint, AppTheme::pixel}) {
            PanelThemeController::shared().apply(theme);
            QVERIFY2(ViewFixture::wearsThemedFont(chip), qPrintable(rawValue(theme)));
            QVERIFY2(ViewFixture::wearsThemedFont(search), qPrintable(rawValue(theme)));
            QVERIFY(ViewFixture::wearsThemedFont(panel.root)); // the header and every row too
        }
    }

    void stockControlsFollowTheTheme() {
        Panel panel;
        QVERIFY(stockControlsWearTheTheme(panel));
    }

    void tabsSwitchTheContent() {
        Panel panel;
        QVERIFY(waitUntil([&] { return !panel.state->products().isEmpty(); }));
        panel.bridge->selectTab(u"favorites"_s);
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(u"登录后可收藏店铺与商品"_s).isEmpty(); }));
        panel.bridge->selectTab(u"sources"_s);
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(u"已收录"_s).isEmpty(); }));
        QVERIFY(!panel.visibleTexts(u"需登录"_s).isEmpty());
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(u"待收录"_s).isEmpty(); }));
    }

    void theProductPageGoesBack() {
        Panel panel;
        QVERIFY(waitUntil([&] { return !panel.state->products().isEmpty() && !panel.state->isLoading(); }));
        const Product product = panel.state->products().first();
        panel.bridge->openProduct(product.id);
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(u"#%1"_s.arg(product.id)).isEmpty(); }));
        QVERIFY(!panel.visibleTexts(u"详情"_s).isEmpty());
        QVERIFY(!panel.visibleTexts(u"价格历史"_s).isEmpty());
        QVERIFY(!panel.find("detailClose"));
        QQuickItem* back = panel.find("detailBack");
        QVERIFY(back && back->isVisible());
        QMetaObject::invokeMethod(back, "clicked");
        QVERIFY(waitUntil([&] { return panel.state->route() == PanelRoute::root(); }));
        QVERIFY(
            waitUntil([&] { return panel.find("productList") && panel.find("productList")->isVisible(); }));
    }

    void switchesMoveWithTheThemeUnlessTheDesktopReducesMotion() {
        Panel panel;
        PanelThemeController& theme = PanelThemeController::shared();
        const auto restore = qScopeGuard([&] { theme.setReduceMotion(true); });
        theme.setReduceMotion(false);
        QVERIFY(waitUntil([&] { return !panel.state->products().isEmpty() && !panel.state->isLoading(); }));
        const auto page = [&](const char* pages) {
            return panel.find(pages)->property("item").value<QQuickItem*>();
        };
        const auto settled = [&](const char* pages) {
            QQuickItem* item = page(pages);
            return waitUntil([&] { return item->opacity() == 1 && item->x() == 0; });
        };

        // A later tab comes in from the right, fading in; an earlier one from the left.
        panel.bridge->selectTab(u"sources"_s);
        QVERIFY(page("tabPages")->opacity() < 1);
        QVERIFY(page("tabPages")->x() > 0);
        QVERIFY(settled("tabPages"));
        panel.bridge->selectTab(u"favorites"_s);
        QVERIFY(page("tabPages")->x() < 0);
        QVERIFY(settled("tabPages"));

        // A product opens from the right and the list comes back from the left.
        panel.bridge->openProduct(panel.state->products().first().id);
        QVERIFY(page("routePages")->x() > 0);
        QVERIFY(settled("routePages"));
        panel.bridge->popToRoot();
        QVERIFY(page("routePages")->x() < 0);
        QVERIFY(settled("routePages"));

        // The desktop asks for reduced motion: the next switch is immediate.
        theme.setReduceMotion(true);
        panel.bridge->selectTab(u"products"_s);
        QCOMPARE(page("tabPages")->opacity(), 1.0);
        QCOMPARE(page("tabPages")->x(), 0.0);
        QVERIFY(!panel.find("tabPages")->property("switching").toBool());
    }

    void aProductThatCannotLoadSaysSo() {
        Panel panel;
        QVERIFY(waitUntil([&] { return !panel.state->products().isEmpty() && !panel.state->isLoading(); }));
        panel.bridge->openProduct(987654321);
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(u"无法加载商品"_s).isEmpty(); }));
        QVERIFY(panel.visibleTexts(u"价格历史"_s).isEmpty());
    }

    void theBannerClearsItselfButNotANewerText() {
        Panel panel;
        panel.state->setBanner(u"第一条"_s);
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(u"第一条"_s).isEmpty(); }));
        QTest::qWait(150);
        panel.state->setBanner(u"第二条"_s);
        QTest::qWait(220); // past the first text's time, within the second's
        QCOMPARE(panel.state->banner(), std::optional(u"第二条"_s));
        QVERIFY(waitUntil([&] { return !panel.state->banner(); }, 2s));
        QVERIFY(panel.visibleTexts(u"第二条"_s).isEmpty());
    }

    void anUnchangedRefreshKeepsEveryRow() {
        Panel panel;
        KeyedListModel* products = panel.bridge->products();
        QAbstractItemModelTester tester(products, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(waitUntil([&] { return products->count() == 100 && !panel.state->isLoading(); }));
        QTest::qWait(100);
        QSignalSpy inserted(products, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(products, &QAbstractItemModel::rowsRemoved);
        QSignalSpy moved(products, &QAbstractItemModel::rowsMoved);
        QSignalSpy reset(products, &QAbstractItemModel::modelReset);
        QVERIFY(await(panel.state->refreshVisible(false)).finished);
        QTest::qWait(100);
        QCOMPARE(inserted.count() + removed.count() + moved.count() + reset.count(), 0);
        QCOMPARE(products->count(), 100);
    }
};

QTEST_MAIN(TestPanelViews)
#include "tst_PanelViews.moc"
