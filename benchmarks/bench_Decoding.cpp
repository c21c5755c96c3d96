// Decoding a full product page as the client does, beside a bare parse of the same bytes.
// Run: build/bin/bench_decoding [-iterations N]
#include "APIJSON.h"
#include "Models.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace quelvio;

namespace {

QByteArray productPage(int count) {
    QJsonArray items;
    for (int i = 0; i < count; ++i) {
        QJsonObject source{{"id", 3},
                           {"slug", "hub"},
                           {"name", "Hub Store"},
                           {"base_url", "https://hub.example"},
                           {"included", true},
                           {"scrape_interval_sec", 3600},
                           {"rate_limit_rps", 0.5}};
        QJsonObject metadata{{"stock", i % 2 ? QJsonValue(i) : QJsonValue(QString::number(i))},
                             {"source_category", "AI 账号"},
                             {"subtype", "plus"}};
        items.append(QJsonObject{{"id", 100000 + i},
                                 {"external_key", QStringLiteral("ext-%1").arg(i)},
                                 {"name", QStringLiteral("ChatGPT Plus 月卡 #%1").arg(i)},
                                 {"category", "codex"},
                                 {"product_url", QStringLiteral("https://hub.example/p/%1").arg(i)},
                                 {"currency", "CNY"},
                                 {"unit", "month"},
                                 {"is_active", true},
                                 {"price", QStringLiteral("%1.50").arg(10 + i % 90)},
                                 {"compare_at_price", "199"},
                                 {"captured_at", "2025-03-04T05:06:07Z"},
                                 {"first_seen_at", "2025-02-01T00:00:00Z"},
                                 {"last_seen_at", "2025-03-04T05:06:07.123Z"},
                                 {"source", source},
                                 {"metadata", metadata},
                                 {"my", QJsonObject{{"favorite", i % 7 == 0}, {"down", false}}},
                                 {"change_pct", -3.25},
                                 {"old_price", "12"},
                                 {"period_low_price", "9.9"},
                                 {"period_low_days", 7},
                                 {"in_stock", true},
                                 {"is_new", i % 5 == 0},
                                 {"is_moved", false},
                                 {"at_period_low", i % 3 == 0},
                                 {"favorite_score", i % 11},
                                 {"down_score", i % 4},
                                 {"goodwill", i % 11 - i % 4}});
    }
    return QJsonDocument(QJsonObject{{"items", items}}).toJson(QJsonDocument::Compact);
}

} // namespace

class BenchDecoding : public QObject {
    Q_OBJECT

    const QByteArray m_page = productPage(500);

private slots:
    void bareParse() {
        QBENCHMARK {
            const QJsonDocument document = QJsonDocument::fromJson(m_page);
            QVERIFY(document.isObject());
        }
    }

    void decodeProductPage() {
        QBENCHMARK {
            const auto page = APIJSON::decode<ItemList<Product>>(m_page);
            QCOMPARE(page.items.size(), 500);
        }
    }
};

QTEST_GUILESS_MAIN(BenchDecoding)
#include "bench_Decoding.moc"
