#include "TestHttpServer.h"

#include <QHttpServerRequest>
#include <QMetaEnum>
#include <QTcpSocket>
#include <QTimer>

namespace quelvio::test {

bool TestHttpServer::RecordedRequest::hasHeader(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QByteArray TestHttpServer::RecordedRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

TestHttpServer::TestHttpServer() {
    m_port = listen(QHostAddress::LocalHost, 0);
}

TestHttpServer::~TestHttpServer() = default;

QString TestHttpServer::baseURL() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

void TestHttpServer::route(const QByteArray& method, const QString& path, Route reply) {
    m_routes.insert({method, path}, std::move(reply));
}

bool TestHttpServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const QMetaEnum methods = QMetaEnum::fromType<QHttpServerRequest::Method>();
    RecordedRequest recorded;
    recorded.method = QByteArray(methods.valueToKey(int(request.method()))).toUpper();
    recorded.path = request.url().path();
    recorded.hasQuery = request.url().hasQuery();
    recorded.rawQuery = request.url().query(QUrl::FullyEncoded).toLatin1();
    recorded.headers = request.headers();
    recorded.body = request.body();
    m_requests.append(recorded);

    Route reply{404, R"({"error":"no route"})"};
    if (auto it = m_routes.constFind({recorded.method, recorded.path}); it != m_routes.cend())
        reply = *it;
    else if (auto any = m_routes.constFind({"*", recorded.path}); any != m_routes.cend())
        reply = *any;

    const QPointer<QTcpSocket> guarded(socket);
    if (reply.neverAnswer)
        return true;
    if (reply.delayMs > 0)
        QTimer::singleShot(reply.delayMs, this, [guarded, reply] { answer(guarded, reply); });
    else
        answer(guarded, reply);
    return true;
}

void TestHttpServer::answer(const QPointer<QTcpSocket>& socket, const Route& reply) {
    if (!socket)
        return; // the client went away meanwhile
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Test\r\n";
    for (const auto& [name, value] : reply.headers)
        head += name + ": " + value + "\r\n";
    head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n\r\n";
    socket->write(head);
    socket->write(reply.body);
}

void TestHttpServer::missingHandler(const QHttpServerRequest&, QTcpSocket*) {}

} // namespace quelvio::test
