#pragma once

#include "Presentation/PriceHistory.h"

#include <QDateTime>
#include <QList>
#include <QRectF>

// The price chart's axes: where ticks go and how dates and prices map onto the plot. Prices come
// from the server, so every loop and every division here holds for any finite value.
namespace quelvio::PriceAxis {

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

} // namespace quelvio::PriceAxis
