#pragma once

#include "Wakeup.h"

#include <QByteArray>
#include <QCoroTask>
#include <QPointer>
#include <QTimer>
#include <chrono>
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

    // With a silence limit, a transfer that delivers no byte at all (headers included) for that
    // long is aborted, and the reading ends with a ReadError: a dead peer behind a quiet
    // connection is otherwise never noticed.
    explicit StreamLineReader(QNetworkReply* reply, qsizetype maxLine = maxLineBytes,
                              std::optional<std::chrono::milliseconds> silenceLimit = std::nullopt);
    ~StreamLineReader();
    StreamLineReader(const StreamLineReader&) = delete;
    StreamLineReader& operator=(const StreamLineReader&) = delete;

    // Waits until the reply's headers have arrived or the transfer has ended; true when a
    // status is known.
    QCoro::Task<bool> waitForResponse();

    // The next line without its line feed, or nothing once the body has ended. A last line
    // without a line feed is still delivered. Throws ReadError when the transfer fails
    // (including an abort) or a line grows past the limit.
    QCoro::Task<std::optional<QByteArray>> next();

private:
    std::optional<QByteArray> takeLine();

    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<Wakeup> m_wakeup; // woken by new bytes, new headers and the end of the transfer
    qsizetype m_maxLine;
    QByteArray m_buffer;
    qsizetype m_scanned = 0; // bytes of m_buffer known to hold no line feed
    bool m_ended = false;
    QTimer m_watchdog;
    bool m_silent = false;
};

} // namespace quelvio
