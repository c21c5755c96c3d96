#include "AppStateFixture.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

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
    void formChecksComeFirst_data() {
        QTest::addColumn<QString>("username");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("banner");
        const QString badName = u"用户名需 3–32 位字母数字下划线"_s;
        const QString badPassword = u"密码需 6–72 位"_s;
        QTest::newRow("short name and short password") << u"ab"_s << u"12345"_s << badName;
        QTest::newRow("name with a blank inside") << u"a b c"_s << u"123456"_s << badName;
        QTest::newRow("five characters") << u"alice"_s << u"12345"_s << badPassword;
        QTest::newRow("seventy-three characters") << u"alice"_s << QString(73, u'x') << badPassword;
    }

    void formChecksComeFirst() {
        QFETCH(QString, username);
        QFETCH(QString, password);
        QFETCH(QString, banner);
        AppStateFixture f;
        AppState& s = f.make();
        s.setAuthUsername(username);
        s.setAuthPassword(password);
        QVERIFY(await(s.loginOrRegister()).finished);
        QCOMPARE(s.banner(), std::optional(banner));
        QVERIFY(f.server.requests().isEmpty());
    }

    void passwordLengthsAtTheLimitsGoOut() {
        AppStateFixture f;
        AppState& s = f.make();
        s.setAuthUsername(u"alice"_s);
        for (const QString& password : {QString(6, u'x'), QString(72, u'y')}) {
            s.setAuthPassword(password);
            QVERIFY(await(s.loginOrRegister()).finished);
            QCOMPARE(f.lastBody(u"/v1/auth/login"_s).value(u"password").toString(), password);
        }
    }

    void signingInStoresTheSession() {
        AppStateFixture f;
        AppState& s = f.make();
        const auto account = f.server.userAccount();
        s.setAuthUsername(u"  "_s + account.username + u"\n"_s);
        s.setAuthPassword(account.password);
        s.setAuthRedeem(u"WELCOME-2026"_s);
        QVERIFY(await(s.loginOrRegister()).finished);
        QCOMPARE(s.banner(), std::optional(u"已登录"_s));
        const QJsonObject body = f.lastBody(u"/v1/auth/login"_s);
        QCOMPARE(body.value(u"username").toString(), account.username);
        QVERIFY(!body.contains(u"redeem_code"));
        QVERIFY(s.session().isLoggedIn());
        QCOMPARE(s.session().username, std::optional(account.username));
        QCOMPARE(f.store->load().token, s.session().token);
        QCOMPARE(s.currentUser()->username, account.username);
        QVERIFY(s.authPassword().isEmpty());
        QVERIFY(s.authRedeem().isEmpty());
        QCOMPARE(s.authUsername(), u"  "_s + account.username + u"\n"_s);
        // The lists reloaded with the user's marks, with the token on the new client.
        QCOMPARE(f.server.requests().last().header("Authorization"), "Bearer " + s.session().token->toUtf8());
        QVERIFY(!s.favoriteProductIDs().isEmpty());
    }

    void registering() {
        AppStateFixture f;
        AppState& s = f.make();
        s.setIsRegistering(true);
        s.setAuthUsername(u"newcomer_1"_s);
        s.setAuthPassword(u"secret99"_s);
        s.setAuthRedeem(f.server.unusedRedeemCode());
        QVERIFY(await(s.loginOrRegister()).finished);
        QCOMPARE(s.banner(), std::optional(u"注册成功"_s));
        QCOMPARE(f.lastBody(u"/v1/auth/register"_s).value(u"redeem_code").toString(),
                 f.server.unusedRedeemCode());
        QVERIFY(s.currentUser()->isMember);

        AppStateFixture g;
        AppState& warned = g.make();
        warned.setIsRegistering(true);
        warned.setAuthUsername(u"another_1"_s);
        warned.setAuthPassword(u"secret99"_s);
        warned.setAuthRedeem(u"EXPIRED-2025"_s);
        QVERIFY(await(warned.loginOrRegister()).finished);
        QVERIFY(warned.session().isLoggedIn());
        QVERIFY(warned.banner() && *warned.banner() != u"注册成功"_s); // the server's warning instead

        AppStateFixture h;
        AppState& refused = h.make();
        refused.setAuthUsername(h.server.userAccount().username);
        refused.setAuthPassword(u"wrong-password"_s);
        QVERIFY(await(refused.loginOrRegister()).finished);
        QVERIFY(!refused.session().isLoggedIn());
        QVERIFY(refused.banner());
        QCOMPARE(refused.authPassword(), u"wrong-password"_s); // kept for another try
    }

    void signingOutAlwaysWorksLocally() {
        AppStateFixture f;
        AppState& s = f.make(f.server.adminAccount());
        s.selectTab(MenuBarDropdownTab::me);
        f.settle();
        QVERIFY(!s.adminUsers().isEmpty());
        SessionSnapshot withKey = s.session();
        withKey.apiKey = u"k"_s;
        s.setSession(withKey);
        s.persistAndRebuild();
        f.server.injectFault(u"/v1/auth/logout"_s, {.status = 503, .body = R"({"error":"down"})"});
        QVERIFY(await(s.logout()).finished);
        QCOMPARE(s.banner(), std::optional(u"已退出"_s));
        QVERIFY(!s.session().token && !s.session().username && !s.currentUser());
        QCOMPARE(s.session().apiKey, std::optional(u"k"_s));
        QCOMPARE(s.session().baseURL, f.baseURL());
        QVERIFY(s.adminUsers().isEmpty() && s.adminCodes().isEmpty() && s.adminReports().isEmpty());
        QVERIFY(!f.store->load().token);
    }

    void startWithoutATokenAsksNothingAboutTheUser() {
        AppStateFixture f;
        AppState& s = f.make();
        s.start();
        f.settle();
        QCOMPARE(f.count(u"/v1/me"_s), 0);
        QCOMPARE(f.count(u"/v1/me/favorites"_s), 0);
    }

    void redeeming() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        s.setRedeemInput(u"   "_s);
        QVERIFY(await(s.redeemMembership()).finished);
        QVERIFY(f.server.requests().isEmpty());
        QVERIFY(!s.banner());

        s.setRedeemInput(u" "_s + f.server.unusedRedeemCode() + u" "_s);
        QVERIFY(await(s.redeemMembership()).finished);
        QCOMPARE(s.banner(), std::optional(u"兑换成功"_s));
        QCOMPARE(f.lastBody(u"/v1/me/redeem"_s).value(u"code").toString(), f.server.unusedRedeemCode());
        QVERIFY(s.redeemInput().isEmpty());
        QVERIFY(s.currentUser()->isMember);

        f.server.injectFault(u"/v1/me/redeem"_s, {.status = 200, .body = userJson("demo", false)});
        s.setRedeemInput(u"QUEUED"_s);
        QVERIFY(await(s.redeemMembership()).finished);
        QCOMPARE(s.banner(), std::optional(u"已提交"_s));
        QVERIFY(s.redeemInput().isEmpty());

        f.server.clearFaults();
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
        auto submitting = s.submitSourceRequest();
        QVERIFY(s.sourceRequestBusy());
        QVERIFY(await(std::move(submitting)).finished);
        QVERIFY(!s.sourceRequestBusy());
        QCOMPARE(s.banner(), std::optional(u"已提交收录请求"_s));
        const QJsonObject body = g.lastBody(u"/v1/sources/requests"_s);
        QCOMPARE(body.value(u"url").toString(), u"https://brand-new-shop.example/store"_s);
        QVERIFY(!body.contains(u"name"));
        QVERIFY(s.sources().first().isPending());
        QVERIFY(s.sourceRequestURL().isEmpty());
        const qsizetype count = s.sources().size();

        // The same shop again: the server knows it; the list neither moves nor grows.
        const QList<Source> before = s.sources();
        s.setSourceRequestURL(u"https://brand-new-shop.example/store"_s);
        QVERIFY(await(s.submitSourceRequest()).finished);
        QCOMPARE(s.sources(), before);
        QCOMPARE(s.sourceRequestURL(), u"https://brand-new-shop.example/store"_s);
        QVERIFY(s.banner() && !s.banner()->isEmpty());

        // A conflict naming a shop not listed yet puts it on top; one without a shop changes nothing.
        g.server.injectFault(u"/v1/sources/requests"_s,
                             {.status = 409,
                              .body = R"({"error":"已收录", "item": {"slug": "zz", "name": "ZZ"}})",
                              .times = 1});
        QVERIFY(await(s.submitSourceRequest()).finished);
        QCOMPARE(s.banner(), std::optional(u"已收录"_s));
        QCOMPARE(s.sources().first().slug, u"zz"_s);
        QCOMPARE(s.sources().size(), count + 1);
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
        QCOMPARE(s.sources().first().slug, listed.slug);
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
        QVERIFY(!s.scrapeBusySlug());
        QVERIFY(f.server.requests().isEmpty());

        SessionSnapshot withKey = s.session();
        withKey.apiKey = f.server.apiKey();
        s.setSession(withKey);
        s.persistAndRebuild();
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
        QVERIFY(!s.scrapeBusySlug());

        f.server.injectFault(u"/v1/scrape/x"_s,
                             {.status = 200, .body = R"({"status":"failed","error":"shop offline"})"});
        QVERIFY(await(s.scrape(u"x"_s)).finished);
        QCOMPARE(s.banner(), std::optional(u"shop offline"_s));
        // A failed run is never announced as done, whatever the server says of it.
        for (const char* body : {R"({"status":"failed","error":""})", R"({"status":"failed"})"}) {
            s.setBanner(std::nullopt);
            f.server.injectFault(u"/v1/scrape/x"_s, {.status = 200, .body = body});
            QVERIFY(await(s.scrape(u"x"_s)).finished);
            QCOMPARE(s.banner(), std::optional(u"更新失败"_s));
        }
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
        SessionSnapshot withKey = s.session();
        withKey.apiKey = u"stale-key"_s;
        s.setSession(withKey);
        s.persistAndRebuild();
        f.server.injectFault(u"/v1/scrape"_s, {.status = 401, .body = R"({"error":"API Key 无效"})"});
        QVERIFY(await(s.scrape(std::nullopt)).finished);
        QCOMPARE(s.banner(), std::optional(u"API Key 无效"_s));
        QVERIFY(s.session().isLoggedIn());
        QVERIFY(f.store->load().isLoggedIn());
    }

    void administrationNeedsAnAdministrator() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        QVERIFY(await(s.loadAdmin()).finished);
        QVERIFY(await(s.searchAdminUsers()).finished);
        QVERIFY(f.server.requests().isEmpty());
        QVERIFY(!s.banner());
    }

    void adminListsApplyInOrderUpToTheFirstFailure() {
        AppStateFixture f;
        AppState& s = f.make(f.server.adminAccount());
        s.start();
        f.settle();
        QVERIFY(s.isAdmin());
        f.server.injectFault(u"/v1/admin/reports"_s,
                             {.status = 500, .body = R"({"error":"reports broke"})", .times = 1});
        QVERIFY(await(s.loadAdmin()).finished);
        QVERIFY(!s.adminUsers().isEmpty());
        QVERIFY(!s.adminCodes().isEmpty());
        QVERIFY(s.adminReports().isEmpty());
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
    }

    void changingRoles() {
        AppStateFixture f;
        AppState& s = f.make(f.server.adminAccount());
        s.start();
        f.settle();
        QVERIFY(await(s.loadAdmin()).finished);
        const qsizetype index = 1;
        const User target = s.adminUsers()[index];
        QVERIFY(await(s.setRole(target.id, u"member"_s)).finished);
        QCOMPARE(s.banner(), std::optional(u"已将 "_s + target.username + u" 设为会员"_s));
        QCOMPARE(s.adminUsers()[index].id, target.id);
        QCOMPARE(s.adminUsers()[index].role, u"member"_s);
        QVERIFY(await(s.setRole(target.id, u"user"_s)).finished);
        QCOMPARE(s.banner(), std::optional(u"已将 "_s + target.username + u" 设为普通"_s));

        const auto users = s.adminUsers();
        f.server.injectFault(u"/v1/admin/users/4242"_s,
                             {.status = 200, .body = userJson("ghost", true, "member")});
        QVERIFY(await(s.setRole(4242, u"member"_s)).finished);
        QCOMPARE(s.banner(), std::optional(u"已将 ghost 设为会员"_s));
        QCOMPARE(s.adminUsers(), users);
    }

    void creatingCodes_data() {
        QTest::addColumn<QString>("uses");
        QTest::addColumn<qint64>("sent");
        QTest::newRow("blanks") << u"   "_s << qint64(1);
        QTest::newRow("letters") << u"ten"_s << qint64(1);
        QTest::newRow("fraction") << u"2.5"_s << qint64(1);
        QTest::newRow("plus sign") << u" +3 "_s << qint64(3);
        QTest::newRow("zero") << u"0"_s << qint64(0);
        QTest::newRow("negative") << u"-2"_s << qint64(-2);
        QTest::newRow("beyond 64 bits") << u"99999999999999999999"_s << qint64(1);
    }

    void creatingCodes() {
        QFETCH(QString, uses);
        QFETCH(qint64, sent);
        AppStateFixture f;
        AppState& s = f.make(f.server.adminAccount());
        f.server.injectFault(u"/v1/admin/codes"_s,
                             {.status = 201, .body = R"({"item": {"id": 9, "code": "SRV-CHOSEN"}})"});
        s.setNewCodeUses(uses);
        s.setNewCode(u"  "_s);
        s.setNewCodeNote(u" 春节活动 "_s);
        QVERIFY(await(s.createRedeemCode()).finished);
        const QJsonObject body = f.lastBody(u"/v1/admin/codes"_s);
        QCOMPARE(body.value(u"max_uses").toInteger(), sent);
        QVERIFY(!body.contains(u"code"));
        QVERIFY(!body.contains(u"expires_at"));
        QCOMPARE(body.value(u"note").toString(), u"春节活动"_s);
        QCOMPARE(s.banner(), std::optional(u"已创建 SRV-CHOSEN"_s));
        QCOMPARE(s.adminCodes().first().code, u"SRV-CHOSEN"_s);
        QVERIFY(s.newCode().isEmpty() && s.newCodeNote().isEmpty());
        QCOMPARE(s.newCodeUses(), uses);
    }
};

QTEST_GUILESS_MAIN(TestAppStateAccount)
#include "tst_AppStateAccount.moc"
