#include "AppState.h"
#include "AsyncTest.h"
#include "DemoServer.h"
#include "PanelThemeController.h"
#include "StateBridge.h"
#include "ThemeCatalog.h"
#include "ViewFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(QuelvioPlugin)

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// The panel in an offscreen window over a demo server, optionally with an operator key.
struct Panel : ViewFixture {
    explicit Panel(std::optional<QString> apiKey = std::nullopt)
        : ViewFixture("MenuBarDropdownView.qml", QSize(400, 560), std::move(apiKey),
                      std::chrono::seconds(5)) {}

    // The first visible item of that object name, searched through the visual tree.
    QQuickItem* find(const QString& objectName) const {
        QQuickItem* found = nullptr;
        std::function<void(QQuickItem*)> walk = [&](QQuickItem* item) {
            if (found || !item->isVisible())
                return;
            if (item->objectName() == objectName) {
                found = item;
                return;
            }
            for (QQuickItem* child : item->childItems())
                walk(child);
        };
        walk(root);
        return found;
    }

    // Scrolls the enclosing flickable so the item is in view.
    static void reveal(QQuickItem* item) {
        for (QQuickItem* p = item->parentItem(); p; p = p->parentItem()) {
            if (!p->inherits("QQuickFlickable"))
                continue;
            auto* content = p->property("contentItem").value<QQuickItem*>();
            const qreal y = item->mapToItem(content, QPointF(0, 0)).y();
            const qreal bottom = std::max<qreal>(0, p->property("contentHeight").toReal() - p->height());
            p->setProperty("contentY", std::clamp<qreal>(y - 20, 0, bottom));
            return;
        }
    }

    void click(QQuickItem* item) {
        reveal(item);
        clickAt(item);
    }

    // Types (ASCII) into a field the way a user does: focus, then keys.
    void type(QQuickItem* field, const QString& text) {
        auto* input = field->property("input").value<QQuickItem*>();
        QVERIFY(input);
        input->forceActiveFocus();
        QVERIFY(input->hasActiveFocus());
        for (QChar ch : text)
            QTest::keyClick(&window, ch.toLatin1());
    }

    void signIn(const demo::Credentials& account) {
        bridge->selectTab(u"me"_s);
        QVERIFY(waitUntil([&] { return find(u"usernameField"_s) != nullptr; }));
        type(find(u"usernameField"_s), account.username);
        type(find(u"passwordField"_s), account.password);
        QCOMPARE(state->authUsername(), account.username);
        QCOMPARE(state->authPassword(), account.password);
        click(find(u"signInButton"_s));
    }
};

} // namespace

class TestAccountViews : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void cleanup() { PanelThemeController::shared().apply(AppTheme::ink); }

    void signingInShowsTheAccount() {
        Panel panel;
        const auto account = panel.server->userAccount();
        QVERIFY(!panel.visibleTexts(u"用户名"_s).isEmpty() || panel.find(u"usernameField"_s) == nullptr);
        panel.signIn(account);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(waitUntil([&] {
            QQuickItem* name = panel.find(u"accountName"_s);
            return name && name->property("text").toString() == account.username;
        }));
        QVERIFY(panel.find(u"usernameField"_s) == nullptr);
        QVERIFY(!panel.visibleTexts(u"账号"_s).isEmpty());
        QVERIFY(!panel.visibleTexts(u"退出登录"_s).isEmpty());
        QVERIFY(!panel.visibleTexts(u"普通用户"_s).isEmpty());
        QVERIFY(panel.visibleTexts(u"管理"_s).isEmpty());
    }

    void registeringAsksForACodeAndSaysSo() {
        Panel panel;
        panel.bridge->selectTab(u"me"_s);
        QVERIFY(waitUntil([&] { return panel.find(u"registerChip"_s) != nullptr; }));
        QVERIFY(panel.find(u"redeemField"_s) == nullptr);
        QVERIFY(!panel.visibleTexts(u"登录"_s).isEmpty());
        panel.click(panel.find(u"registerChip"_s));
        QVERIFY(waitUntil([&] { return panel.find(u"redeemField"_s) != nullptr; }));
        QVERIFY(panel.state->isRegistering());
        QCOMPARE(panel.find(u"signInButton"_s)->property("title").toString(), u"注册并登录"_s);
        QCOMPARE(panel.find(u"redeemField"_s)->property("placeholder").toString(), u"兑换码（可选）"_s);
    }

    void anAdministratorSeesTheUsers() {
        Panel panel;
        panel.signIn(panel.server->adminAccount());
        if (QTest::currentTestFailed())
            return;
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(u"管理"_s).isEmpty(); }));
        QVERIFY(!panel.visibleTexts(u"超管"_s).isEmpty());
        const QString other = panel.server->userAccount().username;
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(other).isEmpty(); }));
        QVERIFY(!panel.visibleTexts(u"设为会员"_s).isEmpty());
        // The codes pane lists the server's codes in their row form.
        panel.click(panel.find(u"adminPane1"_s));
        QVERIFY(waitUntil([&] { return !panel.state->adminCodes().isEmpty(); }));
        const RedeemCode& code = panel.state->adminCodes().first();
        QVERIFY(waitUntil([&] {
            for (QQuickItem* item :
                 panel.visibleTexts(code.code + u"  ·  "_s + QString::number(code.usedCount.value_or(0)) +
                                    u'/' + QString::number(code.maxUses.value_or(0)) + u"  ·  "_s +
                                    (code.note && !code.note->isEmpty() ? *code.note : u"无备注"_s)))
                if (item)
                    return true;
            return false;
        }));
        QVERIFY(panel.visibleTexts(other).isEmpty());
    }

    void choosingAThemeAppliesAndStoresIt() {
        Panel panel;
        panel.bridge->showSettings();
        QVERIFY(waitUntil([&] { return panel.find(u"themeCard_paper"_s) != nullptr; }));
        const QColor before = PanelThemeController::shared().bgBase();
        QCOMPARE(before, ThemeCatalog::ink().palette.bgBase);
        QCOMPARE(panel.root->property("color").value<QColor>(), before);
        QQuickItem* card = panel.find(u"themeCard_paper"_s);
        // The grid settles its columns over a few polishes.
        QVERIFY(waitUntil([&] {
            const QRectF inScene = card->mapRectToScene(card->boundingRect());
            return card->width() > 0 && QRectF(0, 0, 400, 560).contains(inScene);
        }));
        QTest::qWait(50);
        panel.click(card);
        QVERIFY(waitUntil([&] { return PanelThemeController::shared().theme() == AppTheme::paper; }));
        QCOMPARE(PanelThemeController::shared().bgBase(), ThemeCatalog::paper().palette.bgBase);
        QVERIFY(PanelThemeController::shared().bgBase() != before);
        QCOMPARE(panel.root->property("color").value<QColor>(), ThemeCatalog::paper().palette.bgBase);
        QCOMPARE(panel.store->load().theme, AppTheme::paper);
        QCOMPARE(panel.state->session().theme, AppTheme::paper);
    }

    void clearingTheAPIKeyHidesTheUpdateSection() {
        Panel panel(u"operator-key"_s);
        panel.bridge->showSettings();
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(u"更新"_s).isEmpty(); }));
        QVERIFY(!panel.visibleTexts(u"全部更新"_s).isEmpty());
        QQuickItem* field = panel.find(u"apiKeyField"_s);
        QVERIFY(field);
        QCOMPARE(field->property("text").toString(), u"operator-key"_s);
        auto* input = field->property("input").value<QQuickItem*>();
        input->forceActiveFocus();
        QTest::keyClick(&panel.window, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&panel.window, Qt::Key_Backspace);
        QCOMPARE(field->property("text").toString(), QString());
        panel.click(panel.find(u"saveAPIKeyButton"_s));
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(u"已清除 API Key"_s).isEmpty(); }));
        QVERIFY(panel.visibleTexts(u"更新"_s).isEmpty());
        QVERIFY(!panel.store->load().hasAPIKey());
        QVERIFY(!panel.state->session().apiKey);
    }

    void savingAKeyTrimsItAndShowsTheUpdateSection() {
        Panel panel;
        panel.bridge->showSettings();
        QVERIFY(waitUntil([&] { return panel.find(u"apiKeyField"_s) != nullptr; }));
        QVERIFY(panel.visibleTexts(u"更新"_s).isEmpty());
        panel.type(panel.find(u"apiKeyField"_s), u"  new-key  "_s);
        panel.click(panel.find(u"saveAPIKeyButton"_s));
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(u"已保存 API Key"_s).isEmpty(); }));
        QCOMPARE(panel.store->load().apiKey, std::optional(u"new-key"_s));
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(u"更新"_s).isEmpty(); }));
    }

    void aSwitchAwaitingApprovalShowsOn() {
        Panel panel;
        panel.bridge->showSettings();
        QVERIFY(waitUntil([&] { return panel.find(u"launchAtLoginSwitch"_s) != nullptr; }));
        QQuickItem* toggle = panel.find(u"launchAtLoginSwitch"_s);
        QVERIFY(!toggle->property("checked").toBool());
        panel.state->setLaunchAtLoginStatus(LaunchAtLoginStatus::requiresApproval);
        QVERIFY(toggle->property("checked").toBool());
        QCOMPARE(panel.find(u"launchAtLoginCaption"_s)->property("text").toString(),
                 u"请在系统设置 › 登录项中允许"_s);
    }

    void theSwitchTurnsLaunchAtLoginOnAndOff() {
        Panel panel;
        panel.bridge->showSettings();
        QVERIFY(waitUntil([&] { return panel.find(u"launchAtLoginSwitch"_s) != nullptr; }));
        QQuickItem* toggle = panel.find(u"launchAtLoginSwitch"_s);
        QVERIFY(waitUntil([&] { return toggle->property("enabled").toBool(); }));
        panel.click(toggle);
        QVERIFY(waitUntil([&] { return panel.loginItems.current == LaunchAtLoginStatus::enabled; }));
        QCOMPARE(panel.state->launchAtLoginStatus(), LaunchAtLoginStatus::enabled);
        QVERIFY(toggle->property("checked").toBool());
        panel.click(toggle);
        QVERIFY(waitUntil([&] { return panel.loginItems.current == LaunchAtLoginStatus::notRegistered; }));
        QVERIFY(!toggle->property("checked").toBool());
    }

    void aRefusedSwitchSaysWhyAndStaysOff() {
        Panel panel;
        const QString why = u"无法创建目录：/home/someone/.config/autostart"_s;
        panel.loginItems.refusal = why;
        panel.bridge->showSettings();
        QVERIFY(waitUntil([&] { return panel.find(u"launchAtLoginSwitch"_s) != nullptr; }));
        QQuickItem* toggle = panel.find(u"launchAtLoginSwitch"_s);
        QVERIFY(waitUntil([&] { return toggle->property("enabled").toBool(); }));
        panel.click(toggle);
        QVERIFY(waitUntil([&] { return panel.state->banner() == std::optional(why); }));
        QVERIFY(!panel.visibleTexts(why).isEmpty());
        QVERIFY(!toggle->property("checked").toBool());
        QCOMPARE(panel.state->launchAtLoginStatus(), LaunchAtLoginStatus::notRegistered);
    }

    void theAlertSwitchIsStoredAndNeedsASignIn() {
        Panel panel;
        panel.bridge->showSettings();
        QVERIFY(waitUntil([&] { return panel.find(u"priceDropAlertsSwitch"_s) != nullptr; }));
        QQuickItem* toggle = panel.find(u"priceDropAlertsSwitch"_s);
        QVERIFY(toggle->property("checked").toBool());
        QVERIFY(!toggle->property("enabled").toBool());
        panel.signIn(panel.server->userAccount());
        if (QTest::currentTestFailed())
            return;
        panel.bridge->showSettings();
        QVERIFY(waitUntil([&] { return panel.find(u"priceDropAlertsSwitch"_s) != nullptr; }));
        toggle = panel.find(u"priceDropAlertsSwitch"_s);
        QVERIFY(waitUntil([&] { return toggle->property("enabled").toBool(); }));
        panel.click(toggle);
        QVERIFY(waitUntil([&] { return !panel.store->load().priceDropAlerts; }));
        QVERIFY(!toggle->property("checked").toBool());
    }

    void roleButtonsChangeAUsersRole() {
        Panel panel;
        panel.signIn(panel.server->adminAccount());
        if (QTest::currentTestFailed())
            return;
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
            for (QQuickItem* label : panel.visibleTexts(name)) {
                for (QQuickItem* sibling : label->parentItem()->childItems())
                    if (sibling->property("title").toString() == u"设为会员"_s)
                        promote = sibling;
            }
            return promote != nullptr;
        }));
        panel.click(promote);
        QVERIFY(waitUntil([&] { return roleOf() == u"member"_s; }));
    }

    void pastingReplacesTheFieldAndSavingTheAddressSaysSo() {
        Panel panel;
        panel.bridge->showSettings();
        QVERIFY(waitUntil([&] { return panel.find(u"baseURLField"_s) != nullptr; }));
        QQuickItem* address = panel.find(u"baseURLField"_s);
        QCOMPARE(address->property("text").toString(), panel.server->baseUrl().toString());
        QGuiApplication::clipboard()->setText(u"  http://127.0.0.1:1/zeltor/ "_s);
        panel.click(panel.find(u"pasteBaseURLButton"_s));
        QCOMPARE(address->property("text").toString(), u"  http://127.0.0.1:1/zeltor/ "_s);
        panel.click(panel.find(u"saveBaseURLButton"_s));
        QVERIFY(waitUntil([&] { return !panel.visibleTexts(u"已保存地址"_s).isEmpty(); }));
        QCOMPARE(panel.state->session().normalizedBaseURL(), u"http://127.0.0.1:1/zeltor"_s);
        // A port nobody listens on: the reload it starts ends at once.
        QVERIFY(waitUntil([&] { return !panel.state->isLoading(); }));

        QGuiApplication::clipboard()->setText(u"pasted-key"_s);
        panel.click(panel.find(u"pasteAPIKeyButton"_s));
        QCOMPARE(panel.find(u"apiKeyField"_s)->property("text").toString(), u"pasted-key"_s);
    }

    void outsideThePanelTheSettingsHaveNoBackButton() {
        Panel panel;
        QQmlComponent component(&panel.engine);
        component.setData("import Quelvio\nSettingsView { showsBackButton: false }", QUrl());
        std::unique_ptr<QQuickItem> page(qobject_cast<QQuickItem*>(component.create()));
        QVERIFY2(page, qPrintable(component.errorString()));
        auto* back = page->findChild<QQuickItem*>(u"settingsBackButton"_s);
        QVERIFY(back);
        QVERIFY(!back->isVisible());
        QVERIFY(page->findChild<QQuickItem*>(u"apiKeyField"_s));
        page->setProperty("showsBackButton", true);
        QVERIFY(back->isVisible());
    }

    void theBackButtonLeavesTheSettings() {
        Panel panel;
        panel.bridge->showSettings();
        QVERIFY(waitUntil([&] { return panel.find(u"settingsBackButton"_s) != nullptr; }));
        QVERIFY(!panel.visibleTexts(u"设置"_s).isEmpty());
        panel.click(panel.find(u"settingsBackButton"_s));
        QVERIFY(waitUntil([&] { return panel.bridge->routeKind() == u"root"_s; }));
    }
};

QTEST_MAIN(TestAccountViews)
#include "tst_AccountViews.moc"
