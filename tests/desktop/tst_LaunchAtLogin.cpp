#include "LaunchAtLogin.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quelvio;

Q_DECLARE_METATYPE(quelvio::LaunchAtLoginStatus)

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestLaunchAtLogin : public QObject {
    Q_OBJECT

private slots:
    void statusFromTheEntry_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<LaunchAtLoginStatus>("status");
        QTest::newRow("hidden false")
            << QByteArray("[Desktop Entry]\nExec=q\nHidden=false\n") << LaunchAtLoginStatus::enabled;
        QTest::newRow("gnome switched off")
            << QByteArray("[Desktop Entry]\nExec=q\nX-GNOME-Autostart-enabled=false\n")
            << LaunchAtLoginStatus::notRegistered;
        QTest::newRow("hidden in another group counts for nothing")
            << QByteArray("[Desktop Entry]\nExec=q\n[Desktop Action x]\nHidden=true\n")
            << LaunchAtLoginStatus::enabled;
        QTest::newRow("spaces and comments") << QByteArray("# mine\n\n[Desktop Entry]\r\nHidden = true\r\n")
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
        const LaunchAtLoginController controller(path, QStringLiteral("/opt/quelvio/bin/quelvio"));
        QCOMPARE(controller.status(), LaunchAtLoginStatus::notRegistered);

        controller.setEnabled(true);
        QCOMPARE(controller.status(), LaunchAtLoginStatus::enabled);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QVERIFY(written.startsWith("[Desktop Entry]\n"));
        QVERIFY(written.contains("\nExec=/opt/quelvio/bin/quelvio\n"));

        controller.setEnabled(false);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(controller.status(), LaunchAtLoginStatus::notRegistered);
        controller.setEnabled(false); // nothing to remove is no failure

        // A file where the autostart directory should be.
        writeFile(home.filePath(QStringLiteral("blocked")), "x");
        const LaunchAtLoginController blocked(home.filePath(QStringLiteral("blocked/quelvio.desktop")),
                                              QStringLiteral("/usr/bin/quelvio"));
        QVERIFY_THROWS_EXCEPTION(LaunchAtLoginError, blocked.setEnabled(true));
    }

    void entryPathIgnoresARelativeXdgConfigHome() {
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", "/tmp/cfg-home");
        QCOMPARE(LaunchAtLoginController::defaultEntryPath(),
                 QStringLiteral("/tmp/cfg-home/autostart/quelvio.desktop"));
        qputenv("XDG_CONFIG_HOME", "relative/dir");
        QCOMPARE(LaunchAtLoginController::defaultEntryPath(),
                 QDir::homePath() + QStringLiteral("/.config/autostart/quelvio.desktop"));
        qputenv("XDG_CONFIG_HOME", saved);
    }

    void execValueQuotesAndEscapes_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/usr/bin/quelvio"
                               << "/usr/bin/quelvio";
        QTest::newRow("blank") << "/home/a b/quelvio"
                               << "\"/home/a b/quelvio\"";
        QTest::newRow("dollar") << "/x$y/q"
                                << "\"/x\\\\$y/q\"";
        QTest::newRow("percent") << "/100%/q"
                                 << "/100%%/q";
        QTest::newRow("quote") << "/a\"b"
                               << "\"/a\\\\\"b\"";
    }
    void execValueQuotesAndEscapes() {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        QCOMPARE(LaunchAtLoginController::execValue(program), exec);
    }
};

QTEST_MAIN(TestLaunchAtLogin)
#include "tst_LaunchAtLogin.moc"
