#pragma once

#include "Models/AccountRecords.h"
#include "Models/CatalogRecords.h"
#include "Presentation/ProductSort.h"

#include <QList>
#include <QSet>

// The order in which products are shown, the trailing section of the user's own thumbed-down
// products, and how pages of products are asked for and merged.
namespace quelvio {

namespace ProductOrdering {

struct Partition {
    QList<Product> feed{};
    QList<Product> sunk{};

    QList<Product> all() const { return feed + sunk; }

    bool operator==(const Partition&) const = default;
};

// Price and change sorts order by number; equal keys keep the server's order and products
// without a key go last in both directions. The other sorts keep the server's order.
QList<Product> sorted(const QList<Product>& products, ProductSort sort);
// As sorted, keyed by each reaction's embedded product.
QList<Reaction> sortedReactions(const QList<Reaction>& reactions, ProductSort sort);

// Only the default sort sinks the down-marked products, each part keeping its order.
Partition partitionOwnDowns(const QList<Product>& products, const QSet<qint64>& downIDs, ProductSort sort);
QList<Product> sinkingOwnDowns(const QList<Product>& products, const QSet<qint64>& downIDs, ProductSort sort);

// products followed by the extra products whose id products does not hold.
QList<Product> retainingMissing(const QList<Product>& products, const QList<Product>& extra);

} // namespace ProductOrdering

namespace ProductPaging {
inline constexpr qint64 pageSize = 100;
inline constexpr qint64 maxLimit = 500;

// A full page suggests that more exist.
bool canLoadMore(qint64 received, qint64 requestedLimit);
// Re-fetches everything already shown in one request.
qint64 refreshLimit(qint64 loadedCount);
// The page's products whose ids are new, appended in order; duplicates already loaded stay.
QList<Product> appendingUnique(const QList<Product>& loaded, const QList<Product>& page);
} // namespace ProductPaging

} // namespace quelvio
