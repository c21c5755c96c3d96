#pragma once

#include "AlertSink.h"

#include <QCoroTask>
#include <QDBusConnection>
#include <QHash>
#include <QList>
#include <QObject>
#include <optional>

namespace quelvio {

// Raises alerts through the freedesktop notification service (org.freedesktop.Notifications) and
// says which one the user clicked. Where no service answers, alerts go nowhere, quietly.
class DesktopNotifier : public QObject, public AlertSink {
    Q_OBJECT

public:
    static constexpr int callTimeoutMs = 5000;
    // Clicks are remembered for this many notifications; older ones open nothing.
    static constexpr qsizetype maxRemembered = 32;

    explicit DesktopNotifier(QDBusConnection bus, QObject* parent = nullptr);

    void raise(const PriceAlert& alert) override;

signals:
    // The user clicked an alert: the product it told of, or none for the favourites.
    void opened(std::optional<qint64> productID);
    // The user asked for no more alerts of this product.
    void muted(qint64 productID);

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    QCoro::Task<> notify(PriceAlert alert);

    QDBusConnection m_bus;
    // What the service can do, once asked: markup in bodies, buttons beside the default action.
    std::optional<bool> m_bodyMarkup;
    bool m_actions = false;
    QHash<uint, std::optional<qint64>> m_targets;
    QList<uint> m_order; // of m_targets' keys, oldest first
};

} // namespace quelvio
