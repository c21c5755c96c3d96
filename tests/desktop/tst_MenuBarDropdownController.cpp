#include "FakeShell.h"
#include "KeyablePanel.h"
#include "MenuBarDropdownController.h"
#include "QtDropdownPanelHost.h"
#include "StatusItemActions.h"

#include <QMenu>
#include <QScreen>
#include <QTest>
#include <memory>

using namespace quelvio;
using namespace quelvio::test;
using namespace quelvio::StatusItemActions;
using namespace std::chrono_literals;

namespace {

// One laptop display with a 25-point bar at the top.
const ScreenInfo laptop{{0, 0, 1440, 900}, {0, 0, 1440, 875}};
const ScreenInfo fullScreen{{0, 0, 1440, 900}, {0, 0, 1440, 900}};

struct Rig {
    Rig() {
        host.screenList = {laptop};
        host.main = laptop;
        host.pointer = {1214, 890};
        host.statusFrame = PanelScreenFrame{1200, 876, 28, 24};
        policy.setHost(&activation);
        controller = std::make_unique<MenuBarDropdownController>(host, clock, policy);
    }
    void click(QPointF p) {
        controller->mouseDown(p);
        clock.runPending();
    }

    FakeDropdownHost host;
    FakeShellClock clock;
    FakeActivationHost activation;
    AppActivationPolicy policy;
    std::unique_ptr<MenuBarDropdownController> controller;
};

// The real panel on the offscreen platform.
struct PanelRig {
    PanelRig() {
        host.attach(&controller);
        // A tray icon at the top right of the primary screen.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        host.setStatusItemGeometry([screen] { return QRect(screen.right() - 100, 0, 28, 24); });
        controller.show();
        clock.runPending(); // no bars offscreen: it opens a turn later
    }

    KeyablePanel panel;
    QtDropdownPanelHost host{&panel};
    FakeShellClock clock;
    AppActivationPolicy policy;
    MenuBarDropdownController controller{host, clock, policy};
};

} // namespace

class TestMenuBarDropdownController : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void opensOnThePointersScreen() {
        Rig rig;
        const ScreenInfo right{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1050}};
        rig.host.screenList = {laptop, right};
        // On the screens' shared edge, and with an icon the tray does not place.
        rig.host.pointer = {1440, 1070};
        rig.host.statusFrame.reset();
        rig.controller->show();
        QCOMPARE(rig.host.frame, (PanelScreenFrame{1440, 490, 400, 560}));
        QCOMPARE(rig.controller->statusButtonFrame(), (PanelScreenFrame{1422, 1054, 36, 32}));
        // Bars are visible: it opens at once, in front, without becoming a regular application.
        QVERIFY(rig.host.visible && rig.host.key);
        QCOMPARE(rig.host.frontRegardlessCount, 1);
        QCOMPARE(rig.host.activations, 1);
        QVERIFY(rig.policy.reasons().isEmpty());

        // Without any screen the panel opens where it was.
        rig.controller->hide(false);
        rig.host.screenList.clear();
        rig.host.main.reset();
        rig.host.frame = {5, 5, 400, 560};
        rig.controller->show();
        QCOMPARE(rig.host.frame, (PanelScreenFrame{5, 5, 400, 560}));
        QVERIFY(rig.host.visible);
    }

    void overAFullScreenWindowItOpensNextTurnAsARegularApp() {
        Rig rig;
        rig.host.screenList = {fullScreen};
        int appeared = 0;
        const auto appear = [&] { ++appeared; };
        // The refresh waits for the opening, once however often the icon is clicked meanwhile.
        toggleDropdown(rig.controller.get(), appear);
        toggleDropdown(rig.controller.get(), appear);
        QCOMPARE(rig.activation.policy, ActivationPolicy::regular);
        QVERIFY(!rig.host.visible);
        QCOMPARE(appeared, 0);
        rig.clock.runPending();
        QVERIFY(rig.host.visible);
        QCOMPARE(rig.host.frontRegardlessCount, 0);
        QCOMPARE(appeared, 1);
        rig.controller->hide(false);
        QCOMPARE(rig.activation.policy, ActivationPolicy::accessory);
        rig.controller->show(); // a later opening is not the one it waited for
        rig.clock.runPending();
        QCOMPARE(appeared, 1);

        // A hide before the turn cancels the open.
        rig.controller->hide(false);
        rig.controller->show();
        rig.controller->hide(true);
        rig.clock.runPending();
        QVERIFY(!rig.host.visible);
        QVERIFY(!rig.controller->isPresentPending());
    }

    void outsideClicksAfterTheGuardAreDecidedNextTurn() {
        Rig rig;
        rig.controller->show();
        rig.clock.advance(440ms);
        rig.click({100, 100});
        rig.clock.advance(10ms);
        // On the panel, near the icon or while our own menu is open, a click keeps it open.
        rig.click({1100, 400});
        rig.click({1197, 873}); // within 4 of the icon
        rig.controller->menuTrackingBegan();
        rig.click({10, 10});
        rig.controller->menuTrackingEnded();
        QVERIFY(!rig.controller->isAnimatingHide());
        rig.controller->mouseDown({1232, 880}); // just past that margin
        QVERIFY(!rig.controller->isAnimatingHide());
        rig.clock.runPending();
        QVERIFY(rig.controller->isAnimatingHide());
        // A click during the fade starts no second one.
        rig.click({10, 10});
        QCOMPARE(rig.host.fades.size(), 1);
    }

    // A loss of focus is checked again before it hides the panel.
    void focusLoss_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("newFades");
        QTest::newRow("lost for good") << "" << 1;
        QTest::newRow("within the guard") << "guard" << 0;
        QTest::newRow("focus comes back") << "back" << 0;
        QTest::newRow("modal window") << "modal" << 0;
        QTest::newRow("menu opens meanwhile") << "menu" << 0;
        QTest::newRow("fading already") << "fading" << 0;
    }
    void focusLoss() {
        QFETCH(QString, situation);
        QFETCH(int, newFades);
        Rig rig;
        rig.controller->show();
        rig.clock.runPending();
        if (situation != QLatin1String("guard"))
            rig.clock.advance(450ms);
        rig.host.key = false;
        rig.host.modal = situation == QLatin1String("modal");
        if (situation == QLatin1String("fading"))
            rig.controller->hide(true);
        const qsizetype fadesBefore = rig.host.fades.size();
        rig.controller->panelDidResignKey();
        rig.clock.advance(40ms);
        QCOMPARE(rig.host.fades.size(), fadesBefore);
        if (situation == QLatin1String("back"))
            rig.host.key = true;
        if (situation == QLatin1String("menu"))
            rig.controller->menuTrackingBegan();
        rig.clock.advance(100ms);
        QCOMPARE(rig.host.fades.size(), fadesBefore + newFades);
    }

    void showDuringFadeWins() {
        Rig rig;
        rig.controller->show();
        rig.controller->hide(true);
        rig.host.alpha = 0.4;
        rig.controller->show();
        QVERIFY(!rig.controller->isAnimatingHide());
        QCOMPARE(rig.host.alpha, 1.0);
        QVERIFY(rig.host.monitorInstalled);
        rig.host.fades.first()(); // the old fade ends late
        QVERIFY(rig.host.visible);
        QVERIFY(!rig.controller->isAnimatingHide());
    }

    void lateCallbacksAfterTheControllerIsGone() {
        Rig rig;
        rig.controller->show();
        rig.clock.advance(500ms); // past the guard
        rig.host.key = false;
        rig.controller->panelDidResignKey();
        rig.controller->hide(true);
        rig.controller.reset();
        rig.clock.advance(100ms);  // the re-check is dropped with its context
        rig.host.fades.last()();   // the fade ends
        QVERIFY(rig.host.visible); // nobody left to order it out, and nothing crashed
    }

    // A left click toggles the panel, a right click opens the menu, whose entries do what they say.
    void statusIconClicks() {
        QCOMPARE(clickAction(clickKind(QSystemTrayIcon::Context)), ClickAction::showContextMenu);
        QCOMPARE(clickAction(clickKind(QSystemTrayIcon::Trigger)), ClickAction::toggleDropdown);
        QMenu menu;
        std::optional<MenuAction> chosen;
        populateMenu(menu, [&](MenuAction action) { chosen = action; });
        QMap<QString, MenuAction> did;
        for (QAction* entry : menu.actions()) {
            chosen.reset();
            entry->trigger();
            if (chosen)
                did.insert(entry->text(), *chosen);
        }
        QCOMPARE(did, (QMap<QString, MenuAction>{{QStringLiteral("打开主窗口"), MenuAction::showMainWindow},
                                                 {QStringLiteral("设置"), MenuAction::showSettings},
                                                 {QStringLiteral("退出"), MenuAction::quit}}));
    }

    void toggleRefreshesOnlyWhatAppears() {
        Rig rig;
        MenuBarDropdownController* dropdown = rig.controller.get();
        int appeared = 0;
        const auto appear = [&] { ++appeared; };
        toggleDropdown(dropdown, appear); // hidden: shows and refreshes
        toggleDropdown(dropdown, appear); // shown: fades out, nothing to refresh
        QVERIFY(dropdown->isAnimatingHide());
        QCOMPARE(appeared, 1);
        toggleDropdown(dropdown, appear); // fading: comes back instead of a second hide
        QVERIFY(!dropdown->isAnimatingHide());
        QCOMPARE(appeared, 2);
        rig.host.reduced = true; // without motion, a hide is at once
        toggleDropdown(dropdown, appear);
        QVERIFY(!rig.host.visible && rig.host.fades.size() == 1);
    }

    void realPanelOpensUnderTheIconAndClosesOnAClickOutside() {
        QWindow other;
        other.setGeometry(0, 0, 100, 100);
        other.show();
        PanelRig rig;
        QTRY_VERIFY(rig.panel.isVisible());
        QVERIFY(rig.panel.flags().testFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
        QCOMPARE(rig.panel.geometry().top(), 24 + 6); // the gap under the icon
        rig.clock.advance(500ms);                     // past the guard
        // Every edge row and column of the panel is inside it.
        const QSize size = rig.panel.size();
        for (const QPoint p : {QPoint(0, 10), QPoint(size.width() - 1, 10), QPoint(10, size.height() - 1)})
            QTest::mousePress(&rig.panel, Qt::LeftButton, {}, p);
        rig.clock.runPending();
        QVERIFY(!rig.controller.isAnimatingHide());
        QTest::mousePress(&other, Qt::LeftButton, {}, QPoint(5, 5));
        rig.clock.runPending();
        QTRY_VERIFY(!rig.panel.isVisible());
        QVERIFY(!rig.host.isWatchingClicks());
    }

    void realPanelFadesOnEscapeAndShowingAgainStopsTheFade() {
        PanelRig rig;
        QTRY_VERIFY(rig.panel.isVisible());
        QTest::keyClick(&rig.panel, Qt::Key_Escape);
        QVERIFY(rig.panel.isFading());
        rig.controller.show();
        rig.clock.runPending();
        QVERIFY(!rig.controller.isAnimatingHide());
        QVERIFY(!rig.panel.isFading());
        QVERIFY(rig.panel.isVisible());
        QCOMPARE(rig.panel.opacity(), 1.0);
        QTest::keyClick(&rig.panel, Qt::Key_Escape);
        QTRY_VERIFY(!rig.panel.isVisible());
        QVERIFY(!rig.controller.isAnimatingHide());
        QCOMPARE(rig.panel.opacity(), 1.0);
    }

    void ourMenusCountAsTracking() {
        PanelRig rig;
        QTRY_VERIFY(rig.panel.isVisible());
        QMenu menu;
        menu.addAction(QStringLiteral("x"));
        menu.popup(QPoint(0, 0));
        QTRY_VERIFY(rig.controller.isMenuTracking());
        rig.controller.hide(false);
        menu.hide();
        QVERIFY(!rig.controller.isMenuTracking());
    }
};

QTEST_MAIN(TestMenuBarDropdownController)
#include "tst_MenuBarDropdownController.moc"
