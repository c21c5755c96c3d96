#pragma once

#include "AppState.h"
#include "KeyedListModel.h"
#include "PanelText.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <chrono>

class QQmlEngine;
class QJSEngine;

namespace quelvio {

// The state as the QML views see it (the singleton "App"): plain strings, flags, lists of maps
// and diffing list models, and the state's operations under names QML can call. It decides
// nothing the state does not: every text comes from the tested PanelText rules.
class StateBridge : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(App)
    QML_SINGLETON

    Q_PROPERTY(QString connection READ connection NOTIFY connectionChanged)
    Q_PROPERTY(QString connectionLabel READ connectionLabel NOTIFY connectionChanged)
    Q_PROPERTY(QString banner READ banner NOTIFY bannerChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(QString routeKind READ routeKind NOTIFY routeChanged)
    Q_PROPERTY(qint64 routeProductID READ routeProductID NOTIFY routeChanged)
    Q_PROPERTY(QString selectedTab READ selectedTab NOTIFY selectedTabChanged)
    // Where the selected tab stands in `tabs`, so a switch knows the side it comes from.
    Q_PROPERTY(int selectedTabIndex READ selectedTabIndex NOTIFY selectedTabChanged)
    Q_PROPERTY(QVariantList tabs READ tabs CONSTANT)
    Q_PROPERTY(QString productQuery READ productQuery NOTIFY filtersChanged)
    Q_PROPERTY(QString productSource READ productSource NOTIFY filtersChanged)
    Q_PROPERTY(QString productCategory READ productCategory NOTIFY filtersChanged)
    Q_PROPERTY(QString productSubtype READ productSubtype NOTIFY filtersChanged)
    Q_PROPERTY(QString productSort READ productSort NOTIFY filtersChanged)
    Q_PROPERTY(QString favoriteSort READ favoriteSort NOTIFY filtersChanged)
    Q_PROPERTY(QVariantList sortOptions READ sortOptions CONSTANT)
    Q_PROPERTY(QVariantList categoryChips READ categoryChips NOTIFY categoriesChanged)
    Q_PROPERTY(QVariantList subtypeChips READ subtypeChips NOTIFY filtersChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY loadingChanged)
    Q_PROPERTY(bool isLoadingMoreProducts READ isLoadingMoreProducts NOTIFY loadingChanged)
    Q_PROPERTY(bool canLoadMoreProducts READ canLoadMoreProducts NOTIFY loadingChanged)
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY sessionChanged)
    Q_PROPERTY(bool hasAPIKey READ hasAPIKey NOTIFY sessionChanged)
    Q_PROPERTY(QString scrapeBusySlug READ scrapeBusySlug NOTIFY scrapeBusySlugChanged)
    Q_PROPERTY(
        QString sourceRequestURL READ sourceRequestURL WRITE setSourceRequestURL NOTIFY sourceRequestChanged)
    Q_PROPERTY(QString sourceRequestName READ sourceRequestName WRITE setSourceRequestName NOTIFY
                   sourceRequestChanged)
    Q_PROPERTY(bool sourceRequestBusy READ sourceRequestBusy NOTIFY sourceRequestChanged)
    Q_PROPERTY(QString sourceRequestTitle READ sourceRequestTitle NOTIFY sourceRequestChanged)
    Q_PROPERTY(bool canSubmitSourceRequest READ canSubmitSourceRequest NOTIFY sourceRequestChanged)
    // What each tab's body shows (PanelText::tabBodyName) and its placeholder: icon, text, detail.
    Q_PROPERTY(QString productsBody READ productsBody NOTIFY contentChanged)
    Q_PROPERTY(QVariantMap productsPlaceholder READ productsPlaceholder NOTIFY contentChanged)
    Q_PROPERTY(QString favoritesBody READ favoritesBody NOTIFY contentChanged)
    Q_PROPERTY(QVariantMap favoritesPlaceholder READ favoritesPlaceholder NOTIFY contentChanged)
    Q_PROPERTY(QString sourcesBody READ sourcesBody NOTIFY contentChanged)
    Q_PROPERTY(QVariantMap sourcesPlaceholder READ sourcesPlaceholder NOTIFY contentChanged)
    Q_PROPERTY(bool usesPollingFallback READ usesPollingFallback NOTIFY usesPollingFallbackChanged)
    Q_PROPERTY(bool hasSources READ hasSources NOTIFY shopsChanged)
    Q_PROPERTY(bool hasFavorites READ hasFavorites NOTIFY favoritesChanged)
    Q_PROPERTY(QString authUsername READ authUsername WRITE setAuthUsername NOTIFY accountChanged)
    Q_PROPERTY(QString authPassword READ authPassword WRITE setAuthPassword NOTIFY accountChanged)
    Q_PROPERTY(QString authRedeem READ authRedeem WRITE setAuthRedeem NOTIFY accountChanged)
    Q_PROPERTY(bool isRegistering READ isRegistering WRITE setIsRegistering NOTIFY accountChanged)
    Q_PROPERTY(QString redeemInput READ redeemInput WRITE setRedeemInput NOTIFY accountChanged)
    Q_PROPERTY(QString username READ username NOTIFY accountChanged)
    Q_PROPERTY(QString roleLabel READ roleLabel NOTIFY accountChanged)
    Q_PROPERTY(bool isMember READ isMember NOTIFY accountChanged)
    Q_PROPERTY(QVariantMap detail READ detail NOTIFY detailChanged)
    Q_PROPERTY(bool isDetailLoading READ isDetailLoading NOTIFY detailChanged)
    // The open product's history for the chart item (a QList<PriceSnapshot>).
    Q_PROPERTY(QVariant history READ history NOTIFY detailChanged)
    Q_PROPERTY(quelvio::KeyedListModel* products READ products CONSTANT)
    Q_PROPERTY(quelvio::KeyedListModel* favoriteProducts READ favoriteProducts CONSTANT)
    Q_PROPERTY(quelvio::KeyedListModel* favoriteShops READ favoriteShops CONSTANT)
    Q_PROPERTY(quelvio::KeyedListModel* includedShops READ includedShops CONSTANT)
    Q_PROPERTY(quelvio::KeyedListModel* pendingShops READ pendingShops CONSTANT)

public:
    // How long a banner text stays before it clears itself.
    static constexpr std::chrono::milliseconds bannerLifetime{3200};

    explicit StateBridge(AppState& state,
                         std::chrono::milliseconds bannerLifetime = StateBridge::bannerLifetime,
                         QObject* parent = nullptr);
    ~StateBridge() override;

    // The instance QML gets; set by whoever owns the state (the program, or a test).
    static void setShared(StateBridge* bridge);
    static StateBridge* create(QQmlEngine*, QJSEngine*);

    AppState& state() const { return *m_state; }

    QString connection() const;
    QString connectionLabel() const;
    QString banner() const { return m_state->banner().value_or(QString()); }
    QString lastError() const { return m_state->lastError().value_or(QString()); }
    QString routeKind() const;
    qint64 routeProductID() const { return m_state->route().productID; }
    QString selectedTab() const { return rawValue(m_state->selectedTab()); }
    int selectedTabIndex() const;
    QVariantList tabs() const;
    QString productQuery() const { return m_state->productQuery(); }
    QString productSource() const { return m_state->productSource().value_or(QString()); }
    QString productCategory() const { return m_state->productCategory().value_or(QString()); }
    QString productSubtype() const { return m_state->productSubtype().value_or(QString()); }
    QString productSort() const { return rawValue(m_state->productSort()); }
    QString favoriteSort() const { return rawValue(m_state->favoriteSort()); }
    QVariantList sortOptions() const;
    QVariantList categoryChips() const;
    QVariantList subtypeChips() const;
    bool isLoading() const { return m_state->isLoading(); }
    bool isLoadingMoreProducts() const { return m_state->isLoadingMoreProducts(); }
    bool canLoadMoreProducts() const { return m_state->canLoadMoreProducts(); }
    bool isLoggedIn() const { return m_state->session().isLoggedIn(); }
    bool hasAPIKey() const { return m_state->session().hasAPIKey(); }
    QString scrapeBusySlug() const { return m_state->scrapeBusySlug().value_or(QString()); }
    QString sourceRequestURL() const { return m_state->sourceRequestURL(); }
    void setSourceRequestURL(const QString& value) { m_state->setSourceRequestURL(value); }
    QString sourceRequestName() const { return m_state->sourceRequestName(); }
    void setSourceRequestName(const QString& value) { m_state->setSourceRequestName(value); }
    bool sourceRequestBusy() const { return m_state->sourceRequestBusy(); }
    QString sourceRequestTitle() const;
    bool canSubmitSourceRequest() const { return isLoggedIn() && !sourceRequestBusy(); }
    QString productsBody() const;
    QVariantMap productsPlaceholder() const;
    QString favoritesBody() const;
    QVariantMap favoritesPlaceholder() const;
    QString sourcesBody() const;
    QVariantMap sourcesPlaceholder() const;
    bool usesPollingFallback() const { return m_state->usesPollingFallback(); }
    bool hasSources() const { return !m_state->sources().isEmpty(); }
    bool hasFavorites() const { return !m_state->favorites().isEmpty(); }
    QString authUsername() const { return m_state->authUsername(); }
    void setAuthUsername(const QString& value) { m_state->setAuthUsername(value); }
    QString authPassword() const { return m_state->authPassword(); }
    void setAuthPassword(const QString& value) { m_state->setAuthPassword(value); }
    QString authRedeem() const { return m_state->authRedeem(); }
    void setAuthRedeem(const QString& value) { m_state->setAuthRedeem(value); }
    bool isRegistering() const { return m_state->isRegistering(); }
    void setIsRegistering(bool value) { m_state->setIsRegistering(value); }
    QString redeemInput() const { return m_state->redeemInput(); }
    void setRedeemInput(const QString& value) { m_state->setRedeemInput(value); }
    QString username() const;
    QString roleLabel() const {
        return m_state->currentUser() ? m_state->currentUser()->roleLabel() : QString();
    }
    bool isMember() const { return m_state->currentUser() && m_state->currentUser()->isMember; }
    QVariantMap detail() const;
    bool isDetailLoading() const { return m_state->isDetailLoading(); }
    QVariant history() const { return QVariant::fromValue(m_state->productHistory()); }
    KeyedListModel* products() const { return m_products; }
    KeyedListModel* favoriteProducts() const { return m_favoriteProducts; }
    KeyedListModel* favoriteShops() const { return m_favoriteShops; }
    KeyedListModel* includedShops() const { return m_includedShops; }
    KeyedListModel* pendingShops() const { return m_pendingShops; }

    Q_INVOKABLE void appear() { m_state->appearOnPanel(); }
    Q_INVOKABLE void selectTab(const QString& tab);
    Q_INVOKABLE void showSettings() { m_state->setRoute(PanelRoute::settings()); }
    Q_INVOKABLE void popToRoot() { m_state->popToRoot(); }
    Q_INVOKABLE void dismissBanner() { m_state->setBanner(std::nullopt); }
    Q_INVOKABLE bool setPriceTarget(qint64 productID, const QString& text) {
        return m_state->setPriceTarget(productID, text);
    }
    Q_INVOKABLE void setAlertsMuted(qint64 productID, bool muted) {
        m_state->setAlertsMuted(productID, muted);
    }
    Q_INVOKABLE void applyProductQuery(const QString& text) { m_state->applyProductQuery(text); }
    // An empty key clears the filter.
    Q_INVOKABLE void applyProductCategory(const QString& key);
    Q_INVOKABLE void applyProductSubtype(const QString& key);
    Q_INVOKABLE void applyProductSource(const QString& slug);
    Q_INVOKABLE void applyProductSort(const QString& sort);
    Q_INVOKABLE void applyFavoriteSort(const QString& sort);
    Q_INVOKABLE void loadMoreProducts() { m_state->loadMoreProducts(); }
    // The product list scrolled or changed size: loads the next page once its last row is in view.
    Q_INVOKABLE void productListMoved(double viewportBottom, double contentHeight, double loadMoreRowHeight);
    Q_INVOKABLE void openProduct(qint64 id) { m_state->openProduct(id); }
    Q_INVOKABLE void browseShop(const QString& slug) { m_state->browseShop(slug); }
    Q_INVOKABLE void toggleFavoriteProduct(qint64 id);
    Q_INVOKABLE void toggleDownProduct(qint64 id);
    Q_INVOKABLE void toggleFavoriteShop(const QString& slug);
    Q_INVOKABLE void removeFavoriteShop(qint64 reactionID) { m_state->removeFavoriteShop(reactionID); }
    // An empty slug scrapes every shop.
    Q_INVOKABLE void scrape(const QString& slug);
    Q_INVOKABLE void submitSourceRequest();
    Q_INVOKABLE void refreshSources();
    // What the window shows, catalogue included: the user asked for it.
    Q_INVOKABLE void refreshVisible();
    Q_INVOKABLE void quit() { emit quitRequested(); }
    Q_INVOKABLE void loginOrRegister() { m_state->loginOrRegister(); }
    Q_INVOKABLE void logout() { m_state->logout(); }
    Q_INVOKABLE void redeemMembership() { m_state->redeemMembership(); }
    Q_INVOKABLE void openProductPage();

signals:
    void connectionChanged();
    void bannerChanged();
    void lastErrorChanged();
    void routeChanged();
    void selectedTabChanged();
    void filtersChanged();
    void categoriesChanged();
    void loadingChanged();
    void sessionChanged();
    void scrapeBusySlugChanged();
    void sourceRequestChanged();
    void usesPollingFallbackChanged();
    void shopsChanged();
    void favoritesChanged();
    void accountChanged();
    void detailChanged();
    void contentChanged();
    // The panel's expand and close buttons: the shell decides what they do.
    void expandRequested();
    void quitRequested();
    void closeRequested();

private:
    PanelText::TabContent productsContent() const;
    PanelText::TabContent favoritesContent() const;
    PanelText::TabContent sourcesContent() const;
    void scheduleRows();
    void rebuildRows();
    void bannerShown();

    QPointer<AppState> m_state;
    std::chrono::milliseconds m_bannerLifetime;
    KeyedListModel* m_products;
    KeyedListModel* m_favoriteProducts;
    KeyedListModel* m_favoriteShops;
    KeyedListModel* m_includedShops;
    KeyedListModel* m_pendingShops;
    bool m_rowsPending = false;
};

} // namespace quelvio
