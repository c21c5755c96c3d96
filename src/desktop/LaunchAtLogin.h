#pragma once

#include "LaunchAtLoginService.h"

#include <QString>

namespace quelvio {

// Launch at login through an XDG autostart entry. The entry counts as registered while it exists
// and is not switched off (Hidden=true, or GNOME's X-GNOME-Autostart-enabled=false).
class LaunchAtLoginController : public LaunchAtLoginService {
public:
    LaunchAtLoginController(QString entryPath, QString executablePath);
    // $XDG_CONFIG_HOME/autostart/quelvio.desktop (~/.config when unset) starting this binary.
    static LaunchAtLoginController forCurrentUser();
    static QString defaultEntryPath();

    const QString& entryPath() const { return m_entryPath; }
    LaunchAtLoginStatus status() const override;
    // Writes or removes the entry; throws LaunchAtLoginError when the file system refuses.
    void setEnabled(bool enabled) const override;

    // The Exec value for a program path, quoted and escaped as desktop entries require.
    static QString execValue(const QString& program);

private:
    QString m_entryPath;
    QString m_executablePath;
};

} // namespace quelvio
