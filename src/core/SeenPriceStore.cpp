#include "SeenPriceStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace quelvio {

namespace {

QJsonArray readAccounts(const QString& path) {
    QFile file(path);
    if (file.size() > SeenPriceFile::maxFileBytes || !file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value(QLatin1StringView("accounts")).toArray();
}

std::optional<QString> optionalText(const QJsonValue& value) {
    return value.isString() ? std::optional(value.toString()) : std::nullopt;
}

QJsonValue jsonText(const std::optional<QString>& text) {
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

} // namespace

QHash<qint64, SeenPrice> SeenPriceFile::load(const QString& account) {
    QHash<qint64, SeenPrice> prices;
    for (const QJsonValue& entry : readAccounts(m_path)) {
        if (entry[QLatin1StringView("account")].toString() != account)
            continue;
        const QJsonObject stored = entry[QLatin1StringView("prices")].toObject();
        for (auto it = stored.begin(); it != stored.end() && prices.size() < maxPricesPerAccount; ++it) {
            bool ok = false;
            const qint64 id = it.key().toLongLong(&ok);
            const QJsonValue price = it.value()[QLatin1StringView("price")];
            if (!ok || !price.isString())
                continue;
            prices.insert(id, {price.toString(), optionalText(it.value()[QLatin1StringView("currency")]),
                               optionalText(it.value()[QLatin1StringView("unit")])});
        }
        break;
    }
    return prices;
}

void SeenPriceFile::save(const QString& account, const QHash<qint64, SeenPrice>& prices) {
    QJsonObject stored;
    for (auto it = prices.begin(); it != prices.end() && stored.size() < maxPricesPerAccount; ++it)
        stored.insert(QString::number(it.key()),
                      QJsonObject{{QStringLiteral("price"), it->price},
                                  {QStringLiteral("currency"), jsonText(it->currency)},
                                  {QStringLiteral("unit"), jsonText(it->unit)}});
    QJsonArray accounts{
        QJsonObject{{QStringLiteral("account"), account}, {QStringLiteral("prices"), stored}}};
    for (const QJsonValue& entry : readAccounts(m_path))
        if (accounts.size() < maxAccounts && entry[QLatin1StringView("account")].toString() != account)
            accounts.append(entry);

    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(
        QJsonDocument(QJsonObject{{QStringLiteral("accounts"), accounts}}).toJson(QJsonDocument::Compact));
    file.commit();
}

} // namespace quelvio
