#include "RecordSamples.h"

#include <QTest>

using namespace quelvio;
using namespace quelvio::samples;
using namespace Qt::StringLiterals;

namespace {

User sampleUser() {
    return User{Q_INT64_C(1) << 62, u"小明_01"_s, u"member"_s, true, false, u"2025-01-02T03:04:05Z"_s};
}

} // namespace

class TestAccountRecords : public QObject {
    Q_OBJECT

private slots:
    void roleLabelComesFromRoleAlone_data() {
        QTest::addColumn<QString>("role");
        QTest::addColumn<bool>("isAdmin");
        QTest::addColumn<bool>("isMember");
        QTest::addColumn<QString>("label");
        QTest::newRow("admin without flag") << u"admin"_s << false << false << u"超管"_s;
        QTest::newRow("member") << u"member"_s << false << false << u"会员"_s;
        QTest::newRow("user with both flags") << u"user"_s << true << true << u"普通"_s;
        QTest::newRow("capitalised admin") << u"Admin"_s << true << false << u"普通"_s;
        QTest::newRow("unknown word") << u"owner"_s << false << false << u"普通"_s;
        QTest::newRow("empty") << u""_s << false << false << u"普通"_s;
    }

    void roleLabelComesFromRoleAlone() {
        QFETCH(QString, role);
        QFETCH(bool, isAdmin);
        QFETCH(bool, isMember);
        QFETCH(QString, label);
        QCOMPARE((User{1, u"u"_s, role, isMember, isAdmin, {}}).roleLabel(), label);
    }

    void reactionRequestConstructors() {
        const auto fav = ReactionRequest::forProduct(ReactKind::favorite, 42);
        QCOMPARE(fav.targetType, u"product"_s);
        QCOMPARE(fav.productId, std::optional<qint64>(42));
        QVERIFY(!fav.source);
        QCOMPARE(keysOf(APIJSON::encode(fav)), (QStringList{u"kind"_s, u"product_id"_s, u"target_type"_s}));
        const QJsonObject favJson = QJsonDocument::fromJson(APIJSON::encode(fav)).object();
        QCOMPARE(favJson.value(u"product_id"), QJsonValue(42));
        QCOMPARE(favJson.value(u"target_type"), QJsonValue(u"product"_s));

        const auto report = ReactionRequest::forSource(ReactKind::report, u"hub"_s, u"价格不对"_s);
        QCOMPARE(report.targetType, u"source"_s);
        QVERIFY(!report.productId);
        QCOMPARE(keysOf(APIJSON::encode(report)),
                 (QStringList{u"kind"_s, u"note"_s, u"source"_s, u"target_type"_s}));
        const QJsonObject reportJson = QJsonDocument::fromJson(APIJSON::encode(report)).object();
        QCOMPARE(reportJson.value(u"source"), QJsonValue(u"hub"_s));
        QCOMPARE(reportJson.value(u"note"), QJsonValue(u"价格不对"_s));
    }

    void requestBodiesLeaveOutAbsentFields() {
        QCOMPARE(APIJSON::encode(CreateCodeRequest{}), QByteArray("{}"));
        QCOMPARE(keysOf(APIJSON::encode(CreateCodeRequest{{}, 3, {}, u"n"_s})),
                 (QStringList{u"max_uses"_s, u"note"_s}));
        QCOMPARE(keysOf(APIJSON::encode(AuthCredentials{u"u"_s, u"p"_s, {}})),
                 (QStringList{u"password"_s, u"username"_s}));
        QCOMPARE(keysOf(APIJSON::encode(AuthCredentials{u"u"_s, u"p"_s, u"CODE"_s})),
                 (QStringList{u"password"_s, u"redeem_code"_s, u"username"_s}));
        QCOMPARE(keysOf(APIJSON::encode(SourceRequest{u"https://shop"_s, {}})), QStringList{u"url"_s});
    }

    void passwordsAndTextsAreSentVerbatim() {
        const AuthCredentials c{u"  user "_s, u" p\"w\\ 密码 "_s, {}};
        const QJsonObject o = QJsonDocument::fromJson(APIJSON::encode(c)).object();
        QCOMPARE(o.value(u"password").toString(), c.password);
        QCOMPARE(o.value(u"username").toString(), c.username);
    }

    void okResponse() {
        QCOMPARE(APIJSON::decode<OkResponse>("{}"), OkResponse{});
        QCOMPARE(APIJSON::decode<OkResponse>(R"({"ok": true})").ok, std::optional(true));
        // A bare scalar is not a JSON document to Qt's parser: it fails before the record is read.
        QVERIFY(decodingFailure<OkResponse>("true").startsWith(u"invalid JSON"_s));
        QVERIFY(decodingFailure<OkResponse>("").startsWith(u"invalid JSON"_s));
        QCOMPARE(decodingFailure<OkResponse>("[]"), u"expected object, found array"_s);
    }

    void userAcceptsCamelCaseKeys() {
        const auto u = APIJSON::decode<User>(
            R"({"id": 3, "username": "bob", "role": "user", "isMember": true, "IS_ADMIN": false})");
        QVERIFY(u.isMember);
        QVERIFY(!u.isAdmin);
    }

    void authSessionNeedsTokenAndFullUser() {
        const QByteArray user =
            R"({"id": 1, "username": "u", "role": "user", "is_member": false, "is_admin": false})";
        const auto ok = APIJSON::decode<AuthSession>(R"({"token": "t", "user": )" + user + "}");
        QCOMPARE(ok.token, u"t"_s);
        QVERIFY(!ok.redeemWarning);
        QCOMPARE(decodingFailure<AuthSession>(R"({"user": )" + user + "}"), u"token: missing"_s);
        QCOMPARE(
            decodingFailure<AuthSession>(
                R"({"token": "t", "user": {"id": 1, "username": "u", "role": "user", "is_admin": false}})"),
            u"user.is_member: missing"_s);
        QCOMPARE(
            decodingFailure<AuthSession>(
                R"({"token": "t", "user": {"id": 1, "username": "u", "role": "user", "is_member": true}})"),
            u"user.is_admin: missing"_s);
        const auto warned = APIJSON::decode<AuthSession>(
            R"({"token": "t", "redeem_warning": "兑换码无效", "user": )" + user + "}");
        QCOMPARE(warned.redeemWarning, std::optional(u"兑换码无效"_s));
    }

    void conflictBodyNeedsErrorText() {
        const auto body = APIJSON::decode<SourceConflictBody>(
            R"({"error": "already tracked", "item": {"slug": "hub", "name": "Hub"}})");
        QCOMPARE(body.item->slug, u"hub"_s);
        QVERIFY(!APIJSON::decode<SourceConflictBody>(R"({"error": "x"})").item);
        QCOMPARE(decodingFailure<SourceConflictBody>(R"({"item": {"slug": "hub", "name": "Hub"}})"),
                 u"error: missing"_s);
        QCOMPARE(decodingFailure<SourceConflictBody>(R"({"error": 409})"),
                 u"error: expected string, found number 409"_s);
    }

    void reactionsKeepUnknownVocabulary() {
        const auto r = APIJSON::decode<Reaction>(
            R"({"id": 1, "kind": "bookmark", "target_type": "bundle", "product": {"id": 2, "name": "p"}})");
        QCOMPARE(r.kind, u"bookmark"_s);
        QCOMPARE(r.targetType, u"bundle"_s);
        QCOMPARE(r.product->id, 2);
        QCOMPARE(
            decodingFailure<ItemList<Reaction>>(
                R"({"items": [{"id": 1, "kind": "report", "target_type": "product", "product": {"id": 2}}]})"),
            u"items[0].product.name: missing"_s);
    }

    void vocabularies() {
        QCOMPARE(QString(StreamEventType::priceUpdated), u"price.updated"_s);
        QCOMPARE(QString(StreamEventType::scrapeFinished), u"scrape.finished"_s);
        QCOMPARE(QString(StreamEventType::hello), u"hello"_s);
        QCOMPARE(QString(StreamEventType::heartbeat), u"heartbeat"_s);
        QCOMPARE(QString(ReactKind::down), u"down"_s);
        QCOMPARE(QString(UserRole::admin), u"admin"_s);
        QCOMPARE(QString(RunStatus::failed), u"failed"_s);
    }

    void roundTripsWithAllFields() {
        verifyRoundTrip(Health{u"ok"_s, u"zeltor"_s, u"2025-01-01T00:00:00Z"_s});
        verifyRoundTrip(APIErrorBody{u"出错了"_s});
        verifyRoundTrip(OkResponse{true});
        verifyRoundTrip(sampleUser());
        verifyRoundTrip(AuthSession{sampleUser(), u"tok"_s, u"warn"_s});
        verifyRoundTrip(UserEnvelope{sampleUser()});
        verifyRoundTrip(AuthCredentials{u"u"_s, u"p"_s, u"c"_s});
        verifyRoundTrip(RedeemRequest{u"VIP-1"_s});
        const Reaction reaction{9,      u"favorite"_s, u"product"_s,  u"n"_s,
                                u"t"_s, fullSource(),  fullProduct(), 77};
        verifyRoundTrip(reaction);
        verifyRoundTrip(ReactionEnvelope{reaction});
        verifyRoundTrip(ReactionRequest{u"report"_s, u"product"_s, 4, u"hub"_s, u"note"_s});
        const RedeemCode code{3, u"VIP"_s, u"member"_s, 10, 2, u"n"_s, u"c"_s, u"e"_s};
        verifyRoundTrip(code);
        verifyRoundTrip(RedeemCodeEnvelope{code});
        verifyRoundTrip(CreateCodeRequest{u"VIP"_s, 5, u"2026-01-01T00:00:00Z"_s, u"n"_s});
        verifyRoundTrip(SetRoleRequest{u"admin"_s});
        verifyRoundTrip(SourceRequest{u"https://shop"_s, u"Shop"_s});
        verifyRoundTrip(SourceRequestEnvelope{fullSource()});
        verifyRoundTrip(SourceConflictBody{u"exists"_s, fullSource()});
        verifyRoundTrip(ItemList<Reaction>{{reaction}});
        verifyRoundTrip(ItemList<User>{{sampleUser()}});
        verifyRoundTrip(ItemList<RedeemCode>{{code}});
    }

    void roundTripsWithRequiredFieldsOnly() {
        verifyRoundTrip(Health{.status = u"ok"_s});
        verifyRoundTrip(OkResponse{});
        verifyRoundTrip(User{.id = 1, .username = u"u"_s, .role = u"user"_s});
        verifyRoundTrip(
            AuthSession{.user = User{.id = 1, .username = u"u"_s, .role = u"user"_s}, .token = u"t"_s});
        verifyRoundTrip(AuthCredentials{.username = u"u"_s, .password = u""_s});
        verifyRoundTrip(Reaction{.id = 1, .kind = u"down"_s, .targetType = u"product"_s});
        verifyRoundTrip(ReactionRequest{.kind = u"down"_s, .targetType = u"product"_s});
        verifyRoundTrip(RedeemCode{.id = 1, .code = u"c"_s});
        verifyRoundTrip(CreateCodeRequest{});
        verifyRoundTrip(SourceRequest{.url = u"u"_s});
        verifyRoundTrip(SourceRequestEnvelope{Source{.slug = u"s"_s, .name = u"n"_s}});
        verifyRoundTrip(SourceConflictBody{.error = u"e"_s});
    }
};

QTEST_GUILESS_MAIN(TestAccountRecords)
#include "tst_AccountRecords.moc"
