#include "DetailText.h"

#include "Presentation/PriceHistory.h"
#include "Presentation/ValueFormat.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace quelvio::DetailText {

namespace {

bool hasText(const std::optional<QString>& text) {
    return text && !text->trimmed().isEmpty();
}

QString orPlaceholder(const std::optional<QString>& text) {
    return hasText(text) ? *text : missingValuePlaceholder.toString();
}

QString timeOrPlaceholder(const std::optional<QString>& text, const QTimeZone& zone) {
    return hasText(text) ? TimeFormat::compact(text, zone) : missingValuePlaceholder.toString();
}

constexpr double changeThreshold = 0.005;

} // namespace

Phase phase(bool isDetailLoading, bool hasDetail) {
    if (hasDetail)
        return Phase::ready;
    return isDetailLoading ? Phase::loading : Phase::failed;
}

QString subtitle(const Product& product) {
    QStringList parts;
    if (product.source && !product.source->name.isEmpty())
        parts.append(product.source->name);
    if (hasText(product.category))
        parts.append(ProductCategoryDisplay::title(*product.category));
    if (const std::optional<QString> subtype = product.subtype(); hasText(subtype))
        parts.append(ProductSubtypeDisplay::title(*subtype));
    return parts.join(PanelText::secondLineSeparator);
}

QString idText(const Product& product) {
    return u'#' + QString::number(product.id);
}

QString price(const Product& product) {
    return PriceFormat::money(product.price, product.currency) + PriceFormat::unit(product.unit);
}

QString outputPrice(const Product& product) {
    if (!hasText(product.outputPrice))
        return {};
    return QStringLiteral("输出 ") + PriceFormat::money(product.outputPrice, product.currency) +
           PriceFormat::unit(product.unit);
}

Change change(const Product& product) {
    const std::optional<double> percent = product.changePct;
    if (!percent || !std::isfinite(*percent) || std::abs(*percent) < changeThreshold)
        return {};
    return {PriceFormat::changePercent(percent),
            *percent > 0 ? PanelText::ColorRole::danger : PanelText::ColorRole::success};
}

QString periodLow(const Product& product, const QList<PriceSnapshot>& history, const QDateTime& now) {
    std::optional<PeriodLowQuote> quote = PeriodLow::fromListedProduct(product);
    if (!quote)
        quote = PeriodLow::fromHistory(product.firstSeenAt, history, now);
    if (!quote)
        return {};
    return quote->label() + u' ' + PriceFormat::display(quote->price, product.currency, product.unit);
}

PanelText::StockLine stockValue(const Product& product) {
    if (product.showsOutOfStock())
        return {QStringLiteral("没货"), PanelText::ColorRole::danger};
    return {orPlaceholder(product.stockText()), PanelText::ColorRole::textMuted};
}

QList<SnapshotRow> latestSnapshots(const QList<PriceSnapshot>& history, const Product& product,
                                   const QTimeZone& zone, qsizetype limit) {
    QList<SnapshotRow> rows;
    const qsizetype taken = std::clamp<qsizetype>(limit, 0, history.size());
    for (qsizetype i = history.size() - 1; i >= history.size() - taken; --i) {
        const PriceSnapshot& snapshot = history[i];
        rows.append(
            {timeOrPlaceholder(snapshot.capturedAt, zone),
             PriceFormat::display(snapshot.price, snapshot.currency ? snapshot.currency : product.currency,
                                  snapshot.unit ? snapshot.unit : product.unit)});
    }
    return rows;
}

QString favoriteLabel(bool isFavorite) {
    return isFavorite ? QStringLiteral("已收藏") : QStringLiteral("收藏");
}

QString downLabel(bool isDown) {
    return isDown ? QStringLiteral("已踩") : QStringLiteral("踩");
}

QString reactionHint(bool isLoggedIn) {
    return isLoggedIn ? QString() : QStringLiteral("登录后可收藏 / 踩");
}

QList<MetaRow> metaRows(const Product& product, const QTimeZone& zone) {
    const QString placeholder = missingValuePlaceholder.toString();
    const QString state = !product.isActive   ? placeholder
                          : *product.isActive ? QStringLiteral("在售")
                                              : QStringLiteral("下架");
    const std::optional<QString> subtype = product.subtype();
    return {{QStringLiteral("状态"), state},
            {QStringLiteral("类型"),
             hasText(product.category) ? ProductCategoryDisplay::title(*product.category) : placeholder},
            {QStringLiteral("档位"), hasText(subtype) ? ProductSubtypeDisplay::title(*subtype) : placeholder},
            {QStringLiteral("单位"), orPlaceholder(product.unit)},
            {QStringLiteral("货币"), orPlaceholder(product.currency)},
            {QStringLiteral("采集"), timeOrPlaceholder(product.capturedAt, zone)},
            {QStringLiteral("首次"), timeOrPlaceholder(product.firstSeenAt, zone)}};
}

bool showsInspector(const PanelRoute& route, bool hasDetail, MenuBarDropdownTab tab) {
    // An open product shows there while it loads and when it fails, not only once it is loaded.
    if (route.kind == PanelRoute::Kind::settings || (!hasDetail && route.kind != PanelRoute::Kind::product))
        return false;
    return tab == MenuBarDropdownTab::products || tab == MenuBarDropdownTab::favorites;
}

QString placeTitle(const PanelRoute& route, MenuBarDropdownTab tab, const QString& category,
                   const QString& shopName, const QString& username) {
    if (route.kind == PanelRoute::Kind::settings)
        return QStringLiteral("设置");
    QStringList parts{title(tab)};
    switch (tab) {
    case MenuBarDropdownTab::products:
        if (!shopName.isEmpty())
            parts.append(shopName);
        if (!category.isEmpty())
            parts.append(ProductCategoryDisplay::title(category));
        break;
    case MenuBarDropdownTab::favorites:
    case MenuBarDropdownTab::me:
        if (!username.isEmpty())
            parts.append(username);
        break;
    case MenuBarDropdownTab::sources:
        break;
    }
    return parts.join(PanelText::secondLineSeparator);
}

} // namespace quelvio::DetailText
