#pragma once

#include "Presentation/PriceAlerts.h"

#include <QHash>
#include <QString>

namespace quelvio {

// Where the last prices seen of an account's favourites stay between runs, so that a restart
// neither repeats an alert nor misses a drop that happened while the client was closed.
class SeenPriceStoring {
public:
    virtual ~SeenPriceStoring() = default;
    // Never fails: anything missing or unreadable reads as nothing seen.
    virtual QHash<qint64, SeenPrice> load(const QString& account) = 0;
    virtual void save(const QString& account, const QHash<qint64, SeenPrice>& prices) = 0;
};

// A small JSON file of its own: the accounts most recently saved first, each with its prices.
// Bounded on both sides: a larger file reads as empty, and only so many accounts and prices are
// written.
class SeenPriceFile final : public SeenPriceStoring {
public:
    static constexpr qint64 maxFileBytes = 2 * 1024 * 1024;
    static constexpr qsizetype maxAccounts = 8;
    static constexpr qsizetype maxPricesPerAccount = 1000;

    explicit SeenPriceFile(QString path)
        : m_path(std::move(path)) {}

    const QString& path() const { return m_path; }
    QHash<qint64, SeenPrice> load(const QString& account) override;
    void save(const QString& account, const QHash<qint64, SeenPrice>& prices) override;

private:
    QString m_path;
};

} // namespace quelvio
