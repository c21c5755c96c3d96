#pragma once

#include "Models/CatalogRecords.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// A product's price history as plottable samples, and the lowest price of the recent days.
namespace quelvio {

struct PriceHistorySample {
    qint64 id = 0;
    QDateTime date{};
    double price = 0;
    QString priceText{};
    QString capturedAt{};

    bool operator==(const PriceHistorySample&) const = default;
};

struct PeriodLowQuote {
    qint64 days = 0;
    QString price{};

    // "近7日低价"
    QString label() const;

    bool operator==(const PeriodLowQuote&) const = default;
};

namespace PriceHistorySeries {
// The last limit snapshots in the server's order, less those without a readable time or price.
QList<PriceHistorySample> samples(const QList<PriceSnapshot>& snapshots, qsizetype limit);
} // namespace PriceHistorySeries

namespace SparklineSeries {
QList<double> values(const QList<PriceSnapshot>& snapshots, qsizetype limit);
} // namespace SparklineSeries

namespace PeriodLow {
inline constexpr qint64 windowDays = 7;

// The server's own period low, when it computed one.
std::optional<PeriodLowQuote> fromListedProduct(const Product& product);
// The lowest readable price of the last seven days, for a product at least seven days old.
// Snapshots without a readable time count as inside the window.
std::optional<PeriodLowQuote> fromHistory(const std::optional<QString>& firstSeenAt,
                                          const QList<PriceSnapshot>& snapshots, const QDateTime& now);
} // namespace PeriodLow

} // namespace quelvio
