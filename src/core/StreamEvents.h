#pragma once

#include "Models/FieldList.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <chrono>
#include <optional>
#include <tuple>

// The server-sent event stream: lines assembled into events, and what an event asks of the client.
namespace quelvio {

struct SSEEvent {
    // The block's last non-empty "event" value, or "message".
    QString event{};
    // The block's data values joined with line feeds.
    QString data{};

    bool operator==(const SSEEvent&) const = default;
};

// The JSON payload of a notification. Only type is read; at is carried along.
struct StreamMessage {
    QString type{};
    std::optional<QString> at{};

    bool operator==(const StreamMessage&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("type", &StreamMessage::type), field("at", &StreamMessage::at)};
    }
};

// Understands comments and the "event", "data" and "retry" fields; every other line is ignored. One
// parser per connection, fed every line in order, blank lines included.
class SSEParser {
public:
    // One line without its line feed; a trailing carriage return is dropped here. Gives an event
    // when the line is the blank line that ends a block holding data.
    std::optional<SSEEvent> ingest(QStringView line);
    // Forgets the block being read.
    void reset();
    // The data the block being read holds so far, in characters, a line break counted for each
    // line, so that a reader can cap a block that never ends.
    qsizetype pendingDataSize() const { return m_pendingDataSize; }
    // The reconnection time the server last asked for on this connection, if it did.
    std::optional<std::chrono::milliseconds> retry() const { return m_retry; }

    // The notification kind in an event's data, or nothing when the data is no stream message.
    static std::optional<QString> messageType(const QString& data);
    static bool shouldRefresh(QStringView type);

    bool operator==(const SSEParser&) const = default;

private:
    std::optional<SSEEvent> flush();

    QString m_eventName = QStringLiteral("message");
    QList<QString> m_dataLines;
    qsizetype m_pendingDataSize = 0;
    std::optional<std::chrono::milliseconds> m_retry;
};

} // namespace quelvio
