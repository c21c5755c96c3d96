#include "AsyncTest.h"
#include "DesktopAppearance.h"
#include "DesktopIcons.h"
#include "DesktopSettings.h"
#include "PrivateSessionBus.h"

#include <QDBusContext>
#include <QDBusVariant>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

using namespace quelvio;
using namespace quelvio::test;
using namespace Qt::StringLiterals;

namespace {

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
        values[{group, key}] = value;
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

// A private session bus with the portal on it, and the application's view of it.
struct Desktop {
    Desktop() {
        QDBusConnection desktop = bus.connect(u"desktop"_s);
        desktop.registerObject(u"/org/freedesktop/portal/desktop"_s, &portal,
                               QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
        desktop.registerService(u"org.freedesktop.portal.Desktop"_s);
    }
    bool load() { return bus.isRunning() && await(appearance.load()).finished; }

    PrivateSessionBus bus;
    FakePortal portal;
    PortalSettingsSource source{bus.connect(u"app"_s)};
    DesktopAppearance appearance{source};
};

// The colour of the most opaque pixels of the icon's 32-pixel picture.
QColor inkOf(const QIcon& icon) {
    const QImage image = icon.pixmap(32).toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() == 255)
                return image.pixelColor(x, y);
    return {};
}

} // namespace

class TestDesktopAppearance : public QObject {
    Q_OBJECT

private slots:
    void motionIsReducedWhenAnyDesktopSettingAsks_data() {
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<bool>("reduced");
        const auto gnome = u"org.gnome.desktop.interface"_s;
        const auto kde = u"org.kde.kdeglobals.KDE"_s;
        const auto motion = u"reduced-motion"_s;
        const auto factor = u"AnimationDurationFactor"_s;
        QTest::newRow("nothing answered") << Settings{} << false;
        QTest::newRow("reduced") << Settings{{{appearanceGroup, motion}, 1u}} << true;
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

        desktop.portal.knowsReadOne = true;
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
        const QString symbol = u"dot.radiowaves.left.and.right"_s;
        QVERIFY(inkOf(trayIcon(symbol, ColorScheme::light)).lightnessF() < 0.3);
        QVERIFY(inkOf(trayIcon(symbol, ColorScheme::noPreference)).lightnessF() > 0.8);
    }

    void withoutAPortalNothingIsReduced() {
        PrivateSessionBus bus;
        QVERIFY(bus.isRunning());
        PortalSettingsSource source(bus.connect(u"app"_s));
        DesktopAppearance appearance(source);
        QVERIFY(await(appearance.load(), std::chrono::seconds(2)).finished);
        QVERIFY(!appearance.reduceMotion());
        QCOMPARE(appearance.colorScheme(), ColorScheme::noPreference);

        PortalSettingsSource noBus(QDBusConnection(u"never connected"_s));
        QVERIFY(!await(noBus.read(appearanceGroup, u"color-scheme"_s)).value->has_value());
    }
};

QTEST_MAIN(TestDesktopAppearance)
#include "tst_DesktopAppearance.moc"
