#pragma once

#include "Models/FieldList.h"

#include <QHashFunctions>
#include <QList>
#include <QString>
#include <optional>
#include <tuple>

// The records in which the server describes its catalogue. Values only: the few derived
// properties below are all the behaviour they carry.
namespace quelvio {

// The wrapper in which every list reply arrives.
template <typename T>
struct ItemList {
    QList<T> items{};

    bool operator==(const ItemList&) const = default;
    static constexpr auto fields() { return std::tuple{json::field("items", &ItemList::items)}; }
};

// A shop the server tracks, or one a user asked it to track. Identified by its slug.
struct Source {
    std::optional<qint64> id{};
    QString slug{};
    QString name{};
    std::optional<QString> baseUrl{};
    std::optional<QString> homepageUrl{};
    std::optional<QString> productUrl{};
    std::optional<QString> kind{};
    std::optional<bool> enabled{};
    std::optional<bool> included{};
    std::optional<QString> requestedBy{};
    std::optional<qint64> scrapeIntervalSec{};
    std::optional<double> rateLimitRps{};
    std::optional<QString> adapter{};

    // A requested shop the server has not taken in yet.
    bool isPending() const { return included.has_value() && !*included; }
    bool isIncluded() const { return included.value_or(true); }

    bool operator==(const Source&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("id", &Source::id),
                          field("slug", &Source::slug),
                          field("name", &Source::name),
                          field("baseUrl", &Source::baseUrl),
                          field("homepageUrl", &Source::homepageUrl),
                          field("productUrl", &Source::productUrl),
                          field("kind", &Source::kind),
                          field("enabled", &Source::enabled),
                          field("included", &Source::included),
                          field("requestedBy", &Source::requestedBy),
                          field("scrapeIntervalSec", &Source::scrapeIntervalSec),
                          field("rateLimitRps", &Source::rateLimitRps),
                          field("adapter", &Source::adapter)};
    }
};

// Hashes every field, consistent with operator==, so shops can live in QSet and QHash.
size_t qHash(const Source& source, size_t seed = 0) noexcept;

// A category key with the number of products in it.
struct ProductCategory {
    QString id{};
    qint64 count = 0;

    bool operator==(const ProductCategory&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("id", &ProductCategory::id), field("count", &ProductCategory::count)};
    }
};

// Free-form details of a product as the shop states them.
struct ProductMetadata {
    std::optional<QString> stock{};
    std::optional<QString> sourceCategory{};
    std::optional<QString> subtype{};

    bool operator==(const ProductMetadata&) const = default;
    static constexpr auto fields() {
        using json::field;
        // Shops state stock as text or as a number; either is kept as text, anything else is dropped.
        return std::tuple{json::lenientText("stock", &ProductMetadata::stock),
                          field("sourceCategory", &ProductMetadata::sourceCategory),
                          field("subtype", &ProductMetadata::subtype)};
    }
};

// The signed-in user's own marks on a product.
struct ReactionFlags {
    std::optional<bool> favorite{};
    std::optional<bool> down{};
    std::optional<bool> report{};

    bool isFavorite() const { return favorite.value_or(false); }
    bool isDown() const { return down.value_or(false); }
    bool isReported() const { return report.value_or(false); }

    bool operator==(const ReactionFlags&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("favorite", &ReactionFlags::favorite), field("down", &ReactionFlags::down),
                          field("report", &ReactionFlags::report)};
    }
};

// One product of a shop with its latest price. Only id and name are required.
struct Product {
    qint64 id = 0;
    std::optional<QString> externalKey{};
    QString name{};
    std::optional<QString> category{};
    std::optional<QString> productUrl{};
    std::optional<QString> currency{};
    std::optional<QString> unit{};
    std::optional<bool> isActive{};
    std::optional<QString> price{};
    std::optional<QString> outputPrice{};
    std::optional<QString> compareAtPrice{};
    std::optional<QString> capturedAt{};
    std::optional<QString> firstSeenAt{};
    std::optional<QString> lastSeenAt{};
    std::optional<Source> source{};
    std::optional<ProductMetadata> metadata{};
    std::optional<ReactionFlags> my{};
    std::optional<double> changePct{};
    std::optional<QString> oldPrice{};
    std::optional<QString> periodLowPrice{};
    std::optional<qint64> periodLowDays{};
    std::optional<bool> inStock{};
    std::optional<bool> isNew{};
    std::optional<bool> isMoved{};
    std::optional<bool> atPeriodLow{};
    std::optional<qint64> favoriteScore{};
    std::optional<qint64> downScore{};
    std::optional<qint64> goodwill{};

    std::optional<QString> stockText() const { return metadata ? metadata->stock : std::nullopt; }
    std::optional<QString> sourceCategory() const {
        return metadata ? metadata->sourceCategory : std::nullopt;
    }
    std::optional<QString> subtype() const { return metadata ? metadata->subtype : std::nullopt; }
    bool showsNew() const { return isNew.value_or(false); }
    bool showsMoved() const { return isMoved.value_or(false); }
    bool showsPeriodLow() const { return atPeriodLow.value_or(false); }
    // Only an explicit "not in stock" shows; an unknown stock state shows nothing.
    bool showsOutOfStock() const { return inStock.has_value() && !*inStock; }

    bool operator==(const Product&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("id", &Product::id),
                          field("externalKey", &Product::externalKey),
                          field("name", &Product::name),
                          field("category", &Product::category),
                          field("productUrl", &Product::productUrl),
                          field("currency", &Product::currency),
                          field("unit", &Product::unit),
                          field("isActive", &Product::isActive),
                          field("price", &Product::price),
                          field("outputPrice", &Product::outputPrice),
                          field("compareAtPrice", &Product::compareAtPrice),
                          field("capturedAt", &Product::capturedAt),
                          field("firstSeenAt", &Product::firstSeenAt),
                          field("lastSeenAt", &Product::lastSeenAt),
                          field("source", &Product::source),
                          field("metadata", &Product::metadata),
                          field("my", &Product::my),
                          field("changePct", &Product::changePct),
                          field("oldPrice", &Product::oldPrice),
                          field("periodLowPrice", &Product::periodLowPrice),
                          field("periodLowDays", &Product::periodLowDays),
                          field("inStock", &Product::inStock),
                          field("isNew", &Product::isNew),
                          field("isMoved", &Product::isMoved),
                          field("atPeriodLow", &Product::atPeriodLow),
                          field("favoriteScore", &Product::favoriteScore),
                          field("downScore", &Product::downScore),
                          field("goodwill", &Product::goodwill)};
    }
};

// One point of a product's price history.
struct PriceSnapshot {
    qint64 id = 0;
    std::optional<qint64> productId{};
    QString price{};
    std::optional<QString> outputPrice{};
    std::optional<QString> compareAtPrice{};
    std::optional<QString> currency{};
    std::optional<QString> unit{};
    QString capturedAt{};
    std::optional<Source> source{};

    bool operator==(const PriceSnapshot&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("id", &PriceSnapshot::id),
                          field("productId", &PriceSnapshot::productId),
                          field("price", &PriceSnapshot::price),
                          field("outputPrice", &PriceSnapshot::outputPrice),
                          field("compareAtPrice", &PriceSnapshot::compareAtPrice),
                          field("currency", &PriceSnapshot::currency),
                          field("unit", &PriceSnapshot::unit),
                          field("capturedAt", &PriceSnapshot::capturedAt),
                          field("source", &PriceSnapshot::source)};
    }
};

// One recorded change of a product's price.
struct PriceChange {
    qint64 productId = 0;
    QString name{};
    std::optional<QString> externalKey{};
    std::optional<QString> currency{};
    std::optional<QString> unit{};
    QString oldPrice{};
    QString newPrice{};
    std::optional<QString> oldOutputPrice{};
    std::optional<QString> newOutputPrice{};
    std::optional<double> changePct{};
    QString capturedAt{};
    std::optional<Source> source{};

    // Identifies a change in a list: the product and the moment it changed.
    QString rowID() const { return QString::number(productId) + u'-' + capturedAt; }

    bool operator==(const PriceChange&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("productId", &PriceChange::productId),
                          field("name", &PriceChange::name),
                          field("externalKey", &PriceChange::externalKey),
                          field("currency", &PriceChange::currency),
                          field("unit", &PriceChange::unit),
                          field("oldPrice", &PriceChange::oldPrice),
                          field("newPrice", &PriceChange::newPrice),
                          field("oldOutputPrice", &PriceChange::oldOutputPrice),
                          field("newOutputPrice", &PriceChange::newOutputPrice),
                          field("changePct", &PriceChange::changePct),
                          field("capturedAt", &PriceChange::capturedAt),
                          field("source", &PriceChange::source)};
    }
};

// One scrape run of a shop. status is a RunStatus word or any other word the server uses.
struct ScrapeRun {
    qint64 id = 0;
    std::optional<qint64> sourceId{};
    std::optional<QString> sourceSlug{};
    std::optional<QString> sourceName{};
    QString status{};
    QString startedAt{};
    std::optional<QString> finishedAt{};
    std::optional<qint64> itemsUpserted{};
    std::optional<QString> errorMessage{};
    std::optional<qint64> durationMs{};

    bool operator==(const ScrapeRun&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{field("id", &ScrapeRun::id),
                          field("sourceId", &ScrapeRun::sourceId),
                          field("sourceSlug", &ScrapeRun::sourceSlug),
                          field("sourceName", &ScrapeRun::sourceName),
                          field("status", &ScrapeRun::status),
                          field("startedAt", &ScrapeRun::startedAt),
                          field("finishedAt", &ScrapeRun::finishedAt),
                          field("itemsUpserted", &ScrapeRun::itemsUpserted),
                          field("errorMessage", &ScrapeRun::errorMessage),
                          field("durationMs", &ScrapeRun::durationMs)};
    }
};

// The outcome of a scrape the client triggered.
struct ScrapeResult {
    std::optional<qint64> runId{};
    std::optional<QString> source{};
    QString status{};
    std::optional<qint64> itemsUpserted{};
    std::optional<QString> error{};
    std::optional<qint64> durationMs{};

    bool operator==(const ScrapeResult&) const = default;
    static constexpr auto fields() {
        using json::field;
        return std::tuple{
            field("runId", &ScrapeResult::runId),   field("source", &ScrapeResult::source),
            field("status", &ScrapeResult::status), field("itemsUpserted", &ScrapeResult::itemsUpserted),
            field("error", &ScrapeResult::error),   field("durationMs", &ScrapeResult::durationMs)};
    }
};

} // namespace quelvio
