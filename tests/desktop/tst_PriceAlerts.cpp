#include "AppState.h"
#include "AsyncTest.h"
#include "DemoServer.h"
#include "DesktopNotifications.h"
#include "PrivateSessionBus.h"
#include "SeenPriceStore.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <qcoro/qcorodbuspendingcall.h>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

struct Notification {
    QString body;
    QStringList actions;
};

// The desktop's notification service, as a peer on a private bus.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QList<Notification> received;
    QStringList capabilities{u"actions"_s, u"body"_s};

    void click(uint id) { emit ActionInvoked(id, u"default"_s); }

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString&, uint, const QString&, const QString&, const QString& body,
                const QStringList& actions, const QVariantMap&, int) {
        received.append({body, actions});
        return uint(received.size());
    }

signals:
    void ActionInvoked(uint id, const QString& action);
};

const auto notificationsName = u"org.freedesktop.Notifications"_s;

// Everything the alerts need: the server, a signed-in session, the seen-prices file, the
// notification service and its client on one private bus.
struct AlertRig {
    PrivateSessionBus bus;
    FakeNotificationService service;
    QTemporaryDir dir;
    demo::DemoServer server;
    QNetworkAccessManager network;
    std::unique_ptr<MemorySessionStore> store;
    std::unique_ptr<SeenPriceFile> seenPrices;
    std::unique_ptr<DesktopNotifier> notifier;
    std::unique_ptr<AppState> state;
    int generation = 0;

    AlertRig() {
        server.listen();
        QDBusConnection desktop = bus.connect(u"desktop"_s);
        desktop.registerObject(u"/org/freedesktop/Notifications"_s, &service,
                               QDBusConnection::ExportAllContents);
        desktop.registerService(notificationsName);
        const APIClient client(APIRequestFactory{server.baseUrl().toString(), {}, {}}, &network);
        const demo::Credentials user = server.userAccount();
        const auto session = await(client.login({user.username, user.password, std::nullopt}));
        SessionSnapshot snapshot;
        snapshot.baseURL = server.baseUrl().toString();
        snapshot.token = session.value->token;
        snapshot.username = user.username;
        store = std::make_unique<MemorySessionStore>(snapshot);
        seenPrices = std::make_unique<SeenPriceFile>(dir.filePath(u"seen-prices.json"_s));
        launch();
    }
    ~AlertRig() {
        state->cancelKeptTasks();
        QTest::qWait(100);
    }

    // As a fresh start of the program would: a new state and notifier on the same files.
    void launch() {
        if (state)
            state->cancelKeptTasks();
        notifier = std::make_unique<DesktopNotifier>(bus.connect(u"app-%1"_s.arg(++generation)));
        state = std::make_unique<AppState>(*store, &network, AppState::Timings{1h, 20ms},
                                           StateSeams{nullptr, nullptr, notifier.get(), seenPrices.get()});
        state->selectTab(MenuBarDropdownTab::favorites);
    }

    bool refresh() { return await(state->refreshVisible(false)).finished && !state->lastError(); }

    // Whatever the client had sent has reached the service after two round trips on its
    // connection: the first lets a reply it was waiting for come back and be acted on, the
    // second comes after anything that sent.
    void fence() {
        const auto roundTrip = [](QDBusConnection connection) -> QCoro::Task<> {
            const QDBusPendingCall call = connection.asyncCall(
                QDBusMessage::createMethodCall(notificationsName, u"/org/freedesktop/Notifications"_s,
                                               notificationsName, u"GetCapabilities"_s));
            co_await call;
        };
        const QDBusConnection client(u"app-%1"_s.arg(generation));
        await(roundTrip(client));
        await(roundTrip(client));
    }

    Product favourite(qint64 id) const {
        for (const Reaction& reaction : state->favorites())
            if (reaction.product && reaction.product->id == id)
                return *reaction.product;
        return {};
    }
};

} // namespace

class TestPriceAlerts : public QObject {
    Q_OBJECT

private slots:
    void aFavouriteThatGetsCheaperRaisesOneAlert() {
        AlertRig rig;
        QVERIFY(rig.bus.isRunning());
        QVERIFY(await(rig.state->refreshVisible(true)).finished);
        QVERIFY(await(rig.state->toggleFavorite(qint64(3), false)).finished);
        QVERIFY(rig.refresh()); // sets the baseline
        const Product before = rig.favourite(3);
        QCOMPARE(before.id, 3);
        rig.fence();
        QVERIFY(rig.service.received.isEmpty());

        rig.server.movePriceOnNextScrape(3, -20);
        rig.server.scrapeNow(before.source->slug);
        QVERIFY(rig.refresh());
        QTRY_COMPARE(rig.service.received.size(), 1);
        // The full text is the core's; here it must name the product and offer to open it.
        const Notification alert = rig.service.received.first();
        QVERIFY2(alert.body.startsWith(before.name + u"\n"_s), qPrintable(alert.body));
        QVERIFY(alert.actions.contains(u"default"_s));

        // The click opens that product.
        QSignalSpy opened(rig.notifier.get(), &DesktopNotifier::opened);
        rig.service.click(1);
        QVERIFY(opened.wait(5000));
        QCOMPARE(opened.first().first().value<std::optional<qint64>>(), std::optional<qint64>(3));

        // The same price again, then a restart: nothing more.
        QVERIFY(rig.refresh());
        rig.launch();
        QVERIFY(rig.refresh());
        rig.fence();
        QCOMPARE(rig.service.received.size(), 1);

        // A drop while the program was closed is told on the next start.
        rig.server.movePriceOnNextScrape(3, -10);
        rig.server.scrapeNow(before.source->slug);
        rig.launch();
        QVERIFY(rig.refresh());
        QTRY_COMPARE(rig.service.received.size(), 2);

        // Switched off: the next drop raises nothing.
        rig.state->setPriceDropAlerts(false);
        QVERIFY(!rig.store->load().priceDropAlerts);
        rig.server.movePriceOnNextScrape(3, -10);
        rig.server.scrapeNow(before.source->slug);
        QVERIFY(rig.refresh());
        rig.fence();
        QCOMPARE(rig.service.received.size(), 2);
    }

    // Where the service reads markup, a product name cannot add any; where it does not, the text
    // goes as it is.
    void aNameIsNeverMarkup() {
        for (bool markup : {true, false}) {
            PrivateSessionBus bus;
            FakeNotificationService service;
            if (markup)
                service.capabilities.append(u"body-markup"_s);
            QDBusConnection desktop = bus.connect(u"desktop"_s);
            desktop.registerObject(u"/org/freedesktop/Notifications"_s, &service,
                                   QDBusConnection::ExportAllContents);
            desktop.registerService(notificationsName);
            DesktopNotifier notifier(bus.connect(u"app"_s));
            notifier.raise({u"收藏商品降价"_s, u"<b>A&B</b>"_s, 1});
            QTRY_COMPARE(service.received.size(), 1);
            QCOMPARE(service.received.first().body,
                     markup ? u"&lt;b&gt;A&amp;B&lt;/b&gt;"_s : u"<b>A&B</b>"_s);
        }
    }
};

QTEST_MAIN(TestPriceAlerts)
#include "tst_PriceAlerts.moc"
