#pragma once

#include <QSet>
#include <QString>

namespace quelvio {

enum class ActivationPolicy { accessory, regular };

// What "regular" and "accessory" mean is the platform's business: on Linux the main window is a
// normal taskbar window whatever the policy, so the host may do little more than raise windows.
class ActivationHost {
public:
    virtual ~ActivationHost() = default;
    virtual ActivationPolicy activationPolicy() const = 0;
    virtual void setActivationPolicy(ActivationPolicy policy) = 0;
    // Brings the application forward, ignoring other applications.
    virtual void activate() = 0;
};

namespace ActivationReason {
inline const QString main = QStringLiteral("main");
inline const QString dropdown = QStringLiteral("dropdown");
} // namespace ActivationReason

// Why the application must currently be a regular one. Callers insert or remove their reason and
// then call apply(). GUI thread only.
class AppActivationPolicy {
public:
    static AppActivationPolicy& shared();

    AppActivationPolicy() = default;
    AppActivationPolicy(const AppActivationPolicy&) = delete;
    AppActivationPolicy& operator=(const AppActivationPolicy&) = delete;

    // Without a host apply() only keeps the books.
    void setHost(ActivationHost* host) { m_host = host; }
    ActivationHost* host() const { return m_host; }

    const QSet<QString>& reasons() const { return m_reasons; }
    void insert(const QString& reason) { m_reasons.insert(reason); }
    void remove(const QString& reason) { m_reasons.remove(reason); }

    ActivationPolicy targetPolicy() const;
    void apply();

private:
    QSet<QString> m_reasons;
    ActivationHost* m_host = nullptr;
};

} // namespace quelvio
