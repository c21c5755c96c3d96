#include "AccountText.h"
#include "DetailText.h"
#include "PanelText.h"
#include "PanelThemeController.h"

#include <QSet>
#include <QTest>
#include <limits>

using namespace quelvio;
using namespace Qt::StringLiterals;
using PanelText::Badge;
using PanelText::ColorRole;
using PanelText::StockLine;

namespace {

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

Product withStock(std::optional<bool> inStock, std::optional<QString> stock) {
    Product p;
    p.inStock = inStock;
    if (stock)
        p.metadata = ProductMetadata{stock, std::nullopt, std::nullopt};
    return p;
}

Source shop(std::optional<bool> included, std::optional<bool> enabled,
            std::optional<QString> requestedBy = {}) {
    return Source{.slug = u"shop"_s,
                  .name = u"Shop"_s,
                  .enabled = enabled,
                  .included = included,
                  .requestedBy = requestedBy};
}

ScrapeRun run(const QString& status, const QString& startedAt, std::optional<QString> finishedAt = {}) {
    ScrapeRun r;
    r.status = status;
    r.startedAt = startedAt;
    r.finishedAt = finishedAt;
    return r;
}

PriceSnapshot snapshot(qint64 id, const QString& price, const QString& at) {
    PriceSnapshot s;
    s.id = id;
    s.price = price;
    s.capturedAt = at;
    return s;
}

QString metaValue(const QList<DetailText::MetaRow>& rows, const QString& label) {
    for (const DetailText::MetaRow& row : rows)
        if (row.label == label)
            return row.value;
    return u"<none>"_s;
}

} // namespace

class TestTexts : public QObject {
    Q_OBJECT

private slots:
    // The views look a role's colour up by this name on the theme, so each must be a distinct
    // colour property there.
    void colourNamesArePaletteProperties() {
        QSet<QString> names;
        for (int role = int(ColorRole::textPrimary); role <= int(ColorRole::danger); ++role) {
            const QString name = PanelText::colorRoleName(ColorRole(role));
            names.insert(name);
            QVERIFY2(PanelThemeController::shared().property(qPrintable(name)).canConvert<QColor>(),
                     qPrintable(name));
        }
        QCOMPARE(names.size(), int(ColorRole::danger) + 1);
    }

    void connectionLabels() {
        QCOMPARE(PanelText::connectionLabel(ConnectionState::online), u"已连接");
        QCOMPARE(PanelText::connectionLabel(ConnectionState::unknown), u"连接中");
    }

    void signalBadges() {
        using PanelText::signalBadges;
        const Product plain;
        QVERIFY(signalBadges(plain, {}, false).isEmpty());
        QVERIFY(signalBadges(plain, 0.004, false).isEmpty());
        QVERIFY(signalBadges(plain, std::numeric_limits<double>::quiet_NaN(), false).isEmpty());
        QCOMPARE(signalBadges(plain, -0.005, false), (QList<Badge>{{"-0.01%", ColorRole::success}}));
        // A given change replaces the product's own, even when too small to show.
        Product falling;
        falling.changePct = -2.5;
        QCOMPARE(signalBadges(falling, {}, false), (QList<Badge>{{"-2.50%", ColorRole::success}}));
        QCOMPARE(signalBadges(falling, 3.26, false), (QList<Badge>{{"+3.26%", ColorRole::danger}}));
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

    void secondLine() {
        Product p = full();
        p.isActive = false; // delisted is not said here
        p.periodLowPrice = u"9.9"_s;
        QCOMPARE(PanelText::secondLine(p), u"甲店 · Codex · Plus · 近7日低价 ¥9.9/month");
        Product noCategory = p;
        noCategory.category.reset(); // the subtype needs its category
        QCOMPARE(PanelText::secondLine(noCategory), u"甲店 · 近7日低价 ¥9.9/month");
        p.category = u"midjourney"_s;
        p.metadata->subtype = u"team"_s;
        p.periodLowPrice.reset();
        QCOMPARE(PanelText::secondLine(p), u"甲店 · midjourney · team"); // unknown keys as written
        p.source->name.clear();
        p.category = u"sms"_s;
        p.metadata->subtype = QString();
        QCOMPARE(PanelText::secondLine(p), u"接码");
        QCOMPARE(PanelText::secondLine(Product()), QString());
    }

    void pricesAndStock() {
        Product p;
        QCOMPARE(PanelText::priceLine(p), u"—");
        p.price = u"12.50"_s;
        p.currency = u"RMB"_s;
        p.unit = u"1M_tokens"_s;
        QCOMPARE(PanelText::priceLine(p), u"¥12.50/1M");
        p.currency = u"EUR"_s;
        p.unit = u"item"_s;
        QCOMPARE(PanelText::priceLine(p), u"EUR 12.50");
        QCOMPARE(DetailText::price(full()), u"¥128/month"_s);
        QCOMPARE(DetailText::outputPrice(full()), u"输出 ¥256/month"_s);
        p = full();
        p.outputPrice.reset();
        p.price.reset();
        QCOMPARE(DetailText::outputPrice(p), QString());
        QCOMPARE(DetailText::price(p), u"—/month"_s);

        QCOMPARE(PanelText::stockLine(withStock(true, u"12"_s)),
                 (StockLine{"库存 12", ColorRole::textMuted}));
        QCOMPARE(PanelText::stockLine(withStock({}, {})).text, u"库存 —");
        QCOMPARE(PanelText::stockLine(withStock(true, u""_s)).text, u"库存 —");
        QCOMPARE(PanelText::stockLine(withStock(false, u"12"_s)),
                 (StockLine{"库存 没货", ColorRole::danger}));
    }

    void runLabels() {
        const QString started = u"2025-03-04T05:06:07Z"_s;
        // In UTC+8, from the finish when there is one.
        QCOMPARE(PanelText::runLabel(run(u"success"_s, started, u"2025-03-04T05:16:30.5Z"_s), shanghai),
                 u"已更新 03-04 13:16");
        QCOMPARE(PanelText::runLabel(run(u"success"_s, started), shanghai), u"已更新 03-04 13:06");
        QCOMPARE(PanelText::runLabel(run(u"partial"_s, started, u"2025-03-04T23:59:00+08:00"_s), shanghai),
                 u"部分更新 03-04 23:59");
        QCOMPARE(PanelText::runLabel(run(u"Success"_s, started), shanghai), u"03-04 13:06");
        QCOMPARE(PanelText::runColor(u"Success"_s), ColorRole::textDim);
        QCOMPARE(PanelText::runColor(u"partial"_s), ColorRole::warning);
        QCOMPARE(PanelText::runLabel(run(u"success"_s, u"2025-03-04 05:06:07"_s), shanghai),
                 u"已更新 03-04 05:06"); // unreadable: sliced as written
    }

    void shopLines() {
        QVERIFY(PanelText::shopBadges(shop({}, {})).isEmpty());
        QVERIFY(PanelText::shopBadges(shop(true, true)).isEmpty());
        QCOMPARE(PanelText::shopBadges(shop(false, false)),
                 (QList<Badge>{{"待收录", ColorRole::warning}, {"停用", ColorRole::danger}}));
        QCOMPARE(PanelText::submitterLine(shop(true, true, u""_s)), QString());
        QCOMPARE(PanelText::submitterLine(shop(false, true, u"%1"_s)), u"由 %1 提交");
        QCOMPARE(PanelText::submitterLine(shop(true, true, u"system"_s)), u"系统收录");
        QCOMPARE(PanelText::sourceRequestTitle(false, true), u"需登录"_s);
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
        QCOMPARE(PanelText::productsContent(ConnectionState::offline, false, false, u""_s).placeholder.detail,
                 u"请确认 Go 服务已启动，并检查设置中的地址。"_s);
        QCOMPARE(PanelText::productsContent(ConnectionState::online, false, true, {}).body, TabBody::nothing);
        QCOMPARE(PanelText::productsContent(ConnectionState::unknown, false, false, error).placeholder.text,
                 u"暂无商品"_s);
        QCOMPARE(PanelText::favoritesContent(false, true).body, TabBody::signIn);
        QCOMPARE(PanelText::favoritesContent(true, false).body, TabBody::placeholder);
        QCOMPARE(PanelText::sourcesContent(ConnectionState::offline, true, error).body, TabBody::list);
        QCOMPARE(PanelText::sourcesContent(ConnectionState::offline, false, error).placeholder.detail,
                 *error);
        QCOMPARE(PanelText::sourcesContent(ConnectionState::online, false, error).placeholder.text,
                 u"暂无来源"_s);
    }

    void theLoadMoreRowIsInViewOnceItsTopEdgeIs() {
        QVERIFY(!PanelText::loadMoreRowInView(964, 1000, 36)); // just above the row
        QVERIFY(PanelText::loadMoreRowInView(965, 1000, 36));
        QVERIFY(PanelText::loadMoreRowInView(560, 300, 36));  // the whole list fits
        QVERIFY(!PanelText::loadMoreRowInView(999, 1000, 0)); // no row: only the very end
        QVERIFY(PanelText::loadMoreRowInView(1000, 1000, 0));
    }

    void detailTitleAndChange() {
        QCOMPARE(DetailText::subtitle(full()), u"甲店 · Codex · Plus"_s);
        Product p = full();
        p.source.reset();
        p.metadata->subtype.reset();
        QCOMPARE(DetailText::subtitle(p), u"Codex"_s);
        QCOMPARE(DetailText::subtitle(Product()), QString());
        // The change shows from half a hundredth of a percent.
        QCOMPARE(DetailText::change(p), DetailText::Change{});
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
        p.firstSeenAt.reset();
        QCOMPARE(DetailText::periodLow(p, history, now), QString());
    }

    void latestSnapshotsNewestFirstInTheLocalZone() {
        QList<PriceSnapshot> history;
        for (int i = 0; i < 10; ++i)
            history.append(snapshot(i, QString::number(100 + i), u"2026-03-%1T20:15:00Z"_s.arg(10 + i)));
        history[9].currency = u"USD"_s;
        const QList<DetailText::SnapshotRow> rows = DetailText::latestSnapshots(history, full(), shanghai, 2);
        QCOMPARE(rows, (QList<DetailText::SnapshotRow>{{u"03-20 04:15"_s, u"$109/month"_s},
                                                       {u"03-19 04:15"_s, u"¥108/month"_s}}));
        QCOMPARE(DetailText::latestSnapshots(history, full(), shanghai).size(), DetailText::snapshotRowLimit);
    }

    void metaRows() {
        const QList<DetailText::MetaRow> rows = DetailText::metaRows(full(), shanghai);
        QCOMPARE(metaValue(rows, u"采集"_s), u"03-20 09:30"_s);
        QCOMPARE(metaValue(rows, u"首次"_s), u"01-03 00:05"_s);
        Product p = full();
        p.isActive = false;
        QCOMPARE(metaValue(DetailText::metaRows(p, shanghai), u"状态"_s), u"下架"_s);
        Product bare;
        bare.capturedAt = u""_s;
        for (const DetailText::MetaRow& row : DetailText::metaRows(bare, shanghai))
            QCOMPARE(row.value, u"—"_s);
    }

    void inspectorAndPlaceTitle() {
        using DetailText::showsInspector;
        const PanelRoute product = PanelRoute::product(3);
        QVERIFY(showsInspector(product, true, MenuBarDropdownTab::favorites));
        QVERIFY(!showsInspector(product, true, MenuBarDropdownTab::sources));
        QVERIFY(showsInspector(product, false, MenuBarDropdownTab::products)); // loading or failed
        QVERIFY(!showsInspector(PanelRoute::root(), false, MenuBarDropdownTab::products));
        QVERIFY(!showsInspector(PanelRoute::settings(), true, MenuBarDropdownTab::products));
        QVERIFY(showsInspector(PanelRoute::root(), true, MenuBarDropdownTab::products));

        using DetailText::placeTitle;
        const PanelRoute root = PanelRoute::root();
        const QString products = quelvio::title(MenuBarDropdownTab::products);
        QCOMPARE(placeTitle(PanelRoute::settings(), MenuBarDropdownTab::products, u"codex"_s, {}, {}),
                 u"设置"_s);
        QCOMPARE(placeTitle(root, MenuBarDropdownTab::products, {}, {}, u"ann"_s), products);
        QCOMPARE(placeTitle(root, MenuBarDropdownTab::products, u"codex"_s, u"甲店"_s, u"ann"_s),
                 products + u" · 甲店 · Codex"_s);
        QCOMPARE(placeTitle(root, MenuBarDropdownTab::favorites, u"codex"_s, {}, u"ann"_s),
                 quelvio::title(MenuBarDropdownTab::favorites) + u" · ann"_s);
        QCOMPARE(placeTitle(root, MenuBarDropdownTab::sources, u"codex"_s, {}, u"ann"_s),
                 quelvio::title(MenuBarDropdownTab::sources));
    }

    void accountTexts() {
        QCOMPARE(AccountText::roleLabel(u"admin"_s), u"超管"_s);
        QCOMPARE(AccountText::roleLabel(u"Admin"_s), u"普通"_s); // role words are exact
        User user;
        user.role = u"user"_s;
        QVERIFY(AccountText::offersRoleButtons(user));
        user.isAdmin = true;
        QVERIFY(!AccountText::offersRoleButtons(user));
        user = User{};
        user.role = u"admin"_s;
        QVERIFY(!AccountText::offersRoleButtons(user));

        RedeemCode code;
        code.code = u"WELCOME-2026"_s;
        code.usedCount = 3;
        code.maxUses = 10;
        code.note = u"春季活动"_s;
        QCOMPARE(AccountText::codeLine(code), u"WELCOME-2026  ·  3/10  ·  春季活动"_s);
        code = RedeemCode{.code = u"WELCOME-2026"_s};
        QCOMPARE(AccountText::codeLine(code), u"WELCOME-2026  ·  0/0  ·  无备注"_s);

        QCOMPARE(AccountText::reportLine(u"GPT Plus"_s, u"—"_s), u"GPT Plus  ·  —"_s);
        QCOMPARE(AccountText::reportLine(QString(), u"价格不对"_s), u"价格不对"_s);
        QCOMPARE(AccountText::reportNote(QString()), u"—"_s);
        QCOMPARE(AccountText::reportTime(u"2026-03-01T23:05:00Z"_s, QTimeZone(3600)), u"03-02 00:05"_s);
        QCOMPARE(AccountText::storedAPIKey(u"  key-1 \n"_s), std::optional(u"key-1"_s));
        QCOMPARE(AccountText::storedAPIKey(u" \t\n"_s), std::nullopt);
    }
};

QTEST_MAIN(TestTexts)
#include "tst_Texts.moc"
