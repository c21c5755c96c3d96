#include "SystemResume.h"

#include "Logging.h"

namespace quelvio {

SystemResume::SystemResume(QDBusConnection systemBus, QObject* parent)
    : QObject(parent) {
    if (systemBus.isConnected())
        systemBus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                          QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                          this, SLOT(onPrepareForSleep(bool)));
    followNetwork();
}

void SystemResume::onPrepareForSleep(bool sleeping) {
    // logind sends it twice around a sleep: true before, false once awake again.
    if (sleeping)
        return;
    qCDebug(lcStream) << "the machine woke up";
    emit resumed();
}

void SystemResume::followNetwork() {
    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    QNetworkInformation* info = QNetworkInformation::instance();
    m_reachability = info->reachability();
    connect(
        info, &QNetworkInformation::reachabilityChanged, this, [this](QNetworkInformation::Reachability now) {
            using R = QNetworkInformation::Reachability;
            // From unknown is the backend's first look, not the network coming back.
            const bool back = now == R::Online && m_reachability != R::Online && m_reachability != R::Unknown;
            m_reachability = now;
            if (back) {
                qCDebug(lcStream) << "the network is back";
                emit resumed();
            }
        });
}

} // namespace quelvio
