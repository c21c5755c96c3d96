#pragma once

#include "Models.h"

#include <QSet>

namespace quelvio {

// The user's own product marks as id sets.
struct ReactionMarks {
    QSet<qint64> favorite;
    QSet<qint64> down;
    QSet<qint64> reported;

    // A listing is authoritative for each product it lists: every mark is set or cleared from its
    // flags (no flags: all cleared). A forced id stays marked down whatever the listing says.
    ReactionMarks mergingListed(const QList<Product>& products, const QSet<qint64>& forcedDownIDs) const;

    bool operator==(const ReactionMarks&) const = default;
};

} // namespace quelvio
