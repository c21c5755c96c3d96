#include "DemoServer.h"
#include "HttpClient.h"

#include <QSet>
#include <QTest>

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

// Whether key never goes the wrong way along the list.
template <typename Key>
bool ordered(const QJsonArray& items, Key key, bool ascending) {
    for (qsizetype i = 1; i < items.size(); ++i) {
        const auto a = key(items[i - 1]), b = key(items[i]);
        if (ascending ? a > b : a < b)
            return false;
    }
    return true;
}

} // namespace

// What the other suites take from the demo server without checking it themselves: the seeded
// catalogue's variety, listing parameters the client passes through, credentials and marks.
class TestDemoServerApi : public QObject {
    Q_OBJECT

    std::unique_ptr<DemoServer> server;
    std::unique_ptr<HttpClient> http;

    // A client signed in, or first registered, with its own token.
    std::unique_ptr<HttpClient> signIn(const Credentials& who, const QString& path = u"/v1/auth/login"_s) {
        auto client = std::make_unique<HttpClient>(server->baseUrl());
        const Response r =
            client->send("POST", path, {{"username", who.username}, {"password", who.password}});
        client->token = r.object()[u"token"_s].toString();
        return client;
    }

    std::unique_ptr<HttpClient> signUp(const QString& name) {
        return signIn({name, u"secret1"_s}, u"/v1/auth/register"_s);
    }

    QJsonArray allProducts(const Query& extra = {}, HttpClient* client = nullptr) {
        Query query{{u"limit"_s, u"500"_s}};
        return (client ? client : http.get())->get(u"/v1/products"_s, query + extra).items();
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

    void seededCatalogueHasEveryCaseAndRepeatsPerSeed() {
        const QJsonArray pending = http->get(u"/v1/sources"_s, {{u"included"_s, u"0"_s}}).items();
        QCOMPARE(pending.size(), 1);
        QCOMPARE(pending[0][u"slug"_s].toString(), server->pendingShopSlug());

        const QJsonArray everything = allProducts({{u"active"_s, u"0"_s}});
        int inactive = 0, moved = 0, fresh = 0, atLow = 0, soldOut = 0;
        for (const QJsonValue& p : everything) {
            inactive += !p[u"is_active"_s].toBool();
            moved += p[u"is_moved"_s].toBool();
            fresh += p[u"is_new"_s].toBool();
            atLow += p[u"at_period_low"_s].toBool();
            soldOut += !p[u"in_stock"_s].toBool(true);
        }
        QVERIFY(inactive > 0 && moved > 0 && fresh > 0 && atLow > 0 && soldOut > 0);
        QCOMPARE(allProducts().size(), everything.size() - inactive);
        // Only the disabled shop's products are inactive.
        QCOMPARE(allProducts({{u"source"_s, server->disabledShopSlug()}}).size(), 0);
        QCOMPARE(allProducts({{u"source"_s, server->disabledShopSlug()}, {u"active"_s, u"0"_s}}).size(),
                 inactive);

        const auto catalogue = [](quint64 seed) {
            DemoServer other(DemoServer::Options{.seed = seed, .anchor = anchor});
            other.listen();
            QStringList result;
            for (const QJsonValue& p : HttpClient(other.baseUrl()).get(u"/v1/products"_s).items())
                result.append(p[u"name"_s].toString() + p[u"price"_s].toString());
            return result;
        };
        QCOMPARE(catalogue(1), catalogue(1));
        QVERIFY(catalogue(1) != catalogue(2));
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
    }

    void sortsAndFiltersNarrowAndOrder() {
        const auto price = [](const QJsonValue& p) { return number(p[u"price"_s]); };
        QVERIFY(ordered(allProducts({{u"sort"_s, u"price"_s}, {u"order"_s, u"asc"_s}}), price, true));
        QVERIFY(ordered(allProducts({{u"sort"_s, u"price"_s}, {u"order"_s, u"desc"_s}}), price, false));
        // Products that never changed price go last in either direction.
        for (const QString& order : {u"asc"_s, u"desc"_s}) {
            QJsonArray changed;
            bool absentSeen = false;
            for (const QJsonValue& p : allProducts({{u"sort"_s, u"change_pct"_s}, {u"order"_s, order}})) {
                if (!p[u"change_pct"_s].isDouble()) {
                    absentSeen = true;
                    continue;
                }
                QVERIFY2(!absentSeen, "a product with a change came after one without");
                changed.append(p);
            }
            QVERIFY(changed.size() > 10);
            const auto change = [](const QJsonValue& p) { return p[u"change_pct"_s].toDouble(); };
            QVERIFY(ordered(changed, change, order == u"asc"_s));
        }

        const QJsonArray grokYear = allProducts({{u"category"_s, u"grok"_s}, {u"subtype"_s, u"y1"_s}});
        QVERIFY(!grokYear.isEmpty());
        for (const QJsonValue& p : grokYear)
            QVERIFY(p[u"category"_s] == u"grok"_s && p[u"metadata"_s][u"subtype"_s] == u"y1"_s);
        const QJsonArray searched = allProducts({{u"q"_s, u"supergrok"_s}});
        QVERIFY(!searched.isEmpty());
        for (const QJsonValue& p : searched)
            QVERIFY(p[u"name"_s].toString().contains(u"SuperGrok"_s));
        // Encoded fully, "+" arrives as itself rather than as a blank.
        QCOMPARE(allProducts({{u"q"_s, u"c++"_s}}).size(), 0);
        QCOMPARE(server->requests().last().queryValue(u"q"_s), std::optional(u"c++"_s));
    }

    void credentialsAreCheckedWhereRequired() {
        QCOMPARE(http->get(u"/v1/me"_s).status, 401);
        http->token = u"forged"_s;
        // A token that is not valid is refused even where none is needed.
        QCOMPARE(http->get(u"/v1/products"_s).status, 401);
        http->token.clear();
        QCOMPARE(http->send("POST", u"/v1/reactions"_s, {{"kind", "favorite"}}).status, 401);
        QCOMPARE(
            http->send("POST", u"/v1/auth/login"_s, {{"username", "demo"}, {"password", "wrong-one"}}).status,
            401);

        auto user = signIn(server->userAccount());
        QCOMPARE(user->get(u"/v1/admin/users"_s).status, 403);
        auto admin = signIn(server->adminAccount());
        QCOMPARE(admin->get(u"/v1/admin/users"_s).status, 200);

        // Logging out revokes that token only; expiry revokes them all.
        QCOMPARE(user->send("POST", u"/v1/auth/logout"_s).status, 200);
        QCOMPARE(user->get(u"/v1/me"_s).status, 401);
        QCOMPARE(admin->get(u"/v1/me"_s).status, 200);
        server->expireSessions();
        QCOMPARE(admin->get(u"/v1/me"_s).status, 401);

        // Scrapes take the API key and nothing else.
        http->token = signIn(server->adminAccount())->token;
        QCOMPARE(http->send("POST", u"/v1/scrape/aurora-keys"_s).status, 401);
        http->apiKey = u"wrong-key"_s;
        QCOMPARE(http->send("POST", u"/v1/scrape/aurora-keys"_s).status, 401);
        http->apiKey = server->apiKey();
        QCOMPARE(http->send("POST", u"/v1/scrape/aurora-keys"_s).status, 200);
    }

    void marksAreTheCallersOwn() {
        const auto star = [](HttpClient& client, const QByteArray& method, const QJsonValue& id) {
            return client.send(method, u"/v1/reactions"_s,
                               {{"kind", "favorite"}, {"target_type", "product"}, {"product_id", id}});
        };
        auto alice = signUp(u"alice"_s);
        auto bob = signUp(u"bob_b"_s);
        const QJsonArray page = alice->get(u"/v1/products"_s, {{u"limit"_s, u"6"_s}}).items();
        const qint64 liked = page[0][u"id"_s].toInteger();
        const qint64 scoreBefore = page[0][u"favorite_score"_s].toInteger();
        for (int twice = 0; twice < 2; ++twice) // a repeated mark is the same mark
            for (const QJsonValue& p : page)
                QCOMPARE(star(*alice, "POST", p[u"id"_s]).status, 200);

        QJsonObject mine = alice->get(u"/v1/products/%1"_s.arg(liked)).object();
        QCOMPARE(mine[u"my"_s][u"favorite"_s].toBool(), true);
        QCOMPARE(mine[u"favorite_score"_s].toInteger(), scoreBefore + 1);
        const QJsonObject theirs = bob->get(u"/v1/products/%1"_s.arg(liked)).object();
        QCOMPARE(theirs[u"my"_s][u"favorite"_s].toBool(true), false);
        QVERIFY(!http->get(u"/v1/products/%1"_s.arg(liked)).object().contains(u"my"_s));

        // Favourites page and sort like the catalogue.
        const Query byPrice{{u"type"_s, u"product"_s}, {u"sort"_s, u"price"_s}, {u"order"_s, u"desc"_s}};
        const QJsonArray all = alice->get(u"/v1/me/favorites"_s, byPrice).items();
        QCOMPARE(all.size(), 6);
        const auto price = [](const QJsonValue& r) { return number(r[u"product"_s][u"price"_s]); };
        QVERIFY(ordered(all, price, false));
        const Query secondPage = byPrice + Query{{u"limit"_s, u"4"_s}, {u"offset"_s, u"4"_s}};
        QCOMPARE(ids(alice->get(u"/v1/me/favorites"_s, secondPage).items()), ids(all).mid(4));

        QCOMPARE(star(*alice, "DELETE", liked).status, 200);
        mine = alice->get(u"/v1/products/%1"_s.arg(liked)).object();
        QCOMPARE(mine[u"my"_s][u"favorite"_s].toBool(true), false);
        QCOMPARE(mine[u"favorite_score"_s].toInteger(), scoreBefore);
    }

    void scrapesMovePricesAndWriteRuns() {
        const QJsonArray before = allProducts({{u"source"_s, u"pebble-shop"_s}});
        const qint64 halved = before[0][u"id"_s].toInteger();
        server->movePriceOnNextScrape(halved, -50);
        http->apiKey = server->apiKey();
        const Response r = http->send("POST", u"/v1/scrape/pebble-shop"_s);
        QCOMPARE(r.object()[u"status"_s].toString(), u"success"_s);
        const QJsonObject run = http->get(u"/v1/scrape-runs"_s, {{u"limit"_s, u"1"_s}}).items()[0].toObject();
        QCOMPARE(run[u"id"_s].toInteger(), r.object()[u"run_id"_s].toInteger());

        QHash<qint64, QJsonObject> old;
        for (const QJsonValue& p : before)
            old.insert(p[u"id"_s].toInteger(), p.toObject());
        for (const QJsonValue& p : allProducts({{u"source"_s, u"pebble-shop"_s}})) {
            const QJsonObject was = old.value(p[u"id"_s].toInteger());
            if (was.isEmpty() || p[u"price"_s] == was[u"price"_s])
                continue;
            QCOMPARE(p[u"old_price"_s], was[u"price"_s]);
            const double expected = (number(p[u"price"_s]) / number(was[u"price"_s]) - 1) * 100;
            QVERIFY(qAbs(p[u"change_pct"_s].toDouble() - expected) < 0.01);
            if (p[u"id"_s].toInteger() == halved)
                QVERIFY(qAbs(expected + 50) < 1);
            const QJsonArray history =
                http->get(u"/v1/products/%1/history"_s.arg(p[u"id"_s].toInteger()), {{u"limit"_s, u"2"_s}})
                    .items();
            QCOMPARE(history[1][u"price"_s], p[u"price"_s]);
        }
        QVERIFY(http->get(u"/v1/products/%1"_s.arg(halved)).object()[u"change_pct"_s].toDouble() < -49);

        // The disabled shop's scrape fails as a run; a shop not taken in cannot be scraped.
        const Response failed = http->send("POST", u"/v1/scrape/"_s + server->disabledShopSlug());
        QCOMPARE(failed.object()[u"status"_s].toString(), u"failed"_s);
        QCOMPARE(http->send("POST", u"/v1/scrape/"_s + server->pendingShopSlug()).status, 409);
        QCOMPARE(http->send("POST", u"/v1/scrape/nowhere"_s).status, 404);
    }
};

QTEST_GUILESS_MAIN(TestDemoServerApi)
#include "tst_DemoServerApi.moc"
