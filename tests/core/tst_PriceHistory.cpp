#include "Presentation/PriceAxis.h"
#include "Presentation/PriceHistory.h"

#include <QTest>
#include <QTimeZone>
#include <cmath>
#include <limits>

using namespace quelvio;
using namespace quelvio::PriceAxis;
using namespace Qt::StringLiterals;

namespace {

const QDateTime now(QDate(2025, 3, 20), QTime(12, 0), Qt::UTC);
constexpr qint64 day = 86400;

QString ago(qint64 seconds) {
    return now.addSecs(-seconds).toString(Qt::ISODate);
}

PriceSnapshot snapshot(qint64 id, const QString& price, const QString& capturedAt) {
    return {.id = id, .price = price, .capturedAt = capturedAt};
}

QList<qint64> ids(const QList<PriceHistorySample>& samples) {
    QList<qint64> out;
    for (const auto& s : samples)
        out.append(s.id);
    return out;
}

constexpr double tiny = std::numeric_limits<double>::denorm_min();
constexpr double largest = std::numeric_limits<double>::max();

QList<PriceHistorySample> twoPrices(double a, double b) {
    const QDateTime start(QDate(2026, 3, 1), QTime(0, 0), QTimeZone::utc());
    return {{1, start, a, {}, {}}, {2, start.addDays(1), b, {}, {}}};
}

} // namespace

class TestPriceHistory : public QObject {
    Q_OBJECT

private slots:
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
        QVERIFY(PriceHistorySeries::samples(list, 0).isEmpty());
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

    void fromHistory() {
        using Quote = std::optional<PeriodLowQuote>;
        using List = QList<PriceSnapshot>;
        const List inWindow{snapshot(1, u"10"_s, ago(6 * day)), snapshot(2, u"9.5"_s, ago(5 * day)),
                            snapshot(3, u"9.50"_s, ago(4 * day)), snapshot(4, u"11"_s, ago(day))};
        const std::optional<QString> eightDays = ago(8 * day);
        // The earliest of equal lows, once the product has been listed for seven days.
        QCOMPARE(PeriodLow::fromHistory(eightDays, inWindow, now), Quote({7, u"9.5"_s}));
        QCOMPARE(PeriodLow::fromHistory(ago(7 * day), inWindow, now), Quote({7, u"9.5"_s}));
        QCOMPARE(PeriodLow::fromHistory(ago(7 * day - 1), inWindow, now), std::nullopt);
        QCOMPARE(PeriodLow::fromHistory(u"2025-01-01"_s, inWindow, now), std::nullopt);

        // The window starts seven days back, inclusive; a snapshot of unreadable time still counts.
        const List edges{snapshot(1, u"2"_s, ago(7 * day + 1)), snapshot(2, u"3"_s, ago(7 * day)),
                         snapshot(3, u"3.5"_s, u"not a time"_s), snapshot(4, u"4"_s, ago(0))};
        QCOMPARE(PeriodLow::fromHistory(eightDays, edges, now), Quote({7, u"3"_s}));
        QCOMPARE(PeriodLow::fromHistory(eightDays, edges.sliced(2), now), Quote({7, u"3.5"_s}));
        QCOMPARE(PeriodLow::fromHistory(eightDays,
                                        {snapshot(1, u"4"_s, ago(-day)), snapshot(2, u"6"_s, ago(day))}, now),
                 Quote({7, u"4"_s}));
        QCOMPARE(PeriodLow::fromHistory(eightDays,
                                        {snapshot(1, u"—"_s, ago(day)), snapshot(2, u" 5"_s, ago(day))}, now),
                 std::nullopt);
    }

    // Prices come from the server: whatever two finite prices it sends, the axis has a handful of
    // finite, ascending ticks that cover them, and every sample lands inside the plot.
    void hostilePricesGiveAFewTicks() {
        const QList<std::pair<double, double>> spans{
            {-5e-324, 5e-324},   // denormals around zero
            {0.0, tiny},         // one denormal
            {-1e308, 1e308},     // the span overflows
            {-largest, largest}, // the whole range
            {0.0, largest},
            {1e20, 1e20 + 16384}, // steps lost in the magnitude
            {1e300, std::nextafter(1e300, 2e300)},
            {3.5, 12.0},
        };
        const QRectF plot(0, 0, 300, 100);
        for (const auto& [low, high] : spans) {
            const QByteArray span = QByteArray::number(low) + " to " + QByteArray::number(high);
            const QList<double> ticks = priceTicks(low, high, 5);
            QVERIFY2(!ticks.isEmpty() && ticks.size() <= 12, span);
            for (qsizetype i = 0; i < ticks.size(); ++i)
                QVERIFY2(std::isfinite(ticks[i]) && (i == 0 || ticks[i - 1] <= ticks[i]), span);
            QVERIFY2(ticks.first() <= low && ticks.last() >= high, span);

            const Scale scale(twoPrices(low, high), plot);
            for (double price : {low, high}) {
                const double y = scale.y(price);
                QVERIFY2(std::isfinite(y) && y >= plot.top() - 1e-6 && y <= plot.bottom() + 1e-6, span);
            }
        }

        // No number gives no ticks.
        QVERIFY(priceTicks(std::nan(""), 1, 5).isEmpty());
        QVERIFY(priceTicks(0, std::numeric_limits<double>::infinity(), 5).isEmpty());
        QVERIFY(priceTicks(0, 1, 0).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPriceHistory)
#include "tst_PriceHistory.moc"
