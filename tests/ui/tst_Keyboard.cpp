#include "AppState.h"
#include "AsyncTest.h"
#include "DemoServer.h"
#include "KeyboardNavigation.h"
#include "StateBridge.h"
#include "ViewFixture.h"

#include <QQmlEngine>
#include <QQuickItem>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(QuelvioPlugin)

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;

namespace {

struct Window : ViewFixture {
    explicit Window(const char* qmlFile, QSize size)
        : ViewFixture(qmlFile, size) {
        state->appearOnPanel();
    }

    KeyboardNavigation& keyboard() {
        return *engine.singletonInstance<KeyboardNavigation*>(qmlTypeId("Quelvio", 1, 0, "Keyboard"));
    }

    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&window, key, modifiers);
    }

    bool loaded() {
        return waitUntil([&] { return !state->products().isEmpty() && !state->isLoading(); }) &&
               waitUntil([&] { return firstRow() == state->displayedProductSections().feed.first().id; });
    }

    // The product the list shows first.
    qint64 firstRow() const {
        const auto& rows = bridge->products()->rows();
        return rows.isEmpty() ? 0 : rows.first().key.toLongLong();
    }

    // The product row the keyboard's selection shows on, if one does.
    QQuickItem* selectedRow() const {
        return findWhere([](QQuickItem* item) {
            return item->property("selected").toBool() && item->property("productId").isValid();
        });
    }
};

QString productEntry(qint64 id) {
    return ListSelection::productEntry(id);
}

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }

    void aStepStopsAtTheEndsAndStartsFromWhereItCan() {
        const QStringList entries{u"a"_s, u"b"_s, u"c"_s};
        QCOMPARE(ListSelection::step(entries, {}, 1), u"a"_s);
        QCOMPARE(ListSelection::step(entries, {}, -1), u"c"_s);
        QCOMPARE(ListSelection::step(entries, u"gone"_s, 1), u"a"_s);
        QCOMPARE(ListSelection::step(entries, u"b"_s, 1), u"c"_s);
        QCOMPARE(ListSelection::step(entries, u"c"_s, 1), u"c"_s);
        QCOMPARE(ListSelection::step(entries, u"a"_s, -1), u"a"_s);
        QCOMPARE(ListSelection::step({}, u"a"_s, 1), QString());
    }

    void arrowsSelectAndEnterOpensInThePanel() {
        Window panel("MenuBarDropdownView.qml", QSize(400, 560));
        QVERIFY(panel.loaded());
        const QList<Product> products = panel.state->displayedProductSections().feed;
        panel.key(Qt::Key_Down);
        panel.key(Qt::Key_Down);
        panel.key(Qt::Key_Up);
        panel.key(Qt::Key_Down);
        QCOMPARE(panel.keyboard().selection(), productEntry(products[1].id));
        QTRY_VERIFY(panel.selectedRow());
        QCOMPARE(panel.selectedRow()->property("productId").toLongLong(), products[1].id);

        panel.key(Qt::Key_Return);
        QCOMPARE(panel.state->route(), PanelRoute::product(products[1].id));
        panel.key(Qt::Key_Backspace);
        QCOMPARE(panel.state->route(), PanelRoute::root());
        panel.key(Qt::Key_Enter);
        QCOMPARE(panel.state->route(), PanelRoute::product(products[1].id));
        panel.key(Qt::Key_Escape);
        QCOMPARE(panel.state->route(), PanelRoute::root());

        // Ctrl+, opens settings, Escape leaves them; at the root Escape is the window's (it closes
        // the panel), so the state keeps its route.
        panel.key(Qt::Key_Comma, Qt::ControlModifier);
        QCOMPARE(panel.state->route(), PanelRoute::settings());
        panel.key(Qt::Key_Escape);
        QCOMPARE(panel.state->route(), PanelRoute::root());
        QCOMPARE(panel.keyboard().selection(), productEntry(products[1].id));
    }

    void theSelectionFollowsItsProductThroughARefresh() {
        Window panel("MenuBarDropdownView.qml", QSize(400, 560));
        QVERIFY(panel.loaded());
        panel.bridge->applyProductSort(u"priceAsc"_s);
        QVERIFY(panel.loaded());
        const Product cheapest = panel.state->displayedProductSections().feed.first();
        panel.key(Qt::Key_Down);
        QCOMPARE(panel.keyboard().selection(), productEntry(cheapest.id));

        // Its price soars: after F5 it stands elsewhere in the list, still selected.
        panel.server->movePriceOnNextScrape(cheapest.id, 400);
        panel.server->scrapeNow(cheapest.source->slug);
        const qsizetype before = panel.server->requests().size();
        panel.key(Qt::Key_F5);
        QVERIFY(
            waitUntil([&] { return panel.server->requests().size() > before && !panel.state->isLoading(); }));
        QVERIFY(waitUntil([&] { return panel.firstRow() != cheapest.id; }));
        QCOMPARE(panel.keyboard().selection(), productEntry(cheapest.id));
        QTRY_VERIFY(panel.selectedRow() &&
                    panel.selectedRow()->property("productId").toLongLong() == cheapest.id);
        panel.key(Qt::Key_Return);
        QCOMPARE(panel.state->route(), PanelRoute::product(cheapest.id));
    }

    void tabsSearchAndShopsFromTheKeyboard() {
        Window panel("MenuBarDropdownView.qml", QSize(400, 560));
        QVERIFY(panel.loaded());
        panel.key(Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::sources);
        QVERIFY(waitUntil([&] { return !panel.state->includedSources().isEmpty(); }));
        panel.key(Qt::Key_Down);
        const QString shop = panel.state->includedSources().first().slug;
        QCOMPARE(panel.keyboard().selection(), ListSelection::shopEntry(shop));
        panel.key(Qt::Key_Return); // a shop opens as its products
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::products);
        QCOMPARE(panel.state->productSource(), std::optional(shop));

        panel.key(Qt::Key_4, Qt::ControlModifier);
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::me);
        panel.key(Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::favorites);
        QCOMPARE(panel.keyboard().selection(), QString()); // a new list, no selection

        // Ctrl+F brings the products and puts the cursor in their search field.
        panel.key(Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(panel.state->selectedTab(), MenuBarDropdownTab::products);
        QTRY_VERIFY(panel.find("productSearch") && panel.find("productSearch")->property("editing").toBool());
        // Arrows still move the selection from the field; Backspace edits it.
        panel.key(Qt::Key_A);
        panel.key(Qt::Key_B);
        panel.key(Qt::Key_Backspace);
        QCOMPARE(panel.find("productSearch")->property("text").toString(), u"a"_s);
    }

    void theMainWindowOpensAndClosesItsInspector() {
        Window main("MainWindowView.qml", QSize(980, 640));
        QVERIFY(main.loaded());
        main.key(Qt::Key_Down);
        main.key(Qt::Key_Return);
        const qint64 first = main.firstRow();
        QCOMPARE(main.state->route(), PanelRoute::product(first));
        QTRY_VERIFY(main.visible("inspector"));
        main.key(Qt::Key_Escape);
        QCOMPARE(main.state->route(), PanelRoute::root());
        QTRY_VERIFY(!main.visible("inspector"));
        const qsizetype before = main.server->requests().size();
        main.key(Qt::Key_R, Qt::ControlModifier);
        QVERIFY(waitUntil([&] { return main.server->requests().size() > before; }));
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_Keyboard.moc"
