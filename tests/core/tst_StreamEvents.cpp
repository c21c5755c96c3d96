#include "Reconnection.h"
#include "StreamEvents.h"

#include <QFile>
#include <QTest>

using namespace quelvio;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quelvio {
// Readable failures: the event's name and data.
char* toString(const SSEEvent& event) {
    return QTest::toString(QString(event.event + u" | "_s + event.data).replace(u"\n"_s, u"\\n"_s));
}
} // namespace quelvio

namespace {

// What the reader does with a notification: the kind from the data, else from the event name.
QString kindOf(const SSEEvent& event) {
    return SSEParser::messageType(event.data).value_or(event.event);
}

// Splits a body at line feeds only, as the stream reader does; a final line feed ends the last
// line and adds no blank line.
QList<SSEEvent> feed(const QByteArray& body, SSEParser& parser) {
    QList<QByteArray> lines = body.split('\n');
    if (body.endsWith('\n'))
        lines.removeLast();
    QList<SSEEvent> events;
    for (const QByteArray& line : std::as_const(lines))
        if (auto event = parser.ingest(QString::fromUtf8(line)))
            events.append(*event);
    return events;
}

} // namespace

class TestStreamEvents : public QObject {
    Q_OBJECT

private slots:
    void recordedStream() {
        QFile file(QFINDTESTDATA("fixtures/recorded-stream.sse"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray body = file.readAll();
        SSEParser parser;
        const QList<SSEEvent> events = feed(body, parser);
        // Line ends of CR LF read the same.
        SSEParser crlfParser;
        QCOMPARE(feed(QByteArray(body).replace("\n", "\r\n"), crlfParser), events);
        QVERIFY(crlfParser == parser);

        const QList<SSEEvent> expected{
            {u"hello"_s, uR"({"type":"hello","at":"2025-03-04T05:06:07Z"})"_s},
            {u"heartbeat"_s, uR"({"type":"heartbeat","at":"2025-03-04T05:06:37Z"})"_s},
            {u"message"_s,
             uR"({"type":"price.updated","at":"2025-03-04T05:07:00.123Z","product_id":17,"price":"12.50"})"_s},
            {u"scrape.finished"_s, u"{}"_s},
            {u"message"_s, u"{\"type\":\n\"scrape.finished\"}"_s},
            {u"message"_s, u"\n"_s},
            {u"custom.kind"_s, uR"({"type":42})"_s},
        };
        QCOMPARE(events, expected);

        QStringList kinds;
        QList<bool> refreshes;
        for (const SSEEvent& event : events) {
            kinds.append(kindOf(event));
            refreshes.append(SSEParser::shouldRefresh(kinds.last()));
        }
        QCOMPARE(kinds, (QStringList{u"hello"_s, u"heartbeat"_s, u"price.updated"_s, u"scrape.finished"_s,
                                     u"scrape.finished"_s, u"message"_s, u"custom.kind"_s}));
        QCOMPARE(refreshes, (QList<bool>{false, false, true, true, true, false, false}));

        // The last block had no blank line after it: nothing flushes it at the end of the stream.
        QVERIFY(parser != SSEParser());
    }

    void blocks() {
        auto events = [](const QStringList& lines) {
            SSEParser parser;
            return feed(lines.join(u'\n').toUtf8() + '\n', parser);
        };
        using Events = QList<SSEEvent>;
        // Only blanks and tabs are trimmed.
        QCOMPARE(events({u"data:\u00A0x\u3000 "_s, u""_s}), (Events{{u"message"_s, u"\u00A0x\u3000"_s}}));
        QCOMPARE(events({u"event:"_s, u"data: x"_s, u""_s}), (Events{{u"message"_s, u"x"_s}}));
        // Only one carriage return is dropped.
        QCOMPARE(events({u"data: x\r\r"_s, u"\r\r"_s, u""_s}), (Events{{u"message"_s, u"x\r"_s}}));
        // Field names are exact and case-sensitive.
        QCOMPARE(events({u"Data: x"_s, u"data : x"_s, u"DATA:x"_s, u"Event: e"_s, u"event : e"_s, u"data"_s,
                         u"events: e"_s, u"datum: x"_s, u""_s}),
                 Events{});
    }

    // The reader caps a block that never ends by its pending size: each block starts from zero.
    void pendingDataSizeCountsTheOpenBlockOnly() {
        SSEParser parser;
        QCOMPARE(parser.ingest(u"event: scrape.finished"), std::nullopt);
        QCOMPARE(parser.ingest(u"data: ab"), std::nullopt);
        QCOMPARE(parser.ingest(u"data: c"), std::nullopt);
        QCOMPARE(parser.pendingDataSize(), 5);
        QCOMPARE(parser.ingest(u""), std::optional(SSEEvent{u"scrape.finished"_s, u"ab\nc"_s}));
        QCOMPARE(parser.pendingDataSize(), 0);

        QCOMPARE(parser.ingest(u"data: old"), std::nullopt);
        parser.reset();
        QCOMPARE(parser.pendingDataSize(), 0);
        QCOMPARE(parser.ingest(u""), std::nullopt);
        QCOMPARE(parser.ingest(u"data: new"), std::nullopt);
        QCOMPARE(parser.ingest(u""), std::optional(SSEEvent{u"message"_s, u"new"_s}));
    }

    // Only a plain decimal sets the reconnection time, wherever it stands; the last one counts.
    void retryField() {
        SSEParser parser;
        QCOMPARE(parser.retry(), std::nullopt);
        for (const auto line : {u"retry: 2500", u"data: x", u"retry:-1", u"retry: 1e3", u"retry: 12 ",
                                u"retry: \u0663", u"retry:", u"Retry: 7", u""})
            parser.ingest(line);
        QCOMPARE(parser.retry(), std::optional(12ms));
        parser.ingest(u"retry: 99999999999999999999999");
        QVERIFY(parser.retry() > std::optional(std::chrono::milliseconds(std::chrono::hours(24 * 365))));
    }

    void reconnectDelays() {
        using Ending = ReconnectBackoff::Ending;
        ReconnectBackoff middle;
        QList<qint64> steps;
        for (int i = 0; i < 9; ++i)
            steps.append(middle.next(Ending{}, 0.5).count());
        QCOMPARE(steps, (QList<qint64>{1'000, 2'000, 4'000, 8'000, 16'000, 32'000, 60'000, 60'000, 60'000}));
        // Up long enough, the next end starts over; a shorter life does not.
        QCOMPARE(middle.next(Ending{.upFor = 9s}, 0.5), 60s);
        QCOMPARE(middle.next(Ending{.upFor = 10s}, 0.5), 1s);

        // Jitter stays within a fifth either way, and spreads.
        ReconnectBackoff low, high;
        for (int i = 0; i < 8; ++i) {
            const auto step = steps[i];
            QCOMPARE(low.next(Ending{}, 0.0).count(), step * 8 / 10);
            QVERIFY(high.next(Ending{}, 0.9999).count() > step * 119 / 100);
        }

        // What the server asks for is honoured within bounds; Retry-After never shortens the wait.
        ReconnectBackoff server;
        QCOMPARE(server.next(Ending{.serverRetry = 3'000ms}, 0.5), 3s);
        QCOMPARE(server.next(Ending{.serverRetry = 10ms}, 0.5), 500ms);
        QCOMPARE(server.next(Ending{.serverRetry = 24h}, 0.5), 10min);
        QCOMPARE(server.next(Ending{.retryAfter = 100ms}, 0.5), 1s); // the backoff's own step
        QCOMPARE(server.next(Ending{.retryAfter = 30s}, 0.5), 30s);
        QCOMPARE(server.next(Ending{.retryAfter = 48h}, 0.5), 10min);
    }

    void retryAfterValues() {
        const QDateTime now(QDate(2026, 12, 7), QTime(8, 49, 37), Qt::UTC);
        QCOMPARE(ReconnectBackoff::parseRetryAfter(" 120 ", now), std::optional(120s));
        QCOMPARE(ReconnectBackoff::parseRetryAfter("Mon, 07 Dec 2026 08:50:07 GMT", now), std::optional(30s));
        QCOMPARE(ReconnectBackoff::parseRetryAfter("Mon, 07 Dec 2026 08:00:00 GMT", now), std::optional(0ms));
        QVERIFY(ReconnectBackoff::parseRetryAfter("99999999999999999999", now) > std::optional(24h));
        for (const char* bad : {"", "-5", "1.5", "soon", "07 Dec 2026 08:50:07"})
            QCOMPARE(ReconnectBackoff::parseRetryAfter(bad, now), std::nullopt);
    }

    // The recorded stream covers a type that is a number and data that is no JSON.
    void messageType() {
        QCOMPARE(SSEParser::messageType(uR"({"type":"hello","at":null})"_s), std::optional(u"hello"_s));
        QCOMPARE(SSEParser::messageType(uR"({"type":"hello","at":5})"_s), std::nullopt);
        QCOMPARE(SSEParser::messageType(uR"([{"type":"hello"}])"_s), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestStreamEvents)
#include "tst_StreamEvents.moc"
