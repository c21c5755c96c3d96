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

QList<qint64> ids(const QList<Reaction>& reactions) {
    QList<qint64> out;
    for (const Reaction& r : reactions)
        out.append(r.id);
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
        QTest::newRow("value keeps the server order")
            << mixed() << ProductSort::value << QList<qint64>{1, 2, 3, 4, 5};
        QTest::newRow("last seen keeps the server order")
            << mixed() << ProductSort::lastSeen << QList<qint64>{1, 2, 3, 4, 5};
        QTest::newRow("numbers, not text") << QList<Product>{product(1, u"10"_s), product(2, u"9"_s)}
                                           << ProductSort::priceAsc << QList<qint64>{2, 1};
        QTest::newRow("exponent and sign")
            << QList<Product>{product(1, u"1e2"_s), product(2, u"-5"_s), product(3, u"99.9"_s)}
            << ProductSort::priceAsc << QList<qint64>{2, 3, 1};
        QTest::newRow("leading blank has no key") << QList<Product>{product(1, u" 1"_s), product(2, u"5"_s)}
                                                  << ProductSort::priceAsc << QList<qint64>{2, 1};
        QTest::newRow("empty price has no key") << QList<Product>{product(1, u""_s), product(2, u"5"_s)}
                                                << ProductSort::priceDesc << QList<qint64>{2, 1};
        QTest::newRow("no keys at all keep their order") << QList<Product>{product(3), product(1), product(2)}
                                                         << ProductSort::changeDesc << QList<qint64>{3, 1, 2};
        QTest::newRow("many equal keys stay stable")
            << QList<Product>{product(1, u"1"_s), product(2, u"1.0"_s), product(3, u"0.5"_s),
                              product(4, u"1e0"_s), product(5, u"1"_s)}
            << ProductSort::priceDesc << QList<qint64>{1, 2, 4, 5, 3};
        QTest::newRow("empty") << QList<Product>{} << ProductSort::priceAsc << QList<qint64>{};
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

    void sortedReactionsUseTheEmbeddedProduct() {
        QList<Reaction> reactions;
        const QList<std::optional<Product>> embedded{product(10, u"5"_s, 2.0), std::nullopt,
                                                     product(11, u"1"_s), product(12, u"x"_s, -1.0),
                                                     product(13, u"3"_s, 9.0)};
        for (qsizetype i = 0; i < embedded.size(); ++i) {
            Reaction r;
            r.id = i + 1;
            r.kind = u"favorite"_s;
            r.targetType = u"product"_s;
            r.product = embedded[i];
            reactions.append(r);
        }
        QCOMPARE(ids(ProductOrdering::sortedReactions(reactions, ProductSort::priceAsc)),
                 (QList<qint64>{3, 5, 1, 2, 4}));
        QCOMPARE(ids(ProductOrdering::sortedReactions(reactions, ProductSort::priceDesc)),
                 (QList<qint64>{1, 5, 3, 2, 4}));
        QCOMPARE(ids(ProductOrdering::sortedReactions(reactions, ProductSort::changeDesc)),
                 (QList<qint64>{5, 1, 4, 2, 3}));
        QCOMPARE(ProductOrdering::sortedReactions(reactions, ProductSort::goodwill), reactions);
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
        QTest::newRow("value sort does not sink either")
            << QSet<qint64>{2} << ProductSort::value << QList<qint64>{1, 2, 3, 4, 5} << QList<qint64>{};
        QTest::newRow("no downs") << QSet<qint64>{} << ProductSort::goodwill << QList<qint64>{1, 2, 3, 4, 5}
                                  << QList<qint64>{};
        QTest::newRow("everything down") << QSet<qint64>{1, 2, 3, 4, 5} << ProductSort::goodwill
                                         << QList<qint64>{} << QList<qint64>{1, 2, 3, 4, 5};
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
        QCOMPARE(ProductOrdering::sinkingOwnDowns(mixed(), downs, sort), partition.all());
    }

    void retainingMissing() {
        const QList<Product> shown{product(1), product(2)};
        QCOMPARE(ProductOrdering::retainingMissing(shown, {}), shown);
        QCOMPARE(ids(ProductOrdering::retainingMissing(
                     shown, {product(2), product(5), product(5), product(1), product(6)})),
                 (QList<qint64>{1, 2, 5, 5, 6}));
        QCOMPARE(ids(ProductOrdering::retainingMissing({}, {product(3)})), QList<qint64>{3});
    }

    void canLoadMore_data() {
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<bool>("more");
        QTest::newRow("full page") << qint64(100) << qint64(100) << true;
        QTest::newRow("short page") << qint64(99) << qint64(100) << false;
        QTest::newRow("more than asked") << qint64(101) << qint64(100) << true;
        QTest::newRow("nothing asked") << qint64(0) << qint64(0) << false;
        QTest::newRow("negative limit") << qint64(5) << qint64(-1) << false;
    }

    void canLoadMore() {
        QFETCH(qint64, received);
        QFETCH(qint64, limit);
        QFETCH(bool, more);
        QCOMPARE(ProductPaging::canLoadMore(received, limit), more);
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
