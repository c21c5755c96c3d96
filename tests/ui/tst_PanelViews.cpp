#include "AccountText.h"
#include "ThemeCatalog.h"
#include "ViewFixture.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSignalSpy>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

struct Panel : ViewFixture {
    explicit Panel(ViewOptions options = {})
        : ViewFixture(std::move(options)) {}

    // Scrolls the enclosing flickable so the item is in view, then clicks it.
    void click(QQuickItem* item) {
        QVERIFY(item);
        for (QQuickItem* p = item->parentItem(); p; p = p->parentItem()) {
            if (!p->inherits("QQuickFlickable"))
                continue;
            auto* content = p->property("contentItem").value<QQuickItem*>();
            const qreal y = item->mapToItem(content, QPointF(0, 0)).y();
            const qreal bottom = std::max<qreal>(0, p->property("contentHeight").toReal() - p->height());
            p->setProperty("contentY", std::clamp<qreal>(y - 20, 0, bottom));
            break;
        }
        clickAt(item);
    }

    // Types (ASCII) into a field the way a user does: focus, then keys.
    void type(QQuickItem* field, const QString& text) {
        QVERIFY(field);
        auto* input = field->property("input").value<QQuickItem*>();
        input->forceActiveFocus();
        QVERIFY(input->hasActiveFocus());
        for (QChar ch : text)
            QTest::keyClick(&window, ch.toLatin1());
    }

    void signIn(const demo::Credentials& account) {
        bridge->selectTab(u"me"_s);
        type(shown("usernameField"), account.username);
        type(shown("passwordField"), account.password);
        click(shown("signInButton"));
        QVERIFY(waitUntil([&] { return state->session().isLoggedIn() && !state->isLoading(); }));
    }

    QQuickItem* enabledSwitch(const char* objectName) {
        bridge->showSettings();
        QQuickItem* toggle = shown(objectName);
        waitUntil([&] { return toggle && toggle->isEnabled(); });
        return toggle;
    }
};

} // namespace

class TestPanelViews : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }
    void cleanup() { PanelThemeController::shared().apply(AppTheme::ink); }

    void theProductListLoadsKeepsItsRowsPagesAndGoesOffline() {
        Panel panel;
        KeyedListModel* products = panel.bridge->products();
        QAbstractItemModelTester tester(products, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QQuickItem* list = panel.find("productList");
        QVERIFY(panel.loaded());
        QVERIFY(waitUntil([&] { return list->property("count").toInt() == 100 && list->isVisible(); }));
        QVERIFY(waitUntil([&] { return panel.showsText(u"已连接"_s); }));
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

    void aThemeSwitchReachesEveryFontAndControl() {
        Panel panel;
        QVERIFY(panel.loaded());
        for (AppTheme theme : {AppTheme::ink, AppTheme::blueprint, AppTheme::pixel}) {
            PanelThemeController::shared().apply(theme);
            QVERIFY2(panel.wearsThemedFont(panel.find("productSearch")), qPrintable(rawValue(theme)));
            QVERIFY(panel.wearsThemedFont(panel.root)); // the header and every row too
        }
        QVERIFY(stockControlsWearTheTheme(panel));
    }

    void tabsAndTheProductPage() {
        Panel panel;
        QVERIFY(panel.loaded());
        panel.bridge->selectTab(u"favorites"_s);
        QVERIFY(waitUntil([&] { return panel.showsText(u"登录后可收藏店铺与商品"_s); }));
        panel.bridge->selectTab(u"sources"_s);
        QVERIFY(waitUntil([&] { return panel.showsText(u"已收录"_s) && panel.showsText(u"待收录"_s); }));

        // In the panel a product replaces the list and goes back to it.
        panel.bridge->selectTab(u"products"_s);
        const Product product = panel.state->products().first();
        panel.bridge->openProduct(product.id);
        QVERIFY(waitUntil([&] { return panel.showsText(u"#%1"_s.arg(product.id)); }));
        QVERIFY(!panel.find("detailClose"));
        panel.clickAt(panel.shown("detailBack"));
        QVERIFY(waitUntil([&] { return panel.state->route() == PanelRoute::root(); }));
        QVERIFY(waitUntil([&] { return panel.visible("productList"); }));
    }

    void switchesMoveWithTheThemeUnlessTheDesktopReducesMotion() {
        Panel panel;
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
        Panel panel({.bannerLifetime = lifetime});
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

    void signingInShowsTheAccount() {
        Panel panel;
        const auto account = panel.server->userAccount();
        panel.bridge->selectTab(u"me"_s);
        // Registering asks for a code too.
        panel.click(panel.shown("registerChip"));
        QVERIFY(panel.shown("redeemField") && panel.state->isRegistering());
        panel.click(panel.shown("signInChip"));
        QVERIFY(waitUntil([&] { return !panel.state->isRegistering(); }));

        panel.signIn(account);
        QVERIFY(waitUntil([&] { return panel.shown("accountName")->property("text") == account.username; }));
        QVERIFY(!panel.visible("usernameField"));
        QVERIFY(panel.showsText(u"普通用户"_s));
        QVERIFY(!panel.showsText(u"管理"_s));
    }

    void anAdministratorChangesARoleAndSeesTheCodes() {
        Panel panel;
        panel.signIn(panel.server->adminAccount());
        const QString name = panel.server->userAccount().username;
        const auto roleOf = [&]() -> QString {
            for (const User& user : panel.state->adminUsers())
                if (user.username == name)
                    return user.role;
            return {};
        };
        QVERIFY(waitUntil([&] { return roleOf() == u"user"_s; }));
        // The row's label sits left of its two role buttons.
        QQuickItem* promote = nullptr;
        QVERIFY(waitUntil([&] {
            return (promote = panel.findWhere([&](QQuickItem* item) {
                       return item->isVisible() && item->property("title") == u"设为会员"_s &&
                              panel.findWhere(
                                  [&](QQuickItem* label) { return label->property("text") == name; },
                                  item->parentItem());
                   })) != nullptr;
        }));
        panel.click(promote);
        QVERIFY(waitUntil([&] { return roleOf() == u"member"_s; }));

        panel.click(panel.shown("adminPane1"));
        QVERIFY(waitUntil([&] { return !panel.state->adminCodes().isEmpty(); }));
        const QString line = AccountText::codeLine(panel.state->adminCodes().first());
        QVERIFY(waitUntil([&] { return panel.showsText(line) && !panel.showsText(name); }));
    }

    void choosingAThemeAppliesAndStoresIt() {
        Panel panel;
        panel.bridge->showSettings();
        panel.click(panel.shown("themeCard_paper"));
        QVERIFY(waitUntil([&] { return PanelThemeController::shared().theme() == AppTheme::paper; }));
        QCOMPARE(panel.root->property("color").value<QColor>(), ThemeCatalog::paper().palette.bgBase);
        QCOMPARE(panel.store->load().theme, AppTheme::paper);
    }

    void clearingAndSavingTheAPIKeyTogglesTheUpdateSection() {
        Panel panel({.apiKey = u"operator-key"_s});
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

        panel.type(field, u"  new-key  "_s);
        panel.click(panel.shown("saveAPIKeyButton"));
        QVERIFY(waitUntil([&] { return panel.store->load().apiKey == std::optional(u"new-key"_s); }));
        QVERIFY(waitUntil([&] { return panel.showsText(u"全部更新"_s); }));
    }

    void theLaunchAtLoginSwitch() {
        Panel panel;
        QQuickItem* toggle = panel.enabledSwitch("launchAtLoginSwitch");
        panel.click(toggle);
        QVERIFY(waitUntil([&] { return panel.loginItems.current == LaunchAtLoginStatus::enabled; }));
        QVERIFY(toggle->property("checked").toBool());
        panel.click(toggle);
        QVERIFY(waitUntil([&] { return panel.loginItems.current == LaunchAtLoginStatus::notRegistered; }));
        QVERIFY(!toggle->property("checked").toBool());

        // Refused: the reason shows and the switch stays off.
        const QString why = u"无法创建目录：/home/someone/.config/autostart"_s;
        panel.loginItems.refusal = why;
        panel.click(toggle);
        QVERIFY(waitUntil([&] { return panel.showsText(why); }));
        QVERIFY(!toggle->property("checked").toBool());

        // Awaiting the desktop's approval counts as on, and says where to give it.
        panel.state->setLaunchAtLoginStatus(LaunchAtLoginStatus::requiresApproval);
        QVERIFY(toggle->property("checked").toBool());
        QCOMPARE(panel.shown("launchAtLoginCaption")->property("text").toString(),
                 u"请在系统设置 › 登录项中允许"_s);
    }

    void theAlertSwitchIsStoredAndNeedsASignIn() {
        Panel panel;
        panel.bridge->showSettings();
        QVERIFY(!panel.shown("priceDropAlertsSwitch")->isEnabled());
        panel.signIn(panel.server->userAccount());
        QQuickItem* toggle = panel.enabledSwitch("priceDropAlertsSwitch");
        QVERIFY(toggle->property("checked").toBool());
        panel.click(toggle);
        QVERIFY(waitUntil([&] { return !panel.store->load().priceDropAlerts; }));
        QVERIFY(!toggle->property("checked").toBool());
    }

    void pastingAndSavingTheAddress() {
        Panel panel;
        panel.bridge->showSettings();
        QQuickItem* address = panel.shown("baseURLField");
        QGuiApplication::clipboard()->setText(u"  http://127.0.0.1:1/zeltor/ "_s);
        panel.click(panel.shown("pasteBaseURLButton"));
        QCOMPARE(address->property("text").toString(), u"  http://127.0.0.1:1/zeltor/ "_s);
        panel.click(panel.shown("saveBaseURLButton"));
        QVERIFY(waitUntil([&] { return panel.showsText(u"已保存地址"_s); }));
        QCOMPARE(panel.state->session().normalizedBaseURL(), u"http://127.0.0.1:1/zeltor"_s);
        QVERIFY(waitUntil([&] { return !panel.state->isLoading(); })); // nobody listens there

        // The back button leaves the settings.
        panel.click(panel.shown("settingsBackButton"));
        QVERIFY(waitUntil([&] { return panel.bridge->routeKind() == u"root"_s; }));
    }
};

QTEST_MAIN(TestPanelViews)
#include "tst_PanelViews.moc"
