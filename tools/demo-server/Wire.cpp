#include "Wire.h"

#include <algorithm>
#include <cmath>

namespace quelvio::demo::wire {

QString time(const QDateTime& at) {
    return at.toUTC().toString(Qt::ISODate);
}

QJsonObject source(const Shop& shop) {
    QJsonObject o{
        {"id", shop.id},
        {"slug", shop.slug},
        {"name", shop.name},
        {"base_url", shop.baseUrl},
        {"homepage_url", shop.homepageUrl},
        {"product_url", shop.productUrl},
        {"kind", shop.kind},
        {"enabled", shop.enabled},
        {"included", shop.included},
        {"scrape_interval_sec", shop.scrapeIntervalSec},
        {"rate_limit_rps", shop.rateLimitRps},
    };
    if (!shop.requestedBy.isEmpty())
        o.insert("requested_by", shop.requestedBy);
    if (!shop.adapter.isEmpty())
        o.insert("adapter", shop.adapter);
    return o;
}

QJsonObject product(const Catalogue& catalogue, const Item& item, const QDateTime& now,
                    std::optional<qint64> viewer) {
    const PricePoint& current = item.current();
    QJsonObject o{
        {"id", item.id},
        {"external_key", item.externalKey},
        {"name", item.name},
        {"category", item.category},
        {"product_url", item.productUrl},
        {"currency", item.currency},
        {"unit", item.unit},
        {"is_active", item.active},
        {"price", Catalogue::centsText(current.cents)},
        {"captured_at", time(current.at)},
        {"first_seen_at", time(item.firstSeen)},
        {"last_seen_at", time(item.lastSeen)},
        {"in_stock", item.inStock},
        {"is_new", catalogue.isNew(item, now)},
        {"is_moved", item.moved},
    };
    if (current.outputCents)
        o.insert("output_price", Catalogue::centsText(*current.outputCents));
    if (current.compareCents)
        o.insert("compare_at_price", Catalogue::centsText(*current.compareCents));
    if (const Shop* shop = catalogue.shopById(item.shopId))
        o.insert("source", source(*shop));

    QJsonObject metadata{{"source_category", item.sourceCategory}};
    if (item.stock.isString() || item.stock.isDouble())
        metadata.insert("stock", item.stock);
    if (!item.subtype.isEmpty())
        metadata.insert("subtype", item.subtype);
    o.insert("metadata", metadata);

    if (item.changePct)
        o.insert("change_pct", *item.changePct);
    if (item.oldCents)
        o.insert("old_price", Catalogue::centsText(*item.oldCents));
    if (const auto low = catalogue.periodLowCents(item, now)) {
        o.insert("period_low_price", Catalogue::centsText(*low));
        o.insert("period_low_days", 7);
        // Only a price that was higher at some point counts as having come down to its low.
        const bool wasHigher = std::any_of(item.history.begin(), item.history.end(),
                                           [&](const PricePoint& p) { return p.cents > *low; });
        o.insert("at_period_low", current.cents == *low && wasHigher);
    } else {
        o.insert("at_period_low", false);
    }
    const ItemScores scores = catalogue.scores(item.id);
    o.insert("favorite_score", scores.favorites);
    o.insert("down_score", scores.downs);
    o.insert("goodwill", scores.goodwill());
    if (viewer) {
        o.insert("my", QJsonObject{
                           {"favorite", catalogue.hasMark(*viewer, QStringLiteral("favorite"), item.id)},
                           {"down", catalogue.hasMark(*viewer, QStringLiteral("down"), item.id)},
                           {"report", catalogue.hasMark(*viewer, QStringLiteral("report"), item.id)},
                       });
    }
    return o;
}

QJsonObject snapshot(const Catalogue& catalogue, const Item& item, const PricePoint& point) {
    QJsonObject o{
        {"id", point.id},
        {"product_id", item.id},
        {"price", Catalogue::centsText(point.cents)},
        {"currency", item.currency},
        {"unit", item.unit},
        {"captured_at", time(point.at)},
    };
    if (point.outputCents)
        o.insert("output_price", Catalogue::centsText(*point.outputCents));
    if (point.compareCents)
        o.insert("compare_at_price", Catalogue::centsText(*point.compareCents));
    if (const Shop* shop = catalogue.shopById(item.shopId))
        o.insert("source", source(*shop));
    return o;
}

QJsonObject priceChange(const Catalogue& catalogue, const Item& item, const PricePoint& before,
                        const PricePoint& after) {
    QJsonObject o{
        {"product_id", item.id},
        {"name", item.name},
        {"external_key", item.externalKey},
        {"currency", item.currency},
        {"unit", item.unit},
        {"old_price", Catalogue::centsText(before.cents)},
        {"new_price", Catalogue::centsText(after.cents)},
        {"change_pct",
         std::round(double(after.cents - before.cents) / double(before.cents) * 10000.0) / 100.0},
        {"captured_at", time(after.at)},
    };
    if (before.outputCents)
        o.insert("old_output_price", Catalogue::centsText(*before.outputCents));
    if (after.outputCents)
        o.insert("new_output_price", Catalogue::centsText(*after.outputCents));
    if (const Shop* shop = catalogue.shopById(item.shopId))
        o.insert("source", source(*shop));
    return o;
}

QJsonObject run(const Catalogue& catalogue, const Run& run) {
    QJsonObject o{
        {"id", run.id},
        {"source_id", run.shopId},
        {"status", run.status},
        {"started_at", time(run.startedAt)},
    };
    if (const Shop* shop = catalogue.shopById(run.shopId)) {
        o.insert("source_slug", shop->slug);
        o.insert("source_name", shop->name);
    }
    if (run.finishedAt)
        o.insert("finished_at", time(*run.finishedAt));
    if (run.itemsUpserted)
        o.insert("items_upserted", *run.itemsUpserted);
    if (!run.errorMessage.isEmpty())
        o.insert("error_message", run.errorMessage);
    if (run.durationMs)
        o.insert("duration_ms", *run.durationMs);
    return o;
}

QJsonObject user(const Account& account) {
    return {
        {"id", account.id},
        {"username", account.username},
        {"role", account.role},
        {"is_member", account.isMember()},
        {"is_admin", account.isAdmin()},
        {"created_at", time(account.createdAt)},
    };
}

QJsonObject reaction(const Catalogue& catalogue, const Mark& mark, const QDateTime& now,
                     std::optional<qint64> viewer) {
    QJsonObject o{
        {"id", mark.id},
        {"kind", mark.kind},
        {"target_type", mark.targetType},
        {"created_at", time(mark.createdAt)},
    };
    if (!mark.note.isEmpty())
        o.insert("note", mark.note);
    if (mark.productId) {
        o.insert("product_id", mark.productId);
        if (const Item* item = catalogue.itemById(mark.productId))
            o.insert("product", product(catalogue, *item, now, viewer));
    } else if (const Shop* shop = catalogue.shopById(mark.shopId)) {
        o.insert("source", source(*shop));
    }
    return o;
}

QJsonObject code(const Code& code) {
    QJsonObject o{
        {"id", code.id},
        {"code", code.code},
        {"role", code.role},
        {"max_uses", code.maxUses},
        {"used_count", code.usedCount},
        {"created_at", time(code.createdAt)},
    };
    if (!code.note.isEmpty())
        o.insert("note", code.note);
    if (code.expiresAt)
        o.insert("expires_at", time(*code.expiresAt));
    return o;
}

QJsonObject scrapeResult(const ScrapeOutcome& outcome) {
    QJsonObject o{
        {"source", outcome.slug},
        {"status", outcome.status},
        {"items_upserted", outcome.itemsUpserted},
        {"duration_ms", outcome.durationMs},
    };
    if (outcome.runId)
        o.insert("run_id", outcome.runId);
    if (!outcome.error.isEmpty())
        o.insert("error", outcome.error);
    return o;
}

QJsonObject itemList(const QJsonArray& items) {
    return {{"items", items}};
}

QJsonObject error(const QString& text) {
    return {{"error", text}};
}

} // namespace quelvio::demo::wire
