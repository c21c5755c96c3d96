#pragma once

#include "Catalogue.h"
#include "DemoServer.h"

#include <QJsonObject>
#include <functional>

// The endpoints: one request in, one complete reply out. The event stream is not among them; it
// lives with the connections in DemoServer.
namespace quelvio::demo {

struct HttpReply {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
};

class Api {
public:
    using Clock = std::function<QDateTime()>;
    // Called with an event type and the members to add to its message.
    using Announce = std::function<void(const QString& type, const QJsonObject& extra)>;

    Api(Catalogue& catalogue, QString apiKey, Clock clock, Announce announce);

    HttpReply handle(const RecordedRequest& request);
    // Scrapes one shop by slug, or every enabled shop for an empty slug, and announces it.
    HttpReply scrape(const QString& slug);

private:
    HttpReply route(const RecordedRequest& request);
    HttpReply runScrape(const QString& slug);
    HttpReply scriptPriceMove(const RecordedRequest& request);

    HttpReply health();
    HttpReply sources(const RecordedRequest& request);
    HttpReply requestSource(const RecordedRequest& request);
    HttpReply categories(const RecordedRequest& request);
    HttpReply products(const RecordedRequest& request);
    HttpReply product(const RecordedRequest& request, qint64 id);
    HttpReply history(const RecordedRequest& request, qint64 id);
    HttpReply priceChanges(const RecordedRequest& request);
    HttpReply scrapeRuns(const RecordedRequest& request);
    HttpReply registerAccount(const RecordedRequest& request);
    HttpReply login(const RecordedRequest& request);
    HttpReply logout(const RecordedRequest& request);
    HttpReply me(const RecordedRequest& request);
    HttpReply redeem(const RecordedRequest& request);
    HttpReply favorites(const RecordedRequest& request);
    HttpReply react(const RecordedRequest& request, bool remove);
    HttpReply adminUsers(const RecordedRequest& request);
    HttpReply setRole(const RecordedRequest& request, qint64 id);
    HttpReply adminCodes(const RecordedRequest& request);
    HttpReply createCode(const RecordedRequest& request);
    HttpReply adminReports(const RecordedRequest& request);

    // The caller named by a bearer token: none without the header; a 401 for a token that is not
    // (or no longer) valid.
    std::optional<qint64> viewer(const RecordedRequest& request) const;
    Account& requireUser(const RecordedRequest& request);
    Account& requireAdmin(const RecordedRequest& request);
    void requireApiKey(const RecordedRequest& request) const;
    QList<const Item*> sorted(QList<const Item*> list, const RecordedRequest& request) const;

    Catalogue& m_catalogue;
    QString m_apiKey;
    Clock m_now;
    Announce m_announce;
};

} // namespace quelvio::demo
