#pragma once

#include "Models/CatalogRecords.h"
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

// "MM-dd" in the POSIX locale, in the given zone.
QString dateLabel(const QDateTime& date, const QTimeZone& timeZone);
// Whole and large values without decimals, tens with one, the rest with two.
QString axisPrice(double value);

// Evenly stepped values of 1, 2 or 5 times a power of ten, covering [low, high] with at most
// about maxCount of them.
QList<double> priceTicks(double low, double high, int maxCount);

// Maps dates and prices onto the plot rectangle and pointer positions back onto dates.
class Scale {
public:
    Scale() = default;
    // The price domain starts at zero for non-negative prices (the area is filled down to it) and
    // ends on a tick; a single instant is widened to a day around it.
    Scale(const QList<PriceHistorySample>& samples, const QRectF& plot, int maxTicks = 5);

    const QRectF& plot() const { return m_plot; }
    const QList<double>& ticks() const { return m_ticks; }
    QList<QDateTime> dateTicks(int maxCount) const;

    double x(const QDateTime& date) const;
    double y(double price) const;
    // From the pointer's distance to the plot's left edge; nothing outside the plot's width.
    std::optional<QDateTime> dateAt(double xFromPlotLeft) const;

private:
    QRectF m_plot;
    qint64 m_firstMs = 0;
    qint64 m_lastMs = 0;
    double m_low = 0;
    double m_high = 1;
    QList<double> m_ticks;
};

struct AxisLabel {
    double position = 0; // x for dates, y for prices, in item coordinates
    QString text;
    bool operator==(const AxisLabel&) const = default;
};
// Evenly spread dates; a label equal to the one before it is dropped.
QList<AxisLabel> xAxisLabels(const Scale& scale, int maxCount, const QTimeZone& timeZone);
QList<AxisLabel> yAxisLabels(const Scale& scale);

} // namespace quelvio::PriceChartRules
