#include "Presentation/ProductOrdering.h"

#include "Presentation/ValueFormat.h"

#include <algorithm>
#include <vector>

namespace quelvio {

namespace ProductOrdering {

namespace {

std::optional<double> priceKey(const Product& product) {
    return PriceFormat::doubleValue(product.price);
}

std::optional<double> changeKey(const Product& product) {
    return product.changePct;
}

template <typename T, typename ProductOf>
QList<T> sortedBy(const QList<T>& elements, ProductSort sort, ProductOf productOf) {
    std::optional<double> (*key)(const Product&) = nullptr;
    bool ascending = true;
    switch (sort) {
    case ProductSort::goodwill:
    case ProductSort::value:
    case ProductSort::lastSeen:
        return elements;
    case ProductSort::priceAsc:
    case ProductSort::priceDesc:
        key = priceKey;
        ascending = sort == ProductSort::priceAsc;
        break;
    case ProductSort::changeAsc:
    case ProductSort::changeDesc:
        key = changeKey;
        ascending = sort == ProductSort::changeAsc;
        break;
    }

    // Keys are read once; the stable sort keeps the input order wherever the keys do not decide.
    struct Keyed {
        std::optional<double> key;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(elements.size());
    for (qsizetype i = 0; i < elements.size(); ++i) {
        const Product* product = productOf(elements[i]);
        keyed.push_back({product ? key(*product) : std::nullopt, i});
    }
    std::ranges::stable_sort(keyed, [ascending](const Keyed& a, const Keyed& b) {
        if (a.key && b.key) {
            const double ka = *a.key;
            const double kb = *b.key;
            return ascending ? ka < kb : kb < ka;
        }
        return a.key.has_value() && !b.key.has_value();
    });

    QList<T> result;
    result.reserve(elements.size());
    for (const Keyed& k : keyed)
        result.append(elements[k.index]);
    return result;
}

} // namespace

QList<Product> sorted(const QList<Product>& products, ProductSort sort) {
    return sortedBy(products, sort, [](const Product& p) { return &p; });
}

QList<Reaction> sortedReactions(const QList<Reaction>& reactions, ProductSort sort) {
    return sortedBy(reactions, sort,
                    [](const Reaction& r) -> const Product* { return r.product ? &*r.product : nullptr; });
}

Partition partitionOwnDowns(const QList<Product>& products, const QSet<qint64>& downIDs, ProductSort sort) {
    if (!sinksOwnDowns(sort) || downIDs.isEmpty())
        return Partition{products, {}};
    Partition partition;
    for (const Product& product : products)
        (downIDs.contains(product.id) ? partition.sunk : partition.feed).append(product);
    return partition;
}

QList<Product> sinkingOwnDowns(const QList<Product>& products, const QSet<qint64>& downIDs,
                               ProductSort sort) {
    return partitionOwnDowns(products, downIDs, sort).all();
}

QList<Product> retainingMissing(const QList<Product>& products, const QList<Product>& extra) {
    if (extra.isEmpty())
        return products;
    QSet<qint64> ids;
    ids.reserve(products.size());
    for (const Product& product : products)
        ids.insert(product.id);
    QList<Product> result = products;
    for (const Product& product : extra)
        if (!ids.contains(product.id))
            result.append(product);
    return result;
}

} // namespace ProductOrdering

namespace ProductPaging {

bool canLoadMore(qint64 received, qint64 requestedLimit) {
    return requestedLimit > 0 && received >= requestedLimit;
}

qint64 refreshLimit(qint64 loadedCount) {
    return std::clamp(loadedCount, pageSize, maxLimit);
}

QList<Product> appendingUnique(const QList<Product>& loaded, const QList<Product>& page) {
    QSet<qint64> ids;
    ids.reserve(loaded.size() + page.size());
    for (const Product& product : loaded)
        ids.insert(product.id);
    QList<Product> result = loaded;
    for (const Product& product : page) {
        if (ids.contains(product.id))
            continue;
        ids.insert(product.id);
        result.append(product);
    }
    return result;
}

} // namespace ProductPaging

} // namespace quelvio
