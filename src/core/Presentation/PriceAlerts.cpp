#include "Presentation/PriceAlerts.h"

#include "Presentation/ValueFormat.h"

#include <QStringList>
#include <cmath>

namespace quelvio::PriceAlerts {

namespace {

// A server may name a product at any length; a notification shows a line or two.
QString shortName(const QString& name) {
    constexpr qsizetype limit = 80;
    return name.size() <= limit ? name : name.first(limit - 1) + QStringLiteral("…");
}

PriceAlert single(const PriceDrop& drop) {
    const Product& product = drop.product;
    const double before = *PriceFormat::doubleValue(drop.before.price);
    const double now = *PriceFormat::doubleValue(product.price);
    QString body =
        shortName(product.name) + QLatin1Char('\n') +
        PriceFormat::display(drop.before.price, product.currency, product.unit) + QStringLiteral(" → ") +
        PriceFormat::display(product.price, product.currency, product.unit) + QStringLiteral("（") +
        PriceFormat::changePercent((now - before) / before * 100) + QStringLiteral("）");
    if (product.showsPeriodLow())
        body += QStringLiteral(" · 近%1日新低")
                    .arg(product.periodLowDays.value_or(CatalogAge::periodLowMinimumDays));
    return {QStringLiteral("收藏商品降价"), body, product.id};
}

} // namespace

std::optional<SeenPrice> seenPrice(const Product& product) {
    const std::optional<double> value = PriceFormat::doubleValue(product.price);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return SeenPrice{*product.price, product.currency, product.unit};
}

std::optional<PriceDrop> drop(const Product& product, const std::optional<SeenPrice>& before) {
    const std::optional<SeenPrice> now = seenPrice(product);
    if (!now || !before || before->currency != now->currency || before->unit != now->unit)
        return std::nullopt;
    const std::optional<double> was = PriceFormat::doubleValue(before->price);
    const std::optional<double> is = PriceFormat::doubleValue(now->price);
    // A price of zero or less is no baseline to measure a fall from.
    if (!was || !is || !(*was > 0) || !(*is < *was))
        return std::nullopt;
    return PriceDrop{product, *before};
}

QList<PriceAlert> alerts(const QList<PriceDrop>& drops) {
    QList<PriceAlert> result;
    if (drops.size() <= separateAlertLimit) {
        for (const PriceDrop& drop : drops)
            result.append(single(drop));
        return result;
    }
    QStringList names;
    for (const PriceDrop& drop : drops.first(separateAlertLimit))
        names.append(shortName(drop.product.name));
    const QString body = names.join(QStringLiteral("、")) + QStringLiteral(" 等");
    result.append({QStringLiteral("%1 个收藏商品降价").arg(drops.size()), body, std::nullopt});
    return result;
}

} // namespace quelvio::PriceAlerts
