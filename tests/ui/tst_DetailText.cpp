#include "DetailText.h"

#include <QTest>

using namespace quelvio;
using namespace quelvio::DetailText;
using namespace Qt::StringLiterals;

namespace {

const QDateTime now = QDateTime(QDate(2026, 3, 20), QTime(12, 0), QTimeZone::utc());
const QTimeZone shanghai = QTimeZone(8 * 3600);

Product full() {
    Product p;
    p.id = 42;
    p.name = u"ChatGPT Plus 月卡"_s;
    p.category = u"codex"_s;
    p.currency = u"CNY"_s;
    p.unit = u"month"_s;
    p.isActive = true;
    p.price = u"128"_s;
    p.outputPrice = u"256"_s;
    p.capturedAt = u"2026-03-20T01:30:00Z"_s;
    p.firstSeenAt = u"2026-01-02T16:05:00Z"_s;
    p.source = Source{.slug = u"shop-a"_s, .name = u"甲店"_s};
    p.metadata = ProductMetadata{.stock = u"12"_s, .sourceCategory = std::nullopt, .subtype = u"plus"_s};
    return p;
}

PriceSnapshot snapshot(qint64 id, const QString& price, const QString& at) {
    PriceSnapshot s;
    s.id = id;
    s.price = price;
    s.capturedAt = at;
    return s;
}

QString metaValue(const QList<MetaRow>& rows, const QString& label) {
    for (const MetaRow& row : rows)
        if (row.label == label)
            return row.value;
    return u"<none>"_s;
}

} // namespace

class TestDetailText : public QObject {
    Q_OBJECT

private slots:
    void phaseFollowsLoadingAndDetail() {
        QCOMPARE(phase(true, false), Phase::loading);
        QCOMPARE(phase(false, false), Phase::failed);
        QCOMPARE(phase(true, true), Phase::ready);
        QCOMPARE(phase(false, true), Phase::ready);
        QCOMPARE(failedText, u"无法加载商品");
        QCOMPARE(failedSymbol, u"exclamationmark.triangle");
    }

    void titleBlock() {
        QCOMPARE(subtitle(full()), u"甲店 · Codex · Plus"_s);
        QCOMPARE(idText(full()), u"#42"_s);
        Product bare;
        bare.id = 7;
        QCOMPARE(subtitle(bare), QString());
        Product noSource = full();
        noSource.source.reset();
        noSource.metadata->subtype.reset();
        QCOMPARE(subtitle(noSource), u"Codex"_s);
    }

    void priceAndOutputPrice() {
        QCOMPARE(price(full()), u"¥128/month"_s);
        QCOMPARE(outputPrice(full()), u"输出 ¥256/month"_s);
        Product p = full();
        p.outputPrice.reset();
        QCOMPARE(outputPrice(p), QString());
        p.price.reset();
        QCOMPARE(price(p), u"—/month"_s);
    }

    void changeShowsFromHalfACentOfAPercent() {
        Product p = full();
        QCOMPARE(change(p), Change{});
        p.changePct = 0.004;
        QCOMPARE(change(p).text, QString());
        p.changePct = -0.004;
        QCOMPARE(change(p).text, QString());
        p.changePct = 0.005;
        QCOMPARE(change(p), (Change{u"+0.01%"_s, PanelText::ColorRole::danger}));
        p.changePct = -3.5;
        QCOMPARE(change(p), (Change{u"-3.50%"_s, PanelText::ColorRole::success}));
    }

    void periodLowFromTheListingFirst() {
        Product p = full();
        p.periodLowPrice = u"99"_s;
        p.periodLowDays = 30;
        const QList<PriceSnapshot> history{snapshot(1, u"80"_s, u"2026-03-19T00:00:00Z"_s)};
        QCOMPARE(periodLow(p, history, now), u"近30日低价 ¥99/month"_s);
    }

    void periodLowFromTheHistoryOtherwise() {
        Product p = full();
        const QList<PriceSnapshot> history{snapshot(1, u"140"_s, u"2026-03-01T00:00:00Z"_s),
                                           snapshot(2, u"110"_s, u"2026-03-15T00:00:00Z"_s),
                                           snapshot(3, u"128"_s, u"2026-03-20T00:00:00Z"_s)};
        QCOMPARE(periodLow(p, history, now), u"近7日低价 ¥110/month"_s);
        // Too young a product has no period low of its own history.
        p.firstSeenAt = u"2026-03-18T00:00:00Z"_s;
        QCOMPARE(periodLow(p, history, now), QString());
        p.firstSeenAt.reset();
        QCOMPARE(periodLow(p, history, now), QString());
    }

    void stock() {
        QCOMPARE(stockLabel, u"库存");
        QCOMPARE(stockValue(full()), (PanelText::StockLine{u"12"_s, PanelText::ColorRole::textMuted}));
        Product p = full();
        p.inStock = false;
        QCOMPARE(stockValue(p), (PanelText::StockLine{u"没货"_s, PanelText::ColorRole::danger}));
        p.inStock = true;
        p.metadata.reset();
        QCOMPARE(stockValue(p).text, u"—"_s);
    }

    void latestSnapshotsNewestFirstInTheLocalZone() {
        QList<PriceSnapshot> history;
        for (int i = 0; i < 10; ++i)
            history.append(snapshot(i, QString::number(100 + i), u"2026-03-%1T20:15:00Z"_s.arg(10 + i)));
        history[9].currency = u"USD"_s;
        const QList<SnapshotRow> rows = latestSnapshots(history, full(), shanghai, 3);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0], (SnapshotRow{u"03-20 04:15"_s, u"$109/month"_s}));
        QCOMPARE(rows[1], (SnapshotRow{u"03-19 04:15"_s, u"¥108/month"_s}));
        QCOMPARE(rows[2], (SnapshotRow{u"03-18 04:15"_s, u"¥107/month"_s}));
        QCOMPARE(latestSnapshots(history, full(), shanghai).size(), snapshotRowLimit);
        QCOMPARE(latestSnapshots(history.first(2), full(), shanghai).size(), 2);
        QVERIFY(latestSnapshots({}, full(), shanghai).isEmpty());
    }

    void reactionTexts() {
        QCOMPARE(favoriteLabel(false), u"收藏"_s);
        QCOMPARE(favoriteLabel(true), u"已收藏"_s);
        QCOMPARE(downLabel(false), u"踩"_s);
        QCOMPARE(downLabel(true), u"已踩"_s);
        QCOMPARE(reactionHint(false), u"登录后可收藏 / 踩"_s);
        QCOMPARE(reactionHint(true), QString());
    }

    void metaRowsInOrder() {
        const QList<MetaRow> rows = metaRows(full(), shanghai);
        QStringList labels;
        for (const MetaRow& row : rows)
            labels.append(row.label);
        QCOMPARE(labels,
                 (QStringList{u"状态"_s, u"类型"_s, u"档位"_s, u"单位"_s, u"货币"_s, u"采集"_s, u"首次"_s}));
        QCOMPARE(metaValue(rows, u"状态"_s), u"在售"_s);
        QCOMPARE(metaValue(rows, u"类型"_s), u"Codex"_s);
        QCOMPARE(metaValue(rows, u"档位"_s), u"Plus"_s);
        QCOMPARE(metaValue(rows, u"单位"_s), u"month"_s);
        QCOMPARE(metaValue(rows, u"货币"_s), u"CNY"_s);
        QCOMPARE(metaValue(rows, u"采集"_s), u"03-20 09:30"_s);
        QCOMPARE(metaValue(rows, u"首次"_s), u"01-03 00:05"_s);
    }

    void metaRowsDelistedAndMissing() {
        Product p = full();
        p.isActive = false;
        QCOMPARE(metaValue(metaRows(p, shanghai), u"状态"_s), u"下架"_s);
        Product bare;
        bare.id = 1;
        for (const MetaRow& row : metaRows(bare, shanghai))
            QCOMPARE(row.value, u"—"_s);
        bare.unit = u""_s;
        bare.capturedAt = u""_s;
        QCOMPARE(metaValue(metaRows(bare, shanghai), u"单位"_s), u"—"_s);
        QCOMPARE(metaValue(metaRows(bare, shanghai), u"采集"_s), u"—"_s);
    }

    void inspectorRule() {
        const PanelRoute product = PanelRoute::product(3);
        QVERIFY(showsInspector(product, true, MenuBarDropdownTab::products));
        QVERIFY(showsInspector(product, true, MenuBarDropdownTab::favorites));
        QVERIFY(!showsInspector(product, true, MenuBarDropdownTab::sources));
        QVERIFY(!showsInspector(product, true, MenuBarDropdownTab::me));
        QVERIFY(showsInspector(product, false, MenuBarDropdownTab::products)); // loading or failed
        QVERIFY(!showsInspector(PanelRoute::root(), false, MenuBarDropdownTab::products));
        QVERIFY(!showsInspector(PanelRoute::settings(), true, MenuBarDropdownTab::products));
        QVERIFY(showsInspector(PanelRoute::root(), true, MenuBarDropdownTab::products));
    }

    void placeTitles() {
        const PanelRoute root = PanelRoute::root();
        QCOMPARE(placeTitle(PanelRoute::settings(), MenuBarDropdownTab::products, u"codex"_s, {}, {}),
                 u"设置"_s);
        const QString products = title(MenuBarDropdownTab::products);
        QCOMPARE(placeTitle(root, MenuBarDropdownTab::products, {}, {}, u"ann"_s), products);
        QCOMPARE(placeTitle(root, MenuBarDropdownTab::products, u"codex"_s, u"甲店"_s, u"ann"_s),
                 products + u" · 甲店 · Codex"_s);
        QCOMPARE(placeTitle(root, MenuBarDropdownTab::favorites, u"codex"_s, {}, u"ann"_s),
                 title(MenuBarDropdownTab::favorites) + u" · ann"_s);
        QCOMPARE(placeTitle(root, MenuBarDropdownTab::sources, u"codex"_s, {}, u"ann"_s),
                 title(MenuBarDropdownTab::sources));
    }
};

QTEST_APPLESS_MAIN(TestDetailText)
#include "tst_DetailText.moc"
