#include "AsyncTest.h"
#include "NetworkAccess.h"
#include "TestHttpServer.h"

#include <QLoggingCategory>
#include <QNetworkReply>
#include <QTest>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;

namespace {

QStringList captured;

void capture(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (QByteArray(context.category) == "quelvio.api")
        captured.append(message);
}

} // namespace

class TestNetworkAccess : public QObject {
    Q_OBJECT

private slots:
    void logsOneLinePerRequestWithoutCredentials() {
        TestHttpServer server;
        server.route("GET", u"/v1/me"_s, {401, R"({"error":"no"})"});
        QLoggingCategory::setFilterRules(u"quelvio.api.debug=true"_s);
        const auto previous = qInstallMessageHandler(capture);
        NetworkAccess network;
        QUrl url(server.baseURL() + u"/v1/me?limit=5"_s);
        url.setUserInfo(u"user:secret"_s);
        QNetworkRequest request(url);
        request.setRawHeader("Authorization", "Bearer hidden-token");
        std::unique_ptr<QNetworkReply> reply(network.get(request));
        QVERIFY(waitUntil([&] { return reply->isFinished(); }));
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(u"quelvio.api.debug=false"_s);

        QCOMPARE(captured.size(), 1);
        QVERIFY2(captured[0].startsWith(u"GET http://127.0.0.1:"_s), qPrintable(captured[0]));
        QVERIFY(captured[0].contains(u"/v1/me?limit=5 401 "_s));
        QVERIFY(captured[0].endsWith(u" ms"_s));
        QVERIFY(!captured[0].contains(u"secret"_s) && !captured[0].contains(u"hidden-token"_s));
    }
};

QTEST_GUILESS_MAIN(TestNetworkAccess)
#include "tst_NetworkAccess.moc"
