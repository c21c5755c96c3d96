#include "AppActivationPolicy.h"

namespace quelvio {

AppActivationPolicy& AppActivationPolicy::shared() {
    static AppActivationPolicy policy;
    return policy;
}

ActivationPolicy AppActivationPolicy::targetPolicy() const {
    return m_reasons.isEmpty() ? ActivationPolicy::accessory : ActivationPolicy::regular;
}

void AppActivationPolicy::apply() {
    if (!m_host)
        return;
    const ActivationPolicy target = targetPolicy();
    if (m_host->activationPolicy() != target)
        m_host->setActivationPolicy(target);
    if (!m_reasons.isEmpty())
        m_host->activate();
}

} // namespace quelvio
