#include "PriceChartRules.h"

#include <QTest>

using namespace quelvio;
using namespace quelvio::PriceChartRules;

namespace {

PriceSnapshot snapshot(qint64 id, const QString& price, const QString& capturedAt) {
    PriceSnapshot s;
    s.id = id;
    s.price = price;
    s.capturedAt = capturedAt;
    return s;
}

// One snapshot a day from 2026-03-01 at noon UTC.
QList<PriceSnapshot> daily(const QStringList& prices) {
    QList<PriceSnapshot> list;
    for (qsizetype i = 0; i < prices.size(); ++i)
        list.append(snapshot(i + 1, prices[i],
                             QStringLiteral("2026-03-%1T12:00:00Z").arg(i + 1, 2, 10, QChar(u'0'))));
    return list;
}

QDateTime utc(const QString& text) {
    return QDateTime::fromString(text, Qt::ISODate).toUTC();
}

} // namespace

Q_DECLARE_METATYPE(quelvio::PriceChartRules::LineTone)

class TestPriceChartRules : public QObject {
    Q_OBJECT

private slots:
    void emptyTexts_data() {
        QTest::addColumn<QList<PriceSnapshot>>("snapshots");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << QList<PriceSnapshot>{} << QStringLiteral("暂无历史点");
        QTest::newRow("one") << daily({"5"}) << QStringLiteral("历史点不足");
        QTest::newRow("two unreadable")
            << QList<PriceSnapshot>{snapshot(1, "n/a", "2026-03-01T12:00:00Z"), snapshot(2, "5", "yesterday")}
            << QStringLiteral("历史点不足");
        QTest::newRow("one of two readable") << QList<PriceSnapshot>{snapshot(1, "5", "2026-03-01T12:00:00Z"),
                                                                     snapshot(2, "", "2026-03-02T12:00:00Z")}
                                             << QStringLiteral("历史点不足");
        QTest::newRow("two") << daily({"5", "6"}) << QString();
    }
    void emptyTexts() {
        QFETCH(QList<PriceSnapshot>, snapshots);
        QFETCH(QString, expected);
        QCOMPARE(emptyText(snapshots, samples(snapshots)).value_or(QString()), expected);
    }

    void samplesKeepTheLatestEighty() {
        QList<PriceSnapshot> list;
        for (int i = 1; i <= 100; ++i)
            list.append(snapshot(i, QString::number(i),
                                 QDateTime(QDate(2026, 1, 1), QTime(0, 0), QTimeZone::utc())
                                     .addSecs(i * 3600)
                                     .toString(Qt::ISODate)));
        const QList<PriceHistorySample> result = samples(list);
        QCOMPARE(result.size(), 80);
        QCOMPARE(result.first().id, 21);
        QCOMPARE(result.last().id, 100);
    }

    void lineTones_data() {
        QTest::addColumn<QStringList>("prices");
        QTest::addColumn<bool>("risingIsBad");
        QTest::addColumn<LineTone>("expected");
        QTest::newRow("rise, rising bad") << QStringList{"5", "6"} << true << LineTone::danger;
        QTest::newRow("fall, rising bad") << QStringList{"6", "5"} << true << LineTone::success;
        QTest::newRow("rise, rising good") << QStringList{"5", "6"} << false << LineTone::success;
        QTest::newRow("fall, rising good") << QStringList{"6", "5"} << false << LineTone::danger;
        QTest::newRow("flat") << QStringList{"5", "5.0"} << true << LineTone::accentSecondary;
        QTest::newRow("only the ends count")
            << QStringList{"5", "9", "1", "5"} << true << LineTone::accentSecondary;
        QTest::newRow("none") << QStringList{} << true << LineTone::accent;
    }
    void lineTones() {
        QFETCH(QStringList, prices);
        QFETCH(bool, risingIsBad);
        QFETCH(LineTone, expected);
        QCOMPARE(lineTone(samples(daily(prices)), risingIsBad), expected);
    }

    void axisPrices_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("large") << 150.0 << "150";
        QTest::newRow("large with fraction") << 100.4 << "100";
        QTest::newRow("tens") << 12.34 << "12.3";
        QTest::newRow("whole tens") << 10.0 << "10";
        QTest::newRow("whole") << 3.0 << "3";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("small") << 2.5 << "2.50";
        QTest::newRow("negative") << -2.5 << "-2.50";
    }
    void axisPrices() {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(axisPrice(value), expected);
    }

    void dateLabelsUseTheZone() {
        const QDateTime lateEvening = utc("2026-01-01T23:30:00Z");
        QCOMPARE(dateLabel(lateEvening, QTimeZone::utc()), "01-01");
        QCOMPARE(dateLabel(lateEvening, QTimeZone(8 * 3600)), "01-02");
    }

    void nearestSample_data() {
        QTest::addColumn<QStringList>("times");
        QTest::addColumn<QDateTime>("hover");
        QTest::addColumn<int>("expected");
        const QStringList oldestFirst{"2026-03-01T10:00:00Z", "2026-03-01T12:00:00Z", "2026-03-01T14:00:00Z"};
        QTest::newRow("exact") << oldestFirst << utc("2026-03-01T12:00:00Z") << 1;
        QTest::newRow("closer to the later") << oldestFirst << utc("2026-03-01T11:00:01Z") << 1;
        QTest::newRow("midway picks the older") << oldestFirst << utc("2026-03-01T11:00:00Z") << 0;
        QTest::newRow("midway, newest first, still the older")
            << QStringList{"2026-03-01T14:00:00Z", "2026-03-01T12:00:00Z"} << utc("2026-03-01T13:00:00Z")
            << 1;
        QTest::newRow("before all") << oldestFirst << utc("2026-02-01T00:00:00Z") << 0;
        QTest::newRow("after all") << oldestFirst << utc("2026-04-01T00:00:00Z") << 2;
        QTest::newRow("no hover") << oldestFirst << QDateTime() << -1;
        QTest::newRow("no samples") << QStringList{} << utc("2026-03-01T12:00:00Z") << -1;
    }
    void nearestSample() {
        QFETCH(QStringList, times);
        QFETCH(QDateTime, hover);
        QFETCH(int, expected);
        QList<PriceSnapshot> list;
        for (const QString& time : times)
            list.append(snapshot(list.size() + 1, "5", time));
        const std::optional<QDateTime> hoverDate = hover.isValid() ? std::optional(hover) : std::nullopt;
        QCOMPARE(nearestSampleIndex(samples(list), hoverDate).value_or(-1), expected);
    }

    void headers() {
        QList<PriceSnapshot> list = daily({"5", "5.5", "6"});
        const QList<PriceHistorySample> s = samples(list);
        QCOMPARE(header(s, std::nullopt, QStringLiteral("CNY"), QStringLiteral("month"), QTimeZone::utc()),
                 (Header{"¥5  →  ¥6", "3 点 · 悬停查看"}));
        QCOMPARE(header(s, 1, QStringLiteral("USD"), QStringLiteral("month"), QTimeZone::utc()),
                 (Header{"$5.5/month", "03-02 12:00"}));
        QCOMPARE(header(s, 2, std::nullopt, std::nullopt, QTimeZone(8 * 3600)), (Header{"6", "03-03 20:00"}));
    }

    void priceTickSteps_data() {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<QList<double>>("expected");
        QTest::newRow("units") << 0.0 << 6.0 << QList<double>{0, 2, 4, 6};
        QTest::newRow("hundreds") << 0.0 << 150.0 << QList<double>{0, 50, 100, 150};
        QTest::newRow("uneven top") << 0.0 << 12.34 << QList<double>{0, 5, 10, 15};
        QTest::newRow("below zero") << -3.0 << 4.0 << QList<double>{-4, -2, 0, 2, 4};
        QTest::newRow("nothing to span") << 0.0 << 0.0 << QList<double>{0, 0.5, 1};
    }
    void priceTickSteps() {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(QList<double>, expected);
        const QList<double> ticks = priceTicks(low, high, 5);
        QCOMPARE(ticks.size(), expected.size());
        for (qsizetype i = 0; i < ticks.size(); ++i)
            QVERIFY2(qAbs(ticks[i] - expected[i]) < 1e-9, qPrintable(QString::number(ticks[i])));
    }

    void scaleMapsBothWays() {
        const QList<PriceHistorySample> s = samples(daily({"5", "6", "4"}));
        const QRectF plot(10, 20, 300, 100);
        const Scale scale(s, plot);
        QCOMPARE(scale.x(s.first().date), plot.left());
        QCOMPARE(scale.x(s.last().date), plot.right());
        QCOMPARE(scale.y(0), plot.bottom());
        QCOMPARE(scale.y(scale.ticks().last()), plot.top());
        QVERIFY(scale.ticks().last() >= 6);

        QCOMPARE(scale.dateAt(0), s.first().date);
        QCOMPARE(scale.dateAt(plot.width()), s.last().date);
        QCOMPARE(scale.dateAt(plot.width() / 2), s[1].date);
        QCOMPARE(scale.dateAt(-0.5), std::nullopt);
        QCOMPARE(scale.dateAt(plot.width() + 0.5), std::nullopt);

        QCOMPARE(Scale().dateAt(0), std::nullopt);
        QCOMPARE(Scale(s, QRectF(0, 0, 0, 100)).dateAt(0), std::nullopt);
    }

    void singleInstantIsWidened() {
        QList<PriceSnapshot> list{snapshot(1, "5", "2026-03-01T12:00:00Z"),
                                  snapshot(2, "6", "2026-03-01T12:00:00Z")};
        const QList<PriceHistorySample> s = samples(list);
        const Scale scale(s, QRectF(0, 0, 200, 100));
        QCOMPARE(scale.x(s.first().date), 100.0);
        QCOMPARE(scale.dateAt(100), s.first().date);
    }

    void dateAxisDropsRepeatedDays() {
        const QList<PriceSnapshot> sameDay{snapshot(1, "5", "2026-03-01T01:00:00Z"),
                                           snapshot(2, "6", "2026-03-01T05:00:00Z")};
        const QList<AxisLabel> one =
            xAxisLabels(Scale(samples(sameDay), QRectF(0, 0, 300, 100)), 4, QTimeZone::utc());
        QCOMPARE(one.size(), 1);
        QCOMPARE(one.first(), (AxisLabel{0, "03-01"}));

        const QList<AxisLabel> four = xAxisLabels(
            Scale(samples(daily({"5", "6", "7", "8"})), QRectF(0, 0, 300, 100)), 4, QTimeZone::utc());
        QStringList texts;
        for (const AxisLabel& label : four)
            texts.append(label.text);
        QCOMPARE(texts, (QStringList{"03-01", "03-02", "03-03", "03-04"}));
        QCOMPARE(four.last().position, 300.0);
    }

    void priceAxisLabelsFollowTheTicks() {
        const Scale scale(samples(daily({"120", "150"})), QRectF(0, 0, 300, 100));
        QStringList texts;
        for (const AxisLabel& label : yAxisLabels(scale))
            texts.append(label.text);
        QCOMPARE(texts, (QStringList{"0", "50", "100", "150"}));
        QCOMPARE(yAxisLabels(scale).first().position, 100.0);
    }
};

QTEST_APPLESS_MAIN(TestPriceChartRules)
#include "tst_PriceChartRules.moc"
