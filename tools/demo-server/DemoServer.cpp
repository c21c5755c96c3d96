#include "DemoServer.h"

#include "Api.h"
#include "Catalogue.h"
#include "Wire.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHash>
#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

namespace quelvio::demo {

QByteArray RecordedRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

std::optional<QString> RecordedRequest::queryValue(const QString& name) const {
    const QUrlQuery query(QString::fromLatin1(rawQuery));
    if (!query.hasQueryItem(name))
        return std::nullopt;
    return query.queryItemValue(name, QUrl::FullyDecoded);
}

namespace {

QByteArray reasonPhrase(int status) {
    static const QHash<int, QByteArray> phrases{
        {200, "OK"},
        {201, "Created"},
        {204, "No Content"},
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {403, "Forbidden"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {409, "Conflict"},
        {422, "Unprocessable Entity"},
        {429, "Too Many Requests"},
        {500, "Internal Server Error"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
        {504, "Gateway Timeout"},
    };
    return phrases.value(status, "Status");
}

QByteArray methodName(QHttpServerRequest::Method method) {
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    case QHttpServerRequest::Method::Connect:
        return "CONNECT";
    case QHttpServerRequest::Method::Trace:
        return "TRACE";
    default:
        return "UNKNOWN";
    }
}

QByteArray statusLine(int status) {
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
}

// Replies are written straight to the socket rather than through a QHttpServerResponder: a delayed
// or streamed reply outlives the request object the responder would refer to.
void writeReply(QTcpSocket* socket, int status, const QByteArray& body, const QByteArray& contentType) {
    if (!socket || socket->state() != QAbstractSocket::ConnectedState)
        return;
    QByteArray out = statusLine(status);
    out += "Content-Type: " + contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    out += body;
    socket->write(out);
}

void writeChunk(QTcpSocket* socket, const QByteArray& data) {
    if (data.isEmpty()) // an empty chunk would end the stream
        return;
    socket->write(QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n");
}

} // namespace

// Qt HttpServer hands us each parsed request with its connection.
class HttpFront : public QAbstractHttpServer {
public:
    explicit HttpFront(std::function<void(const QHttpServerRequest&, QTcpSocket*)> handler)
        : m_handler(std::move(handler)) {}

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
        m_handler(request, socket);
        return true;
    }
    void missingHandler(const QHttpServerRequest&, QTcpSocket*) override {}

private:
    std::function<void(const QHttpServerRequest&, QTcpSocket*)> m_handler;
};

class DemoServer::Private {
public:
    Private(DemoServer* q, Options options)
        : q(q)
        , options(std::move(options))
        , anchor(this->options.anchor.isValid() ? this->options.anchor.toUTC() : currentSecond())
        , catalogue(this->options.seed, anchor)
        , api(
              catalogue, this->options.apiKey, [this] { return now(); },
              [this](const QString& type, const QJsonObject& extra) { broadcast(type, extra); })
        , front(makeFront()) {
        clock.start();
        heartbeat.setInterval(this->options.heartbeatInterval);
        QObject::connect(&heartbeat, &QTimer::timeout, q,
                         [this] { broadcast(QStringLiteral("heartbeat"), {}); });
        dropTimer.setInterval(this->options.dropStreamsEvery);
        QObject::connect(&dropTimer, &QTimer::timeout, q, [q] { q->closeStreams(); });
        if (this->options.scrapeEvery.count() > 0) {
            scrapeTimer.setInterval(this->options.scrapeEvery);
            QObject::connect(&scrapeTimer, &QTimer::timeout, q, [this] { api.scrape({}); });
        }
    }

    std::unique_ptr<HttpFront> makeFront() {
        return std::make_unique<HttpFront>(
            [this](const QHttpServerRequest& request, QTcpSocket* socket) { receive(request, socket); });
    }

    static QDateTime currentSecond() {
        QDateTime now = QDateTime::currentDateTimeUtc();
        return now.addMSecs(-now.time().msec());
    }

    // The seeded world's clock: the anchor plus the time the server has been up.
    QDateTime now() const { return anchor.addMSecs(clock.elapsed()); }

    void receive(const QHttpServerRequest& request, QTcpSocket* socket) {
        RecordedRequest r;
        r.method = methodName(request.method());
        r.path = request.url().path();
        r.rawQuery = request.url().query(QUrl::FullyEncoded).toLatin1();
        r.headers = request.headers();
        r.body = request.body();
        log.append(r);
        emit q->requestReceived(r);

        const QPointer<QTcpSocket> guard(socket);
        const auto found = faults.find(r.path);
        if (found == faults.end()) {
            answer(r, guard);
            return;
        }
        const Fault fault = *found;
        if (found->times > 0 && --found->times == 0)
            faults.erase(found);
        if (fault.neverAnswer)
            return; // the connection stays open until the client gives up
        if (fault.trickleEvery.count() > 0) {
            trickle(guard, fault.trickleEvery);
            return;
        }
        auto respond = [this, r, guard, fault] {
            if (fault.status > 0)
                writeReply(guard, fault.status, fault.body, "application/json");
            else
                answer(r, guard);
        };
        if (fault.delay.count() > 0)
            QTimer::singleShot(fault.delay, q, respond);
        else
            respond();
    }

    void trickle(const QPointer<QTcpSocket>& socket, std::chrono::milliseconds every) {
        constexpr int length = 1000;
        socket->write(statusLine(200) + "Content-Type: application/json\r\nContent-Length: " +
                      QByteArray::number(length) + "\r\n\r\n");
        auto* timer = new QTimer(socket); // goes with the connection
        QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, sent = 0]() mutable {
            socket->write(" ");
            if (++sent == length)
                timer->stop();
        });
        timer->start(every);
    }

    void answer(const RecordedRequest& r, const QPointer<QTcpSocket>& socket) {
        if (!socket)
            return;
        if (r.path == u"/v1/stream" && r.method == "GET") {
            openStream(socket);
            return;
        }
        const HttpReply reply = api.handle(r);
        writeReply(socket, reply.status, reply.body, reply.contentType);
    }

    static QByteArray message(const QString& type, const QDateTime& at, const QJsonObject& extra) {
        QJsonObject o = extra;
        o.insert("type", type);
        o.insert("at", wire::time(at));
        return "data: " + QJsonDocument(o).toJson(QJsonDocument::Compact) + "\n\n";
    }

    void openStream(QTcpSocket* socket) {
        const StreamScript script = scripts.isEmpty() ? StreamScript{} : scripts.takeFirst();
        if (script.status != 200) {
            const QByteArray body =
                QJsonDocument(wire::error(QStringLiteral("事件流暂不可用"))).toJson(QJsonDocument::Compact);
            QByteArray out = statusLine(script.status) + "Content-Type: application/json\r\n";
            for (const auto& [name, value] : script.headers)
                out += name + ": " + value + "\r\n";
            socket->write(out + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            return;
        }
        socket->write(statusLine(200) + "Content-Type: text/event-stream\r\n"
                                        "Cache-Control: no-cache\r\n"
                                        "Connection: close\r\n"
                                        "Transfer-Encoding: chunked\r\n\r\n");
        if (script.hello)
            writeChunk(socket, message(QStringLiteral("hello"), now(), {}));
        QByteArray raw;
        for (const QByteArray& line : script.lines)
            raw += line + '\n';
        writeChunk(socket, raw);
        if (script.close) {
            endStream(socket);
            return;
        }
        if (script.silent)
            return; // open until the client gives up
        streams.append(socket);
        QObject::connect(socket, &QAbstractSocket::disconnected, q, [this] { prune(); });
        QObject::connect(socket, &QObject::destroyed, q, [this] { prune(); });
        emit q->streamClientsChanged(int(streams.size()));
        if (!heartbeat.isActive() && options.heartbeatInterval.count() > 0)
            heartbeat.start();
    }

    static void endStream(QTcpSocket* socket) {
        socket->write("0\r\n\r\n");
        socket->disconnectFromHost();
    }

    // Forgets clients whose connection has gone.
    void prune() {
        const qsizetype before = streams.size();
        streams.removeIf([](const QPointer<QTcpSocket>& s) {
            return !s || s->state() != QAbstractSocket::ConnectedState;
        });
        if (streams.isEmpty())
            heartbeat.stop();
        if (streams.size() != before)
            emit q->streamClientsChanged(int(streams.size()));
    }

    void sendToStreams(const QByteArray& bytes) {
        prune();
        for (const QPointer<QTcpSocket>& socket : std::as_const(streams))
            writeChunk(socket, bytes);
    }

    void broadcast(const QString& type, const QJsonObject& extra) {
        sendToStreams(message(type, now(), extra));
    }

    DemoServer* q;
    Options options;
    QDateTime anchor;
    QElapsedTimer clock;
    Catalogue catalogue;
    Api api;
    QHash<QString, Fault> faults;
    QList<StreamScript> scripts;
    QList<QPointer<QTcpSocket>> streams;
    QList<RecordedRequest> log;
    QTimer heartbeat;
    QTimer scrapeTimer;
    QTimer dropTimer;
    quint16 port = 0;
    // Last: its connections go first when the server is torn down.
    std::unique_ptr<HttpFront> front;
};

DemoServer::DemoServer(Options options, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this, std::move(options))) {}

DemoServer::~DemoServer() {
    // Connections close before the rest of the state they would report to.
    d->streams.clear();
    d->heartbeat.stop();
    d->scrapeTimer.stop();
    d->dropTimer.stop();
}

quint16 DemoServer::listen() {
    if (!d->front)
        d->front = d->makeFront();
    d->port = d->front->listen(d->options.host, d->port != 0 ? d->port : d->options.port);
    if (d->port != 0 && d->options.scrapeEvery.count() > 0)
        d->scrapeTimer.start();
    if (d->port != 0 && d->options.dropStreamsEvery.count() > 0)
        d->dropTimer.start();
    return d->port;
}

void DemoServer::stop() {
    d->scrapeTimer.stop();
    d->dropTimer.stop();
    d->heartbeat.stop();
    // Forgotten first: their sockets report to prune() as they are destroyed. The listener and
    // every connection go with the front.
    d->streams.clear();
    d->front.reset();
    emit streamClientsChanged(0);
}

quint16 DemoServer::port() const {
    return d->port;
}

QUrl DemoServer::baseUrl() const {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    const QHostAddress& host = d->options.host;
    url.setHost(host == QHostAddress::Any || host == QHostAddress::AnyIPv4 ? QStringLiteral("127.0.0.1")
                                                                           : host.toString());
    url.setPort(d->port);
    return url;
}

QString DemoServer::apiKey() const {
    return d->options.apiKey;
}

Credentials DemoServer::adminAccount() const {
    return {QStringLiteral("admin"), QStringLiteral("admin123")};
}

Credentials DemoServer::userAccount() const {
    return {QStringLiteral("demo"), QStringLiteral("demo123")};
}

Credentials DemoServer::memberAccount() const {
    return {QStringLiteral("mei"), QStringLiteral("member123")};
}

QString DemoServer::unusedRedeemCode() const {
    for (const Code& code : std::as_const(d->catalogue.codes))
        if (d->catalogue.codeProblem(&code, d->now()).isEmpty())
            return code.code;
    return {};
}

QString DemoServer::pendingShopSlug() const {
    return QStringLiteral("maple-digital");
}

QString DemoServer::disabledShopSlug() const {
    return QStringLiteral("old-mill");
}

void DemoServer::injectFault(const QString& path, const Fault& fault) {
    d->faults.insert(path, fault);
}

void DemoServer::clearFaults() {
    d->faults.clear();
}

QList<RecordedRequest> DemoServer::requests() const {
    return d->log;
}

void DemoServer::clearRequests() {
    d->log.clear();
}

void DemoServer::scriptStream(const StreamScript& script) {
    d->scripts.append(script);
}

int DemoServer::streamClientCount() const {
    d->prune();
    return int(d->streams.size());
}

void DemoServer::sendStreamLines(const QList<QByteArray>& lines) {
    QByteArray raw;
    for (const QByteArray& line : lines)
        raw += line + '\n';
    d->sendToStreams(raw);
}

void DemoServer::announce(const QString& type) {
    d->broadcast(type, {});
}

void DemoServer::closeStreams() {
    d->prune();
    const auto open = d->streams;
    d->streams.clear();
    for (const QPointer<QTcpSocket>& socket : open)
        if (socket)
            Private::endStream(socket);
    d->heartbeat.stop();
    if (!open.isEmpty())
        emit streamClientsChanged(0);
}

void DemoServer::scrapeNow(const QString& slug) {
    d->api.scrape(slug);
}

void DemoServer::movePriceOnNextScrape(qint64 productId, double percent) {
    d->catalogue.scriptedMoves.insert(productId, percent);
}

int DemoServer::starProducts(const QString& username, int count) {
    const Account* account = d->catalogue.accountByName(username);
    int starred = 0;
    for (const Item& item : std::as_const(d->catalogue.items)) {
        if (!account || starred == count)
            break;
        if (!item.active || d->catalogue.hasMark(account->id, QStringLiteral("favorite"), item.id))
            continue;
        Mark mark;
        mark.userId = account->id;
        mark.kind = QStringLiteral("favorite");
        mark.targetType = QStringLiteral("product");
        mark.productId = item.id;
        d->catalogue.upsertMark(mark, d->now());
        ++starred;
    }
    return starred;
}

void DemoServer::expireSessions() {
    d->catalogue.tokens.clear();
}

} // namespace quelvio::demo
