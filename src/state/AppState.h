#pragma once

#include "APIClient.h"
#include "AlertSink.h"
#include "AlertStore.h"
#include "LaunchAtLoginService.h"
#include "Presentation/ProductOrdering.h"
#include "Presentation/StatusItem.h"
#include "Reconnection.h"
#include "SessionStore.h"
#include "TaskHandle.h"
#include "ThemeSink.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <chrono>
#include <memory>
#include <optional>

namespace quelvio {

enum class ConnectionState { unknown, online, offline };

// Which page the panel and the main window show.
struct PanelRoute {
    enum class Kind { product, root, settings };
    Kind kind = Kind::root;
    qint64 productID = 0; // only for product

    static PanelRoute product(qint64 id) { return {Kind::product, id}; }
    static PanelRoute root() { return {Kind::root, 0}; }
    static PanelRoute settings() { return {Kind::settings, 0}; }
    bool isProduct(qint64 id) const { return kind == Kind::product && productID == id; }

    bool operator==(const PanelRoute&) const = default;
};

// What the state needs from the layers above it and from the platform. Any may be absent (tests,
// a headless run): the theme then goes nowhere, launch at login reads as not found, and without
// both alerts and their store no price is watched.
struct StateSeams {
    ThemeSink* theme = nullptr;
    LaunchAtLoginService* launchAtLogin = nullptr;
    AlertSink* alerts = nullptr;
    AlertStoring* alertStore = nullptr;
};

// Notes for every coroutine here: parameters are taken by value, since a reference may dangle
// once the coroutine has suspended; and GCC 12 destroys class temporaries created inside a
// co_await expression twice, so arguments are built into named locals before they are awaited.

// The single observable state of the application: everything the views show, the server client
// and the background tasks. It is the only place that talks to the server. Every field notifies
// its change; operations that talk to the server are coroutines the views start and forget.
class AppState : public QObject {
    Q_OBJECT

    Q_PROPERTY(quelvio::SessionSnapshot session READ session NOTIFY sessionChanged)
    Q_PROPERTY(std::optional<quelvio::User> currentUser READ currentUser NOTIFY currentUserChanged)
    Q_PROPERTY(quelvio::ConnectionState connection READ connection NOTIFY connectionChanged)
    Q_PROPERTY(std::optional<quelvio::Health> health READ health NOTIFY healthChanged)
    Q_PROPERTY(QList<quelvio::Source> sources READ sources NOTIFY sourcesChanged)
    Q_PROPERTY(QList<quelvio::ProductCategory> categories READ categories NOTIFY categoriesChanged)
    Q_PROPERTY(QList<quelvio::Product> products READ products NOTIFY productsChanged)
    Q_PROPERTY(QList<quelvio::Reaction> favorites READ favorites NOTIFY favoritesChanged)
    Q_PROPERTY(QList<quelvio::ScrapeRun> scrapeRuns READ scrapeRuns NOTIFY scrapeRunsChanged)
    Q_PROPERTY(quelvio::PanelRoute route READ route WRITE setRoute NOTIFY routeChanged)
    Q_PROPERTY(quelvio::MenuBarDropdownTab selectedTab READ selectedTab NOTIFY selectedTabChanged)
    Q_PROPERTY(QString productQuery READ productQuery NOTIFY productQueryChanged)
    Q_PROPERTY(std::optional<QString> productSource READ productSource NOTIFY productSourceChanged)
    Q_PROPERTY(std::optional<QString> productCategory READ productCategory NOTIFY productCategoryChanged)
    Q_PROPERTY(std::optional<QString> productSubtype READ productSubtype NOTIFY productSubtypeChanged)
    Q_PROPERTY(quelvio::ProductSort productSort READ productSort NOTIFY productSortChanged)
    Q_PROPERTY(quelvio::ProductSort favoriteSort READ favoriteSort NOTIFY favoriteSortChanged)
    Q_PROPERTY(std::optional<quelvio::Product> productDetail READ productDetail NOTIFY productDetailChanged)
    Q_PROPERTY(QList<quelvio::PriceSnapshot> productHistory READ productHistory NOTIFY productHistoryChanged)
    Q_PROPERTY(QString reportNote READ reportNote WRITE setReportNote NOTIFY reportNoteChanged)
    Q_PROPERTY(
        bool showReportField READ showReportField WRITE setShowReportField NOTIFY showReportFieldChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool isDetailLoading READ isDetailLoading NOTIFY isDetailLoadingChanged)
    Q_PROPERTY(std::optional<QString> banner READ banner WRITE setBanner NOTIFY bannerChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(QString authUsername READ authUsername WRITE setAuthUsername NOTIFY authUsernameChanged)
    Q_PROPERTY(QString authPassword READ authPassword WRITE setAuthPassword NOTIFY authPasswordChanged)
    Q_PROPERTY(QString authRedeem READ authRedeem WRITE setAuthRedeem NOTIFY authRedeemChanged)
    Q_PROPERTY(bool isRegistering READ isRegistering WRITE setIsRegistering NOTIFY isRegisteringChanged)
    Q_PROPERTY(QString redeemInput READ redeemInput WRITE setRedeemInput NOTIFY redeemInputChanged)
    Q_PROPERTY(QList<quelvio::User> adminUsers READ adminUsers NOTIFY adminUsersChanged)
    Q_PROPERTY(QList<quelvio::RedeemCode> adminCodes READ adminCodes NOTIFY adminCodesChanged)
    Q_PROPERTY(QList<quelvio::Reaction> adminReports READ adminReports NOTIFY adminReportsChanged)
    Q_PROPERTY(
        QString adminUserQuery READ adminUserQuery WRITE setAdminUserQuery NOTIFY adminUserQueryChanged)
    Q_PROPERTY(QString newCode READ newCode WRITE setNewCode NOTIFY newCodeChanged)
    Q_PROPERTY(QString newCodeUses READ newCodeUses WRITE setNewCodeUses NOTIFY newCodeUsesChanged)
    Q_PROPERTY(QString newCodeNote READ newCodeNote WRITE setNewCodeNote NOTIFY newCodeNoteChanged)
    Q_PROPERTY(quelvio::LaunchAtLoginStatus launchAtLoginStatus READ launchAtLoginStatus WRITE
                   setLaunchAtLoginStatus NOTIFY launchAtLoginStatusChanged)
    Q_PROPERTY(QSet<QString> favoriteSourceSlugs READ favoriteSourceSlugs NOTIFY favoriteSourceSlugsChanged)
    Q_PROPERTY(QSet<qint64> favoriteProductIDs READ favoriteProductIDs NOTIFY favoriteProductIDsChanged)
    Q_PROPERTY(QSet<qint64> downProductIDs READ downProductIDs NOTIFY downProductIDsChanged)
    Q_PROPERTY(QSet<qint64> reportedProductIDs READ reportedProductIDs NOTIFY reportedProductIDsChanged)
    Q_PROPERTY(std::optional<QString> scrapeBusySlug READ scrapeBusySlug NOTIFY scrapeBusySlugChanged)
    Q_PROPERTY(bool usesPollingFallback READ usesPollingFallback NOTIFY usesPollingFallbackChanged)
    Q_PROPERTY(bool canLoadMoreProducts READ canLoadMoreProducts NOTIFY canLoadMoreProductsChanged)
    Q_PROPERTY(bool isLoadingMoreProducts READ isLoadingMoreProducts NOTIFY isLoadingMoreProductsChanged)
    Q_PROPERTY(QString sourceRequestURL READ sourceRequestURL WRITE setSourceRequestURL NOTIFY
                   sourceRequestURLChanged)
    Q_PROPERTY(QString sourceRequestName READ sourceRequestName WRITE setSourceRequestName NOTIFY
                   sourceRequestNameChanged)
    Q_PROPERTY(bool sourceRequestBusy READ sourceRequestBusy NOTIFY sourceRequestBusyChanged)
    Q_PROPERTY(bool isAdmin READ isAdmin NOTIFY currentUserChanged)

public:
    // The design's timing constants. Tests shorten them; the application never does.
    struct Timings {
        std::chrono::milliseconds pollInterval{30'000};
        std::chrono::milliseconds searchDebounce{280};
        std::chrono::milliseconds requestDeadline = APIClient::defaultDeadline;
        std::chrono::milliseconds healthDeadline = APIClient::defaultHealthDeadline;
        // A stream that delivers nothing at all (not even a heartbeat) this long is ended.
        std::chrono::milliseconds streamSilenceLimit{90'000};
        // Refreshes the stream asks for start at most this often.
        std::chrono::milliseconds streamRefreshSpacing{1'000};
        ReconnectBackoff::Limits reconnect{};
    };

    AppState(SessionStoring& store, QNetworkAccessManager* network, Timings timings,
             StateSeams seams = StateSeams());
    AppState(SessionStoring& store, QNetworkAccessManager* network, StateSeams seams = StateSeams())
        : AppState(store, network, Timings{}, seams) {}
    ~AppState() override;

    // Start-up and session (state model)
    void start();
    void updateBaseURL(const QString& value);
    void persistAndRebuild();
    void popToRoot();
    void chooseTheme(AppTheme theme);
    void setPriceDropAlerts(bool enabled);
    void setMinimumDropPercent(int percent);

    // Price alerts of the signed-in account. A target is typed in the open product's currency;
    // empty text removes it, text that is no positive number is refused with a banner.
    PriceRule priceRule(qint64 productID);
    bool setPriceTarget(qint64 productID, const QString& text);
    void setAlertsMuted(qint64 productID, bool muted);

    // Launch at login. A refused change leaves the status as it was and says why in the banner;
    // returns whether the change went through.
    void refreshLaunchAtLogin();
    bool setLaunchAtLogin(bool enabled);

    // Live updates
    QCoro::Task<void> refreshVisible(bool forceCatalog);
    void appearOnPanel();
    // The network is back or the machine woke up: refresh now, and open the stream again at once
    // (the one that looks open may have died unnoticed meanwhile).
    void resumeLive();

    // Catalogue browsing
    void selectTab(MenuBarDropdownTab tab);
    void browseShop(const QString& slug);
    void applyProductQuery(const QString& text);
    void applyProductSource(const std::optional<QString>& slug);
    void applyProductCategory(const std::optional<QString>& id);
    void applyProductSubtype(const std::optional<QString>& subtype);
    void applyProductSort(ProductSort sort);
    void applyFavoriteSort(ProductSort sort);
    void loadMoreProducts();
    void openProduct(qint64 id);
    // The open product's page for the desktop to open: only a web address leaves the app; for
    // anything else the server sent the banner says so and nothing is returned.
    std::optional<QUrl> productPageToOpen();

    // Reactions and favourites
    QCoro::Task<void> toggleFavorite(qint64 productID, bool currently);
    QCoro::Task<void> toggleDown(qint64 productID, bool currently);
    QCoro::Task<void> toggleFavorite(QString sourceSlug, bool currently);
    // The star of a row on the favourites tab: it always removes that favourite.
    void removeFavoriteShop(qint64 reactionID);

    // Account and membership
    QCoro::Task<void> loginOrRegister();
    QCoro::Task<void> logout();
    QCoro::Task<void> redeemMembership();

    // Shop requests and scraping; an absent slug scrapes every shop
    QCoro::Task<void> submitSourceRequest();
    QCoro::Task<void> scrape(std::optional<QString> slug);

    // Administration
    QCoro::Task<void> loadAdmin();
    QCoro::Task<void> searchAdminUsers();
    QCoro::Task<void> setRole(qint64 userID, QString role);
    QCoro::Task<void> createRedeemCode();

    // Derived values
    bool isAdmin() const { return m_currentUser && m_currentUser->isAdmin; }
    ProductOrdering::Partition displayedProductSections() const;
    QList<Source> includedSources() const;
    QList<Source> pendingSources() const;
    QList<Reaction> favoriteProducts() const;
    QList<Reaction> favoriteShops() const;
    std::optional<ScrapeRun> latestRun(const QString& slug) const;

    // The client in use; replaced whenever the session is saved.
    const APIClient& client() const { return m_client; }
    // The kept tasks, for the shell's termination and for tests.
    const std::shared_ptr<TaskHandle>& pollTask() const { return m_pollTask; }
    const std::shared_ptr<TaskHandle>& streamTask() const { return m_streamTask; }
    const std::shared_ptr<TaskHandle>& searchTask() const { return m_searchTask; }
    void cancelKeptTasks();

    // Field accessors
    const SessionSnapshot& session() const { return m_session; }
    void setSession(const SessionSnapshot& session); // the settings screen; follow with persistAndRebuild()
    const std::optional<User>& currentUser() const { return m_currentUser; }
    ConnectionState connection() const { return m_connection; }
    const std::optional<Health>& health() const { return m_health; }
    const QList<Source>& sources() const { return m_sources; }
    const QList<ProductCategory>& categories() const { return m_categories; }
    const QList<Product>& products() const { return m_products; }
    const QList<Reaction>& favorites() const { return m_favorites; }
    const QList<ScrapeRun>& scrapeRuns() const { return m_scrapeRuns; }
    const PanelRoute& route() const { return m_route; }
    void setRoute(const PanelRoute& route);
    MenuBarDropdownTab selectedTab() const { return m_selectedTab; }
    const QString& productQuery() const { return m_productQuery; }
    const std::optional<QString>& productSource() const { return m_productSource; }
    const std::optional<QString>& productCategory() const { return m_productCategory; }
    const std::optional<QString>& productSubtype() const { return m_productSubtype; }
    ProductSort productSort() const { return m_productSort; }
    ProductSort favoriteSort() const { return m_favoriteSort; }
    const std::optional<Product>& productDetail() const { return m_productDetail; }
    const QList<PriceSnapshot>& productHistory() const { return m_productHistory; }
    const QString& reportNote() const { return m_reportNote; }
    void setReportNote(const QString& value);
    bool showReportField() const { return m_showReportField; }
    void setShowReportField(bool value);
    bool isLoading() const { return m_isLoading; }
    bool isDetailLoading() const { return m_isDetailLoading; }
    const std::optional<QString>& banner() const { return m_banner; }
    void setBanner(const std::optional<QString>& value);
    const std::optional<QString>& lastError() const { return m_lastError; }
    const QString& authUsername() const { return m_authUsername; }
    void setAuthUsername(const QString& value);
    const QString& authPassword() const { return m_authPassword; }
    void setAuthPassword(const QString& value);
    const QString& authRedeem() const { return m_authRedeem; }
    void setAuthRedeem(const QString& value);
    bool isRegistering() const { return m_isRegistering; }
    void setIsRegistering(bool value);
    const QString& redeemInput() const { return m_redeemInput; }
    void setRedeemInput(const QString& value);
    const QList<User>& adminUsers() const { return m_adminUsers; }
    const QList<RedeemCode>& adminCodes() const { return m_adminCodes; }
    const QList<Reaction>& adminReports() const { return m_adminReports; }
    const QString& adminUserQuery() const { return m_adminUserQuery; }
    void setAdminUserQuery(const QString& value);
    const QString& newCode() const { return m_newCode; }
    void setNewCode(const QString& value);
    const QString& newCodeUses() const { return m_newCodeUses; }
    void setNewCodeUses(const QString& value);
    const QString& newCodeNote() const { return m_newCodeNote; }
    void setNewCodeNote(const QString& value);
    LaunchAtLoginStatus launchAtLoginStatus() const { return m_launchAtLoginStatus; }
    void setLaunchAtLoginStatus(LaunchAtLoginStatus value);
    const QSet<QString>& favoriteSourceSlugs() const { return m_favoriteSourceSlugs; }
    const QSet<qint64>& favoriteProductIDs() const { return m_favoriteProductIDs; }
    const QSet<qint64>& downProductIDs() const { return m_downProductIDs; }
    const QSet<qint64>& reportedProductIDs() const { return m_reportedProductIDs; }
    const std::optional<QString>& scrapeBusySlug() const { return m_scrapeBusySlug; }
    bool usesPollingFallback() const { return m_usesPollingFallback; }
    bool canLoadMoreProducts() const { return m_canLoadMoreProducts; }
    bool isLoadingMoreProducts() const { return m_isLoadingMoreProducts; }
    const QString& sourceRequestURL() const { return m_sourceRequestURL; }
    void setSourceRequestURL(const QString& value);
    const QString& sourceRequestName() const { return m_sourceRequestName; }
    void setSourceRequestName(const QString& value);
    bool sourceRequestBusy() const { return m_sourceRequestBusy; }

signals:
    void sessionChanged();
    void currentUserChanged();
    void connectionChanged();
    void healthChanged();
    void sourcesChanged();
    void categoriesChanged();
    void productsChanged();
    void favoritesChanged();
    void scrapeRunsChanged();
    void routeChanged();
    void selectedTabChanged();
    void productQueryChanged();
    void productSourceChanged();
    void productCategoryChanged();
    void productSubtypeChanged();
    void productSortChanged();
    void favoriteSortChanged();
    void productDetailChanged();
    void productHistoryChanged();
    void reportNoteChanged();
    void showReportFieldChanged();
    void isLoadingChanged();
    void isDetailLoadingChanged();
    void bannerChanged();
    void lastErrorChanged();
    void authUsernameChanged();
    void authPasswordChanged();
    void authRedeemChanged();
    void isRegisteringChanged();
    void redeemInputChanged();
    void adminUsersChanged();
    void adminCodesChanged();
    void adminReportsChanged();
    void adminUserQueryChanged();
    void newCodeChanged();
    void newCodeUsesChanged();
    void newCodeNoteChanged();
    void launchAtLoginStatusChanged();
    void favoriteSourceSlugsChanged();
    void favoriteProductIDsChanged();
    void priceRulesChanged();
    void downProductIDsChanged();
    void reportedProductIDsChanged();
    void scrapeBusySlugChanged();
    void usesPollingFallbackChanged();
    void canLoadMoreProductsChanged();
    void isLoadingMoreProductsChanged();
    void sourceRequestURLChanged();
    void sourceRequestNameChanged();
    void sourceRequestBusyChanged();

private:
    enum class ProductLoadMode { replace, append, refresh };

    // A server call's result, or the error it ended in; never throws.
    template <typename T>
    struct Attempt {
        std::optional<T> value;
        std::optional<ZeltorAPIError> error;
        explicit operator bool() const { return value.has_value(); }
    };
    template <typename T>
    static QCoro::Task<Attempt<T>> attempt(QCoro::Task<T> call) {
        Attempt<T> result;
        try {
            result.value = co_await call;
        } catch (const ZeltorAPIError& error) {
            result.error = error;
        } catch (const std::exception& error) {
            // Anything else is reported with its own text, like any transport failure.
            result.error = ZeltorAPIError::transport(QString::fromUtf8(error.what()));
        }
        co_return result;
    }
    static QCoro::Task<std::optional<ZeltorAPIError>> attemptVoid(QCoro::Task<void> call);

    // Starts a task nobody awaits; whatever it throws is dropped.
    static void detach(QCoro::Task<void> task);

    // State model
    QCoro::Task<void> loadHealth();
    QCoro::Task<void> loadStatus();
    // Shows a failure. Only a request that carried the user's token can tell that the sign-in has
    // expired; an API key the server refuses says nothing about it.
    void present(const ZeltorAPIError& error, bool sentUserToken = true);
    bool handleAuthFailure(const ZeltorAPIError& error);

    // Live updates
    void startRealtime();
    void startStream();
    QCoro::Task<void> followStream(TaskHandle& task);
    // One connection, from the request to its end.
    // One connection, from the request to its end; nothing when no stream can be asked for.
    // catchUp: refresh once connected, for what was missed since the last one.
    QCoro::Task<std::optional<ReconnectBackoff::Ending>> listenToStream(TaskHandle& task, bool catchUp);
    void refreshForStream(bool forceCatalog);

    // Catalogue browsing
    QCoro::Task<void> loadProducts(ProductLoadMode mode, QList<Product> retaining,
                                   QSet<qint64> forcedDownIDs);
    QCoro::Task<void> loadProductDetail(qint64 id, bool silent);
    QCoro::Task<void> loadSources();
    QCoro::Task<void> loadCategories();
    void startReplaceLoad();

    // Reactions and favourites
    QCoro::Task<void> loadFavorites();
    // Whether the server took the change; nothing once the session changed while it was asked, so
    // that nothing is rolled back or shown in the next user's marks.
    QCoro::Task<std::optional<bool>> mutateReaction(ReactionRequest request, bool currentlyOn);
    void applyFlags(const ReactionFlags& flags, qint64 id);
    // Listed marks of a reply asked for at markClock; products the user has marked since keep
    // what the user did.
    void mergeListedReactionFlags(const QList<Product>& products, const QSet<qint64>& forcedDownIDs,
                                  quint64 askedAt);
    void noteMarkChanged(qint64 productID);
    bool markChangedSince(qint64 productID, quint64 askedAt) const;
    void patchDetailFlags(qint64 id);
    QCoro::Task<void> syncDetailFlags(qint64 id);

    // Price alerts: follows the favourites among the products shown by a load stamped askedAt
    // (from nextPriceStamp, taken when the load was asked) and raises what PriceAlerts::observe
    // tells. With the whole favourites list, prices of products no longer favourites are
    // forgotten (their rules stay, dormant).
    quint64 nextPriceStamp() { return ++m_priceClock; }
    void watchFavoritePrices(const QList<std::pair<Product, quint64>>& observed, bool wholeFavoritesList);
    void watchFavoritePrices(const QList<Product>& products, quint64 askedAt);
    // The signed-in account's book, loaded when the account changed; false when nobody is.
    bool openAlertBook();
    void putPriceRule(qint64 productID, const PriceRule& rule);

    // Account
    QCoro::Task<void> refreshMe();
    // Signed in: who it is and the favourites first, then what is shown.
    QCoro::Task<void> loadEverything();
    // The user and every mark and list that was theirs.
    void forgetUser();
    // The server's record of the signed-in user, and the name it goes by, kept and saved.
    void adoptUser(const User& user);

    // Assigns and notifies when the value changed.
    template <typename T>
    void assign(T& field, const T& value, void (AppState::*changed)()) {
        if (field == value)
            return;
        field = value;
        emit(this->*changed)();
    }

    void setCurrentUser(const std::optional<User>& value);
    void setConnection(ConnectionState value);
    void setHealth(const std::optional<Health>& value);
    void setSources(const QList<Source>& value);
    void setCategories(const QList<ProductCategory>& value);
    void setProducts(const QList<Product>& value);
    void setFavorites(const QList<Reaction>& value);
    void setScrapeRuns(const QList<ScrapeRun>& value);
    void setSelectedTab(MenuBarDropdownTab value);
    void setProductDetail(const std::optional<Product>& value);
    void setProductHistory(const QList<PriceSnapshot>& value);
    void setIsLoading(bool value);
    void setIsDetailLoading(bool value);
    void setLastError(const std::optional<QString>& value);
    void setAdminUsers(const QList<User>& value);
    void setAdminCodes(const QList<RedeemCode>& value);
    void setAdminReports(const QList<Reaction>& value);
    void setFavoriteSourceSlugs(const QSet<QString>& value);
    void setFavoriteProductIDs(const QSet<qint64>& value);
    void setDownProductIDs(const QSet<qint64>& value);
    void setReportedProductIDs(const QSet<qint64>& value);
    void setScrapeBusySlug(const std::optional<QString>& value);
    void setUsesPollingFallback(bool value);
    void setCanLoadMoreProducts(bool value);
    void setIsLoadingMoreProducts(bool value);
    void setSourceRequestBusy(bool value);

    SessionSnapshot m_session;
    std::optional<User> m_currentUser;
    ConnectionState m_connection = ConnectionState::unknown;
    std::optional<Health> m_health;
    QList<Source> m_sources;
    QList<ProductCategory> m_categories;
    QList<Product> m_products;
    QList<Reaction> m_favorites;
    QList<ScrapeRun> m_scrapeRuns;
    PanelRoute m_route;
    MenuBarDropdownTab m_selectedTab = defaultMenuBarDropdownTab;
    QString m_productQuery;
    std::optional<QString> m_productSource;
    std::optional<QString> m_productCategory;
    std::optional<QString> m_productSubtype;
    ProductSort m_productSort = defaultProductSort;
    ProductSort m_favoriteSort = defaultProductSort;
    std::optional<Product> m_productDetail;
    QList<PriceSnapshot> m_productHistory;
    QString m_reportNote;
    bool m_showReportField = false;
    bool m_isLoading = false;
    bool m_isDetailLoading = false;
    std::optional<QString> m_banner;
    std::optional<QString> m_lastError;
    QString m_authUsername;
    QString m_authPassword;
    QString m_authRedeem;
    bool m_isRegistering = false;
    QString m_redeemInput;
    QList<User> m_adminUsers;
    QList<RedeemCode> m_adminCodes;
    QList<Reaction> m_adminReports;
    QString m_adminUserQuery;
    QString m_newCode;
    QString m_newCodeUses = QStringLiteral("1");
    QString m_newCodeNote;
    LaunchAtLoginStatus m_launchAtLoginStatus = LaunchAtLoginStatus::notFound;
    QSet<QString> m_favoriteSourceSlugs;
    QSet<qint64> m_favoriteProductIDs;
    QSet<qint64> m_downProductIDs;
    QSet<qint64> m_reportedProductIDs;
    std::optional<QString> m_scrapeBusySlug;
    bool m_usesPollingFallback = false;
    bool m_canLoadMoreProducts = false;
    bool m_isLoadingMoreProducts = false;
    QString m_sourceRequestURL;
    QString m_sourceRequestName;
    bool m_sourceRequestBusy = false;

    SessionStoring& m_store;
    QPointer<QNetworkAccessManager> m_network;
    Timings m_timings;
    StateSeams m_seams;
    APIClient m_client;
    std::shared_ptr<TaskHandle> m_pollTask;
    std::shared_ptr<TaskHandle> m_streamTask;
    std::shared_ptr<TaskHandle> m_searchTask;
    std::shared_ptr<TaskHandle> m_streamRefreshTask;
    // Moves on whenever the signed-in user or the server changes; per-user replies requested
    // under an older epoch are dropped.
    quint64 m_sessionEpoch = 0;
    // Moves on whenever the server address changes; any reply requested under an older one is
    // dropped.
    quint64 m_serverEpoch = 0;
    // Taken before a wait: false afterwards once the state is gone or the epoch has moved on.
    template <quint64 AppState::*Epoch>
    class SameEpoch {
    public:
        explicit SameEpoch(AppState* state)
            : m_state(state)
            , m_epoch(state->*Epoch) {}
        explicit operator bool() const { return m_state && m_state->*Epoch == m_epoch; }

    private:
        QPointer<AppState> m_state;
        quint64 m_epoch;
    };
    using SameSession = SameEpoch<&AppState::m_sessionEpoch>; // same user on the same server
    using SameServer = SameEpoch<&AppState::m_serverEpoch>;
    // Counts the user's own mark changes; each product remembers the count at its last change.
    quint64 m_markClock = 0;
    QHash<qint64, quint64> m_markChangedAt;
    bool m_streamRefreshPending = false;
    bool m_streamRefreshForcesCatalog = false;
    QElapsedTimer m_lastStreamRefresh; // when the last refresh the stream asked for started
    int m_refreshesRunning = 0;        // refreshVisible calls under way
    qint64 m_loadGeneration = 0;
    bool m_firstPageLoading = false; // a first (or refreshed) page of products is on its way
    qint64 m_productNextOffset = 0;
    // The signed-in account's alert baselines and rules, whose they are, and the stamp of the
    // load each baseline came from.
    AlertBook m_alertBook;
    std::optional<QString> m_alertBookAccount;
    QHash<qint64, quint64> m_seenAskedAt;
    quint64 m_priceClock = 0;
};

} // namespace quelvio
