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
    void sorted() {
        using Ids = QList<qint64>;
        auto order = [](const QList<Product>& products, ProductSort sort) {
            return ids(ProductOrdering::sorted(products, sort));
        };
        QCOMPARE(order(mixed(), ProductSort::priceAsc), (Ids{2, 5, 1, 3, 4}));
        QCOMPARE(order(mixed(), ProductSort::priceDesc), (Ids{1, 2, 5, 3, 4}));
        QCOMPARE(order(mixed(), ProductSort::changeAsc), (Ids{3, 1, 5, 4, 2}));
        QCOMPARE(order(mixed(), ProductSort::changeDesc), (Ids{4, 1, 5, 3, 2}));
        QCOMPARE(ProductOrdering::sorted(mixed(), ProductSort::goodwill), mixed()); // the server's order
        QCOMPARE(order({product(1, u"10"_s), product(2, u"9"_s)}, ProductSort::priceAsc), (Ids{2, 1}));
        // An empty price has no key; products without keys keep their order.
        QCOMPARE(order({product(1, u""_s), product(2, u"5"_s)}, ProductSort::priceDesc), (Ids{2, 1}));
        QCOMPARE(order({product(3), product(1), product(2)}, ProductSort::changeDesc), (Ids{3, 1, 2}));
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

    void partitions() {
        const auto partition = ProductOrdering::partitionOwnDowns(mixed(), {4, 2, 99}, ProductSort::goodwill);
        QCOMPARE(ids(partition.feed), (QList<qint64>{1, 3, 5}));
        QCOMPARE(ids(partition.sunk), (QList<qint64>{2, 4}));
        QCOMPARE(ids(partition.all()), (QList<qint64>{1, 3, 5, 2, 4}));
        // Other sorts keep everything in the feed.
        QCOMPARE(ProductOrdering::partitionOwnDowns(mixed(), {2, 4}, ProductSort::priceAsc).feed, mixed());
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
        const QList<std::pair<qint64, qint64>> cases{
            {37, 100}, {100, 100}, {250, 250}, {800, 500}, {-4, 100}};
        for (const auto& [loaded, limit] : cases)
            QCOMPARE(ProductPaging::refreshLimit(loaded), limit);
    }

    void appendingUnique() {
        // Duplicates already loaded stay; the page adds only new ids, once each.
        QCOMPARE(
            ids(ProductPaging::appendingUnique({product(1), product(1), product(2)},
                                               {product(2), product(3), product(1), product(3), product(4)})),
            (QList<qint64>{1, 1, 2, 3, 4}));
        const QList<Product> loaded{product(7, u"1"_s)};
        // The first copy wins: a changed product in the new page does not replace the loaded one.
        QCOMPARE(ProductPaging::appendingUnique(loaded, {product(7, u"2"_s)}), loaded);
    }
};

QTEST_GUILESS_MAIN(TestProductOrdering)
#include "tst_ProductOrdering.moc"
