#include "FakeShell.h"
#include "MenuBarDropdownController.h"
#include "PanelThemeController.h"
#include "ScreenPlacement.h"

#include <QTest>
#include <memory>

using namespace quelvio;
using namespace quelvio::test;
using namespace std::chrono_literals;

namespace {

// One laptop display with a 25-point bar at the top.
const ScreenInfo laptop{{0, 0, 1440, 900}, {0, 0, 1440, 875}};

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

Q_DECLARE_METATYPE(quelvio::PanelScreenFrame)
Q_DECLARE_METATYPE(quelvio::ScreenInfo)
Q_DECLARE_METATYPE(std::optional<quelvio::PanelScreenFrame>)

class TestMenuBarDropdownController : public QObject {
    Q_OBJECT

private slots:
    void mouseInRectTakesLeftAndTopEdges_data() {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<bool>("inside");
        QTest::newRow("left edge") << QPointF(0, 450) << true;
        QTest::newRow("right edge") << QPointF(1440, 450) << false;
        QTest::newRow("top edge") << QPointF(700, 900) << true;
        QTest::newRow("bottom edge") << QPointF(700, 0) << false;
        QTest::newRow("just above the bottom") << QPointF(700, 0.5) << true;
    }
    void mouseInRectTakesLeftAndTopEdges() {
        QFETCH(QPointF, point);
        QFETCH(bool, inside);
        QCOMPARE(ScreenPlacement::mouseInRect(point, laptop.frame), inside);
    }

    void screenLookupFallsBack() {
        const ScreenInfo right{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1050}};
        const QList<ScreenInfo> screens{laptop, right};
        QCOMPARE(ScreenPlacement::screenContainingPointer({2000, 1070}, screens, laptop), right);
        QCOMPARE(ScreenPlacement::screenContainingPointer({10, 10}, screens, right), laptop);
        // Off every screen: the main one, else the first.
        QCOMPARE(ScreenPlacement::screenContainingPointer({-50, -50}, screens, right), right);
        QCOMPARE(ScreenPlacement::screenContainingPointer({-50, -50}, screens, std::nullopt), laptop);
        QVERIFY(!ScreenPlacement::screenContainingPointer({0, 0}, {}, std::nullopt));
        // A Qt pixel row flips to a bottom-up y and back.
        QCOMPARE(ScreenPlacement::pointFromQt({5, 0}, 900), QPointF(5, 900));
        QCOMPARE(ScreenPlacement::pointToQt(ScreenPlacement::pointFromQt({5, 37}, 900), 900), QPointF(5, 37));
    }

    void placement_data() {
        QTest::addColumn<QList<ScreenInfo>>("screens");
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<std::optional<PanelScreenFrame>>("icon");
        QTest::addColumn<PanelScreenFrame>("frame");
        QTest::addColumn<PanelScreenFrame>("iconArea");

        const ScreenInfo bottomBar{{0, 0, 1440, 900}, {0, 30, 1440, 870}};
        const ScreenInfo right{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1050}};
        using Icon = std::optional<PanelScreenFrame>;
        QTest::newRow("under the icon")
            << QList<ScreenInfo>{laptop} << QPointF(1214, 890) << Icon(PanelScreenFrame{1200, 876, 28, 24})
            << PanelScreenFrame{1014, 310, 400, 560} << PanelScreenFrame{1196, 872, 36, 32};
        QTest::newRow("icon on another display")
            << QList<ScreenInfo>{laptop} << QPointF(700, 500) << Icon(PanelScreenFrame{3000, 1176, 28, 24})
            << PanelScreenFrame{500, 310, 400, 560} << PanelScreenFrame{682, 872, 36, 32};
        // Linux trays rarely say where the icon is: the box goes round the pointer.
        QTest::newRow("unknown icon, top bar")
            << QList<ScreenInfo>{laptop} << QPointF(700, 890) << Icon()
            << PanelScreenFrame{500, 312, 400, 560} << PanelScreenFrame{682, 874, 36, 32};
        QTest::newRow("unknown icon, bottom bar opens above it")
            << QList<ScreenInfo>{bottomBar} << QPointF(1400, 15) << Icon()
            << PanelScreenFrame{1040, 33, 400, 560} << PanelScreenFrame{1382, -1, 36, 32};
        QTest::newRow("unknown icon on the second display")
            << QList<ScreenInfo>{laptop, right} << QPointF(2000, 1070) << Icon()
            << PanelScreenFrame{1800, 490, 400, 560} << PanelScreenFrame{1982, 1054, 36, 32};
    }
    void placement() {
        QFETCH(QList<ScreenInfo>, screens);
        QFETCH(QPointF, pointer);
        QFETCH(std::optional<PanelScreenFrame>, icon);
        QFETCH(PanelScreenFrame, frame);
        QFETCH(PanelScreenFrame, iconArea);
        Rig rig;
        rig.host.screenList = screens;
        rig.host.main = screens.first();
        rig.host.pointer = pointer;
        rig.host.statusFrame = icon;
        rig.controller->show();
        QVERIFY(rig.host.visible);
        QCOMPARE(rig.host.frame, frame);
        QCOMPARE(rig.controller->statusButtonFrame(), iconArea);
        QCOMPARE(rig.host.alpha, 1.0);
    }

    void showActivatesAndWatchesClicks() {
        Rig rig;
        rig.controller->show();
        QVERIFY(rig.host.visible);
        QVERIFY(rig.host.key);
        QCOMPARE(rig.host.activations, 1);
        QCOMPARE(rig.host.frontRegardlessCount, 1);
        QVERIFY(rig.host.monitorInstalled);
        // Bars are visible: no reason to become a regular application.
        QVERIFY(rig.policy.reasons().isEmpty());
        rig.controller->show();
        QCOMPARE(rig.host.installCalls, 1);
        rig.controller->hide(false);
        QVERIFY(!rig.host.monitorInstalled);
        QCOMPARE(rig.host.removeCalls, 1);
    }

    void refusedMonitorIsRetriedAtTheNextShow() {
        Rig rig;
        rig.host.monitorsAvailable = false;
        rig.controller->show();
        rig.controller->hide(false);
        QCOMPARE(rig.host.removeCalls, 0);
        rig.host.monitorsAvailable = true;
        rig.controller->show();
        QCOMPARE(rig.host.installCalls, 2);
        QVERIFY(rig.host.monitorInstalled);
    }

    void noScreensLeavesThePanelWhereItWas() {
        Rig rig;
        rig.host.screenList.clear();
        rig.host.main.reset();
        const PanelScreenFrame before = rig.host.frame;
        rig.controller->show();
        QVERIFY(rig.host.visible);
        QCOMPARE(rig.host.frame, before);
    }

    void fullScreenSpaceMakesItRegularWhileOpen() {
        Rig rig;
        const ScreenInfo fullScreen{{0, 0, 1440, 900}, {0, 0, 1440, 900}};
        rig.host.screenList = {fullScreen};
        rig.host.main = fullScreen;
        rig.controller->show();
        QCOMPARE(rig.activation.policy, ActivationPolicy::regular);
        QVERIFY(rig.policy.reasons().contains(ActivationReason::dropdown));
        QVERIFY(!rig.host.visible); // opens on the next turn
        rig.clock.runPending();
        QVERIFY(rig.host.visible);
        QCOMPARE(rig.host.frontRegardlessCount, 0);
        rig.controller->hide(true);
        QCOMPARE(rig.activation.policy, ActivationPolicy::accessory);
        QVERIFY(rig.policy.reasons().isEmpty());
    }

    void hideBeforeTheDeferredOpenCancelsIt() {
        Rig rig;
        const ScreenInfo fullScreen{{0, 0, 1440, 900}, {0, 0, 1440, 900}};
        rig.host.screenList = {fullScreen};
        rig.host.main = fullScreen;
        rig.controller->show();
        QVERIFY(rig.controller->isPresentPending());
        rig.controller->hide(true);
        rig.clock.runPending();
        QVERIFY(!rig.host.visible);
        QVERIFY(!rig.controller->isPresentPending());
        QCOMPARE(rig.activation.policy, ActivationPolicy::accessory);
        // Two shows in a row open it once.
        rig.controller->show();
        rig.controller->show();
        rig.clock.runPending();
        QVERIFY(rig.host.visible);
        QCOMPARE(rig.host.activations, 1);
    }

    void everyHideDropsTheDropdownReason() {
        Rig rig;
        rig.policy.insert(ActivationReason::dropdown);
        rig.policy.insert(ActivationReason::main);
        rig.controller->hide(true); // hidden already: only the reason goes
        QCOMPARE(rig.policy.reasons(), QSet<QString>{ActivationReason::main});
        QCOMPARE(rig.activation.policy, ActivationPolicy::regular);
        QVERIFY(rig.host.fades.isEmpty());
    }

    void outsideClickGuardWindow() {
        Rig rig;
        rig.controller->show();
        rig.clock.advance(440ms);
        rig.click({100, 100});
        QVERIFY(rig.host.visible);
        QVERIFY(!rig.controller->isAnimatingHide());
        rig.clock.advance(10ms);
        rig.click({100, 100});
        QVERIFY(rig.controller->isAnimatingHide());
        QCOMPARE(rig.host.fades.size(), 1);
    }

    void clickDecisionWaitsForTheNextTurn() {
        Rig rig;
        rig.showAndSettle();
        rig.controller->mouseDown({100, 100});
        QVERIFY(!rig.controller->isAnimatingHide());
        rig.clock.runPending();
        QVERIFY(rig.controller->isAnimatingHide());
    }

    void clicksThatAreNotOutside_data() {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<bool>("hides");
        QTest::newRow("inside the panel") << QPointF(1100, 400) << false;
        QTest::newRow("panel's left edge") << QPointF(1014, 400) << false;
        QTest::newRow("panel's right edge") << QPointF(1414, 400) << true;
        QTest::newRow("on the icon") << QPointF(1210, 880) << false;
        QTest::newRow("within 4 of the icon") << QPointF(1197, 873) << false;
        QTest::newRow("just past the margin") << QPointF(1232, 880) << true;
        QTest::newRow("elsewhere") << QPointF(10, 10) << true;
    }
    void clicksThatAreNotOutside() {
        QFETCH(QPointF, point);
        QFETCH(bool, hides);
        Rig rig;
        rig.showAndSettle();
        rig.click(point);
        QCOMPARE(rig.controller->isAnimatingHide(), hides);
    }

    void ownMenuKeepsThePanelOpen() {
        Rig rig;
        rig.showAndSettle();
        rig.controller->menuTrackingBegan();
        rig.click({10, 10});
        rig.controller->panelDidResignKey();
        rig.host.key = false;
        rig.clock.advance(200ms);
        QVERIFY(rig.host.visible);
        QVERIFY(!rig.controller->isAnimatingHide());
        rig.controller->menuTrackingEnded();
        rig.click({10, 10});
        QVERIFY(rig.controller->isAnimatingHide());
    }

    void menuTrackingCountsOnlyWhileVisible() {
        Rig rig;
        rig.controller->menuTrackingBegan();
        QVERIFY(!rig.controller->isMenuTracking());
        rig.controller->show();
        rig.controller->menuTrackingBegan();
        QVERIFY(rig.controller->isMenuTracking());
        rig.controller->hide(false);
        rig.controller->menuTrackingEnded();
        QVERIFY(!rig.controller->isMenuTracking());
    }

    void focusLossIsRecheckedAfter80ms() {
        Rig rig;
        rig.showAndSettle();
        rig.host.key = false;
        rig.controller->panelDidResignKey();
        rig.clock.advance(79ms);
        QVERIFY(!rig.controller->isAnimatingHide());
        rig.clock.advance(1ms);
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

    void escapeFadesOut() {
        Rig rig;
        rig.controller->show();
        rig.controller->escapePressed(); // no guard for Escape
        QVERIFY(rig.controller->isAnimatingHide());
        QVERIFY(rig.host.visible);
        QCOMPARE(rig.host.fadeDurations.value(0), 100ms);
        QVERIFY(!rig.host.monitorInstalled);
        rig.host.completeLatestFade();
        QVERIFY(!rig.host.visible);
        QCOMPARE(rig.host.alpha, 1.0);
        QVERIFY(!rig.controller->isAnimatingHide());
    }

    void escapeWithReducedMotionVanishesAtOnce() {
        Rig rig;
        rig.host.reduced = true;
        rig.controller->show();
        rig.controller->escapePressed();
        QVERIFY(!rig.host.visible);
        QVERIFY(rig.host.fades.isEmpty());
        QVERIFY(!rig.controller->isAnimatingHide());
    }

    void unanimatedHideIgnoresMotion() {
        Rig rig;
        rig.controller->show();
        rig.controller->hide(false);
        QVERIFY(!rig.host.visible);
        QVERIFY(rig.host.fades.isEmpty());
    }

    void showDuringFadeWins() {
        Rig rig;
        rig.controller->show();
        rig.controller->hide(true);
        const quint64 fading = rig.controller->transitionId();
        rig.host.alpha = 0.4;
        rig.controller->show();
        QVERIFY(rig.controller->transitionId() != fading);
        QVERIFY(!rig.controller->isAnimatingHide());
        QCOMPARE(rig.host.alpha, 1.0);
        QVERIFY(rig.host.monitorInstalled);
        rig.host.fades.first()(); // the old fade ends late
        QVERIFY(rig.host.visible);
        QVERIFY(!rig.controller->isAnimatingHide());
    }

    void outsideClickDuringFadeDoesNothingMore() {
        Rig rig;
        rig.showAndSettle();
        rig.controller->hide(true);
        rig.click({10, 10});
        QCOMPARE(rig.host.fades.size(), 1);
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
