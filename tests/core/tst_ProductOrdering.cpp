#include "Presentation/ProductOrdering.h"

#include <QTest>

using namespace quelvio;
using namespace Qt::StringLiterals;

namespace {

Product product(qint64 id, std::optional<QString> price = {}, std::optional<double> change = {}) {
    Product p;
    p.id = id;
    p.name = u"p"_s + QString::number(id);
    p.price = std::move(price);
    p.changePct = change;
    return p;
}

QList<qint64> ids(const QList<Product>& products) {
    QList<qint64> out;
    for (const Product& p : products)
        out.append(p.id);
    return out;
}

// Prices 12, 3.5, absent, abc, 3.5; changes 1.5, absent, -2, 7, 1.5.
QList<Product> mixed() {
    return {product(1, u"12"_s, 1.5), product(2, u"3.5"_s), product(3, std::nullopt, -2.0),
            product(4, u"abc"_s, 7.0), product(5, u"3.5"_s, 1.5)};
}

} // namespace

class TestProductOrdering : public QObject {
    Q_OBJECT

private slots:
    void sorted_data() {
        QTest::addColumn<QList<Product>>("products");
        QTest::addColumn<ProductSort>("sort");
        QTest::addColumn<QList<qint64>>("order");

        QTest::newRow("price ascending") << mixed() << ProductSort::priceAsc << QList<qint64>{2, 5, 1, 3, 4};
        QTest::newRow("price descending")
            << mixed() << ProductSort::priceDesc << QList<qint64>{1, 2, 5, 3, 4};
        QTest::newRow("change ascending")
            << mixed() << ProductSort::changeAsc << QList<qint64>{3, 1, 5, 4, 2};
        QTest::newRow("change descending")
            << mixed() << ProductSort::changeDesc << QList<qint64>{4, 1, 5, 3, 2};
        QTest::newRow("goodwill keeps the server order")
            << mixed() << ProductSort::goodwill << QList<qint64>{1, 2, 3, 4, 5};
        QTest::newRow("last seen keeps the server order")
            << mixed() << ProductSort::lastSeen << QList<qint64>{1, 2, 3, 4, 5};
        QTest::newRow("numbers, not text") << QList<Product>{product(1, u"10"_s), product(2, u"9"_s)}
                                           << ProductSort::priceAsc << QList<qint64>{2, 1};
        QTest::newRow("empty price has no key") << QList<Product>{product(1, u""_s), product(2, u"5"_s)}
                                                << ProductSort::priceDesc << QList<qint64>{2, 1};
        QTest::newRow("no keys at all keep their order") << QList<Product>{product(3), product(1), product(2)}
                                                         << ProductSort::changeDesc << QList<qint64>{3, 1, 2};
        QTest::newRow("many equal keys stay stable")
            << QList<Product>{product(1, u"1"_s), product(2, u"1.0"_s), product(3, u"0.5"_s),
                              product(4, u"1e0"_s), product(5, u"1"_s)}
            << ProductSort::priceDesc << QList<qint64>{1, 2, 4, 5, 3};
    }

    void sorted() {
        QFETCH(QList<Product>, products);
        QFETCH(ProductSort, sort);
        QFETCH(QList<qint64>, order);
        const QList<Product> result = ProductOrdering::sorted(products, sort);
        QCOMPARE(ids(result), order);
        if (!apiOrder(sort) || sort == ProductSort::lastSeen)
            QCOMPARE(result, products);
    }

    // Insertion sort hides an unstable sort below about sixteen elements: a full page of equal
    // prices must keep the server's order, between and around the others.
    void equalKeysKeepTheirOrderOnAFullPage() {
        QList<Product> page;
        for (qint64 id = 1; id <= 60; ++id)
            page.append(product(id, id % 3 == 0 ? u"1"_s : u"5"_s, 0.0));
        QList<qint64> expected;
        for (const QString& price : {u"1"_s, u"5"_s})
            for (const Product& p : page)
                if (p.price == price)
                    expected.append(p.id);
        QCOMPARE(ids(ProductOrdering::sorted(page, ProductSort::priceAsc)), expected);
    }

    void partitions_data() {
        QTest::addColumn<QSet<qint64>>("downs");
        QTest::addColumn<ProductSort>("sort");
        QTest::addColumn<QList<qint64>>("feed");
        QTest::addColumn<QList<qint64>>("sunk");
        QTest::newRow("default sort sinks downs in order") << QSet<qint64>{4, 2, 99} << ProductSort::goodwill
                                                           << QList<qint64>{1, 3, 5} << QList<qint64>{2, 4};
        QTest::newRow("other sorts keep everything in the feed")
            << QSet<qint64>{2, 4} << ProductSort::priceAsc << QList<qint64>{1, 2, 3, 4, 5} << QList<qint64>{};
    }

    void partitions() {
        QFETCH(QSet<qint64>, downs);
        QFETCH(ProductSort, sort);
        QFETCH(QList<qint64>, feed);
        QFETCH(QList<qint64>, sunk);
        const ProductOrdering::Partition partition = ProductOrdering::partitionOwnDowns(mixed(), downs, sort);
        QCOMPARE(ids(partition.feed), feed);
        QCOMPARE(ids(partition.sunk), sunk);
        QCOMPARE(ids(partition.all()), feed + sunk);
    }

    void retainingMissing() {
        const QList<Product> shown{product(1), product(2)};
        QCOMPARE(ProductOrdering::retainingMissing(shown, {}), shown);
        QCOMPARE(ids(ProductOrdering::retainingMissing(
                     shown, {product(2), product(5), product(5), product(1), product(6)})),
                 (QList<qint64>{1, 2, 5, 5, 6}));
    }

    // A full page may have more behind it; a short one is the last.
    void canLoadMore() {
        QVERIFY(ProductPaging::canLoadMore(100, 100));
        QVERIFY(!ProductPaging::canLoadMore(99, 100));
        QVERIFY(!ProductPaging::canLoadMore(0, 0));
    }

    void refreshLimit() {
        const QList<std::pair<qint64, qint64>> cases{{0, 100},   {37, 100},  {100, 100}, {250, 250},
                                                     {500, 500}, {800, 500}, {-4, 100}};
        for (const auto& [loaded, limit] : cases)
            QCOMPARE(ProductPaging::refreshLimit(loaded), limit);
    }

    void appendingUnique() {
        QCOMPARE(ids(ProductPaging::appendingUnique({}, {product(1), product(2), product(1)})),
                 (QList<qint64>{1, 2}));
        // Duplicates already loaded stay; the page adds only new ids, once each.
        QCOMPARE(
            ids(ProductPaging::appendingUnique({product(1), product(1), product(2)},
                                               {product(2), product(3), product(1), product(3), product(4)})),
            (QList<qint64>{1, 1, 2, 3, 4}));
        const QList<Product> loaded{product(7, u"1"_s)};
        QCOMPARE(ProductPaging::appendingUnique(loaded, {}), loaded);
        // The first copy wins: a changed product in the new page does not replace the loaded one.
        QCOMPARE(ProductPaging::appendingUnique(loaded, {product(7, u"2"_s)}), loaded);
    }
};

QTEST_GUILESS_MAIN(TestProductOrdering)
#include "tst_ProductOrdering.moc"
