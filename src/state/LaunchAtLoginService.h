#pragma once

#include "Presentation/StatusItem.h"

#include <QString>
#include <stdexcept>

namespace quelvio {

// A login-item change the platform refused; localizedDescription() is the text shown in the banner.
class LaunchAtLoginError : public std::runtime_error {
public:
    explicit LaunchAtLoginError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message) {}
    QString localizedDescription() const { return m_message; }

private:
    QString m_message;
};

// The platform's login items, as the state reads and changes them. The desktop shell provides the
// real one.
class LaunchAtLoginService {
public:
    virtual ~LaunchAtLoginService() = default;
    virtual LaunchAtLoginStatus status() const = 0;
    // Throws LaunchAtLoginError when the platform refuses.
    virtual void setEnabled(bool enabled) const = 0;
};

} // namespace quelvio
