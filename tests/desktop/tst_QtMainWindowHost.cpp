#include "PanelThemeController.h"
#include "QtMainWindowHost.h"

#include <QQuickItem>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace quelvio;

namespace {

const QString frameName = MainWindowLayout::frameAutosaveName;

} // namespace

// The real main window on the offscreen platform, driven by the real controller and timers.
class TestQtMainWindowHost : public QObject {
    Q_OBJECT

    struct Rig {
        Rig() { host.attach(&controller); }

        QTemporaryDir dir;
        std::function<std::unique_ptr<QSettings>()> open = [path = dir.filePath(QStringLiteral("q.ini"))] {
            return std::make_unique<QSettings>(path, QSettings::IniFormat);
        };
        HideOnCloseWindow window;
        QtMainWindowHost host{&window};
        SettingsWindowFrameStore frames{open};
        AppActivationPolicy policy;
        MainWindowController controller{host, frames, SystemShellClock::shared(), policy};
    };

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void closingOnlyHidesAndTheFrameIsKept() {
        Rig rig;
        QVERIFY(rig.window.flags().testFlags(Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint));
        QVERIFY(!rig.window.flags().testFlag(Qt::Tool));
        const double h = QGuiApplication::primaryScreen()->geometry().height();
        rig.host.setWindowFrame({10, 20, 780, 500});
        QCOMPARE(rig.window.geometry(), QRect(10, int(h) - 520, 780, 500));
        QCOMPARE(rig.host.windowFrame(), (PanelScreenFrame{10, 20, 780, 500}));

        rig.controller.show();
        QTRY_VERIFY(rig.window.isVisible());
        QVERIFY(!rig.window.close());
        QVERIFY(!rig.window.isVisible());
        QVERIFY(rig.window.handle() != nullptr);
        QVERIFY(rig.policy.reasons().isEmpty());
        const std::optional<PanelScreenFrame> saved = SettingsWindowFrameStore(rig.open).frame(frameName);
        QVERIFY(saved.has_value());
        QCOMPARE(QSizeF(saved->width, saved->height), QSizeF(rig.window.size()));

        rig.frames.setFrame(frameName, {-120.5, 33, 1000, 700.25});
        QCOMPARE(SettingsWindowFrameStore(rig.open).frame(frameName),
                 (PanelScreenFrame{-120.5, 33, 1000, 700.25}));
        QCOMPARE(rig.frames.frame(QStringLiteral("Other")), std::nullopt);
    }

    void unusableSavedFramesAreIgnored_data() {
        QTest::addColumn<QVariant>("saved");
        QTest::newRow("three numbers") << QVariant(QStringLiteral("1 2 3"));
        QTest::newRow("words") << QVariant(QStringLiteral("a b c d"));
        QTest::newRow("no width") << QVariant(QStringLiteral("0 0 0 10"));
        QTest::newRow("infinite") << QVariant(QStringLiteral("0 0 inf 10"));
        QTest::newRow("a list") << QVariant(QStringList{"1", "2", "3", "4"});
    }
    void unusableSavedFramesAreIgnored() {
        QFETCH(QVariant, saved);
        Rig rig;
        rig.open()->setValue(SettingsWindowFrameStore::key(frameName), saved);
        QCOMPARE(rig.frames.frame(frameName), std::nullopt);
    }

    void contentFillsTheWindowAndThemeColoursIt() {
        Rig rig;
        QQuickItem view;
        rig.controller.setContent(&view);
        rig.controller.show();
        QTRY_VERIFY(rig.window.isVisible());
        rig.window.resize(780, 500);
        QTRY_COMPARE(view.size(), QSizeF(780, 500));
        PanelThemeController::shared().apply(AppTheme::paper);
        QCOMPARE(rig.window.color(), ThemeCatalog::definition(AppTheme::paper).palette.nsBgBase);
        QCOMPARE(rig.host.appearance(), AppAppearance::light);
        // The view goes before the window does.
        rig.host.setContent(nullptr);
        QCOMPARE(view.parentItem(), nullptr);
    }

    // Last: the quit also tells the (not running) event loop to exit.
    void quittingClosesForReal() {
        Rig rig;
        rig.controller.show();
        QTRY_VERIFY(rig.window.isVisible());
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
