#include "APIJSON.h"
#include "DemoServer.h"
#include "HttpClient.h"
#include "Models.h"

#include <QSet>
#include <QTest>

using namespace quelvio;
using namespace quelvio::demo;
using namespace quelvio::demo::testing;
using namespace Qt::StringLiterals;

namespace {

const QDateTime anchor(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

double number(const QJsonValue& decimalText) {
    bool ok = false;
    const double value = decimalText.toString().toDouble(&ok);
    return ok ? value : qQNaN();
}

QList<qint64> ids(const QJsonArray& items) {
    QList<qint64> result;
    for (const QJsonValue& v : items)
        result.append(v[u"id"_s].toInteger());
    return result;
}

} // namespace

class TestDemoServerApi : public QObject {
    Q_OBJECT

    std::unique_ptr<DemoServer> server;
    std::unique_ptr<HttpClient> http;

    // A fresh account, signed in on a client of its own.
    std::unique_ptr<HttpClient> signUp(const QString& name) {
        auto client = std::make_unique<HttpClient>(server->baseUrl());
        const Response r =
            client->send("POST", u"/v1/auth/register"_s, {{"username", name}, {"password", "secret1"}});
        if (r.status != 201)
            qWarning() << "registration failed" << r.status << r.body;
        client->token = r.object()[u"token"_s].toString();
        return client;
    }

    std::unique_ptr<HttpClient> signIn(const Credentials& who) {
        auto client = std::make_unique<HttpClient>(server->baseUrl());
        const Response r = client->send("POST", u"/v1/auth/login"_s,
                                        {{"username", who.username}, {"password", who.password}});
        client->token = r.object()[u"token"_s].toString();
        return client;
    }

    QJsonArray allProducts(const Query& extra = {}) {
        Query query{{u"limit"_s, u"500"_s}, {u"offset"_s, u"0"_s}};
        query += extra;
        return http->get(u"/v1/products"_s, query).items();
    }

private slots:
    void init() {
        server = std::make_unique<DemoServer>(DemoServer::Options{.anchor = anchor});
        QVERIFY(server->listen() != 0);
        http = std::make_unique<HttpClient>(server->baseUrl());
    }

    void cleanup() {
        http.reset();
        server.reset();
    }

    void seededCatalogueCoversWhatTheClientShows() {
        const QJsonArray shops = http->get(u"/v1/sources"_s).items();
        QCOMPARE(shops.size(), 8);
        int pending = 0, disabled = 0;
        for (const QJsonValue& s : shops) {
            if (!s[u"included"_s].toBool()) {
                ++pending;
                QVERIFY(!s[u"requested_by"_s].toString().isEmpty());
                QCOMPARE(s[u"slug"_s].toString(), server->pendingShopSlug());
            }
            if (!s[u"enabled"_s].toBool() && s[u"included"_s].toBool()) {
                ++disabled;
                QCOMPARE(s[u"slug"_s].toString(), server->disabledShopSlug());
            }
        }
        QCOMPARE(pending, 1);
        QCOMPARE(disabled, 1);
        QCOMPARE(http->get(u"/v1/sources"_s, {{u"included"_s, u"0"_s}}).items().size(), 1);
        QCOMPARE(http->get(u"/v1/sources"_s, {{u"included"_s, u"1"_s}}).items().size(), 7);

        const QJsonArray everything = allProducts({{u"active"_s, u"0"_s}});
        QVERIFY2(everything.size() >= 300, QByteArray::number(everything.size()));
        QSet<QString> categories, units, currencies, stockTypes, subtypes;
        int inactive = 0, moved = 0, fresh = 0, atLow = 0, soldOut = 0;
        for (const QJsonValue& p : everything) {
            categories.insert(p[u"category"_s].toString());
            units.insert(p[u"unit"_s].toString());
            currencies.insert(p[u"currency"_s].toString());
            subtypes.insert(p[u"metadata"_s][u"subtype"_s].toString());
            const QJsonValue stock = p[u"metadata"_s][u"stock"_s];
            stockTypes.insert(stock.isString() ? u"string"_s : stock.isDouble() ? u"number"_s : u"none"_s);
            QVERIFY(p[u"price"_s].isString());
            QVERIFY(!qIsNaN(number(p[u"price"_s])));
            if (p[u"category"_s] == u"llm_api"_s) {
                QCOMPARE(p[u"unit"_s].toString(), u"1M_tokens"_s);
                QVERIFY(p[u"output_price"_s].isString());
            }
            QCOMPARE(p[u"goodwill"_s].toInteger(),
                     p[u"favorite_score"_s].toInteger() - p[u"down_score"_s].toInteger());
            inactive += !p[u"is_active"_s].toBool();
            moved += p[u"is_moved"_s].toBool();
            fresh += p[u"is_new"_s].toBool();
            atLow += p[u"at_period_low"_s].toBool();
            soldOut += !p[u"in_stock"_s].toBool(true);
        }
        QCOMPARE(categories, (QSet<QString>{u"codex"_s, u"grok"_s, u"claude"_s, u"gemini"_s, u"cursor"_s,
                                            u"sms"_s, u"llm_api"_s, u"other"_s}));
        QCOMPARE(units, (QSet<QString>{u"item"_s, u"month"_s, u"1M_tokens"_s}));
        QCOMPARE(currencies, (QSet<QString>{u"CNY"_s, u"USD"_s}));
        QCOMPARE(stockTypes, (QSet<QString>{u"string"_s, u"number"_s, u"none"_s}));
        for (const QString& key : {u"free"_s, u"plus"_s, u"pro"_s, u"unknown"_s, u"m12"_s, u"m3"_s, u"y1"_s})
            QVERIFY2(subtypes.contains(key), qPrintable(key));
        QVERIFY(inactive > 0 && moved > 0 && fresh > 0 && atLow > 0 && soldOut > 0);
        QCOMPARE(allProducts().size(), everything.size() - inactive);

        const QJsonArray history =
            http->get(u"/v1/products/%1/history"_s.arg(everything[0][u"id"_s].toInteger()),
                      {{u"limit"_s, u"100"_s}})
                .items();
        QVERIFY(history.size() >= 30 || everything[0][u"is_new"_s].toBool());

        QSet<QString> statuses;
        for (const QJsonValue& run : http->get(u"/v1/scrape-runs"_s, {{u"limit"_s, u"100"_s}}).items())
            statuses.insert(run[u"status"_s].toString());
        QCOMPARE(statuses, (QSet<QString>{u"running"_s, u"success"_s, u"partial"_s, u"failed"_s}));
    }

    void sameSeedSameCatalogue() {
        DemoServer twin(DemoServer::Options{.seed = 1, .anchor = anchor});
        DemoServer other(DemoServer::Options{.seed = 2, .anchor = anchor});
        QVERIFY(twin.listen() && other.listen());
        HttpClient twinHttp(twin.baseUrl()), otherHttp(other.baseUrl());
        const Query query{{u"limit"_s, u"500"_s}, {u"offset"_s, u"0"_s}, {u"sort"_s, u"price"_s}};
        auto names = [&](HttpClient& client) {
            QStringList result;
            for (const QJsonValue& p : client.get(u"/v1/products"_s, query).items())
                result.append(p[u"name"_s].toString() + p[u"price"_s].toString() +
                              p[u"first_seen_at"_s].toString());
            return result;
        };
        const QStringList mine = names(*http);
        QCOMPARE(names(twinHttp), mine);
        QVERIFY(names(otherHttp) != mine);
    }

    // The replies must decode with the client's own coders: any key drift fails here.
    void repliesDecodeAsTheClientsRecords() {
        try {
            const auto products = APIJSON::decode<ItemList<Product>>(
                http->get(u"/v1/products"_s, {{u"limit"_s, u"500"_s}, {u"active"_s, u"0"_s}}).body);
            QVERIFY(products.items.size() >= 300);
            const Product& first = products.items.first();
            QVERIFY(first.price && first.source && first.metadata && first.goodwill && first.capturedAt);
            QVERIFY(!first.my); // no token, no marks
            APIJSON::decode<ItemList<Source>>(http->get(u"/v1/sources"_s).body);
            APIJSON::decode<ItemList<ProductCategory>>(http->get(u"/v1/categories"_s).body);
            APIJSON::decode<ItemList<ScrapeRun>>(
                http->get(u"/v1/scrape-runs"_s, {{u"limit"_s, u"50"_s}}).body);
            APIJSON::decode<ItemList<PriceChange>>(
                http->get(u"/v1/prices/changes"_s, {{u"limit"_s, u"50"_s}}).body);
            const auto history = APIJSON::decode<ItemList<PriceSnapshot>>(
                http->get(u"/v1/products/%1/history"_s.arg(first.id), {{u"limit"_s, u"40"_s}}).body);
            QVERIFY(!history.items.isEmpty());
            QCOMPARE(history.items.last().price, *first.price);
            QCOMPARE(APIJSON::decode<Health>(http->get(u"/health"_s).body).status, u"ok"_s);

            auto admin = signIn(server->adminAccount());
            APIJSON::decode<UserEnvelope>(admin->get(u"/v1/me"_s).body);
            APIJSON::decode<ItemList<User>>(admin->get(u"/v1/admin/users"_s, {{u"limit"_s, u"50"_s}}).body);
            APIJSON::decode<ItemList<RedeemCode>>(
                admin->get(u"/v1/admin/codes"_s, {{u"limit"_s, u"50"_s}}).body);
            APIJSON::decode<ItemList<Reaction>>(
                admin->get(u"/v1/admin/reports"_s, {{u"limit"_s, u"50"_s}}).body);
            APIJSON::decode<ItemList<Reaction>>(
                signIn(server->userAccount())->get(u"/v1/me/favorites"_s, {{u"limit"_s, u"200"_s}}).body);
            http->apiKey = server->apiKey();
            APIJSON::decode<ScrapeResult>(http->send("POST", u"/v1/scrape/aurora-keys"_s).body);
        } catch (const APIJSON::DecodingError& error) {
            QFAIL(qPrintable(error.message()));
        }
    }

    void pagesSplitTheListWithoutGapsOrRepeats() {
        const QList<qint64> whole = ids(allProducts());
        QList<qint64> paged;
        for (int offset = 0;; offset += 37) {
            const QJsonArray page =
                http->get(u"/v1/products"_s, {{u"limit"_s, u"37"_s}, {u"offset"_s, QString::number(offset)}})
                    .items();
            paged += ids(page);
            if (page.size() < 37)
                break;
        }
        QCOMPARE(paged, whole);
        QCOMPARE(
            http->get(u"/v1/products"_s, {{u"limit"_s, u"10"_s}, {u"offset"_s, u"100000"_s}}).items().size(),
            0);
        QCOMPARE(http->get(u"/v1/products"_s, {{u"limit"_s, u"0"_s}, {u"offset"_s, u"0"_s}}).items().size(),
                 0);
        QCOMPARE(http->get(u"/v1/products"_s).items().size(), 50); // the default page
        for (const Query& bad : {Query{{u"limit"_s, u"ten"_s}}, Query{{u"offset"_s, u"-1"_s}},
                                 Query{{u"sort"_s, u"random"_s}}, Query{{u"order"_s, u"sideways"_s}}}) {
            const Response r = http->get(u"/v1/products"_s, bad);
            QCOMPARE(r.status, 400);
            QVERIFY(!r.errorText().isEmpty());
        }
    }

    void sortsOrderByTheirKeyInBothDirections() {
        auto monotonic = [](const QJsonArray& items, auto key, bool ascending) {
            for (qsizetype i = 1; i < items.size(); ++i) {
                const auto a = key(items[i - 1]), b = key(items[i]);
                if (ascending ? a > b : a < b)
                    return false;
            }
            return true;
        };
        auto price = [](const QJsonValue& p) { return number(p[u"price"_s]); };
        auto seen = [](const QJsonValue& p) { return p[u"last_seen_at"_s].toString(); };
        auto goodwill = [](const QJsonValue& p) { return p[u"goodwill"_s].toInteger(); };

        QVERIFY(monotonic(allProducts({{u"sort"_s, u"price"_s}, {u"order"_s, u"asc"_s}}), price, true));
        QVERIFY(monotonic(allProducts({{u"sort"_s, u"price"_s}, {u"order"_s, u"desc"_s}}), price, false));
        QVERIFY(monotonic(allProducts({{u"sort"_s, u"last_seen"_s}, {u"order"_s, u"desc"_s}}), seen, false));
        QVERIFY(monotonic(allProducts(), goodwill, false));
        QCOMPARE(allProducts({{u"sort"_s, u"value"_s}}).size(), allProducts().size());

        // Products that never changed price go last in either direction.
        for (const QString& order : {u"asc"_s, u"desc"_s}) {
            const QJsonArray list = allProducts({{u"sort"_s, u"change_pct"_s}, {u"order"_s, order}});
            QJsonArray changed;
            bool absentSeen = false;
            for (const QJsonValue& p : list) {
                if (!p[u"change_pct"_s].isDouble()) {
                    absentSeen = true;
                    continue;
                }
                QVERIFY2(!absentSeen, "a product with a change came after one without");
                changed.append(p);
            }
            QVERIFY(changed.size() > 10);
            QVERIFY(monotonic(
                changed, [](const QJsonValue& p) { return p[u"change_pct"_s].toDouble(); },
                order == u"asc"_s));
        }
    }

    void filtersNarrowTheList() {
        for (const QJsonValue& p : allProducts({{u"source"_s, u"quartz-api"_s}}))
            QCOMPARE(p[u"source"_s][u"slug"_s].toString(), u"quartz-api"_s);
        QVERIFY(!allProducts({{u"source"_s, u"quartz-api"_s}}).isEmpty());
        QCOMPARE(allProducts({{u"source"_s, u"no-such-shop"_s}}).size(), 0);

        const QJsonArray grokYear = allProducts({{u"category"_s, u"grok"_s}, {u"subtype"_s, u"y1"_s}});
        QVERIFY(!grokYear.isEmpty());
        for (const QJsonValue& p : grokYear) {
            QCOMPARE(p[u"category"_s].toString(), u"grok"_s);
            QCOMPARE(p[u"metadata"_s][u"subtype"_s].toString(), u"y1"_s);
        }
        const int categoryCount = http->get(u"/v1/categories"_s)
                                      .items()
                                      .at(1)[u"count"_s]
                                      .toInt(); // "grok" is second in browse order
        QCOMPARE(allProducts({{u"category"_s, u"grok"_s}}).size(), categoryCount);

        const QJsonArray searched = allProducts({{u"q"_s, u"supergrok"_s}});
        QVERIFY(!searched.isEmpty());
        for (const QJsonValue& p : searched)
            QVERIFY(p[u"name"_s].toString().contains(u"SuperGrok"_s));
        // Encoded fully, "+" arrives as itself rather than as a blank.
        QCOMPARE(allProducts({{u"q"_s, u"c++"_s}}).size(), 0);
        QVERIFY(server->requests().last().rawQuery.contains("q=c%2B%2B"));
        QCOMPARE(server->requests().last().queryValue(u"q"_s), std::optional(u"c++"_s));

        // The disabled shop's products are listed only when inactive ones are asked for.
        const QString disabled = server->disabledShopSlug();
        QCOMPARE(allProducts({{u"source"_s, disabled}}).size(), 0);
        const QJsonArray old = allProducts({{u"source"_s, disabled}, {u"active"_s, u"0"_s}});
        QVERIFY(!old.isEmpty());
        for (const QJsonValue& p : old)
            QVERIFY(!p[u"is_active"_s].toBool());
    }

    void credentialsAreCheckedWhereRequired() {
        Response r = http->get(u"/v1/me"_s);
        QCOMPARE(r.status, 401);
        QVERIFY(!r.errorText().isEmpty());
        http->token = u"forged"_s;
        QCOMPARE(http->get(u"/v1/me"_s).status, 401);
        // A token that is not valid is refused even where none is needed.
        QCOMPARE(http->get(u"/v1/products"_s).status, 401);
        http->token.clear();
        QCOMPARE(http->get(u"/v1/products"_s).status, 200);
        QCOMPARE(http->send("POST", u"/v1/reactions"_s, {{"kind", "favorite"}}).status, 401);
        QCOMPARE(http->send("POST", u"/v1/sources/requests"_s, {{"url", "https://x.example"}}).status, 401);

        r = http->send("POST", u"/v1/auth/login"_s, {{"username", "demo"}, {"password", "wrong-one"}});
        QCOMPARE(r.status, 401);
        QVERIFY(!r.errorText().isEmpty());

        auto user = signIn(server->userAccount());
        QCOMPARE(user->get(u"/v1/me"_s).object()[u"user"_s][u"username"_s].toString(), u"demo"_s);
        r = user->get(u"/v1/admin/users"_s);
        QCOMPARE(r.status, 403);
        QVERIFY(!r.errorText().isEmpty());
        QCOMPARE(user->send("POST", u"/v1/admin/codes"_s).status, 403);

        auto admin = signIn(server->adminAccount());
        QCOMPARE(admin->get(u"/v1/admin/users"_s).status, 200);

        // Logging out revokes the token; logging out again, or without one, still succeeds.
        QCOMPARE(user->send("POST", u"/v1/auth/logout"_s).status, 200);
        QCOMPARE(user->get(u"/v1/me"_s).status, 401);
        QCOMPARE(user->send("POST", u"/v1/auth/logout"_s).status, 200);
        QCOMPARE(http->send("POST", u"/v1/auth/logout"_s).status, 200);
        QCOMPARE(admin->get(u"/v1/me"_s).status, 200);
        server->expireSessions();
        QCOMPARE(admin->get(u"/v1/me"_s).status, 401);

        // Scrapes take the API key and nothing else.
        auto scrape = [&](const QString& key) {
            HttpClient client(server->baseUrl());
            client.apiKey = key;
            client.token = signIn(server->adminAccount())->token;
            return client.send("POST", u"/v1/scrape/aurora-keys"_s);
        };
        QCOMPARE(scrape({}).status, 401);
        r = scrape(u"wrong-key"_s);
        QCOMPARE(r.status, 401);
        QVERIFY(!r.errorText().isEmpty());
        QCOMPARE(scrape(server->apiKey()).status, 200);
    }

    void registrationFollowsTheClientsRules() {
        auto reg = [&](const QString& name, const QString& password, const QJsonValue& code = {}) {
            QJsonObject body{{"username", name}, {"password", password}};
            if (!code.isNull())
                body.insert("redeem_code", code);
            return http->send("POST", u"/v1/auth/register"_s, body);
        };
        QCOMPARE(reg(u"ab"_s, u"secret1"_s).status, 400);
        QCOMPARE(reg(QString(33, u'a'), u"secret1"_s).status, 400);
        QCOMPARE(reg(u"a-b-c"_s, u"secret1"_s).status, 400);
        QCOMPARE(reg(u"a b c"_s, u"secret1"_s).status, 400);
        QCOMPARE(reg(u"valid_name"_s, u"12345"_s).status, 400);
        QCOMPARE(reg(u"valid_name"_s, QString(73, u'x')).status, 400);
        QCOMPARE(reg(u"demo"_s, u"secret1"_s).status, 409);

        Response r =
            reg(u"  小明明  "_s, u"      "_s); // trimmed name of three Chinese characters, six blanks
        QCOMPARE(r.status, 201);
        QCOMPARE(r.object()[u"user"_s][u"username"_s].toString(), u"小明明"_s);
        QCOMPARE(r.object()[u"user"_s][u"role"_s].toString(), u"user"_s);
        QVERIFY(!r.object()[u"token"_s].toString().isEmpty());
        QVERIFY(!r.object().contains(u"redeem_warning"_s));

        r = reg(u"with_code"_s, u"secret1"_s, server->unusedRedeemCode());
        QCOMPARE(r.status, 201);
        QCOMPARE(r.object()[u"user"_s][u"role"_s].toString(), u"member"_s);
        QVERIFY(r.object()[u"user"_s][u"is_member"_s].toBool());
        QVERIFY(!r.object().contains(u"redeem_warning"_s));

        int warned = 0;
        for (const QString& unusable : {u"NO-SUCH-CODE"_s, u"VIP-USED-01"_s, u"EXPIRED-2025"_s}) {
            r = reg(u"warned_%1"_s.arg(++warned), u"secret1"_s, unusable);
            QCOMPARE(r.status, 201);
            QCOMPARE(r.object()[u"user"_s][u"role"_s].toString(), u"user"_s);
            QVERIFY2(!r.object()[u"redeem_warning"_s].toString().isEmpty(), qPrintable(unusable));
        }

        // The code's use was counted, and redeeming works after registration too.
        auto admin = signIn(server->adminAccount());
        const QJsonArray codes = admin->get(u"/v1/admin/codes"_s, {{u"limit"_s, u"50"_s}}).items();
        for (const QJsonValue& c : codes)
            if (c[u"code"_s] == server->unusedRedeemCode())
                QCOMPARE(c[u"used_count"_s].toInt(), 1);
        auto plain = signUp(u"plain_user"_s);
        QCOMPARE(plain->send("POST", u"/v1/me/redeem"_s, {{"code", "VIP-USED-01"}}).status, 400);
        r = plain->send("POST", u"/v1/me/redeem"_s, {{"code", server->unusedRedeemCode()}});
        QCOMPARE(r.status, 200);
        QCOMPARE(r.object()[u"user"_s][u"role"_s].toString(), u"member"_s);
    }

    void knownShopsConflict() {
        auto user = signIn(server->userAccount());
        Response r = user->send("POST", u"/v1/sources/requests"_s,
                                {{"url", "https://www.aurora-keys.example/some/page"}, {"name", "Aurora"}});
        QCOMPARE(r.status, 409);
        QVERIFY(!r.errorText().isEmpty());
        QCOMPARE(r.object()[u"item"_s][u"slug"_s].toString(), u"aurora-keys"_s);

        QCOMPARE(user->send("POST", u"/v1/sources/requests"_s, {{"url", "not a url"}}).status, 400);

        r = user->send("POST", u"/v1/sources/requests"_s, {{"url", "https://new-shop.example/store"}});
        QCOMPARE(r.status, 201);
        const QJsonObject created = r.object()[u"item"_s].toObject();
        QCOMPARE(created[u"included"_s].toBool(true), false);
        QCOMPARE(created[u"requested_by"_s].toString(), u"demo"_s);
        QCOMPARE(created[u"name"_s].toString(), u"new-shop.example"_s);
        QCOMPARE(http->get(u"/v1/sources"_s, {{u"included"_s, u"0"_s}}).items().size(), 2);

        // Asked for twice: the second request names the pending one.
        r = signUp(u"someone_else"_s)
                ->send("POST", u"/v1/sources/requests"_s, {{"url", "http://new-shop.example"}});
        QCOMPARE(r.status, 409);
        QCOMPARE(r.object()[u"item"_s][u"slug"_s].toString(), created[u"slug"_s].toString());

        // A shop not taken in cannot be scraped.
        http->apiKey = server->apiKey();
        QCOMPARE(http->send("POST", u"/v1/scrape/"_s + created[u"slug"_s].toString()).status, 409);
        QCOMPARE(http->send("POST", u"/v1/scrape/nowhere"_s).status, 404);
    }

    void reactionsShowInTheCallersOwnFlags() {
        auto alice = signUp(u"alice"_s);
        auto bob = signUp(u"bob_b"_s);
        const QJsonArray page = alice->get(u"/v1/products"_s, {{u"limit"_s, u"3"_s}}).items();
        const qint64 liked = page[0][u"id"_s].toInteger();
        const qint64 disliked = page[1][u"id"_s].toInteger();
        const qint64 scoreBefore = page[0][u"favorite_score"_s].toInteger();
        for (const QJsonValue& p : page)
            QCOMPARE(p[u"my"_s].toObject(),
                     (QJsonObject{{"favorite", false}, {"down", false}, {"report", false}}));

        auto react = [](HttpClient& c, const QByteArray& method, const QJsonObject& body) {
            return c.send(method, u"/v1/reactions"_s, body);
        };
        Response r =
            react(*alice, "POST", {{"kind", "favorite"}, {"target_type", "product"}, {"product_id", liked}});
        QCOMPARE(r.status, 200);
        QCOMPARE(r.object()[u"item"_s][u"product"_s][u"id"_s].toInteger(), liked);
        QCOMPARE(
            react(*alice, "POST", {{"kind", "down"}, {"target_type", "product"}, {"product_id", disliked}})
                .status,
            200);
        QCOMPARE(react(*alice, "POST",
                       {{"kind", "report"},
                        {"target_type", "product"},
                        {"product_id", disliked},
                        {"note", "链接失效了"}})
                     .status,
                 200);
        QCOMPARE(
            react(*alice, "POST", {{"kind", "favorite"}, {"target_type", "source"}, {"source", "quartz-api"}})
                .status,
            200);
        // A repeated mark is the same mark.
        QCOMPARE(
            react(*alice, "POST", {{"kind", "favorite"}, {"target_type", "product"}, {"product_id", liked}})
                .status,
            200);

        QCOMPARE(react(*alice, "POST", {{"kind", "love"}, {"target_type", "product"}, {"product_id", liked}})
                     .status,
                 400);
        QCOMPARE(
            react(*alice, "POST", {{"kind", "favorite"}, {"target_type", "product"}, {"product_id", "12"}})
                .status,
            400);
        QCOMPARE(
            react(*alice, "POST", {{"kind", "favorite"}, {"target_type", "product"}, {"product_id", 999999}})
                .status,
            404);
        QCOMPARE(react(*alice, "POST", {{"kind", "favorite"}, {"target_type", "source"}, {"source", "nope"}})
                     .status,
                 404);
        QCOMPARE(alice->sendRaw("POST", u"/v1/reactions"_s, "{not json").status, 400);

        QJsonObject mine = alice->get(u"/v1/products/%1"_s.arg(liked)).object();
        QCOMPARE(mine[u"my"_s].toObject(),
                 (QJsonObject{{"favorite", true}, {"down", false}, {"report", false}}));
        QCOMPARE(mine[u"favorite_score"_s].toInteger(), scoreBefore + 1);
        QCOMPARE(alice->get(u"/v1/products/%1"_s.arg(disliked)).object()[u"my"_s].toObject(),
                 (QJsonObject{{"favorite", false}, {"down", true}, {"report", true}}));
        // Someone else's marks are not mine, and anonymous callers get no flags at all.
        QCOMPARE(bob->get(u"/v1/products/%1"_s.arg(liked)).object()[u"my"_s][u"favorite"_s].toBool(true),
                 false);
        QVERIFY(!http->get(u"/v1/products/%1"_s.arg(liked)).object().contains(u"my"_s));

        const QJsonArray favorites = alice->get(u"/v1/me/favorites"_s, {{u"limit"_s, u"200"_s}}).items();
        QCOMPARE(favorites.size(), 2);
        const QJsonArray products =
            alice->get(u"/v1/me/favorites"_s, {{u"type"_s, u"product"_s}, {u"limit"_s, u"200"_s}}).items();
        QCOMPARE(products.size(), 1);
        QCOMPARE(products[0][u"product"_s][u"id"_s].toInteger(), liked);
        QCOMPARE(products[0][u"product"_s][u"my"_s][u"favorite"_s].toBool(), true);
        const QJsonArray shops =
            alice->get(u"/v1/me/favorites"_s, {{u"type"_s, u"source"_s}, {u"limit"_s, u"100"_s}}).items();
        QCOMPARE(shops.size(), 1);
        QCOMPARE(shops[0][u"source"_s][u"slug"_s].toString(), u"quartz-api"_s);
        QCOMPARE(shops[0][u"target_type"_s].toString(), u"source"_s);

        const QJsonArray reports =
            signIn(server->adminAccount())->get(u"/v1/admin/reports"_s, {{u"limit"_s, u"50"_s}}).items();
        QCOMPARE(reports[0][u"note"_s].toString(), u"链接失效了"_s);
        QCOMPARE(reports[0][u"product"_s][u"id"_s].toInteger(), disliked);

        QCOMPARE(
            react(*alice, "DELETE", {{"kind", "favorite"}, {"target_type", "product"}, {"product_id", liked}})
                .status,
            200);
        mine = alice->get(u"/v1/products/%1"_s.arg(liked)).object();
        QCOMPARE(mine[u"my"_s][u"favorite"_s].toBool(true), false);
        QCOMPARE(mine[u"favorite_score"_s].toInteger(), scoreBefore);
        QCOMPARE(alice->get(u"/v1/me/favorites"_s, {{u"type"_s, u"product"_s}}).items().size(), 0);
    }

    void favouritesPageAndSort() {
        auto carol = signUp(u"carol"_s);
        const QJsonArray page = carol->get(u"/v1/products"_s, {{u"limit"_s, u"6"_s}}).items();
        for (const QJsonValue& p : page)
            carol->send("POST", u"/v1/reactions"_s,
                        {{"kind", "favorite"}, {"target_type", "product"}, {"product_id", p[u"id"_s]}});
        const QJsonArray byPrice = carol
                                       ->get(u"/v1/me/favorites"_s, {{u"type"_s, u"product"_s},
                                                                     {u"sort"_s, u"price"_s},
                                                                     {u"order"_s, u"desc"_s},
                                                                     {u"limit"_s, u"200"_s}})
                                       .items();
        QCOMPARE(byPrice.size(), 6);
        for (qsizetype i = 1; i < byPrice.size(); ++i)
            QVERIFY(number(byPrice[i - 1][u"product"_s][u"price"_s]) >=
                    number(byPrice[i][u"product"_s][u"price"_s]));
        const QJsonArray second = carol
                                      ->get(u"/v1/me/favorites"_s, {{u"type"_s, u"product"_s},
                                                                    {u"sort"_s, u"price"_s},
                                                                    {u"order"_s, u"desc"_s},
                                                                    {u"limit"_s, u"4"_s},
                                                                    {u"offset"_s, u"4"_s}})
                                      .items();
        QCOMPARE(ids(second), ids(byPrice).mid(4));
        QCOMPARE(carol->get(u"/v1/me/favorites"_s, {{u"type"_s, u"shops"_s}}).status, 400);
    }

    void administratorsManageUsersAndCodes() {
        auto admin = signIn(server->adminAccount());
        QJsonArray users =
            admin->get(u"/v1/admin/users"_s, {{u"q"_s, u"DEM"_s}, {u"limit"_s, u"50"_s}}).items();
        QCOMPARE(users.size(), 1);
        const qint64 demoId = users[0][u"id"_s].toInteger();
        QCOMPARE(admin->get(u"/v1/admin/users"_s, {{u"limit"_s, u"2"_s}}).items().size(), 2);

        QCOMPARE(admin->send("PATCH", u"/v1/admin/users/%1"_s.arg(demoId), {{"role", "emperor"}}).status,
                 400);
        QCOMPARE(admin->send("PATCH", u"/v1/admin/users/999999"_s, {{"role", "member"}}).status, 404);
        Response r = admin->send("PATCH", u"/v1/admin/users/%1"_s.arg(demoId), {{"role", "admin"}});
        QCOMPARE(r.status, 200);
        QCOMPARE(r.object()[u"user"_s][u"is_admin"_s].toBool(), true);
        QCOMPARE(signIn(server->userAccount())->get(u"/v1/admin/reports"_s).status, 200);

        r = admin->send("POST", u"/v1/admin/codes"_s, {});
        QCOMPARE(r.status, 201);
        const QJsonObject chosen = r.object()[u"item"_s].toObject();
        QVERIFY(chosen[u"code"_s].toString().size() >= 8);
        QCOMPARE(chosen[u"max_uses"_s].toInt(), 1);
        QCOMPARE(chosen[u"used_count"_s].toInt(), 0);
        r = admin->send(
            "POST", u"/v1/admin/codes"_s,
            {{"code", "SPRING"}, {"max_uses", 3}, {"note", "活动"}, {"expires_at", "2030-01-01T00:00:00Z"}});
        QCOMPARE(r.status, 201);
        QCOMPARE(r.object()[u"item"_s][u"expires_at"_s].toString(), u"2030-01-01T00:00:00Z"_s);
        QCOMPARE(admin->send("POST", u"/v1/admin/codes"_s, {{"code", "spring"}}).status, 409);
        QCOMPARE(admin->send("POST", u"/v1/admin/codes"_s, {{"expires_at", "2030-01-01"}}).status, 400);
        QCOMPARE(admin->send("POST", u"/v1/admin/codes"_s, {{"max_uses", 0}}).status, 400);
        const QJsonArray codes = admin->get(u"/v1/admin/codes"_s, {{u"limit"_s, u"2"_s}}).items();
        QCOMPARE(codes[0][u"code"_s].toString(), u"SPRING"_s); // newest first
        QCOMPARE(codes[1][u"code"_s].toString(), chosen[u"code"_s].toString());

        auto newcomer = signUp(u"newcomer"_s);
        QCOMPARE(newcomer->send("POST", u"/v1/me/redeem"_s, {{"code", chosen[u"code"_s]}}).status, 200);
        QCOMPARE(
            signUp(u"latecomer"_s)->send("POST", u"/v1/me/redeem"_s, {{"code", chosen[u"code"_s]}}).status,
            400);
    }

    void scrapesMovePricesAndWriteRuns() {
        const QJsonArray before = allProducts({{u"source"_s, u"pebble-shop"_s}});
        const qint64 lastRun =
            http->get(u"/v1/scrape-runs"_s, {{u"limit"_s, u"1"_s}}).items()[0][u"id"_s].toInteger();
        http->apiKey = server->apiKey();
        const Response r = http->send("POST", u"/v1/scrape/pebble-shop"_s);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.object()[u"status"_s].toString(), u"success"_s);
        const QJsonArray after = allProducts({{u"source"_s, u"pebble-shop"_s}});
        QCOMPARE(r.object()[u"items_upserted"_s].toInt(), after.size());
        QVERIFY(after.size() >= before.size());

        const QJsonObject run = http->get(u"/v1/scrape-runs"_s, {{u"limit"_s, u"1"_s}}).items()[0].toObject();
        QCOMPARE(run[u"id"_s].toInteger(), r.object()[u"run_id"_s].toInteger());
        QVERIFY(run[u"id"_s].toInteger() > lastRun);
        QCOMPARE(run[u"source_slug"_s].toString(), u"pebble-shop"_s);

        QHash<qint64, QJsonObject> old;
        for (const QJsonValue& p : before)
            old.insert(p[u"id"_s].toInteger(), p.toObject());
        int changed = 0;
        for (const QJsonValue& p : after) {
            if (!old.contains(p[u"id"_s].toInteger())) { // listed for the first time
                QVERIFY(p[u"is_new"_s].toBool());
                QVERIFY(!p.toObject().contains(u"change_pct"_s));
                continue;
            }
            const QJsonObject was = old.value(p[u"id"_s].toInteger());
            if (p[u"price"_s] == was[u"price"_s])
                continue;
            ++changed;
            QCOMPARE(p[u"old_price"_s], was[u"price"_s]);
            const double expected =
                (number(p[u"price"_s]) - number(was[u"price"_s])) / number(was[u"price"_s]) * 100;
            QVERIFY(qAbs(p[u"change_pct"_s].toDouble() - expected) < 0.01);
            const QJsonArray history =
                http->get(u"/v1/products/%1/history"_s.arg(p[u"id"_s].toInteger()), {{u"limit"_s, u"2"_s}})
                    .items();
            QCOMPARE(history.size(), 2);
            QCOMPARE(history[0][u"price"_s], was[u"price"_s]);
            QCOMPARE(history[1][u"price"_s], p[u"price"_s]);
        }
        QVERIFY(changed > 0);
        const QJsonObject latest =
            http->get(u"/v1/prices/changes"_s, {{u"limit"_s, u"1"_s}}).items()[0].toObject();
        QCOMPARE(latest[u"source"_s][u"slug"_s].toString(), u"pebble-shop"_s);

        // The disabled shop's scrape fails as a run; scraping everything skips it.
        const Response failed = http->send("POST", u"/v1/scrape/"_s + server->disabledShopSlug());
        QCOMPARE(failed.status, 200);
        QCOMPARE(failed.object()[u"status"_s].toString(), u"failed"_s);
        QVERIFY(!failed.object()[u"error"_s].toString().isEmpty());
        const Response all = http->send("POST", u"/v1/scrape"_s);
        QCOMPARE(all.status, 200);
        QCOMPARE(all.object()[u"status"_s].toString(), u"success"_s);
        QCOMPARE(all.object()[u"items_upserted"_s].toInt(), allProducts().size());
    }

    void unknownPathsAndMethods() {
        Response r = http->get(u"/v1/nothing-here"_s);
        QCOMPARE(r.status, 404);
        QVERIFY(!r.errorText().isEmpty());
        QCOMPARE(http->get(u"/v1/products/abc"_s).status, 404);
        QCOMPARE(http->get(u"/v1/products/999999"_s).status, 404);
        QCOMPARE(http->send("DELETE", u"/v1/products"_s).status, 405);
        QCOMPARE(http->send("POST", u"/health"_s).status, 405);
    }
};

QTEST_GUILESS_MAIN(TestDemoServerApi)
#include "tst_DemoServerApi.moc"
