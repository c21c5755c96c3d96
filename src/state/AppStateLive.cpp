// Live updates: the polling loop, the event-stream reader and the refresh they both drive.
#include "AppState.h"
#include "Logging.h"
#include "StreamEvents.h"
#include "StreamLineReader.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <utility>

namespace quelvio {

namespace {

// Like the reader's line cap: a server that never ends a block must not make the client buffer
// without bound.
constexpr qsizetype maxStreamBlockChars = 1024 * 1024;

} // namespace

void AppState::startRealtime() {
    if (m_pollTask)
        m_pollTask->cancel();
    if (m_streamTask)
        m_streamTask->cancel();
    setUsesPollingFallback(false);

    const QPointer<AppState> self(this);
    const auto interval = m_timings.pollInterval;
    m_pollTask = TaskHandle::start([self, interval](TaskHandle& task) -> QCoro::Task<void> {
        // Ends with its owner too: a loop that can never refresh anything again has no reason to run.
        while (!task.isCancelled() && self) {
            co_await task.sleep(interval);
            if (task.isCancelled())
                co_return;
            if (self)
                co_await self->refreshVisible(false);
        }
    });
    m_streamTask = TaskHandle::start([self](TaskHandle& task) -> QCoro::Task<void> {
        if (self)
            co_await self->listenToStream(task);
    });
}

QCoro::Task<void> AppState::listenToStream(TaskHandle& task) {
    const QPointer<AppState> self(this);
    URLRequest request;
    try {
        request = m_client.factory().urlRequest(APIRequestSpec{
            QStringLiteral("GET"), QStringLiteral("/v1/stream"), {}, std::nullopt, AuthMode::none});
    } catch (const ZeltorAPIError&) {
        setUsesPollingFallback(true);
        co_return;
    }
    if (!m_network) {
        setUsesPollingFallback(true);
        co_return;
    }

    qCDebug(lcStream) << "connecting" << request.request.url().toString(QUrl::RemoveUserInfo);
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(
        m_network->get(request.request), [](QNetworkReply* r) { r->deleteLater(); });
    QNetworkReply* raw = reply.get();
    // Cancelling the task aborts the transfer; the reader then sees the abort at once.
    QObject::connect(&task, &TaskHandle::cancelled, raw, &QNetworkReply::abort);
    if (task.isCancelled())
        raw->abort();

    StreamLineReader reader(raw);
    const bool responded = co_await reader.waitForResponse();
    if (!self || task.isCancelled())
        co_return;
    const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!responded || !status.isValid() || status.toInt() < 200 || status.toInt() > 299) {
        qCDebug(lcStream) << "unavailable" << status << raw->errorString();
        setUsesPollingFallback(true);
        co_return;
    }
    setUsesPollingFallback(false);

    SSEParser parser;
    try {
        while (const auto line = co_await reader.next()) {
            if (!self || task.isCancelled())
                co_return;
            const auto event = parser.ingest(QString::fromUtf8(*line));
            if (parser.pendingDataSize() > maxStreamBlockChars)
                throw StreamLineReader::ReadError("event block too large");
            if (!event)
                continue;
            const QString type = SSEParser::messageType(event->data).value_or(event->event);
            qCDebug(lcStream) << "event" << type;
            if (SSEParser::shouldRefresh(type))
                refreshForStream(m_selectedTab == MenuBarDropdownTab::products);
        }
    } catch (const StreamLineReader::ReadError& error) {
        qCDebug(lcStream) << "reading failed:" << error.what();
    }
    if (!self || task.isCancelled())
        co_return;
    // Broken or closed cleanly by the server, the stream has stopped: only the poll follows the
    // server now, and the view must not go on saying otherwise.
    qCDebug(lcStream) << "ended";
    setUsesPollingFallback(true);
}

void AppState::refreshForStream(bool forceCatalog) {
    m_streamRefreshForcesCatalog = m_streamRefreshForcesCatalog || forceCatalog;
    if (m_streamRefreshRunning) {
        m_streamRefreshPending = true;
        return;
    }
    detach(runStreamRefreshes());
}

QCoro::Task<void> AppState::runStreamRefreshes() {
    // Events that arrive during a refresh make one more refresh after it, however many they are.
    const QPointer<AppState> self(this);
    m_streamRefreshRunning = true;
    do {
        m_streamRefreshPending = false;
        const bool forceCatalog = std::exchange(m_streamRefreshForcesCatalog, false);
        co_await refreshVisible(forceCatalog);
        if (!self)
            co_return;
    } while (m_streamRefreshPending);
    m_streamRefreshRunning = false;
}

QCoro::Task<void> AppState::refreshVisible(bool forceCatalog) {
    // Each step reads the tab, route and sign-in state as it starts, so a change during the
    // refresh takes effect in the remaining steps.
    const QPointer<AppState> self(this);
    co_await loadHealth();
    if (!self)
        co_return;
    if (m_session.isLoggedIn() && m_selectedTab != MenuBarDropdownTab::favorites) {
        co_await loadFavorites();
        if (!self)
            co_return;
    }
    if (forceCatalog || m_selectedTab == MenuBarDropdownTab::products ||
        m_selectedTab == MenuBarDropdownTab::sources) {
        co_await loadSources();
        if (!self)
            co_return;
    }
    if (forceCatalog || m_selectedTab == MenuBarDropdownTab::products) {
        co_await loadCategories();
        if (!self)
            co_return;
    }
    switch (m_selectedTab) {
    case MenuBarDropdownTab::products: {
        const QList<Product> noneRetained;
        const QSet<qint64> noneForced;
        co_await loadProducts(ProductLoadMode::refresh, noneRetained, noneForced);
        break;
    }
    case MenuBarDropdownTab::favorites:
        co_await loadFavorites();
        break;
    case MenuBarDropdownTab::sources:
        co_await loadStatus();
        if (self && m_session.isLoggedIn())
            co_await loadFavorites();
        break;
    case MenuBarDropdownTab::me:
        if (m_session.isLoggedIn()) {
            co_await refreshMe();
            if (self && isAdmin())
                co_await loadAdmin();
        }
        break;
    }
    if (!self)
        co_return;
    if (m_route.kind == PanelRoute::Kind::product)
        co_await loadProductDetail(m_route.productID, true);
}

void AppState::appearOnPanel() {
    detach(refreshVisible(true));
    if (!m_streamTask || m_streamTask->isCancelled())
        startRealtime();
}

} // namespace quelvio
