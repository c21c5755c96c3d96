#include "Presentation/Placement.h"

#include <QTest>

using namespace quelvio;

namespace quelvio {
char* toString(const PanelScreenFrame& f) {
    return QTest::toString(QStringLiteral("(%1, %2, %3, %4)").arg(f.x).arg(f.y).arg(f.width).arg(f.height));
}
} // namespace quelvio

namespace {

using F = PanelScreenFrame;

F dropdown(const F& button, const F& visible) {
    return MenuBarDropdownAnchor::frame(button, MenuBarDropdownLayout::preferredWidth,
                                        MenuBarDropdownLayout::preferredHeight,
                                        MenuBarDropdownLayout::gapBelowStatusItem, visible);
}

F mainWindow(const F& current, const F& visible) {
    return MainWindowPlacement::frame(current, visible, MainWindowPlacement::defaultWidth,
                                      MainWindowPlacement::defaultHeight);
}

const F laptop{0, 0, 1440, 875};

} // namespace

class TestPlacement : public QObject {
    Q_OBJECT

private slots:
    void dropdownFrame() {
        QCOMPARE(dropdown({1200, 876, 28, 24}, laptop), (F{1014, 310, 400, 560}));
        // Too small a screen for either side: the top of the screen.
        QCOMPARE(dropdown({700, 501, 28, 24}, {0, 0, 800, 500}), (F{400, 0, 400, 500}));
        QCOMPARE(dropdown({100, 10, 28, 24}, laptop), (F{0, 40, 400, 560}));
        // Ending exactly on an edge of the screen still fits, above as below.
        QCOMPARE(dropdown({500, 285, 28, 24}, laptop), (F{314, 315, 400, 560}));
        QCOMPARE(dropdown({500, 566, 28, 24}, {0, 0, 1440, 2000}), (F{314, 0, 400, 560}));
        QCOMPARE(dropdown({100, 876, 28, 24}, {0, 0, 300, 875}), (F{0, 310, 300, 560}));
        // A second screen to the left, its origin offset.
        QCOMPARE(dropdown({-30, 1156, 28, 24}, {-1920, 100, 1920, 1055}), (F{-400, 590, 400, 560}));
        // A button above the visible frame clamps to its top.
        QCOMPARE(dropdown({700, 2000, 28, 24}, laptop), (F{514, 315, 400, 560}));
    }

    // A button reported on another display is placed under the pointer on the target screen.
    void resolveButtonFrame() {
        const F target{0, 0, 1440, 900};
        auto resolve = [&](const F& reported, double pointerX) {
            return MenuBarDropdownAnchor::resolveButtonFrame(reported, pointerX, target);
        };
        QCOMPARE(resolve({1200, 876, 28, 24}, 700), (F{1200, 876, 28, 24}));
        QCOMPARE(resolve({3000, 1176, 28, 24}, 5), (F{0, 876, 28, 24}));
        QCOMPARE(resolve({1440, 876, 28, 24}, 100), (F{86, 876, 28, 24})); // touching the edge is outside
        QCOMPARE(resolve({0, 0, 0, 0}, 100), (F{100, 900, 0, 0}));
    }

    void mainWindowFrame() {
        QCOMPARE(mainWindow({100, 100, 980, 640}, laptop), (F{100, 100, 980, 640}));
        // Mostly off screen: centred.
        QCOMPARE(mainWindow({-700, 100, 980, 640}, laptop), (F{230, 117.5, 980, 640}));
        QCOMPARE(mainWindow({-490, 100, 980, 640}, laptop), (F{0, 100, 980, 640})); // exactly half stays
        // Collapsed: the default size.
        QCOMPARE(mainWindow({0, 0, 50, 50}, laptop), (F{230, 117.5, 980, 640}));
        QCOMPARE(mainWindow({100, 100, 2000, 1200}, laptop), (F{0, 0, 1440, 875}));
        QCOMPARE(mainWindow({0, 0, 980, 640}, {1440, 25, 1920, 1055}), (F{1910, 232.5, 980, 640}));
        QCOMPARE(mainWindow({100, 500, 980, 640}, laptop), (F{100, 235, 980, 640})); // pulled down
    }

    void containsIsHalfOpen() {
        const PanelScreenFrame f{10, 20, 100, 50};
        QVERIFY(f.contains(10, 20));
        QVERIFY(!f.contains(110, 30));
        QVERIFY(!PanelScreenFrame{}.contains(0, 0));
    }

    void qtRectangleFlip() {
        // A 1440x900 primary screen: Qt's y 0 is the top edge, y 900 here.
        const QRectF menuBarButton(1200, 0, 28, 24);
        const PanelScreenFrame flipped = PanelScreenFrame::fromQtRect(menuBarButton, 900);
        QCOMPARE(flipped, (PanelScreenFrame{1200, 876, 28, 24}));
        QCOMPARE(flipped.toQtRect(900), menuBarButton);
    }
};

QTEST_GUILESS_MAIN(TestPlacement)
#include "tst_Placement.moc"
