#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QLocalSocket>
#include <QStandardPaths>
#include <unistd.h>

namespace quelvio {

namespace {
constexpr char showMessage[] = "show\n";
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent)
    , m_name(std::move(name)) {
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("show"))
                    emit showRequested();
                socket->disconnectFromServer();
            });
        }
    });
}

QString SingleInstance::defaultName() {
    // One instance per user and settings profile: a demo profile runs beside the user's own.
    const QByteArray profile =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toUtf8();
    const QByteArray digest = QCryptographicHash::hash(profile, QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("quelvio-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest));
}

bool SingleInstance::signalRunning(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(500))
        return false;
    socket.write(showMessage);
    socket.waitForBytesWritten(500);
    socket.waitForDisconnected(500);
    return true;
}

bool SingleInstance::listen() {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server.listen(m_name))
        return true;
    // Nobody answered on it (checked before), so the name is left over from a crash.
    QLocalServer::removeServer(m_name);
    return m_server.listen(m_name);
}

} // namespace quelvio
