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
        row("leading point", text(u".5"), 0.5);
        row("trailing point", text(u"5."), 5.0);
        row("exponent", text(u"1.5e3"), 1500.0);
        row("signed exponent", text(u"25E-1"), 2.5);
        row("empty", text(u""), std::nullopt);
        row("leading blank", text(u" 12"), std::nullopt);
        row("trailing blank", text(u"12 "), std::nullopt);
        row("letters", text(u"abc"), std::nullopt);
        row("point only", text(u"."), std::nullopt);
        row("two points", text(u"1.2.3"), std::nullopt);
        row("comma decimal", text(u"1,5"), std::nullopt);
        row("exponent without digits", text(u"1e"), std::nullopt);
        row("inf", text(u"inf"), std::nullopt);
        row("nan", text(u"nan"), std::nullopt);
        row("hex", text(u"0x1p3"), std::nullopt);
        row("full-width digits", text(u"１２"), std::nullopt);
        row("overflow", text(u"1e400"), std::nullopt);
        row("long digit string overflows", std::optional(QString(400, u'9')), std::nullopt);
        row("underflow", text(u"1e-400"), std::nullopt);
    }

    void doubleValue() {
        QFETCH(std::optional<QString>, input);
        QFETCH(std::optional<double>, value);
        QCOMPARE(PriceFormat::doubleValue(input), value);
    }

    void money_data() {
        QTest::addColumn<std::optional<QString>>("amount");
        QTest::addColumn<std::optional<QString>>("currency");
        QTest::addColumn<QString>("shown");
        QTest::newRow("cny lower case") << text(u"12.50") << text(u"cny") << u"¥12.50"_s;
        QTest::newRow("rmb") << text(u"0") << text(u"rmb") << u"¥0"_s;
        QTest::newRow("usd") << text(u"9.9") << text(u"USD") << u"$9.9"_s;
        QTest::newRow("other kept as written") << text(u"30") << text(u"hkd") << u"hkd 30"_s;
        QTest::newRow("no currency") << text(u"30") << none << u"30"_s;
        QTest::newRow("empty currency") << text(u"0") << text(u"") << u"0"_s;
        QTest::newRow("amount not reformatted") << text(u"0012.5000") << text(u"USD") << u"$0012.5000"_s;
        QTest::newRow("absent amount") << none << text(u"CNY") << u"—"_s;
        QTest::newRow("empty amount") << text(u"") << text(u"USD") << u"—"_s;
    }

    void money() {
        QFETCH(std::optional<QString>, amount);
        QFETCH(std::optional<QString>, currency);
        QFETCH(QString, shown);
        QCOMPARE(PriceFormat::money(amount, currency), shown);
    }

    void unitAndDisplay() {
        QCOMPARE(PriceFormat::unit(none), u""_s);
        QCOMPARE(PriceFormat::unit(text(u"")), u""_s);
        QCOMPARE(PriceFormat::unit(text(u"item")), u""_s);
        QCOMPARE(PriceFormat::unit(text(u"Item")), u"/Item"_s);
        QCOMPARE(PriceFormat::unit(text(u"1M_tokens")), u"/1M"_s);
        QCOMPARE(PriceFormat::unit(text(u"1m_tokens")), u"/1m_tokens"_s);
        QCOMPARE(PriceFormat::unit(text(u"month")), u"/month"_s);
        QCOMPARE(PriceFormat::display(none, text(u"USD"), text(u"1M_tokens")), u"—/1M"_s);
        QCOMPARE(PriceFormat::display(text(u"2.5"), text(u"USD"), text(u"1M_tokens")), u"$2.5/1M"_s);
        QCOMPARE(PriceFormat::display(text(u"30"), text(u"CNY"), text(u"item")), u"¥30"_s);
    }

    void changePercent_data() {
        QTest::addColumn<std::optional<double>>("percent");
        QTest::addColumn<QString>("shown");
        QTest::newRow("absent") << std::optional<double>() << u"—"_s;
        QTest::newRow("rounds up") << std::optional(3.256) << u"+3.26%"_s;
        QTest::newRow("zero") << std::optional(0.0) << u"+0.00%"_s;
        QTest::newRow("tiny negative keeps its sign") << std::optional(-0.004) << u"-0.00%"_s;
        QTest::newRow("not multiplied") << std::optional(0.5) << u"+0.50%"_s;
    }

    void changePercent() {
        QFETCH(std::optional<double>, percent);
        QFETCH(QString, shown);
        QCOMPARE(PriceFormat::changePercent(percent), shown);
    }

    void rfc3339_data() {
        QTest::addColumn<std::optional<QString>>("input");
        QTest::addColumn<std::optional<QDateTime>>("instant");
        auto row = [](const char* name, std::optional<QString> in, std::optional<QDateTime> out) {
            QTest::newRow(name) << in << out;
        };
        const auto at = utc(2025, 3, 4, 5, 6, 7);
        row("Z", text(u"2025-03-04T05:06:07Z"), at);
        row("fraction", text(u"2025-03-04T05:06:07.123Z"), utc(2025, 3, 4, 5, 6, 7, 123));
        row("long fraction truncated", text(u"2025-03-04T05:06:07.123456789Z"),
            utc(2025, 3, 4, 5, 6, 7, 123));
        row("positive offset", text(u"2025-03-04T05:06:07+08:00"), utc(2025, 3, 3, 21, 6, 7));
        row("negative offset", text(u"2025-03-04T05:06:07-05:30"), utc(2025, 3, 4, 10, 36, 7));
        row("absent", none, std::nullopt);
        row("empty", text(u""), std::nullopt);
        row("date only", text(u"2025-03-04"), std::nullopt);
        row("no zone", text(u"2025-03-04T05:06:07"), std::nullopt);
        row("space for T", text(u"2025-03-04 05:06:07Z"), std::nullopt);
        row("lower-case t", text(u"2025-03-04t05:06:07Z"), std::nullopt);
        row("offset without colon", text(u"2025-03-04T05:06:07+0800"), std::nullopt);
        row("empty fraction", text(u"2025-03-04T05:06:07.Z"), std::nullopt);
        row("trailing text", text(u"2025-03-04T05:06:07Zjunk"), std::nullopt);
        row("month 13", text(u"2025-13-04T05:06:07Z"), std::nullopt);
        row("February 30", text(u"2025-02-30T05:06:07Z"), std::nullopt);
        row("hour 24", text(u"2025-03-04T24:00:00Z"), std::nullopt);
        row("second 61", text(u"2025-03-04T05:06:61Z"), std::nullopt);
        row("offset hour 24", text(u"2025-03-04T05:06:07+24:00"), std::nullopt);
        row("year zero", text(u"0000-01-01T00:00:00Z"), std::nullopt);
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

    void utcSlice_data() {
        QTest::addColumn<std::optional<QString>>("input");
        QTest::addColumn<QString>("shown");
        QTest::newRow("absent") << none << u"—"_s;
        QTest::newRow("empty") << text(u"") << u""_s;
        QTest::newRow("full timestamp") << text(u"2025-03-04T05:06:07Z") << u"03-04 05:06"_s;
        QTest::newRow("no zone conversion") << text(u"2025-03-04T05:06:07+08:00") << u"03-04 05:06"_s;
        QTest::newRow("16 characters") << text(u"2025-03-04T05:06") << u"03-04 05:06"_s;
        QTest::newRow("15 characters unchanged") << text(u"2025-03-04T05:0") << u"2025-03-04T05:0"_s;
        QTest::newRow("counts characters, not code units") << text(u"😀😀😀😀😀ABCDE-FGHIJ😀") << u"ABCDE FGHIJ"_s;
        QTest::newRow("combining marks are one character")
            << text(u"e\u0301e\u0301e\u0301e\u0301e\u0301ABCDE-FGHIJK") << u"ABCDE FGHIJ"_s;
    }

    void utcSlice() {
        QFETCH(std::optional<QString>, input);
        QFETCH(QString, shown);
        QCOMPARE(TimeFormat::utcSlice(input), shown);
    }

    void compact_data() {
        QTest::addColumn<std::optional<QString>>("input");
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("shown");
        QTest::newRow("fraction in UTC")
            << text(u"2025-03-04T05:06:07.123Z") << QByteArray("UTC") << u"03-04 05:06"_s;
        QTest::newRow("offset converted to UTC")
            << text(u"2025-03-04T05:06:07+08:00") << QByteArray("UTC") << u"03-03 21:06"_s;
        QTest::newRow("space instead of T is sliced")
            << text(u"2025-03-04 05:06:07") << QByteArray("UTC") << u"03-04 05:06"_s;
        QTest::newRow("into Shanghai")
            << text(u"2025-03-04T20:06:07Z") << QByteArray("Asia/Shanghai") << u"03-05 04:06"_s;
        QTest::newRow("into New York in summer")
            << text(u"2025-07-01T03:30:00Z") << QByteArray("America/New_York") << u"06-30 23:30"_s;
        QTest::newRow("absent") << none << QByteArray("UTC") << u"—"_s;
        QTest::newRow("empty") << text(u"") << QByteArray("UTC") << u""_s;
        QTest::newRow("short garbage unchanged") << text(u"yesterday") << QByteArray("UTC") << u"yesterday"_s;
    }

    void compact() {
        QFETCH(std::optional<QString>, input);
        QFETCH(QByteArray, zone);
        QFETCH(QString, shown);
        const QTimeZone timeZone(zone);
        QVERIFY(timeZone.isValid());
        QCOMPARE(TimeFormat::compact(input, timeZone), shown);
        if (zone == "UTC")
            QCOMPARE(TimeFormat::utcCompact(input), shown);
    }

    void goodwill() {
        QCOMPARE(GoodwillFormat::number(1), u"+1"_s);
        QCOMPARE(GoodwillFormat::number(12), u"+12"_s);
        QCOMPARE(GoodwillFormat::number(0), u"0"_s);
        QCOMPARE(GoodwillFormat::number(-3), u"-3"_s);
    }

    void catalogAge_data() {
        QTest::addColumn<std::optional<QString>>("firstSeen");
        QTest::addColumn<std::optional<qint64>>("days");
        QTest::addColumn<bool>("qualifies");
        const QDateTime now = utc(2025, 3, 10, 12, 0, 0);
        auto ago = [&](qint64 seconds) { return std::optional(timestamp(now.addSecs(-seconds))); };
        constexpr qint64 day = 86400;
        QTest::newRow("6 days 23 hours") << ago(6 * day + 23 * 3600) << std::optional<qint64>(6) << false;
        QTest::newRow("a second short of 7 days") << ago(7 * day - 1) << std::optional<qint64>(6) << false;
        QTest::newRow("exactly 7 days") << ago(7 * day) << std::optional<qint64>(7) << true;
        QTest::newRow("just now") << ago(0) << std::optional<qint64>(0) << false;
        QTest::newRow("2 days in the future") << ago(-2 * day) << std::optional<qint64>(0) << false;
        QTest::newRow("absent") << none << std::optional<qint64>() << false;
        QTest::newRow("empty") << text(u"") << std::optional<qint64>() << false;
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

    void categories() {
        QCOMPARE(ProductCategoryDisplay::title(u"sms"_s), u"接码"_s);
        QCOMPARE(ProductCategoryDisplay::title(u"llm_api"_s), u"API"_s);
        QCOMPARE(ProductCategoryDisplay::title(u"CLAUDE"_s), u"CLAUDE"_s);
        QCOMPARE(ProductCategoryDisplay::title(u"midjourney"_s), u"midjourney"_s);

        auto ids = [](const QList<ProductCategory>& list) {
            QStringList out;
            for (const auto& c : list)
                out.append(c.id);
            return out;
        };
        auto make = [](const QStringList& keys) {
            QList<ProductCategory> list;
            qint64 count = 100;
            for (const QString& key : keys)
                list.append({key, count--});
            return list;
        };
        QCOMPARE(ids(ProductCategoryDisplay::sorted(make({u"other"_s, u"zeta"_s, u"codex"_s, u"alpha"_s}))),
                 (QStringList{u"codex"_s, u"other"_s, u"alpha"_s, u"zeta"_s}));
        QCOMPARE(ids(ProductCategoryDisplay::sorted(make({u"llm_api"_s, u"sms"_s, u"cursor"_s, u"gemini"_s,
                                                          u"claude"_s, u"grok"_s, u"codex"_s, u"Codex"_s}))),
                 (QStringList{u"codex"_s, u"grok"_s, u"claude"_s, u"gemini"_s, u"cursor"_s, u"sms"_s,
                              u"llm_api"_s, u"Codex"_s}));
        // Duplicates keep their order; the count plays no part.
        const QList<ProductCategory> twins{{u"grok"_s, 1}, {u"x"_s, 5}, {u"grok"_s, 2}};
        QCOMPARE(ProductCategoryDisplay::sorted(twins),
                 (QList<ProductCategory>{{u"grok"_s, 1}, {u"grok"_s, 2}, {u"x"_s, 5}}));
        QCOMPARE(ProductCategoryDisplay::sorted({}), QList<ProductCategory>{});
    }

    void subtypes() {
        const QList<std::pair<QString, QString>> titles{
            {u"free"_s, u"Free"_s},    {u"plus"_s, u"Plus"_s}, {u"pro"_s, u"Pro"_s},
            {u"unknown"_s, u"未知"_s}, {u"m12"_s, u"月卡"_s},  {u"m3"_s, u"季卡"_s},
            {u"y1"_s, u"年卡"_s},      {u"Pro"_s, u"Pro"_s},   {u"team"_s, u"team"_s}};
        for (const auto& [key, title] : titles)
            QCOMPARE(ProductSubtypeDisplay::title(key), title);
        const QStringList plans{u"free"_s, u"plus"_s, u"pro"_s, u"unknown"_s};
        QCOMPARE(ProductSubtypeDisplay::options(u"codex"), plans);
        QCOMPARE(ProductSubtypeDisplay::options(u"claude"), plans);
        QCOMPARE(ProductSubtypeDisplay::options(u"grok"),
                 (QStringList{u"free"_s, u"m12"_s, u"m3"_s, u"y1"_s}));
        QCOMPARE(ProductSubtypeDisplay::options(u"Grok"), QStringList{});
        QCOMPARE(ProductSubtypeDisplay::options(u"gemini"), QStringList{});
    }

    void targetKeys() {
        QCOMPARE(TargetKey::product(9), u"product:9"_s);
        QCOMPARE(TargetKey::source(-3), u"source:-3"_s);
        QCOMPARE(TargetKey::product(9007199254740993), u"product:9007199254740993"_s);
        QCOMPARE(TargetKey::make(u"source", 3, 9), u"source:3"_s);
        QCOMPARE(TargetKey::make(u"product", 3, 9), u"product:9"_s);
        QCOMPARE(TargetKey::make(u"Product", 3, 9), u"source:3"_s);
        QCOMPARE(TargetKey::make(u"", 3, 9), u"source:3"_s);
    }

    void usernames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << u"alice_01"_s << true;
        QTest::newRow("three characters") << u"abc"_s << true;
        QTest::newRow("surrounding blanks trimmed") << u"  alice\n"_s << true;
        QTest::newRow("blanks do not count toward the length") << u" ab "_s << false;
        QTest::newRow("two characters") << u"ab"_s << false;
        QTest::newRow("32 characters") << QString(32, u'a') << true;
        QTest::newRow("33 characters") << QString(33, u'a') << false;
        QTest::newRow("hyphen") << u"al-ice"_s << false;
        QTest::newRow("dot") << u"al.ice"_s << false;
        QTest::newRow("inner blank") << u"al ice"_s << false;
        QTest::newRow("three Chinese characters") << u"张小明"_s << true;
        QTest::newRow("combining mark") << u"ame\u0301lie"_s << true;
        QTest::newRow("combined characters count once") << u"e\u0301e\u0301"_s << false;
        QTest::newRow("33 combined characters") << QString(u"e\u0301"_s).repeated(33) << false;
        QTest::newRow("emoji") << u"ali😀"_s << false;
        QTest::newRow("lone surrogate") << (u"abc"_s + QChar(0xD800)) << false;
        QTest::newRow("empty") << u""_s << false;
    }

    void usernames() {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(AuthValidation::isUsername(name), valid);
    }

    void passwords_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("valid");
        QTest::newRow("six spaces") << u"      "_s << true;
        QTest::newRow("five characters") << u"abcde"_s << false;
        QTest::newRow("72 characters") << QString(72, u'x') << true;
        QTest::newRow("73 characters") << QString(73, u'x') << false;
        QTest::newRow("six emoji of two code units each") << u"😀😀😀😀😀😀"_s << true;
        QTest::newRow("three emoji are six code units") << u"😀😀😀"_s << false;
        QTest::newRow("empty") << u""_s << false;
    }

    void passwords() {
        QFETCH(QString, password);
        QFETCH(bool, valid);
        QCOMPARE(AuthValidation::isPassword(password), valid);
    }
};

QTEST_GUILESS_MAIN(TestValueFormat)
#include "tst_ValueFormat.moc"
