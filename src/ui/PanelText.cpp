#include "PanelText.h"

#include "Models/Vocabulary.h"
#include "Presentation/PriceHistory.h"
#include "Presentation/ValueFormat.h"

#include <QStringList>
#include <cmath>

namespace quelvio::PanelText {

namespace {

constexpr double changeBadgeThreshold = 0.005;

bool hasText(const std::optional<QString>& text) {
    return text && !text->isEmpty();
}

} // namespace

QString colorRoleName(ColorRole role) {
    switch (role) {
    case ColorRole::textPrimary:
        return QStringLiteral("textPrimary");
    case ColorRole::textSecondary:
        return QStringLiteral("textSecondary");
    case ColorRole::textMuted:
        return QStringLiteral("textMuted");
    case ColorRole::textDim:
        return QStringLiteral("textDim");
    case ColorRole::accent:
        return QStringLiteral("accent");
    case ColorRole::accentSecondary:
        return QStringLiteral("accentSecondary");
    case ColorRole::success:
        return QStringLiteral("success");
    case ColorRole::warning:
        return QStringLiteral("warning");
    case ColorRole::danger:
        return QStringLiteral("danger");
    }
    return QStringLiteral("textPrimary");
}

QString connectionLabel(ConnectionState state) {
    switch (state) {
    case ConnectionState::online:
        return QStringLiteral("已连接");
    case ConnectionState::offline:
        return QStringLiteral("离线");
    case ConnectionState::unknown:
        break;
    }
    return QStringLiteral("连接中");
}

QList<Badge> signalBadges(const Product& product, std::optional<double> changePercent, bool isDown) {
    QList<Badge> badges;
    if (product.showsNew())
        badges.append({QStringLiteral("新"), ColorRole::accent});
    const std::optional<double> change = changePercent ? changePercent : product.changePct;
    // A NaN fails the comparison and shows nothing.
    if (change && std::fabs(*change) >= changeBadgeThreshold)
        badges.append(
            {PriceFormat::changePercent(change), *change < 0 ? ColorRole::success : ColorRole::danger});
    if (product.showsPeriodLow())
        badges.append({QStringLiteral("7日低"), ColorRole::success});
    if (product.showsOutOfStock())
        badges.append({QStringLiteral("没货"), ColorRole::danger});
    if (isDown)
        badges.append({QStringLiteral("踩"), ColorRole::danger});
    return badges;
}

QString secondLine(const Product& product) {
    QStringList parts;
    if (product.source && !product.source->name.isEmpty())
        parts.append(product.source->name);
    if (hasText(product.category)) {
        parts.append(ProductCategoryDisplay::title(*product.category));
        if (const std::optional<QString> subtype = product.subtype(); hasText(subtype))
            parts.append(ProductSubtypeDisplay::title(*subtype));
    }
    if (const std::optional<PeriodLowQuote> low = PeriodLow::fromListedProduct(product))
        parts.append(low->label() + u' ' + PriceFormat::display(low->price, product.currency, product.unit));
    return parts.join(secondLineSeparator);
}

bool isDelisted(const Product& product) {
    return product.isActive.has_value() && !*product.isActive;
}

QString priceLine(const Product& product) {
    return PriceFormat::display(product.price, product.currency, product.unit);
}

StockLine stockLine(const Product& product) {
    if (product.showsOutOfStock())
        return {QStringLiteral("库存 没货"), ColorRole::danger};
    const std::optional<QString> stock = product.stockText();
    return {QStringLiteral("库存 ") + (hasText(stock) ? *stock : missingValuePlaceholder.toString()),
            ColorRole::textMuted};
}

QString runLabel(const ScrapeRun& run, const QTimeZone& zone) {
    if (run.status == RunStatus::running)
        return QStringLiteral("更新中");
    if (run.status == RunStatus::failed)
        return QStringLiteral("更新失败");
    const QString time = TimeFormat::compact(hasText(run.finishedAt) ? run.finishedAt : run.startedAt, zone);
    if (run.status == RunStatus::success)
        return QStringLiteral("已更新 ") + time;
    if (run.status == RunStatus::partial)
        return QStringLiteral("部分更新 ") + time;
    return time;
}

ColorRole runColor(const QString& status) {
    if (status == RunStatus::partial)
        return ColorRole::warning;
    if (status == RunStatus::failed)
        return ColorRole::danger;
    if (status == RunStatus::running)
        return ColorRole::accentSecondary;
    return ColorRole::textDim;
}

QList<Badge> shopBadges(const Source& source) {
    QList<Badge> badges;
    if (source.isPending())
        badges.append({QStringLiteral("待收录"), ColorRole::warning});
    if (source.enabled.has_value() && !*source.enabled)
        badges.append({QStringLiteral("停用"), ColorRole::danger});
    return badges;
}

QString submitterLine(const Source& source) {
    if (!hasText(source.requestedBy))
        return {};
    if (*source.requestedBy == u"system")
        return QStringLiteral("系统收录");
    return QStringLiteral("由 %1 提交").arg(*source.requestedBy);
}

QString tabBodyName(TabBody body) {
    switch (body) {
    case TabBody::list:
        return QStringLiteral("list");
    case TabBody::placeholder:
        return QStringLiteral("placeholder");
    case TabBody::signIn:
        return QStringLiteral("signIn");
    case TabBody::nothing:
        break;
    }
    return QStringLiteral("nothing");
}

namespace {

TabContent placeholder(const char* symbol, const QString& text, const QString& detail) {
    return {TabBody::placeholder, {QString::fromLatin1(symbol), text, detail}};
}

const QString offlineText = QStringLiteral("无法连接服务器");

} // namespace

TabContent productsContent(ConnectionState connection, bool hasRows, bool isLoading,
                           const std::optional<QString>& lastError) {
    if (hasRows)
        return {TabBody::list, {}};
    if (connection == ConnectionState::offline)
        return placeholder("wifi.slash", offlineText,
                           hasText(lastError) ? *lastError
                                              : QStringLiteral("请确认 Go 服务已启动，并检查设置中的地址。"));
    if (isLoading)
        return {TabBody::nothing, {}};
    return placeholder("bag", QStringLiteral("暂无商品"), QStringLiteral("试试换模型类型或清空搜索"));
}

TabContent favoritesContent(bool isLoggedIn, bool hasFavorites) {
    if (!isLoggedIn)
        return {TabBody::signIn, {}};
    if (!hasFavorites)
        return placeholder("star", QStringLiteral("暂无收藏"), {});
    return {TabBody::list, {}};
}

TabContent sourcesContent(ConnectionState connection, bool hasSources,
                          const std::optional<QString>& lastError) {
    if (hasSources)
        return {TabBody::list, {}};
    if (connection == ConnectionState::offline)
        return placeholder("wifi.slash", offlineText, lastError.value_or(QString()));
    return placeholder("externaldrive", QStringLiteral("暂无来源"), QStringLiteral("可提交店铺地址申请收录"));
}

QString sourceRequestTitle(bool isLoggedIn, bool busy) {
    if (!isLoggedIn)
        return QStringLiteral("需登录");
    return busy ? QStringLiteral("提交中…") : QStringLiteral("提交收录");
}

bool loadMoreRowInView(double viewportBottom, double contentHeight, double rowHeight) {
    return viewportBottom > contentHeight - rowHeight || viewportBottom >= contentHeight;
}

} // namespace quelvio::PanelText
