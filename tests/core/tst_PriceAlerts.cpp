#include "AlertStore.h"
#include "Presentation/PriceAlerts.h"

#include <QFile>
#include <QLockFile>
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

// Feeds observations (asked at, price) through observe, starting from a baseline of 100 seen by
// load 10, and writes what each one tells: "drop", "target" or "-".
QStringList told(const QList<std::pair<quint64, QString>>& observations, int minimumDrop, PriceRule rule = {},
                 const QString& currency = u"CNY"_s) {
    PriceWatch watch{seen(u"100"_s), 10, rule};
    QStringList result;
    for (const auto& [askedAt, price] : observations) {
        const Observed observed =
            PriceAlerts::observe(watch, product(1, price, currency), askedAt, minimumDrop);
        result.append(observed.reached ? u"target"_s : observed.drop ? u"drop"_s : u"-"_s);
        watch = observed.watch;
    }
    return result;
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

    void observationsTellEachChangeOnce() {
        const PriceRule target90{seen(u"90"_s)};
        // A reply asked before the one that set the baseline does not roll it back.
        QCOMPARE(told({{12, u"80"_s}, {11, u"100"_s}, {13, u"80"_s}, {9, u"100"_s}}, 0),
                 QStringList({u"drop"_s, u"-"_s, u"-"_s, u"-"_s}));
        QCOMPARE(told({{11, u"100"_s}, {12, u"99"_s}}, 0), QStringList({u"-"_s, u"drop"_s}));
        // Small steps below the minimum add up to one alert; a rise moves the baseline up.
        QCOMPARE(told({{11, u"99.5"_s}, {12, u"99.2"_s}, {13, u"99"_s}, {14, u"99"_s}}, 1),
                 QStringList({u"-"_s, u"-"_s, u"drop"_s, u"-"_s}));
        QCOMPARE(told({{11, u"120"_s}, {12, u"110"_s}}, 10), QStringList({u"-"_s, u"-"_s}));
        // A target is told once per crossing, in place of its drop, whatever the minimum.
        QCOMPARE(
            told({{11, u"95"_s}, {12, u"90"_s}, {13, u"85"_s}, {14, u"91"_s}, {15, u"89.99"_s}}, 0, target90),
            QStringList({u"drop"_s, u"target"_s, u"drop"_s, u"-"_s, u"target"_s}));
        QCOMPARE(told({{11, u"99"_s}}, 10, PriceRule{seen(u"99"_s)}), QStringList({u"target"_s}));
        // Already there when the target is set: told on the next load, then not again.
        QCOMPARE(told({{11, u"100"_s}, {12, u"100"_s}}, 0, PriceRule{seen(u"120"_s)}),
                 QStringList({u"target"_s, u"-"_s}));
        // A target in other terms never compares; a muted product is followed but never told.
        QCOMPARE(told({{11, u"80"_s}}, 0, target90, u"USD"_s), QStringList({u"-"_s}));
        QCOMPARE(
            told({{11, u"80"_s}, {12, u"95"_s}, {13, u"70"_s}}, 0, PriceRule{seen(u"90"_s), false, true}),
            QStringList({u"-"_s, u"-"_s, u"-"_s}));
    }

    void aTargetIsAPositiveDecimalInTheProductsTerms() {
        QCOMPARE(PriceAlerts::target(u" 399.5 "_s, product(1, u"400"_s, u"USD"_s, u"月"_s)),
                 std::optional(seen(u"399.5"_s, u"USD"_s, u"月"_s)));
        for (const QString& bad : {u""_s, u"0"_s, u"0.00"_s, u"-5"_s, u"1e3"_s, u"¥399"_s, u"3,99"_s,
                                   u"abc"_s, u"9999999999999"_s, u"1.2345678"_s})
            QVERIFY2(!PriceAlerts::target(bad, product(1, u"1"_s)), qPrintable(bad));
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

        const QList<PriceAlert> both =
            PriceAlerts::alerts(drops.first(1), {{product(3, u"398"_s), seen(u"399.5"_s)}});
        QCOMPARE(both.size(), 2);
        QCOMPARE(both[0].title, u"已到目标价"_s);
        QCOMPARE(both[0].body, u"商品3\n¥398 ≤ 目标 ¥399.5"_s);
        QCOMPARE(both[0].productID, std::optional<qint64>(3));

        drops.first().product.name = QString(100'000, u'长');
        QVERIFY(PriceAlerts::alerts(drops.first(1)).first().body.size() < 200);
    }

    void alertBooksStayPerAccountPrivateAndWithinBounds() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"profile/price-alerts.json"_s);
        AlertFile file(path);
        QCOMPARE(file.load(u"a"_s), AlertBook{}); // no file yet
        const AlertBook book{{{1, seen(u"10"_s)}, {2, seen(u"0.5"_s, u"USD"_s, u"1M"_s)}},
                             {{1, PriceRule{seen(u"9"_s), true, false}},
                              {3, PriceRule{std::nullopt, false, true}},
                              {4, PriceRule{}}}};
        file.save(u"a"_s, book);
        file.save(u"b"_s, {{{1, seen(u"11"_s)}}, {}});
        AlertBook kept = book;
        kept.rules.remove(4); // an empty rule is no rule
        QCOMPARE(AlertFile(path).load(u"a"_s), kept);
        QCOMPARE(QFile::permissions(path) & 0x0777, QFile::ReadUser | QFile::WriteUser);

        // Another writer holding the file is waited for, then given up on: nothing half-written.
        {
            QLockFile other(path + u".lock"_s);
            QVERIFY(other.tryLock());
            file.save(u"a"_s, {});
            QCOMPARE(file.load(u"a"_s), kept);
        }

        // The accounts saved longest ago give way, the one saved never; so do prices beyond the limit.
        for (int i = 0; i < AlertFile::maxAccounts; ++i)
            file.save(u"other %1"_s.arg(i), {{{1, seen(u"1"_s)}}, {}});
        QCOMPARE(file.load(u"a"_s), AlertBook{});
        AlertBook many;
        for (qint64 id = 0; id < AlertFile::maxPricesPerAccount + 5; ++id)
            many.seen.insert(id, seen(u"1"_s));
        file.save(u"a"_s, many);
        QCOMPARE(file.load(u"a"_s).seen.size(), AlertFile::maxPricesPerAccount);

        // A damaged or oversized file reads as nothing, and is replaced on the next save.
        for (const QByteArray& damage : {QByteArray("{\"accounts\": [{\"account\": \"a\", \"prices\": "),
                                         QByteArray(AlertFile::maxFileBytes + 1, ' ')}) {
            QFile raw(path);
            QVERIFY(raw.open(QIODevice::WriteOnly));
            raw.write(damage);
            raw.close();
            QCOMPARE(file.load(u"a"_s), AlertBook{});
        }
        file.save(u"a"_s, book);
        QCOMPARE(file.load(u"a"_s), kept);

        // An earlier release's shared file is read until this profile has its own.
        const QString legacy = dir.filePath(u"data/seen-prices.json"_s);
        AlertFile(legacy).save(u"a"_s, {{{5, seen(u"5"_s)}}, {}});
        AlertFile upgraded(dir.filePath(u"new/price-alerts.json"_s), legacy);
        QCOMPARE(upgraded.load(u"a"_s).seen.value(5), seen(u"5"_s));
        upgraded.save(u"a"_s, {});
        QCOMPARE(upgraded.load(u"a"_s), AlertBook{});
    }
};

QTEST_APPLESS_MAIN(TestPriceAlerts)
#include "tst_PriceAlerts.moc"
