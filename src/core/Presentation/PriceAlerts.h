#pragma once

#include "Models/CatalogRecords.h"

#include <QList>
#include <QString>
#include <optional>

// When a favourite gets cheaper: the rule that finds the drop and the notification that tells it.
namespace quelvio {

// A price as last seen, with what it is counted in; only a price in the same terms compares.
struct SeenPrice {
    QString price;
    std::optional<QString> currency;
    std::optional<QString> unit;

    bool operator==(const SeenPrice&) const = default;
};

struct PriceDrop {
    Product product; // as it is now
    SeenPrice before;
};

struct PriceAlert {
    QString title;
    QString body;
    std::optional<qint64> productID; // what the notification opens; none: the favourites tab
};

namespace PriceAlerts {
// More drops than this in one refresh are told in one summary.
inline constexpr qsizetype separateAlertLimit = 3;

// The product's price as it should be remembered; nothing when it has no readable price.
std::optional<SeenPrice> seenPrice(const Product& product);
// A drop when the price is lower than before in the same currency and unit.
std::optional<PriceDrop> drop(const Product& product, const std::optional<SeenPrice>& before);
// One notification per drop, or one summary for more than separateAlertLimit.
QList<PriceAlert> alerts(const QList<PriceDrop>& drops);
} // namespace PriceAlerts

} // namespace quelvio
