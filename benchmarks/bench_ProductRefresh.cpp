// One refresh of a 500-product list as the state applies it: decode the reply, merge the user's
// marks from the listed flags, and split off the thumbed-down products of the default order.
// Run: build-release/bin/bench_productrefresh
#include "APIJSON.h"
#include "Presentation/ProductOrdering.h"
#include "ReactionMarks.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace quelvio;

namespace {

QByteArray productPage(int count) {
    QJsonArray items;
    for (int i = 0; i < count; ++i) {
        items.append(QJsonObject{
            {"id", 1000 + i},
            {"name", QStringLiteral("Claude Pro 月卡 #%1").arg(i)},
            {"category", "claude"},
            {"currency", i % 3 ? "CNY" : "USD"},
            {"unit", "month"},
            {"price", QStringLiteral("%1.90").arg(20 + i % 80)},
            {"old_price", "99"},
            {"change_pct", -1.5 + i % 7},
            {"captured_at", "2026-12-01T08:00:00Z"},
            {"first_seen_at", "2026-11-01T08:00:00Z"},
            {"last_seen_at", "2026-12-01T08:00:00.250Z"},
            {"source", QJsonObject{{"slug", QStringLiteral("shop-%1").arg(i % 8)}, {"name", "Shop"}}},
            {"metadata",
             QJsonObject{{"stock", i % 2 ? QJsonValue(i) : QJsonValue("充足")}, {"subtype", "pro"}}},
            {"my", QJsonObject{{"favorite", i % 9 == 0}, {"down", i % 13 == 0}, {"report", false}}},
            {"period_low_price", "18.90"},
            {"period_low_days", 7},
            {"in_stock", i % 17 != 0},
            {"is_new", i % 5 == 0},
            {"at_period_low", i % 4 == 0},
            {"goodwill", i % 11 - 3}});
    }
    return QJsonDocument(QJsonObject{{"items", items}}).toJson(QJsonDocument::Compact);
}

} // namespace

class BenchProductRefresh : public QObject {
    Q_OBJECT

    const QByteArray m_page = productPage(500);

private slots:
    void refreshOf500() {
        ReactionMarks marks;
        QBENCHMARK {
            const auto page = APIJSON::decode<ItemList<Product>>(m_page);
            marks = marks.mergingListed(page.items, {});
            const auto sections =
                ProductOrdering::partitionOwnDowns(page.items, marks.down, ProductSort::goodwill);
            QCOMPARE(sections.feed.size() + sections.sunk.size(), 500);
        }
    }
};

QTEST_GUILESS_MAIN(BenchProductRefresh)
#include "bench_ProductRefresh.moc"
