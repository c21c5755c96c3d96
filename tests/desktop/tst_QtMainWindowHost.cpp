#include "FakeMainWindow.h"
#include "FakeShell.h"
#include "PanelThemeController.h"
#include "QtMainWindowHost.h"

#include <QQuickItem>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace quelvio;
using namespace quelvio::test;

// The real main window on the offscreen platform, driven by the real controller and timers.
class TestQtMainWindowHost : public QObject {
    Q_OBJECT

    struct Rig {
        Rig() { host.attach(&controller); }

        HideOnCloseWindow window;
        QtMainWindowHost host{&window};
        FakeWindowFrameStore frames;
        AppActivationPolicy policy;
        MainWindowController controller{host, frames, SystemShellClock::shared(), policy};
    };

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }
    void cleanup() { PanelThemeController::shared().apply(AppTheme::ink); }

    void isANormalTitledWindow() {
        Rig rig;
        QCOMPARE(rig.window.title(), "quelvio");
        QCOMPARE(rig.window.minimumSize(), QSize(760, 480));
        QVERIFY(rig.window.flags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(rig.window.flags().testFlag(Qt::WindowMinMaxButtonsHint));
        QVERIFY(!rig.window.flags().testFlag(Qt::Tool));
        QCOMPARE(rig.window.color(), PanelThemeController::shared().windowBackground());
    }

    void framesConvertAtTheSeam() {
        Rig rig;
        const double h = QGuiApplication::primaryScreen()->geometry().height();
        rig.host.setWindowFrame({10, 20, 780, 500});
        QCOMPARE(rig.window.geometry(), QRect(10, int(h) - 520, 780, 500));
        QCOMPARE(rig.host.windowFrame(), (PanelScreenFrame{10, 20, 780, 500}));
    }

    void closingOnlyHides() {
        Rig rig;
        rig.controller.show();
        QTRY_VERIFY(rig.window.isVisible());
        QVERIFY(rig.policy.reasons().contains(ActivationReason::main));
        // Sized to the screen; the offscreen platform's pretend decorations may nudge its position.
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(rig.window.width() <= available.width() && rig.window.height() <= available.height());
        QVERIFY(rig.frames.frame(MainWindowLayout::frameAutosaveName).has_value());

        QVERIFY(!rig.window.close());
        QVERIFY(!rig.window.isVisible());
        QVERIFY(rig.window.handle() != nullptr);
        QVERIFY(rig.policy.reasons().isEmpty());

        rig.controller.show();
        QTRY_VERIFY(rig.window.isVisible());
        const std::optional<PanelScreenFrame> saved = rig.frames.frame(MainWindowLayout::frameAutosaveName);
        QVERIFY(saved.has_value());
        QCOMPARE(QSizeF(saved->width, saved->height), QSizeF(rig.window.size()));
    }

    void contentFillsTheWindowAndThemeColoursIt() {
        Rig rig;
        QQuickItem view;
        rig.controller.setContent(&view);
        QCOMPARE(view.parentItem(), rig.window.contentItem());
        rig.controller.show();
        QTRY_VERIFY(rig.window.isVisible());
        QTRY_COMPARE(view.size(), rig.window.contentItem()->size());
        rig.window.resize(780, 500);
        QTRY_COMPARE(view.size(), QSizeF(780, 500));

        PanelThemeController::shared().apply(AppTheme::paper);
        QCOMPARE(rig.window.color(), ThemeCatalog::definition(AppTheme::paper).palette.nsBgBase);
        QCOMPARE(rig.host.appearance(), AppAppearance::light);
        // The view goes before the window does.
        rig.host.setContent(nullptr);
        QCOMPARE(view.parentItem(), nullptr);
    }

    void settingsKeepFrames() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("quelvio.ini"));
        const auto open = [path] { return std::make_unique<QSettings>(path, QSettings::IniFormat); };
        {
            SettingsWindowFrameStore store(open);
            QCOMPARE(store.frame(MainWindowLayout::frameAutosaveName), std::nullopt);
            store.setFrame(MainWindowLayout::frameAutosaveName, {-120.5, 33, 1000, 700.25});
        }
        SettingsWindowFrameStore reopened(open);
        QCOMPARE(reopened.frame(MainWindowLayout::frameAutosaveName),
                 (PanelScreenFrame{-120.5, 33, 1000, 700.25}));
        QCOMPARE(reopened.frame(QStringLiteral("Other")), std::nullopt);
    }

    void unusableSavedFramesAreIgnored_data() {
        QTest::addColumn<QVariant>("saved");
        QTest::newRow("three numbers") << QVariant(QStringLiteral("1 2 3"));
        QTest::newRow("five numbers") << QVariant(QStringLiteral("1 2 3 4 5"));
        QTest::newRow("words") << QVariant(QStringLiteral("a b c d"));
        QTest::newRow("no width") << QVariant(QStringLiteral("0 0 0 10"));
        QTest::newRow("negative height") << QVariant(QStringLiteral("0 0 10 -10"));
        QTest::newRow("infinite") << QVariant(QStringLiteral("0 0 inf 10"));
        QTest::newRow("not a number") << QVariant(QStringLiteral("nan 0 10 10"));
        QTest::newRow("a list") << QVariant(QStringList{"1", "2", "3", "4"});
    }
    void unusableSavedFramesAreIgnored() {
        QFETCH(QVariant, saved);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("quelvio.ini"));
        const auto open = [path] { return std::make_unique<QSettings>(path, QSettings::IniFormat); };
        {
            QSettings settings(path, QSettings::IniFormat);
            settings.setValue(SettingsWindowFrameStore::key(MainWindowLayout::frameAutosaveName), saved);
        }
        SettingsWindowFrameStore store(open);
        QCOMPARE(store.frame(MainWindowLayout::frameAutosaveName), std::nullopt);
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
