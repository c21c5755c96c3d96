#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace quelvio {

// One Quelvio per user: a second launch asks the running one to come forward and then ends, so
// nobody is stranded on a desktop that shows no tray icon.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(QString name, QObject* parent = nullptr);

    // True when another instance answered and was asked to show itself.
    static bool signalRunning(const QString& name);
    // Starts listening; false when the name could not be taken.
    bool listen();

    static QString defaultName();

signals:
    void showRequested();

private:
    QString m_name;
    QLocalServer m_server;
};

} // namespace quelvio
