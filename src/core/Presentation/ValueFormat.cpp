#include "Presentation/ValueFormat.h"

#include "Models/Vocabulary.h"

#include <QLocale>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace quelvio {

namespace {

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Offsets at which user-perceived characters start, plus the end offset; at most limit + 1
// entries, so callers that only need a prefix do not walk long text.
QList<qsizetype> graphemeBoundaries(QStringView text, qsizetype limit) {
    QList<qsizetype> boundaries{0};
    if (text.isEmpty())
        return boundaries;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    while (boundaries.size() <= limit) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            break;
        boundaries.append(next);
    }
    return boundaries;
}

// Counts user-perceived characters, stopping once the count passes limit.
qsizetype graphemeCount(QStringView text, qsizetype limit) {
    return graphemeBoundaries(text, limit).size() - 1;
}

} // namespace

namespace PriceFormat {

std::optional<double> doubleValue(const std::optional<QString>& text) {
    if (!text)
        return std::nullopt;
    const QStringView s = *text;
    qsizetype i = 0;
    const qsizetype n = s.size();
    auto digits = [&] {
        const qsizetype start = i;
        while (i < n && isAsciiDigit(s[i]))
            ++i;
        return i - start;
    };
    if (i < n && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    qsizetype mantissaDigits = digits();
    if (i < n && s[i] == u'.') {
        ++i;
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        if (i < n && (s[i] == u'+' || s[i] == u'-'))
            ++i;
        if (digits() == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;

    // The text is plain ASCII now; from_chars reads it without the process locale and takes no "+".
    QByteArray ascii = s.toLatin1();
    if (ascii.startsWith('+'))
        ascii.remove(0, 1);
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.constData(), ascii.constData() + ascii.size(), value);
    // Out of a double's range either way is no price: an infinite or vanished value would only
    // mislead sorting and charts.
    if (error != std::errc() || end != ascii.constData() + ascii.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString currencyPrefix(const std::optional<QString>& currency) {
    if (!currency || currency->isEmpty())
        return {};
    const QString upper = currency->toUpper();
    if (upper == u"CNY" || upper == u"RMB")
        return QStringLiteral("¥");
    if (upper == u"USD")
        return QStringLiteral("$");
    return *currency + u' ';
}

QString money(const std::optional<QString>& amount, const std::optional<QString>& currency) {
    if (!amount || amount->isEmpty())
        return missingValuePlaceholder.toString();
    return currencyPrefix(currency) + *amount;
}

QString unit(const std::optional<QString>& unit) {
    if (!unit || unit->isEmpty() || *unit == u"item")
        return {};
    if (*unit == u"1M_tokens")
        return QStringLiteral("/1M");
    return u'/' + *unit;
}

QString display(const std::optional<QString>& price, const std::optional<QString>& currency,
                const std::optional<QString>& unitKey) {
    return money(price, currency) + unit(unitKey);
}

QString changePercent(std::optional<double> percent) {
    if (!percent)
        return missingValuePlaceholder.toString();
    return QString::asprintf("%+.2f%%", *percent);
}

} // namespace PriceFormat

namespace RFC3339Date {

namespace {

// The internet date-time of RFC 3339 with upper-case "T" and "Z"; fractional seconds are optional
// and kept to the millisecond.
std::optional<QDateTime> parseInternetDateTime(QStringView s) {
    qsizetype i = 0;
    bool ok = true;
    auto number = [&](qsizetype width) {
        int value = 0;
        for (qsizetype end = i + width; i < end; ++i) {
            if (i >= s.size() || !isAsciiDigit(s[i])) {
                ok = false;
                return 0;
            }
            value = value * 10 + (s[i].unicode() - u'0');
        }
        return value;
    };
    auto expect = [&](char16_t c) {
        if (i < s.size() && s[i] == c)
            ++i;
        else
            ok = false;
    };

    const int year = number(4);
    expect(u'-');
    const int month = number(2);
    expect(u'-');
    const int day = number(2);
    expect(u'T');
    const int hour = number(2);
    expect(u':');
    const int minute = number(2);
    expect(u':');
    const int second = number(2);
    if (!ok)
        return std::nullopt;

    int millisecond = 0;
    if (i < s.size() && s[i] == u'.') {
        ++i;
        const qsizetype start = i;
        for (; i < s.size() && isAsciiDigit(s[i]); ++i)
            if (i - start < 3)
                millisecond = millisecond * 10 + (s[i].unicode() - u'0');
        const qsizetype fractionDigits = i - start;
        if (fractionDigits == 0)
            return std::nullopt;
        for (qsizetype d = fractionDigits; d < 3; ++d)
            millisecond *= 10;
    }

    int offsetSeconds = 0;
    if (i < s.size() && s[i] == u'Z') {
        ++i;
    } else if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        const int sign = s[i] == u'-' ? -1 : 1;
        ++i;
        const int offsetHours = number(2);
        expect(u':');
        const int offsetMinutes = number(2);
        if (!ok || offsetHours > 23 || offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = sign * (offsetHours * 3600 + offsetMinutes * 60);
    } else {
        return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;

    const QDate date(year, month, day);
    const QTime time(hour, minute, second, millisecond);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC).addSecs(-offsetSeconds);
}

} // namespace

std::optional<QDateTime> parse(const std::optional<QString>& text) {
    if (!text || text->isEmpty())
        return std::nullopt;
    return parseInternetDateTime(*text);
}

} // namespace RFC3339Date

namespace TimeFormat {

QString utcSlice(const std::optional<QString>& text) {
    if (!text)
        return missingValuePlaceholder.toString();
    const QList<qsizetype> at = graphemeBoundaries(*text, 16);
    if (at.size() - 1 < 16)
        return *text;
    // Characters 6 to 10 and 12 to 16, counted from 1.
    const QStringView s = *text;
    QString slice = s.sliced(at[5], at[10] - at[5]).toString();
    slice += u' ';
    slice += s.sliced(at[11], at[16] - at[11]);
    return slice;
}

QString compact(const std::optional<QString>& text, const QTimeZone& timeZone) {
    if (!text || text->isEmpty())
        return utcSlice(text);
    const std::optional<QDateTime> instant = RFC3339Date::parse(text);
    if (!instant)
        return utcSlice(text);
    return QLocale::c().toString(instant->toTimeZone(timeZone), u"MM-dd HH:mm");
}

QString utcCompact(const std::optional<QString>& text) {
    return compact(text, QTimeZone::utc());
}

} // namespace TimeFormat

namespace GoodwillFormat {

QString number(qint64 value) {
    return value >= 1 ? u'+' + QString::number(value) : QString::number(value);
}

} // namespace GoodwillFormat

namespace CatalogAge {

qint64 elapsedWholeDays(const QDateTime& from, const QDateTime& now) {
    constexpr qint64 msecsPerDay = 86'400'000;
    return from.msecsTo(now) / msecsPerDay; // integer division truncates toward zero
}

std::optional<qint64> dayCount(const std::optional<QString>& firstSeenAt, const QDateTime& now) {
    const std::optional<QDateTime> firstSeen = RFC3339Date::parse(firstSeenAt);
    if (!firstSeen)
        return std::nullopt;
    return std::max<qint64>(0, elapsedWholeDays(*firstSeen, now));
}

bool qualifiesForPeriodLow(const std::optional<QString>& firstSeenAt, const QDateTime& now) {
    const std::optional<QDateTime> firstSeen = RFC3339Date::parse(firstSeenAt);
    return firstSeen && elapsedWholeDays(*firstSeen, now) > periodLowMinimumDays - 1;
}

} // namespace CatalogAge

namespace ProductCategoryDisplay {

namespace {

constexpr std::array<QStringView, 8> titles{u"Codex",  u"Grok", u"Claude", u"Gemini",
                                            u"Cursor", u"接码", u"API",    u"其他"};

qsizetype browsePosition(QStringView key) {
    const auto it =
        std::ranges::find_if(browseOrder, [key](QLatin1StringView known) { return known == key; });
    return it - browseOrder.begin(); // unknown keys count as browseOrder.size()
}

} // namespace

QString title(const QString& key) {
    const qsizetype position = browsePosition(key);
    return position < qsizetype(titles.size()) ? titles[position].toString() : key;
}

QList<ProductCategory> sorted(QList<ProductCategory> categories) {
    std::ranges::stable_sort(categories, [](const ProductCategory& a, const ProductCategory& b) {
        const qsizetype pa = browsePosition(a.id);
        const qsizetype pb = browsePosition(b.id);
        return pa != pb ? pa < pb : a.id < b.id;
    });
    return categories;
}

} // namespace ProductCategoryDisplay

namespace ProductSubtypeDisplay {

QString title(const QString& key) {
    static constexpr std::array<std::pair<QStringView, QStringView>, 7> titles{{{u"free", u"Free"},
                                                                                {u"plus", u"Plus"},
                                                                                {u"pro", u"Pro"},
                                                                                {u"unknown", u"未知"},
                                                                                {u"m12", u"月卡"},
                                                                                {u"m3", u"季卡"},
                                                                                {u"y1", u"年卡"}}};
    for (const auto& [subtype, subtypeTitle] : titles)
        if (subtype == key)
            return subtypeTitle.toString();
    return key;
}

QStringList options(QStringView category) {
    if (category == u"codex" || category == u"claude")
        return {QStringLiteral("free"), QStringLiteral("plus"), QStringLiteral("pro"),
                QStringLiteral("unknown")};
    if (category == u"grok")
        return {QStringLiteral("free"), QStringLiteral("m12"), QStringLiteral("m3"), QStringLiteral("y1")};
    return {};
}

} // namespace ProductSubtypeDisplay

namespace TargetKey {

QString product(qint64 id) {
    return QStringLiteral("product:") + QString::number(id);
}

QString source(qint64 id) {
    return QStringLiteral("source:") + QString::number(id);
}

QString make(QStringView targetType, qint64 sourceID, qint64 productID) {
    return targetType == TargetType::product ? product(productID) : source(sourceID);
}

} // namespace TargetKey

namespace AuthValidation {

bool isUsername(QStringView username) {
    const QStringView name = username.trimmed();
    const qsizetype length = graphemeCount(name, 33);
    if (length < 3 || length > 32)
        return false;
    // A lone surrogate comes out as U+FFFD, a symbol, and fails.
    for (const char32_t scalar : name.toUcs4()) {
        if (scalar == U'_')
            continue;
        switch (QChar::category(scalar)) {
        case QChar::Letter_Uppercase:
        case QChar::Letter_Lowercase:
        case QChar::Letter_Titlecase:
        case QChar::Letter_Modifier:
        case QChar::Letter_Other:
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
        case QChar::Number_DecimalDigit:
        case QChar::Number_Letter:
        case QChar::Number_Other:
            continue;
        default:
            return false;
        }
    }
    return true;
}

bool isPassword(QStringView password) {
    const qsizetype length = graphemeCount(password, 73);
    return length >= 6 && length <= 72;
}

} // namespace AuthValidation

namespace TextLimit {

QString clipped(QString text, qsizetype maxChars) {
    if (text.size() <= maxChars || maxChars < 2)
        return text;
    qsizetype end = maxChars - 1;
    if (text.at(end - 1).isHighSurrogate())
        --end;
    text.truncate(end);
    text.append(QChar(0x2026));
    return text;
}

} // namespace TextLimit

namespace WebAddress {

std::optional<QUrl> openable(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    if (url.scheme() != u"http" && url.scheme() != u"https")
        return std::nullopt;
    return url;
}

} // namespace WebAddress

} // namespace quelvio
