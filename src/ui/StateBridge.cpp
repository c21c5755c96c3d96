#include "StateBridge.h"

#include "PanelText.h"
#include "Presentation/ValueFormat.h"

#include <QDesktopServices>
#include <QQmlEngine>
#include <QTimeZone>
#include <QUrl>
#include <algorithm>

namespace quelvio {

namespace {

QPointer<StateBridge> sharedBridge;

QVariantList badgeList(const QList<PanelText::Badge>& badges) {
    QVariantList list;
    for (const auto& badge : badges)
        list.append(QVariantMap{{QStringLiteral("text"), badge.text},
                                {QStringLiteral("color"), PanelText::colorRoleName(badge.color)}});
    return list;
}

const QList<QByteArray> productRoles{"productId",  "name",     "badges", "goodwill",
                                     "secondLine", "delisted", "price",  "stockText",
                                     "stockColor", "favorite", "down",   "sunk"};
const QList<QByteArray> shopRoles{"slug",     "name",     "badges",     "submitter", "runLabel",
                                  "runColor", "favorite", "refreshing", "known",     "reactionId"};

KeyedListModel::Row productRow(const Product& product, const AppState& state, bool sunk) {
    const auto stock = PanelText::stockLine(product);
    return {QString::number(product.id),
            QVariantMap{{QStringLiteral("productId"), product.id},
                        {QStringLiteral("name"), TextLimit::clipped(product.name, TextLimit::rowChars)},
                        {QStringLiteral("badges"),
                         badgeList(PanelText::signalBadges(product, std::nullopt,
                                                           state.downProductIDs().contains(product.id)))},
                        {QStringLiteral("goodwill"),
                         product.goodwill ? GoodwillFormat::number(*product.goodwill) : QString()},
                        {QStringLiteral("secondLine"), PanelText::secondLine(product)},
                        {QStringLiteral("delisted"), PanelText::isDelisted(product)},
                        {QStringLiteral("price"), PanelText::priceLine(product)},
                        {QStringLiteral("stockText"), stock.text},
                        {QStringLiteral("stockColor"), PanelText::colorRoleName(stock.color)},
                        {QStringLiteral("favorite"), state.favoriteProductIDs().contains(product.id)},
                        {QStringLiteral("down"), state.downProductIDs().contains(product.id)},
                        {QStringLiteral("sunk"), sunk}}};
}

KeyedListModel::Row shopRow(const Source& source, const AppState& state, bool known, qint64 reactionID = 0) {
    const auto run = state.latestRun(source.slug);
    return {source.slug,
            QVariantMap{{QStringLiteral("slug"), source.slug},
                        {QStringLiteral("name"), TextLimit::clipped(source.name, TextLimit::rowChars)},
                        {QStringLiteral("badges"), badgeList(PanelText::shopBadges(source))},
                        {QStringLiteral("submitter"), PanelText::submitterLine(source)},
                        {QStringLiteral("runLabel"),
                         run ? PanelText::runLabel(*run, QTimeZone::systemTimeZone()) : QString()},
                        {QStringLiteral("runColor"),
                         PanelText::colorRoleName(PanelText::runColor(run ? run->status : QString()))},
                        {QStringLiteral("favorite"), state.favoriteSourceSlugs().contains(source.slug)},
                        {QStringLiteral("refreshing"), state.scrapeBusySlug() == source.slug},
                        {QStringLiteral("known"), known},
                        {QStringLiteral("reactionId"), reactionID}}};
}

QVariantMap placeholderMap(const PanelText::TabContent& content) {
    return {{QStringLiteral("icon"), content.placeholder.symbol},
            {QStringLiteral("text"), content.placeholder.text},
            {QStringLiteral("detail"), content.placeholder.detail}};
}

QList<KeyedListModel::Row> shopRows(const QList<Source>& sources, const AppState& state) {
    QList<KeyedListModel::Row> rows;
    for (const Source& source : sources)
        rows.append(shopRow(source, state, true));
    return rows;
}

} // namespace

StateBridge::StateBridge(AppState& state, std::chrono::milliseconds bannerLifetime, QObject* parent)
    : QObject(parent)
    , m_state(&state)
    , m_bannerLifetime(bannerLifetime)
    , m_products(new KeyedListModel(productRoles, this))
    , m_favoriteProducts(new KeyedListModel(productRoles, this))
    , m_favoriteShops(new KeyedListModel(shopRoles, this))
    , m_includedShops(new KeyedListModel(shopRoles, this))
    , m_pendingShops(new KeyedListModel(shopRoles, this)) {
    AppState* s = &state;
    connect(s, &AppState::connectionChanged, this, &StateBridge::connectionChanged);
    connect(s, &AppState::bannerChanged, this, &StateBridge::bannerChanged);
    connect(s, &AppState::bannerChanged, this, &StateBridge::bannerShown);
    connect(s, &AppState::lastErrorChanged, this, &StateBridge::lastErrorChanged);
    connect(s, &AppState::routeChanged, this, &StateBridge::routeChanged);
    connect(s, &AppState::selectedTabChanged, this, &StateBridge::selectedTabChanged);
    for (auto signal :
         {&AppState::productQueryChanged, &AppState::productSourceChanged, &AppState::productCategoryChanged,
          &AppState::productSubtypeChanged, &AppState::productSortChanged, &AppState::favoriteSortChanged})
        connect(s, signal, this, &StateBridge::filtersChanged);
    connect(s, &AppState::categoriesChanged, this, &StateBridge::categoriesChanged);
    for (auto signal : {&AppState::isLoadingChanged, &AppState::isLoadingMoreProductsChanged,
                        &AppState::canLoadMoreProductsChanged})
        connect(s, signal, this, &StateBridge::loadingChanged);
    connect(s, &AppState::sessionChanged, this, &StateBridge::sessionChanged);
    connect(s, &AppState::scrapeBusySlugChanged, this, &StateBridge::scrapeBusySlugChanged);
    for (auto signal : {&AppState::sourceRequestURLChanged, &AppState::sourceRequestNameChanged,
                        &AppState::sourceRequestBusyChanged})
        connect(s, signal, this, &StateBridge::sourceRequestChanged);
    connect(s, &AppState::usesPollingFallbackChanged, this, &StateBridge::usesPollingFallbackChanged);
    connect(s, &AppState::sourcesChanged, this, &StateBridge::shopsChanged);
    connect(s, &AppState::favoritesChanged, this, &StateBridge::favoritesChanged);
    for (auto signal :
         {&AppState::authUsernameChanged, &AppState::authPasswordChanged, &AppState::authRedeemChanged,
          &AppState::isRegisteringChanged, &AppState::redeemInputChanged, &AppState::currentUserChanged,
          &AppState::sessionChanged})
        connect(s, signal, this, &StateBridge::accountChanged);
    for (auto signal : {&AppState::productDetailChanged, &AppState::productHistoryChanged,
                        &AppState::isDetailLoadingChanged, &AppState::favoriteProductIDsChanged,
                        &AppState::downProductIDsChanged})
        connect(s, signal, this, &StateBridge::detailChanged);
    // Everything a row shows; several changes in one turn of the event loop rebuild once.
    for (auto signal : {&AppState::productsChanged, &AppState::productSortChanged,
                        &AppState::favoritesChanged, &AppState::sourcesChanged, &AppState::scrapeRunsChanged,
                        &AppState::favoriteProductIDsChanged, &AppState::downProductIDsChanged,
                        &AppState::favoriteSourceSlugsChanged, &AppState::scrapeBusySlugChanged})
        connect(s, signal, this, &StateBridge::scheduleRows);
    connect(s, &AppState::sessionChanged, this, &StateBridge::sourceRequestChanged);
    for (auto signal :
         {&StateBridge::connectionChanged, &StateBridge::loadingChanged, &StateBridge::lastErrorChanged,
          &StateBridge::sessionChanged, &StateBridge::favoritesChanged, &StateBridge::shopsChanged})
        connect(this, signal, this, &StateBridge::contentChanged);
    rebuildRows();
}

StateBridge::~StateBridge() = default;

void StateBridge::setShared(StateBridge* bridge) {
    sharedBridge = bridge;
}

StateBridge* StateBridge::create(QQmlEngine*, QJSEngine*) {
    Q_ASSERT_X(sharedBridge, "StateBridge", "the owner of the state sets the bridge before QML loads");
    QQmlEngine::setObjectOwnership(sharedBridge, QQmlEngine::CppOwnership);
    return sharedBridge;
}

QString StateBridge::connection() const {
    switch (m_state->connection()) {
    case ConnectionState::unknown:
        return QStringLiteral("unknown");
    case ConnectionState::online:
        return QStringLiteral("online");
    case ConnectionState::offline:
        return QStringLiteral("offline");
    }
    Q_UNREACHABLE();
}

QString StateBridge::connectionLabel() const {
    return PanelText::connectionLabel(m_state->connection());
}

QString StateBridge::routeKind() const {
    switch (m_state->route().kind) {
    case PanelRoute::Kind::product:
        return QStringLiteral("product");
    case PanelRoute::Kind::root:
        return QStringLiteral("root");
    case PanelRoute::Kind::settings:
        return QStringLiteral("settings");
    }
    Q_UNREACHABLE();
}

int StateBridge::selectedTabIndex() const {
    const auto& tabs = menuBarDropdownTabCases;
    return int(std::ranges::find(tabs, m_state->selectedTab()) - tabs.begin());
}

QVariantList StateBridge::tabs() const {
    QVariantList list;
    for (MenuBarDropdownTab tab : menuBarDropdownTabCases)
        list.append(QVariantMap{{QStringLiteral("key"), rawValue(tab)},
                                {QStringLiteral("title"), title(tab)},
                                {QStringLiteral("symbol"), symbolName(tab)}});
    return list;
}

QVariantList StateBridge::sortOptions() const {
    QVariantList list;
    for (ProductSort sort : productSortCases)
        list.append(
            QVariantMap{{QStringLiteral("key"), rawValue(sort)}, {QStringLiteral("title"), title(sort)}});
    return list;
}

QVariantList StateBridge::categoryChips() const {
    QVariantList list;
    for (const ProductCategory& category : m_state->categories())
        list.append(QVariantMap{{QStringLiteral("key"), category.id},
                                {QStringLiteral("title"), ProductCategoryDisplay::title(category.id)},
                                {QStringLiteral("count"), category.count}});
    return list;
}

QVariantList StateBridge::subtypeChips() const {
    QVariantList list;
    if (!m_state->productCategory())
        return list;
    for (const QString& key : ProductSubtypeDisplay::options(*m_state->productCategory()))
        list.append(QVariantMap{{QStringLiteral("key"), key},
                                {QStringLiteral("title"), ProductSubtypeDisplay::title(key)}});
    return list;
}

void StateBridge::selectTab(const QString& tab) {
    if (const auto parsed = fromRawValue<MenuBarDropdownTab>(tab))
        m_state->selectTab(*parsed);
}

namespace {
std::optional<QString> presentOrNone(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional(text);
}
} // namespace

void StateBridge::applyProductCategory(const QString& key) {
    m_state->applyProductCategory(presentOrNone(key));
}
void StateBridge::applyProductSubtype(const QString& key) {
    m_state->applyProductSubtype(presentOrNone(key));
}
void StateBridge::applyProductSource(const QString& slug) {
    m_state->applyProductSource(presentOrNone(slug));
}

void StateBridge::applyProductSort(const QString& sort) {
    if (const auto parsed = fromRawValue<ProductSort>(sort))
        m_state->applyProductSort(*parsed);
}

void StateBridge::applyFavoriteSort(const QString& sort) {
    if (const auto parsed = fromRawValue<ProductSort>(sort))
        m_state->applyFavoriteSort(*parsed);
}

// The views start these and move on; each reports through the state's fields.
void StateBridge::toggleFavoriteProduct(qint64 id) {
    m_state->toggleFavorite(id, m_state->favoriteProductIDs().contains(id));
}
void StateBridge::toggleDownProduct(qint64 id) {
    m_state->toggleDown(id, m_state->downProductIDs().contains(id));
}
void StateBridge::toggleFavoriteShop(const QString& slug) {
    m_state->toggleFavorite(slug, m_state->favoriteSourceSlugs().contains(slug));
}
void StateBridge::scrape(const QString& slug) {
    m_state->scrape(presentOrNone(slug));
}
void StateBridge::submitSourceRequest() {
    m_state->submitSourceRequest();
}
void StateBridge::refreshSources() {
    m_state->refreshVisible(false);
}
void StateBridge::refreshVisible() {
    m_state->refreshVisible(true);
}

QString StateBridge::username() const {
    if (m_state->currentUser())
        return m_state->currentUser()->username;
    return m_state->session().username.value_or(QString());
}

QVariantMap StateBridge::detail() const {
    const auto& product = m_state->productDetail();
    if (!product)
        return {};
    const auto stock = PanelText::stockLine(*product);
    return {{QStringLiteral("productId"), product->id},
            {QStringLiteral("name"), product->name},
            {QStringLiteral("badges"),
             badgeList(PanelText::signalBadges(*product, std::nullopt,
                                               m_state->downProductIDs().contains(product->id)))},
            {QStringLiteral("secondLine"), PanelText::secondLine(*product)},
            {QStringLiteral("price"), PanelText::priceLine(*product)},
            {QStringLiteral("stockText"), stock.text},
            {QStringLiteral("stockColor"), PanelText::colorRoleName(stock.color)},
            {QStringLiteral("url"), product->productUrl.value_or(QString())},
            {QStringLiteral("currency"), product->currency.value_or(QString())},
            {QStringLiteral("unit"), product->unit.value_or(QString())},
            {QStringLiteral("historyCount"), m_state->productHistory().size()},
            {QStringLiteral("favorite"), m_state->favoriteProductIDs().contains(product->id)},
            {QStringLiteral("down"), m_state->downProductIDs().contains(product->id)}};
}

void StateBridge::openProductPage() {
    if (const auto url = m_state->productPageToOpen())
        QDesktopServices::openUrl(*url);
}

QString StateBridge::sourceRequestTitle() const {
    return PanelText::sourceRequestTitle(isLoggedIn(), sourceRequestBusy());
}

// The products' body follows the rows the list shows, not the state's list, which the rows
// catch up with on the next turn of the event loop.
PanelText::TabContent StateBridge::productsContent() const {
    return PanelText::productsContent(m_state->connection(), m_products->rowCount() > 0, m_state->isLoading(),
                                      m_state->lastError());
}

PanelText::TabContent StateBridge::favoritesContent() const {
    return PanelText::favoritesContent(isLoggedIn(), hasFavorites());
}

PanelText::TabContent StateBridge::sourcesContent() const {
    return PanelText::sourcesContent(m_state->connection(), hasSources(), m_state->lastError());
}

QString StateBridge::productsBody() const {
    return PanelText::tabBodyName(productsContent().body);
}

QVariantMap StateBridge::productsPlaceholder() const {
    return placeholderMap(productsContent());
}

QString StateBridge::favoritesBody() const {
    return PanelText::tabBodyName(favoritesContent().body);
}

QVariantMap StateBridge::favoritesPlaceholder() const {
    return placeholderMap(favoritesContent());
}

QString StateBridge::sourcesBody() const {
    return PanelText::tabBodyName(sourcesContent().body);
}

QVariantMap StateBridge::sourcesPlaceholder() const {
    return placeholderMap(sourcesContent());
}

void StateBridge::productListMoved(double viewportBottom, double contentHeight, double loadMoreRowHeight) {
    // Without rows there is no end of the list yet, only the row itself.
    if (m_products->rowCount() > 0 && canLoadMoreProducts() && !isLoadingMoreProducts() &&
        PanelText::loadMoreRowInView(viewportBottom, contentHeight, loadMoreRowHeight))
        m_state->loadMoreProducts();
}

void StateBridge::scheduleRows() {
    if (m_rowsPending)
        return;
    m_rowsPending = true;
    QMetaObject::invokeMethod(this, &StateBridge::rebuildRows, Qt::QueuedConnection);
}

void StateBridge::rebuildRows() {
    m_rowsPending = false;
    if (!m_state)
        return;
    const AppState& s = *m_state;

    const auto sections = s.displayedProductSections();
    QList<KeyedListModel::Row> products;
    products.reserve(sections.feed.size() + sections.sunk.size());
    for (const Product& product : sections.feed)
        products.append(productRow(product, s, false));
    for (const Product& product : sections.sunk)
        products.append(productRow(product, s, true));
    m_products->setRows(products);

    QList<KeyedListModel::Row> favoriteProducts;
    for (const Reaction& reaction : s.favoriteProducts())
        favoriteProducts.append(
            productRow(reaction.product.value_or(Product{.id = reaction.productId.value_or(reaction.id),
                                                         .name = missingValuePlaceholder.toString()}),
                       s, false));
    m_favoriteProducts->setRows(favoriteProducts);

    QList<KeyedListModel::Row> favoriteShops;
    for (const Reaction& reaction : s.favoriteShops()) {
        const bool known = reaction.source.has_value();
        const Source source = reaction.source.value_or(
            Source{.slug = QString::number(reaction.id), .name = QStringLiteral("未知店铺")});
        favoriteShops.append(shopRow(source, s, known, reaction.id));
    }
    m_favoriteShops->setRows(favoriteShops);
    m_includedShops->setRows(shopRows(s.includedSources(), s));
    m_pendingShops->setRows(shopRows(s.pendingSources(), s));
    emit contentChanged();
}

void StateBridge::bannerShown() {
    const auto text = m_state->banner();
    if (!text)
        return;
    // Only this text clears itself: a newer one starts its own time.
    QTimer::singleShot(m_bannerLifetime, this, [this, shown = *text] {
        if (m_state && m_state->banner() == shown)
            m_state->setBanner(std::nullopt);
    });
}

} // namespace quelvio
