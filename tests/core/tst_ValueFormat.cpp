#include "Presentation/ValueFormat.h"

#include <QTest>

using namespace quelvio;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(std::optional<QDateTime>)

namespace {

const std::optional<QString> none;

std::optional<QString> text(const char16_t* s) {
    return QString::fromUtf16(s);
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

QString timestamp(const QDateTime& instant) {
    return instant.toUTC().toString(Qt::ISODateWithMs);
}

} // namespace

class TestValueFormat : public QObject {
    Q_OBJECT

private slots:
    void doubleValue_data() {
        QTest::addColumn<std::optional<QString>>("input");
        QTest::addColumn<std::optional<double>>("value");
        auto row = [](const char* name, std::optional<QString> in, std::optional<double> out) {
            QTest::newRow(name) << in << out;
        };
        row("absent", none, std::nullopt);
        row("decimal", text(u"12.50"), 12.5);
        row("plus sign", text(u"+3.5"), 3.5);
        row("exponent", text(u"1.5e3"), 1500.0);
        row("leading blank", text(u" 12"), std::nullopt);
        row("comma decimal", text(u"1,5"), std::nullopt);
        row("hex", text(u"0x1p3"), std::nullopt);
        row("full-width digits", text(u"１２"), std::nullopt);
        row("overflow", text(u"1e400"), std::nullopt);
    }

    void doubleValue() {
        QFETCH(std::optional<QString>, input);
        QFETCH(std::optional<double>, value);
        QCOMPARE(PriceFormat::doubleValue(input), value);
    }

    void money() {
        QCOMPARE(PriceFormat::money(text(u"12.50"), text(u"cny")), u"¥12.50"_s);
        QCOMPARE(PriceFormat::money(text(u"9.9"), text(u"USD")), u"$9.9"_s);
        QCOMPARE(PriceFormat::money(text(u"30"), text(u"hkd")), u"hkd 30"_s);
        QCOMPARE(PriceFormat::money(text(u"30"), none), u"30"_s);
        QCOMPARE(PriceFormat::money(text(u""), text(u"USD")), u"—"_s);
    }

    void unitAndDisplay() {
        QCOMPARE(PriceFormat::unit(text(u"item")), u""_s);
        QCOMPARE(PriceFormat::unit(text(u"Item")), u"/Item"_s);
        QCOMPARE(PriceFormat::unit(text(u"1M_tokens")), u"/1M"_s);
        QCOMPARE(PriceFormat::unit(text(u"1m_tokens")), u"/1m_tokens"_s);
        QCOMPARE(PriceFormat::display(none, text(u"USD"), text(u"1M_tokens")), u"—/1M"_s);
        QCOMPARE(PriceFormat::display(text(u"2.5"), text(u"USD"), text(u"1M_tokens")), u"$2.5/1M"_s);
    }

    void changePercent() {
        QCOMPARE(PriceFormat::changePercent(std::nullopt), u"—"_s);
        QCOMPARE(PriceFormat::changePercent(3.256), u"+3.26%"_s);
        QCOMPARE(PriceFormat::changePercent(0.0), u"+0.00%"_s);
        QCOMPARE(PriceFormat::changePercent(-0.004), u"-0.00%"_s);
    }

    void rfc3339_data() {
        QTest::addColumn<std::optional<QString>>("input");
        QTest::addColumn<std::optional<QDateTime>>("instant");
        auto row = [](const char* name, std::optional<QString> in, std::optional<QDateTime> out) {
            QTest::newRow(name) << in << out;
        };
        const auto at = utc(2025, 3, 4, 5, 6, 7);
        row("Z", text(u"2025-03-04T05:06:07Z"), at);
        row("long fraction truncated", text(u"2025-03-04T05:06:07.123456789Z"),
            utc(2025, 3, 4, 5, 6, 7, 123));
        row("positive offset", text(u"2025-03-04T05:06:07+08:00"), utc(2025, 3, 3, 21, 6, 7));
        row("absent", none, std::nullopt);
        row("no zone", text(u"2025-03-04T05:06:07"), std::nullopt);
        row("offset without colon", text(u"2025-03-04T05:06:07+0800"), std::nullopt);
        row("trailing text", text(u"2025-03-04T05:06:07Zjunk"), std::nullopt);
        row("February 30", text(u"2025-02-30T05:06:07Z"), std::nullopt);
        row("hour 24", text(u"2025-03-04T24:00:00Z"), std::nullopt);
    }

    void rfc3339() {
        QFETCH(std::optional<QString>, input);
        QFETCH(std::optional<QDateTime>, instant);
        const std::optional<QDateTime> parsed = RFC3339Date::parse(input);
        QCOMPARE(parsed.has_value(), instant.has_value());
        if (parsed) {
            QCOMPARE(*parsed, *instant);
            QCOMPARE(parsed->timeSpec(), Qt::UTC);
        }
    }

    void utcSlice() {
        QCOMPARE(TimeFormat::utcSlice(none), u"—"_s);
        QCOMPARE(TimeFormat::utcSlice(text(u"2025-03-04T05:06:07+08:00")), u"03-04 05:06"_s);
        QCOMPARE(TimeFormat::utcSlice(text(u"2025-03-04T05:0")), u"2025-03-04T05:0"_s);
        // Characters are counted, not UTF-16 code units.
        QCOMPARE(TimeFormat::utcSlice(text(u"😀😀😀😀😀ABCDE-FGHIJ😀")), u"ABCDE FGHIJ"_s);
    }

    void compact_data() {
        QTest::addColumn<std::optional<QString>>("input");
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("shown");
        QTest::newRow("offset converted to UTC")
            << text(u"2025-03-04T05:06:07+08:00") << QByteArray("UTC") << u"03-03 21:06"_s;
        QTest::newRow("space instead of T is sliced")
            << text(u"2025-03-04 05:06:07") << QByteArray("UTC") << u"03-04 05:06"_s;
        QTest::newRow("into Shanghai")
            << text(u"2025-03-04T20:06:07Z") << QByteArray("Asia/Shanghai") << u"03-05 04:06"_s;
        QTest::newRow("absent") << none << QByteArray("UTC") << u"—"_s;
        QTest::newRow("short garbage unchanged") << text(u"yesterday") << QByteArray("UTC") << u"yesterday"_s;
    }

    void compact() {
        QFETCH(std::optional<QString>, input);
        QFETCH(QByteArray, zone);
        QFETCH(QString, shown);
        const QTimeZone timeZone(zone);
        QVERIFY(timeZone.isValid());
        QCOMPARE(TimeFormat::compact(input, timeZone), shown);
    }

    void goodwill() {
        QCOMPARE(GoodwillFormat::number(1), u"+1"_s);
        QCOMPARE(GoodwillFormat::number(0), u"0"_s);
    }

    void catalogAge_data() {
        QTest::addColumn<std::optional<QString>>("firstSeen");
        QTest::addColumn<std::optional<qint64>>("days");
        QTest::addColumn<bool>("qualifies");
        const QDateTime now = utc(2025, 3, 10, 12, 0, 0);
        auto ago = [&](qint64 seconds) { return std::optional(timestamp(now.addSecs(-seconds))); };
        constexpr qint64 day = 86400;
        QTest::newRow("a second short of 7 days") << ago(7 * day - 1) << std::optional<qint64>(6) << false;
        QTest::newRow("exactly 7 days") << ago(7 * day) << std::optional<qint64>(7) << true;
        QTest::newRow("2 days in the future") << ago(-2 * day) << std::optional<qint64>(0) << false;
        QTest::newRow("unparseable") << text(u"2025-03-01") << std::optional<qint64>() << false;
        QTest::newRow("offset counts")
            << text(u"2025-03-03T20:00:00+08:00") << std::optional<qint64>(7) << true;
    }

    void catalogAge() {
        QFETCH(std::optional<QString>, firstSeen);
        QFETCH(std::optional<qint64>, days);
        QFETCH(bool, qualifies);
        const QDateTime now = utc(2025, 3, 10, 12, 0, 0);
        QCOMPARE(CatalogAge::dayCount(firstSeen, now), days);
        QCOMPARE(CatalogAge::qualifiesForPeriodLow(firstSeen, now), qualifies);
    }

    void usernames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << u"alice_01"_s << true;
        QTest::newRow("surrounding blanks trimmed") << u"  alice\n"_s << true;
        QTest::newRow("blanks do not count toward the length") << u" ab "_s << false;
        QTest::newRow("two characters") << u"ab"_s << false;
        QTest::newRow("32 characters") << QString(32, u'a') << true;
        QTest::newRow("33 characters") << QString(33, u'a') << false;
        QTest::newRow("hyphen") << u"al-ice"_s << false;
        QTest::newRow("three Chinese characters") << u"张小明"_s << true;
        QTest::newRow("combined characters count once") << u"e\u0301e\u0301"_s << false;
        QTest::newRow("emoji") << u"ali😀"_s << false;
        QTest::newRow("lone surrogate") << (u"abc"_s + QChar(0xD800)) << false;
    }

    void usernames() {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(AuthValidation::isUsername(name), valid);
    }

    void passwords() {
        QVERIFY(AuthValidation::isPassword(u"      "_s));
        QVERIFY(!AuthValidation::isPassword(u"abcde"_s));
        QVERIFY(AuthValidation::isPassword(QString(72, u'x')));
        QVERIFY(!AuthValidation::isPassword(QString(73, u'x')));
        // Three emoji are six UTF-16 code units but three characters.
        QVERIFY(!AuthValidation::isPassword(u"😀😀😀"_s));
    }
};

QTEST_GUILESS_MAIN(TestValueFormat)
#include "tst_ValueFormat.moc"
