// Reactions and favourites: the user's marks as four id sets, changed at once and rolled back
// when the server refuses.
#include "AppState.h"
#include "ReactionMarks.h"

namespace quelvio {

namespace {

constexpr qint64 favoritesPageSize = 200;
// Favourites beyond the first page are read only to be watched and marked, up to this many in all.
constexpr qint64 maxWatchedFavorites = 2000;

template <typename T>
QSet<T> toggled(QSet<T> set, const T& value, bool insert) {
    if (insert)
        set.insert(value);
    else
        set.remove(value);
    return set;
}

} // namespace

QCoro::Task<std::optional<bool>> AppState::mutateReaction(ReactionRequest request, bool currentlyOn) {
    if (!m_session.isLoggedIn()) {
        setBanner(QStringLiteral("请先登录"));
        setSelectedTab(MenuBarDropdownTab::me);
        co_return false;
    }
    const SameSession current(this);
    // The stored reaction that comes back is not needed: the following reloads bring the marks.
    std::optional<ZeltorAPIError> error;
    if (currentlyOn) {
        error = co_await attemptVoid(m_client.deleteReaction(request));
    } else {
        auto upserted = co_await attempt(m_client.upsertReaction(request));
        error = upserted.error;
    }
    if (!current)
        co_return std::nullopt;
    if (error) {
        present(*error);
        co_return false;
    }
    co_return true;
}

QCoro::Task<void> AppState::toggleFavorite(qint64 productID, bool currently) {
    const QPointer<AppState> self(this);
    noteMarkChanged(productID);
    setFavoriteProductIDs(toggled(m_favoriteProductIDs, productID, !currently));
    const ReactionRequest request = ReactionRequest::forProduct(ReactKind::favorite, productID);
    const std::optional<bool> ok = co_await mutateReaction(request, currently);
    if (!self || !ok)
        co_return;
    if (!*ok) {
        noteMarkChanged(productID);
        setFavoriteProductIDs(toggled(m_favoriteProductIDs, productID, currently));
    }
    if (m_selectedTab == MenuBarDropdownTab::favorites) {
        co_await loadFavorites();
        if (!self)
            co_return;
    }
    co_await syncDetailFlags(productID);
}

QCoro::Task<void> AppState::toggleDown(qint64 productID, bool currently) {
    const QPointer<AppState> self(this);
    noteMarkChanged(productID);
    setDownProductIDs(toggled(m_downProductIDs, productID, !currently));
    patchDetailFlags(productID);
    QList<Product> retained;
    if (!currently && m_productSort == ProductSort::goodwill)
        for (const Product& product : m_products)
            if (product.id == productID)
                retained.append(product);

    const std::optional<bool> ok =
        co_await mutateReaction(ReactionRequest::forProduct(ReactKind::down, productID), currently);
    if (!self || !ok)
        co_return;
    if (!*ok) {
        noteMarkChanged(productID);
        setDownProductIDs(toggled(m_downProductIDs, productID, currently));
        patchDetailFlags(productID);
        co_return;
    }
    QSet<qint64> forcedDown;
    if (!currently)
        forcedDown.insert(productID);
    if (m_selectedTab == MenuBarDropdownTab::favorites)
        co_await loadFavorites();
    else
        co_await loadProducts(ProductLoadMode::replace, retained, forcedDown);
    if (!self)
        co_return;
    co_await syncDetailFlags(productID);
}

QCoro::Task<void> AppState::toggleFavorite(QString sourceSlug, bool currently) {
    const QPointer<AppState> self(this);
    const ReactionRequest request = ReactionRequest::forSource(ReactKind::favorite, sourceSlug);
    const std::optional<bool> ok = co_await mutateReaction(request, currently);
    if (!self || !ok)
        co_return;
    if (*ok)
        setFavoriteSourceSlugs(toggled(m_favoriteSourceSlugs, sourceSlug, !currently));
    if (m_selectedTab == MenuBarDropdownTab::favorites)
        co_await loadFavorites();
}

void AppState::removeFavoriteShop(qint64 reactionID) {
    for (const Reaction& reaction : m_favorites) {
        if (reaction.id != reactionID || reaction.targetType != TargetType::source)
            continue;
        if (reaction.source) {
            detach(toggleFavorite(reaction.source->slug, true));
            return;
        }
        // A shop the server no longer describes has no slug to address; it leaves the list here.
        QList<Reaction> rest = m_favorites;
        rest.removeIf([&](const Reaction& r) { return r.id == reactionID; });
        setFavorites(rest);
        return;
    }
}

QCoro::Task<void> AppState::loadFavorites() {
    if (!m_session.isLoggedIn()) {
        setFavorites({});
        setFavoriteSourceSlugs({});
        setFavoriteProductIDs({});
        co_return;
    }
    const QPointer<AppState> self(this);
    const SameSession current(this);
    const quint64 askedAt = m_markClock;
    setIsLoading(true);
    // Both requests go out at once; their replies are taken in order.
    auto shopsCall = attempt(m_client.favorites(QString(TargetType::source), std::nullopt, 100, 0));
    const quint64 firstPageAskedAt = nextPriceStamp();
    auto productsCall =
        attempt(m_client.favorites(QString(TargetType::product), m_favoriteSort, favoritesPageSize, 0));
    // Another user's (or nobody's) favourites by now: the replies are no longer this session's.
    const auto stale = [&] {
        if (current)
            return false;
        setIsLoading(false);
        return true;
    };
    auto shops = co_await shopsCall;
    if (!self || stale())
        co_return;
    if (!shops) {
        setFavorites({});
        present(*shops.error);
        setIsLoading(false);
        co_return;
    }
    auto products = co_await productsCall;
    if (!self || stale())
        co_return;
    if (!products) {
        setFavorites({});
        present(*products.error);
        setIsLoading(false);
        co_return;
    }

    // The list shows the first page; a full one may not be all, and every favourite is marked and
    // watched, with the stamp of the page it came in.
    QList<std::pair<Product, quint64>> favoriteProducts;
    const auto take = [&favoriteProducts](const QList<Reaction>& page, quint64 pageAskedAt) {
        for (const Reaction& reaction : page)
            if (reaction.product)
                favoriteProducts.append({*reaction.product, pageAskedAt});
    };
    take(*products.value, firstPageAskedAt);
    bool whole = products.value->size() < favoritesPageSize;
    for (qint64 offset = favoritesPageSize; !whole && offset < maxWatchedFavorites;
         offset += favoritesPageSize) {
        const quint64 askedAtStamp = nextPriceStamp();
        auto more = co_await attempt(
            m_client.favorites(QString(TargetType::product), m_favoriteSort, favoritesPageSize, offset));
        if (!self || stale())
            co_return;
        if (!more)
            break;
        whole = more.value->size() < favoritesPageSize;
        take(*more.value, askedAtStamp);
    }

    QSet<QString> slugs;
    for (const Reaction& reaction : *shops.value)
        if (reaction.source)
            slugs.insert(reaction.source->slug);
    QSet<qint64> favoriteIDs;
    QSet<qint64> downIDs = m_downProductIDs;
    QSet<qint64> reportedIDs = m_reportedProductIDs;
    for (const auto& [product, pageAskedAt] : favoriteProducts) {
        favoriteIDs.insert(product.id);
        if (const auto& my = product.my) {
            if (my->isDown())
                downIDs.insert(product.id);
            if (my->isReported())
                reportedIDs.insert(product.id);
        }
    }
    // A mark the user changed after asking stays as the user left it.
    for (auto it = m_markChangedAt.cbegin(); it != m_markChangedAt.cend(); ++it) {
        if (it.value() <= askedAt)
            continue;
        favoriteIDs = toggled(favoriteIDs, it.key(), m_favoriteProductIDs.contains(it.key()));
        downIDs = toggled(downIDs, it.key(), m_downProductIDs.contains(it.key()));
    }
    setFavorites(*shops.value + *products.value);
    setFavoriteSourceSlugs(slugs);
    setFavoriteProductIDs(favoriteIDs);
    setDownProductIDs(downIDs);
    setReportedProductIDs(reportedIDs);
    // Short of the whole list, no price is forgotten.
    watchFavoritePrices(favoriteProducts, whole);
    setIsLoading(false);
}

void AppState::applyFlags(const ReactionFlags& flags, qint64 id) {
    setFavoriteProductIDs(toggled(m_favoriteProductIDs, id, flags.isFavorite()));
    setDownProductIDs(toggled(m_downProductIDs, id, flags.isDown()));
    setReportedProductIDs(toggled(m_reportedProductIDs, id, flags.isReported()));
}

void AppState::noteMarkChanged(qint64 productID) {
    m_markChangedAt.insert(productID, ++m_markClock);
}

bool AppState::markChangedSince(qint64 productID, quint64 askedAt) const {
    return m_markChangedAt.value(productID, 0) > askedAt;
}

void AppState::mergeListedReactionFlags(const QList<Product>& products, const QSet<qint64>& forcedDownIDs,
                                        quint64 askedAt) {
    QList<Product> authoritative;
    authoritative.reserve(products.size());
    for (const Product& product : products)
        if (!markChangedSince(product.id, askedAt))
            authoritative.append(product);
    const ReactionMarks merged =
        ReactionMarks{m_favoriteProductIDs, m_downProductIDs, m_reportedProductIDs}.mergingListed(
            authoritative, forcedDownIDs);
    setFavoriteProductIDs(merged.favorite);
    setDownProductIDs(merged.down);
    setReportedProductIDs(merged.reported);
}

void AppState::patchDetailFlags(qint64 id) {
    if (!m_productDetail || m_productDetail->id != id)
        return;
    Product patched = *m_productDetail;
    patched.my = ReactionFlags{m_favoriteProductIDs.contains(id), m_downProductIDs.contains(id),
                               m_reportedProductIDs.contains(id)};
    setProductDetail(patched);
}

QCoro::Task<void> AppState::syncDetailFlags(qint64 id) {
    if (m_productDetail && m_productDetail->id == id)
        co_await loadProductDetail(id, true);
}

} // namespace quelvio
