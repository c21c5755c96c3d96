#pragma once

#include "Catalogue.h"

#include <QJsonArray>
#include <QJsonObject>
#include <optional>

// The reply records, written with their wire keys spelled out. The server deliberately does not
// share the client's coders: a client whose key rules drift from these fails the tests.
namespace quelvio::demo::wire {

// RFC 3339 in UTC with a "Z", whole seconds.
QString time(const QDateTime& at);

QJsonObject source(const Shop& shop);
// viewer: the signed-in caller, whose own marks go into "my"; none without a valid token.
QJsonObject product(const Catalogue& catalogue, const Item& item, const QDateTime& now,
                    std::optional<qint64> viewer);
QJsonObject snapshot(const Catalogue& catalogue, const Item& item, const PricePoint& point);
QJsonObject priceChange(const Catalogue& catalogue, const Item& item, const PricePoint& before,
                        const PricePoint& after);
QJsonObject run(const Catalogue& catalogue, const Run& run);
QJsonObject user(const Account& account);
QJsonObject reaction(const Catalogue& catalogue, const Mark& mark, const QDateTime& now,
                     std::optional<qint64> viewer);
QJsonObject code(const Code& code);
QJsonObject scrapeResult(const ScrapeOutcome& outcome);

QJsonObject itemList(const QJsonArray& items);
QJsonObject error(const QString& text);

} // namespace quelvio::demo::wire
