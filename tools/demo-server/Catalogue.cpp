#include "Catalogue.h"

#include <QMap>
#include <algorithm>
#include <cmath>

namespace quelvio::demo {

namespace {

struct Template {
    const char* name;
    const char* unit;
    qint64 lowCents;
    qint64 highCents;
    const char* subtype; // "" for none
};

// What shops of each category sell. Grok's subtypes are card lengths, Codex's and Claude's plans.
const QMap<QString, QList<Template>>& templates() {
    static const QMap<QString, QList<Template>> table{
        {"codex",
         {{"ChatGPT Plus 共享账号", "item", 1500, 4500, "plus"},
          {"ChatGPT Pro 独享账号", "month", 90000, 150000, "pro"},
          {"Codex 免费号", "item", 200, 900, "free"},
          {"OpenAI 成品号", "item", 800, 3000, "unknown"}}},
        {"grok",
         {{"SuperGrok 月卡", "month", 3000, 9000, "m12"},
          {"SuperGrok 季卡", "item", 9000, 24000, "m3"},
          {"SuperGrok 年卡", "item", 30000, 80000, "y1"},
          {"Grok 免费号", "item", 100, 600, "free"}}},
        {"claude",
         {{"Claude Pro 账号", "month", 9000, 16000, "pro"},
          {"Claude Plus 共享", "item", 2000, 5000, "plus"},
          {"Claude 免费号", "item", 300, 1200, "free"},
          {"Claude 成品号", "item", 1000, 4000, "unknown"}}},
        {"gemini",
         {{"Gemini Advanced 一年", "item", 9000, 30000, ""},
          {"Gemini Pro 家庭组", "month", 1500, 4000, ""},
          {"Google One AI Premium", "month", 2000, 6000, ""}}},
        {"cursor",
         {{"Cursor Pro 月付", "month", 6000, 14000, ""},
          {"Cursor Pro 试用号", "item", 500, 2000, ""},
          {"Cursor Business 席位", "month", 12000, 28000, ""}}},
        {"sms",
         {{"OpenAI 接码 美国号", "item", 150, 800, ""},
          {"Claude 接码 英国号", "item", 200, 900, ""},
          {"Google 接码 印尼号", "item", 50, 400, ""}}},
        {"llm_api",
         {{"GPT-4o", "1M_tokens", 250, 500, ""},
          {"GPT-4o mini", "1M_tokens", 15, 60, ""},
          {"Claude Sonnet", "1M_tokens", 300, 600, ""},
          {"Gemini Pro", "1M_tokens", 125, 350, ""},
          {"DeepSeek V3", "1M_tokens", 10, 80, ""},
          {"Grok 3", "1M_tokens", 300, 500, ""}}},
        {"other",
         {{"Midjourney 标准版", "month", 15000, 25000, ""},
          {"Perplexity Pro 年付", "item", 8000, 20000, ""},
          {"Notion AI 月付", "month", 4000, 9000, ""},
          {"Poe 订阅", "month", 8000, 15000, ""}}},
    };
    return table;
}

const char* const variants[] = {"自动发货", "质保30天", "独享",   "现货",
                                "官方直充", "包售后",   "稳定版", "特价"};

QString shopCategoryName(const QString& category) {
    static const QHash<QString, QString> names{
        {"codex", "ChatGPT 账号"}, {"grok", "Grok 会员"}, {"claude", "Claude 账号"}, {"gemini", "Gemini"},
        {"cursor", "Cursor"},      {"sms", "接码服务"},   {"llm_api", "API 额度"},   {"other", "其他订阅"},
    };
    return names.value(category, category);
}

double roundedPercent(qint64 from, qint64 to) {
    return std::round(double(to - from) / double(from) * 10000.0) / 100.0;
}

// Moves a price by a whole percentage, keeping larger prices on tidy tenths.
qint64 moved(qint64 cents, int percent) {
    qint64 next = std::max<qint64>(1, cents + cents * percent / 100);
    if (next > 1000)
        next = next / 10 * 10;
    return next == cents ? cents + (percent < 0 ? -1 : 1) : next;
}

} // namespace

Catalogue::Catalogue(quint64 seed, const QDateTime& anchor)
    : m_rng(quint32(seed ^ (seed >> 32))) {
    seedShops();
    seedItems(anchor);
    seedAccounts(anchor);
    seedMarks(anchor);
    seedRuns(anchor);
}

QString Catalogue::centsText(qint64 cents) {
    return QStringLiteral("%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0'));
}

void Catalogue::seedShops() {
    struct Seed {
        const char *slug, *name, *host, *kind, *adapter;
        bool enabled, included;
        const char* requestedBy;
    };
    const Seed seeds[] = {
        {"aurora-keys", "极光小铺", "aurora-keys.example", "faka", "faka-json", true, true, ""},
        {"nimbus-store", "Nimbus Store", "nimbus.example", "shopify", "shopify-products", true, true, ""},
        {"pebble-shop", "卵石发卡", "pebble.example", "faka", "faka-json", true, true, ""},
        {"lantern-market", "灯笼集市", "lantern-market.example", "woocommerce", "woo-store-api", true, true,
         ""},
        {"quartz-api", "Quartz API", "quartz-api.example", "api", "openai-pricing", true, true, ""},
        {"harbor-sms", "港湾接码", "harbor-sms.example", "custom", "harbor-html", true, true, ""},
        {"old-mill", "旧磨坊", "old-mill.example", "faka", "faka-json", false, true, ""},
        {"maple-digital", "Maple Digital", "maple-digital.example", "requested", "", false, false, "demo"},
    };
    for (const Seed& s : seeds) {
        Shop shop;
        shop.slug = QString::fromUtf8(s.slug);
        shop.name = QString::fromUtf8(s.name);
        shop.baseUrl = QStringLiteral("https://%1").arg(QString::fromUtf8(s.host));
        shop.homepageUrl = shop.baseUrl + u'/';
        shop.productUrl = shop.baseUrl + QStringLiteral("/products");
        shop.kind = QString::fromUtf8(s.kind);
        shop.adapter = QString::fromUtf8(s.adapter);
        shop.enabled = s.enabled;
        shop.included = s.included;
        shop.requestedBy = QString::fromUtf8(s.requestedBy);
        shop.scrapeIntervalSec = 900 * (1 + pick(8));
        shop.rateLimitRps = 0.5 * (1 + pick(4));
        addShop(shop);
    }
}

Shop& Catalogue::addShop(Shop shop) {
    shop.id = ++m_lastShopId;
    shops.append(shop);
    return shops.last();
}

Item Catalogue::makeItem(const Shop& shop, const QString& category, int ordinal, const QDateTime& anchor,
                         bool brandNew) {
    const QList<Template>& choices = templates()[category];
    const Template& t = choices[pick(int(choices.size()))];
    const bool usd = shop.slug == u"nimbus-store" || shop.slug == u"quartz-api";

    Item item;
    item.id = ++m_lastItemId;
    item.shopId = shop.id;
    item.category = category;
    item.subtype = QString::fromUtf8(t.subtype);
    item.sourceCategory = shopCategoryName(category);
    item.unit = QString::fromUtf8(t.unit);
    item.currency = usd ? QStringLiteral("USD") : QStringLiteral("CNY");
    item.externalKey = QStringLiteral("%1-%2").arg(shop.slug.left(2).toUpper()).arg(1000 + ordinal);
    item.productUrl = shop.baseUrl + QStringLiteral("/p/") + item.externalKey.toLower();
    item.name = QString::fromUtf8(t.name);
    if (category != u"llm_api")
        item.name += QStringLiteral(" · ") + QString::fromUtf8(variants[pick(std::size(variants))]);
    item.active = shop.enabled;

    switch (pick(10)) {
    case 0:
    case 1:
    case 2:
        item.stock = QString::number(pick(60));
        break;
    case 3:
        item.stock = QStringLiteral("充足");
        break;
    case 4:
    case 5:
    case 6:
        item.stock = pick(40);
        break;
    case 7:
        item.stock = 0.5 * (1 + pick(9));
        break;
    default:
        break; // the shop states no stock
    }
    // A stated stock of nothing means sold out; without a stated stock the shop's badge decides.
    const bool none = item.stock == QJsonValue(0) || item.stock == QJsonValue(QStringLiteral("0"));
    item.inStock = !none && !(item.stock.isNull() && pick(5) == 0);
    item.moved = pick(25) == 0;

    qint64 cents = t.lowCents + pick(int(t.highCents - t.lowCents + 1));
    if (usd)
        cents = std::max<qint64>(1, cents / 7);
    const std::optional<qint64> compare =
        category != u"llm_api" && chance(25) ? std::optional<qint64>(cents * 6 / 5) : std::nullopt;

    // Most products have a month of daily observations; a few are brand new.
    brandNew = brandNew || pick(20) == 0;
    const int days = brandNew ? 1 + pick(3) : 30;
    const int hourOffset = pick(6);
    item.firstSeen =
        brandNew ? anchor.addSecs(-3600 * (hourOffset + 24 * (days - 1))) : anchor.addDays(-30 - pick(60));
    for (int d = days - 1; d >= 0; --d) {
        if (!item.history.isEmpty() && chance(12)) {
            int percent = -12 + pick(23);
            cents = moved(cents, percent == 0 ? -3 : percent);
        }
        PricePoint point;
        point.id = nextPointId();
        point.cents = cents;
        if (category == u"llm_api")
            point.outputCents = cents * 4;
        point.compareCents = compare;
        point.at = anchor.addSecs(-86400LL * d - 3600 * hourOffset);
        item.history.append(point);
    }
    for (qsizetype i = item.history.size() - 1; i > 0; --i) {
        if (item.history[i].cents != item.history[i - 1].cents) {
            item.oldCents = item.history[i - 1].cents;
            item.changePct = roundedPercent(item.history[i - 1].cents, item.history[i].cents);
            break;
        }
    }
    item.lastSeen = item.active ? item.current().at : anchor.addDays(-10 - pick(5));
    return item;
}

void Catalogue::seedItems(const QDateTime& anchor) {
    const QHash<QString, QStringList> mix{
        {"aurora-keys", {"codex", "claude", "grok", "gemini", "cursor", "other", "codex", "claude"}},
        {"nimbus-store", {"codex", "claude", "cursor", "gemini", "other"}},
        {"pebble-shop", {"grok", "codex", "claude", "sms", "grok"}},
        {"lantern-market", {"codex", "grok", "claude", "gemini", "cursor", "sms", "other"}},
        {"quartz-api", {"llm_api", "llm_api", "llm_api", "other"}},
        {"harbor-sms", {"sms", "sms", "other", "llm_api"}},
        {"old-mill", {"codex", "claude"}},
    };
    for (const Shop& shop : std::as_const(shops)) {
        const QStringList categories = mix.value(shop.slug);
        if (categories.isEmpty())
            continue;
        const int count = shop.enabled ? 55 : 12;
        for (int i = 0; i < count; ++i) {
            // Every shop lists each of its categories at least once before chance takes over.
            const QString category =
                i < categories.size() ? categories[i] : categories[pick(int(categories.size()))];
            items.append(makeItem(shop, category, i, anchor));
        }
    }
    refreshIndex();
}

void Catalogue::refreshIndex() {
    m_itemIndex.clear();
    for (qsizetype i = 0; i < items.size(); ++i)
        m_itemIndex.insert(items[i].id, i);
}

void Catalogue::seedAccounts(const QDateTime& anchor) {
    addAccount(QStringLiteral("admin"), QStringLiteral("admin123"), QStringLiteral("admin"),
               anchor.addDays(-120));
    addAccount(QStringLiteral("demo"), QStringLiteral("demo123"), QStringLiteral("user"),
               anchor.addDays(-60));
    addAccount(QStringLiteral("mei"), QStringLiteral("member123"), QStringLiteral("member"),
               anchor.addDays(-45));
    const char* const others[] = {"lin",  "zhang_san", "小明", "tanaka",     "olivia", "kai_99",
                                  "moon", "river",     "阿杰", "sky_walker", "nova",   "pixel_cat"};
    for (const char* name : others)
        addAccount(QString::fromUtf8(name), QStringLiteral("password"),
                   chance(30) ? QStringLiteral("member") : QStringLiteral("user"),
                   anchor.addDays(-1 - pick(90)));

    Code welcome;
    welcome.code = QStringLiteral("WELCOME-2026");
    welcome.role = QStringLiteral("member");
    welcome.maxUses = 5;
    welcome.note = QStringLiteral("演示用");
    addCode(welcome, anchor.addDays(-7));
    Code spent;
    spent.code = QStringLiteral("VIP-USED-01");
    spent.role = QStringLiteral("member");
    spent.maxUses = 1;
    spent.usedCount = 1;
    addCode(spent, anchor.addDays(-20));
    Code expired;
    expired.code = QStringLiteral("EXPIRED-2025");
    expired.role = QStringLiteral("member");
    expired.maxUses = 10;
    expired.usedCount = 2;
    expired.expiresAt = anchor.addDays(-30);
    expired.note = QStringLiteral("活动已结束");
    addCode(expired, anchor.addDays(-60));
}

void Catalogue::seedMarks(const QDateTime& anchor) {
    auto randomActiveItem = [&]() -> const Item& {
        for (;;) {
            const Item& item = items[pick(int(items.size()))];
            if (item.active)
                return item;
        }
    };
    auto mark = [&](qint64 user, const char* kind, qint64 productId, qint64 shopId, const QString& note) {
        Mark m;
        m.userId = user;
        m.kind = QString::fromLatin1(kind);
        m.targetType = productId ? QStringLiteral("product") : QStringLiteral("source");
        m.productId = productId;
        m.shopId = shopId;
        m.note = note;
        upsertMark(m, anchor.addSecs(-60LL * (1 + pick(60 * 24 * 20))));
    };
    const int includedShops = 6;
    for (const Account& account : std::as_const(accounts)) {
        if (account.username == u"admin")
            continue;
        const bool demo = account.username == u"demo";
        for (int i = 0; i < (demo ? 3 : 6); ++i)
            mark(account.id, "favorite", randomActiveItem().id, 0, {});
        for (int i = 0; i < (demo ? 1 : 2); ++i) {
            const qint64 id = randomActiveItem().id;
            if (!hasMark(account.id, QStringLiteral("favorite"), id))
                mark(account.id, "down", id, 0, {});
        }
        mark(account.id, "favorite", 0, shops[demo ? 0 : pick(includedShops)].id, {});
    }
    const char* const notes[] = {"价格与页面不符", "链接失效", "描述与实际不符", "已下架仍在列表"};
    for (const char* note : notes)
        mark(accounts[3 + pick(int(accounts.size()) - 3)].id, "report", randomActiveItem().id, 0,
             QString::fromUtf8(note));
    mark(accounts[4].id, "report", 0, shops[2].id, QStringLiteral("店铺经常缺货"));
}

void Catalogue::seedRuns(const QDateTime& anchor) {
    for (const Shop& shop : std::as_const(shops)) {
        if (!shop.included)
            continue;
        for (int i = 3; i >= 1; --i) {
            Run run;
            run.shopId = shop.id;
            run.startedAt =
                shop.enabled ? anchor.addSecs(-3600LL * 6 * i - pick(600)) : anchor.addDays(-10 - i);
            run.durationMs = 300 + pick(4000);
            run.finishedAt = run.startedAt.addMSecs(*run.durationMs);
            run.status = QStringLiteral("success");
            run.itemsUpserted = 55;
            if (!shop.enabled) {
                run.status = QStringLiteral("failed");
                run.itemsUpserted = 0;
                run.errorMessage = QStringLiteral("连接超时");
            } else if (i == 1 && shop.slug == u"nimbus-store") {
                run.status = QStringLiteral("partial");
                run.itemsUpserted = 52;
                run.errorMessage = QStringLiteral("3 个商品解析失败");
            }
            runs.append(run);
        }
    }
    Run running;
    running.shopId = shopBySlug(QStringLiteral("harbor-sms"))->id;
    running.status = QStringLiteral("running");
    running.startedAt = anchor.addSecs(-40);
    runs.append(running);
    std::stable_sort(runs.begin(), runs.end(),
                     [](const Run& a, const Run& b) { return a.startedAt < b.startedAt; });
    for (Run& run : runs)
        run.id = ++m_lastRunId;
}

const Shop* Catalogue::shopById(qint64 id) const {
    for (const Shop& shop : shops)
        if (shop.id == id)
            return &shop;
    return nullptr;
}

const Shop* Catalogue::shopBySlug(const QString& slug) const {
    for (const Shop& shop : shops)
        if (shop.slug == slug)
            return &shop;
    return nullptr;
}

Shop* Catalogue::shopBySlug(const QString& slug) {
    return const_cast<Shop*>(std::as_const(*this).shopBySlug(slug));
}

const Item* Catalogue::itemById(qint64 id) const {
    const auto it = m_itemIndex.constFind(id);
    return it == m_itemIndex.cend() ? nullptr : &items[*it];
}

Account* Catalogue::accountById(qint64 id) {
    for (Account& account : accounts)
        if (account.id == id)
            return &account;
    return nullptr;
}

Account* Catalogue::accountByName(const QString& username) {
    for (Account& account : accounts)
        if (account.username == username)
            return &account;
    return nullptr;
}

ItemScores Catalogue::scores(qint64 itemId) const {
    ItemScores s;
    for (const Mark& m : marks) {
        if (m.productId != itemId)
            continue;
        if (m.kind == u"favorite")
            ++s.favorites;
        else if (m.kind == u"down")
            ++s.downs;
    }
    return s;
}

QHash<qint64, double> Catalogue::valueScores() const {
    QHash<QString, QList<qint64>> groups;
    auto groupKey = [](const Item& item) { return item.category + u'|' + item.currency + u'|' + item.unit; };
    for (const Item& item : items)
        groups[groupKey(item)].append(item.current().cents);
    QHash<QString, double> medians;
    for (auto it = groups.begin(); it != groups.end(); ++it) {
        QList<qint64>& prices = it.value();
        std::sort(prices.begin(), prices.end());
        medians.insert(it.key(), double(prices[prices.size() / 2]));
    }
    QHash<qint64, double> result;
    for (const Item& item : items) {
        const double median = medians.value(groupKey(item));
        result.insert(item.id, (median - double(item.current().cents)) / median * 100.0);
    }
    return result;
}

std::optional<qint64> Catalogue::periodLowCents(const Item& item, const QDateTime& now) const {
    if (item.firstSeen.secsTo(now) < 7 * 86400)
        return std::nullopt;
    const QDateTime from = now.addDays(-7);
    std::optional<qint64> low;
    for (const PricePoint& point : item.history) {
        // The price in force when the window opened counts as well as the ones seen inside it.
        if (point.at < from) {
            low = point.cents;
            continue;
        }
        low = low ? std::min(*low, point.cents) : point.cents;
    }
    return low;
}

bool Catalogue::isNew(const Item& item, const QDateTime& now) const {
    return item.firstSeen.secsTo(now) < 3 * 86400;
}

const Mark& Catalogue::upsertMark(Mark mark, const QDateTime& now) {
    for (Mark& existing : marks) {
        if (existing.userId == mark.userId && existing.kind == mark.kind &&
            existing.targetType == mark.targetType && existing.productId == mark.productId &&
            existing.shopId == mark.shopId) {
            existing.note = mark.note;
            return existing;
        }
    }
    mark.id = ++m_lastMarkId;
    mark.createdAt = now;
    marks.append(mark);
    return marks.last();
}

bool Catalogue::removeMark(qint64 userId, const QString& kind, const QString& targetType, qint64 productId,
                           qint64 shopId) {
    return marks.removeIf([&](const Mark& m) {
        return m.userId == userId && m.kind == kind && m.targetType == targetType &&
               m.productId == productId && m.shopId == shopId;
    }) > 0;
}

bool Catalogue::hasMark(qint64 userId, const QString& kind, qint64 productId) const {
    return std::any_of(marks.begin(), marks.end(), [&](const Mark& m) {
        return m.userId == userId && m.kind == kind && m.productId == productId;
    });
}

Account& Catalogue::addAccount(const QString& username, const QString& password, const QString& role,
                               const QDateTime& now) {
    Account account;
    account.id = ++m_lastAccountId;
    account.username = username;
    account.password = password;
    account.role = role;
    account.createdAt = now;
    accounts.append(account);
    return accounts.last();
}

QString Catalogue::issueToken(qint64 accountId) {
    // Tokens need not be reproducible, and should not be guessable from the seed.
    QString token;
    for (int i = 0; i < 4; ++i)
        token += QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, u'0');
    tokens.insert(token, accountId);
    return token;
}

QString Catalogue::codeProblem(const Code* code, const QDateTime& now) const {
    if (!code)
        return QStringLiteral("兑换码无效");
    if (code->expiresAt && *code->expiresAt <= now)
        return QStringLiteral("兑换码已过期");
    if (code->usedCount >= code->maxUses)
        return QStringLiteral("兑换码已用完");
    return {};
}

Code* Catalogue::codeByText(const QString& text) {
    for (Code& code : codes)
        if (code.code.compare(text, Qt::CaseInsensitive) == 0)
            return &code;
    return nullptr;
}

Code& Catalogue::addCode(Code code, const QDateTime& now) {
    code.id = ++m_lastCodeId;
    code.createdAt = now;
    if (code.role.isEmpty())
        code.role = QStringLiteral("member");
    codes.append(code);
    return codes.last();
}

QString Catalogue::freshCodeText() {
    static const char alphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    for (;;) {
        QString text = QStringLiteral("QV-");
        for (int i = 0; i < 8; ++i) {
            if (i == 4)
                text += u'-';
            text += QLatin1Char(alphabet[pick(int(sizeof alphabet) - 1)]);
        }
        if (!codeByText(text))
            return text;
    }
}

ScrapeOutcome Catalogue::scrape(Shop& shop, const QDateTime& now) {
    ScrapeOutcome outcome;
    outcome.slug = shop.slug;
    outcome.durationMs = 200 + pick(1800);
    Run run;
    run.id = ++m_lastRunId;
    run.shopId = shop.id;
    run.startedAt = now.addMSecs(-outcome.durationMs);
    run.finishedAt = now;
    run.durationMs = outcome.durationMs;

    if (!shop.enabled) {
        outcome.status = run.status = QStringLiteral("failed");
        outcome.error = run.errorMessage = QStringLiteral("店铺已停用");
        run.itemsUpserted = 0;
    } else {
        QList<Item*> seen;
        for (Item& item : items)
            if (item.shopId == shop.id && item.active)
                seen.append(&item);
        for (Item* item : seen) {
            item->lastSeen = now;
            if (chance(15))
                item->moved = false;
        }
        // A scrape that finds nothing new would be dull to watch: at least one price moves.
        QList<Item*> changing;
        for (Item* item : seen)
            if (chance(15) || scriptedMoves.contains(item->id))
                changing.append(item);
        if (changing.isEmpty() && !seen.isEmpty())
            changing.append(seen[pick(int(seen.size()))]);
        for (Item* item : changing) {
            const qint64 before = item->current().cents;
            PricePoint point = item->current();
            point.id = nextPointId();
            if (const auto scripted = scriptedMoves.constFind(item->id);
                scripted != scriptedMoves.constEnd()) {
                // Exactly as asked, so that a check can make a move just under or over a threshold.
                point.cents = std::max<qint64>(1, std::llround(double(before) * (1 + *scripted / 100)));
                scriptedMoves.erase(scripted);
            } else {
                const int percent = -12 + pick(23);
                point.cents = moved(before, percent == 0 ? 4 : percent);
            }
            if (point.outputCents)
                point.outputCents = point.cents * 4;
            point.at = now;
            item->history.append(point);
            item->oldCents = before;
            item->changePct = roundedPercent(before, point.cents);
        }
        // Now and then the shop lists something it did not sell before.
        if (!seen.isEmpty() && chance(25)) {
            const qsizetype listed = std::count_if(items.cbegin(), items.cend(),
                                                   [&](const Item& item) { return item.shopId == shop.id; });
            const QString category = seen[pick(int(seen.size()))]->category;
            Item fresh = makeItem(shop, category, int(listed), now, true);
            fresh.firstSeen = fresh.lastSeen = now;
            fresh.history = {fresh.history.last()};
            fresh.history.first().at = now;
            fresh.oldCents.reset();
            fresh.changePct.reset();
            items.append(fresh);
            m_itemIndex.insert(fresh.id, items.size() - 1);
            ++outcome.itemsUpserted;
        }
        outcome.status = run.status = QStringLiteral("success");
        outcome.itemsUpserted += seen.size();
        outcome.pricesChanged = changing.size();
        run.itemsUpserted = outcome.itemsUpserted;
    }
    runs.append(run);
    outcome.runId = run.id;
    return outcome;
}

} // namespace quelvio::demo
