#include "PriceChartRules.h"

#include "Presentation/ValueFormat.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

namespace quelvio::PriceChartRules {

QList<PriceHistorySample> samples(const QList<PriceSnapshot>& snapshots) {
    return PriceHistorySeries::samples(snapshots, sampleLimit);
}

std::optional<QString> emptyText(const QList<PriceSnapshot>& snapshots,
                                 const QList<PriceHistorySample>& samples) {
    if (samples.size() >= 2)
        return std::nullopt;
    return snapshots.isEmpty() ? QStringLiteral("暂无历史点") : QStringLiteral("历史点不足");
}

LineTone lineTone(const QList<PriceHistorySample>& samples, bool risingIsBad) {
    if (samples.isEmpty())
        return LineTone::accent;
    const double first = samples.first().price;
    const double last = samples.last().price;
    if (first == last)
        return LineTone::accentSecondary;
    const bool rose = last > first;
    return rose == risingIsBad ? LineTone::danger : LineTone::success;
}

QColor toneColor(LineTone tone, const ThemePalette& palette) {
    switch (tone) {
    case LineTone::accent:
        return palette.accent;
    case LineTone::accentSecondary:
        return palette.accentSecondary;
    case LineTone::danger:
        return palette.danger;
    case LineTone::success:
        return palette.success;
    }
    return palette.accent;
}

std::optional<qsizetype> nearestSampleIndex(const QList<PriceHistorySample>& samples,
                                            const std::optional<QDateTime>& hoverDate) {
    if (!hoverDate || !hoverDate->isValid() || samples.isEmpty())
        return std::nullopt;
    qsizetype best = 0;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (qsizetype i = 0; i < samples.size(); ++i) {
        const qint64 distance = std::abs(hoverDate->msecsTo(samples[i].date));
        // The list is normally oldest first; comparing dates keeps "the older one" true otherwise.
        if (distance < bestDistance || (distance == bestDistance && samples[i].date < samples[best].date)) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

Header header(const QList<PriceHistorySample>& samples, std::optional<qsizetype> selected,
              const std::optional<QString>& currency, const std::optional<QString>& unit,
              const QTimeZone& timeZone) {
    if (selected && *selected >= 0 && *selected < samples.size()) {
        const PriceHistorySample& sample = samples[*selected];
        return {PriceFormat::money(sample.priceText, currency) + PriceFormat::unit(unit),
                TimeFormat::compact(sample.capturedAt, timeZone)};
    }
    if (samples.isEmpty())
        return {};
    return {PriceFormat::money(samples.first().priceText, currency) + QStringLiteral("  →  ") +
                PriceFormat::money(samples.last().priceText, currency),
            QString::number(samples.size()) + QStringLiteral(" 点 · 悬停查看")};
}

QString summary(const QList<PriceSnapshot>& snapshots, const QList<PriceHistorySample>& samples,
                const std::optional<QString>& currency, const std::optional<QString>& unit) {
    if (const std::optional<QString> empty = emptyText(snapshots, samples))
        return *empty;
    const auto [low, high] = std::ranges::minmax_element(samples, {}, &PriceHistorySample::price);
    const auto price = [&](const PriceHistorySample& sample) {
        return PriceFormat::money(sample.priceText, currency) + PriceFormat::unit(unit);
    };
    return QStringLiteral("%1 点，最低 %2，最高 %3，最新 %4")
        .arg(samples.size())
        .arg(price(*low), price(*high), price(samples.last()));
}

QString dateLabel(const QDateTime& date, const QTimeZone& timeZone) {
    return QLocale::c().toString(date.toTimeZone(timeZone), u"MM-dd");
}

QString axisPrice(double value) {
    if (value >= 100 || value == std::trunc(value))
        return QString::asprintf("%.0f", value);
    if (value >= 10)
        return QString::asprintf("%.1f", value);
    return QString::asprintf("%.2f", value);
}

QList<AxisLabel> xAxisLabels(const Scale& scale, int maxCount, const QTimeZone& timeZone) {
    QList<AxisLabel> labels;
    for (const QDateTime& date : scale.dateTicks(maxCount)) {
        const QString text = dateLabel(date, timeZone);
        if (!labels.isEmpty() && labels.last().text == text)
            continue;
        labels.append({scale.x(date), text});
    }
    return labels;
}

QList<AxisLabel> yAxisLabels(const Scale& scale) {
    QList<AxisLabel> labels;
    for (double tick : scale.ticks())
        labels.append({scale.y(tick), axisPrice(tick)});
    return labels;
}

} // namespace quelvio::PriceChartRules
