#include "LaunchAtLogin.h"

#include "DesktopIcons.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <optional>

namespace quelvio {

namespace {

struct EntryFlags {
    bool hidden = false;
    bool gnomeDisabled = false;
};

// Only the keys of the [Desktop Entry] group matter; nothing when that group is missing.
std::optional<EntryFlags> readEntry(const QByteArray& bytes) {
    bool inEntryGroup = false;
    bool sawEntryGroup = false;
    EntryFlags flags;
    for (const QByteArray& rawLine : bytes.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            inEntryGroup = line == "[Desktop Entry]";
            sawEntryGroup = sawEntryGroup || inEntryGroup;
            continue;
        }
        if (!inEntryGroup)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = line.left(eq).trimmed();
        const QByteArray value = line.mid(eq + 1).trimmed();
        if (key == "Hidden")
            flags.hidden = value == "true";
        else if (key == "X-GNOME-Autostart-enabled")
            flags.gnomeDisabled = value == "false";
    }
    if (!sawEntryGroup)
        return std::nullopt;
    return flags;
}

} // namespace

LaunchAtLoginController::LaunchAtLoginController(QString entryPath, QString executablePath)
    : m_entryPath(std::move(entryPath))
    , m_executablePath(std::move(executablePath)) {}

QString LaunchAtLoginController::defaultEntryPath() {
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is to be ignored, as the XDG base directory rules say.
    if (configHome.isEmpty() || QDir::isRelativePath(configHome))
        configHome = QDir::homePath() + QStringLiteral("/.config");
    return configHome + QStringLiteral("/autostart/quelvio.desktop");
}

LaunchAtLoginController LaunchAtLoginController::forCurrentUser() {
    return {defaultEntryPath(), QCoreApplication::applicationFilePath()};
}

LaunchAtLoginStatus LaunchAtLoginController::status() const {
    const QFileInfo info(m_entryPath);
    if (!info.exists())
        return LaunchAtLoginStatus::notRegistered;
    QFile file(m_entryPath);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return LaunchAtLoginStatus::notFound;
    const std::optional<EntryFlags> flags = readEntry(file.readAll());
    if (!flags)
        return LaunchAtLoginStatus::notFound;
    if (flags->hidden || flags->gnomeDisabled)
        return LaunchAtLoginStatus::notRegistered;
    return LaunchAtLoginStatus::enabled;
}

void LaunchAtLoginController::setEnabled(bool enabled) const {
    if (!enabled) {
        QFile file(m_entryPath);
        if (file.exists() && !file.remove())
            throw LaunchAtLoginError(QStringLiteral("无法删除自启动项：%1").arg(file.errorString()));
        return;
    }
    const QString directory = QFileInfo(m_entryPath).absolutePath();
    if (!QDir().mkpath(directory))
        throw LaunchAtLoginError(QStringLiteral("无法创建目录：%1").arg(directory));
    QSaveFile file(m_entryPath);
    if (!file.open(QIODevice::WriteOnly))
        throw LaunchAtLoginError(QStringLiteral("无法写入自启动项：%1").arg(file.errorString()));
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Quelvio\n"
                                         "Comment=Price tracker in the system tray\n"
                                         "Exec=%1\n"
                                         "Icon=%2\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execValue(m_executablePath), QLatin1StringView(desktopFileName));
    file.write(entry.toUtf8());
    if (!file.commit())
        throw LaunchAtLoginError(QStringLiteral("无法写入自启动项：%1").arg(file.errorString()));
}

QString LaunchAtLoginController::execValue(const QString& program) {
    // Desktop entries: an argument with reserved characters is double-quoted, and inside the
    // quotes ", `, $ and \ take a backslash; % is doubled everywhere. The value as a whole is then
    // a string value, whose own escaping doubles every backslash again.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (QChar c : program)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString arg;
    for (QChar c : program) {
        if (c == QLatin1Char('%'))
            arg += QStringLiteral("%%");
        else if (needsQuotes && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                                 c == QLatin1Char('\\')))
            arg += QLatin1Char('\\') + c;
        else
            arg += c;
    }
    if (needsQuotes)
        arg = QLatin1Char('"') + arg + QLatin1Char('"');
    arg.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return arg;
}

} // namespace quelvio
