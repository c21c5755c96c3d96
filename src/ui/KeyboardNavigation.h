#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;

class QJSEngine;

namespace quelvio {

class StateBridge;

// The keyboard's selection in the list on screen. An entry names what is selected, not its row
// ("product:<id>", "shop:<slug>"), so it follows the product through refreshes and reorderings.
namespace ListSelection {
QString productEntry(qint64 id);
QString shopEntry(const QString& slug);
// The entry delta steps away from current, stopping at the ends. From nothing, or from an entry no
// longer listed, a step down takes the first and a step up the last.
QString step(const QStringList& entries, const QString& current, int delta);
} // namespace ListSelection

// What the keys do in the panel and the main window (the singleton "Keyboard"): move the
// selection through the current tab's list, open it, go back, switch tabs, refresh, find.
class KeyboardNavigation : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Keyboard)
    QML_SINGLETON
    Q_PROPERTY(QString selection READ selection NOTIFY selectionChanged)

public:
    explicit KeyboardNavigation(StateBridge& bridge, QObject* parent = nullptr);
    // One per engine, over the shared "App" bridge; the engine owns it.
    static KeyboardNavigation* create(QQmlEngine* qmlEngine, QJSEngine* jsEngine);

    QString selection() const { return m_selection; }
    // The selected product's row in App.products, so the list can scroll to it; -1 for none.
    Q_INVOKABLE int selectedProductRow() const;
    // The current tab's selectable entries in the order the tab shows them.
    QStringList entries() const;

    Q_INVOKABLE void move(int delta);
    // Stars or un-stars the selected product or shop.
    Q_INVOKABLE void toggleFavorite();
    // Opens the selected product, or browses the selected shop's products.
    Q_INVOKABLE void open();
    Q_INVOKABLE void back();
    Q_INVOKABLE void showTab(int index);
    Q_INVOKABLE void refresh();
    Q_INVOKABLE void showSettings();
    // Brings the products tab forward and asks its search field for the focus.
    Q_INVOKABLE void focusSearch();
    // True once after focusSearch(), for a search field created after it was asked.
    Q_INVOKABLE bool takeSearchRequest();
    // True once after a return to the list, for the selected row (perhaps created after it).
    Q_INVOKABLE bool takeSelectionFocus();
    // Stacks a list view's delegates in the order of their rows ("index"): screen readers and
    // Tab read items in stacking order, and a list view leaves its delegates in the order it made
    // them, whatever the rows did since. Delegates without a row (pooled, leaving) go last.
    Q_INVOKABLE static void keepRowOrder(QQuickItem* container);

signals:
    void selectionChanged();
    void searchRequested();
    // Back at the list from a product or the settings, or moved by the arrows: the selected row
    // takes the focus.
    void selectionFocusRequested();

private:
    void select(const QString& entry);

    QPointer<StateBridge> m_bridge;
    QString m_selection;
    bool m_searchPending = false;
    bool m_selectionFocusPending = false;
    QString m_routeKind;
};

} // namespace quelvio
