#include "FakeShell.h"
#include "IdleWindowRelease.h"
#include "LaunchAtLogin.h"
#include "PlatformChoice.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quelvio;

Q_DECLARE_METATYPE(quelvio::LaunchAtLoginStatus)
Q_DECLARE_METATYPE(SessionEnvironment)
Q_DECLARE_METATYPE(std::optional<QByteArray>)

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

// What the program asks of the desktop session: the platform it runs on and its start at login.
class TestDesktopSession : public QObject {
    Q_OBJECT

private slots:
    // Hidden windows are released once every one has stayed hidden the whole delay, and once
    // only until one is shown again.
    void hiddenWindowsAreReleasedAfterAWhile() {
        using namespace std::chrono_literals;
        test::FakeShellClock clock;
        int released = 0;
        IdleWindowRelease release(clock, [&] { ++released; });
        release.windowsChanged(false);
        clock.advance(IdleWindowRelease::releaseAfter - 1s);
        release.windowsChanged(true); // shown just in time
        release.windowsChanged(false);
        clock.advance(IdleWindowRelease::releaseAfter - 1s);
        QCOMPARE(released, 0);
        clock.advance(1s);
        QCOMPARE(released, 1);
        release.windowsChanged(false); // another window hidden: nothing left to release
        clock.advance(IdleWindowRelease::releaseAfter * 2);
        QCOMPARE(released, 1);
        release.windowsChanged(true);
        release.windowsChanged(false);
        clock.advance(IdleWindowRelease::releaseAfter);
        QCOMPARE(released, 2);
    }

    void statusFromTheEntry_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<LaunchAtLoginStatus>("status");
        QTest::newRow("hidden in another group counts for nothing")
            << QByteArray("[Desktop Entry]\nExec=q\n[Desktop Action x]\nHidden=true\n")
            << LaunchAtLoginStatus::enabled;
        QTest::newRow("spaces and comments")
            << QByteArray("# mine\n\n[Desktop Entry]\r\nX-GNOME-Autostart-enabled = false\r\n")
            << LaunchAtLoginStatus::notRegistered;
        QTest::newRow("no desktop entry group") << QByteArray("garbage\n") << LaunchAtLoginStatus::notFound;
    }
    void statusFromTheEntry() {
        QFETCH(QByteArray, contents);
        QFETCH(LaunchAtLoginStatus, status);
        QTemporaryDir home;
        const QString path = home.filePath(QStringLiteral("autostart/quelvio.desktop"));
        writeFile(path, contents);
        QCOMPARE(LaunchAtLoginController(path, QStringLiteral("/usr/bin/quelvio")).status(), status);
    }

    void registerThenUnregister() {
        QTemporaryDir home;
        const QString path = home.filePath(QStringLiteral("autostart/quelvio.desktop"));
        writeFile(path, "[Desktop Entry]\nExec=old\nHidden=true\n");
        // A blank asks for quotes, and inside them $ and " take a backslash, which the string
        // value doubles; % is doubled everywhere.
        const LaunchAtLoginController controller(path, QStringLiteral("/opt/a b/100%/x$\"q"));
        QCOMPARE(controller.status(), LaunchAtLoginStatus::notRegistered);
        controller.setEnabled(true);
        QCOMPARE(controller.status(), LaunchAtLoginStatus::enabled);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QVERIFY2(written.contains("\nExec=\"/opt/a b/100%%/x\\\\$\\\\\"q\"\n"), written.constData());
        // Session managers show the entry with the launcher's icon.
        QVERIFY2(written.contains("\nIcon=io.quelvio.Quelvio\n"), written.constData());

        controller.setEnabled(false);
        QVERIFY(!QFile::exists(path));
        controller.setEnabled(false); // nothing to remove is no failure

        // A file where the autostart directory should be.
        writeFile(home.filePath(QStringLiteral("blocked")), "x");
        const LaunchAtLoginController blocked(home.filePath(QStringLiteral("blocked/quelvio.desktop")),
                                              QStringLiteral("/usr/bin/quelvio"));
        QVERIFY_THROWS_EXCEPTION(LaunchAtLoginError, blocked.setEnabled(true));
    }

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

QTEST_GUILESS_MAIN(TestDesktopSession)
#include "tst_DesktopSession.moc"
