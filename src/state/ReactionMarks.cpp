#include "ReactionMarks.h"

namespace quelvio {

namespace {

void mark(QSet<qint64>& set, qint64 id, bool on) {
    if (on)
        set.insert(id);
    else
        set.remove(id);
}

} // namespace

ReactionMarks ReactionMarks::mergingListed(const QList<Product>& products,
                                           const QSet<qint64>& forcedDownIDs) const {
    ReactionMarks merged = *this;
    for (const Product& product : products) {
        const ReactionFlags my = product.my.value_or(ReactionFlags{});
        mark(merged.favorite, product.id, my.isFavorite());
        mark(merged.down, product.id, forcedDownIDs.contains(product.id) || my.isDown());
        mark(merged.reported, product.id, my.isReported());
    }
    return merged;
}

} // namespace quelvio
