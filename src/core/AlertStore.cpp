#include "AlertStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>

namespace quelvio {

namespace {

using namespace Qt::StringLiterals;

QJsonArray readAccounts(const QString& path) {
    QFile file(path);
    if (file.size() > AlertFile::maxFileBytes || !file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value("accounts"_L1).toArray();
}

std::optional<QString> optionalText(const QJsonValue& value) {
    return value.isString() ? std::optional(value.toString()) : std::nullopt;
}

QJsonValue jsonText(const std::optional<QString>& text) {
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

std::optional<SeenPrice> readPrice(const QJsonValue& value) {
    const QJsonValue price = value["price"_L1];
    if (!price.isString())
        return std::nullopt;
    return SeenPrice{price.toString(), optionalText(value["currency"_L1]), optionalText(value["unit"_L1])};
}

QJsonObject writtenPrice(const SeenPrice& price) {
    return {{u"price"_s, price.price},
            {u"currency"_s, jsonText(price.currency)},
            {u"unit"_s, jsonText(price.unit)}};
}

// Entries keyed by product ID, at most `limit` of them; keys that are no ID are skipped.
template <typename Value, typename Read>
QHash<qint64, Value> readKeyed(const QJsonObject& stored, qsizetype limit, Read read) {
    QHash<qint64, Value> result;
    for (auto it = stored.begin(); it != stored.end() && result.size() < limit; ++it) {
        bool ok = false;
        const qint64 id = it.key().toLongLong(&ok);
        if (std::optional<Value> value = read(it.value()); ok && value)
            result.insert(id, *value);
    }
    return result;
}

template <typename Value, typename Write>
QJsonObject writtenKeyed(const QHash<qint64, Value>& values, qsizetype limit, Write write) {
    QJsonObject stored;
    for (auto it = values.begin(); it != values.end() && stored.size() < limit; ++it)
        stored.insert(QString::number(it.key()), write(it.value()));
    return stored;
}

std::optional<PriceRule> readRule(const QJsonValue& value) {
    PriceRule rule{readPrice(value["target"_L1]), value["targetTold"_L1].toBool(),
                   value["muted"_L1].toBool()};
    return rule.isEmpty() ? std::nullopt : std::optional(rule);
}

QJsonObject writtenRule(const PriceRule& rule) {
    return {{u"target"_s, rule.target ? QJsonValue(writtenPrice(*rule.target)) : QJsonValue()},
            {u"targetTold"_s, rule.targetTold},
            {u"muted"_s, rule.muted}};
}

} // namespace

AlertBook AlertFile::load(const QString& account) {
    const QString& path = QFile::exists(m_path) || m_legacyPath.isEmpty() ? m_path : m_legacyPath;
    for (const QJsonValue& entry : readAccounts(path)) {
        if (entry["account"_L1].toString() != account)
            continue;
        return {readKeyed<SeenPrice>(entry["prices"_L1].toObject(), maxPricesPerAccount, readPrice),
                readKeyed<PriceRule>(entry["rules"_L1].toObject(), maxRulesPerAccount, readRule)};
    }
    return {};
}

void AlertFile::save(const QString& account, const AlertBook& book) {
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    // A writer that stopped holding the lock for a whole timeout is given up on: an alert told
    // twice is better than a client that stalls.
    QLockFile lock(m_path + u".lock"_s);
    if (!lock.tryLock(lockTimeoutMs))
        return;

    QHash<qint64, PriceRule> rules = book.rules;
    rules.removeIf([](const auto& entry) { return entry.value().isEmpty(); });
    QJsonArray accounts{QJsonObject{{u"account"_s, account},
                                    {u"prices"_s, writtenKeyed(book.seen, maxPricesPerAccount, writtenPrice)},
                                    {u"rules"_s, writtenKeyed(rules, maxRulesPerAccount, writtenRule)}}};
    // The account saved is first, so that it is never the one evicted.
    for (const QJsonValue& entry : readAccounts(m_path))
        if (accounts.size() < maxAccounts && entry["account"_L1].toString() != account)
            accounts.append(entry);

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    // The file names the server, the user and what they follow.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(QJsonDocument(QJsonObject{{u"accounts"_s, accounts}}).toJson(QJsonDocument::Compact));
    file.commit();
}

} // namespace quelvio
