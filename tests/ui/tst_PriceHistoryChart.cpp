#include "PanelThemeController.h"
#include "PriceHistoryChart.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace quelvio;

namespace {

QList<PriceSnapshot> daily(const QStringList& prices) {
    QList<PriceSnapshot> list;
    for (qsizetype i = 0; i < prices.size(); ++i) {
        PriceSnapshot s;
        s.id = i + 1;
        s.price = prices[i];
        s.capturedAt = QStringLiteral("2026-03-%1T12:00:00Z").arg(i + 1, 2, 10, QChar(u'0'));
        list.append(s);
    }
    return list;
}

// Pixels close to the colour; antialiased edges and the faint area fill stay out.
int pixelsNear(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) <= 6 && qAbs(c.green() - colour.green()) <= 6 &&
                qAbs(c.blue() - colour.blue()) <= 6)
                ++count;
        }
    }
    return count;
}

} // namespace

// Publishes a history the way AppState publishes productHistory.
class HistorySource : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<quelvio::PriceSnapshot> history READ history NOTIFY historyChanged)

public:
    QList<PriceSnapshot> history() const { return m_history; }
    void setHistory(const QList<PriceSnapshot>& history) {
        m_history = history;
        emit historyChanged();
    }

signals:
    void historyChanged();

private:
    QList<PriceSnapshot> m_history;
};

// The chart item on the offscreen platform with Qt Quick's software renderer.
class TestPriceHistoryChart : public QObject {
    Q_OBJECT

    struct Rig {
        Rig() {
            window.resize(420, 220);
            window.setColor(Qt::black);
            chart.setParentItem(window.contentItem());
            chart.setSize(QSizeF(400, 200));
            chart.setPosition(QPointF(10, 10));
            window.show();
        }
        QQuickWindow window;
        PriceHistoryChart chart;
    };

private slots:
    void initTestCase() { QQuickWindow::setGraphicsApi(QSGRendererInterface::Software); }
    void cleanup() { PanelThemeController::shared().apply(AppTheme::ink); }

    void takesTheHistoryFromAVariant() {
        PriceHistoryChart chart;
        QSignalSpy changed(&chart, &PriceHistoryChart::snapshotsChanged);
        QCOMPARE(chart.emptyText(), "暂无历史点");

        QVERIFY(chart.setProperty("snapshots", QVariant::fromValue(daily({"5"}))));
        QCOMPARE(chart.emptyText(), "历史点不足");
        QVERIFY(chart.setProperty("snapshots", QVariant::fromValue(daily({"5", "6"}))));
        QCOMPARE(chart.sampleCount(), 2);
        QCOMPARE(chart.emptyText(), QString());
        QCOMPARE(chart.property("snapshots").value<QList<PriceSnapshot>>(), daily({"5", "6"}));
        QCOMPARE(changed.size(), 2);

        // Undefined while a product loads: no history at all.
        QVERIFY(chart.setProperty("snapshots", QVariant()));
        QCOMPARE(chart.emptyText(), "暂无历史点");
    }

    void bindsToAStatesHistoryInQml() {
        qmlRegisterType<PriceHistoryChart>("QuelvioChartTest", 1, 0, "PriceHistoryChart");
        qmlRegisterType<HistorySource>("QuelvioChartTest", 1, 0, "HistorySource");
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData(R"(
            import QtQuick
            import QuelvioChartTest
            Item {
                property alias source: source
                property alias chart: chart
                HistorySource { id: source }
                PriceHistoryChart { id: chart; snapshots: source.history; currency: "USD" }
            }
        )",
                          QUrl());
        std::unique_ptr<QObject> root(component.create());
        QVERIFY2(root, qPrintable(component.errorString()));
        auto* source = root->property("source").value<HistorySource*>();
        auto* chart = root->property("chart").value<PriceHistoryChart*>();
        QVERIFY(source && chart);
        QCOMPARE(chart->emptyText(), "暂无历史点");
        source->setHistory(daily({"5", "6", "7"}));
        QCOMPARE(chart->sampleCount(), 3);
        QCOMPARE(chart->headerTitle(), "$5  →  $7");
        source->setHistory({});
        QCOMPARE(chart->emptyText(), "暂无历史点");
    }

    void headerFollowsTheHoverDate() {
        PriceHistoryChart chart;
        chart.setSnapshots(daily({"5", "6", "7"}));
        chart.setCurrency(QStringLiteral("CNY"));
        QCOMPARE(chart.headerTitle(), "¥5  →  ¥7");
        QCOMPARE(chart.selectedIndex(), -1);

        chart.setProperty("hoverDate", QDateTime(QDate(2026, 3, 2), QTime(13, 0), QTimeZone::utc()));
        QCOMPARE(chart.selectedIndex(), 1);
        QCOMPARE(chart.headerTitle(), "¥6");

        chart.setProperty("hoverDate", QDateTime());
        QCOMPARE(chart.selectedIndex(), -1);
        QCOMPARE(chart.headerDetail(), "3 点 · 悬停查看");
    }

    void lineColourFollowsTheTheme() {
        PriceHistoryChart chart;
        chart.setSnapshots(daily({"5", "6"}));
        QCOMPARE(chart.lineColor(), PanelThemeController::shared().danger());
        chart.setRisingIsBad(false);
        QCOMPARE(chart.lineColor(), PanelThemeController::shared().success());

        const QColor paperSuccess = ThemeCatalog::definition(AppTheme::paper).palette.success;
        QVERIFY(paperSuccess != chart.lineColor());
        QSignalSpy display(&chart, &PriceHistoryChart::displayChanged);
        PanelThemeController::shared().apply(AppTheme::paper);
        QCOMPARE(display.size(), 1);
        QCOMPARE(chart.lineColor(), paperSuccess);
    }

    void paintsTheLineInItsColour() {
        Rig rig;
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        const QColor danger = PanelThemeController::shared().danger();
        QCOMPARE(pixelsNear(rig.window.grabWindow(), danger), 0);

        rig.chart.setSnapshots(daily({"5", "5", "6", "6"}));
        QCOMPARE(rig.chart.lineColor(), danger);
        QTRY_VERIFY(pixelsNear(rig.window.grabWindow(), danger) > 50);

        rig.chart.setRisingIsBad(false);
        QTRY_COMPARE(pixelsNear(rig.window.grabWindow(), danger), 0);
    }

    void pointerPicksTheNearestSample() {
        Rig rig;
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        rig.chart.setSnapshots(daily({"5", "6", "7"}));
        const QRectF plot = rig.chart.scale().plot();
        QVERIFY(plot.width() > 100);

        const QPointF offset = rig.chart.position();
        QTest::mouseMove(&rig.window, (offset + QPointF(plot.right() - 2, plot.center().y())).toPoint());
        QTRY_COMPARE(rig.chart.selectedIndex(), 2);
        QTest::mouseMove(&rig.window, (offset + QPointF(plot.left() + 2, plot.center().y())).toPoint());
        QTRY_COMPARE(rig.chart.selectedIndex(), 0);

        // Over the read-out, or left of the plot, nothing is selected.
        QTest::mouseMove(&rig.window, (offset + QPointF(plot.center().x(), 2)).toPoint());
        QTRY_COMPARE(rig.chart.selectedIndex(), -1);
        QTest::mouseMove(&rig.window, (offset + QPointF(plot.right() - 2, plot.center().y())).toPoint());
        QTRY_COMPARE(rig.chart.selectedIndex(), 2);
        QTest::mouseMove(&rig.window, (offset + QPointF(plot.left() - 3, plot.center().y())).toPoint());
        QTRY_COMPARE(rig.chart.selectedIndex(), -1);

        QTest::mouseMove(&rig.window, (offset + QPointF(plot.center().x(), plot.center().y())).toPoint());
        QTRY_VERIFY(rig.chart.hoverDate().has_value());
        // Leaving the chart ends the hover.
        QTest::mouseMove(&rig.window, QPoint(415, 215));
        QTRY_COMPARE(rig.chart.hoverDate(), std::nullopt);
    }
};

QTEST_MAIN(TestPriceHistoryChart)
#include "tst_PriceHistoryChart.moc"
