#include "DetailModel.h"

#include "DetailText.h"
#include "Presentation/ValueFormat.h"
#include "StateBridge.h"

#include <QQmlEngine>

namespace quelvio {

DetailModel::DetailModel(AppState& state, QTimeZone zone, QObject* parent)
    : QObject(parent)
    , m_state(&state)
    , m_zone(std::move(zone)) {
    AppState* s = &state;
    // Few and cheap properties: one signal for all keeps the wiring obvious.
    for (auto signal :
         {&AppState::productDetailChanged, &AppState::productHistoryChanged,
          &AppState::isDetailLoadingChanged, &AppState::favoriteProductIDsChanged,
          &AppState::downProductIDsChanged, &AppState::sessionChanged, &AppState::currentUserChanged,
          &AppState::routeChanged, &AppState::selectedTabChanged, &AppState::productCategoryChanged,
          &AppState::productSourceChanged, &AppState::sourcesChanged, &AppState::priceRulesChanged})
        connect(s, signal, this, &DetailModel::changed);
}

DetailModel* DetailModel::create(QQmlEngine*, QJSEngine*) {
    auto* model = new DetailModel(StateBridge::create(nullptr, nullptr)->state());
    QQmlEngine::setObjectOwnership(model, QQmlEngine::JavaScriptOwnership);
    return model;
}

const Product* DetailModel::product() const {
    if (!m_state || !m_state->productDetail())
        return nullptr;
    return &*m_state->productDetail();
}

QString DetailModel::phase() const {
    switch (DetailText::phase(m_state && m_state->isDetailLoading(), product() != nullptr)) {
    case DetailText::Phase::loading:
        return QStringLiteral("loading");
    case DetailText::Phase::failed:
        return QStringLiteral("failed");
    case DetailText::Phase::ready:
        return QStringLiteral("ready");
    }
    Q_UNREACHABLE();
}

QString DetailModel::failedText() const {
    return DetailText::failedText.toString();
}
QString DetailModel::failedSymbol() const {
    return DetailText::failedSymbol.toString();
}
qint64 DetailModel::productId() const {
    return product() ? product()->id : 0;
}
QString DetailModel::name() const {
    return product() ? product()->name : QString();
}
QString DetailModel::subtitle() const {
    return product() ? DetailText::subtitle(*product()) : QString();
}
QString DetailModel::idText() const {
    return product() ? DetailText::idText(*product()) : QString();
}
QString DetailModel::price() const {
    return product() ? DetailText::price(*product()) : QString();
}
QString DetailModel::outputPrice() const {
    return product() ? DetailText::outputPrice(*product()) : QString();
}
QString DetailModel::changeText() const {
    return product() ? DetailText::change(*product()).text : QString();
}
QString DetailModel::changeColor() const {
    return PanelText::colorRoleName(product() ? DetailText::change(*product()).color
                                              : PanelText::ColorRole::textMuted);
}
QString DetailModel::periodLow() const {
    return product()
               ? DetailText::periodLow(*product(), m_state->productHistory(), QDateTime::currentDateTimeUtc())
               : QString();
}
QString DetailModel::stockLabel() const {
    return DetailText::stockLabel.toString();
}
QString DetailModel::stockValue() const {
    return product() ? DetailText::stockValue(*product()).text : QString();
}
QString DetailModel::stockColor() const {
    return PanelText::colorRoleName(product() ? DetailText::stockValue(*product()).color
                                              : PanelText::ColorRole::textMuted);
}

QVariantList DetailModel::snapshotRows() const {
    QVariantList list;
    if (!product())
        return list;
    for (const auto& row : DetailText::latestSnapshots(m_state->productHistory(), *product(), m_zone))
        list.append(QVariantMap{{QStringLiteral("time"), row.time}, {QStringLiteral("price"), row.price}});
    return list;
}

bool DetailModel::isFavorite() const {
    return product() && m_state->favoriteProductIDs().contains(product()->id);
}
bool DetailModel::isDown() const {
    return product() && m_state->downProductIDs().contains(product()->id);
}
QString DetailModel::favoriteLabel() const {
    return DetailText::favoriteLabel(isFavorite());
}
QString DetailModel::downLabel() const {
    return DetailText::downLabel(isDown());
}
bool DetailModel::canReact() const {
    return m_state && m_state->session().isLoggedIn();
}
QString DetailModel::reactionHint() const {
    return DetailText::reactionHint(canReact());
}

bool DetailModel::showsAlertRule() const {
    return canReact() && isFavorite();
}
QString DetailModel::targetPrice() const {
    if (!product())
        return {};
    const std::optional<SeenPrice> target = m_state->priceRule(product()->id).target;
    return target ? target->price : QString();
}
QString DetailModel::targetCurrency() const {
    return product() ? PriceFormat::currencyPrefix(product()->currency).trimmed() : QString();
}
bool DetailModel::alertsMuted() const {
    return product() && m_state->priceRule(product()->id).muted;
}

QVariantList DetailModel::metaRows() const {
    QVariantList list;
    if (!product())
        return list;
    for (const auto& row : DetailText::metaRows(*product(), m_zone))
        list.append(QVariantMap{{QStringLiteral("label"), row.label}, {QStringLiteral("value"), row.value}});
    return list;
}

QString DetailModel::url() const {
    return product() ? product()->productUrl.value_or(QString()) : QString();
}
QString DetailModel::currency() const {
    return product() ? product()->currency.value_or(QString()) : QString();
}
QString DetailModel::unit() const {
    return product() ? product()->unit.value_or(QString()) : QString();
}

bool DetailModel::showsInspector() const {
    return m_state &&
           DetailText::showsInspector(m_state->route(), product() != nullptr, m_state->selectedTab());
}

QString DetailModel::placeTitle() const {
    if (!m_state)
        return {};
    QString shopName;
    if (const auto& slug = m_state->productSource()) {
        shopName = *slug;
        for (const Source& source : m_state->sources())
            if (source.slug == *slug && !source.name.isEmpty())
                shopName = source.name;
    }
    QString username;
    if (m_state->currentUser())
        username = m_state->currentUser()->username;
    else if (m_state->session().isLoggedIn())
        username = m_state->session().username.value_or(QString());
    return DetailText::placeTitle(m_state->route(), m_state->selectedTab(),
                                  m_state->productCategory().value_or(QString()), shopName, username);
}

} // namespace quelvio
