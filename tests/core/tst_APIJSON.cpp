#include "RecordSamples.h"

#include <QTest>

using namespace quelvio;
using namespace quelvio::samples;
using namespace Qt::StringLiterals;

class TestAPIJSON : public QObject {
    Q_OBJECT

private slots:
    void keyConversions() {
        QCOMPARE(APIJSON::snakeCaseKey(u"name"), u"name"_s);
        QCOMPARE(APIJSON::snakeCaseKey(u"scrapeIntervalSec"), u"scrape_interval_sec"_s);
        // A run of capitals is one word.
        QCOMPARE(APIJSON::snakeCaseKey(u"myURLProperty"), u"my_url_property"_s);
        QCOMPARE(APIJSON::snakeCaseKey(u"productID"), u"product_id"_s);
        QCOMPARE(APIJSON::snakeCaseKey(u"_privateName"), u"_private_name"_s);
        QCOMPARE(APIJSON::snakeCaseKey(u""), u""_s);

        QCOMPARE(APIJSON::camelCaseKey(u"scrape_interval_sec"), u"scrapeIntervalSec"_s);
        QCOMPARE(APIJSON::camelCaseKey(u"Product_ID"), u"productId"_s);
        QCOMPARE(APIJSON::camelCaseKey(u"product__id"), u"productId"_s);
        QCOMPARE(APIJSON::camelCaseKey(u"_product_id_"), u"_productId_"_s);
        // Without an inner underscore a key is kept as it is.
        QCOMPARE(APIJSON::camelCaseKey(u"Name"), u"Name"_s);
        QCOMPARE(APIJSON::camelCaseKey(u"__id__"), u"__id__"_s);
        QCOMPARE(APIJSON::camelCaseKey(u"___"), u"___"_s);
        QCOMPARE(APIJSON::camelCaseKey(u""), u""_s);
    }

    void otherSpellingsOfKeysFillFieldsToo() {
        const auto p = APIJSON::decode<Product>(R"({"id": 1, "name": "x", "periodLowPrice": "9",
            "Change_PCT": 2, "shiny_new_field": {"deep": [1]}, "source": {"slug": "s", "name": "n", "baseUrl": "b"}})");
        QCOMPARE(p.periodLowPrice, std::optional(u"9"_s));
        QCOMPARE(p.changePct, std::optional(2.0));
        QCOMPARE(p.source->baseUrl, std::optional(u"b"_s));
        // "productId" sorts before "product_id"; both name the same field and the first wins.
        const auto s = APIJSON::decode<PriceSnapshot>(
            R"({"id": 1, "price": "1", "captured_at": "t", "product_id": 2, "productId": 3})");
        QCOMPARE(s.productId, std::optional<qint64>(3));
    }

    void unknownAndNullMembersReadAsAbsent() {
        QCOMPARE(APIJSON::decode<Source>(
                     R"({"slug": "s", "name": "n", "id": null, "base_url": null, "price_cents": 1250})"),
                 (Source{.slug = u"s"_s, .name = u"n"_s}));
    }

    void wholeNumbersFillIntegers() {
        const auto p = APIJSON::decode<Product>(R"({"id": 3.0, "name": "x", "period_low_days": 7e0})");
        QCOMPARE(p.id, 3);
        QCOMPARE(p.periodLowDays, std::optional<qint64>(7));
        const auto min = APIJSON::decode<Product>(R"({"id": -9223372036854775808, "name": "x"})");
        QCOMPARE(min.id, std::numeric_limits<qint64>::min());
    }

    void failuresNameThePathAndTheProblem_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        auto row = [](const char* name, const char* json, const QString& message) {
            QTest::newRow(name) << QByteArray(json) << message;
        };
        row("number for text", R"({"items": [{"id": 1, "name": "x", "price": 12.5}]})",
            u"items[0].price: expected string, found number 12.5"_s);
        row("text for number", R"({"items": [{"id": 1, "name": "x", "change_pct": "1.5"}]})",
            u"items[0].change_pct: expected number, found string"_s);
        row("fraction for integer", R"({"items": [{"id": 1.5, "name": "x"}]})",
            u"items[0].id: expected integer, found number 1.5"_s);
        row("integer beyond 64 bits", R"({"items": [{"id": 1e19, "name": "x"}]})",
            u"items[0].id: expected integer, found number 1e+19"_s);
        row("number for flag", R"({"items": [{"id": 1, "name": "x", "is_new": 1}]})",
            u"items[0].is_new: expected boolean, found number 1"_s);
        row("nested", R"({"items": [{"id": 1, "name": "x", "my": {"down": "yes"}}]})",
            u"items[0].my.down: expected boolean, found string"_s);
        row("null required", R"({"items": [{"id": null, "name": "x"}]})", u"items[0].id: null"_s);
        row("one bad element fails the list",
            R"({"items": [{"id": 1, "name": "a"}, {"id": 2, "name": "b"}, {"id": 3, "name": "c",
                "source": {"name": "no slug"}}]})",
            u"items[2].source.slug: missing"_s);
        row("no items", R"({"total": 0})", u"items: missing"_s);
        row("items an object", R"({"items": {}})", u"items: expected array, found object"_s);
        row("top-level array", "[]", u"expected object, found array"_s);
    }

    void failuresNameThePathAndTheProblem() {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        QCOMPARE(decodingFailure<ItemList<Product>>(json), message);
    }

    void textThatIsNoJSONFails() {
        for (const QByteArray& bytes :
             {QByteArray(), QByteArray(R"({"items": [)"), QByteArray("<html>502</html>"),
              QByteArray(R"({"items": []} x)"), QByteArray("true")})
            QVERIFY2(decodingFailure<ItemList<Product>>(bytes).startsWith(u"invalid JSON"_s), bytes);
    }

    void aFailureLeavesNoPathBehind() {
        auto decoder = APIJSON::decoder();
        try {
            decoder.decode<ItemList<Product>>(QByteArray(R"({"items": [{"id": 1}]})"));
            QFAIL("must fail");
        } catch (const APIJSON::DecodingError& e) {
            QCOMPARE(e.message(), u"items[0].name: missing"_s);
        }
        try {
            decoder.decode<Product>(QByteArray(R"({"id": "x", "name": "n"})"));
            QFAIL("must fail");
        } catch (const APIJSON::DecodingError& e) {
            QCOMPARE(e.message(), u"id: expected integer, found string"_s);
        }
    }
};

QTEST_GUILESS_MAIN(TestAPIJSON)
#include "tst_APIJSON.moc"
