#pragma once

#include <QNetworkAccessManager>

namespace quelvio {

// The process's one network manager. With quelvio.api logging on it writes one line per
// finished request: method, address (never a credential: those travel in headers), status and
// milliseconds.
class NetworkAccess : public QNetworkAccessManager {
    Q_OBJECT

public:
    explicit NetworkAccess(QObject* parent = nullptr);

protected:
    QNetworkReply* createRequest(Operation op, const QNetworkRequest& request, QIODevice* data) override;
};

} // namespace quelvio
