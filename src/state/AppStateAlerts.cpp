#include "AppState.h"

namespace quelvio {

void AppState::setPriceDropAlerts(bool enabled) {
    SessionSnapshot next = m_session;
    next.priceDropAlerts = enabled;
    setSession(next);
    persistAndRebuild();
}

void AppState::watchFavoritePrices(const QList<Product>& products, bool wholeFavoritesList) {
    if (!m_seams.alerts || !m_seams.seenPrices || !m_session.isLoggedIn())
        return;
    // Prices are facts of a server, favourites of a user: one baseline per account on a server.
    const QString account =
        m_session.normalizedBaseURL() + QLatin1Char('\n') + m_session.username.value_or(QString());
    if (m_seenPricesAccount != account) {
        m_seenPrices = m_seams.seenPrices->load(account);
        m_seenPricesAccount = account;
    }

    QList<PriceDrop> drops;
    bool changed = false;
    for (const Product& product : products) {
        if (!m_favoriteProductIDs.contains(product.id))
            continue;
        const std::optional<SeenPrice> now = PriceAlerts::seenPrice(product);
        if (!now)
            continue;
        const auto seen = m_seenPrices.constFind(product.id);
        // A favourite seen for the first time only sets its baseline.
        const std::optional<SeenPrice> before =
            seen == m_seenPrices.constEnd() ? std::nullopt : std::optional(*seen);
        if (auto drop = PriceAlerts::drop(product, before))
            drops.append(*drop);
        if (before != now) {
            m_seenPrices.insert(product.id, *now);
            changed = true;
        }
    }
    if (wholeFavoritesList) {
        for (auto it = m_seenPrices.begin(); it != m_seenPrices.end();) {
            if (m_favoriteProductIDs.contains(it.key())) {
                ++it;
            } else {
                it = m_seenPrices.erase(it);
                changed = true;
            }
        }
    }
    if (changed)
        m_seams.seenPrices->save(account, m_seenPrices);
    if (!m_session.priceDropAlerts)
        return;
    for (const PriceAlert& alert : PriceAlerts::alerts(drops))
        m_seams.alerts->raise(alert);
}

} // namespace quelvio
