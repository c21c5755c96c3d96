#include "PrivateSessionBus.h"

#include <QDeadlineTimer>
#include <QFile>

namespace quelvio::test {

PrivateSessionBus::PrivateSessionBus() {
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(
        QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)")
            .arg(m_dir.path())
            .toUtf8());
    file.close();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
    QByteArray line;
    const QDeadlineTimer deadline(10000);
    while (!line.endsWith('\n') && !deadline.hasExpired() && m_daemon.waitForReadyRead(200))
        line += m_daemon.readAllStandardOutput();
    m_address = QString::fromUtf8(line).trimmed();
}

PrivateSessionBus::~PrivateSessionBus() {
    for (const QString& name : std::as_const(m_connections))
        QDBusConnection::disconnectFromBus(name);
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(3000))
        m_daemon.kill();
}

QDBusConnection PrivateSessionBus::connect(const QString& name) {
    m_connections.append(name);
    return QDBusConnection::connectToBus(m_address, name);
}

} // namespace quelvio::test
