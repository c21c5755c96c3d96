#include "Presentation/PriceHistory.h"

#include "Presentation/ValueFormat.h"

#include <algorithm>

namespace quelvio {

QString PeriodLowQuote::label() const {
    return QStringLiteral("近%1日低价").arg(days);
}

namespace PriceHistorySeries {

QList<PriceHistorySample> samples(const QList<PriceSnapshot>& snapshots, qsizetype limit) {
    const qsizetype taken = std::clamp<qsizetype>(limit, 0, snapshots.size());
    QList<PriceHistorySample> result;
    result.reserve(taken);
    for (const PriceSnapshot& snapshot : snapshots.last(taken)) {
        const std::optional<QDateTime> date = RFC3339Date::parse(snapshot.capturedAt);
        const std::optional<double> price = PriceFormat::doubleValue(snapshot.price);
        if (!date || !price)
            continue;
        result.append(PriceHistorySample{snapshot.id, *date, *price, snapshot.price, snapshot.capturedAt});
    }
    return result;
}

} // namespace PriceHistorySeries

namespace SparklineSeries {

QList<double> values(const QList<PriceSnapshot>& snapshots, qsizetype limit) {
    QList<double> result;
    for (const PriceHistorySample& sample : PriceHistorySeries::samples(snapshots, limit))
        result.append(sample.price);
    return result;
}

} // namespace SparklineSeries

namespace PeriodLow {

std::optional<PeriodLowQuote> fromListedProduct(const Product& product) {
    if (!product.periodLowPrice || product.periodLowPrice->isEmpty())
        return std::nullopt;
    return PeriodLowQuote{product.periodLowDays.value_or(windowDays), *product.periodLowPrice};
}

std::optional<PeriodLowQuote> fromHistory(const std::optional<QString>& firstSeenAt,
                                          const QList<PriceSnapshot>& snapshots, const QDateTime& now) {
    if (!CatalogAge::qualifiesForPeriodLow(firstSeenAt, now))
        return std::nullopt;
    const QDateTime windowStart = now.addSecs(-windowDays * 86'400);

    const PriceSnapshot* lowest = nullptr;
    double lowestPrice = 0;
    for (const PriceSnapshot& snapshot : snapshots) {
        const std::optional<QDateTime> capturedAt = RFC3339Date::parse(snapshot.capturedAt);
        if (capturedAt && *capturedAt < windowStart)
            continue;
        const std::optional<double> price = PriceFormat::doubleValue(snapshot.price);
        if (!price)
            continue;
        // Strictly lower only: among equal lows the earliest in the list stays.
        if (!lowest || *price < lowestPrice) {
            lowest = &snapshot;
            lowestPrice = *price;
        }
    }
    if (!lowest)
        return std::nullopt;
    return PeriodLowQuote{windowDays, lowest->price};
}

} // namespace PeriodLow

} // namespace quelvio
