#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>
#include <chrono>
#include <memory>
#include <optional>

// quelvio-demo-server: a price-tracking server with a seeded, living in-memory catalogue, speaking
// the HTTP API and the event stream the client relies on. The executable is a thin main around
// this class; tests embed it and reach it over loopback:
//
//     quelvio::demo::DemoServer server;             // seed 1, ephemeral port, key "demo-key"
//     const quint16 port = server.listen();         // 0 when it could not listen
//     server.injectFault("/v1/products", {.status = 500, .body = R"({"error":"boom"})"});
//     server.scriptStream({.lines = {"data: {\"type\":\"price.updated\"}", ""}, .close = true});
//     ... drive a client against server.baseUrl() ...
//     server.requests();                            // every request seen, in arrival order
//
// Everything runs on the thread that owns the server, on its event loop.
namespace quelvio::demo {

struct DemoServerOptions {
    QHostAddress host = QHostAddress::LocalHost;
    quint16 port = 0; // 0 picks a free port
    QString apiKey = QStringLiteral("demo-key");
    quint64 seed = 1;
    // 0 leaves the timer off; scrapes then happen only on request.
    std::chrono::seconds scrapeEvery{0};
    // 0: no heartbeats at all.
    std::chrono::milliseconds heartbeatInterval{15000};
    // > 0: every open stream is cut this often, as a proxy or a load balancer would.
    std::chrono::milliseconds dropStreamsEvery{0};
    // "Now" of the seeded catalogue: history, first-seen times and runs are laid out before it.
    // Invalid means the current time.
    QDateTime anchor{};
};

// Replaces or delays the answer to every request for one path (query aside).
struct Fault {
    int status = 0;    // > 0: answer with this status and body instead of the real handler
    QByteArray body{}; // sent as it is, with Content-Type application/json
    std::chrono::milliseconds delay{0};
    bool neverAnswer = false; // keep the connection open and say nothing
    // > 0: send the headers of a 1000-byte body, then one byte of it this often
    std::chrono::milliseconds trickleEvery{0};
    int times = -1; // how many requests it applies to; -1 for all
};

// How the next connection to /v1/stream is served.
struct StreamScript {
    int status = 200; // anything else answers with that status and an "error" body
    QList<QPair<QByteArray, QByteArray>> headers{}; // extra headers of such a refusal
    bool hello = true;                              // send the usual "hello" message first
    QList<QByteArray> lines{}; // raw lines, each sent with a trailing line feed, after the hello
    bool close = false;        // end the stream after the lines instead of keeping it open
    bool silent = false;       // keep it open but send nothing more, not even heartbeats
};

struct RecordedRequest {
    QByteArray method;
    QString path;
    QByteArray rawQuery; // as it arrived, still percent-encoded
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The first header of that name, compared case-insensitively; empty when absent.
    QByteArray header(const QByteArray& name) const;
    // A query value decoded; absent when the name is not in the query.
    std::optional<QString> queryValue(const QString& name) const;
};

struct Credentials {
    QString username;
    QString password;
};

class DemoServer : public QObject {
    Q_OBJECT

public:
    using Options = DemoServerOptions;

    explicit DemoServer(Options options = {}, QObject* parent = nullptr);
    ~DemoServer() override;

    // Starts listening on the configured host and port; returns the port, 0 on failure. After
    // stop(), listens again on the port it had.
    quint16 listen();
    // Stops listening and drops every connection without a word, as a killed server would. The
    // catalogue, the accounts and their sessions stay.
    void stop();
    quint16 port() const;
    // For example http://127.0.0.1:8787, without a trailing slash.
    QUrl baseUrl() const;

    // What the seeded catalogue holds for people to sign in with.
    QString apiKey() const;
    Credentials adminAccount() const;
    Credentials userAccount() const;
    Credentials memberAccount() const;
    QString unusedRedeemCode() const;
    QString pendingShopSlug() const;
    QString disabledShopSlug() const;

    void injectFault(const QString& path, const Fault& fault);
    void clearFaults();

    QList<RecordedRequest> requests() const;
    void clearRequests();

    // Queued: each script serves one later stream connection, in order.
    void scriptStream(const StreamScript& script);
    int streamClientCount() const;
    // Sends raw lines (each followed by a line feed) to every open stream.
    void sendStreamLines(const QList<QByteArray>& lines);
    // Sends {"type": type, "at": now} to every open stream.
    void announce(const QString& type);
    // Ends every open stream cleanly.
    void closeStreams();

    // The same as POST /v1/scrape/{slug}, or /v1/scrape for an empty slug, without HTTP.
    void scrapeNow(const QString& slug = {});
    // On its shop's next scrape the product's price moves by this percent (-50 halves it).
    void movePriceOnNextScrape(qint64 productId, double percent);
    // Stars up to this many more active products for the account, as it would by hand; returns how
    // many it starred.
    int starProducts(const QString& username, int count);
    // Forgets every issued token, as if all sessions had expired.
    void expireSessions();

signals:
    void requestReceived(const quelvio::demo::RecordedRequest& request);
    void streamClientsChanged(int count);

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace quelvio::demo
