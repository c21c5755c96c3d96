#include "StreamLineReader.h"

#include <QNetworkReply>
#include <algorithm>

namespace quelvio {

StreamLineReader::StreamLineReader(QNetworkReply* reply, qsizetype maxLine,
                                   std::optional<std::chrono::milliseconds> silenceLimit)
    : m_reply(reply)
    , m_wakeup(std::make_unique<Wakeup>())
    , m_maxLine(maxLine) {
    Wakeup* wakeup = m_wakeup.get();
    const auto wake = [wakeup] { wakeup->wake(); };
    QObject::connect(reply, &QNetworkReply::readyRead, wakeup, wake);
    QObject::connect(reply, &QNetworkReply::finished, wakeup, wake);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, wakeup, wake);
    QObject::connect(reply, &QObject::destroyed, wakeup, wake);
    if (!silenceLimit)
        return;
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(*silenceLimit);
    QTimer* watchdog = &m_watchdog;
    const auto heard = [watchdog] { watchdog->start(); };
    QObject::connect(reply, &QNetworkReply::readyRead, watchdog, heard);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, watchdog, heard);
    QObject::connect(reply, &QNetworkReply::finished, watchdog, &QTimer::stop);
    QObject::connect(watchdog, &QTimer::timeout, reply, [this] {
        m_silent = true;
        if (m_reply)
            m_reply->abort();
    });
    m_watchdog.start();
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

QCoro::Task<bool> StreamLineReader::waitForResponse() {
    for (;;) {
        if (!m_reply)
            co_return false;
        if (m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
            co_return true;
        if (m_reply->isFinished())
            co_return false;
        co_await m_wakeup->wait();
    }
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
            // What arrived, not a whole line's worth: QIODevice::read(n) allocates n bytes up
            // front and the buffer would keep that capacity for the connection's life.
            m_buffer += m_reply->read(std::min(m_reply->bytesAvailable(), m_maxLine + 1));
            continue;
        }
        if (m_reply->isFinished()) {
            if (m_silent)
                throw ReadError("silent for too long");
            if (m_reply->error() != QNetworkReply::NoError)
                throw ReadError(m_reply->errorString().toStdString());
            m_ended = true;
            continue;
        }
        co_await m_wakeup->wait();
    }
}

} // namespace quelvio
