#include "DemoServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

using quelvio::demo::DemoServer;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quelvio-demo-server"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUELVIO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A price-tracking server with a seeded demo catalogue."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("Address to listen on."),
                                  QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port to listen on (0: any free one)."),
                                  QStringLiteral("port"), QStringLiteral("8787"));
    const QCommandLineOption apiKey(QStringLiteral("api-key"),
                                    QStringLiteral("API key that scrapes require."), QStringLiteral("key"),
                                    QStringLiteral("demo-key"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the demo catalogue."),
                                  QStringLiteral("number"), QStringLiteral("1"));
    const QCommandLineOption scrapeEvery(QStringLiteral("scrape-every"),
                                         QStringLiteral("Scrape every shop this often (0: never)."),
                                         QStringLiteral("seconds"), QStringLiteral("0"));
    const QCommandLineOption heartbeatEvery(
        QStringLiteral("heartbeat-every"),
        QStringLiteral("Send a heartbeat on every open stream this often (0: never)."),
        QStringLiteral("seconds"), QStringLiteral("15"));
    const QCommandLineOption dropStreamsEvery(
        QStringLiteral("drop-streams-every"),
        QStringLiteral("Cut every open event stream this often, as a proxy might (0: never)."),
        QStringLiteral("seconds"), QStringLiteral("0"));
    parser.addOptions({host, port, apiKey, seed, scrapeEvery, heartbeatEvery, dropStreamsEvery});
    parser.process(app);

    QTextStream err(stderr);
    DemoServer::Options options;
    options.host = QHostAddress(parser.value(host));
    bool portOk = false, seedOk = false, everyOk = false, heartbeatOk = false, dropOk = false;
    const uint portNumber = parser.value(port).toUInt(&portOk);
    options.seed = parser.value(seed).toULongLong(&seedOk);
    const qint64 every = parser.value(scrapeEvery).toLongLong(&everyOk);
    const double heartbeat = parser.value(heartbeatEvery).toDouble(&heartbeatOk);
    const double drop = parser.value(dropStreamsEvery).toDouble(&dropOk);
    options.apiKey = parser.value(apiKey);
    if (options.host.isNull() || !portOk || portNumber > 65535 || !seedOk || !everyOk || every < 0 ||
        !heartbeatOk || heartbeat < 0 || !dropOk || drop < 0 || options.apiKey.isEmpty()) {
        err << "quelvio-demo-server: invalid option value; see --help\n";
        return 2;
    }
    options.port = quint16(portNumber);
    options.scrapeEvery = std::chrono::seconds(every);
    options.heartbeatInterval = std::chrono::milliseconds(qint64(heartbeat * 1000));
    options.dropStreamsEvery = std::chrono::milliseconds(qint64(drop * 1000));

    DemoServer server(options);
    if (server.listen() == 0) {
        err << "quelvio-demo-server: cannot listen on " << parser.value(host) << ':' << portNumber << '\n';
        return 1;
    }
    const auto admin = server.adminAccount();
    const auto user = server.userAccount();
    QTextStream out(stdout);
    out << "quelvio-demo-server listening on " << server.baseUrl().toString() << '\n'
        << "  API key:        " << server.apiKey() << '\n'
        << "  administrator:  " << admin.username << " / " << admin.password << '\n'
        << "  ordinary user:  " << user.username << " / " << user.password << '\n'
        << "  redeem code:    " << server.unusedRedeemCode() << '\n';
    if (every > 0)
        out << "  scraping every " << every << " s\n";
    if (drop > 0)
        out << "  cutting event streams every " << drop << " s\n";
    out.flush();

    // One line per request; headers stay out, they carry tokens and keys.
    QObject::connect(&server, &DemoServer::requestReceived, &server, [&out](const auto& request) {
        out << request.method << ' ' << request.path;
        if (!request.rawQuery.isEmpty())
            out << '?' << request.rawQuery;
        out << Qt::endl;
    });
    return app.exec();
}
