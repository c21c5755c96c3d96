#include "KeyboardNavigation.h"

#include "StateBridge.h"

#include <QQuickItem>
#include <algorithm>
#include <limits>

namespace quelvio {

namespace ListSelection {

QString productEntry(qint64 id) {
    return QStringLiteral("product:") + QString::number(id);
}

QString shopEntry(const QString& slug) {
    return QStringLiteral("shop:") + slug;
}

QString step(const QStringList& entries, const QString& current, int delta) {
    if (entries.isEmpty())
        return {};
    const qsizetype at = entries.indexOf(current);
    if (at < 0)
        return delta >= 0 ? entries.first() : entries.last();
    return entries.at(std::clamp<qsizetype>(at + delta, 0, entries.size() - 1));
}

} // namespace ListSelection

namespace {

void appendEntries(QStringList& entries, const KeyedListModel* model, QString (*entry)(const QString&)) {
    for (const KeyedListModel::Row& row : model->rows())
        entries.append(entry(row.key));
}

QString productKeyEntry(const QString& key) {
    return ListSelection::productEntry(key.toLongLong());
}

} // namespace

KeyboardNavigation::KeyboardNavigation(StateBridge& bridge, QObject* parent)
    : QObject(parent)
    , m_bridge(&bridge) {
    // A selection belongs to the list it was made in.
    connect(&bridge, &StateBridge::selectedTabChanged, this, [this] { select({}); });
    // A product opened by any means is the list's selection, so that coming back lands on its row.
    m_routeKind = bridge.routeKind();
    connect(&bridge, &StateBridge::routeChanged, this, [this] {
        const QString kind = m_bridge->routeKind();
        if (kind == QLatin1StringView("product") &&
            entries().contains(ListSelection::productEntry(m_bridge->routeProductID())))
            select(ListSelection::productEntry(m_bridge->routeProductID()));
        if (kind == QLatin1StringView("root") && m_routeKind != kind) {
            m_selectionFocusPending = !m_selection.isEmpty();
            emit selectionFocusRequested();
        }
        m_routeKind = kind;
    });
}

KeyboardNavigation* KeyboardNavigation::create(QQmlEngine*, QJSEngine*) {
    // Created for QML, so QML's ownership rule (the engine deletes it) applies.
    return new KeyboardNavigation(*StateBridge::create(nullptr, nullptr));
}

int KeyboardNavigation::selectedProductRow() const {
    const auto& rows = m_bridge->products()->rows();
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (productKeyEntry(rows[i].key) == m_selection)
            return int(i);
    return -1;
}

QStringList KeyboardNavigation::entries() const {
    QStringList entries;
    const QString tab = m_bridge->selectedTab();
    if (tab == QLatin1StringView("products")) {
        appendEntries(entries, m_bridge->products(), productKeyEntry);
    } else if (tab == QLatin1StringView("favorites")) {
        appendEntries(entries, m_bridge->favoriteProducts(), productKeyEntry);
        appendEntries(entries, m_bridge->favoriteShops(), ListSelection::shopEntry);
    } else if (tab == QLatin1StringView("sources")) {
        appendEntries(entries, m_bridge->includedShops(), ListSelection::shopEntry);
        appendEntries(entries, m_bridge->pendingShops(), ListSelection::shopEntry);
    }
    return entries;
}

void KeyboardNavigation::move(int delta) {
    if (m_bridge->routeKind() != QLatin1StringView("root"))
        return;
    select(ListSelection::step(entries(), m_selection, delta));
    m_selectionFocusPending = !m_selection.isEmpty();
    emit selectionFocusRequested();
}

void KeyboardNavigation::toggleFavorite() {
    const QString product = QStringLiteral("product:");
    const QString shop = QStringLiteral("shop:");
    if (m_bridge->routeKind() != QLatin1StringView("root") || !entries().contains(m_selection))
        return;
    if (m_selection.startsWith(product))
        m_bridge->toggleFavoriteProduct(m_selection.sliced(product.size()).toLongLong());
    else if (m_selection.startsWith(shop))
        m_bridge->toggleFavoriteShop(m_selection.sliced(shop.size()));
}

void KeyboardNavigation::open() {
    if (m_bridge->routeKind() != QLatin1StringView("root") || !entries().contains(m_selection))
        return;
    const QString product = QStringLiteral("product:");
    if (m_selection.startsWith(product))
        m_bridge->openProduct(m_selection.sliced(product.size()).toLongLong());
    else
        m_bridge->browseShop(m_selection.sliced(QStringLiteral("shop:").size()));
}

void KeyboardNavigation::back() {
    if (m_bridge->routeKind() != QLatin1StringView("root"))
        m_bridge->popToRoot();
}

void KeyboardNavigation::showTab(int index) {
    const QVariantList tabs = m_bridge->tabs();
    if (index < 0 || index >= tabs.size())
        return;
    back();
    m_bridge->selectTab(tabs.at(index).toMap().value(QStringLiteral("key")).toString());
}

void KeyboardNavigation::refresh() {
    m_bridge->refreshVisible();
}

void KeyboardNavigation::showSettings() {
    m_bridge->showSettings();
}

void KeyboardNavigation::focusSearch() {
    back();
    m_bridge->selectTab(QStringLiteral("products"));
    m_searchPending = true;
    emit searchRequested();
}

bool KeyboardNavigation::takeSearchRequest() {
    return std::exchange(m_searchPending, false);
}

void KeyboardNavigation::keepRowOrder(QQuickItem* container) {
    if (!container)
        return;
    QList<std::pair<qsizetype, QQuickItem*>> delegates;
    for (QQuickItem* child : container->childItems()) {
        bool ok = false;
        const int index = child->property("index").toInt(&ok);
        if (ok)
            delegates.append({index >= 0 ? index : std::numeric_limits<qsizetype>::max(), child});
    }
    std::ranges::stable_sort(delegates, {}, &std::pair<qsizetype, QQuickItem*>::first);
    for (qsizetype i = 1; i < delegates.size(); ++i)
        delegates[i].second->stackAfter(delegates[i - 1].second);
}

bool KeyboardNavigation::takeSelectionFocus() {
    return std::exchange(m_selectionFocusPending, false);
}

void KeyboardNavigation::select(const QString& entry) {
    if (entry == m_selection)
        return;
    m_selection = entry;
    emit selectionChanged();
}

} // namespace quelvio
