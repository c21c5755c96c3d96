#include "Presentation/PriceAxis.h"

#include <QTest>
#include <QTimeZone>
#include <cmath>
#include <limits>

using namespace quelvio;
using namespace quelvio::PriceAxis;

namespace {

constexpr double tiny = std::numeric_limits<double>::denorm_min();
constexpr double largest = std::numeric_limits<double>::max();

QList<PriceHistorySample> twoPrices(double a, double b) {
    const QDateTime start(QDate(2026, 3, 1), QTime(0, 0), QTimeZone::utc());
    return {{1, start, a, {}, {}}, {2, start.addDays(1), b, {}, {}}};
}

} // namespace

class TestPriceAxis : public QObject {
    Q_OBJECT

private slots:
    // Prices come from the server: whatever two finite prices it sends, the axis has a handful of
    // finite, ascending ticks that cover them, and every sample lands inside the plot.
    void hostilePricesGiveAFewTicks_data() {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("denormals around zero") << -5e-324 << 5e-324;
        QTest::newRow("one denormal") << 0.0 << tiny;
        QTest::newRow("span overflows") << -1e308 << 1e308;
        QTest::newRow("the whole range") << -largest << largest;
        QTest::newRow("up to the largest") << 0.0 << largest;
        QTest::newRow("steps lost in the magnitude") << 1e20 << 1e20 + 16384;
        QTest::newRow("one ulp apart") << 1e300 << std::nextafter(1e300, 2e300);
        QTest::newRow("ordinary") << 3.5 << 12.0;
    }
    void hostilePricesGiveAFewTicks() {
        QFETCH(double, low);
        QFETCH(double, high);
        const QList<double> ticks = priceTicks(low, high, 5);
        QVERIFY(!ticks.isEmpty());
        QVERIFY2(ticks.size() <= 12, qPrintable(QString::number(ticks.size())));
        for (qsizetype i = 0; i < ticks.size(); ++i) {
            QVERIFY(std::isfinite(ticks[i]));
            if (i > 0)
                QVERIFY(ticks[i - 1] <= ticks[i]);
        }
        QVERIFY(ticks.first() <= low && ticks.last() >= high);

        const QRectF plot(0, 0, 300, 100);
        const Scale scale(twoPrices(low, high), plot);
        for (double price : {low, high}) {
            const double y = scale.y(price);
            QVERIFY2(std::isfinite(y) && y >= plot.top() - 1e-6 && y <= plot.bottom() + 1e-6,
                     qPrintable(QString::number(y)));
        }
    }

    void noNumberGivesNoTicks() {
        QVERIFY(priceTicks(std::nan(""), 1, 5).isEmpty());
        QVERIFY(priceTicks(0, std::numeric_limits<double>::infinity(), 5).isEmpty());
        QVERIFY(priceTicks(0, 1, 0).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestPriceAxis)
#include "tst_PriceAxis.moc"
