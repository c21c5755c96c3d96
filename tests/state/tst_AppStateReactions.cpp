#include "AppStateFixture.h"

#include <QTemporaryDir>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

struct RecordedAlerts final : AlertSink {
    QList<PriceAlert> raised;
    void raise(const PriceAlert& alert) override { raised.append(alert); }
    // The titles of the alerts about one product.
    QStringList about(qint64 id) const {
        QStringList titles;
        for (const PriceAlert& alert : raised)
            if (alert.productID == id)
                titles.append(alert.title);
        return titles;
    }
};

// The demo user's state watching prices into a file of its own, on the favourites tab.
struct Watching {
    AppStateFixture f;
    QTemporaryDir dir;
    RecordedAlerts alerts;
    AlertFile file{dir.filePath(u"price-alerts.json"_s)};
    AppState& s;

    Watching()
        : s(f.make(f.server.userAccount(), {1h, 20ms}, StateSeams{nullptr, nullptr, &alerts, &file})) {
        s.selectTab(MenuBarDropdownTab::favorites);
        f.settle();
    }

    QList<Product> favourites() const {
        QList<Product> products;
        for (const Reaction& reaction : s.favorites())
            if (reaction.product)
                products.append(*reaction.product);
        return products;
    }
    void scrape(const Product& product, double percent) {
        f.server.movePriceOnNextScrape(product.id, percent);
        f.server.scrapeNow(product.source->slug);
    }
    bool refresh() { return await(s.refreshVisible(false)).finished && !s.lastError(); }
    // What a new run would read back.
    AlertBook book() const {
        return AlertFile(file.path()).load(s.session().normalizedBaseURL() + u"\n"_s + *s.session().username);
    }
};

} // namespace

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
        QVERIFY(await(s.toggleFavorite(u"nimbus-store"_s, false)).finished);
        QVERIFY(s.favoriteSourceSlugs().isEmpty()); // a shop's star too
        QCOMPARE(f.count(u"/v1/reactions"_s), 0);
    }

    // A refused mark rolls back. In the goodwill order a product the user thumbs down sinks to the
    // bottom but stays, even when the reload no longer lists it.
    void thumbsAndStars() {
        AppStateFixture f;
        AppState& s = f.make(f.server.memberAccount());
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

        f.server.clearFaults();
        const Product target = s.products()[3];
        f.server.injectFault(
            u"/v1/products"_s,
            {.status = 200, .body = R"({"items": [{"id": 999001, "name": "other"}]})", .times = 1});
        QVERIFY(await(s.toggleDown(target.id, false)).finished);
        QVERIFY(s.downProductIDs().contains(target.id)); // forced through the reload
        const auto sections = s.displayedProductSections();
        QCOMPARE(sections.sunk.size(), 1);
        QCOMPARE(sections.sunk.first().id, target.id);
        QCOMPARE(sections.feed.first().id, 999001);

        // A mark on another product leaves the open one's as they were.
        f.server.clearFaults();
        s.openProduct(id);
        f.settle();
        const bool openDown = s.downProductIDs().contains(id);
        const auto other = std::ranges::find_if(
            s.products(), [&](const Product& p) { return p.id != id && !s.downProductIDs().contains(p.id); });
        QVERIFY(other != s.products().end() && !openDown);
        QList<bool> shownDown; // every state the open product's detail passes through
        const auto watching = QObject::connect(&s, &AppState::productDetailChanged, &s, [&] {
            shownDown.append(s.productDetail() && s.productDetail()->my.value_or(ReactionFlags{}).isDown());
        });
        QVERIFY(await(s.toggleDown(other->id, false)).finished);
        QObject::disconnect(watching);
        QVERIFY(!shownDown.contains(true));
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

        // A listing is the truth as well: a product shown without marks has none.
        const QString listing =
            u"{\"items\": [{\"id\": %1, \"name\": \"x\"}, {\"id\": 424242, \"name\": \"y\", "
            "\"my\": {\"down\": true, \"report\": true}}]}"_s.arg(listed);
        f.server.injectFault(u"/v1/products"_s, {.status = 200, .body = listing.toUtf8(), .times = 1});
        s.selectTab(MenuBarDropdownTab::products);
        f.settle();
        QVERIFY(!s.favoriteProductIDs().contains(listed));
        QVERIFY(s.downProductIDs().contains(424242) && s.reportedProductIDs().contains(424242));
    }

    // On the favourites tab a shop's star takes the favourite away, even of a shop no longer known,
    // and never adds one.
    void removingAShopFavourite() {
        AppStateFixture f;
        AppState& s = f.make(f.server.userAccount());
        s.selectTab(MenuBarDropdownTab::favorites);
        f.settle();
        Reaction unknown = s.favoriteShops().first();
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
        const auto stars = await(s.client().favorites(QString(TargetType::product), std::nullopt, 200, 0));
        QVERIFY(stars.value && !stars.value->isEmpty());

        f.server.injectFault(
            u"/v1/me/favorites"_s,
            {.status = 200, .body = APIJSON::encode(ItemList<Reaction>{*stars.value}), .delay = 400ms});
        s.selectTab(MenuBarDropdownTab::favorites);
        QVERIFY(waitUntil([&] { return f.count(u"/v1/me/favorites"_s) >= 2; }));
        QVERIFY(await(s.logout()).finished);
        f.settle();
        QVERIFY(s.favoriteProductIDs().isEmpty() && s.favorites().isEmpty());
        QVERIFY(!s.isLoading());

        // A refused mark asked for by the previous user signs the next one out of nothing.
        f.server.clearFaults();
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

    // A target is told once per crossing, whatever the minimum drop; small drops add up to one
    // alert; a muted favourite says nothing until the mute is undone.
    void alertsFollowTheUsersRules() {
        Watching w;
        const QList<Product> favourites = w.favourites();
        QVERIFY(!favourites.isEmpty());
        const Product p = favourites.first();
        for (const Product& other : favourites.mid(1)) // one favourite, so that only its alerts come
            QVERIFY(await(w.s.toggleFavorite(other.id, true)).finished);
        w.s.openProduct(p.id);
        w.f.settle();
        const double price = p.price->toDouble();
        QVERIFY(!w.s.setPriceTarget(p.id, u"-1"_s));
        QCOMPARE(w.s.banner(), std::optional(u"目标价须为大于 0 的数字"_s));
        QVERIFY(w.s.setPriceTarget(p.id, QString::number(price * 0.95, 'f', 2)));
        w.f.settle();
        QCOMPARE(w.alerts.raised.size(), 0);

        w.s.setMinimumDropPercent(10);
        w.scrape(p, -10); // under the target
        QVERIFY(w.refresh());
        w.scrape(p, 20); // back above it
        QVERIFY(w.refresh());
        w.scrape(p, -15); // under it again
        QVERIFY(w.refresh());
        QCOMPARE(w.alerts.about(p.id), QStringList({u"已到目标价"_s, u"已到目标价"_s}));

        w.s.setMinimumDropPercent(1);
        w.scrape(p, -0.5);
        QVERIFY(w.refresh());
        QCOMPARE(w.alerts.raised.size(), 2);
        w.scrape(p, -0.6); // 1.1% below the price last told
        QVERIFY(w.refresh());
        QCOMPARE(w.alerts.about(p.id).last(), u"收藏商品降价"_s);

        w.s.setAlertsMuted(p.id, true);
        w.scrape(p, -10);
        QVERIFY(w.refresh());
        QCOMPARE(w.alerts.raised.size(), 3);
        w.s.setAlertsMuted(p.id, false);
        QVERIFY(w.refresh());
        QCOMPARE(w.alerts.raised.size(), 3); // the muted drop is not told late
        w.scrape(p, -10);
        QVERIFY(w.refresh());
        QCOMPARE(w.alerts.raised.size(), 4);

        // The rules are the account's: a new run reads them back; clearing the target removes it.
        QCOMPARE(w.book().rules.value(p.id).target->price, QString::number(price * 0.95, 'f', 2));
        QVERIFY(w.s.setPriceTarget(p.id, u" "_s));
        QVERIFY(!w.s.priceRule(p.id).target);
    }

    // A detail asked for before a price fell and answered after the newer favourites does not
    // put the old price back as the baseline, and the drop is told once.
    void aLateReplyNeverRollsABaselineBack() {
        Watching w;
        const Product p = w.favourites().first();
        const auto before = await(w.s.client().product(p.id));
        QVERIFY(before.value);
        w.f.server.injectFault(
            u"/v1/products/%1"_s.arg(p.id),
            {.status = 200, .body = APIJSON::encode(*before.value), .delay = 400ms, .times = 1});
        w.s.openProduct(p.id);
        QVERIFY(waitUntil([&] { return w.f.count(u"/v1/products/%1"_s.arg(p.id)) == 1; }));
        w.scrape(p, -20);
        QVERIFY(w.refresh());
        QCOMPARE(w.alerts.about(p.id), QStringList({u"收藏商品降价"_s}));
        w.f.settle(); // the old detail has come and gone
        QVERIFY(w.refresh());
        QCOMPARE(w.alerts.about(p.id), QStringList({u"收藏商品降价"_s}));
    }

    // Favourites beyond the first page of 200 are read too: starred where they show and watched.
    void everyFavouriteIsWatched() {
        Watching w;
        const QList<Product> oldest = w.favourites();
        QCOMPARE(w.f.server.starProducts(w.f.server.userAccount().username, 200), 200);
        QVERIFY(w.refresh());
        qint64 beyond = 0;
        for (const Product& product : oldest)
            if (std::ranges::none_of(w.favourites(), [&](const Product& p) { return p.id == product.id; }))
                beyond = product.id;
        QVERIFY(beyond != 0);
        QVERIFY(w.s.favoriteProductIDs().contains(beyond));
        QVERIFY(w.book().seen.contains(beyond));
        QCOMPARE(w.book().seen.size(), oldest.size() + 200);
    }
};

QTEST_GUILESS_MAIN(TestAppStateReactions)
#include "tst_AppStateReactions.moc"
