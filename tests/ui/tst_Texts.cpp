#include "AccountText.h"
#include "DetailText.h"
#include "PanelText.h"

#include <QTest>
#include <limits>

using namespace quelvio;
using namespace Qt::StringLiterals;
using PanelText::Badge;
using PanelText::ColorRole;

namespace {

const QTimeZone shanghai = QTimeZone(8 * 3600);

Product full() {
    Product p;
    p.name = u"ChatGPT Plus 月卡"_s;
    p.category = u"codex"_s;
    p.currency = u"CNY"_s;
    p.unit = u"month"_s;
    p.price = u"128"_s;
    p.capturedAt = u"2026-03-20T01:30:00Z"_s;
    p.firstSeenAt = u"2026-01-02T16:05:00Z"_s;
    p.source = Source{.slug = u"shop-a"_s, .name = u"甲店"_s};
    p.metadata = ProductMetadata{.stock = u"12"_s, .sourceCategory = std::nullopt, .subtype = u"plus"_s};
    return p;
}

ScrapeRun run(const QString& status, const QString& startedAt, std::optional<QString> finishedAt = {}) {
    ScrapeRun r;
    r.status = status;
    r.startedAt = startedAt;
    r.finishedAt = finishedAt;
    return r;
}

PriceSnapshot snapshot(qint64 id, const QString& price, const QString& capturedAt) {
    return {.id = id, .price = price, .capturedAt = capturedAt};
}

} // namespace

class TestTexts : public QObject {
    Q_OBJECT

private slots:
    void signalBadges() {
        using PanelText::signalBadges;
        QCOMPARE(PanelText::connectionLabel(ConnectionState::online), u"已连接");
        const Product plain;
        QCOMPARE(signalBadges(plain, -0.005, false), (QList<Badge>{{"-0.01%", ColorRole::success}}));
        QVERIFY(signalBadges(plain, std::numeric_limits<double>::quiet_NaN(), false).isEmpty());
        // A given change replaces the product's own, even when too small to show.
        Product falling;
        falling.changePct = -2.5;
        QCOMPARE(signalBadges(falling, {}, false), (QList<Badge>{{"-2.50%", ColorRole::success}}));
        QVERIFY(signalBadges(falling, 0.001, false).isEmpty());
        Product everything;
        everything.isNew = true;
        everything.changePct = 1.2;
        everything.atPeriodLow = true;
        everything.inStock = false;
        QCOMPARE(signalBadges(everything, {}, true), (QList<Badge>{{"新", ColorRole::accent},
                                                                   {"+1.20%", ColorRole::danger},
                                                                   {"7日低", ColorRole::success},
                                                                   {"没货", ColorRole::danger},
                                                                   {"踩", ColorRole::danger}}));
    }

    void productLines() {
        Product p = full();
        p.isActive = false; // delisted is not said here
        p.periodLowPrice = u"9.9"_s;
        QCOMPARE(PanelText::secondLine(p), u"甲店 · Codex · Plus · 近7日低价 ¥9.9/month");
        p.category.reset(); // the subtype needs its category
        QCOMPARE(PanelText::secondLine(p), u"甲店 · 近7日低价 ¥9.9/month");
        p.category = u"midjourney"_s;
        p.metadata->subtype = u"team"_s;
        p.periodLowPrice.reset();
        QCOMPARE(PanelText::secondLine(p), u"甲店 · midjourney · team"); // unknown keys as written

        p = Product();
        p.price = u"12.50"_s;
        p.currency = u"RMB"_s;
        p.unit = u"1M_tokens"_s;
        QCOMPARE(PanelText::priceLine(p), u"¥12.50/1M");
        p.currency = u"EUR"_s;
        p.unit = u"item"_s;
        QCOMPARE(PanelText::priceLine(p), u"EUR 12.50");
        p = full();
        p.price.reset();
        QCOMPARE(DetailText::price(p), u"—/month"_s);
        p.inStock = false;
        QCOMPARE(PanelText::stockLine(p), (PanelText::StockLine{"库存 没货", ColorRole::danger}));
    }

    void runLabels() {
        const QString started = u"2025-03-04T05:06:07Z"_s;
        // In UTC+8, from the finish when there is one.
        QCOMPARE(PanelText::runLabel(run(u"success"_s, started, u"2025-03-04T05:16:30.5Z"_s), shanghai),
                 u"已更新 03-04 13:16");
        QCOMPARE(PanelText::runLabel(run(u"partial"_s, started, u"2025-03-04T23:59:00+08:00"_s), shanghai),
                 u"部分更新 03-04 23:59");
        QCOMPARE(PanelText::runLabel(run(u"Success"_s, started), shanghai), u"03-04 13:06");
        QCOMPARE(PanelText::runLabel(run(u"success"_s, u"2025-03-04 05:06:07"_s), shanghai),
                 u"已更新 03-04 05:06"); // unreadable: sliced as written
    }

    void whatEachTabShows() {
        using PanelText::TabBody;
        const auto error = std::optional(u"无法连接：refused"_s);
        // Rows already shown stay, even offline.
        QCOMPARE(PanelText::productsContent(ConnectionState::offline, true, false, error).body,
                 TabBody::list);
        const auto offline = PanelText::productsContent(ConnectionState::offline, false, true, error);
        QCOMPARE(offline.body, TabBody::placeholder);
        QCOMPARE(offline.placeholder.detail, *error);
        QCOMPARE(PanelText::productsContent(ConnectionState::online, false, true, {}).body, TabBody::nothing);
        QCOMPARE(PanelText::favoritesContent(false, true).body, TabBody::signIn);
    }

    void theLoadMoreRowIsInViewOnceItsTopEdgeIs() {
        QVERIFY(!PanelText::loadMoreRowInView(964, 1000, 36)); // just above the row
        QVERIFY(PanelText::loadMoreRowInView(965, 1000, 36));
        QVERIFY(!PanelText::loadMoreRowInView(999, 1000, 0)); // no row: only the very end
        QVERIFY(PanelText::loadMoreRowInView(1000, 1000, 0));
    }

    void detailChange() {
        Product p = full();
        // The change shows from half a hundredth of a percent.
        p.changePct = -0.004;
        QCOMPARE(DetailText::change(p).text, QString());
        p.changePct = 0.005;
        QCOMPARE(DetailText::change(p), (DetailText::Change{u"+0.01%"_s, ColorRole::danger}));
    }

    void periodLowFromTheListingElseTheHistory() {
        const QDateTime now(QDate(2026, 3, 20), QTime(12, 0), QTimeZone::utc());
        Product p = full();
        const QList<PriceSnapshot> history{snapshot(1, u"140"_s, u"2026-03-01T00:00:00Z"_s),
                                           snapshot(2, u"110"_s, u"2026-03-15T00:00:00Z"_s),
                                           snapshot(3, u"128"_s, u"2026-03-20T00:00:00Z"_s)};
        QCOMPARE(DetailText::periodLow(p, history, now), u"近7日低价 ¥110/month"_s);
        Product listed = p;
        listed.periodLowPrice = u"99"_s;
        listed.periodLowDays = 30;
        QCOMPARE(DetailText::periodLow(listed, history, now), u"近30日低价 ¥99/month"_s);
        // Too young a product has no period low of its own history.
        p.firstSeenAt = u"2026-03-18T00:00:00Z"_s;
        QCOMPARE(DetailText::periodLow(p, history, now), QString());
    }

    void snapshotsAndMetaInTheLocalZone() {
        QList<PriceSnapshot> history;
        for (int i = 0; i < 10; ++i)
            history.append(snapshot(i, QString::number(100 + i), u"2026-03-%1T20:15:00Z"_s.arg(10 + i)));
        history[9].currency = u"USD"_s;
        QCOMPARE(DetailText::latestSnapshots(history, full(), shanghai, 2),
                 (QList<DetailText::SnapshotRow>{{u"03-20 04:15"_s, u"$109/month"_s},
                                                 {u"03-19 04:15"_s, u"¥108/month"_s}}));

        const QList<DetailText::MetaRow> rows = DetailText::metaRows(full(), shanghai);
        QVERIFY(rows.contains(DetailText::MetaRow{u"采集"_s, u"03-20 09:30"_s}));
        QVERIFY(rows.contains(DetailText::MetaRow{u"首次"_s, u"01-03 00:05"_s}));
    }

    void inspectorAndPlaceTitle() {
        using DetailText::showsInspector;
        const PanelRoute product = PanelRoute::product(3);
        QVERIFY(showsInspector(product, false, MenuBarDropdownTab::products)); // loading or failed
        QVERIFY(!showsInspector(PanelRoute::root(), false, MenuBarDropdownTab::products));
        QVERIFY(!showsInspector(PanelRoute::settings(), true, MenuBarDropdownTab::products));

        using DetailText::placeTitle;
        const PanelRoute root = PanelRoute::root();
        const QString products = quelvio::title(MenuBarDropdownTab::products);
        QCOMPARE(placeTitle(root, MenuBarDropdownTab::products, u"codex"_s, u"甲店"_s, u"ann"_s),
                 products + u" · 甲店 · Codex"_s);
        QCOMPARE(placeTitle(root, MenuBarDropdownTab::favorites, u"codex"_s, {}, u"ann"_s),
                 quelvio::title(MenuBarDropdownTab::favorites) + u" · ann"_s);
        QCOMPARE(placeTitle(root, MenuBarDropdownTab::sources, u"codex"_s, {}, u"ann"_s),
                 quelvio::title(MenuBarDropdownTab::sources));
    }

    void accountTexts() {
        User user;
        user.role = u"user"_s;
        QVERIFY(AccountText::offersRoleButtons(user));
        user.isAdmin = true;
        QVERIFY(!AccountText::offersRoleButtons(user));
        user = User{};
        user.role = u"admin"_s;
        QVERIFY(!AccountText::offersRoleButtons(user));

        RedeemCode code{.code = u"WELCOME-2026"_s};
        QCOMPARE(AccountText::codeLine(code), u"WELCOME-2026  ·  0/0  ·  无备注"_s);
        QCOMPARE(AccountText::reportTime(u"2026-03-01T23:05:00Z"_s, QTimeZone(3600)), u"03-02 00:05"_s);
        QCOMPARE(AccountText::storedAPIKey(u"  key-1 \n"_s), std::optional(u"key-1"_s));
        QCOMPARE(AccountText::storedAPIKey(u" \t\n"_s), std::nullopt);
    }
};

QTEST_MAIN(TestTexts)
#include "tst_Texts.moc"
