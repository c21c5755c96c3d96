// Catalogue browsing: tabs, filters, the paged product list, product details, shops, categories.
#include "AppState.h"
#include "Presentation/ValueFormat.h"

namespace quelvio {

void AppState::selectTab(MenuBarDropdownTab tab) {
    setSelectedTab(tab);
    if (m_route.kind == PanelRoute::Kind::settings)
        setRoute(PanelRoute::root());
    detach(refreshVisible(tab == MenuBarDropdownTab::products));
}

void AppState::browseShop(const QString& slug) {
    assign(m_productSource, std::optional(slug), &AppState::productSourceChanged);
    assign(m_productCategory, std::optional<QString>(), &AppState::productCategoryChanged);
    assign(m_productSubtype, std::optional<QString>(), &AppState::productSubtypeChanged);
    setSelectedTab(MenuBarDropdownTab::products);
    setRoute(PanelRoute::root());
    startReplaceLoad();
}

void AppState::applyProductQuery(const QString& text) {
    assign(m_productQuery, text, &AppState::productQueryChanged);
    // Pages already on their way belong to the old query.
    ++m_loadGeneration;
    if (m_searchTask)
        m_searchTask->cancel();
    const QPointer<AppState> self(this);
    const auto debounce = m_timings.searchDebounce;
    m_searchTask = TaskHandle::start([self, debounce](TaskHandle& task) -> QCoro::Task<void> {
        co_await task.sleep(debounce);
        if (task.isCancelled() || !self)
            co_return;
        const QList<Product> noneRetained;
        const QSet<qint64> noneForced;
        co_await self->loadProducts(ProductLoadMode::replace, noneRetained, noneForced);
    });
}

void AppState::applyProductSource(const std::optional<QString>& slug) {
    assign(m_productSource, slug, &AppState::productSourceChanged);
    startReplaceLoad();
}

void AppState::applyProductCategory(const std::optional<QString>& id) {
    if (id != m_productCategory)
        assign(m_productSubtype, std::optional<QString>(), &AppState::productSubtypeChanged);
    assign(m_productCategory, id, &AppState::productCategoryChanged);
    if (!m_productCategory)
        assign(m_productSubtype, std::optional<QString>(), &AppState::productSubtypeChanged);
    startReplaceLoad();
}

void AppState::applyProductSubtype(const std::optional<QString>& subtype) {
    assign(m_productSubtype, subtype, &AppState::productSubtypeChanged);
    startReplaceLoad();
}

void AppState::applyProductSort(ProductSort sort) {
    assign(m_productSort, sort, &AppState::productSortChanged);
    startReplaceLoad();
}

void AppState::applyFavoriteSort(ProductSort sort) {
    assign(m_favoriteSort, sort, &AppState::favoriteSortChanged);
    detach(loadFavorites());
}

void AppState::loadMoreProducts() {
    detach(loadProducts(ProductLoadMode::append, {}, {}));
}

void AppState::openProduct(qint64 id) {
    setRoute(PanelRoute::product(id));
    detach(loadProductDetail(id, false));
}

std::optional<QUrl> AppState::productPageToOpen() {
    if (!m_productDetail || !m_productDetail->productUrl)
        return std::nullopt;
    auto url = WebAddress::openable(*m_productDetail->productUrl);
    if (!url)
        setBanner(QStringLiteral("商品页地址不是网页地址，未打开"));
    return url;
}

void AppState::startReplaceLoad() {
    detach(loadProducts(ProductLoadMode::replace, {}, {}));
}

QCoro::Task<void> AppState::loadProducts(ProductLoadMode mode, QList<Product> retaining,
                                         QSet<qint64> forcedDownIDs) {
    const QPointer<AppState> self(this);
    const SameSession sameUser(this);
    const quint64 askedAt = m_markClock;
    qint64 generation = m_loadGeneration;
    qint64 limit = ProductPaging::pageSize;
    qint64 offset = 0;
    if (mode == ProductLoadMode::append) {
        // A search still waiting out its debounce is about to replace the list: a page of it
        // would land on the old one.
        const bool searchPending =
            m_searchTask && !m_searchTask->isFinished() && !m_searchTask->isCancelled();
        // Gated on the first page itself: the shared busy flag may already be off while the
        // favourites finished first.
        if (!m_canLoadMoreProducts || m_firstPageLoading || m_isLoadingMoreProducts || searchPending)
            co_return;
        offset = m_productNextOffset;
        setIsLoadingMoreProducts(true);
    } else {
        generation = ++m_loadGeneration;
        if (mode == ProductLoadMode::refresh)
            limit = ProductPaging::refreshLimit(m_productNextOffset);
        setIsLoading(true);
        m_firstPageLoading = true;
    }

    const quint64 priceAskedAt = nextPriceStamp();
    auto result =
        co_await attempt(m_client.products(m_productSource, m_productCategory, m_productSubtype,
                                           m_productQuery, std::nullopt, m_productSort, limit, offset));
    if (!self)
        co_return;
    // Only the newest load owns the busy flag and the list.
    const bool current = generation == m_loadGeneration;
    if (mode == ProductLoadMode::append) {
        setIsLoadingMoreProducts(false);
    } else if (current) {
        setIsLoading(false);
        m_firstPageLoading = false;
    }
    if (!current)
        co_return;

    if (!result) {
        if (mode != ProductLoadMode::append) {
            setProducts({});
            m_productNextOffset = 0;
            setCanLoadMoreProducts(false);
        }
        present(*result.error);
        co_return;
    }

    const QList<Product>& page = *result.value;
    // The listed marks are those of whoever asked; after a change of user only the list counts.
    if (mode == ProductLoadMode::append) {
        setProducts(ProductPaging::appendingUnique(m_products, page));
        m_productNextOffset += page.size();
        if (sameUser)
            mergeListedReactionFlags(page, forcedDownIDs, askedAt);
    } else {
        const QList<Product> list = m_productSort == ProductSort::goodwill
                                        ? ProductOrdering::retainingMissing(page, retaining)
                                        : page;
        if (sameUser)
            mergeListedReactionFlags(list, forcedDownIDs, askedAt);
        setProducts(list);
        m_productNextOffset = page.size();
    }
    if (sameUser)
        watchFavoritePrices(page, priceAskedAt);
    setCanLoadMoreProducts(page.size() >= limit);
}

QCoro::Task<void> AppState::loadProductDetail(qint64 id, bool silent) {
    const QPointer<AppState> self(this);
    const SameSession sameUser(this);
    const quint64 askedAt = m_markClock;
    if (!silent)
        setIsDetailLoading(true);
    // Both requests go out at once; QCoro tasks start eagerly.
    const quint64 priceAskedAt = nextPriceStamp();
    auto productCall = attempt(m_client.product(id));
    auto historyCall = attempt(m_client.history(id, 40));

    const auto failed = [&](const ZeltorAPIError& error) {
        if (silent)
            return;
        // The previous product's detail must not stand in for one that failed, with buttons that
        // would act on the wrong product.
        if (m_route.isProduct(id) && m_productDetail && m_productDetail->id != id) {
            setProductDetail(std::nullopt);
            setProductHistory({});
        }
        present(error);
        setIsDetailLoading(false);
    };

    // The detail and its history are shown only while their product is still the one on screen:
    // a detail the user has closed or left must not come back.
    auto product = co_await productCall;
    if (!self)
        co_return;
    if (!product) {
        failed(*product.error);
        co_return;
    }
    if (m_route.isProduct(id))
        setProductDetail(product.value);

    auto history = co_await historyCall;
    if (!self)
        co_return;
    if (!history) {
        failed(*history.error);
        co_return;
    }
    if (m_route.isProduct(id))
        setProductHistory(*history.value);
    const auto& my = product.value->my;
    if (my && (my->favorite || my->down || my->report) && sameUser && !markChangedSince(id, askedAt))
        applyFlags(*my, id);
    if (sameUser)
        watchFavoritePrices({*product.value}, priceAskedAt);
    patchDetailFlags(id);
    if (!silent)
        setIsDetailLoading(false);
}

QCoro::Task<void> AppState::loadSources() {
    const SameServer sameServer(this);
    auto result = co_await attempt(m_client.sources(std::nullopt));
    if (!sameServer)
        co_return;
    if (result)
        setSources(*result.value);
    else if (m_connection != ConnectionState::offline)
        present(*result.error);
}

QCoro::Task<void> AppState::loadCategories() {
    const SameServer sameServer(this);
    auto result = co_await attempt(m_client.categories(std::nullopt));
    if (!sameServer)
        co_return;
    if (result)
        setCategories(*result.value);
    else if (m_connection != ConnectionState::offline)
        present(*result.error);
}

ProductOrdering::Partition AppState::displayedProductSections() const {
    return ProductOrdering::partitionOwnDowns(m_products, m_downProductIDs, m_productSort);
}

QList<Source> AppState::includedSources() const {
    QList<Source> result;
    for (const Source& source : m_sources)
        if (source.isIncluded())
            result.append(source);
    return result;
}

QList<Source> AppState::pendingSources() const {
    QList<Source> result;
    for (const Source& source : m_sources)
        if (!source.isIncluded())
            result.append(source);
    return result;
}

QList<Reaction> AppState::favoriteProducts() const {
    QList<Reaction> result;
    for (const Reaction& reaction : m_favorites)
        if (reaction.targetType == TargetType::product)
            result.append(reaction);
    return result;
}

QList<Reaction> AppState::favoriteShops() const {
    QList<Reaction> result;
    for (const Reaction& reaction : m_favorites)
        if (reaction.targetType == TargetType::source)
            result.append(reaction);
    return result;
}

std::optional<ScrapeRun> AppState::latestRun(const QString& slug) const {
    std::optional<ScrapeRun> latest;
    for (const ScrapeRun& run : m_scrapeRuns)
        if (run.sourceSlug == slug && (!latest || run.startedAt > latest->startedAt))
            latest = run;
    return latest;
}

} // namespace quelvio
