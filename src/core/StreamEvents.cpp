#include "StreamEvents.h"

#include "APIJSON.h"
#include "Models/Vocabulary.h"

#include <algorithm>
#include <limits>

namespace quelvio {

namespace {

constexpr QLatin1StringView defaultEventName{"message"};

// Only blanks and tabs surround a field value; other white space is part of it.
QStringView trimBlanks(QStringView text) {
    auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

} // namespace

std::optional<SSEEvent> SSEParser::ingest(QStringView line) {
    if (line.endsWith(u'\r'))
        line.chop(1);
    if (line.isEmpty())
        return flush();
    if (line.startsWith(u':'))
        return std::nullopt;
    if (line.startsWith(u"event:")) {
        m_eventName = trimBlanks(line.sliced(6)).toString();
    } else if (line.startsWith(u"data:")) {
        m_dataLines.append(trimBlanks(line.sliced(5)).toString());
        m_pendingDataSize += m_dataLines.last().size() + 1;
    } else if (line.startsWith(u"retry:")) {
        // Only a plain decimal counts; anything else leaves the last value standing.
        const QStringView value = trimBlanks(line.sliced(6));
        bool ok = false;
        const qint64 millis = value.toLongLong(&ok);
        const bool digits = !value.isEmpty() && std::all_of(value.begin(), value.end(), [](QChar c) {
            return c.isDigit() && c.unicode() < 128;
        });
        if (digits)
            m_retry = std::chrono::milliseconds(ok ? millis : std::numeric_limits<qint64>::max());
    }
    return std::nullopt;
}

void SSEParser::reset() {
    m_eventName = defaultEventName;
    m_dataLines.clear();
    m_pendingDataSize = 0;
}

std::optional<SSEEvent> SSEParser::flush() {
    if (m_dataLines.isEmpty()) {
        m_eventName = defaultEventName;
        return std::nullopt;
    }
    SSEEvent event{m_eventName.isEmpty() ? QString(defaultEventName) : m_eventName, m_dataLines.join(u'\n')};
    reset();
    return event;
}

std::optional<QString> SSEParser::messageType(const QString& data) {
    try {
        return APIJSON::decode<StreamMessage>(data.toUtf8()).type;
    } catch (const APIJSON::DecodingError&) {
        return std::nullopt;
    }
}

bool SSEParser::shouldRefresh(QStringView type) {
    return type == StreamEventType::priceUpdated || type == StreamEventType::scrapeFinished;
}

} // namespace quelvio
