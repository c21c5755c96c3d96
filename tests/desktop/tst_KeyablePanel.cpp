#include "KeyablePanel.h"
#include "MenuBarDropdownController.h"
#include "QtDropdownPanelHost.h"
#include "ShellClock.h"

#include <QMenu>
#include <QScreen>
#include <QTest>
#include <memory>

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
        }
        void open() {
            controller.show();
            QTRY_VERIFY(panel.isVisible());
        }

        KeyablePanel panel;
        QtDropdownPanelHost host{&panel};
        AppActivationPolicy policy;
        MenuBarDropdownController controller{host, SystemShellClock::shared(), policy,
                                             MenuBarDropdownTiming{50ms, 80ms, 100ms}};
    };

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void panelIsAFramelessTopTool() {
        KeyablePanel panel;
        QVERIFY(panel.flags().testFlag(Qt::Tool));
        QVERIFY(panel.flags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(panel.flags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(panel.size(), QSize(400, 560));
        QCOMPARE(panel.title(), QStringLiteral("quelvio"));
    }

    void opensUnderTheTrayIconAndCloses() {
        Rig rig;
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        rig.open();
        const QRect geometry = rig.panel.geometry();
        QCOMPARE(geometry.top(), 24 + 6); // the gap under the icon
        QCOMPARE(geometry.size(), QSize(400, qMin(560, screen.height())));
        QVERIFY(screen.contains(geometry));
        QCOMPARE(rig.panel.opacity(), 1.0);
        QVERIFY(rig.host.isWatchingClicks());
        rig.controller.hide(false);
        QVERIFY(!rig.panel.isVisible());
        QVERIFY(!rig.host.isWatchingClicks());
    }

    void escapeFadesItOut() {
        Rig rig;
        rig.open();
        QTest::keyClick(&rig.panel, Qt::Key_Escape);
        QVERIFY(rig.controller.isAnimatingHide());
        QVERIFY(rig.panel.isFading());
        QTRY_VERIFY(!rig.panel.isVisible());
        QVERIFY(!rig.controller.isAnimatingHide());
        QCOMPARE(rig.panel.opacity(), 1.0);
    }

    void showingAgainStopsTheFade() {
        Rig rig;
        rig.open();
        rig.controller.hide(true);
        QVERIFY(rig.panel.isFading());
        rig.controller.show();
        QTRY_VERIFY(!rig.controller.isAnimatingHide());
        QVERIFY(!rig.panel.isFading());
        QTest::qWait(150);
        QVERIFY(rig.panel.isVisible());
        QCOMPARE(rig.panel.opacity(), 1.0);
    }

    void clicksOutsideCloseItClicksInsideDoNot() {
        Rig rig;
        QWindow other;
        other.setGeometry(0, 0, 100, 100);
        other.show();
        rig.open();
        QTest::qWait(60); // past the guard
        const QSize size = rig.panel.size();
        // Every edge row and column of the panel is inside it.
        for (const QPoint p : {QPoint(10, 10), QPoint(10, 0), QPoint(0, 10), QPoint(size.width() - 1, 10),
                               QPoint(10, size.height() - 1)})
            QTest::mousePress(&rig.panel, Qt::LeftButton, {}, p);
        QTest::qWait(20);
        QVERIFY(!rig.controller.isAnimatingHide());
        QTest::mousePress(&other, Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_VERIFY(!rig.panel.isVisible());
    }

    void focusLossClosesIt() {
        Rig rig;
        QWindow other;
        other.setGeometry(0, 0, 100, 100);
        other.show();
        rig.open();
        if (!QTest::qWaitFor([&] { return rig.panel.isActive(); }, 1000))
            QSKIP("the platform does not activate windows");
        QTest::qWait(60); // past the guard
        other.requestActivate();
        QTRY_VERIFY(!rig.panel.isVisible());
    }

    void ourMenusCountAsTracking() {
        Rig rig;
        rig.open();
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
