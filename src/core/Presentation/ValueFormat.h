#pragma once

#include "Models/CatalogRecords.h"

#include <QDateTime>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <QUrl>
#include <array>
#include <optional>

// Raw server values turned into the short texts the views show, and the small checks and keys that
// go with them. Nothing here keeps state or fails: a missing value shows as the placeholder.
namespace quelvio {

inline constexpr QStringView missingValuePlaceholder = u"—";

namespace PriceFormat {
// The decimal grammar only (optional sign, digits with one ".", optional exponent): no blanks,
// "inf", "nan" or hex forms. A number beyond a double's range (1e400, 1e-400) reads as nothing.
std::optional<double> doubleValue(const std::optional<QString>& text);
// "¥" for CNY and RMB, "$" for USD, any other currency as written plus a space; the amount as sent.
QString money(const std::optional<QString>& amount, const std::optional<QString>& currency);
// What money() puts before the amount: "¥", "$", "EUR " or nothing.
QString currencyPrefix(const std::optional<QString>& currency);
QString unit(const std::optional<QString>& unit);
QString display(const std::optional<QString>& price, const std::optional<QString>& currency,
                const std::optional<QString>& unit);
// A percentage already: +3.26%, -1.50%, +0.00%.
QString changePercent(std::optional<double> percent);
} // namespace PriceFormat

namespace RFC3339Date {
// Only the full internet date-time: date, "T", time with seconds, optional fraction, then "Z" or
// an offset with a colon. Gives the instant in UTC.
std::optional<QDateTime> parse(const std::optional<QString>& text);
} // namespace RFC3339Date

namespace TimeFormat {
// "MM-dd HH:mm" cut from the text as written, without any time-zone conversion.
QString utcSlice(const std::optional<QString>& text);
// "MM-dd HH:mm" of the instant in the given zone; text that is no date-time is sliced instead.
QString compact(const std::optional<QString>& text, const QTimeZone& timeZone);
QString utcCompact(const std::optional<QString>& text);
} // namespace TimeFormat

namespace GoodwillFormat {
QString number(qint64 value);
} // namespace GoodwillFormat

namespace CatalogAge {
inline constexpr qint64 periodLowMinimumDays = 7;
// Whole days from one instant to the next, truncated toward zero (negative when from is later).
qint64 elapsedWholeDays(const QDateTime& from, const QDateTime& now);
// Never negative; nothing when the timestamp is missing or no date-time.
std::optional<qint64> dayCount(const std::optional<QString>& firstSeenAt, const QDateTime& now);
bool qualifiesForPeriodLow(const std::optional<QString>& firstSeenAt, const QDateTime& now);
} // namespace CatalogAge

namespace ProductCategoryDisplay {
inline constexpr std::array<QLatin1StringView, 8> browseOrder{
    QLatin1StringView("codex"),   QLatin1StringView("grok"),   QLatin1StringView("claude"),
    QLatin1StringView("gemini"),  QLatin1StringView("cursor"), QLatin1StringView("sms"),
    QLatin1StringView("llm_api"), QLatin1StringView("other")};
QString title(const QString& key);
// Known keys in browse order, then unknown ones by key.
QList<ProductCategory> sorted(QList<ProductCategory> categories);
} // namespace ProductCategoryDisplay

namespace ProductSubtypeDisplay {
QString title(const QString& key);
// The subtype filter chips offered for a category; empty when it has none.
QStringList options(QStringView category);
} // namespace ProductSubtypeDisplay

// Keys that index the user's reactions by what they are on.
namespace TargetKey {
QString product(qint64 id);
QString source(qint64 id);
QString make(QStringView targetType, qint64 sourceID, qint64 productID);
} // namespace TargetKey

// Checks made before credentials are sent. Lengths count user-perceived characters.
namespace AuthValidation {
inline constexpr QStringView invalidUsernameMessage = u"用户名需 3–32 位字母数字下划线";
inline constexpr QStringView invalidPasswordMessage = u"密码需 6–72 位";
// Trimmed first; letters, marks and digits of any script, or "_".
bool isUsername(QStringView username);
// Never trimmed.
bool isPassword(QStringView password);
} // namespace AuthValidation

// Free texts from a server, cut to a length a view can lay out.
namespace TextLimit {
// A row shows this much of a name; the detail shows what decoding kept.
inline constexpr qsizetype rowChars = 200;
// At most maxChars characters, "…" last when cut; never half a character.
QString clipped(QString text, qsizetype maxChars);
} // namespace TextLimit

// Addresses a server supplies that the desktop may be asked to open.
namespace WebAddress {
// The address when it is http or https with a host; nothing for any other scheme (file:, smb:,
// a custom handler), a relative address or one without a host.
std::optional<QUrl> openable(const QString& text);
} // namespace WebAddress

} // namespace quelvio
