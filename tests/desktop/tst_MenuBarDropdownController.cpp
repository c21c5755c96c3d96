#include "FakeShell.h"
#include "MenuBarDropdownController.h"
#include "PanelThemeController.h"

#include <QTest>
#include <memory>

using namespace quelvio;
using namespace quelvio::test;
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
    // Opens the panel and lets the guard windows run out.
    void showAndSettle() {
        controller->show();
        clock.runPending();
        clock.advance(500ms);
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

} // namespace

class TestMenuBarDropdownController : public QObject {
    Q_OBJECT

private slots:
    void opensOnThePointersScreen() {
        Rig rig;
        const ScreenInfo right{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1050}};
        rig.host.screenList = {laptop, right};
        rig.host.main = laptop;
        // On the screens' shared edge, and with an icon the tray does not place.
        rig.host.pointer = {1440, 1070};
        rig.host.statusFrame.reset();
        rig.controller->show();
        QCOMPARE(rig.host.frame, (PanelScreenFrame{1440, 490, 400, 560}));
        QCOMPARE(rig.controller->statusButtonFrame(), (PanelScreenFrame{1422, 1054, 36, 32}));

        // Off every screen: the main one; without any screen the panel stays where it was.
        rig.host.pointer = {-50, -50};
        rig.host.statusFrame = PanelScreenFrame{1200, 876, 28, 24};
        rig.controller->show();
        QCOMPARE(rig.host.frame, (PanelScreenFrame{1014, 310, 400, 560}));
        rig.host.screenList.clear();
        rig.host.main.reset();
        rig.host.frame = {5, 5, 400, 560};
        rig.controller->show();
        QCOMPARE(rig.host.frame, (PanelScreenFrame{5, 5, 400, 560}));
        QVERIFY(rig.host.visible);
    }

    void showActivatesAndWatchesClicksOnce() {
        Rig rig;
        rig.host.monitorsAvailable = false;
        rig.controller->show();
        QVERIFY(rig.host.visible && rig.host.key);
        QCOMPARE(rig.host.activations, 1);
        QCOMPARE(rig.host.frontRegardlessCount, 1);
        // Bars are visible: no reason to become a regular application.
        QVERIFY(rig.policy.reasons().isEmpty());
        rig.controller->hide(false);
        QCOMPARE(rig.host.removeCalls, 0);

        // A refused monitor is tried again at the next show, and only then.
        rig.host.monitorsAvailable = true;
        rig.controller->show();
        rig.controller->show();
        QCOMPARE(rig.host.installCalls, 2);
        rig.controller->hide(false);
        QVERIFY(!rig.host.monitorInstalled);
        QCOMPARE(rig.host.removeCalls, 1);
    }

    void overAFullScreenWindowItOpensNextTurnAsARegularApp() {
        Rig rig;
        rig.host.screenList = {fullScreen};
        rig.host.main = fullScreen;
        rig.controller->show();
        QCOMPARE(rig.activation.policy, ActivationPolicy::regular);
        QVERIFY(!rig.host.visible);
        rig.clock.runPending();
        QVERIFY(rig.host.visible);
        QCOMPARE(rig.host.frontRegardlessCount, 0);
        rig.controller->hide(true);
        QCOMPARE(rig.activation.policy, ActivationPolicy::accessory);

        // A hide before the turn cancels the open; two shows in a row open it once.
        rig.host.completeLatestFade();
        rig.controller->show();
        rig.controller->hide(true);
        rig.clock.runPending();
        QVERIFY(!rig.host.visible);
        QVERIFY(!rig.controller->isPresentPending());
        rig.controller->show();
        rig.controller->show();
        rig.clock.runPending();
        QVERIFY(rig.host.visible);
        QCOMPARE(rig.host.activations, 2);
    }

    void outsideClicksAfterTheGuardAreDecidedNextTurn() {
        Rig rig;
        rig.controller->show();
        rig.clock.advance(440ms);
        rig.click({100, 100});
        QVERIFY(!rig.controller->isAnimatingHide());
        rig.clock.advance(10ms);
        rig.controller->mouseDown({100, 100});
        QVERIFY(!rig.controller->isAnimatingHide());
        rig.clock.runPending();
        QVERIFY(rig.controller->isAnimatingHide());
        // A click during the fade starts no second one.
        rig.click({10, 10});
        QCOMPARE(rig.host.fades.size(), 1);
    }

    void clicksOnThePanelOrTheIcon_data() {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<bool>("hides");
        QTest::newRow("inside the panel") << QPointF(1100, 400) << false;
        QTest::newRow("on the icon") << QPointF(1210, 880) << false;
        QTest::newRow("within 4 of the icon") << QPointF(1197, 873) << false;
        QTest::newRow("just past the margin") << QPointF(1232, 880) << true;
        QTest::newRow("elsewhere") << QPointF(10, 10) << true;
    }
    void clicksOnThePanelOrTheIcon() {
        QFETCH(QPointF, point);
        QFETCH(bool, hides);
        Rig rig;
        rig.showAndSettle();
        rig.click(point);
        QCOMPARE(rig.controller->isAnimatingHide(), hides);
    }

    void ownMenuKeepsThePanelOpen() {
        Rig rig;
        rig.controller->menuTrackingBegan(); // not shown: does not count
        QVERIFY(!rig.controller->isMenuTracking());
        rig.showAndSettle();
        rig.controller->menuTrackingBegan();
        rig.click({10, 10});
        rig.host.key = false;
        rig.controller->panelDidResignKey();
        rig.clock.advance(200ms);
        QVERIFY(!rig.controller->isAnimatingHide());
        rig.controller->menuTrackingEnded();
        rig.click({10, 10});
        QVERIFY(rig.controller->isAnimatingHide());
    }

    void focusLossIsRecheckedBeforeHiding() {
        Rig rig;
        rig.showAndSettle();
        rig.host.key = false;
        rig.controller->panelDidResignKey();
        QVERIFY(!rig.controller->isAnimatingHide());
        rig.clock.advance(80ms);
        QVERIFY(rig.controller->isAnimatingHide());
    }

    void focusLossThatDoesNotCount_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("within the guard") << "guard";
        QTest::newRow("focus comes back") << "back";
        QTest::newRow("modal window") << "modal";
        QTest::newRow("menu opens meanwhile") << "menu";
        QTest::newRow("fading already") << "fading";
    }
    void focusLossThatDoesNotCount() {
        QFETCH(QString, situation);
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
        if (situation == QLatin1String("back"))
            rig.host.key = true;
        if (situation == QLatin1String("menu"))
            rig.controller->menuTrackingBegan();
        rig.clock.advance(100ms);
        QVERIFY(rig.host.visible);
        QCOMPARE(rig.host.fades.size(), fadesBefore);
    }

    void escapeFadesOutUnlessMotionIsReduced() {
        Rig rig;
        rig.controller->show();
        rig.controller->escapePressed(); // no guard for Escape
        QVERIFY(rig.controller->isAnimatingHide());
        QVERIFY(!rig.host.monitorInstalled);
        rig.host.completeLatestFade();
        QVERIFY(!rig.host.visible);
        QCOMPARE(rig.host.alpha, 1.0);
        QVERIFY(!rig.controller->isAnimatingHide());

        rig.host.reduced = true;
        rig.controller->show();
        rig.controller->escapePressed();
        QVERIFY(!rig.host.visible);
        QCOMPARE(rig.host.fades.size(), 1);
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
        rig.showAndSettle();
        rig.host.key = false;
        rig.controller->panelDidResignKey();
        rig.controller->hide(true);
        rig.controller.reset();
        rig.clock.advance(100ms); // the re-check is dropped with its context
        rig.host.completeLatestFade();
        QVERIFY(rig.host.visible); // nobody left to order it out, and nothing crashed
    }

    void appearanceFollowsTheTheme() {
        Rig rig;
        PanelThemeController::shared().apply(AppTheme::paper);
        QCOMPARE(rig.host.appearance, AppAppearance::light);
        PanelThemeController::shared().apply(AppTheme::brutalism);
        QCOMPARE(rig.host.appearance, AppAppearance::dark);
    }
};

QTEST_MAIN(TestMenuBarDropdownController)
#include "tst_MenuBarDropdownController.moc"
