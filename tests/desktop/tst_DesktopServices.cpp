#include "AlertStore.h"
#include "AppState.h"
#include "AsyncTest.h"
#include "DemoServer.h"
#include "DesktopAppearance.h"
#include "DesktopNotifications.h"
#include "DesktopSettings.h"
#include "PrivateSessionBus.h"
#include "SystemResume.h"

#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <qcoro/qcorodbuspendingcall.h>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Puts a service on the private bus as the desktop would.
void offer(PrivateSessionBus& bus, QObject* service, const QString& path, const QString& name) {
    QDBusConnection desktop = bus.connect(u"desktop"_s);
    desktop.registerObject(path, service, QDBusConnection::ExportAllContents);
    desktop.registerService(name);
}

using Settings = QMap<QPair<QString, QString>, QVariant>;

const auto appearanceGroup = u"org.freedesktop.appearance"_s;

// The settings portal as a desktop runs it.
class FakePortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    Settings values;
    bool knowsReadOne = true; // portals before version 2 have only Read

    void change(const QString& group, const QString& key, const QVariant& value) {
        emit SettingChanged(group, key, QDBusVariant(value));
    }

public slots:
    QDBusVariant ReadOne(const QString& group, const QString& key) {
        if (!knowsReadOne) {
            sendErrorReply(QDBusError::UnknownMethod, u"no ReadOne here"_s);
            return {};
        }
        return lookUp(group, key);
    }
    // Version 1 wraps the value once more.
    QDBusVariant Read(const QString& group, const QString& key) {
        return QDBusVariant(QVariant::fromValue(lookUp(group, key)));
    }

signals:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    QDBusVariant lookUp(const QString& group, const QString& key) {
        const auto found = values.constFind({group, key});
        if (found == values.constEnd())
            sendErrorReply(u"org.freedesktop.portal.Error.NotFound"_s, u"no such key"_s);
        return QDBusVariant(found == values.constEnd() ? QVariant(0u) : *found);
    }
};

// logind's manager, as far as sleeping goes.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

signals:
    void PrepareForSleep(bool start);
    void PrepareForShutdown(bool start);
};

class Fence : public QObject {
    Q_OBJECT

public:
    int passed = 0;

public slots:
    void pass() { ++passed; }
};

// A private session bus with the portal on it, and the application's view of it.
struct Desktop {
    Desktop() {
        offer(bus, &portal, u"/org/freedesktop/portal/desktop"_s, u"org.freedesktop.portal.Desktop"_s);
    }
    bool load() { return bus.isRunning() && await(appearance.load()).finished; }

    PrivateSessionBus bus;
    FakePortal portal;
    PortalSettingsSource source{bus.connect(u"app"_s)};
    DesktopAppearance appearance{source};
};

// The desktop's notification service, as a peer on a private bus.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList bodies;
    QStringList actions; // of the latest
    QStringList capabilities{u"actions"_s, u"body"_s};

    void click(uint id, const QString& action = u"default"_s) { emit ActionInvoked(id, action); }

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString&, uint, const QString&, const QString&, const QString& body,
                const QStringList& offered, const QVariantMap&, int) {
        bodies.append(body);
        actions = offered;
        return uint(bodies.size());
    }

signals:
    void ActionInvoked(uint id, const QString& action);
};

const auto notificationsName = u"org.freedesktop.Notifications"_s;

// Everything the alerts need: the server, a signed-in session, the alerts file, the
// notification service and its client on one private bus.
struct AlertRig {
    PrivateSessionBus bus;
    FakeNotificationService service;
    QTemporaryDir dir;
    demo::DemoServer server;
    QNetworkAccessManager network;
    std::unique_ptr<MemorySessionStore> store;
    std::unique_ptr<AlertFile> alertFile;
    std::unique_ptr<DesktopNotifier> notifier;
    std::unique_ptr<AppState> state;
    int generation = 0;

    AlertRig() {
        server.listen();
        offer(bus, &service, u"/org/freedesktop/Notifications"_s, notificationsName);
        const APIClient client(APIRequestFactory{server.baseUrl().toString(), {}, {}}, &network);
        const demo::Credentials user = server.userAccount();
        const auto session = await(client.login({user.username, user.password, std::nullopt}));
        store = std::make_unique<MemorySessionStore>(SessionSnapshot{.baseURL = server.baseUrl().toString(),
                                                                     .token = session.value->token,
                                                                     .username = user.username});
        alertFile = std::make_unique<AlertFile>(dir.filePath(u"price-alerts.json"_s));
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
                                           StateSeams{nullptr, nullptr, notifier.get(), alertFile.get()});
        state->selectTab(MenuBarDropdownTab::favorites);
    }

    bool refresh() { return await(state->refreshVisible(false)).finished && !state->lastError(); }

    // Whatever the client had sent has reached the service after two round trips on its
    // connection: the first lets a reply it was waiting for come back and be acted on, the
    // second comes after anything that sent.
    void fence() {
        const auto roundTrip = [](QDBusConnection connection) -> QCoro::Task<> {
            co_await connection.asyncCall(
                QDBusMessage::createMethodCall(notificationsName, u"/org/freedesktop/Notifications"_s,
                                               notificationsName, u"GetCapabilities"_s));
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

// The desktop's settings portal and notification service, as peers on a private session bus.
class TestDesktopServices : public QObject {
    Q_OBJECT

private slots:
    void motionIsReducedWhenAnyDesktopSettingAsks_data() {
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<bool>("reduced");
        const auto gnome = u"org.gnome.desktop.interface"_s;
        const auto kde = u"org.kde.kdeglobals.KDE"_s;
        const auto motion = u"reduced-motion"_s;
        const auto factor = u"AnimationDurationFactor"_s;
        QTest::newRow("unknown value") << Settings{{{appearanceGroup, motion}, 7u}} << false;
        QTest::newRow("GNOME without animations")
            << Settings{{{appearanceGroup, motion}, 0u}, {{gnome, u"enable-animations"_s}, false}} << true;
        QTest::newRow("KDE factor zero, as text") << Settings{{{kde, factor}, u"0"_s}} << true;
        QTest::newRow("KDE factor slowed") << Settings{{{kde, factor}, 0.5}} << false;
        QTest::newRow("KDE factor empty") << Settings{{{kde, factor}, u""_s}} << false;
    }
    void motionIsReducedWhenAnyDesktopSettingAsks() {
        QFETCH(Settings, settings);
        QFETCH(bool, reduced);
        Desktop desktop;
        desktop.portal.values = settings;
        QVERIFY(desktop.load());
        QCOMPARE(desktop.appearance.reduceMotion(), reduced);
    }

    void bothPortalVersionsAreReadAndChangesFollowed() {
        Desktop desktop;
        desktop.portal.values = {{{appearanceGroup, u"color-scheme"_s}, 1u}};
        desktop.portal.knowsReadOne = false;
        QVERIFY(desktop.load());
        QCOMPARE(desktop.appearance.colorScheme(), ColorScheme::dark);

        QSignalSpy schemes(&desktop.appearance, &DesktopAppearance::colorSchemeChanged);
        QSignalSpy motion(&desktop.appearance, &DesktopAppearance::reduceMotionChanged);
        desktop.portal.change(appearanceGroup, u"color-scheme"_s, 2u);
        desktop.portal.change(appearanceGroup, u"color-scheme"_s, 2u); // told twice, changed once
        desktop.portal.change(appearanceGroup, u"reduced-motion"_s, 1u);
        QTRY_VERIFY(desktop.appearance.reduceMotion());
        QCOMPARE(schemes.size(), 1);
        QCOMPARE(desktop.appearance.colorScheme(), ColorScheme::light);
        QCOMPARE(motion.size(), 1);

        // A light panel gets a dark glyph; one we know nothing of, a light glyph.
        QVERIFY(trayGlyphColor(ColorScheme::light).lightnessF() < 0.3);
        QVERIFY(trayGlyphColor(ColorScheme::noPreference).lightnessF() > 0.8);
    }

    void withoutAPortalNothingIsReduced() {
        PrivateSessionBus bus;
        PortalSettingsSource source(bus.connect(u"app"_s));
        DesktopAppearance appearance(source);
        QVERIFY(await(appearance.load(), std::chrono::seconds(2)).finished);
        QVERIFY(!appearance.reduceMotion());
        QCOMPARE(appearance.colorScheme(), ColorScheme::noPreference);
    }

    void aFavouriteThatGetsCheaperRaisesOneAlert() {
        AlertRig rig;
        QVERIFY(await(rig.state->refreshVisible(true)).finished);
        QVERIFY(await(rig.state->toggleFavorite(qint64(3), false)).finished);
        QVERIFY(rig.refresh()); // sets the baseline
        const Product before = rig.favourite(3);
        QCOMPARE(before.id, 3);
        rig.fence();
        QVERIFY(rig.service.bodies.isEmpty());

        rig.server.movePriceOnNextScrape(3, -20);
        rig.server.scrapeNow(before.source->slug);
        QVERIFY(rig.refresh());
        QTRY_COMPARE(rig.service.bodies.size(), 1);
        // The full text is the core's; here it must name the product and offer to open it.
        QVERIFY(rig.service.bodies.first().startsWith(before.name + u"\n"_s));
        QCOMPARE(rig.service.actions, QStringList({u"default"_s, u"打开"_s, u"mute"_s, u"不再提醒"_s}));

        // The click opens that product; the other button mutes it.
        QSignalSpy opened(rig.notifier.get(), &DesktopNotifier::opened);
        QSignalSpy muted(rig.notifier.get(), &DesktopNotifier::muted);
        rig.service.click(1);
        QVERIFY(opened.wait(5000));
        QCOMPARE(opened.first().first().value<std::optional<qint64>>(), std::optional<qint64>(3));
        rig.service.click(1, u"mute"_s);
        QVERIFY(muted.wait(5000));
        QCOMPARE(muted.first().first().toLongLong(), 3);
        QCOMPARE(opened.size(), 1);

        // After a restart the same price raises nothing, and a drop while it was closed one alert.
        rig.launch();
        QVERIFY(rig.refresh());
        rig.fence();
        QCOMPARE(rig.service.bodies.size(), 1);
        rig.server.movePriceOnNextScrape(3, -10);
        rig.server.scrapeNow(before.source->slug);
        rig.launch();
        QVERIFY(rig.refresh());
        QTRY_COMPARE(rig.service.bodies.size(), 2);

        // Switched off: the next drop raises nothing.
        rig.state->setPriceDropAlerts(false);
        QVERIFY(!rig.store->load().priceDropAlerts);
        rig.server.movePriceOnNextScrape(3, -10);
        rig.server.scrapeNow(before.source->slug);
        QVERIFY(rig.refresh());
        rig.fence();
        QCOMPARE(rig.service.bodies.size(), 2);
    }

    // Waking up does not wait out the stream's long retry delay. (No logind runs here: the bus
    // is private, the manager a stand-in.)
    void wakingUpReconnectsTheStreamAtOnce() {
        demo::DemoServer server;
        QVERIFY(server.listen());
        server.scriptStream({.status = 503, .headers = {{"Retry-After", "600"}}});
        QNetworkAccessManager network;
        MemorySessionStore store(SessionSnapshot{.baseURL = server.baseUrl().toString()});
        AppState state(store, &network);
        PrivateSessionBus bus;
        FakeLogind logind;
        offer(bus, &logind, u"/org/freedesktop/login1"_s, u"org.freedesktop.login1"_s);
        QDBusConnection app = bus.connect(u"app"_s);
        SystemResume resume(app);
        QSignalSpy resumed(&resume, &SystemResume::resumed);
        // Signals of one sender arrive in order: once this one is in, so is the one before it.
        Fence fence;
        app.connect(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s,
                    u"org.freedesktop.login1.Manager"_s, u"PrepareForShutdown"_s, &fence, SLOT(pass()));
        QObject::connect(&resume, &SystemResume::resumed, &state, &AppState::resumeLive);
        state.start();
        QTRY_VERIFY(state.usesPollingFallback());

        emit logind.PrepareForSleep(true);
        emit logind.PrepareForShutdown(false);
        QTRY_COMPARE(fence.passed, 1);
        QCOMPARE(resumed.count(), 0); // going to sleep is no reason to reconnect
        emit logind.PrepareForSleep(false);
        QTRY_VERIFY(server.streamClientCount() == 1 && !state.usesPollingFallback());
        QCOMPARE(resumed.count(), 1);
        state.cancelKeptTasks();
        // Nothing left in flight for the network manager to delete under a waiting coroutine.
        QTRY_VERIFY(std::ranges::all_of(network.findChildren<QNetworkReply*>(),
                                        [](auto* reply) { return reply->isFinished(); }));
    }

    // Where the service reads markup, a product name cannot add any; where it does not, the text
    // goes as it is.
    void aNameIsNeverMarkup() {
        for (bool markup : {true, false}) {
            PrivateSessionBus bus;
            FakeNotificationService service;
            if (markup)
                service.capabilities.append(u"body-markup"_s);
            offer(bus, &service, u"/org/freedesktop/Notifications"_s, notificationsName);
            DesktopNotifier notifier(bus.connect(u"app"_s));
            notifier.raise({u"收藏商品降价"_s, u"<b>A&B</b>"_s, 1});
            QTRY_COMPARE(service.bodies.size(), 1);
            QCOMPARE(service.bodies.first(), markup ? u"&lt;b&gt;A&amp;B&lt;/b&gt;"_s : u"<b>A&B</b>"_s);
        }
    }
};

QTEST_MAIN(TestDesktopServices)
#include "tst_DesktopServices.moc"
