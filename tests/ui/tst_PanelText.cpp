#include "PanelText.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace quelvio;
using namespace Qt::StringLiterals;
using namespace quelvio::PanelText;

using OptionalDouble = std::optional<double>;
using OptionalBool = std::optional<bool>;
using OptionalString = std::optional<QString>;

Q_DECLARE_METATYPE(quelvio::Product)
Q_DECLARE_METATYPE(quelvio::Source)
Q_DECLARE_METATYPE(quelvio::ScrapeRun)
Q_DECLARE_METATYPE(quelvio::PanelText::ColorRole)
Q_DECLARE_METATYPE(quelvio::PanelText::StockLine)
Q_DECLARE_METATYPE(QList<quelvio::PanelText::Badge>)
Q_DECLARE_METATYPE(OptionalDouble)

namespace QTest {
template <>
char* toString(const QList<Badge>& badges) {
    QStringList parts;
    for (const Badge& badge : badges)
        parts.append(badge.text + u'/' + colorRoleName(badge.color));
    return qstrdup(qPrintable(u'[' + parts.join(u", ") + u']'));
}
template <>
char* toString(const StockLine& line) {
    return qstrdup(qPrintable(line.text + u'/' + colorRoleName(line.color)));
}
} // namespace QTest

namespace {

Product product(qint64 id = 1) {
    Product p;
    p.id = id;
    p.name = QStringLiteral("GPT Plus");
    return p;
}

Product withStock(OptionalBool inStock, OptionalString stock) {
    Product p = product();
    p.inStock = inStock;
    if (stock)
        p.metadata = ProductMetadata{stock, std::nullopt, std::nullopt};
    return p;
}

Source shop(OptionalBool included, OptionalBool enabled, OptionalString requestedBy = std::nullopt) {
    Source s;
    s.slug = QStringLiteral("shop");
    s.name = QStringLiteral("Shop");
    s.included = included;
    s.enabled = enabled;
    s.requestedBy = requestedBy;
    return s;
}

ScrapeRun run(const QString& status, const QString& startedAt, OptionalString finishedAt) {
    ScrapeRun r;
    r.id = 7;
    r.status = status;
    r.startedAt = startedAt;
    r.finishedAt = finishedAt;
    return r;
}

} // namespace

class TestPanelText : public QObject {
    Q_OBJECT

private slots:
    void colourNamesArePaletteProperties_data() {
        QTest::addColumn<ColorRole>("role");
        QTest::addColumn<QString>("name");
        QTest::newRow("textPrimary") << ColorRole::textPrimary << "textPrimary";
        QTest::newRow("textSecondary") << ColorRole::textSecondary << "textSecondary";
        QTest::newRow("textMuted") << ColorRole::textMuted << "textMuted";
        QTest::newRow("textDim") << ColorRole::textDim << "textDim";
        QTest::newRow("accent") << ColorRole::accent << "accent";
        QTest::newRow("accentSecondary") << ColorRole::accentSecondary << "accentSecondary";
        QTest::newRow("success") << ColorRole::success << "success";
        QTest::newRow("warning") << ColorRole::warning << "warning";
        QTest::newRow("danger") << ColorRole::danger << "danger";
    }
    void colourNamesArePaletteProperties() {
        QFETCH(ColorRole, role);
        QFETCH(QString, name);
        QCOMPARE(colorRoleName(role), name);
    }

    void connectionLabels() {
        QCOMPARE(connectionLabel(ConnectionState::online), u"已连接");
        QCOMPARE(connectionLabel(ConnectionState::offline), u"离线");
        QCOMPARE(connectionLabel(ConnectionState::unknown), u"连接中");
    }

    void signalBadges_data() {
        QTest::addColumn<Product>("product");
        QTest::addColumn<OptionalDouble>("changePercent");
        QTest::addColumn<bool>("isDown");
        QTest::addColumn<QList<Badge>>("expected");

        const QList<Badge> none;
        QTest::newRow("nothing known") << product() << OptionalDouble{} << false << none;

        Product flagsFalse = product();
        flagsFalse.isNew = false;
        flagsFalse.atPeriodLow = false;
        flagsFalse.inStock = true;
        QTest::newRow("flags false") << flagsFalse << OptionalDouble{} << false << none;

        QTest::newRow("change 0.004 hidden") << product() << OptionalDouble{0.004} << false << none;
        QTest::newRow("change -0.004 hidden") << product() << OptionalDouble{-0.004} << false << none;
        QTest::newRow("change 0 hidden") << product() << OptionalDouble{0.0} << false << none;
        QTest::newRow("change NaN hidden")
            << product() << OptionalDouble{std::numeric_limits<double>::quiet_NaN()} << false << none;
        QTest::newRow("change -0.005 fell")
            << product() << OptionalDouble{-0.005} << false << QList<Badge>{{"-0.01%", ColorRole::success}};
        QTest::newRow("change 0.005 rose")
            << product() << OptionalDouble{0.005} << false << QList<Badge>{{"+0.01%", ColorRole::danger}};

        Product falling = product();
        falling.changePct = -2.5;
        QTest::newRow("product's own change")
            << falling << OptionalDouble{} << false << QList<Badge>{{"-2.50%", ColorRole::success}};
        QTest::newRow("given change wins")
            << falling << OptionalDouble{3.26} << false << QList<Badge>{{"+3.26%", ColorRole::danger}};
        QTest::newRow("given small change hides the product's")
            << falling << OptionalDouble{0.001} << false << none;

        Product everything = product();
        everything.isNew = true;
        everything.changePct = 1.2;
        everything.atPeriodLow = true;
        everything.inStock = false;
        QTest::newRow("all in order") << everything << OptionalDouble{} << true
                                      << QList<Badge>{{"新", ColorRole::accent},
                                                      {"+1.20%", ColorRole::danger},
                                                      {"7日低", ColorRole::success},
                                                      {"没货", ColorRole::danger},
                                                      {"踩", ColorRole::danger}};
        QTest::newRow("down only") << product() << OptionalDouble{} << true
                                   << QList<Badge>{{"踩", ColorRole::danger}};
    }
    void signalBadges() {
        QFETCH(Product, product);
        QFETCH(OptionalDouble, changePercent);
        QFETCH(bool, isDown);
        QFETCH(QList<Badge>, expected);
        QCOMPARE(PanelText::signalBadges(product, changePercent, isDown), expected);
    }

    void secondLine_data() {
        QTest::addColumn<Product>("product");
        QTest::addColumn<QString>("expected");

        QTest::newRow("nothing") << product() << "";

        Product full = product();
        full.source = shop(true, true);
        full.source->name = QStringLiteral("小铺");
        full.category = QStringLiteral("codex");
        full.metadata = ProductMetadata{std::nullopt, std::nullopt, QStringLiteral("plus")};
        full.periodLowPrice = QStringLiteral("9.9");
        full.currency = QStringLiteral("CNY");
        full.unit = QStringLiteral("month");
        full.isActive = false;
        QTest::newRow("everything, delisted not included")
            << full << "小铺 · Codex · Plus · 近7日低价 ¥9.9/month";

        Product noCategory = full;
        noCategory.category.reset();
        QTest::newRow("subtype needs a category") << noCategory << "小铺 · 近7日低价 ¥9.9/month";

        Product emptyCategory = full;
        emptyCategory.category = QString();
        QTest::newRow("empty category counts as none") << emptyCategory << "小铺 · 近7日低价 ¥9.9/month";

        Product emptySubtype = full;
        emptySubtype.metadata->subtype = QString();
        QTest::newRow("empty subtype") << emptySubtype << "小铺 · Codex · 近7日低价 ¥9.9/month";

        Product unknownKeys = full;
        unknownKeys.category = QStringLiteral("midjourney");
        unknownKeys.metadata->subtype = QStringLiteral("team");
        unknownKeys.periodLowPrice.reset();
        QTest::newRow("unknown keys as written") << unknownKeys << "小铺 · midjourney · team";

        Product longerWindow = product();
        longerWindow.periodLowPrice = QStringLiteral("3");
        longerWindow.periodLowDays = 30;
        longerWindow.currency = QStringLiteral("USD");
        longerWindow.unit = QStringLiteral("1M_tokens");
        QTest::newRow("period low alone") << longerWindow << "近30日低价 $3/1M";

        Product namelessShop = product();
        namelessShop.source = shop(true, true);
        namelessShop.source->name.clear();
        namelessShop.category = QStringLiteral("sms");
        QTest::newRow("nameless shop skipped") << namelessShop << "接码";
    }
    void secondLine() {
        QFETCH(Product, product);
        QFETCH(QString, expected);
        QCOMPARE(PanelText::secondLine(product), expected);
    }

    void delistedOnlyWhenExplicitlyInactive() {
        Product p = product();
        QVERIFY(!isDelisted(p));
        p.isActive = true;
        QVERIFY(!isDelisted(p));
        p.isActive = false;
        QVERIFY(isDelisted(p));
    }

    void priceLine() {
        Product p = product();
        QCOMPARE(PanelText::priceLine(p), u"—");
        p.price = QStringLiteral("12.50");
        p.currency = QStringLiteral("RMB");
        p.unit = QStringLiteral("1M_tokens");
        QCOMPARE(PanelText::priceLine(p), u"¥12.50/1M");
        p.currency = QStringLiteral("EUR");
        p.unit = QStringLiteral("item");
        QCOMPARE(PanelText::priceLine(p), u"EUR 12.50");
    }

    void stockLine_data() {
        QTest::addColumn<Product>("product");
        QTest::addColumn<StockLine>("expected");
        QTest::newRow("in stock with text")
            << withStock(true, "12") << StockLine{"库存 12", ColorRole::textMuted};
        QTest::newRow("unknown with text")
            << withStock({}, "充足") << StockLine{"库存 充足", ColorRole::textMuted};
        QTest::newRow("no metadata") << withStock({}, {}) << StockLine{"库存 —", ColorRole::textMuted};
        QTest::newRow("empty text") << withStock(true, "") << StockLine{"库存 —", ColorRole::textMuted};
        QTest::newRow("out of stock wins over text")
            << withStock(false, "12") << StockLine{"库存 没货", ColorRole::danger};
        QTest::newRow("out of stock, no text")
            << withStock(false, {}) << StockLine{"库存 没货", ColorRole::danger};
    }
    void stockLine() {
        QFETCH(Product, product);
        QFETCH(StockLine, expected);
        QCOMPARE(PanelText::stockLine(product), expected);
    }

    void runLabel_data() {
        QTest::addColumn<ScrapeRun>("run");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<ColorRole>("color");
        const QString started = QStringLiteral("2025-03-04T05:06:07Z");
        const QString finished = QStringLiteral("2025-03-04T05:16:30.5Z");
        // Times below are in UTC+8.
        QTest::newRow("running") << run("running", started, {}) << "更新中" << ColorRole::accentSecondary;
        QTest::newRow("success shows the finish")
            << run("success", started, finished) << "已更新 03-04 13:16" << ColorRole::textDim;
        QTest::newRow("success without finish")
            << run("success", started, {}) << "已更新 03-04 13:06" << ColorRole::textDim;
        QTest::newRow("success with empty finish")
            << run("success", started, "") << "已更新 03-04 13:06" << ColorRole::textDim;
        QTest::newRow("partial") << run("partial", started, "2025-03-04T23:59:00+08:00")
                                 << "部分更新 03-04 23:59" << ColorRole::warning;
        QTest::newRow("failed") << run("failed", started, finished) << "更新失败" << ColorRole::danger;
        QTest::newRow("other status is the time alone")
            << run("queued", started, {}) << "03-04 13:06" << ColorRole::textDim;
        QTest::newRow("empty status") << run("", started, finished) << "03-04 13:16" << ColorRole::textDim;
        QTest::newRow("status words are exact")
            << run("Success", started, {}) << "03-04 13:06" << ColorRole::textDim;
        QTest::newRow("unreadable time is sliced")
            << run("success", "2025-03-04 05:06:07", {}) << "已更新 03-04 05:06" << ColorRole::textDim;
    }
    void runLabel() {
        QFETCH(ScrapeRun, run);
        QFETCH(QString, expected);
        QFETCH(ColorRole, color);
        QCOMPARE(PanelText::runLabel(run, QTimeZone(8 * 3600)), expected);
        QCOMPARE(runColor(run.status), color);
    }

    void shopBadges_data() {
        QTest::addColumn<Source>("source");
        QTest::addColumn<QList<Badge>>("expected");
        QTest::newRow("unknown flags") << shop({}, {}) << QList<Badge>{};
        QTest::newRow("included and enabled") << shop(true, true) << QList<Badge>{};
        QTest::newRow("pending") << shop(false, true) << QList<Badge>{{"待收录", ColorRole::warning}};
        QTest::newRow("disabled") << shop({}, false) << QList<Badge>{{"停用", ColorRole::danger}};
        QTest::newRow("pending and disabled")
            << shop(false, false)
            << QList<Badge>{{"待收录", ColorRole::warning}, {"停用", ColorRole::danger}};
    }
    void shopBadges() {
        QFETCH(Source, source);
        QFETCH(QList<Badge>, expected);
        QCOMPARE(PanelText::shopBadges(source), expected);
    }

    void submitterLine_data() {
        QTest::addColumn<Source>("source");
        QTest::addColumn<QString>("expected");
        QTest::newRow("absent") << shop(true, true) << "";
        QTest::newRow("empty") << shop(true, true, "") << "";
        QTest::newRow("user") << shop(false, true, "alice") << "由 alice 提交";
        QTest::newRow("placeholder-looking name") << shop(false, true, "%1") << "由 %1 提交";
        QTest::newRow("system") << shop(true, true, "system") << "系统收录";
    }
    void submitterLine() {
        QFETCH(Source, source);
        QFETCH(QString, expected);
        QCOMPARE(PanelText::submitterLine(source), expected);
    }

    void whatEachTabShows() {
        using PanelText::TabBody;
        const auto error = std::optional(u"无法连接：refused"_s);
        const auto products = [](ConnectionState c, bool rows, bool loading, std::optional<QString> e) {
            return PanelText::productsContent(c, rows, loading, e);
        };
        // Rows already shown stay, even offline.
        QCOMPARE(products(ConnectionState::offline, true, false, error).body, TabBody::list);
        const auto offline = products(ConnectionState::offline, false, true, error);
        QCOMPARE(offline.body, TabBody::placeholder);
        QCOMPARE(offline.placeholder,
                 (PanelText::EmptyState{u"wifi.slash"_s, u"无法连接服务器"_s, u"无法连接：refused"_s}));
        QCOMPARE(products(ConnectionState::offline, false, false, u""_s).placeholder.detail,
                 u"请确认 Go 服务已启动，并检查设置中的地址。"_s);
        QCOMPARE(products(ConnectionState::online, false, true, {}).body, TabBody::nothing);
        QCOMPARE(products(ConnectionState::unknown, false, false, error).placeholder,
                 (PanelText::EmptyState{u"bag"_s, u"暂无商品"_s, u"试试换模型类型或清空搜索"_s}));

        QCOMPARE(PanelText::favoritesContent(false, true).body, TabBody::signIn);
        QCOMPARE(PanelText::favoritesContent(true, false).placeholder,
                 (PanelText::EmptyState{u"star"_s, u"暂无收藏"_s, {}}));
        QCOMPARE(PanelText::favoritesContent(true, true).body, TabBody::list);

        QCOMPARE(PanelText::sourcesContent(ConnectionState::offline, true, error).body, TabBody::list);
        QCOMPARE(PanelText::sourcesContent(ConnectionState::offline, false, error).placeholder.detail,
                 *error);
        QCOMPARE(PanelText::sourcesContent(ConnectionState::online, false, error).placeholder,
                 (PanelText::EmptyState{u"externaldrive"_s, u"暂无来源"_s, u"可提交店铺地址申请收录"_s}));
    }

    void theShopRequestButton() {
        QCOMPARE(PanelText::sourceRequestTitle(false, true), u"需登录"_s);
        QCOMPARE(PanelText::sourceRequestTitle(true, true), u"提交中…"_s);
        QCOMPARE(PanelText::sourceRequestTitle(true, false), u"提交收录"_s);
    }

    void theLoadMoreRowIsInViewOnceItsTopEdgeIs() {
        QVERIFY(!PanelText::loadMoreRowInView(964, 1000, 36)); // just above the row
        QVERIFY(PanelText::loadMoreRowInView(965, 1000, 36));
        QVERIFY(PanelText::loadMoreRowInView(560, 300, 36));  // the whole list fits
        QVERIFY(!PanelText::loadMoreRowInView(999, 1000, 0)); // no row: only the very end
        QVERIFY(PanelText::loadMoreRowInView(1000, 1000, 0));
    }
};

QTEST_GUILESS_MAIN(TestPanelText)
#include "tst_PanelText.moc"
