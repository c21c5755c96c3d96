#include "Presentation/PriceHistory.h"

#include <QTest>

using namespace quelvio;
using namespace Qt::StringLiterals;

namespace {

const QDateTime now(QDate(2025, 3, 20), QTime(12, 0), Qt::UTC);
constexpr qint64 day = 86400;

QString ago(qint64 seconds) {
    return now.addSecs(-seconds).toString(Qt::ISODate);
}

PriceSnapshot snapshot(qint64 id, const QString& price, const QString& capturedAt) {
    PriceSnapshot s;
    s.id = id;
    s.price = price;
    s.capturedAt = capturedAt;
    return s;
}

QList<PriceSnapshot> hundredSnapshots() {
    QList<PriceSnapshot> list;
    for (qint64 i = 1; i <= 100; ++i)
        list.append(snapshot(i, QString::number(i), ago((100 - i) * 3600)));
    return list;
}

QList<qint64> ids(const QList<PriceHistorySample>& samples) {
    QList<qint64> out;
    for (const auto& s : samples)
        out.append(s.id);
    return out;
}

} // namespace

class TestPriceHistory : public QObject {
    Q_OBJECT

private slots:
    void samplesTakeTheLastSnapshots() {
        const QList<PriceSnapshot> all = hundredSnapshots();
        const QList<PriceHistorySample> last80 = PriceHistorySeries::samples(all, 80);
        QCOMPARE(last80.size(), 80);
        QCOMPARE(last80.first().id, 21);
        QCOMPARE(last80.last().id, 100);
        QCOMPARE(PriceHistorySeries::samples(all, 0), QList<PriceHistorySample>{});
        QCOMPARE(PriceHistorySeries::samples(all, 1000).size(), 100);
    }

    void samplesKeepTextAndSkipTheUnreadable() {
        const QList<PriceSnapshot> list{
            snapshot(1, u"12.00"_s, u"2025-03-04T05:06:07.250Z"_s),
            snapshot(2, u"-"_s, u"2025-03-04T06:00:00Z"_s),
            snapshot(3, u"9"_s, u"yesterday"_s),
            snapshot(4, u"9.5"_s, u""_s),
            snapshot(5, u" 8"_s, u"2025-03-04T07:00:00Z"_s),
            snapshot(6, u"7"_s, u"2025-03-04T08:00:00+08:00"_s),
            snapshot(7, u"11"_s, u"2025-03-01T00:00:00Z"_s),
        };
        const QList<PriceHistorySample> samples = PriceHistorySeries::samples(list, 80);
        // The server's order is kept: no sorting by time.
        QCOMPARE(ids(samples), (QList<qint64>{1, 6, 7}));
        const PriceHistorySample first = samples.first();
        QCOMPARE(first.price, 12.0);
        QCOMPARE(first.priceText, u"12.00"_s);
        QCOMPARE(first.capturedAt, u"2025-03-04T05:06:07.250Z"_s);
        QCOMPARE(first.date, QDateTime(QDate(2025, 3, 4), QTime(5, 6, 7, 250), Qt::UTC));
        QCOMPARE(samples[1].date, QDateTime(QDate(2025, 3, 4), QTime(0, 0), Qt::UTC));

        // Skipped snapshots still count against the limit.
        QCOMPARE(ids(PriceHistorySeries::samples(list, 5)), (QList<qint64>{6, 7}));
        QCOMPARE(ids(PriceHistorySeries::samples(list, 1)), QList<qint64>{7});
    }

    void fromListedProduct() {
        Product p;
        QCOMPARE(PeriodLow::fromListedProduct(p), std::nullopt);
        p.periodLowPrice = u""_s;
        p.periodLowDays = 30;
        QCOMPARE(PeriodLow::fromListedProduct(p), std::nullopt);
        p.periodLowPrice = u"9.90"_s;
        const auto quote = PeriodLow::fromListedProduct(p);
        QCOMPARE(quote, std::optional(PeriodLowQuote{30, u"9.90"_s}));
        QCOMPARE(quote->label(), u"近30日低价"_s);
        p.periodLowDays.reset();
        QCOMPARE(PeriodLow::fromListedProduct(p), std::optional(PeriodLowQuote{7, u"9.90"_s}));
    }

    void fromHistory_data() {
        QTest::addColumn<std::optional<QString>>("firstSeen");
        QTest::addColumn<QList<PriceSnapshot>>("snapshots");
        QTest::addColumn<std::optional<PeriodLowQuote>>("quote");

        const QList<PriceSnapshot> inWindow{
            snapshot(1, u"10"_s, ago(6 * day)), snapshot(2, u"9.5"_s, ago(5 * day)),
            snapshot(3, u"9.50"_s, ago(4 * day)), snapshot(4, u"11"_s, ago(day))};
        const std::optional<QString> eightDays = ago(8 * day);
        const std::optional<PeriodLowQuote> none;

        QTest::newRow("earliest of equal lows")
            << eightDays << inWindow << std::optional(PeriodLowQuote{7, u"9.5"_s});
        QTest::newRow("too young") << std::optional(ago(6 * day + 23 * 3600)) << inWindow << none;
        QTest::newRow("exactly seven days old")
            << std::optional(ago(7 * day)) << inWindow << std::optional(PeriodLowQuote{7, u"9.5"_s});
        QTest::newRow("first seen unparseable") << std::optional(u"2025-01-01"_s) << inWindow << none;
        QTest::newRow("older low ignored, unreadable time counted")
            << eightDays
            << QList<PriceSnapshot>{snapshot(1, u"1"_s, ago(8 * day)), snapshot(2, u"8"_s, u"not a time"_s),
                                    snapshot(3, u"9"_s, ago(2 * day))}
            << std::optional(PeriodLowQuote{7, u"8"_s});
        QTest::newRow("window start is inclusive")
            << eightDays
            << QList<PriceSnapshot>{snapshot(1, u"3"_s, ago(7 * day)), snapshot(2, u"2"_s, ago(7 * day + 1)),
                                    snapshot(3, u"4"_s, ago(0))}
            << std::optional(PeriodLowQuote{7, u"3"_s});
        QTest::newRow("all prices unreadable")
            << eightDays
            << QList<PriceSnapshot>{snapshot(1, u"—"_s, ago(day)), snapshot(2, u" 5"_s, ago(day))} << none;
        QTest::newRow("nothing inside the window")
            << eightDays << QList<PriceSnapshot>{snapshot(1, u"5"_s, ago(10 * day))} << none;
        QTest::newRow("future snapshot counts")
            << eightDays
            << QList<PriceSnapshot>{snapshot(1, u"4"_s, ago(-day)), snapshot(2, u"6"_s, ago(day))}
            << std::optional(PeriodLowQuote{7, u"4"_s});
    }

    void fromHistory() {
        QFETCH(std::optional<QString>, firstSeen);
        QFETCH(QList<PriceSnapshot>, snapshots);
        QFETCH(std::optional<PeriodLowQuote>, quote);
        QCOMPARE(PeriodLow::fromHistory(firstSeen, snapshots, now), quote);
    }
};

QTEST_GUILESS_MAIN(TestPriceHistory)
#include "tst_PriceHistory.moc"
