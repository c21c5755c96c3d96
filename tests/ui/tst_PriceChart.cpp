#include "PanelThemeController.h"
#include "PriceChartRules.h"
#include "PriceHistoryChart.h"
#include "ThemeCatalog.h"

#include <QQuickWindow>
#include <QTest>
#include <memory>

using namespace quelvio;
using namespace quelvio::PriceChartRules;

namespace {

PriceSnapshot snapshot(qint64 id, const QString& price, const QString& capturedAt) {
    return {.id = id, .price = price, .capturedAt = capturedAt};
}

// One snapshot a day from 2026-03-01 at noon UTC.
QList<PriceSnapshot> daily(const QStringList& prices) {
    QList<PriceSnapshot> list;
    for (qsizetype i = 0; i < prices.size(); ++i)
        list.append(snapshot(i + 1, prices[i],
                             QStringLiteral("2026-03-%1T12:00:00Z").arg(i + 1, 2, 10, QChar(u'0'))));
    return list;
}

// The sample nearest the hover time among snapshots taken at these times, or -1.
int nearest(const QStringList& times, const QString& hover) {
    QList<PriceSnapshot> list;
    for (const QString& time : times)
        list.append(snapshot(list.size() + 1, "5", time));
    const QDateTime at = QDateTime::fromString(hover, Qt::ISODate);
    return nearestSampleIndex(samples(list), at.isValid() ? std::optional(at) : std::nullopt).value_or(-1);
}

QStringList texts(const QList<AxisLabel>& labels) {
    QStringList all;
    for (const AxisLabel& label : labels)
        all.append(label.text);
    return all;
}

// Pixels close to the colour; antialiased edges and the faint area fill stay out.
int pixelsNear(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) <= 6 && qAbs(c.green() - colour.green()) <= 6 &&
                qAbs(c.blue() - colour.blue()) <= 6)
                ++count;
        }
    return count;
}

// The chart item in an offscreen window with Qt Quick's software renderer.
struct Rig {
    Rig() {
        window.resize(420, 220);
        window.setColor(Qt::black);
        chart.setParentItem(window.contentItem());
        chart.setSize(QSizeF(400, 200));
        chart.setPosition(QPointF(10, 10));
        window.show();
    }
    void hover(QPointF inChart) { QTest::mouseMove(&window, (chart.position() + inChart).toPoint()); }

    QQuickWindow window;
    PriceHistoryChart chart;
};

} // namespace

class TestPriceChart : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }
    void cleanup() { PanelThemeController::shared().apply(AppTheme::ink); }

    void emptyTextAndTone() {
        const QList<PriceSnapshot> oneReadable{snapshot(1, "5", "2026-03-01T12:00:00Z"),
                                               snapshot(2, "", "2026-03-02T12:00:00Z")};
        QCOMPARE(emptyText(oneReadable, samples(oneReadable)).value_or(QString()), "历史点不足");

        QCOMPARE(lineTone(samples(daily({"5", "6"})), true), LineTone::danger);
        QCOMPARE(lineTone(samples(daily({"5", "5.0"})), true), LineTone::accentSecondary);
        QCOMPARE(lineTone(samples(daily({"5", "9", "1", "5"})), true), LineTone::accentSecondary); // the ends
    }

    void labels() {
        QCOMPARE(axisPrice(100.4), "100");
        QCOMPARE(axisPrice(12.34), "12.3");
        QCOMPARE(axisPrice(-2.5), "-2.50");
        const QDateTime lateEvening(QDate(2026, 1, 1), QTime(23, 30), QTimeZone::utc());
        QCOMPARE(dateLabel(lateEvening, QTimeZone(8 * 3600)), "01-02");

        const QList<PriceHistorySample> s = samples(daily({"5", "5.5", "6"}));
        QCOMPARE(header(s, std::nullopt, QStringLiteral("CNY"), QStringLiteral("month"), QTimeZone::utc()),
                 (Header{"¥5  →  ¥6", "3 点 · 悬停查看"}));
        QCOMPARE(header(s, 2, std::nullopt, std::nullopt, QTimeZone(8 * 3600)), (Header{"6", "03-03 20:00"}));
        const QList<PriceSnapshot> snapshots = daily({"5.5", "5", "6", "5.8"});
        QCOMPARE(summary(snapshots, samples(snapshots), QStringLiteral("CNY"), QStringLiteral("month")),
                 "4 点，最低 ¥5/month，最高 ¥6/month，最新 ¥5.8/month");
    }

    void nearestSample() {
        const QStringList oldestFirst{"2026-03-01T10:00:00Z", "2026-03-01T12:00:00Z", "2026-03-01T14:00:00Z"};
        QCOMPARE(nearest(oldestFirst, "2026-03-01T11:00:01Z"), 1);
        QCOMPARE(nearest(oldestFirst, "2026-03-01T11:00:00Z"), 0); // midway picks the older
        QCOMPARE(nearest({"2026-03-01T14:00:00Z", "2026-03-01T12:00:00Z"}, "2026-03-01T13:00:00Z"), 1);
        QCOMPARE(nearest(oldestFirst, "2026-04-01T00:00:00Z"), 2);
        QCOMPARE(nearest(oldestFirst, ""), -1);
    }

    void priceTicksTakeRoundSteps() {
        QCOMPARE(priceTicks(0, 6, 5), (QList<double>{0, 2, 4, 6}));
        QCOMPARE(priceTicks(0, 12.34, 5), (QList<double>{0, 5, 10, 15}));
        QCOMPARE(priceTicks(-3, 4, 5), (QList<double>{-4, -2, 0, 2, 4}));
        QCOMPARE(priceTicks(0, 0, 5), (QList<double>{0, 0.5, 1})); // nothing to span
    }

    void scaleMapsBothWays() {
        const QList<PriceHistorySample> s = samples(daily({"5", "6", "4"}));
        const QRectF plot(10, 20, 300, 100);
        const Scale scale(s, plot);
        QCOMPARE(scale.x(s.first().date), plot.left());
        QCOMPARE(scale.x(s.last().date), plot.right());
        QCOMPARE(scale.y(0), plot.bottom());
        QCOMPARE(scale.y(scale.ticks().last()), plot.top());
        QCOMPARE(scale.dateAt(plot.width() / 2), s[1].date);
        QCOMPARE(scale.dateAt(plot.width() + 0.5), std::nullopt);
        QCOMPARE(Scale(s, QRectF(0, 0, 0, 100)).dateAt(0), std::nullopt);

        // All at one instant: the line sits in the middle.
        const QList<PriceHistorySample> instant =
            samples({snapshot(1, "5", "2026-03-01T12:00:00Z"), snapshot(2, "6", "2026-03-01T12:00:00Z")});
        QCOMPARE(Scale(instant, QRectF(0, 0, 200, 100)).x(instant.first().date), 100.0);
    }

    void axes() {
        const QList<PriceSnapshot> sameDay{snapshot(1, "5", "2026-03-01T01:00:00Z"),
                                           snapshot(2, "6", "2026-03-01T05:00:00Z")};
        QCOMPARE(xAxisLabels(Scale(samples(sameDay), QRectF(0, 0, 300, 100)), 4, QTimeZone::utc()),
                 (QList<AxisLabel>{{0, "03-01"}}));
        const QList<AxisLabel> four = xAxisLabels(
            Scale(samples(daily({"5", "6", "7", "8"})), QRectF(0, 0, 300, 100)), 4, QTimeZone::utc());
        QCOMPARE(texts(four), (QStringList{"03-01", "03-02", "03-03", "03-04"}));

        const Scale scale(samples(daily({"120", "150"})), QRectF(0, 0, 300, 100));
        QCOMPARE(texts(yAxisLabels(scale)), (QStringList{"0", "50", "100", "150"}));
        QCOMPARE(yAxisLabels(scale).first().position, 100.0);
    }

    // QML hands the state's history over as a variant, and undefined while a product loads.
    void theItemTakesTheHistoryFromAVariant() {
        PriceHistoryChart chart;
        QCOMPARE(chart.emptyText(), "暂无历史点");
        QVERIFY(chart.setProperty("snapshots", QVariant::fromValue(daily({"5", "6", "7"}))));
        QCOMPARE(chart.sampleCount(), 3);
        chart.setCurrency(QStringLiteral("USD"));
        QCOMPARE(chart.headerTitle(), "$5  →  $7");
        QVERIFY(chart.setProperty("snapshots", QVariant()));
        QCOMPARE(chart.emptyText(), "暂无历史点");
    }

    void paintsTheLineInItsThemeColour() {
        Rig rig;
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        const QColor danger = PanelThemeController::shared().danger();
        QCOMPARE(pixelsNear(rig.window.grabWindow(), danger), 0);
        rig.chart.setSnapshots(daily({"5", "5", "6", "6"}));
        QCOMPARE(rig.chart.lineColor(), danger);
        QTRY_VERIFY(pixelsNear(rig.window.grabWindow(), danger) > 50);

        rig.chart.setRisingIsBad(false);
        QTRY_COMPARE(pixelsNear(rig.window.grabWindow(), danger), 0);
        PanelThemeController::shared().apply(AppTheme::paper);
        QCOMPARE(rig.chart.lineColor(), ThemeCatalog::paper().palette.success);
        QTRY_VERIFY(pixelsNear(rig.window.grabWindow(), ThemeCatalog::paper().palette.success) > 50);
    }

    void pointerPicksTheNearestSample() {
        Rig rig;
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        rig.chart.setSnapshots(daily({"5", "6", "7"}));
        const QRectF plot = rig.chart.scale().plot();
        QVERIFY(plot.width() > 100);
        rig.hover({plot.right() - 2, plot.center().y()});
        QTRY_COMPARE(rig.chart.selectedIndex(), 2);
        // Over the read-out nothing is selected; leaving the chart ends the hover.
        rig.hover({plot.center().x(), 2});
        QTRY_COMPARE(rig.chart.selectedIndex(), -1);
        rig.hover(plot.center());
        QTRY_COMPARE(rig.chart.selectedIndex(), 1);
        QTest::mouseMove(&rig.window, QPoint(415, 215));
        QTRY_COMPARE(rig.chart.hoverDate(), std::nullopt);
    }
};

QTEST_MAIN(TestPriceChart)
#include "tst_PriceChart.moc"
