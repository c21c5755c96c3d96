#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QPointer>
#include <memory>
#include <optional>
#include <stdexcept>

class QNetworkReply;

namespace quelvio {

// Reads a streaming reply line by line as it arrives.
class StreamLineReader {
public:
    // A line longer than this ends the reading: a server that never sends a line feed must not
    // make the client buffer without bound.
    static constexpr qsizetype maxLineBytes = 1024 * 1024;

    struct ReadError : std::runtime_error {
        using std::runtime_error::runtime_error;
    };

    explicit StreamLineReader(QNetworkReply* reply, qsizetype maxLine = maxLineBytes);
    ~StreamLineReader();
    StreamLineReader(const StreamLineReader&) = delete;
    StreamLineReader& operator=(const StreamLineReader&) = delete;

    // The next line without its line feed, or nothing once the body has ended. A last line
    // without a line feed is still delivered. Throws ReadError when the transfer fails
    // (including an abort) or a line grows past the limit.
    QCoro::Task<std::optional<QByteArray>> next();

private:
    std::optional<QByteArray> takeLine();

    class Waker;

    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<Waker> m_waker; // one signal for "bytes arrived" and "transfer ended"
    qsizetype m_maxLine;
    QByteArray m_buffer;
    qsizetype m_scanned = 0; // bytes of m_buffer known to hold no line feed
    bool m_ended = false;
};

} // namespace quelvio
