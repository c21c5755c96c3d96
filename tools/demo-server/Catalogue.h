#pragma once

#include <QDateTime>
#include <QHash>
#include <QJsonValue>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <optional>

// The demo server's world: shops, products with their price histories, accounts, marks, redeem
// codes and scrape runs, all in memory. Prices are kept in hundredths so that sorting and
// arithmetic stay exact; they become decimal strings only on the wire.
namespace quelvio::demo {

struct Shop {
    qint64 id = 0;
    QString slug;
    QString name;
    QString baseUrl;
    QString homepageUrl;
    QString productUrl;
    QString kind;
    bool enabled = true;
    bool included = true;
    QString requestedBy; // empty: the operator added it
    qint64 scrapeIntervalSec = 3600;
    double rateLimitRps = 1.0;
    QString adapter;
};

struct PricePoint {
    qint64 id = 0;
    qint64 cents = 0;
    std::optional<qint64> outputCents;
    std::optional<qint64> compareCents;
    QDateTime at;
};

struct Item {
    qint64 id = 0;
    qint64 shopId = 0;
    QString externalKey;
    QString name;
    QString category;
    QString subtype; // empty: none
    QString sourceCategory;
    QString currency;
    QString unit;
    QString productUrl;
    QJsonValue stock; // a string, a number, or undefined when the shop states none
    bool active = true;
    bool inStock = true;
    bool moved = false;
    QDateTime firstSeen;
    QDateTime lastSeen;
    QList<PricePoint> history;      // oldest first; the last point is the current price
    std::optional<qint64> oldCents; // the price before the latest change
    std::optional<double> changePct;

    const PricePoint& current() const { return history.last(); }
};

struct Account {
    qint64 id = 0;
    QString username;
    QString password;
    QString role;
    QDateTime createdAt;

    bool isAdmin() const { return role == u"admin"; }
    bool isMember() const { return role == u"member" || isAdmin(); }
};

struct Mark {
    qint64 id = 0;
    qint64 userId = 0;
    QString kind;
    QString targetType;
    qint64 productId = 0; // product targets
    qint64 shopId = 0;    // shop targets
    QString note;
    QDateTime createdAt;
};

struct Code {
    qint64 id = 0;
    QString code;
    QString role;
    qint64 maxUses = 1;
    qint64 usedCount = 0;
    QString note;
    QDateTime createdAt;
    std::optional<QDateTime> expiresAt;
};

struct Run {
    qint64 id = 0;
    qint64 shopId = 0;
    QString status;
    QDateTime startedAt;
    std::optional<QDateTime> finishedAt;
    std::optional<qint64> itemsUpserted;
    QString errorMessage;
    std::optional<qint64> durationMs;
};

// What one scrape of one shop did.
struct ScrapeOutcome {
    qint64 runId = 0;
    QString slug;
    QString status;
    qint64 itemsUpserted = 0;
    qint64 pricesChanged = 0;
    qint64 durationMs = 0;
    QString error;
};

// Derived per-product numbers, computed on demand from the marks and the history.
struct ItemScores {
    qint64 favorites = 0;
    qint64 downs = 0;
    qint64 goodwill() const { return favorites - downs; }
};

class Catalogue {
public:
    // Everything seeded is a function of the seed and the anchor time alone.
    Catalogue(quint64 seed, const QDateTime& anchor);

    QList<Shop> shops;
    QList<Item> items;
    QList<Account> accounts;
    QList<Mark> marks;
    QList<Code> codes;
    QList<Run> runs;               // oldest first
    QHash<QString, qint64> tokens; // bearer token -> account id

    const Shop* shopById(qint64 id) const;
    const Shop* shopBySlug(const QString& slug) const;
    Shop* shopBySlug(const QString& slug);
    const Item* itemById(qint64 id) const;
    Account* accountById(qint64 id);
    Account* accountByName(const QString& username);

    ItemScores scores(qint64 itemId) const;
    // For every product, how far below the median price of comparable products (same category,
    // currency and unit) it sits, in percent; higher is better value.
    QHash<qint64, double> valueScores() const;
    // Lowest price of the last seven days, for products at least that old.
    std::optional<qint64> periodLowCents(const Item& item, const QDateTime& now) const;
    bool isNew(const Item& item, const QDateTime& now) const;

    // Marks are unique per user, kind and target; a repeated mark replaces the note.
    const Mark& upsertMark(Mark mark, const QDateTime& now);
    bool removeMark(qint64 userId, const QString& kind, const QString& targetType, qint64 productId,
                    qint64 shopId);
    bool hasMark(qint64 userId, const QString& kind, qint64 productId) const;

    Account& addAccount(const QString& username, const QString& password, const QString& role,
                        const QDateTime& now);
    QString issueToken(qint64 accountId);
    // Empty when the code is usable; otherwise why not.
    QString codeProblem(const Code* code, const QDateTime& now) const;
    Code* codeByText(const QString& text);
    Code& addCode(Code code, const QDateTime& now);
    QString freshCodeText();

    Shop& addShop(Shop shop);
    // Item id → the percent its price moves by on its shop's next scrape (tests).
    QHash<qint64, double> scriptedMoves; // percent
    // Some prices move, every active product is seen again, a run is written.
    ScrapeOutcome scrape(Shop& shop, const QDateTime& now);

    qint64 nextPointId() { return ++m_lastPointId; }

    static QString centsText(qint64 cents);

private:
    void seedShops();
    void seedItems(const QDateTime& anchor);
    void seedAccounts(const QDateTime& anchor);
    void seedMarks(const QDateTime& anchor);
    void seedRuns(const QDateTime& anchor);
    Item makeItem(const Shop& shop, const QString& category, int ordinal, const QDateTime& anchor,
                  bool brandNew = false);
    void refreshIndex();
    int pick(int bound) { return int(m_rng.bounded(bound)); }
    bool chance(int percent) { return pick(100) < percent; }

    QRandomGenerator m_rng;
    QHash<qint64, qsizetype> m_itemIndex;
    qint64 m_lastItemId = 0;
    qint64 m_lastPointId = 0;
    qint64 m_lastMarkId = 0;
    qint64 m_lastAccountId = 0;
    qint64 m_lastCodeId = 0;
    qint64 m_lastRunId = 0;
    qint64 m_lastShopId = 0;
};

} // namespace quelvio::demo
