#include "Presentation/ProductSort.h"

#include <QSet>
#include <QTest>

using namespace quelvio;
using namespace Qt::StringLiterals;

class TestProductSort : public QObject {
    Q_OBJECT

private slots:
    void sortsRoundTripTheirRawValues() {
        QSet<QString> seen;
        for (ProductSort sort : productSortCases) {
            QCOMPARE(fromRawValue<ProductSort>(rawValue(sort)), std::optional(sort));
            seen.insert(rawValue(sort));
        }
        QCOMPARE(seen.size(), 7);
        QCOMPARE(fromRawValue<ProductSort>(u"PriceAsc"), std::nullopt);
        QCOMPARE(fromRawValue<ProductSort>(u""), std::nullopt);
        QCOMPARE(fromRawValue<ProductSort>(u"price"), std::nullopt);
        QCOMPARE(defaultProductSort, ProductSort::goodwill);
    }

    void serverValuesOfEachSort() {
        QCOMPARE(apiSort(ProductSort::goodwill), std::nullopt);
        QCOMPARE(apiOrder(ProductSort::goodwill), std::nullopt);
        QCOMPARE(apiSort(ProductSort::value), std::optional(u"value"_s));
        QCOMPARE(apiOrder(ProductSort::value), std::nullopt);
        QCOMPARE(apiSort(ProductSort::lastSeen), std::optional(u"last_seen"_s));
        QCOMPARE(apiOrder(ProductSort::lastSeen), std::optional(u"desc"_s));
        QCOMPARE(apiSort(ProductSort::priceAsc), std::optional(u"price"_s));
        QCOMPARE(apiOrder(ProductSort::priceAsc), std::optional(u"asc"_s));
        QCOMPARE(apiOrder(ProductSort::priceDesc), std::optional(u"desc"_s));
        QCOMPARE(apiSort(ProductSort::changeDesc), std::optional(u"change_pct"_s));
        QCOMPARE(apiOrder(ProductSort::changeAsc), std::optional(u"asc"_s));
        for (ProductSort sort : productSortCases)
            QCOMPARE(sinksOwnDowns(sort), sort == ProductSort::goodwill);
        QCOMPARE(title(ProductSort::priceDesc), u"价格↓"_s);
    }

    void tabs() {
        QCOMPARE(menuBarDropdownTabCases.size(), 4u);
        for (MenuBarDropdownTab tab : menuBarDropdownTabCases)
            QCOMPARE(fromRawValue<MenuBarDropdownTab>(rawValue(tab)), std::optional(tab));
        QCOMPARE(fromRawValue<MenuBarDropdownTab>(u"Me"), std::nullopt);
        QCOMPARE(title(MenuBarDropdownTab::sources), u"源"_s);
        QCOMPARE(symbolName(MenuBarDropdownTab::me), u"person.crop.circle"_s);
        QCOMPARE(defaultMenuBarDropdownTab, MenuBarDropdownTab::products);
    }
};

QTEST_GUILESS_MAIN(TestProductSort)
#include "tst_ProductSort.moc"
