// The real program against the demo server: it finds the server in its configuration and listens,
// a scrape announced on the stream makes it refresh, and a second launch hands over.
#include "AsyncTest.h"
#include "DemoServer.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class TestEndToEnd : public QObject {
    Q_OBJECT

    demo::DemoServer m_server;
    QTemporaryDir m_profile;
    QProcess m_app;

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"XDG_CONFIG_HOME"_s, m_profile.path());
        env.insert(u"ASAN_OPTIONS"_s, u"detect_leaks=0"_s); // it is stopped, not quit
        return env;
    }

    QStringList paths() const {
        QStringList list;
        for (const auto& request : m_server.requests())
            list.append(request.path);
        return list;
    }

    // Waits until the program has asked nothing for a while, so that what comes next is new.
    void settle() {
        QElapsedTimer quiet;
        quiet.start();
        QObject listening; // disconnects on every way out
        connect(&m_server, &demo::DemoServer::requestReceived, &listening, [&] { quiet.restart(); });
        QVERIFY(waitUntil([&] { return quiet.elapsed() > 500; }, 20s));
    }

private slots:
    void initTestCase() {
        m_server.listen();
        QVERIFY(m_profile.isValid());
        QDir().mkpath(m_profile.filePath(u"quelvio"_s));
        QFile conf(m_profile.filePath(u"quelvio/quelvio.conf"_s));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("[General]\nquelvio.baseURL=" + m_server.baseUrl().toString().toUtf8() +
                   "\nquelvio.migratedDefaultBaseURL.prod=true\n");
        conf.close();
        m_app.setProcessEnvironment(environment());
        m_app.setProcessChannelMode(QProcess::ForwardedChannels);
    }

    void startUpFindsTheServerAndListens() {
        m_app.start(QStringLiteral(QUELVIO_BINARY), {});
        QVERIFY(m_app.waitForStarted());
        QVERIFY(waitUntil(
            [&] { return m_server.streamClientCount() == 1 && paths().contains(u"/v1/products"_s); }, 30s));
    }

    void aScrapeOnTheStreamRefreshes() {
        settle();
        m_server.clearRequests();
        m_server.scrapeNow();
        QVERIFY(waitUntil([&] { return paths().contains(u"/v1/products"_s); }, 10s));
        QVERIFY(paths().contains(u"/health"_s));
        QVERIFY(paths().contains(u"/v1/categories"_s)); // the products tab forces the catalogue
    }

    void aSecondLaunchHandsOver() {
        settle();
        m_server.clearRequests();
        QProcess second;
        second.setProcessEnvironment(environment());
        second.start(QStringLiteral(QUELVIO_BINARY), {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(m_server.streamClientCount(), 1);
        // The running instance brought its window up, which refreshes what it shows.
        QVERIFY(waitUntil([&] { return paths().contains(u"/health"_s); }, 10s));
    }

    void cleanupTestCase() {
        m_app.terminate();
        if (!m_app.waitForFinished(5000)) {
            m_app.kill();
            m_app.waitForFinished();
        }
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_EndToEnd.moc"
