#include "AppStateFixture.h"

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;

namespace {

QByteArray userJson(const char* username, bool member, const char* role = "user") {
    return u"{\"user\": {\"id\": 77, \"username\": \"%1\", \"role\": \"%2\", \"is_member\": %3, \"is_admin\": false}}"_s
        .arg(QLatin1StringView(username), QLatin1StringView(role), member ? u"true"_s : u"false"_s)
        .toUtf8();
}

} // namespace

class TestAppStateAccount : public QObject {
    Q_OBJECT

private slots:
    void signingInAndRegistering() {
        AppStateFixture f;
        AppState& s = f.make();
        const auto account = f.server.userAccount();
        f.signIn({u"a b"_s, u"12345"_s});
        QCOMPARE(s.banner(), std::optional(u"用户名需 3–32 位字母数字下划线"_s));
        f.signIn({account.username, u"12345"_s});
        QCOMPARE(s.banner(), std::optional(u"密码需 6–72 位"_s));
        QVERIFY(f.server.requests().isEmpty()); // the form is checked first

        f.signIn({account.username, u"wrong-password"_s});
        QVERIFY(!s.session().isLoggedIn() && s.banner());
        QCOMPARE(s.authPassword(), u"wrong-password"_s); // kept for another try

        s.setAuthRedeem(u"WELCOME-2026"_s);
        f.signIn({u"  "_s + account.username + u"\n"_s, account.password});
        QCOMPARE(s.banner(), std::optional(u"已登录"_s));
        const QJsonObject body = f.lastBody(u"/v1/auth/login"_s);
        QCOMPARE(body.value(u"username").toString(), account.username);
        QVERIFY(!body.contains(u"redeem_code"));
        QCOMPARE(s.session().username, std::optional(account.username));
        QCOMPARE(f.store->load().token, s.session().token);
        QVERIFY(s.authPassword().isEmpty() && s.authRedeem().isEmpty());
        // The lists reloaded with the user's marks, with the token on the new client.
        QCOMPARE(f.server.requests().last().header("Authorization"), "Bearer " + s.session().token->toUtf8());
        QVERIFY(!s.favoriteProductIDs().isEmpty());

        AppStateFixture g;
        AppState& newcomer = g.make();
        newcomer.setIsRegistering(true);
        newcomer.setAuthRedeem(g.server.unusedRedeemCode());
        g.signIn({u"newcomer_1"_s, u"secret99"_s});
        QCOMPARE(newcomer.banner(), std::optional(u"注册成功"_s));
        QCOMPARE(g.lastBody(u"/v1/auth/register"_s).value(u"redeem_code").toString(),
                 g.server.unusedRedeemCode());
        QVERIFY(newcomer.currentUser()->isMember);
        newcomer.setAuthRedeem(u"EXPIRED-2025"_s);
        g.signIn({u"another_1"_s, u"secret99"_s});
        QVERIFY(newcomer.banner() && *newcomer.banner() != u"注册成功"_s); // the server's warning instead
    }

    void signingOutAlwaysWorksLocally() {
        AppStateFixture f;
        AppState& s = f.make(f.server.adminAccount());
        s.selectTab(MenuBarDropdownTab::me);
        f.settle();
        QVERIFY(!s.adminUsers().isEmpty());
        QVERIFY(await(s.toggleDown(1, false)).finished);
        QVERIFY(s.downProductIDs().contains(1));
        f.setAPIKey(u"k"_s);
        f.server.injectFault(u"/v1/auth/logout"_s, {.status = 503, .body = R"({"error":"down"})"});
        QVERIFY(await(s.logout()).finished);
        QCOMPARE(s.banner(), std::optional(u"已退出"_s));
        QVERIFY(!s.session().token && !s.session().username && !s.currentUser());
        QCOMPARE(s.session().apiKey, std::optional(u"k"_s));
        QVERIFY(s.adminUsers().isEmpty() && s.adminCodes().isEmpty() && s.adminReports().isEmpty());
        QVERIFY(s.downProductIDs().isEmpty() && s.favoriteProductIDs().isEmpty() &&
                s.favoriteSourceSlugs().isEmpty());
        QVERIFY(!f.store->load().token);
    }

    void redeeming() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        s.setRedeemInput(u"   "_s);
        QVERIFY(await(s.redeemMembership()).finished);
        QVERIFY(f.server.requests().isEmpty() && !s.banner());

        s.setRedeemInput(u" "_s + f.server.unusedRedeemCode() + u" "_s);
        QVERIFY(await(s.redeemMembership()).finished);
        QCOMPARE(s.banner(), std::optional(u"兑换成功"_s));
        QCOMPARE(f.lastBody(u"/v1/me/redeem"_s).value(u"code").toString(), f.server.unusedRedeemCode());
        QVERIFY(s.redeemInput().isEmpty() && s.currentUser()->isMember);

        f.server.injectFault(u"/v1/me/redeem"_s,
                             {.status = 200, .body = userJson("demo", false), .times = 1});
        s.setRedeemInput(u"QUEUED"_s);
        QVERIFY(await(s.redeemMembership()).finished);
        QCOMPARE(s.banner(), std::optional(u"已提交"_s));

        s.setRedeemInput(u"VIP-USED-01"_s);
        QVERIFY(await(s.redeemMembership()).finished);
        QVERIFY(s.banner() != std::optional(u"兑换成功"_s));
        QCOMPARE(s.redeemInput(), u"VIP-USED-01"_s);
    }

    void requestingAShop() {
        AppStateFixture f;
        AppState& signedOut = f.make();
        signedOut.setSourceRequestURL(u"https://shop.example"_s);
        QVERIFY(await(signedOut.submitSourceRequest()).finished);
        QCOMPARE(signedOut.banner(), std::optional(u"请先登录"_s));
        QCOMPARE(signedOut.selectedTab(), MenuBarDropdownTab::me);

        AppStateFixture g;
        AppState& s = g.make(g.server.userAccount());
        QVERIFY(await(s.refreshVisible(true)).finished);
        s.setSourceRequestURL(u" \n "_s);
        QVERIFY(await(s.submitSourceRequest()).finished);
        QCOMPARE(s.banner(), std::optional(u"请输入店铺地址"_s));
        s.setSourceRequestURL(u"  https://brand-new-shop.example/store  "_s);
        s.setSourceRequestName(u"   "_s);
        QVERIFY(await(s.submitSourceRequest()).finished);
        QCOMPARE(s.banner(), std::optional(u"已提交收录请求"_s));
        const QJsonObject body = g.lastBody(u"/v1/sources/requests"_s);
        QCOMPARE(body.value(u"url").toString(), u"https://brand-new-shop.example/store"_s);
        QVERIFY(!body.contains(u"name"));
        QVERIFY(s.sources().first().isPending() && s.sourceRequestURL().isEmpty());
        const qsizetype count = s.sources().size();

        // A conflict naming a shop not listed yet puts it on top; one without a shop changes nothing.
        s.setSourceRequestURL(u"https://zz.example"_s);
        g.server.injectFault(u"/v1/sources/requests"_s,
                             {.status = 409,
                              .body = R"({"error":"已收录", "item": {"slug": "zz", "name": "ZZ"}})",
                              .times = 1});
        QVERIFY(await(s.submitSourceRequest()).finished);
        QCOMPARE(s.banner(), std::optional(u"已收录"_s));
        QCOMPARE(s.sources().first().slug, u"zz"_s);
        QCOMPARE(s.sources().size(), count + 1);
        QCOMPARE(s.sourceRequestURL(), u"https://zz.example"_s);
        g.server.injectFault(u"/v1/sources/requests"_s,
                             {.status = 409, .body = R"({"error":"重复"})", .times = 1});
        QVERIFY(await(s.submitSourceRequest()).finished);
        QCOMPARE(s.sources().size(), count + 1);

        // A success for a shop already listed leaves one entry, on top.
        const Source listed = s.sources()[3];
        g.server.injectFault(
            u"/v1/sources/requests"_s,
            {.status = 201,
             .body = u"{\"item\": {\"slug\": \"%1\", \"name\": \"renamed\"}}"_s.arg(listed.slug).toUtf8(),
             .times = 1});
        QVERIFY(await(s.submitSourceRequest()).finished);
        QCOMPARE(s.sources().first().name, u"renamed"_s);
        QCOMPARE(std::count_if(s.sources().cbegin(), s.sources().cend(),
                               [&](const Source& x) { return x.slug == listed.slug; }),
                 1);
    }

    void scraping() {
        AppStateFixture f;
        AppState& s = f.make();
        QVERIFY(await(s.scrape(u"hub"_s)).finished);
        QCOMPARE(s.banner(), std::optional(u"未设置 API Key，无法抓取"_s));
        QVERIFY(!s.scrapeBusySlug() && f.server.requests().isEmpty());

        f.setAPIKey(f.server.apiKey());
        QVERIFY(await(s.refreshVisible(true)).finished);
        const QString slug = s.includedSources().first().slug;
        auto one = s.scrape(slug);
        QCOMPARE(s.scrapeBusySlug(), std::optional(slug));
        QVERIFY(await(std::move(one)).finished);
        QCOMPARE(s.banner(), std::optional(u"已更新"_s));
        QVERIFY(!s.scrapeBusySlug());
        QCOMPARE(f.paths().last(), u"GET /v1/scrape-runs"_s);
        auto all = s.scrape(std::nullopt);
        QCOMPARE(s.scrapeBusySlug(), std::optional(u"*"_s));
        QVERIFY(await(std::move(all)).finished);
        QCOMPARE(s.banner(), std::optional(u"已开始更新"_s));

        // A failed run is never announced as done, whatever the server says of it.
        f.server.injectFault(u"/v1/scrape/x"_s,
                             {.status = 200, .body = R"({"status":"failed","error":"shop offline"})"});
        QVERIFY(await(s.scrape(u"x"_s)).finished);
        QCOMPARE(s.banner(), std::optional(u"shop offline"_s));
        f.server.injectFault(u"/v1/scrape/x"_s, {.status = 200, .body = R"({"status":"failed","error":""})"});
        QVERIFY(await(s.scrape(u"x"_s)).finished);
        QCOMPARE(s.banner(), std::optional(u"更新失败"_s));
        f.server.injectFault(u"/v1/scrape/x"_s, {.status = 502, .body = R"({"error":"gateway"})"});
        f.server.clearRequests();
        QVERIFY(await(s.scrape(u"x"_s)).finished);
        QCOMPARE(s.banner(), std::optional(u"gateway"_s));
        QVERIFY(!s.scrapeBusySlug());
        QCOMPARE(f.count(u"/v1/scrape-runs"_s), 0);
    }

    void aRefusedAPIKeyKeepsTheSignIn() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        f.setAPIKey(u"stale-key"_s);
        f.server.injectFault(u"/v1/scrape"_s, {.status = 401, .body = R"({"error":"API Key 无效"})"});
        QVERIFY(await(s.scrape(std::nullopt)).finished);
        QCOMPARE(s.banner(), std::optional(u"API Key 无效"_s));
        QVERIFY(s.session().isLoggedIn() && f.store->load().isLoggedIn());
    }

    void administrationNeedsAnAdministrator() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        QVERIFY(await(s.loadAdmin()).finished);
        QVERIFY(await(s.searchAdminUsers()).finished);
        QVERIFY(f.server.requests().isEmpty() && !s.banner());
    }

    void adminListsApplyInOrderUpToTheFirstFailure() {
        AppStateFixture f;
        AppState& s = f.make(f.server.adminAccount());
        s.start();
        f.settle();
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
        QCOMPARE(s.banner(), std::optional(u"users broke"_s));

        s.setAdminUserQuery(u"mei"_s);
        QVERIFY(await(s.searchAdminUsers()).finished);
        QCOMPARE(s.adminUsers().size(), 1);
        QCOMPARE(f.server.requests().last().queryValue(u"q"_s), std::optional(u"mei"_s));

        // A role change replaces the user in place; one for a user not listed adds nobody.
        const User target = s.adminUsers().first();
        QVERIFY(await(s.setRole(target.id, u"member"_s)).finished);
        QCOMPARE(s.banner(), std::optional(u"已将 "_s + target.username + u" 设为会员"_s));
        QCOMPARE(s.adminUsers().first().id, target.id);
        QCOMPARE(s.adminUsers().first().role, u"member"_s);
        const auto listed = s.adminUsers();
        f.server.injectFault(u"/v1/admin/users/4242"_s,
                             {.status = 200, .body = userJson("ghost", true, "member")});
        QVERIFY(await(s.setRole(4242, u"member"_s)).finished);
        QCOMPARE(s.banner(), std::optional(u"已将 ghost 设为会员"_s));
        QCOMPARE(s.adminUsers(), listed);
    }

    // The number of uses is an optional sign and digits within 64 bits; anything else asks for one.
    void creatingCodes() {
        AppStateFixture f;
        AppState& s = f.make(f.server.adminAccount());
        f.server.injectFault(u"/v1/admin/codes"_s,
                             {.status = 201, .body = R"({"item": {"id": 9, "code": "SRV-CHOSEN"}})"});
        const QList<QPair<QString, qint64>> uses{
            {u"2.5"_s, 1}, {u" +3 "_s, 3}, {u"-2"_s, -2}, {u"99999999999999999999"_s, 1}};
        for (const auto& [typed, sent] : uses) {
            s.setNewCodeUses(typed);
            s.setNewCode(u"  "_s);
            s.setNewCodeNote(u" 春节活动 "_s);
            QVERIFY(await(s.createRedeemCode()).finished);
            const QJsonObject body = f.lastBody(u"/v1/admin/codes"_s);
            QCOMPARE(body.value(u"max_uses").toInteger(), sent);
            QVERIFY(!body.contains(u"code"));
            QCOMPARE(body.value(u"note").toString(), u"春节活动"_s);
        }
        QCOMPARE(s.banner(), std::optional(u"已创建 SRV-CHOSEN"_s));
        QCOMPARE(s.adminCodes().first().code, u"SRV-CHOSEN"_s);
        QVERIFY(s.newCode().isEmpty() && s.newCodeNote().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAppStateAccount)
#include "tst_AppStateAccount.moc"
