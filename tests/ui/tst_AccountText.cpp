#include "AccountText.h"

#include <QTest>

using namespace quelvio;
using namespace quelvio::AccountText;
using namespace Qt::StringLiterals;

class TestAccountText : public QObject {
    Q_OBJECT

private slots:
    void roleLabelsFollowTheRoleWordOnly() {
        QCOMPARE(roleLabel(u"admin"_s), u"超管"_s);
        QCOMPARE(roleLabel(u"member"_s), u"会员"_s);
        QCOMPARE(roleLabel(u"user"_s), u"普通"_s);
        QCOMPARE(roleLabel(u"Admin"_s), u"普通"_s);
        QCOMPARE(roleLabel(QString()), u"普通"_s);
    }

    void theMemberBadge() {
        QCOMPARE(memberBadge(true), u"会员"_s);
        QCOMPARE(memberBadge(false), u"普通用户"_s);
        QCOMPARE(memberBadgeColor(true), PanelText::ColorRole::success);
        QCOMPARE(memberBadgeColor(false), PanelText::ColorRole::accent);
    }

    void onlyNonAdministratorsGetRoleButtons() {
        User user;
        user.role = u"user"_s;
        QVERIFY(offersRoleButtons(user));
        user.role = u"member"_s;
        QVERIFY(offersRoleButtons(user));
        user.role = u"admin"_s;
        QVERIFY(!offersRoleButtons(user));
        user.role = u"user"_s;
        user.isAdmin = true;
        QVERIFY(!offersRoleButtons(user));
    }

    void codeLines() {
        RedeemCode code;
        code.code = u"WELCOME-2026"_s;
        code.usedCount = 3;
        code.maxUses = 10;
        code.note = u"春季活动"_s;
        QCOMPARE(codeLine(code), u"WELCOME-2026  ·  3/10  ·  春季活动"_s);
        code.note = std::nullopt;
        QCOMPARE(codeLine(code), u"WELCOME-2026  ·  3/10  ·  无备注"_s);
        code.note = QString();
        QCOMPARE(codeLine(code), u"WELCOME-2026  ·  3/10  ·  无备注"_s);
        code.usedCount = std::nullopt;
        code.maxUses = std::nullopt;
        QCOMPARE(codeLine(code), u"WELCOME-2026  ·  0/0  ·  无备注"_s);
    }

    void reportParts() {
        QCOMPARE(reportKind(u"report"_s), u"举报"_s);
        QCOMPARE(reportKind(u"down"_s), u"踩"_s);
        // The colour follows the wire kind, not the label shown.
        QCOMPARE(reportKindColor(u"report"_s), PanelText::ColorRole::danger);
        QCOMPARE(reportKindColor(u"down"_s), PanelText::ColorRole::warning);
        QCOMPARE(reportLine(u"GPT Plus"_s, u"—"_s), u"GPT Plus  ·  —"_s);
        QCOMPARE(reportLine(QString(), u"价格不对"_s), u"价格不对"_s);
        QCOMPARE(reportTarget(u"product"_s), u"商品"_s);
        QCOMPARE(reportTarget(u"source"_s), u"店铺"_s);
        QCOMPARE(reportNote(u"价格不对"_s), u"价格不对"_s);
        QCOMPARE(reportNote(QString()), u"—"_s);
        QCOMPARE(reportNote(std::nullopt), u"—"_s);
        QCOMPARE(reportTime(u"2026-03-01T23:05:00Z"_s, QTimeZone::utc()), u"03-01 23:05"_s);
        QCOMPARE(reportTime(u"2026-03-01T23:05:00Z"_s, QTimeZone(3600)), u"03-02 00:05"_s);
    }

    void apiKeysAreTrimmedAndAnEmptyFieldClearsTheKey() {
        QCOMPARE(storedAPIKey(u"  key-1 \n"_s), std::optional(u"key-1"_s));
        QCOMPARE(storedAPIKey(u" \t\n"_s), std::nullopt);
        QCOMPARE(storedAPIKey(QString()), std::nullopt);
        QCOMPARE(apiKeySavedBanner(u"key-1"_s), u"已保存 API Key"_s);
        QCOMPARE(apiKeySavedBanner(std::nullopt), u"已清除 API Key"_s);
        QCOMPARE(baseURLSavedBanner(), u"已保存地址"_s);
    }

    void theScrapeButton() {
        QCOMPARE(scrapeAllTitle(false), u"全部更新"_s);
        QCOMPARE(scrapeAllTitle(true), u"更新中…"_s);
    }
};

QTEST_APPLESS_MAIN(TestAccountText)
#include "tst_AccountText.moc"
