#include "NetworkAccess.h"

#include "Logging.h"

#include <QElapsedTimer>
#include <QNetworkReply>

namespace quelvio {

namespace {

QByteArray methodOf(const QNetworkReply* reply) {
    switch (reply->operation()) {
    case QNetworkAccessManager::HeadOperation:
        return "HEAD";
    case QNetworkAccessManager::GetOperation:
        return "GET";
    case QNetworkAccessManager::PutOperation:
        return "PUT";
    case QNetworkAccessManager::PostOperation:
        return "POST";
    case QNetworkAccessManager::DeleteOperation:
        return "DELETE";
    case QNetworkAccessManager::CustomOperation:
    case QNetworkAccessManager::UnknownOperation:
        break;
    }
    return reply->request().attribute(QNetworkRequest::CustomVerbAttribute).toByteArray();
}

} // namespace

NetworkAccess::NetworkAccess(QObject* parent)
    : QNetworkAccessManager(parent) {}

QNetworkReply* NetworkAccess::createRequest(Operation op, const QNetworkRequest& request, QIODevice* data) {
    QNetworkReply* reply = QNetworkAccessManager::createRequest(op, request, data);
    if (!lcApi().isDebugEnabled())
        return reply;
    QElapsedTimer clock;
    clock.start();
    connect(reply, &QNetworkReply::finished, reply, [reply, clock] {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        qCDebug(lcApi).noquote() << methodOf(reply) << reply->url().toString(QUrl::RemoveUserInfo)
                                 << (status.isValid() ? QString::number(status.toInt())
                                                      : reply->errorString())
                                 << QStringLiteral("%1 ms").arg(clock.elapsed());
    });
    return reply;
}

} // namespace quelvio
