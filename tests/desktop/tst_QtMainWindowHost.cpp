#include "FakeShell.h"
#include "QtMainWindowHost.h"

#include <QQuickItem>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quelvio;
using namespace quelvio::test;

namespace {

const QString frameName = MainWindowLayout::frameAutosaveName;

// A 1440 by 900 display with a 25-point bar on top, and a second display to its right.
const ScreenInfo laptop{{0, 0, 1440, 900}, {0, 0, 1440, 875}};
const ScreenInfo monitor{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}};

// The real window; the displays and the pointer are the test's.
class ScreensHost : public QtMainWindowHost {
public:
    using QtMainWindowHost::QtMainWindowHost;
    QList<ScreenInfo> screens() const override { return screenList; }
    std::optional<ScreenInfo> mainScreen() const override { return main; }
    QPointF pointerLocation() const override { return pointer; }

    QList<ScreenInfo> screenList{laptop, monitor};
    std::optional<ScreenInfo> main = laptop;
    QPointF pointer{700, 400};
};

} // namespace

// The real main window on the offscreen platform, driven by the real controller.
class TestQtMainWindowHost : public QObject {
    Q_OBJECT

    struct Rig {
        Rig() {
            policy.setHost(&activation);
            host.attach(&controller);
        }
        void show() {
            controller.show();
            clock.runPending();
        }

        QTemporaryDir dir;
        std::function<std::unique_ptr<QSettings>()> open = [path = dir.filePath(QStringLiteral("q.ini"))] {
            return std::make_unique<QSettings>(path, QSettings::IniFormat);
        };
        HideOnCloseWindow window;
        ScreensHost host{&window};
        SettingsWindowFrameStore frames{open};
        FakeShellClock clock;
        FakeActivationHost activation;
        AppActivationPolicy policy;
        MainWindowController controller{host, frames, clock, policy};
    };

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void placedNextTurnOnThePointersScreen() {
        Rig rig;
        rig.host.setWindowFrame({100, 100, 980, 640});
        // Frames count from the bottom of the primary display, Qt's from the top.
        QCOMPARE(rig.window.y(), QGuiApplication::primaryScreen()->geometry().height() - 740);
        rig.host.pointer = QPointF(2000, 500);
        rig.show();
        const PanelScreenFrame placed{1440 + 470, 220, 980, 640};
        QCOMPARE(rig.frames.frame(frameName), placed);

        // Without any screen it stays where it was.
        rig.controller.hide();
        rig.host.screenList.clear();
        rig.host.main.reset();
        const std::optional<PanelScreenFrame> closed = rig.frames.frame(frameName);
        rig.show();
        QVERIFY(rig.window.isVisible());
        QCOMPARE(rig.frames.frame(frameName), closed);
    }

    void showsNextTurnAndClosingOnlyHides() {
        Rig rig;
        QSignalSpy presented(&rig.controller, &MainWindowController::presented);
        rig.controller.show();
        QCOMPARE(rig.activation.policy, ActivationPolicy::regular);
        QCOMPARE(rig.activation.activations, 1);
        QVERIFY(rig.controller.isVisible() && !rig.window.isVisible());
        rig.clock.runPending();
        QVERIFY(rig.window.isVisible());
        QCOMPARE(presented.size(), 1);
        // Closed with nothing else to keep it, the app leaves the task bar again.
        QVERIFY(!rig.window.close());
        QCOMPARE(rig.activation.policy, ActivationPolicy::accessory);
        rig.show();

        // Closing keeps the window and the dropdown's reason to stay a regular application.
        rig.policy.insert(ActivationReason::dropdown);
        QVERIFY(!rig.window.close());
        QVERIFY(!rig.window.isVisible() && !rig.controller.isVisible());
        QVERIFY(rig.window.handle() != nullptr);
        QCOMPARE(rig.policy.reasons(), QSet<QString>{ActivationReason::dropdown});
        QCOMPARE(rig.activation.policy, ActivationPolicy::regular);
        // Shown again while the panel keeps the app regular, it still comes to the front.
        const int activated = rig.activation.activations;
        rig.controller.show();
        QCOMPARE(rig.activation.activations, activated + 1);
        rig.controller.hide();

        // A hide before the turn wins; of two shows in a row the first puts it up.
        rig.controller.show();
        rig.controller.hide();
        rig.controller.toggle();
        rig.controller.toggle();
        rig.clock.runPending();
        QVERIFY(!rig.window.isVisible());
        rig.controller.show();
        rig.show();
        QCOMPARE(presented.size(), 3);
    }

    void theFrameIsKeptAcrossLaunches() {
        Rig rig;
        rig.show();
        // The user drags and resizes it, then closes it.
        rig.window.setGeometry(30, 40, 1100, 720);
        QVERIFY(!rig.window.close());
        // Geometry reported while hidden is not the user's.
        rig.window.setGeometry(0, 0, 500, 500);
        rig.controller.windowFrameDidChange();

        HideOnCloseWindow window;
        QtMainWindowHost next(&window);
        MainWindowController nextLaunch(next, rig.frames, rig.clock, rig.policy);
        QCOMPARE(window.geometry(), QRect(30, 40, 1100, 720));

        rig.frames.setFrame(frameName, {-120.5, 33, 1000, 700.25});
        QCOMPARE(SettingsWindowFrameStore(rig.open).frame(frameName),
                 (PanelScreenFrame{-120.5, 33, 1000, 700.25}));
        // A damaged or impossible saved frame counts as none.
        for (const char* damaged : {"1 2 3", "0 0 inf 10", "10 10 0 0"}) {
            rig.open()->setValue(SettingsWindowFrameStore::key(frameName), QString::fromLatin1(damaged));
            QCOMPARE(rig.frames.frame(frameName), std::nullopt);
        }
    }

    void contentFillsTheWindow() {
        Rig rig;
        QQuickItem view;
        rig.controller.setContent(&view);
        rig.show();
        rig.window.resize(780, 500);
        QTRY_COMPARE(view.size(), QSizeF(780, 500));
        // The view goes before the window does.
        rig.host.setContent(nullptr);
        QCOMPARE(view.parentItem(), nullptr);
    }

    // Last: the quit also tells the (not running) event loop to exit.
    void quittingClosesForReal() {
        Rig rig;
        rig.show();
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
        QVERIFY(quit.isAccepted());
        QVERIFY(!rig.window.isVisible());
        QCOMPARE(rig.window.handle(), nullptr);
    }
};

// A QGuiApplication, not the QApplication QTEST_MAIN picks here: only the former closes plain
// windows when it quits, and lets any of them cancel the quit.
int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestQtMainWindowHost test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_QtMainWindowHost.moc"
