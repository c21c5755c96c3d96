#include "StreamLineReader.h"

#include <QCoroSignal>
#include <QNetworkReply>

namespace quelvio {

class StreamLineReader::Waker : public QObject {
    Q_OBJECT

signals:
    void woken();
};

StreamLineReader::StreamLineReader(QNetworkReply* reply, qsizetype maxLine)
    : m_reply(reply)
    , m_waker(std::make_unique<Waker>())
    , m_maxLine(maxLine) {
    QObject::connect(reply, &QNetworkReply::readyRead, m_waker.get(), &Waker::woken);
    QObject::connect(reply, &QNetworkReply::finished, m_waker.get(), &Waker::woken);
    QObject::connect(reply, &QObject::destroyed, m_waker.get(), &Waker::woken);
}

StreamLineReader::~StreamLineReader() = default;

std::optional<QByteArray> StreamLineReader::takeLine() {
    const qsizetype feed = m_buffer.indexOf('\n', m_scanned);
    if (feed < 0) {
        m_scanned = m_buffer.size();
        return std::nullopt;
    }
    QByteArray line = m_buffer.left(feed);
    m_buffer.remove(0, feed + 1);
    m_scanned = 0;
    return line;
}

QCoro::Task<std::optional<QByteArray>> StreamLineReader::next() {
    for (;;) {
        if (auto line = takeLine()) {
            if (line->size() > m_maxLine)
                throw ReadError("line too long");
            co_return line;
        }
        if (m_buffer.size() > m_maxLine)
            throw ReadError("line too long");
        if (m_ended) {
            if (m_buffer.isEmpty())
                co_return std::nullopt;
            co_return std::exchange(m_buffer, {});
        }
        if (!m_reply)
            throw ReadError("reply gone");
        if (m_reply->bytesAvailable() > 0) {
            m_buffer += m_reply->read(m_maxLine + 1);
            continue;
        }
        if (m_reply->isFinished()) {
            if (m_reply->error() != QNetworkReply::NoError)
                throw ReadError(m_reply->errorString().toStdString());
            m_ended = true;
            continue;
        }
        co_await qCoro(m_waker.get(), &Waker::woken);
    }
}

} // namespace quelvio

#include "StreamLineReader.moc"
