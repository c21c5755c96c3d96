#include "PlatformChoice.h"

#include <QTest>

using namespace quelvio;

Q_DECLARE_METATYPE(SessionEnvironment)
Q_DECLARE_METATYPE(std::optional<QByteArray>)

class TestPlatformChoice : public QObject {
    Q_OBJECT

private slots:
    void xcbOnlyForAWaylandSessionWithXWaylandAndNoChoice_data() {
        QTest::addColumn<SessionEnvironment>("environment");
        QTest::addColumn<std::optional<QByteArray>>("platform");
        const std::optional<QByteArray> xcb = QByteArray("xcb");
        const std::optional<QByteArray> qtDecides;
        QTest::newRow("wayland with XWayland") << SessionEnvironment{"wayland", "wayland-0", ":0", {}} << xcb;
        QTest::newRow("only the socket says wayland") << SessionEnvironment{{}, "wayland-0", ":0", {}} << xcb;
        QTest::newRow("no XWayland") << SessionEnvironment{"wayland", "wayland-0", {}, {}} << qtDecides;
        QTest::newRow("the user chose a platform")
            << SessionEnvironment{"wayland", "wayland-0", ":0", "wayland"} << qtDecides;
        QTest::newRow("an X11 session") << SessionEnvironment{"x11", {}, ":0", {}} << qtDecides;
    }
    void xcbOnlyForAWaylandSessionWithXWaylandAndNoChoice() {
        QFETCH(SessionEnvironment, environment);
        QFETCH(std::optional<QByteArray>, platform);
        QCOMPARE(preferredPlatform(environment), platform);
    }
};

QTEST_APPLESS_MAIN(TestPlatformChoice)
#include "tst_PlatformChoice.moc"
