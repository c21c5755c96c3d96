#include "DesktopNotifications.h"

#include "DesktopIcons.h"
#include "Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QPointer>
#include <qcoro/qcorodbuspendingcall.h>

namespace quelvio {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
const QString defaultAction = QStringLiteral("default");
const QString muteAction = QStringLiteral("mute");

} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus)) {
    if (!m_bus.isConnected())
        return;
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onClosed(uint, uint)));
}

void DesktopNotifier::raise(const PriceAlert& alert) {
    notify(alert);
}

QCoro::Task<> DesktopNotifier::notify(PriceAlert alert) {
    const QPointer<DesktopNotifier> self(this);
    QDBusConnection bus = m_bus;
    if (!bus.isConnected())
        co_return;
    if (!m_bodyMarkup) {
        const QDBusMessage ask =
            QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("GetCapabilities"));
        const QDBusPendingCall asking = bus.asyncCall(ask, callTimeoutMs);
        const QDBusMessage capabilities = co_await asking;
        if (!self)
            co_return;
        if (capabilities.type() != QDBusMessage::ReplyMessage) {
            qCDebug(lcState) << "no notification service:" << capabilities.errorName();
            co_return;
        }
        const QStringList offered = capabilities.arguments().isEmpty()
                                        ? QStringList()
                                        : capabilities.arguments().constFirst().toStringList();
        m_bodyMarkup = offered.contains(QStringLiteral("body-markup"));
        m_actions = offered.contains(QStringLiteral("actions"));
    }
    QStringList actions{defaultAction, QStringLiteral("打开")};
    // A summary has no one product to mute.
    if (m_actions && alert.productID)
        actions << muteAction << QStringLiteral("不再提醒");
    // Where bodies are markup, a product name must not become some.
    const QString body = *m_bodyMarkup ? alert.body.toHtmlEscaped() : alert.body;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    call << QStringLiteral("Quelvio") << 0u << QString::fromLatin1(desktopFileName) << alert.title << body
         << actions << QVariantMap{{QStringLiteral("desktop-entry"), QString::fromLatin1(desktopFileName)}}
         << -1;
    const QDBusPendingCall sending = bus.asyncCall(call, callTimeoutMs);
    const QDBusMessage reply = co_await sending;
    if (!self)
        co_return;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCDebug(lcState) << "notification not shown:" << reply.errorName();
        co_return;
    }
    const uint id = reply.arguments().constFirst().toUInt();
    if (!m_targets.contains(id))
        m_order.append(id);
    m_targets.insert(id, alert.productID);
    while (m_order.size() > maxRemembered)
        m_targets.remove(m_order.takeFirst());
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action) {
    const auto target = m_targets.constFind(id);
    if (target == m_targets.constEnd())
        return;
    if (action == defaultAction)
        emit opened(*target);
    else if (action == muteAction && *target)
        emit muted(**target);
}

void DesktopNotifier::onClosed(uint id, uint) {
    if (m_targets.remove(id))
        m_order.removeOne(id);
}

} // namespace quelvio
