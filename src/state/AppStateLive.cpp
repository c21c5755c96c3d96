// Live updates: the polling loop, the event-stream reader and the refresh they both drive.
#include "AppState.h"
#include "Logging.h"
#include "StreamEvents.h"
#include "StreamLineReader.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <algorithm>
#include <utility>

using namespace std::chrono_literals;

namespace quelvio {

namespace {

// Like the reader's line cap: a server that never ends a block must not make the client buffer
// without bound.
constexpr qsizetype maxStreamBlockChars = 1024 * 1024;

} // namespace

void AppState::startRealtime() {
    if (m_pollTask)
        m_pollTask->cancel();
    setUsesPollingFallback(false);

    const QPointer<AppState> self(this);
    const auto interval = m_timings.pollInterval;
    m_pollTask = TaskHandle::start([self, interval](TaskHandle& task) -> QCoro::Task<void> {
        // Ticks keep their own time, however long a refresh takes. A tick that finds a refresh
        // still running is skipped rather than queued, and ticks missed while the process was
        // stopped or the machine slept are not made up. Ends with its owner too.
        QElapsedTimer clock;
        clock.start();
        auto due = interval;
        while (!task.isCancelled() && self) {
            const auto wait = std::max(due - std::chrono::milliseconds(clock.elapsed()), 0ms);
            const bool slept = co_await task.sleep(wait);
            if (!slept || !self)
                co_return;
            due += interval;
            if (due <= std::chrono::milliseconds(clock.elapsed()))
                due = std::chrono::milliseconds(clock.elapsed()) + interval;
            if (self->m_refreshesRunning > 0) {
                qCDebug(lcStream) << "poll skipped: a refresh is still running";
                continue;
            }
            detach(self->refreshVisible(false));
        }
    });
    startStream();
}

void AppState::startStream() {
    // Cancelling aborts the old connection at once, before the new one is asked for: never two
    // readers.
    if (m_streamTask)
        m_streamTask->cancel();
    const QPointer<AppState> self(this);
    m_streamTask = TaskHandle::start([self](TaskHandle& task) -> QCoro::Task<void> {
        if (self)
            co_await self->followStream(task);
    });
}

void AppState::resumeLive() {
    if (!m_streamTask)
        return; // not started: nothing to resume
    qCDebug(lcStream) << "resuming: reconnecting and refreshing now";
    startStream();
    refreshForStream(m_selectedTab == MenuBarDropdownTab::products);
}

QCoro::Task<void> AppState::followStream(TaskHandle& task) {
    // After any end but our own cancel the stream is opened again, later and later while it keeps
    // failing; meanwhile the poll alone follows the server.
    const QPointer<AppState> self(this);
    ReconnectBackoff backoff(m_timings.reconnect);
    for (bool again = false;; again = true) {
        const auto ending = co_await listenToStream(task, again);
        if (!self || task.isCancelled())
            co_return;
        setUsesPollingFallback(true);
        if (!ending)
            co_return; // no address a stream could be asked at: only a new one helps
        const auto delay = backoff.next(*ending, QRandomGenerator::global()->generateDouble());
        qCDebug(lcStream) << "reconnecting in" << delay.count() << "ms";
        const bool waited = co_await task.sleep(delay);
        if (!waited || !self)
            co_return;
    }
}

QCoro::Task<std::optional<ReconnectBackoff::Ending>> AppState::listenToStream(TaskHandle& task,
                                                                              bool catchUp) {
    const QPointer<AppState> self(this);
    URLRequest request;
    try {
        request = m_client.factory().urlRequest(APIRequestSpec{
            QStringLiteral("GET"), QStringLiteral("/v1/stream"), {}, std::nullopt, AuthMode::none});
    } catch (const ZeltorAPIError&) {
        co_return std::nullopt;
    }
    if (!m_network)
        co_return std::nullopt;
    // The stream may rightly stay quiet for long; the watchdog below judges its liveness.
    request.request.setTransferTimeout(0);
    request.request.setRawHeader("Accept", "text/event-stream");

    qCDebug(lcStream) << "connecting" << request.request.url().toString(QUrl::RemoveUserInfo);
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(
        m_network->get(request.request), [](QNetworkReply* r) { r->deleteLater(); });
    QNetworkReply* raw = reply.get();
    // Cancelling the task aborts the transfer; the reader then sees the abort at once.
    QObject::connect(&task, &TaskHandle::cancelled, raw, &QNetworkReply::abort);
    if (task.isCancelled())
        raw->abort();

    ReconnectBackoff::Ending ending;
    StreamLineReader reader(raw, StreamLineReader::maxLineBytes, m_timings.streamSilenceLimit);
    const bool responded = co_await reader.waitForResponse();
    if (!self || task.isCancelled())
        co_return ending;
    const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!responded || !status.isValid() || status.toInt() < 200 || status.toInt() > 299) {
        qCDebug(lcStream) << "unavailable" << status << raw->errorString();
        if (status.toInt() == 429 || status.toInt() == 503)
            ending.retryAfter = ReconnectBackoff::parseRetryAfter(raw->rawHeader("Retry-After"),
                                                                  QDateTime::currentDateTimeUtc());
        co_return ending;
    }
    QElapsedTimer connected;
    connected.start();
    setUsesPollingFallback(false);
    // Whatever the server announced while no stream was open went unheard.
    if (catchUp)
        refreshForStream(m_selectedTab == MenuBarDropdownTab::products);

    SSEParser parser;
    try {
        while (const auto line = co_await reader.next()) {
            if (!self || task.isCancelled())
                co_return ending;
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
    ending.upFor = std::chrono::milliseconds(connected.elapsed());
    ending.serverRetry = parser.retry();
    if (self && !task.isCancelled())
        qCDebug(lcStream) << "ended after" << ending.upFor.count() << "ms";
    co_return ending;
}

void AppState::refreshForStream(bool forceCatalog) {
    // One round at a time and at most one per spacing: whatever asks meanwhile, however often,
    // joins the next round.
    m_streamRefreshForcesCatalog = m_streamRefreshForcesCatalog || forceCatalog;
    m_streamRefreshPending = true;
    if (m_streamRefreshTask && !m_streamRefreshTask->isFinished())
        return;
    const QPointer<AppState> self(this);
    const auto spacing = m_timings.streamRefreshSpacing;
    m_streamRefreshTask = TaskHandle::start([self, spacing](TaskHandle& task) -> QCoro::Task<void> {
        while (self && !task.isCancelled() && self->m_streamRefreshPending) {
            QElapsedTimer& last = self->m_lastStreamRefresh;
            if (last.isValid() && last.elapsed() < spacing.count()) {
                const bool waited = co_await task.sleep(spacing - std::chrono::milliseconds(last.elapsed()));
                if (!waited || !self)
                    co_return;
            }
            self->m_streamRefreshPending = false;
            const bool forceCatalog = std::exchange(self->m_streamRefreshForcesCatalog, false);
            self->m_lastStreamRefresh.start();
            co_await self->refreshVisible(forceCatalog);
        }
    });
}

QCoro::Task<void> AppState::refreshVisible(bool forceCatalog) {
    // Each step reads the tab, route and sign-in state as it starts, so a change during the
    // refresh takes effect in the remaining steps.
    const QPointer<AppState> self(this);
    ++m_refreshesRunning;
    const auto done = qScopeGuard([self] {
        if (self)
            --self->m_refreshesRunning;
    });
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
