#pragma once

#include "AppState.h"
#include "AsyncTest.h"
#include "DemoServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <algorithm>
#include <memory>

namespace quelvio::test {

// A demo server, a session store in memory and the state under test, for one test function.
struct AppStateFixture {
    demo::DemoServer server;
    QNetworkAccessManager network;
    std::unique_ptr<MemorySessionStore> store;
    std::unique_ptr<AppState> state;

    explicit AppStateFixture(demo::DemoServer::Options options = shortOptions())
        : server(options) {
        server.listen();
    }

    ~AppStateFixture() {
        // Let every detached task finish against a live server before anything is torn down.
        if (state) {
            state->cancelKeptTasks();
            settle();
        }
        // A reply deleted with the network manager never resumes the coroutine awaiting it.
        waitUntil([this] {
            const auto replies = network.findChildren<QNetworkReply*>();
            return std::all_of(replies.begin(), replies.end(), [](auto* r) { return r->isFinished(); });
        });
    }

    static demo::DemoServer::Options shortOptions() {
        demo::DemoServer::Options options;
        options.heartbeatInterval = std::chrono::milliseconds(60'000);
        return options;
    }

    AppState& make(std::optional<demo::Credentials> signedIn = std::nullopt,
                   AppState::Timings timings = {std::chrono::hours(1), std::chrono::milliseconds(20)},
                   StateSeams seams = {}) {
        SessionSnapshot snapshot;
        snapshot.baseURL = server.baseUrl().toString();
        if (signedIn) { // a real sign-in, stored as the session the state will load
            const APIClient client(APIRequestFactory{snapshot.baseURL, {}, {}}, &network);
            const auto session = await(client.login({signedIn->username, signedIn->password, std::nullopt}));
            if (!session.value)
                qFatal("sign-in against the demo server failed");
            snapshot.token = session.value->token;
            snapshot.username = signedIn->username;
        }
        store = std::make_unique<MemorySessionStore>(snapshot);
        state = std::make_unique<AppState>(*store, &network, timings, seams);
        server.clearRequests();
        return *state;
    }

    // Signs in through the form, as the user would.
    void signIn(const demo::Credentials& account) {
        state->setAuthUsername(account.username);
        state->setAuthPassword(account.password);
        QVERIFY(await(state->loginOrRegister()).finished);
    }

    void setAPIKey(const QString& key) {
        SessionSnapshot next = state->session();
        next.apiKey = key;
        state->setSession(next);
        state->persistAndRebuild();
    }

    // Waits until no request has arrived for a short while and nothing is loading.
    void settle(std::chrono::milliseconds quiet = std::chrono::milliseconds(120)) {
        qsizetype seen = -1;
        for (int i = 0; i < 200; ++i) {
            const qsizetype now = server.requests().size();
            const bool busy =
                state && (state->isLoading() || state->isLoadingMoreProducts() || state->isDetailLoading() ||
                          state->sourceRequestBusy() || state->scrapeBusySlug());
            if (now == seen && !busy)
                return;
            seen = now;
            QTest::qWait(int(quiet.count()));
        }
    }

    // Paths of the requests seen so far, the event stream left out.
    QStringList paths(bool withQuery = false) const {
        QStringList result;
        for (const auto& request : server.requests()) {
            if (request.path == u"/v1/stream")
                continue;
            QString entry = QString::fromLatin1(request.method) + u' ' + request.path;
            if (withQuery && !request.rawQuery.isEmpty())
                entry += u'?' + QString::fromLatin1(request.rawQuery);
            result.append(entry);
        }
        return result;
    }

    QJsonObject lastBody(const QString& path) const {
        const auto requests = server.requests();
        for (auto it = requests.crbegin(); it != requests.crend(); ++it)
            if (it->path == path)
                return QJsonDocument::fromJson(it->body).object();
        return {};
    }

    qsizetype count(const QString& path) const {
        qsizetype n = 0;
        for (const auto& request : server.requests())
            n += request.path == path;
        return n;
    }
};

} // namespace quelvio::test
