#pragma once

#include "Models/CatalogRecords.h"
#include "Presentation/PriceAxis.h"
#include "Presentation/PriceHistory.h"
#include "ThemeCatalog.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QRectF>
#include <QString>
#include <QTimeZone>
#include <optional>

// Every text, colour and hover decision of the price chart, apart from the painting.
namespace quelvio::PriceChartRules {

inline constexpr qsizetype sampleLimit = 80;

QList<PriceHistorySample> samples(const QList<PriceSnapshot>& snapshots);

// The one line shown instead of a chart: fewer than two plottable samples.
std::optional<QString> emptyText(const QList<PriceSnapshot>& snapshots,
                                 const QList<PriceHistorySample>& samples);

enum class LineTone { accent, accentSecondary, danger, success };
// Flat is neutral; a move is good or bad by direction and by whether a rise hurts.
LineTone lineTone(const QList<PriceHistorySample>& samples, bool risingIsBad);
QColor toneColor(LineTone tone, const ThemePalette& palette);

// Nearest by absolute time difference; of two equally near, the older one.
std::optional<qsizetype> nearestSampleIndex(const QList<PriceHistorySample>& samples,
                                            const std::optional<QDateTime>& hoverDate);

struct Header {
    QString title;  // 12 points
    QString detail; // 10 points
    bool operator==(const Header&) const = default;
};
// The selected sample's price and time, or else the first and last price and the count.
Header header(const QList<PriceHistorySample>& samples, std::optional<qsizetype> selected,
              const std::optional<QString>& currency, const std::optional<QString>& unit,
              const QTimeZone& timeZone);

// The chart in words, for assistive technology: "30 点，最低 ¥363.60，最高 ¥413.22，最新 ¥400.70";
// the empty text where there is no chart.
QString summary(const QList<PriceSnapshot>& snapshots, const QList<PriceHistorySample>& samples,
                const std::optional<QString>& currency, const std::optional<QString>& unit);

// "MM-dd" in the POSIX locale, in the given zone.
QString dateLabel(const QDateTime& date, const QTimeZone& timeZone);
// Whole and large values without decimals, tens with one, the rest with two.
QString axisPrice(double value);

using PriceAxis::priceTicks;
using PriceAxis::Scale;

struct AxisLabel {
    double position = 0; // x for dates, y for prices, in item coordinates
    QString text;
    bool operator==(const AxisLabel&) const = default;
};
// Evenly spread dates; a label equal to the one before it is dropped.
QList<AxisLabel> xAxisLabels(const Scale& scale, int maxCount, const QTimeZone& timeZone);
QList<AxisLabel> yAxisLabels(const Scale& scale);

} // namespace quelvio::PriceChartRules
