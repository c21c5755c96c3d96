#include "AppState.h"

#include <algorithm>

namespace quelvio {

void AppState::setPriceDropAlerts(bool enabled) {
    SessionSnapshot next = m_session;
    next.priceDropAlerts = enabled;
    setSession(next);
    persistAndRebuild();
}

void AppState::setMinimumDropPercent(int percent) {
    if (std::ranges::find(PriceAlerts::minimumDropChoices, percent) == PriceAlerts::minimumDropChoices.end())
        return;
    SessionSnapshot next = m_session;
    next.minimumDropPercent = percent;
    setSession(next);
    persistAndRebuild();
}

bool AppState::openAlertBook() {
    if (!m_seams.alertStore || !m_session.isLoggedIn())
        return false;
    // Prices are facts of a server, favourites of a user: one book per account on a server.
    const QString account =
        m_session.normalizedBaseURL() + QLatin1Char('\n') + m_session.username.value_or(QString());
    if (m_alertBookAccount != account) {
        m_alertBook = m_seams.alertStore->load(account);
        m_alertBookAccount = account;
        m_seenAskedAt.clear();
        emit priceRulesChanged();
    }
    return true;
}

PriceRule AppState::priceRule(qint64 productID) {
    return openAlertBook() ? m_alertBook.rules.value(productID) : PriceRule{};
}

void AppState::putPriceRule(qint64 productID, const PriceRule& rule) {
    if (m_alertBook.rules.value(productID) == rule)
        return;
    if (rule.isEmpty())
        m_alertBook.rules.remove(productID);
    else
        m_alertBook.rules.insert(productID, rule);
    m_seams.alertStore->save(*m_alertBookAccount, m_alertBook);
    emit priceRulesChanged();
}

bool AppState::setPriceTarget(qint64 productID, const QString& text) {
    if (!openAlertBook())
        return false;
    PriceRule rule = m_alertBook.rules.value(productID);
    if (text.trimmed().isEmpty()) {
        rule.target.reset();
        rule.targetTold = false;
        putPriceRule(productID, rule);
        return true;
    }
    const bool open = m_productDetail && m_productDetail->id == productID;
    const std::optional<SeenPrice> target = open ? PriceAlerts::target(text, *m_productDetail) : std::nullopt;
    if (!target) {
        setBanner(QStringLiteral("目标价须为大于 0 的数字"));
        return false;
    }
    if (target == rule.target)
        return true;
    rule.target = target;
    rule.targetTold = false;
    putPriceRule(productID, rule);
    // A price already at the target is told by the next load: this one, not the next refresh.
    loadProductDetail(productID, true);
    return true;
}

void AppState::setAlertsMuted(qint64 productID, bool muted) {
    if (!openAlertBook())
        return;
    PriceRule rule = m_alertBook.rules.value(productID);
    rule.muted = muted;
    putPriceRule(productID, rule);
}

void AppState::watchFavoritePrices(const QList<Product>& products, quint64 askedAt) {
    QList<std::pair<Product, quint64>> observed;
    for (const Product& product : products)
        observed.append({product, askedAt});
    watchFavoritePrices(observed, false);
}

void AppState::watchFavoritePrices(const QList<std::pair<Product, quint64>>& observed,
                                   bool wholeFavoritesList) {
    if (!m_seams.alerts || !openAlertBook())
        return;
    QList<PriceDrop> drops;
    QList<TargetReached> reached;
    bool changed = false;
    for (const auto& [product, askedAt] : observed) {
        if (!m_favoriteProductIDs.contains(product.id))
            continue;
        const auto seen = m_alertBook.seen.constFind(product.id);
        const PriceWatch before{seen == m_alertBook.seen.constEnd() ? std::nullopt : std::optional(*seen),
                                m_seenAskedAt.value(product.id), m_alertBook.rules.value(product.id)};
        const Observed after = PriceAlerts::observe(before, product, askedAt, m_session.minimumDropPercent);
        if (after.drop)
            drops.append(*after.drop);
        if (after.reached)
            reached.append(*after.reached);
        m_seenAskedAt.insert(product.id, after.watch.seenAskedAt);
        if (after.watch.seen != before.seen) {
            m_alertBook.seen.insert(product.id, *after.watch.seen);
            changed = true;
        }
        if (after.watch.rule != before.rule) {
            m_alertBook.rules.insert(product.id, after.watch.rule);
            changed = true;
        }
    }
    if (wholeFavoritesList) {
        changed |= m_alertBook.seen.removeIf(
                       [&](const auto& entry) { return !m_favoriteProductIDs.contains(entry.key()); }) > 0;
    }
    if (changed)
        m_seams.alertStore->save(*m_alertBookAccount, m_alertBook);
    if (!m_session.priceDropAlerts)
        return;
    for (const PriceAlert& alert : PriceAlerts::alerts(drops, reached))
        m_seams.alerts->raise(alert);
}

} // namespace quelvio
