#include "RecordSamples.h"

#include <QTest>

using namespace quelvio;
using namespace quelvio::samples;
using namespace Qt::StringLiterals;

class TestCatalogRecords : public QObject {
    Q_OBJECT

private slots:
    void everyFieldHasItsWireKey() {
        verifyWireForm(R"({"id": 7, "slug": "hub", "name": "Hub Store", "base_url": "hub.example",
            "homepage_url": "hub.example/home", "product_url": "hub.example/p",
            "kind": "shopify", "enabled": true, "included": false, "requested_by": "alice",
            "scrape_interval_sec": 3600, "rate_limit_rps": 0.5, "adapter": "generic"})",
                       fullSource());
        verifyWireForm(R"({"id": 9007199254740993, "external_key": "ext-1", "name": "ChatGPT Plus 月卡",
            "category": "codex", "product_url": "hub.example/p/1", "currency": "CNY", "unit": "month",
            "is_active": true, "price": "12.50", "output_price": "30", "compare_at_price": "15",
            "captured_at": "2025-03-04T05:06:07Z", "first_seen_at": "2025-03-01T00:00:00Z",
            "last_seen_at": "2025-03-04T05:06:07.123Z",
            "source": {"id": 7, "slug": "hub", "name": "Hub Store", "base_url": "hub.example",
                "homepage_url": "hub.example/home", "product_url": "hub.example/p",
                "kind": "shopify", "enabled": true, "included": false, "requested_by": "alice",
                "scrape_interval_sec": 3600, "rate_limit_rps": 0.5, "adapter": "generic"},
            "metadata": {"stock": "12", "source_category": "AI 账号", "subtype": "plus"},
            "my": {"favorite": true, "down": false, "report": true},
            "change_pct": -3.25, "old_price": "13", "period_low_price": "11.9", "period_low_days": 7,
            "in_stock": false, "is_new": true, "is_moved": false, "at_period_low": true,
            "favorite_score": 4, "down_score": 1, "goodwill": -2})",
                       fullProduct());
        verifyWireForm(R"({"items": [{"id": "sms", "count": 3}, {"id": "codex", "count": 10}]})",
                       ItemList<ProductCategory>{{{u"sms"_s, 3}, {u"codex"_s, 10}}});
        verifyWireForm(
            R"({"id": 1152921504606846976, "product_id": 77, "price": "9.99", "output_price": "19.99",
            "compare_at_price": "10", "currency": "USD", "unit": "1M_tokens",
            "captured_at": "2025-01-01T00:00:00+08:00", "source": {"slug": "s", "name": "S"}})",
            PriceSnapshot{Q_INT64_C(1) << 60, 77, u"9.99"_s, u"19.99"_s, u"10"_s, u"USD"_s, u"1M_tokens"_s,
                          u"2025-01-01T00:00:00+08:00"_s, Source{.slug = u"s"_s, .name = u"S"_s}});
        verifyWireForm(
            R"({"product_id": 42, "name": "n", "external_key": "k", "currency": "CNY", "unit": "item",
            "old_price": "1", "new_price": "2", "old_output_price": "3", "new_output_price": "4",
            "change_pct": 2.5, "captured_at": "2025-03-04T05:06:07Z", "source": {"slug": "s", "name": "S"}})",
            PriceChange{42, u"n"_s, u"k"_s, u"CNY"_s, u"item"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, 2.5,
                        u"2025-03-04T05:06:07Z"_s, Source{.slug = u"s"_s, .name = u"S"_s}});
        verifyWireForm(
            R"({"id": 1, "source_id": 2, "source_slug": "hub", "source_name": "Hub", "status": "failed",
            "started_at": "s", "finished_at": "f", "items_upserted": 30, "error_message": "boom",
            "duration_ms": 1099511627776})",
            ScrapeRun{1, 2, u"hub"_s, u"Hub"_s, u"failed"_s, u"s"_s, u"f"_s, 30, u"boom"_s,
                      Q_INT64_C(1) << 40});
        verifyWireForm(
            R"({"run_id": 5, "source": "hub", "status": "success", "items_upserted": 9, "error": "e",
            "duration_ms": 1234})",
            ScrapeResult{5, u"hub"_s, u"success"_s, 9, u"e"_s, 1234});
    }

    void absentFieldsAreLeftOut() {
        QCOMPARE(APIJSON::encode(Product{.id = 5, .name = u"n"_s}), QByteArray(R"({"id":5,"name":"n"})"));
    }

    void productFlagsShowOnlyWhenTrue() {
        const auto bare = APIJSON::decode<Product>(R"({"id": 1, "name": "Bare"})");
        QVERIFY(!bare.showsNew() && !bare.showsMoved() && !bare.showsPeriodLow() && !bare.showsOutOfStock());
        QVERIFY(!bare.stockText() && !bare.sourceCategory() && !bare.subtype());

        const auto p = APIJSON::decode<Product>(
            R"({"id": 1, "name": "x", "is_new": true, "at_period_low": true, "in_stock": true,
                "metadata": {"stock": "3", "source_category": "AI", "subtype": "plus"},
                "my": {"favorite": true, "report": null}})");
        QVERIFY(p.showsNew() && !p.showsMoved() && p.showsPeriodLow() && !p.showsOutOfStock());
        QVERIFY(p.my->isFavorite() && !p.my->isDown() && !p.my->isReported());
        QCOMPARE(p.stockText(), std::optional(u"3"_s));
        QCOMPARE(p.sourceCategory(), std::optional(u"AI"_s));
        QCOMPARE(p.subtype(), std::optional(u"plus"_s));

        // Only an explicit "not in stock" shows; an unknown stock state shows nothing.
        QVERIFY(APIJSON::decode<Product>(R"({"id": 1, "name": "x", "in_stock": false})").showsOutOfStock());
        QVERIFY(!APIJSON::decode<Product>(R"({"id": 1, "name": "x", "in_stock": null})").showsOutOfStock());
    }

    void stockIsLenient_data() {
        QTest::addColumn<QByteArray>("stock");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("string") << QByteArray(R"("about 5")") << std::optional(u"about 5"_s);
        QTest::newRow("integer") << QByteArray("-3") << std::optional(u"-3"_s);
        QTest::newRow("whole number written as fraction") << QByteArray("2.0") << std::optional(u"2"_s);
        QTest::newRow("shortest round trip") << QByteArray("0.1") << std::optional(u"0.1"_s);
        QTest::newRow("big integer stays exact")
            << QByteArray("9007199254740993") << std::optional(u"9007199254740993"_s);
        QTest::newRow("bool") << QByteArray("true") << std::optional<QString>();
        QTest::newRow("object") << QByteArray(R"({"n": 1})") << std::optional<QString>();
    }

    void stockIsLenient() {
        QFETCH(QByteArray, stock);
        QFETCH(std::optional<QString>, expected);
        const QByteArray json = R"({"id": 1, "name": "x", "metadata": {"stock": )" + stock +
                                R"(, "source_category": "AI", "subtype": "plus"}})";
        const auto p = APIJSON::decode<Product>(json);
        QCOMPARE(p.stockText(), expected);
        // A stock that reads as absent never costs the rest of the metadata.
        QCOMPARE(p.subtype(), std::optional(u"plus"_s));
    }

    void sourcePendingAndIncluded() {
        const Source pending{.slug = u"s"_s, .name = u"n"_s, .included = false};
        QVERIFY(pending.isPending() && !pending.isIncluded());
        const Source unknown{.slug = u"s"_s, .name = u"n"_s};
        QVERIFY(!unknown.isPending() && unknown.isIncluded());
        const Source in{.slug = u"s"_s, .name = u"n"_s, .included = true};
        QVERIFY(!in.isPending() && in.isIncluded());
    }
};

QTEST_GUILESS_MAIN(TestCatalogRecords)
#include "tst_CatalogRecords.moc"
