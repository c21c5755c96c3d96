#include "AsyncTest.h"
#include "StreamLineReader.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace quelvio;
using namespace quelvio::test;

namespace {

// Answers one request with a body written in the given chunks, a few milliseconds apart, then
// closes the connection (no length given, so the body ends with the connection).
class ChunkedPeer : public QTcpServer {
public:
    QList<QByteArray> chunks;

    ChunkedPeer() {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                socket->readAll();
                socket->write(
                    "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nConnection: close\r\n\r\n");
                sendNext(socket, 0);
            });
        });
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/v1/stream").arg(serverPort())); }

private:
    void sendNext(QPointer<QTcpSocket> socket, int index) {
        if (!socket)
            return;
        if (index == chunks.size()) {
            socket->disconnectFromHost();
            return;
        }
        socket->write(chunks[index]);
        socket->flush();
        QTimer::singleShot(5, this, [this, socket, index] { sendNext(socket, index + 1); });
    }
};

struct Reading {
    QList<QByteArray> lines;
    bool failed = false;
};

QCoro::Task<Reading> readAll(QNetworkReply* reply, qsizetype maxLine = StreamLineReader::maxLineBytes) {
    Reading reading;
    StreamLineReader reader(reply, maxLine);
    try {
        while (auto line = co_await reader.next())
            reading.lines.append(*line);
    } catch (const StreamLineReader::ReadError&) {
        reading.failed = true;
    }
    co_return reading;
}

} // namespace

class TestStreamLineReader : public QObject {
    Q_OBJECT

    QNetworkAccessManager m_network;

private slots:
    void linesAcrossChunksWithBlankLinesKept() {
        ChunkedPeer peer;
        peer.chunks = {"data: {\"type\":", "\"hello\"}\n\n", ": keep-alive\r\n", "\r\nevent: x\n",
                       "data: tail"};
        std::unique_ptr<QNetworkReply> reply(m_network.get(QNetworkRequest(peer.url())));
        const auto outcome = await(readAll(reply.get()));
        QVERIFY(outcome.finished);
        QVERIFY(!outcome.value->failed);
        // Split at line feeds only: a carriage return stays for the parser to remove.
        QCOMPARE(outcome.value->lines, (QList<QByteArray>{"data: {\"type\":\"hello\"}", "", ": keep-alive\r",
                                                          "\r", "event: x", "data: tail"}));
    }

    // Past the limit the reading ends, whether the line feed comes with the bytes that cross it
    // or never comes.
    void anEndlessLineEndsTheReading_data() {
        QTest::addColumn<QByteArray>("ending");
        QTest::newRow("line feed past the limit") << QByteArray("\n");
        QTest::newRow("no line feed ever") << QByteArray();
    }

    void anEndlessLineEndsTheReading() {
        QFETCH(QByteArray, ending);
        ChunkedPeer peer;
        peer.chunks = {"data: ok\n", QByteArray(600, 'x'), QByteArray(600, 'y') + ending};
        std::unique_ptr<QNetworkReply> reply(m_network.get(QNetworkRequest(peer.url())));
        const auto outcome = await(readAll(reply.get(), 1000));
        QVERIFY(outcome.finished);
        QVERIFY(outcome.value->failed);
        QCOMPARE(outcome.value->lines, QList<QByteArray>{"data: ok"});
    }
};

QTEST_GUILESS_MAIN(TestStreamLineReader)
#include "tst_StreamLineReader.moc"
