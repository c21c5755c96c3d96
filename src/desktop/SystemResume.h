#pragma once

#include <QDBusConnection>
#include <QNetworkInformation>
#include <QObject>

namespace quelvio {

// Says when the machine is back from sleep (logind's PrepareForSleep(false) on the system bus) or
// the network is reachable again (QNetworkInformation, where a backend loads). Without either it
// never says anything, and the live updates heal by their own backoff.
class SystemResume : public QObject {
    Q_OBJECT

public:
    explicit SystemResume(QDBusConnection systemBus, QObject* parent = nullptr);

signals:
    void resumed();

private slots:
    void onPrepareForSleep(bool sleeping);

private:
    void followNetwork();

    QNetworkInformation::Reachability m_reachability = QNetworkInformation::Reachability::Unknown;
};

} // namespace quelvio
