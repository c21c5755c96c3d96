#include "APIJSON.h"
#include "StreamEvents.h"

#include <QFile>
#include <QTest>

using namespace quelvio;
using namespace Qt::StringLiterals;

namespace quelvio {
// Readable failures: the event's name and data.
char* toString(const SSEEvent& event) {
    return QTest::toString(QString(event.event + u" | "_s + event.data).replace(u"\n"_s, u"\\n"_s));
}
} // namespace quelvio

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(QList<quelvio::SSEEvent>)

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

QList<SSEEvent> feedLines(const QStringList& lines) {
    SSEParser parser;
    QList<SSEEvent> events;
    for (const QString& line : lines)
        if (auto event = parser.ingest(line))
            events.append(*event);
    return events;
}

} // namespace

class TestStreamEvents : public QObject {
    Q_OBJECT

private slots:
    void recordedStream_data() {
        QTest::addColumn<bool>("crlf");
        QTest::newRow("LF") << false;
        QTest::newRow("CRLF") << true;
    }

    void recordedStream() {
        QFETCH(bool, crlf);
        QFile file(QFINDTESTDATA("fixtures/recorded-stream.sse"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray body = file.readAll();
        QVERIFY(!body.contains('\r'));
        if (crlf)
            body.replace("\n", "\r\n");

        SSEParser parser;
        const QList<SSEEvent> events = feed(body, parser);

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
        parser.reset();
        QVERIFY(parser == SSEParser());
    }

    void blocks_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<SSEEvent>>("events");

        QTest::newRow("data only is a message")
            << QStringList{uR"(data: {"type":"price.updated"})"_s, u""_s}
            << QList<SSEEvent>{{u"message"_s, uR"({"type":"price.updated"})"_s}};
        QTest::newRow("event name without data gives nothing and is forgotten")
            << QStringList{u"event: hello"_s, u""_s, u"data: x"_s, u""_s}
            << QList<SSEEvent>{{u"message"_s, u"x"_s}};
        QTest::newRow("data values trimmed of blanks and joined")
            << QStringList{u"data: a"_s, u"data: \t b \t"_s, u""_s}
            << QList<SSEEvent>{{u"message"_s, u"a\nb"_s}};
        QTest::newRow("only blanks and tabs are trimmed")
            << QStringList{u"data:\u00A0x\u3000 "_s, u""_s}
            << QList<SSEEvent>{{u"message"_s, u"\u00A0x\u3000"_s}};
        QTest::newRow("a bare data line is an empty value")
            << QStringList{u"data:"_s, u""_s} << QList<SSEEvent>{{u"message"_s, u""_s}};
        QTest::newRow("empty event name falls back to message")
            << QStringList{u"event:"_s, u"data: x"_s, u""_s} << QList<SSEEvent>{{u"message"_s, u"x"_s}};
        QTest::newRow("a later event line replaces an earlier one")
            << QStringList{u"event: a"_s, u"data: x"_s, u"event: b"_s, u""_s}
            << QList<SSEEvent>{{u"b"_s, u"x"_s}};
        QTest::newRow("event name trimmed")
            << QStringList{u"event:\t scrape.finished \t"_s, u"data: {}"_s, u""_s}
            << QList<SSEEvent>{{u"scrape.finished"_s, u"{}"_s}};
        QTest::newRow("carriage return before the line feed")
            << QStringList{u"event: hello\r"_s, u"data: x\r"_s, u"\r"_s}
            << QList<SSEEvent>{{u"hello"_s, u"x"_s}};
        QTest::newRow("only one carriage return is dropped")
            << QStringList{u"data: x\r\r"_s, u"\r\r"_s, u""_s} << QList<SSEEvent>{{u"message"_s, u"x\r"_s}};
        QTest::newRow("comments, ids and retries change nothing")
            << QStringList{u":"_s,       u": data: x"_s, u"id: 7"_s, u"retry: 100"_s,
                           u"data: y"_s, u":event: z"_s, u""_s}
            << QList<SSEEvent>{{u"message"_s, u"y"_s}};
        QTest::newRow("field names are exact and case-sensitive")
            << QStringList{u"Data: x"_s, u"data : x"_s,  u"DATA:x"_s,   u"Event: e"_s, u"event : e"_s,
                           u"data"_s,    u"events: e"_s, u"datum: x"_s, u""_s}
            << QList<SSEEvent>{};
        QTest::newRow("open block at the end gives nothing")
            << QStringList{u"data: x"_s} << QList<SSEEvent>{};
        QTest::newRow("non-ASCII data kept")
            << QStringList{u"data: 价格 ✓ 😀"_s, u""_s} << QList<SSEEvent>{{u"message"_s, u"价格 ✓ 😀"_s}};
    }

    void blocks() {
        QFETCH(QStringList, lines);
        QFETCH(QList<SSEEvent>, events);
        QCOMPARE(feedLines(lines), events);
    }

    void resetForgetsTheOpenBlock() {
        SSEParser parser;
        QCOMPARE(parser.ingest(u"event: scrape.finished"), std::nullopt);
        QCOMPARE(parser.ingest(u"data: old"), std::nullopt);
        parser.reset();
        QVERIFY(parser == SSEParser());
        QCOMPARE(parser.ingest(u""), std::nullopt);
        QCOMPARE(parser.ingest(u"data: new"), std::nullopt);
        QCOMPARE(parser.ingest(u""), std::optional(SSEEvent{u"message"_s, u"new"_s}));
        QVERIFY(parser == SSEParser());
    }

    void messageType_data() {
        QTest::addColumn<QString>("data");
        QTest::addColumn<std::optional<QString>>("type");
        QTest::newRow("price updated")
            << uR"({"type":"price.updated"})"_s << std::optional(u"price.updated"_s);
        QTest::newRow("unknown kind kept")
            << uR"({"type":"Price.Updated"})"_s << std::optional(u"Price.Updated"_s);
        QTest::newRow("null time") << uR"({"type":"hello","at":null})"_s << std::optional(u"hello"_s);
        QTest::newRow("other members ignored")
            << uR"({"product_id":1,"type":"x","extra":[1,{}]})"_s << std::optional(u"x"_s);
        QTest::newRow("type a number") << uR"({"type":42})"_s << std::optional<QString>();
        QTest::newRow("type missing") << u"{}"_s << std::optional<QString>();
        QTest::newRow("type in another case") << uR"({"Type":"hello"})"_s << std::optional<QString>();
        QTest::newRow("time a number") << uR"({"type":"hello","at":5})"_s << std::optional<QString>();
        QTest::newRow("array") << uR"([{"type":"hello"}])"_s << std::optional<QString>();
        QTest::newRow("not JSON") << u"price.updated"_s << std::optional<QString>();
        QTest::newRow("truncated") << uR"({"type":"hello")"_s << std::optional<QString>();
    }

    void messageType() {
        QFETCH(QString, data);
        QFETCH(std::optional<QString>, type);
        QCOMPARE(SSEParser::messageType(data), type);
    }

    void shouldRefresh_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("refresh");
        QTest::newRow("hello") << u"hello"_s << false;
        QTest::newRow("heartbeat") << u"heartbeat"_s << false;
        QTest::newRow("price.updated") << u"price.updated"_s << true;
        QTest::newRow("scrape.finished") << u"scrape.finished"_s << true;
        QTest::newRow("other case") << u"Price.Updated"_s << false;
        QTest::newRow("empty") << u""_s << false;
    }

    void shouldRefresh() {
        QFETCH(QString, type);
        QFETCH(bool, refresh);
        QCOMPARE(SSEParser::shouldRefresh(type), refresh);
    }

    void streamMessageEncodesWithoutAbsentTime() {
        QCOMPARE(APIJSON::encode(StreamMessage{u"hello"_s, std::nullopt}), QByteArray(R"({"type":"hello"})"));
        const StreamMessage full{u"price.updated"_s, u"2025-03-04T05:06:07Z"_s};
        QCOMPARE(APIJSON::decode<StreamMessage>(APIJSON::encode(full)), full);
    }
};

QTEST_GUILESS_MAIN(TestStreamEvents)
#include "tst_StreamEvents.moc"
