#include "FakeMainWindow.h"
#include "FakeShell.h"
#include "MainWindowController.h"
#include "PanelThemeController.h"

#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace quelvio;
using namespace quelvio::test;

namespace {

// A 1440 by 900 display with a 25-point bar on top.
const ScreenInfo laptop{{0, 0, 1440, 900}, {0, 0, 1440, 875}};
// A second display to its right.
const ScreenInfo monitor{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}};

} // namespace

class TestMainWindowController : public QObject {
    Q_OBJECT

    struct Rig {
        Rig() {
            host.screenList = {laptop, monitor};
            host.main = laptop;
            host.pointer = QPointF(700, 400);
            policy.setHost(&activation);
        }
        MainWindowController& make() {
            controller = std::make_unique<MainWindowController>(host, frames, clock, policy);
            return *controller;
        }

        FakeMainWindowHost host;
        FakeWindowFrameStore frames;
        FakeShellClock clock;
        FakeActivationHost activation;
        AppActivationPolicy policy;
        std::unique_ptr<MainWindowController> controller;
    };

private slots:
    void cleanup() { PanelThemeController::shared().apply(AppTheme::ink); }

    void makesATitledResizableWindow() {
        Rig rig;
        rig.make();
        QCOMPARE(rig.host.configurations.size(), 1);
        const MainWindowConfiguration& c = rig.host.configurations.first();
        QCOMPARE(c.title, "quelvio");
        QCOMPARE(c.contentRect, (PanelScreenFrame{0, 0, 980, 640}));
        QCOMPARE(c.minimumSize, QSizeF(760, 480));
        QVERIFY(!rig.host.visible);
        QVERIFY(!rig.controller->isVisible());
        QVERIFY(rig.policy.reasons().isEmpty());
    }

    void placesOnThePointersScreen_data() {
        QTest::addColumn<PanelScreenFrame>("current");
        QTest::addColumn<PanelScreenFrame>("expected");
        QTest::newRow("on screen stays")
            << PanelScreenFrame{100, 100, 980, 640} << PanelScreenFrame{100, 100, 980, 640};
        QTest::newRow("mostly off screen is centred")
            << PanelScreenFrame{-700, 100, 980, 640} << PanelScreenFrame{230, 117.5, 980, 640};
        QTest::newRow("collapsed gets the default size")
            << PanelScreenFrame{0, 0, 50, 50} << PanelScreenFrame{230, 117.5, 980, 640};
        QTest::newRow("too large shrinks and is clamped")
            << PanelScreenFrame{100, 100, 2000, 1200} << PanelScreenFrame{0, 0, 1440, 875};
        QTest::newRow("on the other screen comes over")
            << PanelScreenFrame{1600, 100, 980, 640} << PanelScreenFrame{230, 117.5, 980, 640};
    }
    void placesOnThePointersScreen() {
        QFETCH(PanelScreenFrame, current);
        QFETCH(PanelScreenFrame, expected);
        Rig rig;
        rig.make();
        rig.host.frame = current;
        rig.controller->show();
        // Placement waits for the next turn of the event loop.
        QCOMPARE(rig.host.frame, current);
        rig.clock.runPending();
        QCOMPARE(rig.host.frame, expected);
        QCOMPARE(rig.frames.frame(MainWindowLayout::frameAutosaveName), expected);
    }

    void followsThePointerToAnotherScreen() {
        Rig rig;
        rig.make();
        rig.host.frame = {100, 100, 980, 640};
        rig.host.pointer = QPointF(2000, 500);
        rig.controller->show();
        rig.clock.runPending();
        QCOMPARE(rig.host.frame, (PanelScreenFrame{1440 + 470, 220, 980, 640}));
    }

    void withoutScreensStaysWhereItWas() {
        Rig rig;
        rig.make();
        rig.host.screenList.clear();
        rig.host.main.reset();
        rig.host.frame = {-5000, 100, 980, 640};
        rig.controller->show();
        rig.clock.runPending();
        QCOMPARE(rig.host.frame, (PanelScreenFrame{-5000, 100, 980, 640}));
        QVERIFY(rig.host.visible);
    }

    void showAndCloseMoveTheMainReason() {
        Rig rig;
        MainWindowController& controller = rig.make();
        QSignalSpy visibility(&controller, &MainWindowController::visibilityChanged);
        QSignalSpy presented(&controller, &MainWindowController::presented);

        controller.show();
        QVERIFY(rig.policy.reasons().contains(ActivationReason::main));
        QCOMPARE(rig.activation.policy, ActivationPolicy::regular);
        QCOMPARE(rig.activation.activations, 1);
        QVERIFY(controller.isVisible());
        QVERIFY(!rig.host.visible);
        QCOMPARE(presented.size(), 0);
        rig.clock.runPending();
        QVERIFY(rig.host.visible);
        QVERIFY(rig.host.key);
        QCOMPARE(presented.size(), 1);

        // Closing only hides.
        QCOMPARE(controller.windowShouldClose(), false);
        QVERIFY(!rig.host.visible);
        QVERIFY(!controller.isVisible());
        QVERIFY(!rig.policy.reasons().contains(ActivationReason::main));
        QCOMPARE(rig.activation.policy, ActivationPolicy::accessory);
        QCOMPARE(visibility.size(), 3);

        // Shown again: re-placed and brought forward every time.
        controller.show();
        rig.clock.runPending();
        controller.show();
        rig.clock.runPending();
        QCOMPARE(rig.host.frontCount, 3);
        QCOMPARE(rig.activation.activations, 3);
        QCOMPARE(presented.size(), 3);
    }

    void closingKeepsTheDropdownsReason() {
        Rig rig;
        MainWindowController& controller = rig.make();
        rig.policy.insert(ActivationReason::dropdown);
        controller.show();
        rig.clock.runPending();
        controller.windowShouldClose();
        QCOMPARE(rig.policy.reasons(), QSet<QString>{ActivationReason::dropdown});
        QCOMPARE(rig.activation.policy, ActivationPolicy::regular);
    }

    void hideBeforeTheTurnWins() {
        Rig rig;
        MainWindowController& controller = rig.make();
        controller.show();
        controller.hide();
        rig.clock.runPending();
        QVERIFY(!rig.host.visible);
        QVERIFY(!controller.isVisible());
        QCOMPARE(rig.host.frontCount, 0);
        QVERIFY(rig.policy.reasons().isEmpty());
    }

    void toggles() {
        Rig rig;
        MainWindowController& controller = rig.make();
        controller.toggle();
        rig.clock.runPending();
        QVERIFY(rig.host.visible);
        controller.toggle();
        QVERIFY(!rig.host.visible);
        QVERIFY(rig.policy.reasons().isEmpty());

        // A second toggle before the window is up takes the show back.
        controller.toggle();
        controller.toggle();
        rig.clock.runPending();
        QVERIFY(!rig.host.visible);
        QCOMPARE(rig.host.frontCount, 1);
    }

    void remembersTheFrameAcrossLaunches() {
        FakeWindowFrameStore frames;
        {
            Rig rig;
            rig.frames.frames.insert(MainWindowLayout::frameAutosaveName,
                                     PanelScreenFrame{200, 100, 1000, 700});
            MainWindowController& controller = rig.make();
            QCOMPARE(rig.host.frame, (PanelScreenFrame{200, 100, 1000, 700}));
            controller.show();
            rig.clock.runPending();
            QCOMPARE(rig.host.frame, (PanelScreenFrame{200, 100, 1000, 700}));

            // The user drags and resizes it, then closes it.
            rig.host.frame = {300, 50, 1100, 720};
            controller.windowFrameDidChange();
            controller.windowShouldClose();
            // Geometry reported while hidden is not the user's.
            rig.host.frame = {0, 0, 0, 0};
            controller.windowFrameDidChange();
            frames = rig.frames;
        }
        Rig next;
        next.frames = frames;
        next.make();
        QCOMPARE(next.host.frame, (PanelScreenFrame{300, 50, 1100, 720}));
    }

    void themeReachesTheWindow() {
        Rig rig;
        MainWindowController& controller = rig.make();
        PanelThemeController& theme = PanelThemeController::shared();
        QCOMPARE(rig.host.background, theme.windowBackground());
        QCOMPARE(rig.host.appearance, theme.isLight() ? AppAppearance::light : AppAppearance::dark);

        const AppTheme other = theme.isLight() ? AppTheme::ink : AppTheme::paper;
        theme.apply(other);
        QCOMPARE(rig.host.background, ThemeCatalog::definition(other).palette.nsBgBase);
        QCOMPARE(rig.host.appearance, ThemeCatalog::definition(other).appearance);

        QQuickItem view;
        rig.host.background = QColor();
        controller.setContent(&view);
        QCOMPARE(rig.host.content, &view);
        QCOMPARE(rig.host.background, theme.windowBackground());
    }
};

QTEST_MAIN(TestMainWindowController)
#include "tst_MainWindowController.moc"
