#include "Api.h"

#include "Wire.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTextBoundaryFinder>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace quelvio::demo {

namespace {

// Thrown by a handler to end the request with an error reply.
struct Failure {
    int status;
    QJsonObject body;
};

[[noreturn]] void fail(int status, const QString& message) {
    throw Failure{status, wire::error(message)};
}

HttpReply json(const QJsonObject& object, int status = 200) {
    return {status, QJsonDocument(object).toJson(QJsonDocument::Compact), "application/json"};
}

QJsonObject bodyObject(const RecordedRequest& request) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        fail(400, QStringLiteral("请求体不是有效的 JSON 对象"));
    return document.object();
}

// A string member; absent when missing or null, a 400 when of another type.
std::optional<QString> text(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString())
        fail(400, key + QStringLiteral(" 必须是字符串"));
    return value.toString();
}

QString requiredText(const QJsonObject& object, const QString& key) {
    const auto value = text(object, key);
    if (!value)
        fail(400, QStringLiteral("缺少 ") + key);
    return *value;
}

std::optional<qint64> integer(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    const double number = value.toDouble();
    if (!value.isDouble() || std::trunc(number) != number || std::abs(number) > 9.0e15)
        fail(400, key + QStringLiteral(" 必须是整数"));
    return value.toInteger();
}

// A non-negative integer query parameter; larger values than maximum are capped.
qint64 queryInt(const RecordedRequest& request, const QString& name, qint64 fallback, qint64 maximum) {
    const auto raw = request.queryValue(name);
    if (!raw || raw->isEmpty())
        return fallback;
    bool ok = false;
    const qint64 value = raw->toLongLong(&ok);
    if (!ok || value < 0)
        fail(400, name + QStringLiteral(" 无效"));
    return std::min(value, maximum);
}

int graphemeCount(const QString& s) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    int count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

// The client's rule: 3 to 32 characters, each a letter, mark or digit of any script, or "_".
bool isUsername(const QString& name) {
    const int count = graphemeCount(name);
    if (count < 3 || count > 32)
        return false;
    for (char32_t c : name.toUcs4()) {
        if (c == U'_')
            continue;
        switch (QChar::category(c)) {
        case QChar::Letter_Uppercase:
        case QChar::Letter_Lowercase:
        case QChar::Letter_Titlecase:
        case QChar::Letter_Modifier:
        case QChar::Letter_Other:
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
        case QChar::Number_DecimalDigit:
        case QChar::Number_Letter:
        case QChar::Number_Other:
            continue;
        default:
            return false;
        }
    }
    return true;
}

bool isPassword(const QString& password) {
    const int count = graphemeCount(password);
    return count >= 6 && count <= 72;
}

// Full RFC 3339 date-times only: a date alone or a time without zone is refused.
std::optional<QDateTime> rfc3339(const QString& s) {
    static const QRegularExpression form(
        QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(\.\d+)?(Z|[+-]\d{2}:\d{2})$)"));
    if (!form.match(s).hasMatch())
        return std::nullopt;
    const QDateTime at = QDateTime::fromString(s, Qt::ISODateWithMs);
    return at.isValid() ? std::optional(at.toUTC()) : std::nullopt;
}

QString hostKey(const QString& url) {
    QString host = QUrl(url).host().toLower();
    if (host.startsWith(QLatin1String("www.")))
        host = host.mid(4);
    return host;
}

QJsonArray listOf(const QList<QJsonObject>& objects) {
    QJsonArray array;
    for (const QJsonObject& o : objects)
        array.append(o);
    return array;
}

} // namespace

Api::Api(Catalogue& catalogue, QString apiKey, Clock clock, Announce announce)
    : m_catalogue(catalogue)
    , m_apiKey(std::move(apiKey))
    , m_now(std::move(clock))
    , m_announce(std::move(announce)) {}

HttpReply Api::handle(const RecordedRequest& request) {
    try {
        return route(request);
    } catch (const Failure& failure) {
        return json(failure.body, failure.status);
    }
}

HttpReply Api::route(const RecordedRequest& r) {
    const QString& path = r.path;
    const QByteArray& m = r.method;
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    auto only = [&](const char* method) {
        if (m != method)
            fail(405, QStringLiteral("不支持的请求方法"));
    };
    auto idAt = [&](qsizetype index) {
        bool ok = false;
        const qint64 id = parts.value(index).toLongLong(&ok);
        if (!ok)
            fail(404, QStringLiteral("未找到"));
        return id;
    };

    if (path == u"/health")
        return only("GET"), health();
    if (path == u"/demo/price-moves") {
        requireApiKey(r);
        only("POST");
        return scriptPriceMove(r);
    }
    if (parts.size() < 2 || parts[0] != u"v1")
        fail(404, QStringLiteral("未找到"));
    const QString& head = parts[1];
    const qsizetype n = parts.size();

    if (head == u"sources" && n == 2)
        return only("GET"), sources(r);
    if (head == u"sources" && n == 3 && parts[2] == u"requests")
        return only("POST"), requestSource(r);
    if (head == u"categories" && n == 2)
        return only("GET"), categories(r);
    if (head == u"products" && n == 2)
        return only("GET"), products(r);
    if (head == u"products" && n == 3)
        return only("GET"), product(r, idAt(2));
    if (head == u"products" && n == 4 && parts[3] == u"history")
        return only("GET"), history(r, idAt(2));
    if (head == u"prices" && n == 3 && parts[2] == u"changes")
        return only("GET"), priceChanges(r);
    if (head == u"scrape-runs" && n == 2)
        return only("GET"), scrapeRuns(r);
    if (head == u"auth" && n == 3) {
        only("POST");
        if (parts[2] == u"register")
            return registerAccount(r);
        if (parts[2] == u"login")
            return login(r);
        if (parts[2] == u"logout")
            return logout(r);
    }
    if (head == u"me" && n == 2)
        return only("GET"), me(r);
    if (head == u"me" && n == 3 && parts[2] == u"redeem")
        return only("POST"), redeem(r);
    if (head == u"me" && n == 3 && parts[2] == u"favorites")
        return only("GET"), favorites(r);
    if (head == u"reactions" && n == 2) {
        if (m != "POST" && m != "DELETE")
            fail(405, QStringLiteral("不支持的请求方法"));
        return react(r, m == "DELETE");
    }
    if (head == u"admin" && n >= 3) {
        // Every administration path needs an administrator, known or not.
        requireAdmin(r);
        if (parts[2] == u"users" && n == 3)
            return only("GET"), adminUsers(r);
        if (parts[2] == u"users" && n == 4)
            return only("PATCH"), setRole(r, idAt(3));
        if (parts[2] == u"codes" && n == 3) {
            if (m == "GET")
                return adminCodes(r);
            return only("POST"), createCode(r);
        }
        if (parts[2] == u"reports" && n == 3)
            return only("GET"), adminReports(r);
    }
    if (head == u"scrape" && (n == 2 || n == 3)) {
        requireApiKey(r);
        only("POST");
        return runScrape(n == 3 ? parts[2] : QString());
    }
    fail(404, QStringLiteral("未找到"));
}

// --- credentials -------------------------------------------------------------------------------

std::optional<qint64> Api::viewer(const RecordedRequest& request) const {
    const QByteArray header = request.header("Authorization");
    if (header.isEmpty())
        return std::nullopt;
    static const QByteArray scheme = "Bearer ";
    const QString token =
        header.startsWith(scheme) ? QString::fromUtf8(header.mid(scheme.size())).trimmed() : QString();
    const auto it = m_catalogue.tokens.constFind(token);
    if (token.isEmpty() || it == m_catalogue.tokens.cend())
        fail(401, QStringLiteral("登录已失效，请重新登录"));
    return *it;
}

Account& Api::requireUser(const RecordedRequest& request) {
    const auto id = viewer(request);
    if (!id)
        fail(401, QStringLiteral("请先登录"));
    Account* account = m_catalogue.accountById(*id);
    if (!account)
        fail(401, QStringLiteral("登录已失效，请重新登录"));
    return *account;
}

Account& Api::requireAdmin(const RecordedRequest& request) {
    Account& account = requireUser(request);
    if (!account.isAdmin())
        fail(403, QStringLiteral("需要管理员权限"));
    return account;
}

void Api::requireApiKey(const RecordedRequest& request) const {
    const QByteArray key = request.header("X-API-Key");
    if (key.isEmpty())
        fail(401, QStringLiteral("缺少 API Key"));
    if (QString::fromUtf8(key) != m_apiKey)
        fail(401, QStringLiteral("API Key 无效"));
}

// --- catalogue ---------------------------------------------------------------------------------

HttpReply Api::health() {
    return json({{"status", "ok"}, {"service", "quelvio-demo-server"}, {"time", wire::time(m_now())}});
}

HttpReply Api::sources(const RecordedRequest& request) {
    const auto included = request.queryValue(QStringLiteral("included"));
    if (included && *included != u"1" && *included != u"0" && !included->isEmpty())
        fail(400, QStringLiteral("included 无效"));
    QJsonArray items;
    for (const Shop& shop : std::as_const(m_catalogue.shops)) {
        if (included && !included->isEmpty() && shop.included != (*included == u"1"))
            continue;
        items.append(wire::source(shop));
    }
    return json(wire::itemList(items));
}

HttpReply Api::requestSource(const RecordedRequest& request) {
    const Account& account = requireUser(request);
    const QJsonObject body = bodyObject(request);
    const QString url = requiredText(body, QStringLiteral("url")).trimmed();
    const QString name = text(body, QStringLiteral("name")).value_or(QString()).trimmed();
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || (parsed.scheme() != u"http" && parsed.scheme() != u"https") ||
        parsed.host().isEmpty())
        fail(400, QStringLiteral("无效的店铺地址"));

    const QString host = hostKey(url);
    for (const Shop& shop : std::as_const(m_catalogue.shops)) {
        if (hostKey(shop.baseUrl) == host || hostKey(shop.homepageUrl) == host) {
            throw Failure{409, QJsonObject{{"error", shop.included ? QStringLiteral("该店铺已在收录列表中")
                                                                   : QStringLiteral("该店铺已有人申请")},
                                           {"item", wire::source(shop)}}};
        }
    }
    Shop shop;
    QString slug = host;
    slug.replace(u'.', u'-');
    shop.slug = slug;
    for (int i = 2; m_catalogue.shopBySlug(shop.slug); ++i)
        shop.slug = slug + u'-' + QString::number(i);
    shop.name = name.isEmpty() ? host : name;
    shop.baseUrl = parsed.scheme() + QStringLiteral("://") + parsed.host();
    shop.homepageUrl = url;
    shop.productUrl = url;
    shop.kind = QStringLiteral("requested");
    shop.enabled = false;
    shop.included = false;
    shop.requestedBy = account.username;
    return json({{"item", wire::source(m_catalogue.addShop(shop))}}, 201);
}

HttpReply Api::categories(const RecordedRequest& request) {
    const bool all = request.queryValue(QStringLiteral("active")) == QStringLiteral("0");
    static const char* const order[] = {"codex",  "grok", "claude",  "gemini",
                                        "cursor", "sms",  "llm_api", "other"};
    QHash<QString, qint64> counts;
    for (const Item& item : std::as_const(m_catalogue.items))
        if (all || item.active)
            ++counts[item.category];
    QJsonArray items;
    for (const char* key : order) {
        const qint64 count = counts.value(QString::fromLatin1(key));
        if (count > 0)
            items.append(QJsonObject{{"id", QString::fromLatin1(key)}, {"count", count}});
    }
    return json(wire::itemList(items));
}

QList<const Item*> Api::sorted(QList<const Item*> list, const RecordedRequest& request) const {
    const QString sort = request.queryValue(QStringLiteral("sort")).value_or(QString());
    const QString order = request.queryValue(QStringLiteral("order")).value_or(QString());
    if (!order.isEmpty() && order != u"asc" && order != u"desc")
        fail(400, QStringLiteral("order 无效"));

    if (sort.isEmpty()) {
        // Goodwill first, then what the shops showed most recently.
        QHash<qint64, qint64> goodwill;
        for (const Item* item : list)
            goodwill.insert(item->id, m_catalogue.scores(item->id).goodwill());
        std::stable_sort(list.begin(), list.end(), [&](const Item* a, const Item* b) {
            if (goodwill[a->id] != goodwill[b->id])
                return goodwill[a->id] > goodwill[b->id];
            if (a->lastSeen != b->lastSeen)
                return a->lastSeen > b->lastSeen;
            return a->id < b->id;
        });
        return list;
    }

    // A key of each product; products without one go last whatever the order.
    std::function<std::optional<double>(const Item*)> key;
    bool descending = true;
    if (sort == u"value") {
        const QHash<qint64, double> scores = m_catalogue.valueScores();
        key = [scores](const Item* item) { return std::optional(scores.value(item->id)); };
    } else if (sort == u"last_seen") {
        key = [](const Item* item) { return std::optional(double(item->lastSeen.toMSecsSinceEpoch())); };
    } else if (sort == u"price") {
        key = [](const Item* item) { return std::optional(double(item->current().cents)); };
        descending = false;
    } else if (sort == u"change_pct") {
        key = [](const Item* item) { return item->changePct; };
    } else {
        fail(400, QStringLiteral("不支持的排序：") + sort);
    }
    if (!order.isEmpty())
        descending = order == u"desc";
    std::stable_sort(list.begin(), list.end(), [&](const Item* a, const Item* b) {
        const auto ka = key(a), kb = key(b);
        if (ka.has_value() != kb.has_value())
            return ka.has_value();
        if (ka && *ka != *kb)
            return descending ? *ka > *kb : *ka < *kb;
        return a->id < b->id;
    });
    return list;
}

HttpReply Api::products(const RecordedRequest& request) {
    const auto who = viewer(request);
    const auto source = request.queryValue(QStringLiteral("source")).value_or(QString());
    const auto category = request.queryValue(QStringLiteral("category")).value_or(QString());
    const auto subtype = request.queryValue(QStringLiteral("subtype")).value_or(QString());
    const auto q = request.queryValue(QStringLiteral("q")).value_or(QString()).trimmed();
    const bool all = request.queryValue(QStringLiteral("active")) == QStringLiteral("0");
    const qint64 limit = queryInt(request, QStringLiteral("limit"), 50, 500);
    const qint64 offset = queryInt(request, QStringLiteral("offset"), 0, std::numeric_limits<int>::max());

    const Shop* shop = source.isEmpty() ? nullptr : m_catalogue.shopBySlug(source);
    QList<const Item*> selected;
    if (source.isEmpty() || shop) {
        for (const Item& item : std::as_const(m_catalogue.items)) {
            if ((!all && !item.active) || (shop && item.shopId != shop->id) ||
                (!category.isEmpty() && item.category != category) ||
                (!subtype.isEmpty() && item.subtype != subtype))
                continue;
            if (!q.isEmpty()) {
                const Shop* owner = m_catalogue.shopById(item.shopId);
                if (!item.name.contains(q, Qt::CaseInsensitive) &&
                    !item.externalKey.contains(q, Qt::CaseInsensitive) &&
                    !(owner && owner->name.contains(q, Qt::CaseInsensitive)))
                    continue;
            }
            selected.append(&item);
        }
    }
    selected = sorted(selected, request);

    const QDateTime now = m_now();
    QJsonArray items;
    for (qsizetype i = offset; i < selected.size() && i < offset + limit; ++i)
        items.append(wire::product(m_catalogue, *selected[i], now, who));
    return json(wire::itemList(items));
}

HttpReply Api::product(const RecordedRequest& request, qint64 id) {
    const auto who = viewer(request);
    const Item* item = m_catalogue.itemById(id);
    if (!item)
        fail(404, QStringLiteral("商品不存在"));
    return json(wire::product(m_catalogue, *item, m_now(), who));
}

HttpReply Api::history(const RecordedRequest& request, qint64 id) {
    const Item* item = m_catalogue.itemById(id);
    if (!item)
        fail(404, QStringLiteral("商品不存在"));
    const qint64 limit = queryInt(request, QStringLiteral("limit"), 40, 1000);
    // The latest points, oldest first, so a chart can draw them as they come.
    QJsonArray items;
    for (qsizetype i = std::max<qsizetype>(0, item->history.size() - limit); i < item->history.size(); ++i)
        items.append(wire::snapshot(m_catalogue, *item, item->history[i]));
    return json(wire::itemList(items));
}

HttpReply Api::priceChanges(const RecordedRequest& request) {
    const qint64 limit = queryInt(request, QStringLiteral("limit"), 50, 500);
    struct Change {
        const Item* item;
        qsizetype index;
    };
    QList<Change> changes;
    for (const Item& item : std::as_const(m_catalogue.items))
        for (qsizetype i = 1; i < item.history.size(); ++i)
            if (item.history[i].cents != item.history[i - 1].cents)
                changes.append({&item, i});
    std::stable_sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) {
        const QDateTime& ta = a.item->history[a.index].at;
        const QDateTime& tb = b.item->history[b.index].at;
        return ta != tb ? ta > tb : a.item->id < b.item->id;
    });
    QJsonArray items;
    for (qsizetype i = 0; i < changes.size() && i < limit; ++i) {
        const Change& c = changes[i];
        items.append(
            wire::priceChange(m_catalogue, *c.item, c.item->history[c.index - 1], c.item->history[c.index]));
    }
    return json(wire::itemList(items));
}

HttpReply Api::scrapeRuns(const RecordedRequest& request) {
    const qint64 limit = queryInt(request, QStringLiteral("limit"), 50, 500);
    QJsonArray items;
    for (qsizetype i = m_catalogue.runs.size() - 1; i >= 0 && items.size() < limit; --i)
        items.append(wire::run(m_catalogue, m_catalogue.runs[i]));
    return json(wire::itemList(items));
}

// --- accounts ----------------------------------------------------------------------------------

HttpReply Api::registerAccount(const RecordedRequest& request) {
    const QJsonObject body = bodyObject(request);
    const QString username = requiredText(body, QStringLiteral("username")).trimmed();
    const QString password = requiredText(body, QStringLiteral("password"));
    const QString code = text(body, QStringLiteral("redeem_code")).value_or(QString()).trimmed();
    if (!isUsername(username))
        fail(400, QStringLiteral("用户名需 3–32 位字母数字下划线"));
    if (!isPassword(password))
        fail(400, QStringLiteral("密码需 6–72 位"));
    if (m_catalogue.accountByName(username))
        fail(409, QStringLiteral("用户名已被占用"));

    const QDateTime now = m_now();
    QString warning;
    QString role = QStringLiteral("user");
    if (!code.isEmpty()) {
        Code* found = m_catalogue.codeByText(code);
        warning = m_catalogue.codeProblem(found, now);
        if (warning.isEmpty()) {
            ++found->usedCount;
            role = found->role;
        } else {
            warning += QStringLiteral("，已注册为普通用户");
        }
    }
    Account& account = m_catalogue.addAccount(username, password, role, now);
    QJsonObject session{{"user", wire::user(account)}, {"token", m_catalogue.issueToken(account.id)}};
    if (!warning.isEmpty())
        session.insert("redeem_warning", warning);
    return json(session, 201);
}

HttpReply Api::login(const RecordedRequest& request) {
    const QJsonObject body = bodyObject(request);
    const QString username = requiredText(body, QStringLiteral("username")).trimmed();
    const QString password = requiredText(body, QStringLiteral("password"));
    Account* account = m_catalogue.accountByName(username);
    if (!account || account->password != password)
        fail(401, QStringLiteral("用户名或密码错误"));
    return json({{"user", wire::user(*account)}, {"token", m_catalogue.issueToken(account->id)}});
}

HttpReply Api::logout(const RecordedRequest& request) {
    // Signing out never fails: an unknown or missing token is as good as a revoked one.
    const QByteArray header = request.header("Authorization");
    if (header.startsWith("Bearer "))
        m_catalogue.tokens.remove(QString::fromUtf8(header.mid(7)).trimmed());
    return json({{"ok", true}});
}

HttpReply Api::me(const RecordedRequest& request) {
    return json({{"user", wire::user(requireUser(request))}});
}

HttpReply Api::redeem(const RecordedRequest& request) {
    Account& account = requireUser(request);
    const QString text = requiredText(bodyObject(request), QStringLiteral("code")).trimmed();
    Code* code = m_catalogue.codeByText(text);
    const QString problem = m_catalogue.codeProblem(code, m_now());
    if (!problem.isEmpty())
        fail(400, problem);
    ++code->usedCount;
    if (!account.isAdmin()) // a code never demotes
        account.role = code->role;
    return json({{"user", wire::user(account)}});
}

HttpReply Api::favorites(const RecordedRequest& request) {
    const Account& account = requireUser(request);
    const QString type = request.queryValue(QStringLiteral("type")).value_or(QString());
    if (!type.isEmpty() && type != u"product" && type != u"source")
        fail(400, QStringLiteral("type 无效"));
    const qint64 limit = queryInt(request, QStringLiteral("limit"), 50, 500);
    const qint64 offset = queryInt(request, QStringLiteral("offset"), 0, std::numeric_limits<int>::max());

    QList<const Mark*> shopMarks;
    QHash<qint64, const Mark*> productMarks;
    QList<const Item*> favoriteItems;
    for (const Mark& mark : std::as_const(m_catalogue.marks)) {
        if (mark.userId != account.id || mark.kind != u"favorite" ||
            (!type.isEmpty() && mark.targetType != type))
            continue;
        if (mark.targetType == u"source") {
            shopMarks.append(&mark);
        } else if (const Item* item = m_catalogue.itemById(mark.productId)) {
            productMarks.insert(item->id, &mark);
            favoriteItems.append(item);
        }
    }
    auto newestFirst = [](const Mark* a, const Mark* b) {
        return a->createdAt != b->createdAt ? a->createdAt > b->createdAt : a->id > b->id;
    };
    std::stable_sort(shopMarks.begin(), shopMarks.end(), newestFirst);
    QList<const Mark*> ordered;
    if (request.queryValue(QStringLiteral("sort")).value_or(QString()).isEmpty()) {
        for (const Item* item : favoriteItems)
            ordered.append(productMarks[item->id]);
        std::stable_sort(ordered.begin(), ordered.end(), newestFirst);
    } else {
        for (const Item* item : sorted(favoriteItems, request))
            ordered.append(productMarks[item->id]);
    }
    ordered += shopMarks;

    const QDateTime now = m_now();
    QJsonArray items;
    for (qsizetype i = offset; i < ordered.size() && i < offset + limit; ++i)
        items.append(wire::reaction(m_catalogue, *ordered[i], now, account.id));
    return json(wire::itemList(items));
}

HttpReply Api::react(const RecordedRequest& request, bool remove) {
    const Account& account = requireUser(request);
    const QJsonObject body = bodyObject(request);
    Mark mark;
    mark.userId = account.id;
    mark.kind = requiredText(body, QStringLiteral("kind"));
    mark.targetType = requiredText(body, QStringLiteral("target_type"));
    mark.note = text(body, QStringLiteral("note")).value_or(QString()).trimmed();
    if (mark.kind != u"favorite" && mark.kind != u"down" && mark.kind != u"report")
        fail(400, QStringLiteral("无效的标记类型"));
    if (mark.targetType == u"product") {
        const auto id = integer(body, QStringLiteral("product_id"));
        if (!id)
            fail(400, QStringLiteral("缺少 product_id"));
        if (!m_catalogue.itemById(*id))
            fail(404, QStringLiteral("商品不存在"));
        mark.productId = *id;
    } else if (mark.targetType == u"source") {
        const Shop* shop = m_catalogue.shopBySlug(requiredText(body, QStringLiteral("source")));
        if (!shop)
            fail(404, QStringLiteral("店铺不存在"));
        mark.shopId = shop->id;
    } else {
        fail(400, QStringLiteral("无效的标记对象"));
    }

    if (remove) {
        m_catalogue.removeMark(mark.userId, mark.kind, mark.targetType, mark.productId, mark.shopId);
        return json({{"ok", true}});
    }
    const QDateTime now = m_now();
    const Mark& stored = m_catalogue.upsertMark(mark, now);
    return json({{"item", wire::reaction(m_catalogue, stored, now, account.id)}});
}

// --- administration ----------------------------------------------------------------------------

HttpReply Api::adminUsers(const RecordedRequest& request) {
    const QString q = request.queryValue(QStringLiteral("q")).value_or(QString()).trimmed();
    const qint64 limit = queryInt(request, QStringLiteral("limit"), 50, 500);
    QJsonArray items;
    for (const Account& account : std::as_const(m_catalogue.accounts)) {
        if (items.size() >= limit)
            break;
        if (q.isEmpty() || account.username.contains(q, Qt::CaseInsensitive))
            items.append(wire::user(account));
    }
    return json(wire::itemList(items));
}

HttpReply Api::setRole(const RecordedRequest& request, qint64 id) {
    const QString role = requiredText(bodyObject(request), QStringLiteral("role"));
    if (role != u"user" && role != u"member" && role != u"admin")
        fail(400, QStringLiteral("无效的角色"));
    Account* account = m_catalogue.accountById(id);
    if (!account)
        fail(404, QStringLiteral("用户不存在"));
    account->role = role;
    return json({{"user", wire::user(*account)}});
}

HttpReply Api::adminCodes(const RecordedRequest& request) {
    const qint64 limit = queryInt(request, QStringLiteral("limit"), 50, 500);
    QJsonArray items;
    for (qsizetype i = m_catalogue.codes.size() - 1; i >= 0 && items.size() < limit; --i)
        items.append(wire::code(m_catalogue.codes[i]));
    return json(wire::itemList(items));
}

HttpReply Api::createCode(const RecordedRequest& request) {
    const QJsonObject body = bodyObject(request);
    Code code;
    code.code = text(body, QStringLiteral("code")).value_or(QString()).trimmed();
    code.maxUses = integer(body, QStringLiteral("max_uses")).value_or(1);
    code.note = text(body, QStringLiteral("note")).value_or(QString()).trimmed();
    if (code.maxUses < 1)
        fail(400, QStringLiteral("max_uses 至少为 1"));
    if (const auto expires = text(body, QStringLiteral("expires_at"))) {
        code.expiresAt = rfc3339(*expires);
        if (!code.expiresAt)
            fail(400, QStringLiteral("expires_at 不是有效的时间"));
    }
    if (code.code.isEmpty())
        code.code = m_catalogue.freshCodeText();
    else if (m_catalogue.codeByText(code.code))
        fail(409, QStringLiteral("兑换码已存在"));
    return json({{"item", wire::code(m_catalogue.addCode(code, m_now()))}}, 201);
}

HttpReply Api::adminReports(const RecordedRequest& request) {
    const qint64 limit = queryInt(request, QStringLiteral("limit"), 50, 500);
    QList<const Mark*> reports;
    for (const Mark& mark : std::as_const(m_catalogue.marks))
        if (mark.kind == u"report")
            reports.append(&mark);
    std::stable_sort(reports.begin(), reports.end(), [](const Mark* a, const Mark* b) {
        return a->createdAt != b->createdAt ? a->createdAt > b->createdAt : a->id > b->id;
    });
    const QDateTime now = m_now();
    QList<QJsonObject> items;
    for (qsizetype i = 0; i < reports.size() && i < limit; ++i)
        items.append(wire::reaction(m_catalogue, *reports[i], now, std::nullopt));
    return json(wire::itemList(listOf(items)));
}

// --- scrapes -----------------------------------------------------------------------------------

// Not part of the API: lets a desktop check make a watched price fall on the next scrape.
HttpReply Api::scriptPriceMove(const RecordedRequest& request) {
    const QJsonObject body = bodyObject(request);
    const auto id = integer(body, QStringLiteral("product_id"));
    const QJsonValue percent = body.value(QStringLiteral("percent"));
    if (!id || !m_catalogue.itemById(*id))
        fail(404, QStringLiteral("商品不存在"));
    if (!percent.isDouble() || !(percent.toDouble() > -100) || !(percent.toDouble() <= 1000))
        fail(400, QStringLiteral("无效的 percent"));
    m_catalogue.scriptedMoves.insert(*id, percent.toDouble());
    return json({{"ok", true}});
}

HttpReply Api::scrape(const QString& slug) {
    try {
        return runScrape(slug);
    } catch (const Failure& failure) {
        return json(failure.body, failure.status);
    }
}

HttpReply Api::runScrape(const QString& slug) {
    const QDateTime now = m_now();
    QList<ScrapeOutcome> outcomes;
    if (!slug.isEmpty()) {
        Shop* shop = m_catalogue.shopBySlug(slug);
        if (!shop)
            fail(404, QStringLiteral("店铺不存在"));
        if (!shop->included)
            fail(409, QStringLiteral("店铺尚未收录"));
        outcomes.append(m_catalogue.scrape(*shop, now));
    } else {
        for (Shop& shop : m_catalogue.shops)
            if (shop.included && shop.enabled)
                outcomes.append(m_catalogue.scrape(shop, now));
    }

    ScrapeOutcome total;
    total.slug = slug.isEmpty() ? QStringLiteral("all") : slug;
    total.status = QStringLiteral("success");
    qint64 changed = 0;
    for (const ScrapeOutcome& o : std::as_const(outcomes)) {
        total.runId = o.runId;
        total.itemsUpserted += o.itemsUpserted;
        total.durationMs += o.durationMs;
        changed += o.pricesChanged;
        if (o.status != u"success") {
            total.status = outcomes.size() == 1 ? o.status : QStringLiteral("partial");
            total.error = o.error;
        }
    }
    if (changed > 0)
        m_announce(QStringLiteral("price.updated"), {{"source", total.slug}, {"changed", changed}});
    m_announce(QStringLiteral("scrape.finished"),
               {{"source", total.slug}, {"run_id", total.runId}, {"status", total.status}});
    return json(wire::scrapeResult(total));
}

} // namespace quelvio::demo
