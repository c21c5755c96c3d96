#include "APIRequestFactory.h"
#include "SessionStore.h"
#include "ZeltorAPIError.h"

#include <QTest>

using namespace quelvio;
using namespace Qt::StringLiterals;

// Headers and credentials are checked on the wire, in tst_APIClient.

namespace {

APIRequestSpec getSpec(const QString& path, QMap<QString, QString> query = {}) {
    return APIRequestSpec{u"GET"_s, path, std::move(query), std::nullopt, AuthMode::none};
}

} // namespace

class TestAPIRequestFactory : public QObject {
    Q_OBJECT

private slots:
    void joinsBaseURLAndPath() {
        auto url = [](const QString& base, const QString& path) {
            return APIRequestFactory{base, {}, {}}
                .urlRequest(getSpec(path))
                .request.url()
                .toString(QUrl::FullyEncoded);
        };
        QCOMPARE(url(u"  http://127.0.0.1:8787// \n"_s, u"v1/me"_s), u"http://127.0.0.1:8787/v1/me"_s);
        QCOMPARE(url(u"https://example.com/api"_s, u"/health"_s), u"https://example.com/api/health"_s);
        QCOMPARE(url(u"https://example.com"_s, u""_s), u"https://example.com/"_s);
    }

    void builtFromTheStoredSession() {
        const SessionSnapshot snapshot{u"  https://example.com/api/ "_s, u"tok"_s, u"key"_s, u"alice"_s,
                                       AppTheme::paper};
        const auto factory = APIRequestFactory::fromSnapshot(snapshot);
        QCOMPARE(factory, (APIRequestFactory{u"https://example.com/api"_s, u"tok"_s, u"key"_s}));
    }

    void unusableAddressesFailBeforeSending() {
        for (const QString& base : {u""_s, u"example.com"_s, u"http://example.com:99999"_s}) {
            try {
                APIRequestFactory{base, {}, {}}.urlRequest(getSpec(u"/health"_s));
                QFAIL(qPrintable(u"built from "_s + base));
            } catch (const ZeltorAPIError& e) {
                QCOMPARE(e, ZeltorAPIError::invalidURL());
            }
        }
    }

    // The client's endpoint table covers "+", "&", "#", blanks and UTF-8 in values.
    void queryIsFilteredAndFullyEncoded() {
        const APIRequestFactory factory{u"http://h"_s, {}, {}};
        auto url = [&](const QMap<QString, QString>& query) {
            return factory.urlRequest(getSpec(u"/p"_s, query)).request.url().toString(QUrl::FullyEncoded);
        };
        QCOMPARE(url({{u"limit"_s, u"20"_s}, {u"q"_s, u""_s}}), u"http://h/p?limit=20"_s);
        QCOMPARE(url({{u"q"_s, u""_s}}), u"http://h/p"_s);
        QCOMPARE(url({{u"a b"_s, u"x=y"_s}}), u"http://h/p?a%20b=x%3Dy"_s);
    }

    void defaultsStayOutOfTheQuery() {
        using Q = QMap<QString, QString>;
        const std::optional<QString> none;
        QCOMPARE(ProductListQuery::items(none, u""_s, none, none, true, ProductSort::goodwill, 50, 0),
                 (Q{{u"limit"_s, u"50"_s}, {u"offset"_s, u"0"_s}}));
        QCOMPARE(ProductListQuery::items(none, none, none, none, std::nullopt, ProductSort::value, 1, 0),
                 (Q{{u"limit"_s, u"1"_s}, {u"offset"_s, u"0"_s}, {u"sort"_s, u"value"_s}}));
        QCOMPARE(SourceListQuery::included(std::nullopt), Q{});
        QCOMPARE(FavoritesQuery::items(u""_s, std::nullopt, 100, -3), (Q{{u"limit"_s, u"100"_s}}));
    }

    void errors() {
        QCOMPARE(ZeltorAPIError::decoding(u"items: missing"_s).errorDescription(),
                 u"解析失败：items: missing"_s);
        // Only answers of the server carry a status.
        QCOMPARE(ZeltorAPIError::transport(u"down"_s).statusCode(), std::nullopt);
        QVERIFY(ZeltorAPIError::unauthorized(u"a"_s) != ZeltorAPIError::http(401, u"a"_s));
        QVERIFY(ZeltorAPIError::sourceConflict(u"m"_s, Source{.slug = u"s"_s}) !=
                ZeltorAPIError::sourceConflict(u"m"_s, std::nullopt));
    }
};

QTEST_GUILESS_MAIN(TestAPIRequestFactory)
#include "tst_APIRequestFactory.moc"
