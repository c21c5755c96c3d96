#include "DesktopSettings.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QLatin1StringView>
#include <qcoro/qcorodbuspendingcall.h>

namespace quelvio {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");

// Older portals answer Read with the value wrapped twice; a hostile one could nest it deeper.
QVariant unwrap(QVariant value) {
    for (int depth = 0; depth < 4 && value.canConvert<QDBusVariant>(); ++depth)
        value = value.value<QDBusVariant>().variant();
    return value;
}

QDBusMessage settingsCall(const QString& method, const QString& group, const QString& key) {
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, method);
    call << group << key;
    return call;
}

} // namespace

PortalSettingsSource::PortalSettingsSource(QDBusConnection bus, QObject* parent)
    : DesktopSettingsSource(parent)
    , m_bus(std::move(bus)) {
    // The whole message, not typed arguments: Qt DBus refuses a slot taking QDBusVariant until
    // something in the process has used that type, and here nothing has yet.
    if (m_bus.isConnected())
        m_bus.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"), this,
                      SLOT(onSettingChanged(QDBusMessage)));
}

QCoro::Task<std::optional<QVariant>> PortalSettingsSource::read(QString group, QString key) {
    // A copy: the source may be gone by the time the answer arrives.
    QDBusConnection bus = m_bus;
    if (!bus.isConnected())
        co_return std::nullopt;
    // ReadOne is the current method; portals before its version 2 know only Read.
    const QDBusPendingCall readOne =
        bus.asyncCall(settingsCall(QStringLiteral("ReadOne"), group, key), readTimeoutMs);
    QDBusMessage reply = co_await readOne;
    if (reply.type() == QDBusMessage::ErrorMessage &&
        reply.errorName() == QLatin1StringView("org.freedesktop.DBus.Error.UnknownMethod")) {
        const QDBusPendingCall read =
            bus.asyncCall(settingsCall(QStringLiteral("Read"), group, key), readTimeoutMs);
        reply = co_await read;
    }
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        co_return std::nullopt;
    co_return unwrap(reply.arguments().constFirst());
}

void PortalSettingsSource::onSettingChanged(const QDBusMessage& message) {
    const QVariantList arguments = message.arguments();
    if (message.signature() != QLatin1StringView("ssv") || arguments.size() != 3)
        return;
    emit settingChanged(arguments[0].toString(), arguments[1].toString(), unwrap(arguments[2]));
}

} // namespace quelvio
