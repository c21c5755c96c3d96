#include "APIJSON.h"
#include "APIRequestFactory.h"
#include "SessionStore.h"
#include "ZeltorAPIError.h"

#include <QTest>

using namespace quelvio;
using namespace Qt::StringLiterals;

namespace {

APIRequestSpec getSpec(const QString& path, QMap<QString, QString> query = {},
                       AuthMode auth = AuthMode::none) {
    return APIRequestSpec{u"GET"_s, path, std::move(query), std::nullopt, auth};
}

ZeltorAPIError buildFailure(const APIRequestFactory& factory, const APIRequestSpec& spec) {
    try {
        factory.urlRequest(spec);
    } catch (const ZeltorAPIError& e) {
        return e;
    }
    return ZeltorAPIError::transport(u"built without failing"_s);
}

} // namespace

class TestAPIRequestFactory : public QObject {
    Q_OBJECT

private slots:
    void joinsBaseURLAndPath_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("url");
        QTest::newRow("one trailing slash")
            << u"http://127.0.0.1:8787/"_s << u"v1/me"_s << u"http://127.0.0.1:8787/v1/me"_s;
        QTest::newRow("two slashes and blanks")
            << u"  http://127.0.0.1:8787// \n"_s << u"v1/me"_s << u"http://127.0.0.1:8787/v1/me"_s;
        QTest::newRow("path prefix kept")
            << u"https://example.com/api"_s << u"/health"_s << u"https://example.com/api/health"_s;
        QTest::newRow("empty path") << u"https://example.com"_s << u""_s << u"https://example.com/"_s;
    }

    void joinsBaseURLAndPath() {
        QFETCH(QString, base);
        QFETCH(QString, path);
        QFETCH(QString, url);
        const APIRequestFactory factory{base, {}, {}};
        QCOMPARE(factory.resolvedURLString(path), url);
        QCOMPARE(factory.urlRequest(getSpec(path)).request.url().toString(QUrl::FullyEncoded), url);
    }

    void builtFromTheStoredSession() {
        const SessionSnapshot snapshot{u"  https://example.com/api/ "_s, u"tok"_s, u"key"_s, u"alice"_s,
                                       AppTheme::paper};
        const auto factory = APIRequestFactory::fromSnapshot(snapshot);
        QCOMPARE(factory, (APIRequestFactory{snapshot.normalizedBaseURL(), u"tok"_s, u"key"_s}));
        QCOMPARE(factory.resolvedURLString(u"/health"_s), u"https://example.com/api/health"_s);
    }

    void unusableAddressesFailBeforeSending_data() {
        QTest::addColumn<QString>("base");
        QTest::newRow("empty") << u""_s;
        QTest::newRow("no scheme") << u"example.com"_s;
        QTest::newRow("bad port") << u"http://example.com:99999"_s;
    }

    void unusableAddressesFailBeforeSending() {
        QFETCH(QString, base);
        QCOMPARE(buildFailure(APIRequestFactory{base, {}, {}}, getSpec(u"/health"_s)),
                 ZeltorAPIError::invalidURL());
    }

    void queryIsSortedFilteredAndFullyEncoded_data() {
        QTest::addColumn<QMap<QString, QString>>("query");
        QTest::addColumn<QString>("url");
        QTest::newRow("empty values dropped")
            << QMap<QString, QString>{{u"limit"_s, u"20"_s}, {u"q"_s, u""_s}} << u"http://h/p?limit=20"_s;
        // The query map keeps its keys sorted; the URL must keep that order.
        QTest::newRow("keys sorted") << QMap<QString, QString>{{u"source"_s, u"s"_s},
                                                               {u"limit"_s, u"1"_s},
                                                               {u"offset"_s, u"0"_s},
                                                               {u"category"_s, u"c"_s}}
                                     << u"http://h/p?category=c&limit=1&offset=0&source=s"_s;
        QTest::newRow("delimiters escaped")
            << QMap<QString, QString>{{u"q"_s, u"a&b=c#d"_s}} << u"http://h/p?q=a%26b%3Dc%23d"_s;
        QTest::newRow("plus and blank")
            << QMap<QString, QString>{{u"q"_s, u"c++ pro"_s}} << u"http://h/p?q=c%2B%2B%20pro"_s;
        QTest::newRow("key escaped too")
            << QMap<QString, QString>{{u"a b"_s, u"1"_s}} << u"http://h/p?a%20b=1"_s;
    }

    void queryIsSortedFilteredAndFullyEncoded() {
        using Query = QMap<QString, QString>;
        QFETCH(Query, query);
        QFETCH(QString, url);
        const APIRequestFactory factory{u"http://h"_s, {}, {}};
        QCOMPARE(factory.urlRequest(getSpec(u"/p"_s, query)).request.url().toString(QUrl::FullyEncoded), url);
    }

    void credentialHeaders_data() {
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<std::optional<QString>>("key");
        QTest::addColumn<AuthMode>("mode");
        QTest::addColumn<QByteArray>("authorization");
        QTest::addColumn<QByteArray>("apiKey");
        const std::optional<QString> none;
        QTest::newRow("bearer trimmed") << std::optional(u"  tok \n"_s) << none << AuthMode::userBearer
                                        << QByteArray("Bearer tok") << QByteArray();
        QTest::newRow("key never with bearer") << std::optional(u"tok"_s) << std::optional(u" key "_s)
                                               << AuthMode::apiKey << QByteArray() << QByteArray("key");
        QTest::newRow("none sends neither") << std::optional(u"tok"_s) << std::optional(u"key"_s)
                                            << AuthMode::none << QByteArray() << QByteArray();
        QTest::newRow("optional with token")
            << std::optional(u"tok"_s) << none << AuthMode::optionalUserBearer << QByteArray("Bearer tok")
            << QByteArray();
        QTest::newRow("optional with blank token")
            << std::optional(u"   "_s) << none << AuthMode::optionalUserBearer << QByteArray()
            << QByteArray();
    }

    void credentialHeaders() {
        QFETCH(std::optional<QString>, token);
        QFETCH(std::optional<QString>, key);
        QFETCH(AuthMode, mode);
        QFETCH(QByteArray, authorization);
        QFETCH(QByteArray, apiKey);
        const APIRequestFactory factory{u"http://h"_s, token, key};
        const QNetworkRequest request = factory.urlRequest(getSpec(u"/x"_s, {}, mode)).request;
        QCOMPARE(request.hasRawHeader("Authorization"), !authorization.isEmpty());
        QCOMPARE(request.rawHeader("Authorization"), authorization);
        QCOMPARE(request.hasRawHeader("X-API-Key"), !apiKey.isEmpty());
        QCOMPARE(request.rawHeader("X-API-Key"), apiKey);
    }

    void missingCredentialsFail() {
        const auto bearer = getSpec(u"/v1/me"_s, {}, AuthMode::userBearer);
        QCOMPARE(buildFailure(APIRequestFactory{u"http://h"_s, u" \t "_s, {}}, bearer),
                 ZeltorAPIError::unauthorized(u"login required"_s));
        const auto key = getSpec(u"/v1/scrape"_s, {}, AuthMode::apiKey);
        QCOMPARE(buildFailure(APIRequestFactory{u"http://h"_s, u"t"_s, u"\n"_s}, key),
                 ZeltorAPIError::missingAPIKey());
    }

    void authPolicy_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("hasToken");
        QTest::addColumn<AuthMode>("mode");
        QTest::newRow("product with token")
            << u"GET"_s << u"/v1/products/42"_s << true << AuthMode::optionalUserBearer;
        QTest::newRow("product without token") << u"GET"_s << u"/v1/products/42"_s << false << AuthMode::none;
        QTest::newRow("scrape without slash") << u"GET"_s << u"v1/scrape"_s << false << AuthMode::apiKey;
        QTest::newRow("scrape slug") << u"POST"_s << u"/v1/scrape/hub"_s << true << AuthMode::apiKey;
        QTest::newRow("scrape runs") << u"GET"_s << u"/v1/scrape-runs"_s << true << AuthMode::none;
        QTest::newRow("me prefix") << u"GET"_s << u"/v1/meta"_s << false << AuthMode::userBearer;
        QTest::newRow("source requests")
            << u"POST"_s << u"/v1/sources/requests"_s << false << AuthMode::userBearer;
        QTest::newRow("admin") << u"PATCH"_s << u"/v1/admin/users/3"_s << false << AuthMode::userBearer;
        QTest::newRow("admin needs the slash")
            << u"GET"_s << u"/v1/administrators"_s << true << AuthMode::none;
        QTest::newRow("lower-case method") << u"get"_s << u"/v1/products"_s << true << AuthMode::none;
        QTest::newRow("products prefix only") << u"GET"_s << u"/v1/productsX"_s << true << AuthMode::none;
    }

    void authPolicy() {
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(bool, hasToken);
        QFETCH(AuthMode, mode);
        QCOMPARE(AuthPolicy::mode(method, path, hasToken), mode);
    }

    void productListQuery() {
        using Q = QMap<QString, QString>;
        const std::optional<QString> none;
        QCOMPARE(ProductListQuery::items(none, none, none, none, std::nullopt, ProductSort::goodwill, 50, 0),
                 (Q{{u"limit"_s, u"50"_s}, {u"offset"_s, u"0"_s}}));
        QCOMPARE(ProductListQuery::items(none, none, none, none, false, ProductSort::goodwill, 50, 0)
                     .value(u"active"_s),
                 u"0"_s);
        QVERIFY(!ProductListQuery::items(none, none, none, none, true, ProductSort::goodwill, 50, 0)
                     .contains(u"active"_s));
        QCOMPARE(ProductListQuery::items(u"hub"_s, u""_s, u"plus"_s, u" q "_s, std::nullopt,
                                         ProductSort::priceDesc, -1, -5),
                 (Q{{u"limit"_s, u"-1"_s},
                    {u"offset"_s, u"-5"_s},
                    {u"source"_s, u"hub"_s},
                    {u"subtype"_s, u"plus"_s},
                    {u"q"_s, u" q "_s},
                    {u"sort"_s, u"price"_s},
                    {u"order"_s, u"desc"_s}}));
        QVERIFY(!ProductListQuery::items(none, none, none, none, std::nullopt, ProductSort::value, 1, 0)
                     .contains(u"order"_s));
    }

    void sourceAndFavoritesQueries() {
        using Q = QMap<QString, QString>;
        QCOMPARE(SourceListQuery::included(std::nullopt), Q{});
        QCOMPARE(SourceListQuery::included(true), (Q{{u"included"_s, u"1"_s}}));
        QCOMPARE(SourceListQuery::included(false), (Q{{u"included"_s, u"0"_s}}));

        QCOMPARE(FavoritesQuery::items(u""_s, std::nullopt, 100, -3), (Q{{u"limit"_s, u"100"_s}}));
        QCOMPARE(FavoritesQuery::items(u"product"_s, ProductSort::changeAsc, 20, 1),
                 (Q{{u"limit"_s, u"20"_s},
                    {u"offset"_s, u"1"_s},
                    {u"type"_s, u"product"_s},
                    {u"sort"_s, u"change_pct"_s},
                    {u"order"_s, u"asc"_s}}));
        QCOMPARE(FavoritesQuery::items(std::nullopt, ProductSort::goodwill, 5, 0), (Q{{u"limit"_s, u"5"_s}}));
    }

    void errors() {
        QCOMPARE(ZeltorAPIError::decoding(u"items: missing"_s).errorDescription(),
                 u"解析失败：items: missing"_s);
        QCOMPARE(ZeltorAPIError::http(404, u"not found"_s).errorDescription(), u"not found"_s);
        // Only answers of the server carry a status.
        QCOMPARE(ZeltorAPIError::unauthorized(u"token expired"_s).statusCode(), std::optional(401));
        QCOMPARE(ZeltorAPIError::transport(u"down"_s).statusCode(), std::nullopt);
        QVERIFY(ZeltorAPIError::unauthorized(u"a"_s) != ZeltorAPIError::http(401, u"a"_s));
        const Source a{.slug = u"s"_s, .name = u"S"_s};
        QVERIFY(ZeltorAPIError::sourceConflict(u"m"_s, a) !=
                ZeltorAPIError::sourceConflict(u"m"_s, std::nullopt));
    }
};

QTEST_GUILESS_MAIN(TestAPIRequestFactory)
#include "tst_APIRequestFactory.moc"
