#include "AppDelegate.h"
#include "DesktopIcons.h"
#include "PlatformChoice.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>
#include <algorithm>
#include <cstring>

Q_IMPORT_QML_PLUGIN(QuelvioPlugin)

namespace {

void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("quelvio"));
    QCoreApplication::setOrganizationName(QStringLiteral("quelvio"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUELVIO_VERSION));
}

// --help and --version are answered before the GUI application exists, so that they work without
// a display. Every other argument is left to it: Qt's own options (-platform, -style) among them.
void answerHelpOrVersion(int argc, char* argv[]) {
    const auto asksForHelpOrVersion = [](const char* argument) {
        for (const char* own : {"-h", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argument, own) == 0)
                return true;
        return false;
    };
    if (std::none_of(argv + 1, argv + argc, asksForHelpOrVersion))
        return;
    QCoreApplication app(argc, argv);
    nameApplication();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Desktop client for a price-tracking server. It lives in the system tray; starting it again "
        "brings the running instance's main window forward."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app); // prints and exits
}

} // namespace

int main(int argc, char* argv[]) {
    answerHelpOrVersion(argc, argv);
    if (const auto platform = quelvio::preferredPlatform(quelvio::SessionEnvironment::current()))
        qputenv("QT_QPA_PLATFORM", *platform);
    // The software renderer draws everything the views need at a fraction of the GL stack's
    // start-up time and memory.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QApplication app(argc, argv);
    nameApplication();
    // Task bars and Wayland compositors find the launcher entry, and so the icon, by this name.
    QApplication::setDesktopFileName(QString::fromLatin1(quelvio::desktopFileName));
    QApplication::setQuitOnLastWindowClosed(false);

    const QString instanceName = quelvio::SingleInstance::defaultName();
    if (quelvio::SingleInstance::signalRunning(instanceName))
        return 0; // the running instance brings its main window forward
    quelvio::SingleInstance instance(instanceName);
    instance.listen();

    quelvio::AppDelegate delegate;
    QObject::connect(&instance, &quelvio::SingleInstance::showRequested, &delegate,
                     &quelvio::AppDelegate::showMainWindowAction);
    QObject::connect(&app, &QApplication::aboutToQuit, &delegate,
                     &quelvio::AppDelegate::applicationWillTerminate);
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
