// The event-stream parser fed arbitrary bytes, split into lines as the stream reader splits them.
#include "FuzzCheck.h"
#include "StreamEvents.h"

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>

using namespace quelvio;

namespace {

// Between blocks a parser is as new, but for the reconnection time the server asked for, which
// holds for the whole connection.
bool isBetweenBlocks(const SSEParser& parser) {
    SSEParser fresh;
    if (const auto retry = parser.retry())
        fresh.ingest(QStringLiteral("retry: %1").arg(retry->count()));
    return parser == fresh;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView body(reinterpret_cast<const char*>(data), qsizetype(size));
    SSEParser parser;
    qsizetype start = 0;
    while (start <= body.size()) {
        qsizetype end = body.indexOf('\n', start);
        if (end < 0)
            end = body.size();
        const QString line = QString::fromUtf8(body.sliced(start, end - start));
        const std::optional<SSEEvent> event = parser.ingest(line);

        QStringView bare = line;
        if (bare.endsWith(u'\r'))
            bare.chop(1);
        // Only a blank line completes a block, and it always leaves the parser between blocks.
        FUZZ_CHECK(!event || bare.isEmpty());
        if (bare.isEmpty())
            FUZZ_CHECK(isBetweenBlocks(parser));
        if (event) {
            FUZZ_CHECK(!event->event.isEmpty());
            const std::optional<QString> type = SSEParser::messageType(event->data);
            const QString kind = type.value_or(event->event);
            (void)SSEParser::shouldRefresh(kind);
        }
        start = end + 1;
    }
    parser.reset();
    FUZZ_CHECK(isBetweenBlocks(parser));
    return 0;
}
