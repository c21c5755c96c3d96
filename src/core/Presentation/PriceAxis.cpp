#include "Presentation/PriceAxis.h"

#include <QTimeZone>
#include <algorithm>
#include <cmath>

namespace quelvio::PriceAxis {

QList<double> priceTicks(double low, double high, int maxCount) {
    if (!std::isfinite(low) || !std::isfinite(high) || maxCount < 1)
        return {};
    if (high < low)
        std::swap(low, high);
    if (high == low)
        high = low + (low == 0 ? 1 : std::abs(low) * 0.1);
    // Halves keep the span finite for any two finite prices.
    const double rawStep = (high / 2 - low / 2) / std::max(1, maxCount - 1) * 2;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rawStep)));
    const double normalized = rawStep / magnitude;
    const double step = (normalized <= 1 ? 1 : normalized <= 2 ? 2 : normalized <= 5 ? 5 : 10) * magnitude;
    const double first = std::floor(low / step);
    const double count = std::ceil(high / step) - first + 1;
    // A span too small or too large for doubles to step through (denormals, an overflowing
    // range, steps lost in a huge magnitude) falls back to its two ends.
    if (!(step > 0) || !std::isfinite(step) || !std::isfinite(count) || count > 2.0 * maxCount + 2 ||
        std::abs(first) > 0x1p52 || !std::isfinite(first * step) || !std::isfinite((first + count - 1) * step))
        return high > low ? QList<double>{low, high} : QList<double>{low};
    QList<double> ticks;
    for (int i = 0; i < int(count); ++i)
        ticks.append((first + i) * step);
    return ticks;
}

Scale::Scale(const QList<PriceHistorySample>& samples, const QRectF& plot, int maxTicks)
    : m_plot(plot) {
    if (samples.isEmpty())
        return;
    const auto [earliest, latest] = std::minmax_element(
        samples.begin(), samples.end(), [](const auto& a, const auto& b) { return a.date < b.date; });
    m_firstMs = earliest->date.toMSecsSinceEpoch();
    m_lastMs = latest->date.toMSecsSinceEpoch();
    if (m_firstMs == m_lastMs) {
        m_firstMs -= 12 * 3'600'000LL;
        m_lastMs += 12 * 3'600'000LL;
    }
    const auto [lowest, highest] = std::minmax_element(
        samples.begin(), samples.end(), [](const auto& a, const auto& b) { return a.price < b.price; });
    m_ticks = priceTicks(std::min(0.0, lowest->price), std::max(0.0, highest->price), maxTicks);
    if (m_ticks.size() >= 2) {
        m_low = m_ticks.first();
        m_high = m_ticks.last();
    }
}

QList<QDateTime> Scale::dateTicks(int maxCount) const {
    QList<QDateTime> dates;
    if (m_lastMs <= m_firstMs || maxCount < 1)
        return dates;
    if (maxCount == 1)
        return {QDateTime::fromMSecsSinceEpoch(m_firstMs, QTimeZone::utc())};
    for (int i = 0; i < maxCount; ++i) {
        const double at = m_firstMs + double(m_lastMs - m_firstMs) * i / (maxCount - 1);
        dates.append(QDateTime::fromMSecsSinceEpoch(qint64(std::llround(at)), QTimeZone::utc()));
    }
    return dates;
}

double Scale::x(const QDateTime& date) const {
    if (m_lastMs <= m_firstMs)
        return m_plot.left();
    return m_plot.left() +
           m_plot.width() * double(date.toMSecsSinceEpoch() - m_firstMs) / double(m_lastMs - m_firstMs);
}

double Scale::y(double price) const {
    const double span = m_high - m_low;
    // A domain as wide as the double range overflows; halved, it does not.
    const double fraction = std::isfinite(span) ? (price - m_low) / span
                                                : (price / 2 - m_low / 2) / (m_high / 2 - m_low / 2);
    return m_plot.bottom() - m_plot.height() * fraction;
}

std::optional<QDateTime> Scale::dateAt(double xFromPlotLeft) const {
    if (m_lastMs <= m_firstMs || !(m_plot.width() > 0) || !std::isfinite(xFromPlotLeft) ||
        xFromPlotLeft < 0 || xFromPlotLeft > m_plot.width())
        return std::nullopt;
    const double at = m_firstMs + double(m_lastMs - m_firstMs) * xFromPlotLeft / m_plot.width();
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(at)), QTimeZone::utc());
}

} // namespace quelvio::PriceAxis
