#include "AppState.h"

#include "Logging.h"

#include <QNetworkAccessManager>

namespace quelvio {

AppState::AppState(SessionStoring& store, QNetworkAccessManager* network, Timings timings, StateSeams seams)
    : m_session(store.load())
    , m_store(store)
    , m_network(network)
    , m_timings(timings)
    , m_seams(seams)
    , m_client(APIRequestFactory::fromSnapshot(m_session), network, timings.requestDeadline,
               timings.healthDeadline) {
    if (m_seams.theme)
        m_seams.theme->apply(m_session.theme);
}

AppState::~AppState() {
    // Nothing could use these loops any more; stopping them lets their coroutines end.
    cancelKeptTasks();
}

void AppState::cancelKeptTasks() {
    for (const auto& task : {m_pollTask, m_streamTask, m_searchTask, m_streamRefreshTask})
        if (task)
            task->cancel();
}

QCoro::Task<std::optional<ZeltorAPIError>> AppState::attemptVoid(QCoro::Task<void> call) {
    try {
        co_await call;
    } catch (const ZeltorAPIError& error) {
        co_return error;
    } catch (const std::exception& error) {
        co_return ZeltorAPIError::transport(QString::fromUtf8(error.what()));
    }
    co_return std::nullopt;
}

void AppState::detach(QCoro::Task<void> task) {
    [](QCoro::Task<void> running) -> QCoro::Task<void> {
        try {
            co_await running;
        } catch (...) {
        }
    }(std::move(task));
}

void AppState::start() {
    detach(loadEverything());
    startRealtime();
}

QCoro::Task<void> AppState::loadEverything() {
    const QPointer<AppState> self(this);
    if (m_session.isLoggedIn()) {
        co_await refreshMe();
        if (!self)
            co_return;
        co_await loadFavorites();
        if (!self)
            co_return;
    }
    co_await refreshVisible(true);
}

void AppState::updateBaseURL(const QString& value) {
    // Another server gets its own sign-in (or none): the current one stays with its server.
    const SessionSnapshot next = m_session.movedTo(value);
    const bool otherUser = next.token != m_session.token;
    setSession(next);
    persistAndRebuild();
    if (otherUser)
        forgetUser();
    startRealtime();
    if (otherUser)
        detach(loadEverything());
    else
        detach(refreshVisible(true));
}

void AppState::persistAndRebuild() {
    m_store.save(m_session);
    m_client = APIClient(APIRequestFactory::fromSnapshot(m_session), m_network, m_timings.requestDeadline,
                         m_timings.healthDeadline);
}

QCoro::Task<void> AppState::loadHealth() {
    const SameServer sameServer(this);
    auto result = co_await attempt(m_client.health());
    if (!sameServer)
        co_return;
    if (result) {
        setHealth(result.value);
        setConnection(ConnectionState::online);
        setLastError(std::nullopt);
    } else {
        setConnection(ConnectionState::offline);
        setLastError(result.error->errorDescription());
        setHealth(std::nullopt);
    }
}

QCoro::Task<void> AppState::loadStatus() {
    const SameServer sameServer(this);
    auto result = co_await attempt(m_client.scrapeRuns(50));
    if (!sameServer)
        co_return;
    if (result) {
        setScrapeRuns(*result.value);
    } else {
        setScrapeRuns({});
        present(*result.error);
    }
}

void AppState::popToRoot() {
    setRoute(PanelRoute::root());
    setProductDetail(std::nullopt);
    setProductHistory({});
    setShowReportField(false);
    setReportNote({});
}

void AppState::chooseTheme(AppTheme theme) {
    SessionSnapshot next = m_session;
    next.theme = theme;
    setSession(next);
    persistAndRebuild();
    if (m_seams.theme)
        m_seams.theme->apply(theme);
}

void AppState::refreshLaunchAtLogin() {
    if (m_seams.launchAtLogin)
        setLaunchAtLoginStatus(m_seams.launchAtLogin->status());
}

bool AppState::setLaunchAtLogin(bool enabled) {
    if (!m_seams.launchAtLogin)
        return false;
    try {
        m_seams.launchAtLogin->setEnabled(enabled);
    } catch (const LaunchAtLoginError& error) {
        setBanner(error.localizedDescription());
        return false;
    }
    refreshLaunchAtLogin();
    return true;
}

void AppState::present(const ZeltorAPIError& error, bool sentUserToken) {
    if (sentUserToken && handleAuthFailure(error))
        return;
    const QString message = error.errorDescription();
    setBanner(message);
    if (m_connection == ConnectionState::offline)
        setLastError(message);
}

bool AppState::handleAuthFailure(const ZeltorAPIError& error) {
    const bool authentication = error.kind() == ZeltorAPIError::Kind::unauthorized ||
                                (error.kind() == ZeltorAPIError::Kind::http && error.statusCode() == 401);
    if (!authentication || !m_session.isLoggedIn())
        return false;
    SessionSnapshot next = m_session;
    next.token.reset();
    setSession(next);
    persistAndRebuild();
    // The next user must not inherit these marks.
    forgetUser();
    setBanner(QStringLiteral("登录已失效，请重新登录"));
    return true;
}

// Field setters: each notifies only when the value changes.

void AppState::setSession(const SessionSnapshot& value) {
    const bool newServer = value.normalizedBaseURL() != m_session.normalizedBaseURL();
    if (newServer)
        ++m_serverEpoch;
    if (newServer || value.token != m_session.token)
        ++m_sessionEpoch;
    assign(m_session, value, &AppState::sessionChanged);
}
void AppState::setCurrentUser(const std::optional<User>& value) {
    assign(m_currentUser, value, &AppState::currentUserChanged);
}
void AppState::setConnection(ConnectionState value) {
    if (value != m_connection)
        qCDebug(lcState) << "connection" << int(value);
    assign(m_connection, value, &AppState::connectionChanged);
}
void AppState::setHealth(const std::optional<Health>& value) {
    assign(m_health, value, &AppState::healthChanged);
}
void AppState::setSources(const QList<Source>& value) {
    assign(m_sources, value, &AppState::sourcesChanged);
}
void AppState::setCategories(const QList<ProductCategory>& value) {
    assign(m_categories, value, &AppState::categoriesChanged);
}
void AppState::setProducts(const QList<Product>& value) {
    assign(m_products, value, &AppState::productsChanged);
}
void AppState::setFavorites(const QList<Reaction>& value) {
    assign(m_favorites, value, &AppState::favoritesChanged);
}
void AppState::setScrapeRuns(const QList<ScrapeRun>& value) {
    assign(m_scrapeRuns, value, &AppState::scrapeRunsChanged);
}
void AppState::setRoute(const PanelRoute& value) {
    if (!(value == m_route))
        qCDebug(lcState) << "route" << int(value.kind) << value.productID;
    assign(m_route, value, &AppState::routeChanged);
}
void AppState::setSelectedTab(MenuBarDropdownTab value) {
    if (value != m_selectedTab)
        qCDebug(lcState) << "tab" << rawValue(value);
    assign(m_selectedTab, value, &AppState::selectedTabChanged);
}
void AppState::setProductDetail(const std::optional<Product>& value) {
    assign(m_productDetail, value, &AppState::productDetailChanged);
}
void AppState::setProductHistory(const QList<PriceSnapshot>& value) {
    assign(m_productHistory, value, &AppState::productHistoryChanged);
}
void AppState::setReportNote(const QString& value) {
    assign(m_reportNote, value, &AppState::reportNoteChanged);
}
void AppState::setShowReportField(bool value) {
    assign(m_showReportField, value, &AppState::showReportFieldChanged);
}
void AppState::setIsLoading(bool value) {
    assign(m_isLoading, value, &AppState::isLoadingChanged);
}
void AppState::setIsDetailLoading(bool value) {
    assign(m_isDetailLoading, value, &AppState::isDetailLoadingChanged);
}
void AppState::setBanner(const std::optional<QString>& value) {
    if (value && value != m_banner)
        qCDebug(lcState) << "banner" << *value;
    assign(m_banner, value, &AppState::bannerChanged);
}
void AppState::setLastError(const std::optional<QString>& value) {
    assign(m_lastError, value, &AppState::lastErrorChanged);
}
void AppState::setAuthUsername(const QString& value) {
    assign(m_authUsername, value, &AppState::authUsernameChanged);
}
void AppState::setAuthPassword(const QString& value) {
    assign(m_authPassword, value, &AppState::authPasswordChanged);
}
void AppState::setAuthRedeem(const QString& value) {
    assign(m_authRedeem, value, &AppState::authRedeemChanged);
}
void AppState::setIsRegistering(bool value) {
    assign(m_isRegistering, value, &AppState::isRegisteringChanged);
}
void AppState::setRedeemInput(const QString& value) {
    assign(m_redeemInput, value, &AppState::redeemInputChanged);
}
void AppState::setAdminUsers(const QList<User>& value) {
    assign(m_adminUsers, value, &AppState::adminUsersChanged);
}
void AppState::setAdminCodes(const QList<RedeemCode>& value) {
    assign(m_adminCodes, value, &AppState::adminCodesChanged);
}
void AppState::setAdminReports(const QList<Reaction>& value) {
    assign(m_adminReports, value, &AppState::adminReportsChanged);
}
void AppState::setAdminUserQuery(const QString& value) {
    assign(m_adminUserQuery, value, &AppState::adminUserQueryChanged);
}
void AppState::setNewCode(const QString& value) {
    assign(m_newCode, value, &AppState::newCodeChanged);
}
void AppState::setNewCodeUses(const QString& value) {
    assign(m_newCodeUses, value, &AppState::newCodeUsesChanged);
}
void AppState::setNewCodeNote(const QString& value) {
    assign(m_newCodeNote, value, &AppState::newCodeNoteChanged);
}
void AppState::setLaunchAtLoginStatus(LaunchAtLoginStatus value) {
    assign(m_launchAtLoginStatus, value, &AppState::launchAtLoginStatusChanged);
}
void AppState::setFavoriteSourceSlugs(const QSet<QString>& value) {
    assign(m_favoriteSourceSlugs, value, &AppState::favoriteSourceSlugsChanged);
}
void AppState::setFavoriteProductIDs(const QSet<qint64>& value) {
    assign(m_favoriteProductIDs, value, &AppState::favoriteProductIDsChanged);
}
void AppState::setDownProductIDs(const QSet<qint64>& value) {
    assign(m_downProductIDs, value, &AppState::downProductIDsChanged);
}
void AppState::setReportedProductIDs(const QSet<qint64>& value) {
    assign(m_reportedProductIDs, value, &AppState::reportedProductIDsChanged);
}
void AppState::setScrapeBusySlug(const std::optional<QString>& value) {
    assign(m_scrapeBusySlug, value, &AppState::scrapeBusySlugChanged);
}
void AppState::setUsesPollingFallback(bool value) {
    if (value != m_usesPollingFallback)
        qCDebug(lcStream) << "polling fallback" << value;
    assign(m_usesPollingFallback, value, &AppState::usesPollingFallbackChanged);
}
void AppState::setCanLoadMoreProducts(bool value) {
    assign(m_canLoadMoreProducts, value, &AppState::canLoadMoreProductsChanged);
}
void AppState::setIsLoadingMoreProducts(bool value) {
    assign(m_isLoadingMoreProducts, value, &AppState::isLoadingMoreProductsChanged);
}
void AppState::setSourceRequestURL(const QString& value) {
    assign(m_sourceRequestURL, value, &AppState::sourceRequestURLChanged);
}
void AppState::setSourceRequestName(const QString& value) {
    assign(m_sourceRequestName, value, &AppState::sourceRequestNameChanged);
}
void AppState::setSourceRequestBusy(bool value) {
    assign(m_sourceRequestBusy, value, &AppState::sourceRequestBusyChanged);
}

} // namespace quelvio
