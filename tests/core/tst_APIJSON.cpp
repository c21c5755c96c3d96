#include "APIJSON.h"
#include "Models.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace quelvio;
using namespace Qt::StringLiterals;

namespace {

// The wire form of a record, both ways: the text decodes to the value, and the value encodes to
// the same JSON object (same keys, same values). Every field is set to a value of its own, so that
// a field read under another field's key shows up as a wrong value.
template <typename T>
void verifyWireForm(const QByteArray& json, const T& value) {
    try {
        QCOMPARE(APIJSON::decode<T>(json), value);
    } catch (const APIJSON::DecodingError& e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(QJsonDocument::fromJson(APIJSON::encode(value)), QJsonDocument::fromJson(json));
}

// Decodes text that must fail and returns the failure's message.
template <typename T>
QString decodingFailure(const QByteArray& json, APIJSON::Decoder& decoder) {
    try {
        decoder.decode<T>(json);
    } catch (const APIJSON::DecodingError& e) {
        return e.message();
    }
    return {};
}

template <typename T>
QString decodingFailure(const QByteArray& json) {
    APIJSON::Decoder decoder = APIJSON::decoder();
    return decodingFailure<T>(json, decoder);
}

} // namespace

class TestAPIJSON : public QObject {
    Q_OBJECT

private slots:
    void catalogRecordsWireForm() {
        verifyWireForm(R"({"id": 7, "slug": "hub", "name": "Hub Store", "base_url": "hub.example",
            "homepage_url": "hub.example/home", "product_url": "hub.example/p",
            "kind": "shopify", "enabled": true, "included": false, "requested_by": "alice",
            "scrape_interval_sec": 3600, "rate_limit_rps": 0.5, "adapter": "generic"})",
                       Source{7, u"hub"_s, u"Hub Store"_s, u"hub.example"_s, u"hub.example/home"_s,
                              u"hub.example/p"_s, u"shopify"_s, true, false, u"alice"_s, 3600, 0.5,
                              u"generic"_s});
        verifyWireForm(R"({"id": 9007199254740993, "external_key": "ext-1", "name": "ChatGPT Plus 月卡",
            "category": "codex", "product_url": "hub.example/p/1", "currency": "CNY", "unit": "month",
            "is_active": true, "price": "12.50", "output_price": "30", "compare_at_price": "15",
            "captured_at": "2025-03-04T05:06:07Z", "first_seen_at": "2025-03-01T00:00:00Z",
            "last_seen_at": "2025-03-04T05:06:07.123Z",
            "source": {"slug": "hub", "name": "Hub Store"},
            "metadata": {"stock": "12", "source_category": "AI 账号", "subtype": "plus"},
            "my": {"favorite": true, "down": false, "report": true},
            "change_pct": -3.25, "old_price": "13", "period_low_price": "11.9", "period_low_days": 7,
            "in_stock": false, "is_new": true, "is_moved": false, "at_period_low": true,
            "favorite_score": 4, "down_score": 1, "goodwill": -2})",
                       Product{9007199254740993, // 2^53 + 1: not representable as a double
                               u"ext-1"_s,
                               u"ChatGPT Plus 月卡"_s,
                               u"codex"_s,
                               u"hub.example/p/1"_s,
                               u"CNY"_s,
                               u"month"_s,
                               true,
                               u"12.50"_s,
                               u"30"_s,
                               u"15"_s,
                               u"2025-03-04T05:06:07Z"_s,
                               u"2025-03-01T00:00:00Z"_s,
                               u"2025-03-04T05:06:07.123Z"_s,
                               Source{.slug = u"hub"_s, .name = u"Hub Store"_s},
                               ProductMetadata{u"12"_s, u"AI 账号"_s, u"plus"_s},
                               ReactionFlags{true, false, true},
                               -3.25,
                               u"13"_s,
                               u"11.9"_s,
                               7,
                               false,
                               true,
                               false,
                               true,
                               4,
                               1,
                               -2});
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

    void productFlags() {
        const auto p = APIJSON::decode<Product>(
            R"({"id": 1, "name": "x", "is_new": true, "in_stock": true, "my": {"favorite": true, "report": null}})");
        QVERIFY(p.showsNew() && !p.showsMoved() && !p.showsPeriodLow() && !p.showsOutOfStock());
        QVERIFY(p.my->isFavorite() && !p.my->isDown() && !p.my->isReported());

        // Only an explicit "not in stock" shows; an unknown stock state shows nothing.
        QVERIFY(APIJSON::decode<Product>(R"({"id": 1, "name": "x", "in_stock": false})").showsOutOfStock());
        QVERIFY(!APIJSON::decode<Product>(R"({"id": 1, "name": "x", "in_stock": null})").showsOutOfStock());
    }

    void stockIsLenient() {
        auto stock = [](const QByteArray& value) {
            const auto p = APIJSON::decode<Product>(R"({"id": 1, "name": "x", "metadata": {"stock": )" +
                                                    value + R"(, "subtype": "plus"}})");
            // A stock that reads as absent never costs the rest of the metadata.
            return p.subtype() == u"plus"_s ? p.stockText() : u"metadata lost"_s;
        };
        QCOMPARE(stock("2.0"), u"2"_s);
        QCOMPARE(stock("0.1"), u"0.1"_s);
        QCOMPARE(stock("9007199254740993"), u"9007199254740993"_s);
        QCOMPARE(stock("true"), std::nullopt);
        QCOMPARE(stock(R"({"n": 1})"), std::nullopt);
    }

    // A source the server says nothing about counts as included.
    void sourcePendingAndIncluded() {
        QVERIFY((Source{.included = false}).isPending() && !(Source{.included = false}).isIncluded());
        QVERIFY(!Source{}.isPending() && Source{}.isIncluded());
        QVERIFY(!(Source{.included = true}).isPending() && (Source{.included = true}).isIncluded());
    }

    void accountRecordsWireForm() {
        const User user{Q_INT64_C(1) << 62,       u"小明_01"_s, u"member"_s, true, false,
                        u"2025-01-02T03:04:05Z"_s};
        const Source shop{.slug = u"s"_s, .name = u"S"_s};
        verifyWireForm(R"({"status": "ok", "service": "zeltor", "time": "2025-01-01T00:00:00Z"})",
                       Health{u"ok"_s, u"zeltor"_s, u"2025-01-01T00:00:00Z"_s});
        verifyWireForm(R"({"error": "出错了"})", APIErrorBody{u"出错了"_s});
        verifyWireForm(R"({"ok": true})", OkResponse{true});
        verifyWireForm(R"({"user": {"id": 4611686018427387904, "username": "小明_01", "role": "member",
            "is_member": true, "is_admin": false, "created_at": "2025-01-02T03:04:05Z"},
            "token": "tok", "redeem_warning": "warn"})",
                       AuthSession{user, u"tok"_s, u"warn"_s});
        verifyWireForm(R"({"user": {"id": 2, "username": "u", "role": "admin", "is_member": false,
            "is_admin": true}})",
                       UserEnvelope{User{2, u"u"_s, u"admin"_s, false, true, {}}});
        verifyWireForm(R"({"username": "u", "password": "p", "redeem_code": "c"})",
                       AuthCredentials{u"u"_s, u"p"_s, u"c"_s});
        verifyWireForm(R"({"code": "VIP-1"})", RedeemRequest{u"VIP-1"_s});
        verifyWireForm(R"({"item": {"id": 9, "kind": "favorite", "target_type": "product", "note": "n",
            "created_at": "t", "source": {"slug": "s", "name": "S"}, "product": {"id": 3, "name": "p"},
            "product_id": 77}})",
                       ReactionEnvelope{Reaction{9, u"favorite"_s, u"product"_s, u"n"_s, u"t"_s, shop,
                                                 Product{.id = 3, .name = u"p"_s}, 77}});
        verifyWireForm(R"({"kind": "report", "target_type": "product", "product_id": 4, "source": "hub",
            "note": "note"})",
                       ReactionRequest{u"report"_s, u"product"_s, 4, u"hub"_s, u"note"_s});
        verifyWireForm(
            R"({"item": {"id": 3, "code": "VIP", "role": "member", "max_uses": 10, "used_count": 2,
            "note": "n", "created_at": "c", "expires_at": "e"}})",
            RedeemCodeEnvelope{RedeemCode{3, u"VIP"_s, u"member"_s, 10, 2, u"n"_s, u"c"_s, u"e"_s}});
        verifyWireForm(R"({"code": "VIP", "max_uses": 5, "expires_at": "2026-01-01T00:00:00Z", "note": "n"})",
                       CreateCodeRequest{u"VIP"_s, 5, u"2026-01-01T00:00:00Z"_s, u"n"_s});
        verifyWireForm(R"({"role": "admin"})", SetRoleRequest{u"admin"_s});
        verifyWireForm(R"({"url": "shop.example", "name": "Shop"})",
                       SourceRequest{u"shop.example"_s, u"Shop"_s});
        verifyWireForm(R"({"item": {"slug": "s", "name": "S"}})", SourceRequestEnvelope{shop});
        verifyWireForm(R"({"error": "exists", "item": {"slug": "s", "name": "S"}})",
                       SourceConflictBody{u"exists"_s, shop});
    }

    void requiredFieldsMustBeThere() {
        QCOMPARE(
            decodingFailure<AuthSession>(
                R"({"user": {"id": 1, "username": "u", "role": "user", "is_member": false, "is_admin": false}})"),
            u"token: missing"_s);
        QCOMPARE(
            decodingFailure<AuthSession>(
                R"({"token": "t", "user": {"id": 1, "username": "u", "role": "user", "is_admin": false}})"),
            u"user.is_member: missing"_s);
        QCOMPARE(decodingFailure<SourceConflictBody>(R"({"item": {"slug": "hub", "name": "Hub"}})"),
                 u"error: missing"_s);
    }

    void roleLabelComesFromRoleAlone() {
        QCOMPARE((User{1, u"u"_s, u"admin"_s, false, false, {}}).roleLabel(), u"超管"_s);
        QCOMPARE((User{1, u"u"_s, u"user"_s, true, true, {}}).roleLabel(), u"普通"_s);
        QCOMPARE((User{1, u"u"_s, u"Admin"_s, true, true, {}}).roleLabel(), u"普通"_s);
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

    void lenientReading() {
        // Unknown and null members read as absent.
        QCOMPARE(APIJSON::decode<Source>(
                     R"({"slug": "s", "name": "n", "id": null, "base_url": null, "price_cents": 1250})"),
                 (Source{.slug = u"s"_s, .name = u"n"_s}));

        // Whole numbers fill integers, however they are written.
        const auto p = APIJSON::decode<Product>(R"({"id": 3.0, "name": "x", "period_low_days": 7e0})");
        QCOMPARE(p.id, 3);
        QCOMPARE(p.periodLowDays, std::optional<qint64>(7));
        const auto min = APIJSON::decode<Product>(R"({"id": -9223372036854775808, "name": "x"})");
        QCOMPARE(min.id, std::numeric_limits<qint64>::min());
    }

    void failuresNameThePathAndTheProblem() {
        const auto failure = [](const QByteArray& json) { return decodingFailure<ItemList<Product>>(json); };
        QCOMPARE(failure(R"({"items": [{"id": 1, "name": "x", "price": 12.5}]})"),
                 u"items[0].price: expected string, found number 12.5"_s);
        QCOMPARE(failure(R"({"items": [{"id": 1.5, "name": "x"}]})"),
                 u"items[0].id: expected integer, found number 1.5"_s);
        QCOMPARE(failure(R"({"items": [{"id": 1e19, "name": "x"}]})"),
                 u"items[0].id: expected integer, found number 1e+19"_s);
        QCOMPARE(failure(R"({"items": [{"id": 1, "name": "x", "my": {"down": "yes"}}]})"),
                 u"items[0].my.down: expected boolean, found string"_s);
        QCOMPARE(failure(R"({"items": [{"id": null, "name": "x"}]})"), u"items[0].id: null"_s);
        // One bad element fails the whole list.
        QCOMPARE(failure(R"({"items": [{"id": 1, "name": "a"}, {"id": 2, "name": "b"}, {"id": 3, "name": "c",
            "source": {"name": "no slug"}}]})"),
                 u"items[2].source.slug: missing"_s);
        QCOMPARE(failure(R"({"total": 0})"), u"items: missing"_s);
        QCOMPARE(failure("[]"), u"expected object, found array"_s);
    }

    // A page longer than asked for is cut before it is parsed; strings, nesting and other keys
    // named "items" do not fool the cut.
    void aPageIsCutToItsLimitBeforeParsing() {
        // moc reads this file: no raw strings with escapes in them.
        const QByteArray tricky = "{\"meta\":{\"items\":[1,2]},\"note\":\"items\\\",[\","
                                  "\"items\":[{\"a\":[1,2]},\"x,]\\\"\",3,4],\"total\":4}";
        QCOMPARE(APIJSON::firstItems(tricky, 2), QByteArray("{\"items\":[{\"a\":[1,2]},\"x,]\\\"\"]}"));
        QCOMPARE(APIJSON::firstItems(tricky, 4), tricky); // within the limit: as it is
        QCOMPARE(APIJSON::firstItems(R"({"items":null,"x":[1,2,3]})", 1),
                 QByteArray(R"({"items":null,"x":[1,2,3]})"));
        QCOMPARE(APIJSON::firstItems("not json, [1,2]", 1), QByteArray("not json, [1,2]"));
    }

    // A megabyte-long name must not reach the views: texts are cut, never in half a character.
    void longTextsAreCut() {
        const QString name = QString(5000, u'名') + u"\U0001F600"_s;
        const QByteArray json =
            QJsonDocument(QJsonObject{{"id", 1}, {"name", name}, {"price", "1"}}).toJson();
        const QString kept = APIJSON::decode<Product>(json).name;
        QCOMPARE(kept.size(), APIJSON::Decoder::maxTextChars);
        QVERIFY(kept.startsWith(name.left(100)) && kept.endsWith(u"…"_s));
        const QString emoji = QString(APIJSON::Decoder::maxTextChars - 2, u'a') + u"\U0001F600\U0001F600"_s;
        const QString cut =
            APIJSON::decode<Product>(
                QJsonDocument(QJsonObject{{"id", 1}, {"name", emoji}, {"price", "1"}}).toJson())
                .name;
        QVERIFY(!cut.at(cut.size() - 2).isHighSurrogate());
    }

    void textThatIsNoJSONFails() {
        for (const QByteArray& bytes :
             {QByteArray(), QByteArray(R"({"items": [)"), QByteArray("<html>502</html>"),
              QByteArray(R"({"items": []} x)"), QByteArray("true")})
            QVERIFY2(decodingFailure<ItemList<Product>>(bytes).startsWith(u"invalid JSON"_s), bytes);
    }

    void aFailureLeavesNoPathBehind() {
        auto decoder = APIJSON::decoder();
        QCOMPARE(decodingFailure<ItemList<Product>>(R"({"items": [{"id": 1}]})", decoder),
                 u"items[0].name: missing"_s);
        QCOMPARE(decodingFailure<Product>(R"({"id": "x", "name": "n"})", decoder),
                 u"id: expected integer, found string"_s);
    }
};

QTEST_GUILESS_MAIN(TestAPIJSON)
#include "tst_APIJSON.moc"
