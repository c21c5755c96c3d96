#include "AppStateFixture.h"

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;

class TestAppStateAccount : public QObject {
    Q_OBJECT

private slots:
    void signingIn() {
        AppStateFixture f;
        AppState& s = f.make();
        const auto account = f.server.userAccount();
        s.setAuthRedeem(u"WELCOME-2026"_s);
        f.signIn({u"  "_s + account.username + u"\n"_s, account.password});
        const QJsonObject body = f.lastBody(u"/v1/auth/login"_s);
        QCOMPARE(body.value(u"username").toString(), account.username);
        QVERIFY(!body.contains(u"redeem_code"));
        QCOMPARE(f.store->load().token, s.session().token);
        QVERIFY(s.authPassword().isEmpty() && s.authRedeem().isEmpty());
        // The lists reloaded with the user's marks, with the token on the new client.
        QCOMPARE(f.server.requests().last().header("Authorization"), "Bearer " + s.session().token->toUtf8());
        QVERIFY(!s.favoriteProductIDs().isEmpty());
    }

    // Only a code that made the user a member is announced as redeemed.
    void redeeming() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        f.server.injectFault(
            u"/v1/me/redeem"_s,
            {.status = 200,
             .body =
                 R"({"user": {"id": 77, "username": "demo", "role": "user", "is_member": false, "is_admin": false}})",
             .times = 1});
        s.setRedeemInput(u"QUEUED"_s);
        QVERIFY(await(s.redeemMembership()).finished);
        QCOMPARE(s.banner(), std::optional(u"已提交"_s));

        s.setRedeemInput(u" "_s + f.server.unusedRedeemCode() + u" "_s);
        QVERIFY(await(s.redeemMembership()).finished);
        QCOMPARE(s.banner(), std::optional(u"兑换成功"_s));
        QVERIFY(s.redeemInput().isEmpty() && s.currentUser()->isMember);
    }

    // A shop the server names, even in a conflict, ends up on top.
    void requestingAShop() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        QVERIFY(await(s.refreshVisible(true)).finished);
        s.setSourceRequestURL(u"  https://brand-new-shop.example/store  "_s);
        QVERIFY(await(s.submitSourceRequest()).finished);
        QVERIFY(s.sources().first().isPending() && s.sourceRequestURL().isEmpty());
        QCOMPARE(f.lastBody(u"/v1/sources/requests"_s)[u"url"_s].toString(),
                 u"https://brand-new-shop.example/store"_s);
        const qsizetype count = s.sources().size();

        // A shop already listed comes to the top, once.
        const Source listed = s.sources()[2];
        s.setSourceRequestURL(u"https://again.example"_s);
        f.server.injectFault(
            u"/v1/sources/requests"_s,
            {.status = 200, .body = "{\"item\": " + APIJSON::encode(listed) + "}", .times = 1});
        QVERIFY(await(s.submitSourceRequest()).finished);
        QCOMPARE(s.sources().first().slug, listed.slug);
        QCOMPARE(s.sources().size(), count);

        s.setSourceRequestURL(u"https://zz.example"_s);
        f.server.injectFault(u"/v1/sources/requests"_s,
                             {.status = 409,
                              .body = R"({"error":"已收录", "item": {"slug": "zz", "name": "ZZ"}})",
                              .times = 1});
        QVERIFY(await(s.submitSourceRequest()).finished);
        QCOMPARE(s.sources().first().slug, u"zz"_s);
        QCOMPARE(s.sources().size(), count + 1);
        QCOMPARE(s.sourceRequestURL(), u"https://zz.example"_s);
    }

    // A failed run is never announced as done, whatever the server says of it, and a refused key
    // is not the end of the sign-in.
    void scraping() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        f.setAPIKey(f.server.apiKey());
        QVERIFY(await(s.refreshVisible(true)).finished);
        QVERIFY(await(s.scrape(s.includedSources().first().slug)).finished);
        QCOMPARE(s.banner(), std::optional(u"已更新"_s));
        QCOMPARE(f.paths().last(), u"GET /v1/scrape-runs"_s);

        f.server.injectFault(u"/v1/scrape/x"_s, {.status = 200, .body = R"({"status":"failed","error":""})"});
        QVERIFY(await(s.scrape(u"x"_s)).finished);
        QCOMPARE(s.banner(), std::optional(u"更新失败"_s));
        f.server.injectFault(u"/v1/scrape/x"_s, {.status = 502, .body = R"({"error":"gateway"})"});
        f.server.clearRequests();
        QVERIFY(await(s.scrape(u"x"_s)).finished);
        QCOMPARE(s.banner(), std::optional(u"gateway"_s));
        QVERIFY(!s.scrapeBusySlug());
        QCOMPARE(f.count(u"/v1/scrape-runs"_s), 0);

        f.setAPIKey(u"stale-key"_s);
        f.server.injectFault(u"/v1/scrape"_s, {.status = 401, .body = R"({"error":"API Key 无效"})"});
        QVERIFY(await(s.scrape(std::nullopt)).finished);
        QCOMPARE(s.banner(), std::optional(u"API Key 无效"_s));
        QVERIFY(s.session().isLoggedIn() && f.store->load().isLoggedIn());
    }

    void administration() {
        AppStateFixture f;
        AppState& s = f.make(f.server.adminAccount());
        s.start();
        f.settle();
        // The lists apply in order up to the first failure.
        f.server.injectFault(u"/v1/admin/reports"_s,
                             {.status = 500, .body = R"({"error":"reports broke"})", .times = 1});
        QVERIFY(await(s.loadAdmin()).finished);
        QVERIFY(!s.adminUsers().isEmpty() && !s.adminCodes().isEmpty() && s.adminReports().isEmpty());
        QCOMPARE(s.banner(), std::optional(u"reports broke"_s));
        QVERIFY(await(s.loadAdmin()).finished);
        const auto users = s.adminUsers();
        const auto reports = s.adminReports();
        QVERIFY(!reports.isEmpty());
        f.server.injectFault(u"/v1/admin/users"_s,
                             {.status = 500, .body = R"({"error":"users broke"})", .times = 1});
        f.server.injectFault(u"/v1/admin/codes"_s, {.status = 200, .body = R"({"items": []})", .times = 1});
        QVERIFY(await(s.loadAdmin()).finished);
        QCOMPARE(s.adminUsers(), users);
        QVERIFY(!s.adminCodes().isEmpty()); // the empty codes reply came after the failure: dropped
        QCOMPARE(s.adminReports(), reports);

        // A role change replaces the user in place.
        const User target = s.adminUsers().first();
        QVERIFY(await(s.setRole(target.id, u"member"_s)).finished);
        QCOMPARE(s.adminUsers().first().id, target.id);
        QCOMPARE(s.adminUsers().first().role, u"member"_s);

        // A blank code is left for the server to choose.
        f.server.injectFault(u"/v1/admin/codes"_s,
                             {.status = 201, .body = R"({"item": {"id": 9, "code": "SRV-CHOSEN"}})"});
        s.setNewCodeUses(u" +3 "_s);
        s.setNewCode(u"  "_s);
        QVERIFY(await(s.createRedeemCode()).finished);
        const QJsonObject body = f.lastBody(u"/v1/admin/codes"_s);
        QCOMPARE(body.value(u"max_uses").toInteger(), 3);
        QVERIFY(!body.contains(u"code"));
        QCOMPARE(s.adminCodes().first().code, u"SRV-CHOSEN"_s);

        // The server's failure to sign out changes nothing: the user's data goes, the API key stays.
        QVERIFY(await(s.toggleDown(1, false)).finished);
        f.setAPIKey(u"k"_s);
        f.server.injectFault(u"/v1/auth/logout"_s, {.status = 503, .body = R"({"error":"down"})"});
        QVERIFY(await(s.logout()).finished);
        QVERIFY(!s.session().token && !s.currentUser() && !f.store->load().token);
        QCOMPARE(s.session().apiKey, std::optional(u"k"_s));
        QVERIFY(s.adminUsers().isEmpty() && s.adminCodes().isEmpty() && s.adminReports().isEmpty());
        QVERIFY(s.downProductIDs().isEmpty());
    }

    // Another address gets its own sign-in (none here): nothing of the first server's reaches it,
    // and coming back restores the first sign-in.
    void aSignInStaysWithTheServerThatIssuedIt() {
        AppStateFixture f;
        demo::DemoServer other(AppStateFixture::shortOptions());
        QVERIFY(other.listen());
        AppState& s = f.make(f.server.userAccount());
        f.setAPIKey(f.server.apiKey());
        const SessionSnapshot before = s.session();
        s.start();
        QVERIFY(waitUntil([&] { return s.currentUser() && !s.favorites().isEmpty(); }));
        f.settle();

        s.updateBaseURL(other.baseUrl().toString());
        QVERIFY(!s.session().token && !s.session().apiKey && !s.currentUser());
        QVERIFY(s.favorites().isEmpty() && s.favoriteProductIDs().isEmpty());
        QVERIFY(!f.store->load().token && !f.store->load().apiKey);
        QVERIFY(waitUntil([&] { return !s.isLoading() && !s.products().isEmpty(); }));
        for (const auto& request : other.requests())
            QVERIFY2(request.header("Authorization").isEmpty() && request.header("X-API-Key").isEmpty(),
                     qPrintable(request.path));

        s.updateBaseURL(f.server.baseUrl().toString() + u"/"_s);
        QCOMPARE(s.session().token, before.token);
        QCOMPARE(s.session().apiKey, before.apiKey);
        QVERIFY(waitUntil([&] { return s.currentUser() && !s.favorites().isEmpty(); }));
    }
};

QTEST_GUILESS_MAIN(TestAppStateAccount)
#include "tst_AppStateAccount.moc"
