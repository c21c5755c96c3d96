#include "FakeMainWindow.h"
#include "FakeShell.h"
#include "MainWindowController.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace quelvio;
using namespace quelvio::test;

namespace {

// A 1440 by 900 display with a 25-point bar on top, and a second display to its right.
const ScreenInfo laptop{{0, 0, 1440, 900}, {0, 0, 1440, 875}};
const ScreenInfo monitor{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}};

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

} // namespace

class TestMainWindowController : public QObject {
    Q_OBJECT

private slots:
    void placedNextTurnOnThePointersScreen() {
        Rig rig;
        rig.make();
        rig.host.frame = {100, 100, 980, 640};
        rig.host.pointer = QPointF(2000, 500);
        rig.controller->show();
        QCOMPARE(rig.host.frame, (PanelScreenFrame{100, 100, 980, 640}));
        rig.clock.runPending();
        QCOMPARE(rig.host.frame, (PanelScreenFrame{1440 + 470, 220, 980, 640}));
        QCOMPARE(rig.frames.frame(MainWindowLayout::frameAutosaveName), rig.host.frame);

        // Without any screen it stays where it was.
        rig.controller->hide();
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
        QVERIFY(!rig.host.visible);
        QSignalSpy visibility(&controller, &MainWindowController::visibilityChanged);
        QSignalSpy presented(&controller, &MainWindowController::presented);

        controller.show();
        QCOMPARE(rig.activation.policy, ActivationPolicy::regular);
        QCOMPARE(rig.activation.activations, 1);
        QVERIFY(controller.isVisible());
        QVERIFY(!rig.host.visible);
        QCOMPARE(presented.size(), 0);
        rig.clock.runPending();
        QVERIFY(rig.host.visible && rig.host.key);
        QCOMPARE(presented.size(), 1);

        // Closing only hides.
        QCOMPARE(controller.windowShouldClose(), false);
        QVERIFY(!rig.host.visible);
        QVERIFY(!controller.isVisible());
        QVERIFY(rig.policy.reasons().isEmpty());
        QCOMPARE(rig.activation.policy, ActivationPolicy::accessory);
        QCOMPARE(visibility.size(), 3);

        // Shown again: brought forward every time; closing keeps the dropdown's reason.
        controller.show();
        rig.clock.runPending();
        controller.show();
        rig.clock.runPending();
        QCOMPARE(rig.host.frontCount, 3);
        QCOMPARE(rig.activation.activations, 3);
        QCOMPARE(presented.size(), 3);
        rig.policy.insert(ActivationReason::dropdown);
        controller.windowShouldClose();
        QCOMPARE(rig.policy.reasons(), QSet<QString>{ActivationReason::dropdown});
        QCOMPARE(rig.activation.policy, ActivationPolicy::regular);
    }

    void aHideOrToggleBeforeTheTurnWins() {
        Rig rig;
        MainWindowController& controller = rig.make();
        controller.show();
        controller.hide();
        rig.clock.runPending();
        QVERIFY(!rig.host.visible);
        QVERIFY(!controller.isVisible());
        QVERIFY(rig.policy.reasons().isEmpty());

        controller.toggle();
        rig.clock.runPending();
        QVERIFY(rig.host.visible);
        controller.toggle();
        QVERIFY(!rig.host.visible);
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
};

QTEST_MAIN(TestMainWindowController)
#include "tst_MainWindowController.moc"
