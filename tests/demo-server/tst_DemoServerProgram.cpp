#include "HttpClient.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace quelvio::demo::testing;
using namespace Qt::StringLiterals;

// The executable: its options and what it tells the person who started it.
class TestDemoServerProgram : public QObject {
    Q_OBJECT

    static QString program() { return QStringLiteral(QUELVIO_DEMO_SERVER_PATH); }

private slots:
    void printsWhatIsNeededToUseIt() {
        QProcess server;
        server.start(program(), {u"--port"_s, u"0"_s, u"--api-key"_s, u"key-of-test"_s, u"--seed"_s, u"7"_s});
        QVERIFY(server.waitForStarted());
        QByteArray out;
        QVERIFY(QTest::qWaitFor(
            [&] {
                out += server.readAllStandardOutput();
                return out.contains("redeem code:");
            },
            10000));
        const auto field = [&](const char* label) {
            const QRegularExpression line(QString::fromLatin1(label) + u":\\s*(\\S.*)$"_s,
                                          QRegularExpression::MultilineOption);
            return line.match(QString::fromUtf8(out)).captured(1).trimmed();
        };
        QCOMPARE(field("API key"), u"key-of-test"_s);
        const QRegularExpressionMatch address =
            QRegularExpression(u"listening on (http://127\\.0\\.0\\.1:(\\d+))"_s)
                .match(QString::fromUtf8(out));
        QVERIFY2(address.hasMatch(), out.constData());
        QVERIFY(address.captured(2).toInt() > 0);

        HttpClient http{QUrl(address.captured(1))};
        // The accounts it prints are the ones it has.
        for (const char* account : {"administrator", "ordinary user"}) {
            const QStringList login = field(account).split(u" / "_s);
            QCOMPARE(login.size(), 2);
            const QJsonObject body{{"username", login[0]}, {"password", login[1]}};
            QCOMPARE(http.send("POST", u"/v1/auth/login"_s, body).status, 200);
        }
        const QJsonObject newcomer{
            {"username", "newcomer"}, {"password", "secret1"}, {"redeem_code", field("redeem code")}};
        const Response joined = http.send("POST", u"/v1/auth/register"_s, newcomer);
        QCOMPARE(joined.object()[u"user"_s][u"role"_s].toString(), u"member"_s);
        http.apiKey = u"demo-key"_s;
        QCOMPARE(http.send("POST", u"/v1/scrape"_s).status, 401);
        http.apiKey = u"key-of-test"_s;
        QCOMPARE(http.send("POST", u"/v1/scrape"_s).status, 200);

        // Requests are logged without their credentials.
        QVERIFY(QTest::qWaitFor(
            [&] {
                out += server.readAllStandardOutput();
                return out.contains("POST /v1/scrape\n");
            },
            5000));
        QCOMPARE(out.count("key-of-test"), 1); // in the banner only

        server.terminate();
        QVERIFY(server.waitForFinished());
    }

    void refusesBadOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("port not a number") << QStringList{u"--port"_s, u"http"_s};
        QTest::newRow("negative interval") << QStringList{u"--scrape-every"_s, u"-5"_s};
        QTest::newRow("empty key") << QStringList{u"--api-key"_s, u""_s};
    }

    void refusesBadOptions() {
        QFETCH(QStringList, arguments);
        QProcess server;
        server.start(program(), arguments);
        QVERIFY(server.waitForFinished(10000));
        QCOMPARE(server.exitCode(), 2);
        QVERIFY(server.readAllStandardError().contains("invalid option"));
    }
};

QTEST_GUILESS_MAIN(TestDemoServerProgram)
#include "tst_DemoServerProgram.moc"
