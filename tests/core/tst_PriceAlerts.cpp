#include "Presentation/PriceAlerts.h"
#include "SeenPriceStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quelvio;
using namespace Qt::StringLiterals;

namespace {

Product product(qint64 id, const QString& price, const QString& currency = u"CNY"_s,
                std::optional<QString> unit = std::nullopt) {
    Product p;
    p.id = id;
    p.name = u"商品%1"_s.arg(id);
    p.price = price;
    p.currency = currency;
    p.unit = std::move(unit);
    return p;
}

SeenPrice seen(const QString& price, const QString& currency = u"CNY"_s,
               std::optional<QString> unit = std::nullopt) {
    return {price, currency, std::move(unit)};
}

} // namespace

class TestPriceAlerts : public QObject {
    Q_OBJECT

private slots:
    void onlyALowerPriceInTheSameTermsIsADrop() {
        const std::optional<SeenPrice> ten = seen(u"10"_s);
        QVERIFY(PriceAlerts::drop(product(1, u"9.50"_s), ten));
        QVERIFY(!PriceAlerts::drop(product(1, u"10.00"_s), ten));
        QVERIFY(!PriceAlerts::drop(product(1, u"1"_s), std::nullopt));
        QVERIFY(!PriceAlerts::drop(product(1, u"1"_s, u"USD"_s), ten));
        QVERIFY(!PriceAlerts::drop(product(1, u"1"_s, u"CNY"_s, u"1M"_s), ten));
        QVERIFY(!PriceAlerts::drop(product(1, u"-1"_s), seen(u"0"_s)));
        QVERIFY(!PriceAlerts::drop(product(1, u"abc"_s), ten));
        QVERIFY(!PriceAlerts::drop(product(1, u"1"_s), seen(u"1e400"_s)));
    }

    void upToThreeDropsAreToldOneByOneMoreInASummary() {
        Product low = product(7, u"8.00"_s, u"CNY"_s, u"月"_s);
        low.atPeriodLow = true;
        low.periodLowDays = 30;
        QList<PriceDrop> drops{{low, seen(u"10.00"_s, u"CNY"_s, u"月"_s)},
                               {product(8, u"3"_s), seen(u"4"_s)},
                               {product(9, u"1"_s), seen(u"2"_s)}};
        const QList<PriceAlert> separate = PriceAlerts::alerts(drops);
        QCOMPARE(separate.size(), 3);
        QCOMPARE(separate[0].body, u"商品7\n¥10.00/月 → ¥8.00/月（-20.00%） · 近30日新低"_s);
        QCOMPARE(separate[0].productID, std::optional<qint64>(7));

        drops.append({product(10, u"1"_s), seen(u"5"_s)});
        const QList<PriceAlert> summary = PriceAlerts::alerts(drops);
        QCOMPARE(summary.size(), 1);
        QCOMPARE(summary[0].title, u"4 个收藏商品降价"_s);
        QCOMPARE(summary[0].body, u"商品7、商品8、商品9 等"_s);
        QCOMPARE(summary[0].productID, std::nullopt); // opens the favourites

        drops.first().product.name = QString(100'000, u'长');
        QVERIFY(PriceAlerts::alerts(drops.first(1)).first().body.size() < 200);
    }

    void seenPricesStayPerAccountWithinBounds() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"data/seen-prices.json"_s);
        SeenPriceFile file(path);
        QVERIFY(file.load(u"a"_s).isEmpty()); // no file yet
        const QHash<qint64, SeenPrice> prices{{1, seen(u"10"_s)}, {2, seen(u"0.5"_s, u"USD"_s, u"1M"_s)}};
        file.save(u"a"_s, prices);
        file.save(u"b"_s, {{1, seen(u"11"_s)}});
        QCOMPARE(SeenPriceFile(path).load(u"a"_s), prices);

        // The accounts saved longest ago give way; so do prices beyond the limit.
        for (int i = 0; i < SeenPriceFile::maxAccounts; ++i)
            file.save(u"other %1"_s.arg(i), {{1, seen(u"1"_s)}});
        QVERIFY(file.load(u"a"_s).isEmpty());
        QHash<qint64, SeenPrice> many;
        for (qint64 id = 0; id < SeenPriceFile::maxPricesPerAccount + 5; ++id)
            many.insert(id, seen(u"1"_s));
        file.save(u"a"_s, many);
        QCOMPARE(file.load(u"a"_s).size(), SeenPriceFile::maxPricesPerAccount);

        // A damaged or oversized file reads as nothing seen, and is replaced on the next save.
        for (const QByteArray& damage : {QByteArray("{\"accounts\": [{\"account\": \"a\", \"prices\": "),
                                         QByteArray(SeenPriceFile::maxFileBytes + 1, ' ')}) {
            QFile raw(path);
            QVERIFY(raw.open(QIODevice::WriteOnly));
            raw.write(damage);
            raw.close();
            QVERIFY(file.load(u"a"_s).isEmpty());
        }
        file.save(u"a"_s, prices);
        QCOMPARE(file.load(u"a"_s), prices);
    }
};

QTEST_APPLESS_MAIN(TestPriceAlerts)
#include "tst_PriceAlerts.moc"
