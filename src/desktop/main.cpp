#include "AppDelegate.h"
#include "DesktopIcons.h"
#include "PlatformChoice.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(QuelvioPlugin)

int main(int argc, char* argv[]) {
    if (const auto platform = quelvio::preferredPlatform(quelvio::SessionEnvironment::current()))
        qputenv("QT_QPA_PLATFORM", *platform);
    // The software renderer draws everything the views need at a fraction of the GL stack's
    // start-up time and memory.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quelvio"));
    QApplication::setOrganizationName(QStringLiteral("quelvio"));
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
