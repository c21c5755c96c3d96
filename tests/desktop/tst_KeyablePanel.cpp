#include "KeyablePanel.h"
#include "MenuBarDropdownController.h"
#include "QtDropdownPanelHost.h"
#include "ShellClock.h"

#include <QMenu>
#include <QScreen>
#include <QTest>

using namespace quelvio;
using namespace std::chrono_literals;

// The real panel on the offscreen platform, driven by the real controller and timers.
class TestKeyablePanel : public QObject {
    Q_OBJECT

    struct Rig {
        Rig() {
            host.attach(&controller);
            // A tray icon at the top right of the primary screen.
            const QRect screen = QGuiApplication::primaryScreen()->geometry();
            host.setStatusItemGeometry([screen] { return QRect(screen.right() - 100, 0, 28, 24); });
            controller.show();
        }

        KeyablePanel panel;
        QtDropdownPanelHost host{&panel};
        AppActivationPolicy policy;
        MenuBarDropdownController controller{host, SystemShellClock::shared(), policy,
                                             MenuBarDropdownTiming{50ms, 80ms, 100ms}};
    };

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void opensUnderTheIconAndClosesOnAClickOutside() {
        QWindow other;
        other.setGeometry(0, 0, 100, 100);
        other.show();
        Rig rig;
        QTRY_VERIFY(rig.panel.isVisible());
        QVERIFY(rig.panel.flags().testFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
        QCOMPARE(rig.panel.geometry().top(), 24 + 6); // the gap under the icon
        QVERIFY(QGuiApplication::primaryScreen()->geometry().contains(rig.panel.geometry()));
        QTest::qWait(60); // past the guard
        // Every edge row and column of the panel is inside it.
        const QSize size = rig.panel.size();
        for (const QPoint p : {QPoint(0, 10), QPoint(size.width() - 1, 10), QPoint(10, size.height() - 1)})
            QTest::mousePress(&rig.panel, Qt::LeftButton, {}, p);
        QTest::qWait(20);
        QVERIFY(!rig.controller.isAnimatingHide());
        QTest::mousePress(&other, Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_VERIFY(!rig.panel.isVisible());
        QVERIFY(!rig.host.isWatchingClicks());
    }

    void escapeFadesItOutAndShowingAgainStopsTheFade() {
        Rig rig;
        QTRY_VERIFY(rig.panel.isVisible());
        QTest::keyClick(&rig.panel, Qt::Key_Escape);
        QVERIFY(rig.panel.isFading());
        rig.controller.show(); // over a screen without bars: on the next turn
        QTRY_VERIFY(!rig.controller.isAnimatingHide());
        QVERIFY(!rig.panel.isFading());
        QVERIFY(rig.panel.isVisible());
        QCOMPARE(rig.panel.opacity(), 1.0);
        QTest::keyClick(&rig.panel, Qt::Key_Escape);
        QTRY_VERIFY(!rig.panel.isVisible());
        QVERIFY(!rig.controller.isAnimatingHide());
        QCOMPARE(rig.panel.opacity(), 1.0);
    }

    void ourMenusCountAsTracking() {
        Rig rig;
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

QTEST_MAIN(TestKeyablePanel)
#include "tst_KeyablePanel.moc"
