#include "Presentation/ProductSort.h"
#include "Presentation/StatusItem.h"
#include "Presentation/ValueFormat.h"
#include "Theme.h"

#include <QSet>
#include <QTest>
#include <QTimeZone>

using namespace quelvio;
using namespace Qt::StringLiterals;

namespace {

const std::optional<QString> none;

std::optional<QString> text(const char16_t* s) {
    return QString::fromUtf16(s);
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

// The interface hands raw values out and takes them back: every case must come back as itself,
// and no two cases may share a raw value.
template <typename Enum, typename Cases>
void verifyRawValuesRoundTrip(const Cases& cases) {
    QSet<QString> seen;
    for (Enum value : cases) {
        QCOMPARE(fromRawValue<Enum>(rawValue(value)), std::optional(value));
        seen.insert(rawValue(value));
    }
    QCOMPARE(seen.size(), qsizetype(cases.size()));
}

} // namespace

class TestValueFormat : public QObject {
    Q_OBJECT

private slots:
    void doubleValue() {
        QCOMPARE(PriceFormat::doubleValue(none), std::nullopt);
        QCOMPARE(PriceFormat::doubleValue(text(u"12.50")), 12.5);
        for (const auto& bad : {text(u" 12"), text(u"1,5"), text(u"0x1p3"), text(u"１２"), text(u"1e400")})
            QVERIFY2(!PriceFormat::doubleValue(bad), qPrintable(*bad));
    }

    void prices() {
        QCOMPARE(PriceFormat::money(text(u"12.50"), text(u"cny")), u"¥12.50"_s);
        QCOMPARE(PriceFormat::money(text(u"30"), text(u"hkd")), u"hkd 30"_s);
        QCOMPARE(PriceFormat::money(text(u"30"), none), u"30"_s);
        QCOMPARE(PriceFormat::money(text(u""), text(u"USD")), u"—"_s);
        QCOMPARE(PriceFormat::unit(text(u"item")), u""_s);
        QCOMPARE(PriceFormat::unit(text(u"1M_tokens")), u"/1M"_s);
        QCOMPARE(PriceFormat::unit(text(u"1m_tokens")), u"/1m_tokens"_s);
        QCOMPARE(PriceFormat::display(text(u"2.5"), text(u"USD"), text(u"1M_tokens")), u"$2.5/1M"_s);
    }

    void signedNumbers() {
        QCOMPARE(PriceFormat::changePercent(std::nullopt), u"—"_s);
        QCOMPARE(PriceFormat::changePercent(3.256), u"+3.26%"_s);
        QCOMPARE(PriceFormat::changePercent(0.0), u"+0.00%"_s);
        QCOMPARE(PriceFormat::changePercent(-0.004), u"-0.00%"_s);
        QCOMPARE(GoodwillFormat::number(1), u"+1"_s);
        QCOMPARE(GoodwillFormat::number(0), u"0"_s);
    }

    void rfc3339() {
        const auto parsed = RFC3339Date::parse(text(u"2025-03-04T05:06:07+08:00"));
        QCOMPARE(parsed, std::optional(utc(2025, 3, 3, 21, 6, 7)));
        QCOMPARE(parsed->timeSpec(), Qt::UTC);
        QCOMPARE(RFC3339Date::parse(text(u"2025-03-04T05:06:07.123456789Z")),
                 std::optional(utc(2025, 3, 4, 5, 6, 7, 123)));
        for (const auto& bad : {text(u"2025-03-04T05:06:07"), text(u"2025-03-04T05:06:07+0800"),
                                text(u"2025-03-04T05:06:07Zjunk"), text(u"2025-02-30T05:06:07Z")})
            QVERIFY2(!RFC3339Date::parse(bad), qPrintable(*bad));
    }

    void timeFormats() {
        QCOMPARE(TimeFormat::utcSlice(none), u"—"_s);
        QCOMPARE(TimeFormat::utcSlice(text(u"2025-03-04T05:06:07+08:00")), u"03-04 05:06"_s);
        QCOMPARE(TimeFormat::utcSlice(text(u"2025-03-04T05:0")), u"2025-03-04T05:0"_s);
        // Characters are counted, not UTF-16 code units.
        QCOMPARE(TimeFormat::utcSlice(text(u"😀😀😀😀😀ABCDE-FGHIJ😀")), u"ABCDE FGHIJ"_s);

        const QTimeZone utcZone(QByteArray("UTC"));
        QCOMPARE(TimeFormat::compact(text(u"2025-03-04T05:06:07+08:00"), utcZone), u"03-03 21:06"_s);
        QCOMPARE(TimeFormat::compact(text(u"2025-03-04 05:06:07"), utcZone), u"03-04 05:06"_s);
        QCOMPARE(TimeFormat::compact(text(u"yesterday"), utcZone), u"yesterday"_s);
        const QTimeZone shanghai(QByteArray("Asia/Shanghai"));
        QCOMPARE(TimeFormat::compact(text(u"2025-03-04T20:06:07Z"), shanghai), u"03-05 04:06"_s);
    }

    void catalogAge() {
        const QDateTime now = utc(2025, 3, 10, 12, 0, 0);
        const auto ago = [&](qint64 days, qint64 seconds) {
            return std::optional(now.addDays(-days).addSecs(-seconds).toString(Qt::ISODateWithMs));
        };
        QCOMPARE(CatalogAge::dayCount(ago(7, -1), now), 6);
        QVERIFY(!CatalogAge::qualifiesForPeriodLow(ago(7, -1), now));
        QVERIFY(CatalogAge::qualifiesForPeriodLow(ago(7, 0), now));
        QVERIFY(CatalogAge::qualifiesForPeriodLow(text(u"2025-03-03T20:00:00+08:00"), now));
        QCOMPARE(CatalogAge::dayCount(text(u"2025-03-01"), now), std::nullopt);
    }

    void usernamesAndPasswords() {
        QVERIFY(AuthValidation::isUsername(u"  alice\n"_s));
        QVERIFY(!AuthValidation::isUsername(u" ab "_s)); // blanks do not count toward the length
        QVERIFY(AuthValidation::isUsername(QString(32, u'a')));
        QVERIFY(!AuthValidation::isUsername(QString(33, u'a')));
        QVERIFY(!AuthValidation::isUsername(u"al-ice"_s));
        QVERIFY(AuthValidation::isUsername(u"张小明"_s));
        QVERIFY(!AuthValidation::isUsername(u"e\u0301e\u0301"_s)); // combined characters count once
        QVERIFY(!AuthValidation::isUsername(u"abc"_s + QChar(0xD800)));

        QVERIFY(AuthValidation::isPassword(u"      "_s));
        QVERIFY(!AuthValidation::isPassword(u"abcde"_s));
        QVERIFY(AuthValidation::isPassword(QString(72, u'x')));
        QVERIFY(!AuthValidation::isPassword(QString(73, u'x')));
        // Three emoji are six UTF-16 code units but three characters.
        QVERIFY(!AuthValidation::isPassword(u"😀😀😀"_s));
    }

    void rawValuesRoundTrip() {
        verifyRawValuesRoundTrip<AppTheme>(appThemeCases);
        verifyRawValuesRoundTrip<ProductSort>(productSortCases);
        verifyRawValuesRoundTrip<MenuBarDropdownTab>(menuBarDropdownTabCases);
        // Raw values are case-sensitive; an unknown theme falls back to ink.
        QCOMPARE(fromRawValue<ProductSort>(u"PriceAsc"), std::nullopt);
        QCOMPARE(appThemeFromRawOrFallback(u"Pixel"_s), AppTheme::ink);
        QCOMPARE(appThemeFromRawOrFallback(u"pixel"_s), AppTheme::pixel);
    }

    void launchAtLoginWaitingForApprovalShowsOn() {
        QVERIFY(isSwitchOn(LaunchAtLoginStatus::requiresApproval));
        QVERIFY(!isSwitchOn(LaunchAtLoginStatus::notFound));
    }
};

QTEST_GUILESS_MAIN(TestValueFormat)
#include "tst_ValueFormat.moc"
