#include "RecordSamples.h"

#include <QTest>

using namespace quelvio;
using namespace quelvio::samples;
using namespace Qt::StringLiterals;

class TestAccountRecords : public QObject {
    Q_OBJECT

private slots:
    void everyFieldHasItsWireKey() {
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
        const QByteArray user =
            R"({"id": 1, "username": "u", "role": "user", "is_member": false, "is_admin": false})";
        QCOMPARE(decodingFailure<AuthSession>(R"({"user": )" + user + "}"), u"token: missing"_s);
        QCOMPARE(
            decodingFailure<AuthSession>(
                R"({"token": "t", "user": {"id": 1, "username": "u", "role": "user", "is_admin": false}})"),
            u"user.is_member: missing"_s);
        QCOMPARE(decodingFailure<SourceConflictBody>(R"({"item": {"slug": "hub", "name": "Hub"}})"),
                 u"error: missing"_s);
        // Nobody reads ok: an empty acknowledgement is fine.
        QCOMPARE(APIJSON::decode<OkResponse>("{}"), OkResponse{});
        QCOMPARE(APIJSON::encode(CreateCodeRequest{}), QByteArray("{}"));
    }

    void roleLabelComesFromRoleAlone_data() {
        QTest::addColumn<QString>("role");
        QTest::addColumn<bool>("flags");
        QTest::addColumn<QString>("label");
        QTest::newRow("admin without flags") << u"admin"_s << false << u"超管"_s;
        QTest::newRow("member") << u"member"_s << false << u"会员"_s;
        QTest::newRow("user with both flags") << u"user"_s << true << u"普通"_s;
        QTest::newRow("capitalised admin") << u"Admin"_s << true << u"普通"_s;
    }

    void roleLabelComesFromRoleAlone() {
        QFETCH(QString, role);
        QFETCH(bool, flags);
        QFETCH(QString, label);
        QCOMPARE((User{1, u"u"_s, role, flags, flags, {}}).roleLabel(), label);
    }

    void reactionRequestsNameOneTarget() {
        QCOMPARE(ReactionRequest::forProduct(ReactKind::favorite, 42),
                 (ReactionRequest{u"favorite"_s, u"product"_s, 42, std::nullopt, std::nullopt}));
        QCOMPARE(ReactionRequest::forSource(ReactKind::report, u"hub"_s, u"价格不对"_s),
                 (ReactionRequest{u"report"_s, u"source"_s, std::nullopt, u"hub"_s, u"价格不对"_s}));
    }
};

QTEST_GUILESS_MAIN(TestAccountRecords)
#include "tst_AccountRecords.moc"
