#pragma once

#include "Models/CatalogRecords.h"

#include <QHash>
#include <QList>
#include <QString>
#include <array>
#include <optional>

// When a favourite gets cheaper: the rules that decide what to tell and the notifications that
// tell it.
namespace quelvio {

// A price as last seen, with what it is counted in; only a price in the same terms compares.
struct SeenPrice {
    QString price;
    std::optional<QString> currency;
    std::optional<QString> unit;

    bool operator==(const SeenPrice&) const = default;
};

// What the user asked of one favourite's alerts. A rule outlives the star: un-starring leaves it
// dormant.
struct PriceRule {
    std::optional<SeenPrice> target; // tell when the price is at or under it
    bool targetTold = false;         // told, and the price has not been above the target since
    bool muted = false;              // no alert of any kind for this product

    bool isEmpty() const { return !target && !muted; }
    bool operator==(const PriceRule&) const = default;
};

// What alerts keep for one account: the baselines and the rules.
struct AlertBook {
    QHash<qint64, SeenPrice> seen;
    QHash<qint64, PriceRule> rules;

    bool operator==(const AlertBook&) const = default;
};

// One product as alerts follow it.
struct PriceWatch {
    std::optional<SeenPrice> seen;
    // Loads are stamped when they are asked; `seen` came from the load with this stamp (0: a
    // load of an earlier run).
    quint64 seenAskedAt = 0;
    PriceRule rule;

    bool operator==(const PriceWatch&) const = default;
};

struct PriceDrop {
    Product product; // as it is now
    SeenPrice before;
};

struct TargetReached {
    Product product; // as it is now
    SeenPrice target;
};

struct PriceAlert {
    QString title;
    QString body;
    // What the notification opens, and what muting it silences; none: the favourites tab.
    std::optional<qint64> productID;
};

// What one observation of a product's price leaves behind and tells.
struct Observed {
    PriceWatch watch;
    std::optional<PriceDrop> drop;
    std::optional<TargetReached> reached;
};

namespace PriceAlerts {
// More alerts of one kind than this in one refresh are told in one summary.
inline constexpr qsizetype separateAlertLimit = 3;
// The smallest drop, in percent of the price before, an ordinary alert needs (a setting).
inline constexpr std::array<int, 4> minimumDropChoices{0, 1, 5, 10};

// The product's price as it should be remembered; nothing when it has no readable price.
std::optional<SeenPrice> seenPrice(const Product& product);
// A drop when the price is lower than before in the same currency and unit.
std::optional<PriceDrop> drop(const Product& product, const std::optional<SeenPrice>& before);
// A target the user typed, in the product's currency and unit; nothing unless it is a positive
// decimal number.
std::optional<SeenPrice> target(const QString& text, const Product& product);

// A load asked at askedAt shows the product. An observation older than the one that set the
// baseline changes nothing. A drop smaller than minimumDropPercent keeps the baseline where it
// was, so that small steps add up to one alert; a target reached is told once until the price
// goes back above it, and stands in for the drop it came with. A muted product is followed but
// never told.
Observed observe(const PriceWatch& watch, const Product& product, quint64 askedAt, int minimumDropPercent);

// One notification per drop or target, or one summary per kind beyond separateAlertLimit.
QList<PriceAlert> alerts(const QList<PriceDrop>& drops, const QList<TargetReached>& reached = {});
} // namespace PriceAlerts

} // namespace quelvio
