#include "AppStateFixture.h"

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class TestAppStateReactions : public QObject {
    Q_OBJECT

private slots:
    void signedOutMarksAreRefused() {
        AppStateFixture f;
        AppState& s = f.make();
        QList<bool> starred;
        QObject::connect(&s, &AppState::favoriteProductIDsChanged, &s,
                         [&] { starred.append(s.favoriteProductIDs().contains(5)); });
        QVERIFY(await(s.toggleFavorite(qint64(5), false)).finished);
        QCOMPARE(starred, (QList<bool>{true, false})); // lit at once, then rolled back
        QCOMPARE(s.banner(), std::optional(u"请先登录"_s));
        QCOMPARE(s.selectedTab(), MenuBarDropdownTab::me);
        QVERIFY(await(s.toggleDown(5, false)).finished);
        QVERIFY(s.downProductIDs().isEmpty());
        QCOMPARE(f.count(u"/v1/reactions"_s), 0);
    }

    void reactionsWithoutAProductAreNotCounted() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        f.server.injectFault(
            u"/v1/me/favorites"_s,
            {.status = 200,
             .body = R"({"items": [{"id": 1, "kind": "favorite", "target_type": "product", "product_id": 9},
                                   {"id": 2, "kind": "favorite", "target_type": "product",
                                    "product": {"id": 8, "name": "x", "my": {"favorite": true, "down": true, "report": true}}},
                                   {"id": 3, "kind": "favorite", "target_type": "source"}]})"});
        s.selectTab(MenuBarDropdownTab::favorites);
        f.settle();
        QCOMPARE(s.favoriteProductIDs(), QSet<qint64>{8});
        QVERIFY(s.downProductIDs().contains(8) && s.reportedProductIDs().contains(8));
        QVERIFY(s.favoriteSourceSlugs().isEmpty());

        f.server.injectFault(u"/v1/me/favorites"_s, {.status = 500, .body = R"({"error":"later"})"});
        s.applyFavoriteSort(ProductSort::priceDesc);
        f.settle();
        QVERIFY(s.favorites().isEmpty());
        QCOMPARE(s.favoriteProductIDs(), QSet<qint64>{8}); // the sets are kept
        QCOMPARE(s.banner(), std::optional(u"later"_s));
    }

    void aRefusedChangeRollsBack() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        QVERIFY(await(s.refreshVisible(false)).finished);
        const qint64 id = s.products().first().id;
        const bool wasFavorite = s.favoriteProductIDs().contains(id);
        f.server.injectFault(u"/v1/reactions"_s, {.status = 500, .body = R"({"error":"refused"})"});
        QVERIFY(await(s.toggleFavorite(id, wasFavorite)).finished);
        QCOMPARE(s.favoriteProductIDs().contains(id), wasFavorite);
        QCOMPARE(s.banner(), std::optional(u"refused"_s));

        const bool wasDown = s.downProductIDs().contains(id);
        f.server.clearRequests();
        QVERIFY(await(s.toggleDown(id, wasDown)).finished);
        QCOMPARE(s.downProductIDs().contains(id), wasDown);
        QCOMPARE(f.count(u"/v1/products"_s), 0); // no reload after a refused down mark

        const QSet<QString> shops = s.favoriteSourceSlugs();
        QVERIFY(await(s.toggleFavorite(u"hub"_s, shops.contains(u"hub"_s))).finished);
        QCOMPARE(s.favoriteSourceSlugs(), shops);
    }

    void favouritesReloadOnlyWhereTheyShow() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        s.openProduct(7);
        f.settle();
        f.server.clearRequests();
        // A star on product 8 while product 7 is open: no favourites, no detail reload.
        QVERIFY(await(s.toggleFavorite(qint64(8), false)).finished);
        QCOMPARE(f.paths(), QStringList{u"POST /v1/reactions"_s});
        QCOMPARE(f.lastBody(u"/v1/reactions"_s).value(u"product_id").toInteger(), 8);
        // On product 7 itself the detail reloads silently.
        f.server.clearRequests();
        QVERIFY(await(s.toggleFavorite(qint64(7), false)).finished);
        QCOMPARE(f.paths(), (QStringList{u"POST /v1/reactions"_s, u"GET /v1/products/7"_s,
                                         u"GET /v1/products/7/history"_s}));
        QCOMPARE(s.productDetail()->my->favorite, std::optional(true));
        // On the favourites tab the favourites reload.
        s.selectTab(MenuBarDropdownTab::favorites);
        f.settle();
        f.server.clearRequests();
        QVERIFY(await(s.toggleFavorite(qint64(8), true)).finished);
        QCOMPARE(f.paths().mid(0, 3), (QStringList{u"DELETE /v1/reactions"_s, u"GET /v1/me/favorites"_s,
                                                   u"GET /v1/me/favorites"_s}));
        QVERIFY(!s.favoriteProductIDs().contains(8));
    }

    // In the goodwill order a product the user thumbs down sinks to the bottom but stays, even
    // when the reload no longer lists it; other orders keep only what the server lists.
    void aThumbedDownProductSinksButStays() {
        AppStateFixture f;
        AppState& s = f.make(f.server.memberAccount());
        QVERIFY(await(s.refreshVisible(false)).finished);
        const Product target = s.products()[3];
        const demo::Fault other{
            .status = 200, .body = R"({"items": [{"id": 999001, "name": "other"}]})", .times = 1};
        f.server.injectFault(u"/v1/products"_s, other);
        QVERIFY(await(s.toggleDown(target.id, false)).finished);
        QVERIFY(s.downProductIDs().contains(target.id)); // forced through the reload
        const auto sections = s.displayedProductSections();
        QCOMPARE(sections.sunk.size(), 1);
        QCOMPARE(sections.sunk.first().id, target.id);
        QCOMPARE(sections.feed.first().id, 999001);
        QCOMPARE(f.lastBody(u"/v1/reactions"_s).value(u"kind").toString(), u"down"_s);

        // Taking the mark away retains nothing.
        f.server.injectFault(u"/v1/products"_s, other);
        QVERIFY(await(s.toggleDown(target.id, true)).finished);
        QVERIFY(!s.downProductIDs().contains(target.id));
        QCOMPARE(s.products().size(), 1);

        s.applyProductSort(ProductSort::priceAsc);
        f.settle();
        const qint64 id = s.products()[2].id;
        f.server.injectFault(u"/v1/products"_s, other);
        QVERIFY(await(s.toggleDown(id, false)).finished);
        QCOMPARE(s.products().size(), 1);
        QVERIFY(s.downProductIDs().contains(id));
    }

    void listedFlagsAreAuthoritative() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        s.selectTab(MenuBarDropdownTab::favorites);
        f.settle();
        const qint64 favorite = *s.favoriteProductIDs().cbegin();
        // A listing that shows the product without marks clears them locally.
        const QString listing =
            u"{\"items\": [{\"id\": %1, \"name\": \"x\"}, {\"id\": 424242, \"name\": \"y\", "
            "\"my\": {\"down\": true, \"report\": true}}]}"_s.arg(favorite);
        f.server.injectFault(u"/v1/products"_s, {.status = 200, .body = listing.toUtf8(), .times = 1});
        s.selectTab(MenuBarDropdownTab::products);
        f.settle();
        QVERIFY(!s.favoriteProductIDs().contains(favorite));
        QVERIFY(s.downProductIDs().contains(424242) && s.reportedProductIDs().contains(424242));
    }

    // Replies asked for before the user starred a product (a listing, a favourites reload) must
    // not put the star out again; those asked for after it are the truth.
    void aMarkOutlivesRepliesAskedForBeforeIt() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        s.selectTab(MenuBarDropdownTab::products);
        f.settle();
        QList<qint64> unstarred;
        for (const Product& product : s.products())
            if (!s.favoriteProductIDs().contains(product.id))
                unstarred.append(product.id);
        QVERIFY(unstarred.size() >= 2);

        const qint64 listed = unstarred[0];
        const QString page = u"{\"items\": [{\"id\": %1, \"name\": \"x\", \"my\": {}}]}"_s.arg(listed);
        f.server.injectFault(u"/v1/products"_s,
                             {.status = 200, .body = page.toUtf8(), .delay = 300ms, .times = 1});
        f.server.clearRequests();
        auto refresh = s.refreshVisible(false);
        QVERIFY(waitUntil([&] { return f.count(u"/v1/products"_s) == 1; }));
        QVERIFY(await(s.toggleFavorite(listed, false)).finished);
        QVERIFY(await(std::move(refresh)).finished);
        QVERIFY(s.favoriteProductIDs().contains(listed));

        const qint64 reloaded = unstarred[1];
        s.selectTab(MenuBarDropdownTab::favorites); // where a refresh ends with the favourites
        f.settle();
        f.server.injectFault(u"/v1/me/favorites"_s,
                             {.status = 200, .body = R"({"items": []})", .delay = 300ms, .times = 2});
        f.server.clearRequests();
        refresh = s.refreshVisible(false);
        QVERIFY(waitUntil([&] { return f.count(u"/v1/me/favorites"_s) == 2; }));
        QVERIFY(await(s.toggleFavorite(reloaded, false)).finished);
        QVERIFY(await(std::move(refresh)).finished);
        QVERIFY(s.favoriteProductIDs().contains(reloaded));

        // Taken away elsewhere after the user's last change: the next reload shows it gone.
        const ReactionRequest star = ReactionRequest::forProduct(ReactKind::favorite, reloaded);
        QVERIFY(await(s.client().deleteReaction(star)).value.has_value());
        QVERIFY(await(s.refreshVisible(false)).finished);
        QVERIFY(!s.favoriteProductIDs().contains(reloaded));
    }

    // A shop's star toggles it; on the favourites tab it always takes the favourite away, known
    // shop or not.
    void shopStars() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        QVERIFY(await(s.refreshVisible(true)).finished);
        const QString slug = s.sources().last().slug;
        const bool starred = s.favoriteSourceSlugs().contains(slug);
        QVERIFY(await(s.toggleFavorite(slug, starred)).finished);
        QCOMPARE(s.favoriteSourceSlugs().contains(slug), !starred);
        QCOMPARE(f.lastBody(u"/v1/reactions"_s).value(u"source").toString(), slug);

        s.selectTab(MenuBarDropdownTab::favorites);
        f.settle();
        const Reaction known = s.favoriteShops().first();
        f.server.clearRequests();
        s.removeFavoriteShop(known.id);
        f.settle();
        QCOMPARE(f.paths().first(), u"DELETE /v1/reactions"_s);
        QVERIFY(!s.favoriteSourceSlugs().contains(known.source->slug));

        Reaction unknown = known;
        unknown.id = 999;
        unknown.source.reset();
        f.server.injectFault(
            u"/v1/me/favorites"_s,
            {.status = 200, .body = APIJSON::encode(ItemList<Reaction>{{unknown}}), .times = 2});
        QVERIFY(await(s.refreshVisible(false)).finished);
        f.server.clearRequests();
        s.removeFavoriteShop(999);
        f.settle();
        QVERIFY(s.favoriteShops().isEmpty());
        QCOMPARE(f.count(u"/v1/reactions"_s), 0); // nothing to address, and never an addition
    }

    // Replies answered for the signed-in user but arriving after the sign-out belong to nobody.
    void lateRepliesAfterASignOutAreDropped() {
        AppStateFixture f;
        const demo::Credentials account = f.server.userAccount();
        AppState& s = f.make(account);
        // What the server said for this user, delivered late.
        const auto user = await(s.client().me());
        const auto stars = await(s.client().favorites(QString(TargetType::product), std::nullopt, 200, 0));
        QVERIFY(user.value && stars.value && !stars.value->isEmpty());

        f.server.injectFault(
            u"/v1/me/favorites"_s,
            {.status = 200, .body = APIJSON::encode(ItemList<Reaction>{*stars.value}), .delay = 400ms});
        s.selectTab(MenuBarDropdownTab::favorites);
        QVERIFY(waitUntil([&] { return f.count(u"/v1/me/favorites"_s) >= 2; }));
        QVERIFY(await(s.logout()).finished);
        f.settle();
        QVERIFY(s.favoriteProductIDs().isEmpty() && s.favorites().isEmpty());
        QVERIFY(!s.isLoading());

        f.server.clearFaults();
        f.signIn(account);
        s.selectTab(MenuBarDropdownTab::me);
        f.settle();
        f.server.clearRequests();
        f.server.injectFault(
            u"/v1/me"_s, {.status = 200, .body = APIJSON::encode(UserEnvelope{*user.value}), .delay = 400ms});
        auto refresh = s.refreshVisible(false); // the account tab asks for the user
        QVERIFY(waitUntil([&] { return f.count(u"/v1/me"_s) == 1; }));
        QVERIFY(await(s.logout()).finished);
        QVERIFY(await(std::move(refresh)).finished);
        QVERIFY(!s.currentUser());

        // A refused mark asked for by the previous user signs the next one out of nothing.
        f.server.injectFault(u"/v1/reactions"_s,
                             {.status = 401, .body = R"({"error":"expired"})", .delay = 400ms});
        f.signIn(account);
        auto mark = s.toggleFavorite(qint64(1), false);
        QVERIFY(await(s.logout()).finished);
        f.server.clearFaults();
        f.signIn(f.server.memberAccount());
        QVERIFY(await(std::move(mark)).finished);
        QVERIFY(s.session().isLoggedIn());
        QCOMPARE(s.banner(), std::optional(u"已登录"_s));
    }
};

QTEST_GUILESS_MAIN(TestAppStateReactions)
#include "tst_AppStateReactions.moc"
