#include "KeyboardNavigation.h"
#include "ViewFixture.h"

#include <QAccessible>
#include <algorithm>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;

namespace {

struct Window : ViewFixture {
    explicit Window(ViewOptions options = {})
        : ViewFixture(std::move(options)) {}

    KeyboardNavigation& keyboard() {
        return *engine.singletonInstance<KeyboardNavigation*>(qmlTypeId("Quelvio", 1, 0, "Keyboard"));
    }

    // Loaded, and the list shows the state's order.
    bool listed() {
        return loaded() &&
               waitUntil([&] { return firstRow() == state->displayedProductSections().feed.first().id; });
    }

    qint64 firstRow() const {
        const auto& rows = bridge->products()->rows();
        return rows.isEmpty() ? 0 : rows.first().key.toLongLong();
    }

    // The product the keyboard's selection shows on, once a row shows it.
    qint64 selectedRow() const {
        QQuickItem* row = nullptr;
        waitUntil([&] {
            return (row = findWhere([](QQuickItem* item) {
                        return item->property("selected").toBool() && item->property("productId").isValid();
                    })) != nullptr;
        });
        return row ? row->property("productId").toLongLong() : 0;
    }

    // Every shown item a pointer can press (a mouse area's owner) or toggle (a stock button)
    // that lacks an accessible role, a name or a press action, described for the failure.
    QStringList unreadable() const {
        QStringList found;
        std::function<void(QQuickItem*)> walk = [&](QQuickItem* item) {
            if (!item->isVisible())
                return;
            QQuickItem* owner = item->inherits("QQuickMouseArea")        ? item->parentItem()
                                : item->inherits("QQuickAbstractButton") ? item
                                                                         : nullptr;
            if (owner) {
                QAccessibleInterface* face = QAccessible::queryAccessibleInterface(owner);
                const QStringList actions =
                    face && face->actionInterface() ? face->actionInterface()->actionNames() : QStringList();
                if (!face || face->role() == QAccessible::NoRole || face->role() == QAccessible::Client ||
                    face->text(QAccessible::Name).isEmpty() ||
                    !(actions.contains(QAccessibleActionInterface::pressAction()) ||
                      actions.contains(QAccessibleActionInterface::toggleAction())))
                    found.append(u"%1 \"%2\""_s.arg(QString::fromLatin1(owner->metaObject()->className()),
                                                    face ? face->text(QAccessible::Name) : QString()));
            }
            for (QQuickItem* child : item->childItems())
                walk(child);
        };
        walk(root);
        return found;
    }
};

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QAccessible::setActive(true);
    }

    void aStepStopsAtTheEndsAndStartsFromWhereItCan() {
        const QStringList entries{u"a"_s, u"b"_s, u"c"_s};
        QCOMPARE(ListSelection::step(entries, {}, 1), u"a"_s);
        QCOMPARE(ListSelection::step(entries, {}, -1), u"c"_s);
        QCOMPARE(ListSelection::step(entries, u"gone"_s, 1), u"a"_s);
        QCOMPARE(ListSelection::step(entries, u"c"_s, 1), u"c"_s);
        QCOMPARE(ListSelection::step(entries, u"a"_s, -1), u"a"_s);
        QCOMPARE(ListSelection::step({}, u"a"_s, 1), QString());
    }

    void arrowsSelectAndEnterOpensInThePanel() {
        Window panel;
        QVERIFY(panel.listed());
        const qint64 second = panel.state->displayedProductSections().feed[1].id;
        panel.key(Qt::Key_Down);
        panel.key(Qt::Key_Down);
        panel.key(Qt::Key_Up);
        panel.key(Qt::Key_Down);
        QCOMPARE(panel.keyboard().selection(), ListSelection::productEntry(second));
        QCOMPARE(panel.selectedRow(), second);

        panel.key(Qt::Key_Return);
        QCOMPARE(panel.state->route(), PanelRoute::product(second));
        panel.key(Qt::Key_Backspace);
        QCOMPARE(panel.state->route(), PanelRoute::root());
        panel.key(Qt::Key_Enter);
        QCOMPARE(panel.state->route(), PanelRoute::product(second));
        panel.key(Qt::Key_Escape);
        QCOMPARE(panel.state->route(), PanelRoute::root());

        // Ctrl+, opens settings, Escape leaves them; at the root Escape is the window's (it closes
        // the panel), so the state keeps its route.
        panel.key(Qt::Key_Comma, Qt::ControlModifier);
        QCOMPARE(panel.state->route(), PanelRoute::settings());
        panel.key(Qt::Key_Escape);
        QCOMPARE(panel.state->route(), PanelRoute::root());
        QCOMPARE(panel.keyboard().selection(), ListSelection::productEntry(second));
    }

    void theSelectionFollowsItsProductThroughARefresh() {
        Window panel;
        QVERIFY(panel.listed());
        panel.bridge->applyProductSort(u"priceAsc"_s);
        QVERIFY(panel.listed());
        const Product cheapest = panel.state->displayedProductSections().feed.first();
        panel.key(Qt::Key_Down);

        // Its price soars: after F5 it stands elsewhere in the list, still selected.
        panel.server->movePriceOnNextScrape(cheapest.id, 400);
        panel.server->scrapeNow(cheapest.source->slug);
        const qsizetype before = panel.server->requests().size();
        panel.key(Qt::Key_F5);
        QVERIFY(
            waitUntil([&] { return panel.server->requests().size() > before && !panel.state->isLoading(); }));
        QVERIFY(waitUntil([&] { return panel.firstRow() != cheapest.id; }));
        QCOMPARE(panel.keyboard().selection(), ListSelection::productEntry(cheapest.id));
        QCOMPARE(panel.selectedRow(), cheapest.id);
        panel.key(Qt::Key_Return);
        QCOMPARE(panel.state->route(), PanelRoute::product(cheapest.id));
    }

    void tabsSearchAndShopsFromTheKeyboard() {
        Window panel;
        QVERIFY(panel.listed());
        panel.key(Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::sources);
        QVERIFY(waitUntil([&] { return !panel.state->includedSources().isEmpty(); }));
        panel.key(Qt::Key_Down);
        const QString shop = panel.state->includedSources().first().slug;
        QCOMPARE(panel.keyboard().selection(), ListSelection::shopEntry(shop));
        panel.key(Qt::Key_Return); // a shop opens as its products
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::products);
        QCOMPARE(panel.state->productSource(), std::optional(shop));

        panel.key(Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::favorites);
        QCOMPARE(panel.keyboard().selection(), QString()); // a new list, no selection

        // Ctrl+F brings the products and puts the cursor in their search field, where Backspace
        // edits the text.
        panel.key(Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::products);
        QTRY_VERIFY(panel.find("productSearch") && panel.find("productSearch")->property("editing").toBool());
        panel.key(Qt::Key_A);
        panel.key(Qt::Key_B);
        panel.key(Qt::Key_Backspace);
        QCOMPARE(panel.find("productSearch")->property("text").toString(), u"a"_s);
    }

    void everyPressableThingHasARoleAndAName() {
        for (bool mainWindow : {false, true}) {
            Window view({.mainWindow = mainWindow, .apiKey = u"demo-key"_s}); // the scrape buttons show
            QVERIFY(view.loaded());
            const auto check = [&](const QString& where) {
                QVERIFY(waitUntil([&] { return !view.state->isLoading(); }));
                QVERIFY(view.settle());
                const QStringList unreadable = view.unreadable();
                QVERIFY2(unreadable.isEmpty(), qPrintable(where + u": "_s + unreadable.join(u"; "_s)));
            };
            check(u"products"_s);
            for (const QString& tab : {u"favorites"_s, u"sources"_s, u"me"_s}) {
                view.bridge->selectTab(tab);
                check(tab);
            }
            view.bridge->showSettings();
            check(u"settings"_s);
            view.bridge->openProduct(view.state->products().first().id);
            QVERIFY(waitUntil([&] { return view.state->productDetail().has_value(); }));
            check(u"product"_s);

            // Signed in as an administrator, through the accessible button: the account page
            // with its administration, the favourites with their rows.
            view.bridge->popToRoot();
            view.bridge->selectTab(u"me"_s);
            view.state->setAuthUsername(view.server->adminAccount().username);
            view.state->setAuthPassword(view.server->adminAccount().password);
            QAccessibleInterface* signIn = QAccessible::queryAccessibleInterface(view.shown("signInButton"));
            QVERIFY(signIn && signIn->role() == QAccessible::Button);
            signIn->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            QVERIFY(waitUntil([&] { return view.state->isAdmin() && !view.state->isLoading(); }));
            check(u"me signed in"_s);
            view.bridge->selectTab(u"favorites"_s);
            check(u"favorites signed in"_s);
        }
    }

    // Tab walks the panel as it reads: top to bottom, and left to right within a line.
    void focusFollowsTheVisualOrder() {
        Window panel;
        QVERIFY(panel.loaded());
        QList<QPointF> stops;
        QList<QQuickItem*> seen;
        for (int i = 0; i < 24; ++i) {
            panel.key(Qt::Key_Tab);
            QQuickItem* focused = panel.window.activeFocusItem();
            if (!focused || seen.contains(focused))
                break;
            seen.append(focused);
            stops.append(focused->mapToScene(QPointF(0, focused->height() / 2)));
            // A button or chip shows the window's ring while it has the focus.
            if (focused->property("showsFocusRing").toBool()) {
                const auto children = focused->childItems();
                QVERIFY(std::any_of(children.begin(), children.end(), [&](QQuickItem* child) {
                    return child->isVisible() && child->property("control").value<QQuickItem*>() == focused;
                }));
            }
        }
        QVERIFY2(stops.size() >= 10, qPrintable(QString::number(stops.size())));
        for (qsizetype i = 1; i < stops.size(); ++i) {
            const bool sameLine = std::abs(stops[i].y() - stops[i - 1].y()) < 6;
            QVERIFY2(sameLine ? stops[i].x() > stops[i - 1].x() : stops[i].y() > stops[i - 1].y(),
                     qPrintable(u"stop %1"_s.arg(i)));
        }
        // Space presses the focused control: the favourites tab chip.
        panel.find("tab-favorites")->forceActiveFocus();
        panel.key(Qt::Key_Space);
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::favorites);
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_Keyboard.moc"
