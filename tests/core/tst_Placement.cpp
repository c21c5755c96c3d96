#include "Presentation/Placement.h"

#include <QTest>

using namespace quelvio;

namespace quelvio {
char* toString(const PanelScreenFrame& f) {
    return QTest::toString(QStringLiteral("(%1, %2, %3, %4)").arg(f.x).arg(f.y).arg(f.width).arg(f.height));
}
} // namespace quelvio

class TestPlacement : public QObject {
    Q_OBJECT

private slots:
    void dropdownFrame_data() {
        QTest::addColumn<PanelScreenFrame>("visible");
        QTest::addColumn<PanelScreenFrame>("button");
        QTest::addColumn<PanelScreenFrame>("frame");
        const PanelScreenFrame laptop{0, 0, 1440, 875};
        QTest::newRow("under the button")
            << laptop << PanelScreenFrame{1200, 876, 28, 24} << PanelScreenFrame{1014, 310, 400, 560};
        QTest::newRow("right edge overflow")
            << laptop << PanelScreenFrame{1400, 876, 28, 24} << PanelScreenFrame{1040, 310, 400, 560};
        QTest::newRow("small screen: neither below nor above")
            << PanelScreenFrame{0, 0, 800, 500} << PanelScreenFrame{700, 501, 28, 24}
            << PanelScreenFrame{400, 0, 400, 500};
        QTest::newRow("button near the bottom opens above")
            << laptop << PanelScreenFrame{100, 10, 28, 24} << PanelScreenFrame{0, 40, 400, 560};
        // b.maxY + gap + height == s.maxY: the above test accepts equality.
        QTest::newRow("exactly fits above")
            << laptop << PanelScreenFrame{500, 285, 28, 24} << PanelScreenFrame{314, 315, 400, 560};
        // Room above as well: ending exactly on the bottom edge still counts as fitting below.
        QTest::newRow("below exactly at the bottom edge")
            << PanelScreenFrame{0, 0, 1440, 2000} << PanelScreenFrame{500, 566, 28, 24}
            << PanelScreenFrame{314, 0, 400, 560};
        QTest::newRow("narrow screen shrinks the width")
            << PanelScreenFrame{0, 0, 300, 875} << PanelScreenFrame{100, 876, 28, 24}
            << PanelScreenFrame{0, 310, 300, 560};
        QTest::newRow("second screen to the left, offset origin")
            << PanelScreenFrame{-1920, 100, 1920, 1055} << PanelScreenFrame{-30, 1156, 28, 24}
            << PanelScreenFrame{-400, 590, 400, 560};
        QTest::newRow("button above the visible frame clamps to its top")
            << laptop << PanelScreenFrame{700, 2000, 28, 24} << PanelScreenFrame{514, 315, 400, 560};
    }

    void dropdownFrame() {
        QFETCH(PanelScreenFrame, visible);
        QFETCH(PanelScreenFrame, button);
        QFETCH(PanelScreenFrame, frame);
        QCOMPARE(MenuBarDropdownAnchor::frame(button, MenuBarDropdownLayout::preferredWidth,
                                              MenuBarDropdownLayout::preferredHeight,
                                              MenuBarDropdownLayout::gapBelowStatusItem, visible),
                 frame);
    }

    void resolveButtonFrame_data() {
        QTest::addColumn<PanelScreenFrame>("reported");
        QTest::addColumn<double>("pointerX");
        QTest::addColumn<PanelScreenFrame>("resolved");
        QTest::newRow("on the target screen")
            << PanelScreenFrame{1200, 876, 28, 24} << 700.0 << PanelScreenFrame{1200, 876, 28, 24};
        QTest::newRow("on another display")
            << PanelScreenFrame{3000, 1176, 28, 24} << 700.0 << PanelScreenFrame{686, 876, 28, 24};
        QTest::newRow("pointer at the left edge")
            << PanelScreenFrame{3000, 1176, 28, 24} << 5.0 << PanelScreenFrame{0, 876, 28, 24};
        QTest::newRow("touching the screen edge is outside")
            << PanelScreenFrame{1440, 876, 28, 24} << 100.0 << PanelScreenFrame{86, 876, 28, 24};
        QTest::newRow("empty button rectangle")
            << PanelScreenFrame{0, 0, 0, 0} << 100.0 << PanelScreenFrame{100, 900, 0, 0};
    }

    void resolveButtonFrame() {
        QFETCH(PanelScreenFrame, reported);
        QFETCH(double, pointerX);
        QFETCH(PanelScreenFrame, resolved);
        const PanelScreenFrame target{0, 0, 1440, 900};
        QCOMPARE(MenuBarDropdownAnchor::resolveButtonFrame(reported, pointerX, target), resolved);
    }

    void mainWindowFrame_data() {
        QTest::addColumn<PanelScreenFrame>("current");
        QTest::addColumn<PanelScreenFrame>("visible");
        QTest::addColumn<PanelScreenFrame>("frame");
        const PanelScreenFrame laptop{0, 0, 1440, 875};
        QTest::newRow("already on screen")
            << PanelScreenFrame{100, 100, 980, 640} << laptop << PanelScreenFrame{100, 100, 980, 640};
        QTest::newRow("mostly off to the left")
            << PanelScreenFrame{-700, 100, 980, 640} << laptop << PanelScreenFrame{230, 117.5, 980, 640};
        QTest::newRow("collapsed gets the default size")
            << PanelScreenFrame{0, 0, 50, 50} << laptop << PanelScreenFrame{230, 117.5, 980, 640};
        QTest::newRow("larger than the screen")
            << PanelScreenFrame{100, 100, 2000, 1200} << laptop << PanelScreenFrame{0, 0, 1440, 875};
        QTest::newRow("exactly half on screen stays")
            << PanelScreenFrame{-490, 100, 980, 640} << laptop << PanelScreenFrame{0, 100, 980, 640};
        QTest::newRow("on another screen moves here")
            << PanelScreenFrame{2000, 100, 980, 640} << laptop << PanelScreenFrame{230, 117.5, 980, 640};
        QTest::newRow("offset visible frame")
            << PanelScreenFrame{0, 0, 980, 640} << PanelScreenFrame{1440, 25, 1920, 1055}
            << PanelScreenFrame{1910, 232.5, 980, 640};
        QTest::newRow("sticking out of the top is pulled down")
            << PanelScreenFrame{100, 500, 980, 640} << laptop << PanelScreenFrame{100, 235, 980, 640};
    }

    void mainWindowFrame() {
        QFETCH(PanelScreenFrame, current);
        QFETCH(PanelScreenFrame, visible);
        QFETCH(PanelScreenFrame, frame);
        QCOMPARE(MainWindowPlacement::frame(current, visible, MainWindowPlacement::defaultWidth,
                                            MainWindowPlacement::defaultHeight),
                 frame);
    }

    void containsIsHalfOpen() {
        const PanelScreenFrame f{10, 20, 100, 50};
        QVERIFY(f.contains(10, 20));
        QVERIFY(!f.contains(110, 30));
        QVERIFY(!f.contains(50, 70));
        QVERIFY(!PanelScreenFrame{}.contains(0, 0));
    }

    void qtRectangleFlip() {
        // A 1440x900 primary screen: Qt's y 0 is the top edge, y 900 here.
        const QRectF menuBarButton(1200, 0, 28, 24);
        const PanelScreenFrame flipped = PanelScreenFrame::fromQtRect(menuBarButton, 900);
        QCOMPARE(flipped, (PanelScreenFrame{1200, 876, 28, 24}));
        QCOMPARE(flipped.toQtRect(900), menuBarButton);
        // A screen above the primary one has negative Qt y.
        QCOMPARE(PanelScreenFrame::fromQtRect(QRectF(0, -1080, 1920, 1080), 900),
                 (PanelScreenFrame{0, 900, 1920, 1080}));
    }
};

QTEST_GUILESS_MAIN(TestPlacement)
#include "tst_Placement.moc"
