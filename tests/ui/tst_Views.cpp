#include "SecureFieldAccessible.h"
#include "ThemeCatalog.h"
#include "ViewFixture.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSignalSpy>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// The panel and the main window, driven by pointer and keyboard.
class TestViews : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QAccessible::setActive(true);
        SecureFieldAccessible::install();
    }
    void cleanup() { PanelThemeController::shared().apply(AppTheme::ink); }

    void theProductListLoadsKeepsItsRowsPagesAndGoesOffline() {
        ViewFixture panel;
        KeyedListModel* products = panel.bridge->products();
        QAbstractItemModelTester tester(products, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QQuickItem* list = panel.find("productList");
        QVERIFY(panel.loaded());
        QVERIFY(waitUntil([&] { return list->property("count").toInt() == 100 && list->isVisible(); }));
        const QString first = panel.state->displayedProductSections().feed.first().name;
        QVERIFY(waitUntil([&] { return panel.showsText(first); }));

        // An unchanged refresh leaves every row where it is; the first screen, laid out, asks
        // for no more.
        QSignalSpy inserted(products, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(products, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(products, &QAbstractItemModel::modelReset);
        QVERIFY(await(panel.state->refreshVisible(false)).finished);
        QVERIFY(panel.settle());
        QCOMPARE(inserted.count() + removed.count() + reset.count(), 0);
        QVERIFY(!panel.state->isLoadingMoreProducts());
        QMetaObject::invokeMethod(list, "positionViewAtEnd");
        QVERIFY(waitUntil([&] { return list->property("count").toInt() == 200; }));

        // The server goes away; the next refresh finds nothing and says so.
        panel.server.reset();
        QVERIFY(await(panel.state->refreshVisible(false)).finished);
        QVERIFY(waitUntil([&] { return panel.showsText(u"无法连接服务器"_s); }));
        QVERIFY(panel.showsText(u"离线"_s));
        QVERIFY(!list->isVisible());
    }

    // Chosen in the settings, a theme is stored and reaches every text.
    void aThemeSwitchReachesEveryFontAndIsStored() {
        ViewFixture panel;
        QVERIFY(panel.loaded());
        for (AppTheme theme : {AppTheme::blueprint, AppTheme::pixel}) {
            PanelThemeController::shared().apply(theme);
            QVERIFY2(panel.wearsThemedFont(panel.find("productSearch")), qPrintable(rawValue(theme)));
            QVERIFY(panel.wearsThemedFont(panel.root)); // the header and every row too
        }

        panel.bridge->showSettings();
        panel.click(panel.shown("themeCard_paper"));
        QVERIFY(waitUntil([&] { return PanelThemeController::shared().theme() == AppTheme::paper; }));
        QCOMPARE(panel.store->load().theme, AppTheme::paper);
        QCOMPARE(panel.root->property("color").value<QColor>(), ThemeCatalog::paper().palette.bgBase);
    }

    void switchesMoveWithTheThemeUnlessTheDesktopReducesMotion() {
        ViewFixture panel;
        PanelThemeController& theme = PanelThemeController::shared();
        const auto restore = qScopeGuard([&] { theme.setReduceMotion(true); });
        theme.setReduceMotion(false);
        QVERIFY(panel.loaded());
        const auto page = [&] { return panel.find("tabPages")->property("item").value<QQuickItem*>(); };
        const auto settled = [&] {
            QQuickItem* item = page();
            return waitUntil([&] { return item->opacity() == 1 && item->x() == 0; });
        };

        // A later tab comes in from the right, fading in; an earlier one from the left.
        panel.bridge->selectTab(u"sources"_s);
        QVERIFY(page()->opacity() < 1);
        QVERIFY(page()->x() > 0);
        QVERIFY(settled());
        panel.bridge->selectTab(u"favorites"_s);
        QVERIFY(page()->x() < 0);
        QVERIFY(settled());

        // The desktop asks for reduced motion: the next switch is immediate.
        theme.setReduceMotion(true);
        panel.bridge->selectTab(u"products"_s);
        QCOMPARE(page()->opacity(), 1.0);
        QCOMPARE(page()->x(), 0.0);
    }

    void theBannerClearsItselfButNotANewerText() {
        const std::chrono::milliseconds lifetime = 1s;
        ViewFixture panel({.bannerLifetime = lifetime});
        QElapsedTimer sinceFirst;
        sinceFirst.start();
        const auto past = [&](std::chrono::milliseconds time) {
            return waitUntil([&] { return std::chrono::milliseconds(sinceFirst.elapsed()) >= time; });
        };
        panel.state->setBanner(u"第一条"_s);
        QVERIFY(waitUntil([&] { return panel.showsText(u"第一条"_s); }));
        QVERIFY(past(lifetime / 2));
        panel.state->setBanner(u"第二条"_s);
        QVERIFY(past(lifetime + 100ms)); // past the first text's time, well within the second's
        QCOMPARE(panel.state->banner(), std::optional(u"第二条"_s));
        QVERIFY(waitUntil([&] { return !panel.state->banner() && !panel.showsText(u"第二条"_s); }, 5s));
    }

    void theSettingsClearTheKeyAndSwitchLaunchAtLogin() {
        ViewFixture panel({.apiKey = u"operator-key"_s});
        panel.bridge->showSettings();
        QVERIFY(waitUntil([&] { return panel.showsText(u"全部更新"_s); }));
        QQuickItem* field = panel.shown("apiKeyField");
        field->property("input").value<QQuickItem*>()->forceActiveFocus();
        panel.key(Qt::Key_A, Qt::ControlModifier);
        panel.key(Qt::Key_Backspace);
        panel.click(panel.shown("saveAPIKeyButton"));
        QVERIFY(waitUntil(
            [&] { return panel.showsText(u"已清除 API Key"_s) && !panel.showsText(u"全部更新"_s); }));
        QVERIFY(!panel.store->load().hasAPIKey());

        // Refused, the launch switch shows the reason and stays off; then it goes on.
        QQuickItem* toggle = panel.shown("launchAtLoginSwitch");
        QVERIFY(waitUntil([&] { return toggle->isEnabled(); }));
        const QString why = u"无法创建目录：/home/someone/.config/autostart"_s;
        panel.loginItems.refusal = why;
        panel.click(toggle);
        QVERIFY(waitUntil([&] { return panel.showsText(why); }));
        QVERIFY(!toggle->property("checked").toBool());
        panel.loginItems.refusal.reset();
        panel.click(toggle);
        QVERIFY(waitUntil([&] { return panel.loginItems.current == LaunchAtLoginStatus::enabled; }));
        QVERIFY(toggle->property("checked").toBool());
    }

    // The main window keeps the list beside an inspector, which shows the open product on the
    // products and the favourites until closed.
    void anOpenProductShowsInTheInspectorBesideTheList() {
        ViewFixture main({.mainWindow = true});
        QVERIFY(main.loaded());
        QVERIFY(waitUntil([&] { return main.visible("productList") && main.showsText(u"已连接"_s); }));
        QVERIFY(!main.visible("inspector"));
        const Product product = main.establishedProduct();
        main.bridge->openProduct(product.id);
        QVERIFY(waitUntil([&] { return main.visible("inspector") && main.find("priceChart"); }));
        QQuickItem* chart = main.find("priceChart");
        QVERIFY(waitUntil([&] { return chart->isVisible() && chart->property("sampleCount").toInt() > 1; }));
        QVERIFY(main.showsText(product.name));
        QVERIFY(!main.find("detailBack")); // it closes instead of going back
        QVERIFY(main.visible("productList"));

        main.bridge->selectTab(u"sources"_s);
        QVERIFY(waitUntil([&] { return !main.visible("inspector"); }));
        main.bridge->selectTab(u"favorites"_s);
        QVERIFY(waitUntil([&] { return main.visible("inspector"); }));
        main.click(main.shown("detailClose"));
        QVERIFY(waitUntil([&] { return !main.visible("inspector"); }));
        QCOMPARE(main.state->route(), PanelRoute::root());
        main.key(Qt::Key_3, Qt::ControlModifier); // the panel's shortcuts work here too
        QCOMPARE(main.state->selectedTab(), MenuBarDropdownTab::sources);

        QSignalSpy quit(main.bridge.get(), &StateBridge::quitRequested);
        main.click(main.find("sidebar-quit"));
        QCOMPARE(quit.count(), 1);
    }

    void aProductThatFailsShowsTheFailureNotThePreviousOne() {
        ViewFixture main({.mainWindow = true});
        QVERIFY(main.loaded());
        const Product first = main.establishedProduct();
        main.bridge->openProduct(first.id);
        QVERIFY(waitUntil([&] { return main.showsText(u"#%1"_s.arg(first.id)); }));
        main.bridge->openProduct(987654321);
        QVERIFY(waitUntil([&] { return main.showsText(u"无法加载商品"_s); }));
        QVERIFY(!main.showsText(u"#%1"_s.arg(first.id)));
        QVERIFY(!main.visible("favoriteButton"));
    }

    void aStarStaysOnOnceTheStateSettles() {
        ViewFixture main({.mainWindow = true});
        const demo::Credentials account = main.server->userAccount();
        main.state->setAuthUsername(account.username);
        main.state->setAuthPassword(account.password);
        QVERIFY(await(main.state->loginOrRegister()).finished);
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

        main.click(favorite);
        QVERIFY(waitUntil([&] { return favorite->property("title").toString() == u"已收藏"_s; }));
        // The reloads the star starts must not take it back.
        QVERIFY(waitUntil([&] { return !main.state->isLoading() && main.state->productDetail(); }));
        QVERIFY(main.settle());
        QVERIFY(main.state->favoriteProductIDs().contains(product.id));
        QCOMPARE(favorite->property("title").toString(), u"已收藏"_s);
    }

    void aStepStopsAtTheEndsAndStartsFromWhereItCan() {
        const QStringList entries{u"a"_s, u"b"_s, u"c"_s};
        QCOMPARE(ListSelection::step(entries, {}, 1), u"a"_s);
        QCOMPARE(ListSelection::step(entries, {}, -1), u"c"_s);
        QCOMPARE(ListSelection::step(entries, u"gone"_s, 1), u"a"_s);
        QCOMPARE(ListSelection::step(entries, u"c"_s, 1), u"c"_s);
        QCOMPARE(ListSelection::step(entries, u"a"_s, -1), u"a"_s);
        QCOMPARE(ListSelection::step({}, u"a"_s, 1), QString());
    }

    void arrowsSelectAndEnterOpensInThePanel() {
        ViewFixture panel;
        QVERIFY(panel.listed());
        const qint64 second = panel.state->displayedProductSections().feed[1].id;
        panel.key(Qt::Key_Down);
        panel.key(Qt::Key_Down);
        panel.key(Qt::Key_Up);
        panel.key(Qt::Key_Down);
        QCOMPARE(panel.keyboard().selection(), ListSelection::productEntry(second));
        QCOMPARE(panel.selectedRow(), second);

        // In the panel the product replaces the list, and Backspace goes back to it.
        panel.key(Qt::Key_Return);
        QCOMPARE(panel.state->route(), PanelRoute::product(second));
        QVERIFY(waitUntil(
            [&] { return panel.showsText(u"#%1"_s.arg(second)) && !panel.visible("productList"); }));
        panel.key(Qt::Key_Backspace);
        QVERIFY(waitUntil([&] { return panel.visible("productList"); }));
        QCOMPARE(panel.keyboard().selection(), ListSelection::productEntry(second));
    }

    void theSelectionFollowsItsProductThroughARefresh() {
        ViewFixture panel;
        QVERIFY(panel.listed());
        panel.bridge->applyProductSort(u"priceAsc"_s);
        QVERIFY(panel.listed());
        const Product cheapest = panel.state->displayedProductSections().feed.first();
        panel.key(Qt::Key_Down);

        // Its price soars: after F5 it stands elsewhere in the list, still selected.
        panel.server->movePriceOnNextScrape(cheapest.id, 400);
        panel.server->scrapeNow(cheapest.source->slug);
        panel.key(Qt::Key_F5);
        QVERIFY(waitUntil([&] { return panel.firstRow() != cheapest.id && !panel.state->isLoading(); }));
        QCOMPARE(panel.keyboard().selection(), ListSelection::productEntry(cheapest.id));
        QCOMPARE(panel.selectedRow(), cheapest.id);
    }

    void tabsSearchAndShopsFromTheKeyboard() {
        ViewFixture panel;
        QVERIFY(panel.listed());
        panel.key(Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::sources);
        QVERIFY(waitUntil([&] { return !panel.state->includedSources().isEmpty(); }));
        panel.key(Qt::Key_Down);
        const QString shop = panel.state->includedSources().first().slug;
        QCOMPARE(panel.keyboard().selection(), ListSelection::shopEntry(shop));
        panel.key(Qt::Key_Return); // a shop opens as its products
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::products);
        QCOMPARE(panel.state->productSource(), std::optional(shop));

        // Space presses the focused control: the favourites chip, and a new list has no selection.
        panel.find("tab-favorites")->forceActiveFocus();
        panel.key(Qt::Key_Space);
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::favorites);
        QCOMPARE(panel.keyboard().selection(), QString());

        // Ctrl+F brings the products and puts the cursor in their search field, where Backspace
        // edits the text.
        panel.key(Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::products);
        QTRY_VERIFY(panel.find("productSearch") && panel.find("productSearch")->property("editing").toBool());
        panel.key(Qt::Key_A);
        panel.key(Qt::Key_B);
        panel.key(Qt::Key_Backspace);
        QCOMPARE(panel.find("productSearch")->property("text").toString(), u"a"_s);
    }

    // Qt 6.4's own interface hands assistive technology the password and drops its name.
    void aPasswordReadsAsDotsUnderItsName() {
        ViewFixture panel;
        QVERIFY(panel.loaded());
        panel.bridge->selectTab(u"me"_s);
        QQuickItem* field = panel.shown("passwordField")->property("input").value<QQuickItem*>();
        panel.type(panel.shown("passwordField"), u"hunter2"_s);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(field);
        QVERIFY(face && face->textInterface());
        QVERIFY(face->state().passwordEdit);
        QCOMPARE(face->text(QAccessible::Name), u"密码"_s);
        QCOMPARE(face->textInterface()->characterCount(), 7);
        QVERIFY(!face->textInterface()->text(0, 7).contains(u"hunter"_s));
        QVERIFY(!face->text(QAccessible::Value).contains(u"hunter"_s));
    }
};

QTEST_MAIN(TestViews)
#include "tst_Views.moc"
