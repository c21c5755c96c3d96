#pragma once

#include <QCoroTask>
#include <QDBusConnection>
#include <QObject>
#include <QVariant>
#include <optional>

class QDBusMessage;

namespace quelvio {

// The desktop's settings as the freedesktop settings portal names them: a group and a key.
class DesktopSettingsSource : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The value, or nothing when no one answers or the desktop does not know the key.
    virtual QCoro::Task<std::optional<QVariant>> read(QString group, QString key) = 0;

signals:
    void settingChanged(const QString& group, const QString& key, const QVariant& value);
};

// org.freedesktop.portal.Settings on a bus: the session bus in the app, a private one in tests.
class PortalSettingsSource : public DesktopSettingsSource {
    Q_OBJECT

public:
    // Waits this long for an answer; a portal that is still starting may take a moment.
    static constexpr int readTimeoutMs = 3000;

    explicit PortalSettingsSource(QDBusConnection bus, QObject* parent = nullptr);

    QCoro::Task<std::optional<QVariant>> read(QString group, QString key) override;

private slots:
    void onSettingChanged(const QDBusMessage& message);

private:
    QDBusConnection m_bus;
};

} // namespace quelvio
