#include "Presentation/PriceAlerts.h"

#include "Presentation/ValueFormat.h"

#include <QRegularExpression>
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

PriceAlert single(const TargetReached& reached) {
    const Product& product = reached.product;
    return {QStringLiteral("已到目标价"),
            shortName(product.name) + QLatin1Char('\n') +
                PriceFormat::display(product.price, product.currency, product.unit) +
                QStringLiteral(" ≤ 目标 ") +
                PriceFormat::display(reached.target.price, product.currency, product.unit),
            product.id};
}

template <typename Told>
void tell(QList<PriceAlert>& result, const QList<Told>& told, const QString& summaryTitle) {
    if (told.size() <= separateAlertLimit) {
        for (const Told& one : told)
            result.append(single(one));
        return;
    }
    QStringList names;
    for (const Told& one : told.first(separateAlertLimit))
        names.append(shortName(one.product.name));
    result.append({summaryTitle.arg(told.size()), names.join(QStringLiteral("、")) + QStringLiteral(" 等"),
                   std::nullopt});
}

bool sameTerms(const SeenPrice& a, const SeenPrice& b) {
    return a.currency == b.currency && a.unit == b.unit;
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

std::optional<SeenPrice> target(const QString& text, const Product& product) {
    static const QRegularExpression decimal(QStringLiteral("^\\d{1,12}(\\.\\d{1,6})?$"));
    const QString trimmed = text.trimmed();
    if (!decimal.match(trimmed).hasMatch() || !(trimmed.toDouble() > 0))
        return std::nullopt;
    return SeenPrice{trimmed, product.currency, product.unit};
}

Observed observe(const PriceWatch& watch, const Product& product, quint64 askedAt, int minimumDropPercent) {
    Observed result{watch, std::nullopt, std::nullopt};
    const std::optional<SeenPrice> now = seenPrice(product);
    if (!now || askedAt < watch.seenAskedAt)
        return result;
    PriceWatch& next = result.watch;
    next.seenAskedAt = askedAt;
    const double is = *PriceFormat::doubleValue(now->price);

    bool told = false;
    if (const auto& goal = watch.rule.target; goal && sameTerms(*goal, *now)) {
        if (is <= *PriceFormat::doubleValue(goal->price)) {
            if (!watch.rule.targetTold && !watch.rule.muted) {
                result.reached = TargetReached{product, *goal};
                told = true;
            }
            next.rule.targetTold = true;
        } else {
            next.rule.targetTold = false;
        }
    }

    if (std::optional<PriceDrop> fell = drop(product, watch.seen)) {
        const double was = *PriceFormat::doubleValue(watch.seen->price);
        // Relative slack, so that a drop of exactly the minimum counts despite rounding.
        if ((was - is) * 100 < minimumDropPercent * was * (1 - 1e-9))
            return result;
        if (!told && !watch.rule.muted)
            result.drop = std::move(fell);
    }
    next.seen = now;
    return result;
}

QList<PriceAlert> alerts(const QList<PriceDrop>& drops, const QList<TargetReached>& reached) {
    QList<PriceAlert> result;
    tell(result, reached, QStringLiteral("%1 个收藏商品已到目标价"));
    tell(result, drops, QStringLiteral("%1 个收藏商品降价"));
    return result;
}

} // namespace quelvio::PriceAlerts
