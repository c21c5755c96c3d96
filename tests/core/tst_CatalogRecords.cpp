#include "RecordSamples.h"

#include <QSet>
#include <QTest>

using namespace quelvio;
using namespace quelvio::samples;
using namespace Qt::StringLiterals;

class TestCatalogRecords : public QObject {
    Q_OBJECT

private slots:
    void minimalProductDecodesWithEverythingOff() {
        const auto p = APIJSON::decode<Product>(R"({"id": 1, "name": "Bare"})");
        QCOMPARE(p.id, 1);
        QCOMPARE(p.name, u"Bare"_s);
        QVERIFY(!p.showsNew());
        QVERIFY(!p.showsMoved());
        QVERIFY(!p.showsPeriodLow());
        QVERIFY(!p.showsOutOfStock());
        QVERIFY(!p.stockText());
        QVERIFY(!p.sourceCategory());
        QVERIFY(!p.subtype());
        QVERIFY(!p.my);
    }

    void productFlagsReadOnlyWhenPresentAndTrue() {
        const auto p = APIJSON::decode<Product>(
            R"({"id": 1, "name": "x", "is_new": true, "is_moved": false, "at_period_low": true, "in_stock": true,
                "my": {"favorite": true, "report": null}})");
        QVERIFY(p.showsNew());
        QVERIFY(!p.showsMoved());
        QVERIFY(p.showsPeriodLow());
        QVERIFY(!p.showsOutOfStock());
        QVERIFY(p.my->isFavorite());
        QVERIFY(!p.my->isDown());
        QVERIFY(!p.my->isReported());
        QVERIFY(!p.my->report.has_value());

        const auto out = APIJSON::decode<Product>(R"({"id": 1, "name": "x", "in_stock": false})");
        QVERIFY(out.showsOutOfStock());
        const auto nullStock = APIJSON::decode<Product>(R"({"id": 1, "name": "x", "in_stock": null})");
        QVERIFY(!nullStock.showsOutOfStock());
    }

    void stockIsLenient_data() {
        QTest::addColumn<QByteArray>("stock");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("string") << QByteArray(R"("about 5")") << std::optional(u"about 5"_s);
        QTest::newRow("empty string") << QByteArray(R"("")") << std::optional(u""_s);
        QTest::newRow("integer") << QByteArray("12") << std::optional(u"12"_s);
        QTest::newRow("negative integer") << QByteArray("-3") << std::optional(u"-3"_s);
        QTest::newRow("whole number written as fraction") << QByteArray("2.0") << std::optional(u"2"_s);
        QTest::newRow("fraction") << QByteArray("3.5") << std::optional(u"3.5"_s);
        QTest::newRow("shortest round trip") << QByteArray("0.1") << std::optional(u"0.1"_s);
        QTest::newRow("big integer stays exact")
            << QByteArray("9007199254740993") << std::optional(u"9007199254740993"_s);
        QTest::newRow("bool") << QByteArray("true") << std::optional<QString>();
        QTest::newRow("null") << QByteArray("null") << std::optional<QString>();
        QTest::newRow("array") << QByteArray("[1]") << std::optional<QString>();
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
        QCOMPARE(p.sourceCategory(), std::optional(u"AI"_s));
        QCOMPARE(p.subtype(), std::optional(u"plus"_s));
    }

    void stockIsWrittenAsText() {
        const Product p{.id = 1, .name = u"x"_s, .metadata = ProductMetadata{u"7"_s, {}, {}}};
        const QJsonObject metadata =
            QJsonDocument::fromJson(APIJSON::encode(p)).object().value(u"metadata").toObject();
        QCOMPARE(metadata.value(u"stock"), QJsonValue(u"7"_s));
        QCOMPARE(metadata.keys(), QStringList{u"stock"_s});
    }

    void strictTypesFailTheProduct_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("change_pct as string") << QByteArray(R"({"id": 1, "name": "x", "change_pct": "1.5"})")
                                              << u"change_pct: expected number, found string"_s;
        QTest::newRow("price as number") << QByteArray(R"({"id": 1, "name": "x", "price": 12.5})")
                                         << u"price: expected string, found number 12.5"_s;
        QTest::newRow("id as string")
            << QByteArray(R"({"id": "1", "name": "x"})") << u"id: expected integer, found string"_s;
        QTest::newRow("fractional id")
            << QByteArray(R"({"id": 1.5, "name": "x"})") << u"id: expected integer, found number 1.5"_s;
        QTest::newRow("id beyond 64 bits")
            << QByteArray(R"({"id": 1e19, "name": "x"})") << u"id: expected integer, found number 1e+19"_s;
        QTest::newRow("goodwill fractional") << QByteArray(R"({"id": 1, "name": "x", "goodwill": 0.5})")
                                             << u"goodwill: expected integer, found number 0.5"_s;
        QTest::newRow("flag as number") << QByteArray(R"({"id": 1, "name": "x", "is_new": 1})")
                                        << u"is_new: expected boolean, found number 1"_s;
        QTest::newRow("missing name") << QByteArray(R"({"id": 1})") << u"name: missing"_s;
        QTest::newRow("null id") << QByteArray(R"({"id": null, "name": "x"})") << u"id: null"_s;
        QTest::newRow("my as array") << QByteArray(R"({"id": 1, "name": "x", "my": []})")
                                     << u"my: expected object, found array"_s;
        QTest::newRow("nested flag wrong") << QByteArray(R"({"id": 1, "name": "x", "my": {"down": "yes"}})")
                                           << u"my.down: expected boolean, found string"_s;
        QTest::newRow("source without slug")
            << QByteArray(R"({"id": 1, "name": "x", "source": {"name": "Hub"}})")
            << u"source.slug: missing"_s;
    }

    void strictTypesFailTheProduct() {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        QCOMPARE(decodingFailure<Product>(json), message);
    }

    void wholeNumbersFillIntegers() {
        const auto p = APIJSON::decode<Product>(R"({"id": 3.0, "name": "x", "period_low_days": 7e0})");
        QCOMPARE(p.id, 3);
        QCOMPARE(p.periodLowDays, std::optional<qint64>(7));
        const auto big = APIJSON::decode<Product>(R"({"id": -9223372036854775808, "name": "x"})");
        QCOMPARE(big.id, std::numeric_limits<qint64>::min());
        const auto exact = APIJSON::decode<Product>(R"({"id": 9007199254740993, "name": "x"})");
        QCOMPARE(exact.id, Q_INT64_C(9007199254740993));
    }

    void camelCaseKeysFillFieldsToo() {
        const auto p = APIJSON::decode<Product>(
            R"({"id": 1, "name": "x", "periodLowPrice": "9", "Change_PCT": 2, "source": {"slug": "s", "name": "n", "baseUrl": "b"}})");
        QCOMPARE(p.periodLowPrice, std::optional(u"9"_s));
        QCOMPARE(p.changePct, std::optional(2.0));
        QCOMPARE(p.source->baseUrl, std::optional(u"b"_s));
    }

    void unknownMembersAreIgnored() {
        const auto p = APIJSON::decode<Product>(
            R"({"id": 1, "name": "x", "shiny_new_field": {"deep": [1, 2]}, "price_cents": 1250})");
        QCOMPARE(p, (Product{.id = 1, .name = u"x"_s}));
    }

    void sourcePendingAndIncluded() {
        const auto pending = APIJSON::decode<Source>(R"({"slug": "s", "name": "n", "included": false})");
        QVERIFY(pending.isPending());
        QVERIFY(!pending.isIncluded());
        const auto unknown = APIJSON::decode<Source>(R"({"slug": "s", "name": "n"})");
        QVERIFY(!unknown.isPending());
        QVERIFY(unknown.isIncluded());
        const auto in = APIJSON::decode<Source>(R"({"slug": "s", "name": "n", "included": true})");
        QVERIFY(!in.isPending());
        QVERIFY(in.isIncluded());
    }

    void sourceHashAgreesWithEquality() {
        const Source a = fullSource();
        Source b = a;
        QCOMPARE(qHash(a, 17), qHash(b, 17));
        b.rateLimitRps = 0.75;
        QVERIFY(a != b);
        Source c = a;
        c.included.reset();
        QSet<Source> set{a, b, c, a, fullSource()};
        QCOMPARE(set.size(), 3);
        QVERIFY(set.contains(c));
    }

    void itemListNeedsItems() {
        QCOMPARE(decodingFailure<ItemList<Product>>(R"({"total": 0})"), u"items: missing"_s);
        QCOMPARE(decodingFailure<ItemList<Product>>(R"({"items": null})"), u"items: null"_s);
        QCOMPARE(decodingFailure<ItemList<Product>>(R"({"items": {}})"),
                 u"items: expected array, found object"_s);
        QVERIFY(APIJSON::decode<ItemList<Product>>(R"({"items": []})").items.isEmpty());
    }

    void oneBadElementFailsTheWholeList() {
        const QByteArray json = R"({"items": [
            {"id": 1, "name": "a", "source": {"slug": "s1", "name": "S1"}},
            {"id": 2, "name": "b"},
            {"id": 3, "name": "c", "source": {"name": "no slug"}},
            {"id": 4, "name": "d"}]})";
        QCOMPARE(decodingFailure<ItemList<Product>>(json), u"items[2].source.slug: missing"_s);
    }

    void listKeepsServerOrder() {
        const auto list = APIJSON::decode<ItemList<ProductCategory>>(
            R"({"items": [{"id": "sms", "count": 3}, {"id": "codex", "count": 10}, {"id": "other", "count": 0}]})");
        QCOMPARE(list.items.size(), 3);
        QCOMPARE(list.items[0], (ProductCategory{u"sms"_s, 3}));
        QCOMPARE(list.items[1].id, u"codex"_s);
        QCOMPARE(list.items[2].count, 0);
    }

    void requiredOnlyProductEncodesTwoKeys() {
        QCOMPARE(keysOf(APIJSON::encode(Product{.id = 5, .name = u"n"_s})),
                 (QStringList{u"id"_s, u"name"_s}));
    }

    void encodingUsesSnakeCaseKeys() {
        const QStringList keys = keysOf(APIJSON::encode(fullProduct()));
        QCOMPARE(keys.size(), 28);
        for (const char* key : {"external_key", "product_url", "is_active", "output_price",
                                "compare_at_price", "captured_at", "first_seen_at", "last_seen_at",
                                "change_pct", "old_price", "period_low_price", "period_low_days", "in_stock",
                                "is_new", "is_moved", "at_period_low", "favorite_score", "down_score"})
            QVERIFY2(keys.contains(QLatin1StringView(key)), key);
        const QStringList sourceKeys = QJsonDocument::fromJson(APIJSON::encode(fullSource())).object().keys();
        for (const char* key :
             {"base_url", "homepage_url", "requested_by", "scrape_interval_sec", "rate_limit_rps"})
            QVERIFY2(sourceKeys.contains(QLatin1StringView(key)), key);
        // Prices stay text on the wire.
        QCOMPARE(QJsonDocument::fromJson(APIJSON::encode(fullProduct())).object().value(u"price"),
                 QJsonValue(u"12.50"_s));
    }

    void priceChangeRowID() {
        const auto change = APIJSON::decode<PriceChange>(
            R"({"product_id": 42, "name": "x", "old_price": "1", "new_price": "2", "captured_at": "2025-03-04T05:06:07Z"})");
        QCOMPARE(change.rowID(), u"42-2025-03-04T05:06:07Z"_s);
    }

    void runStatusKeepsUnknownWords() {
        const auto run = APIJSON::decode<ScrapeRun>(R"({"id": 1, "status": "queued", "started_at": "t"})");
        QCOMPARE(run.status, u"queued"_s);
        const auto ok = APIJSON::decode<ScrapeRun>(R"({"id": 2, "status": "partial", "started_at": "t"})");
        QVERIFY(ok.status == RunStatus::partial);
        QCOMPARE(decodingFailure<ScrapeResult>(R"({"run_id": 1})"), u"status: missing"_s);
    }

    void roundTripsWithAllFields() {
        verifyRoundTrip(fullSource());
        verifyRoundTrip(ProductCategory{u"llm_api"_s, 12});
        verifyRoundTrip(ProductMetadata{u"3.5"_s, u"cat"_s, u"team"_s});
        verifyRoundTrip(ReactionFlags{true, true, false});
        verifyRoundTrip(fullProduct());
        verifyRoundTrip(PriceSnapshot{Q_INT64_C(1) << 60, 77, u"9.99"_s, u"19.99"_s, u"10"_s, u"USD"_s,
                                      u"1M_tokens"_s, u"2025-01-01T00:00:00+08:00"_s, fullSource()});
        verifyRoundTrip(PriceChange{42, u"n"_s, u"k"_s, u"CNY"_s, u"item"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s,
                                    100.0, u"2025-03-04T05:06:07Z"_s, fullSource()});
        verifyRoundTrip(ScrapeRun{1, 2, u"hub"_s, u"Hub"_s, u"failed"_s, u"s"_s, u"f"_s, 30, u"boom"_s,
                                  Q_INT64_C(1) << 40});
        verifyRoundTrip(ScrapeResult{5, u"hub"_s, u"success"_s, 9, u"e"_s, 1234});
        verifyRoundTrip(ItemList<Product>{{fullProduct(), Product{.id = 2, .name = u"b"_s}}});
    }

    void roundTripsWithRequiredFieldsOnly() {
        verifyRoundTrip(Source{.slug = u"s"_s, .name = u"n"_s});
        verifyRoundTrip(ProductCategory{u"other"_s, 0});
        verifyRoundTrip(ProductMetadata{});
        verifyRoundTrip(ReactionFlags{});
        verifyRoundTrip(Product{.id = -1, .name = u""_s});
        verifyRoundTrip(PriceSnapshot{.id = 1, .price = u"0"_s, .capturedAt = u"t"_s});
        verifyRoundTrip(PriceChange{
            .productId = 1, .name = u"n"_s, .oldPrice = u"1"_s, .newPrice = u"2"_s, .capturedAt = u"t"_s});
        verifyRoundTrip(ScrapeRun{.id = 1, .status = u"running"_s, .startedAt = u"t"_s});
        verifyRoundTrip(ScrapeResult{.status = u"running"_s});
        verifyRoundTrip(ItemList<ScrapeRun>{});
    }
};

QTEST_GUILESS_MAIN(TestCatalogRecords)
#include "tst_CatalogRecords.moc"
