#include "RecordSamples.h"

#include <QTest>

using namespace quelvio;
using namespace quelvio::samples;
using namespace Qt::StringLiterals;

class TestAPIJSON : public QObject {
    Q_OBJECT

private slots:
    void snakeCase_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("key");
        QTest::newRow("single word") << u"name"_s << u"name"_s;
        QTest::newRow("two words") << u"productId"_s << u"product_id"_s;
        QTest::newRow("max uses") << u"maxUses"_s << u"max_uses"_s;
        QTest::newRow("redeem code") << u"redeemCode"_s << u"redeem_code"_s;
        QTest::newRow("three words") << u"scrapeIntervalSec"_s << u"scrape_interval_sec"_s;
        QTest::newRow("base url") << u"baseUrl"_s << u"base_url"_s;
        QTest::newRow("run of capitals inside") << u"myURLProperty"_s << u"my_url_property"_s;
        QTest::newRow("run of capitals at end") << u"productID"_s << u"product_id"_s;
        QTest::newRow("leading underscore") << u"_privateName"_s << u"_private_name"_s;
        QTest::newRow("empty") << u""_s << u""_s;
    }

    void snakeCase() {
        QFETCH(QString, field);
        QFETCH(QString, key);
        QCOMPARE(APIJSON::snakeCaseKey(field), key);
    }

    void camelCase_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("field");
        QTest::newRow("snake") << u"product_id"_s << u"productId"_s;
        QTest::newRow("already camel") << u"productId"_s << u"productId"_s;
        QTest::newRow("shouting pieces") << u"Product_ID"_s << u"productId"_s;
        QTest::newRow("three pieces") << u"scrape_interval_sec"_s << u"scrapeIntervalSec"_s;
        QTest::newRow("doubled underscore") << u"product__id"_s << u"productId"_s;
        QTest::newRow("leading and trailing kept") << u"_product_id_"_s << u"_productId_"_s;
        QTest::newRow("outer underscores only") << u"__id__"_s << u"__id__"_s;
        QTest::newRow("no inner underscore keeps case") << u"Name"_s << u"Name"_s;
        QTest::newRow("only underscores") << u"___"_s << u"___"_s;
        QTest::newRow("empty") << u""_s << u""_s;
        QTest::newRow("non-ascii") << u"价格_低"_s << u"价格低"_s;
    }

    void camelCase() {
        QFETCH(QString, key);
        QFETCH(QString, field);
        QCOMPARE(APIJSON::camelCaseKey(key), field);
    }

    void everyFieldNameSurvivesBothConversions() {
        // The decoder must find every field under the key the encoder writes.
        auto check = [](const auto& record) {
            using T = std::remove_cvref_t<decltype(record)>;
            json::forEachField<T>([](const auto& f) {
                const QString name = QLatin1StringView(f.name);
                QCOMPARE(APIJSON::camelCaseKey(APIJSON::snakeCaseKey(name)), name);
            });
        };
        check(fullProduct());
        check(fullSource());
        check(PriceChange{});
        check(ScrapeRun{});
        check(ScrapeResult{});
        check(Reaction{});
        check(RedeemCode{});
        check(AuthSession{});
        check(User{});
        check(CreateCodeRequest{});
    }

    void firstOfCollidingKeysWins() {
        // "productId" sorts before "product_id"; both name the same field.
        const auto s = APIJSON::decode<PriceSnapshot>(
            R"({"id": 1, "price": "1", "captured_at": "t", "product_id": 2, "productId": 3})");
        QCOMPARE(s.productId, std::optional<qint64>(3));
    }

    void nullOptionalsReadAsAbsent() {
        const auto s = APIJSON::decode<Source>(
            R"({"slug": "s", "name": "n", "id": null, "base_url": null, "enabled": null, "rate_limit_rps": null})");
        QCOMPARE(s, (Source{.slug = u"s"_s, .name = u"n"_s}));
    }

    void malformedInputFailsCleanly_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("empty") << QByteArray() << u"invalid JSON"_s;
        QTest::newRow("truncated") << QByteArray(R"({"items": [)") << u"invalid JSON"_s;
        QTest::newRow("html error page") << QByteArray("<html>502</html>") << u"invalid JSON"_s;
        QTest::newRow("trailing garbage") << QByteArray(R"({"items": []} x)") << u"invalid JSON"_s;
        QTest::newRow("top-level array") << QByteArray("[]") << u"expected object, found array"_s;
        QTest::newRow("items of strings")
            << QByteArray(R"({"items": ["a"]})") << u"items[0]: expected object, found string"_s;
    }

    void malformedInputFailsCleanly() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, prefix);
        const QString message = decodingFailure<ItemList<Product>>(bytes);
        QVERIFY2(message.startsWith(prefix), qPrintable(message));
    }

    void coderInstancesAreIndependent() {
        auto decoder = APIJSON::decoder();
        QCOMPARE(decodingFailure<Product>(R"({"id": 1})"), u"name: missing"_s);
        // A failure leaves no path behind for the next decode with the same coder.
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
