#pragma once

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>

class QTcpSocket;

namespace quelvio::test {

// A loopback HTTP server for tests: each test sets up the replies it needs per method and path,
// and every request that arrives is recorded as it came over the wire.
class TestHttpServer : public QAbstractHttpServer {
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Route {
        int status = 200;
        QByteArray body;
        Headers headers{{"Content-Type", "application/json"}};
        int delayMs = 0;
        bool neverAnswer = false;
    };

    struct RecordedRequest {
        QByteArray method;
        QString path;
        QByteArray rawQuery; // as sent, still percent-encoded; empty when the URL had no "?"
        bool hasQuery = false;
        Headers headers;
        QByteArray body;

        bool hasHeader(const QByteArray& name) const;
        QByteArray header(const QByteArray& name) const;
    };

    TestHttpServer();
    ~TestHttpServer() override;

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>"
    QString baseURL() const;

    // method "*" matches any method. Unrouted requests get 404 with an "error" body.
    void route(const QByteArray& method, const QString& path, Route reply);
    void route(const QString& path, Route reply) { route("*", path, std::move(reply)); }

    const QList<RecordedRequest>& requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    // Written straight to the socket: a responder refers to its request, which is gone by the
    // time a delayed answer goes out.
    static void answer(const QPointer<QTcpSocket>& socket, const Route& reply);

    quint16 m_port = 0;
    QHash<QPair<QByteArray, QString>, Route> m_routes;
    QList<RecordedRequest> m_requests;
};

} // namespace quelvio::test
