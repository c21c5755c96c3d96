#pragma once

#include "Presentation/PriceAlerts.h"

#include <QString>

namespace quelvio {

// Where an account's alert baselines and rules stay between runs, so that a restart neither
// repeats an alert nor misses a drop that happened while the client was closed.
class AlertStoring {
public:
    virtual ~AlertStoring() = default;
    // Never fails: anything missing or unreadable reads as nothing seen and no rules.
    virtual AlertBook load(const QString& account) = 0;
    virtual void save(const QString& account, const AlertBook& book) = 0;
};

// A small JSON file beside the profile's settings, readable by its owner only: the accounts most
// recently saved first, each with its prices and rules. Saving re-reads the file under a lock and
// replaces only its own account, so that two writers lose nothing of each other's. Bounded on
// both sides: a larger file reads as empty, and only so many accounts, prices and rules are
// written.
class AlertFile final : public AlertStoring {
public:
    static constexpr qint64 maxFileBytes = 4 * 1024 * 1024;
    static constexpr qsizetype maxAccounts = 8;
    static constexpr qsizetype maxPricesPerAccount = 2000;
    static constexpr qsizetype maxRulesPerAccount = 2000;
    static constexpr int lockTimeoutMs = 500;

    // legacyPath: a file of an earlier release, read while path does not exist yet.
    explicit AlertFile(QString path, QString legacyPath = {})
        : m_path(std::move(path))
        , m_legacyPath(std::move(legacyPath)) {}

    const QString& path() const { return m_path; }
    AlertBook load(const QString& account) override;
    void save(const QString& account, const AlertBook& book) override;

private:
    QString m_path;
    QString m_legacyPath;
};

} // namespace quelvio
