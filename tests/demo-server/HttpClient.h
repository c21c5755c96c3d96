#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSignalSpy>
#include <QUrl>
#include <memory>

// A blocking HTTP helper for the demo server tests: one request, one complete reply.
namespace quelvio::demo::testing {

using Query = QList<QPair<QString, QString>>;

struct Response {
    int status = 0; // 0: no HTTP reply at all
    QByteArray body;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;

    QJsonObject object() const { return QJsonDocument::fromJson(body).object(); }
    QJsonArray items() const { return object().value(QLatin1String("items")).toArray(); }
    QString errorText() const { return object().value(QLatin1String("error")).toString(); }
};

class HttpClient {
public:
    explicit HttpClient(QUrl base)
        : m_base(std::move(base)) {}

    QString token;  // sent as a bearer token when not empty
    QString apiKey; // sent as X-API-Key when not empty
    int timeoutMs = 10000;

    QNetworkRequest request(const QString& path, const Query& query = {}) const {
        QUrl url = m_base;
        url.setPath(path);
        // Every name and value fully encoded, as the client does: "+" must not read as a blank.
        QByteArray encoded;
        for (const auto& [name, value] : query) {
            if (!encoded.isEmpty())
                encoded += '&';
            encoded += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
        }
        if (!encoded.isEmpty())
            url.setQuery(QString::fromLatin1(encoded), QUrl::StrictMode);
        QNetworkRequest r(url);
        r.setRawHeader("Accept", "application/json");
        if (!token.isEmpty())
            r.setRawHeader("Authorization", "Bearer " + token.toUtf8());
        if (!apiKey.isEmpty())
            r.setRawHeader("X-API-Key", apiKey.toUtf8());
        r.setTransferTimeout(timeoutMs);
        return r;
    }

    Response get(const QString& path, const Query& query = {}) { return send("GET", path, {}, query); }

    Response send(const QByteArray& method, const QString& path, const QJsonObject& body = {},
                  const Query& query = {}) {
        QNetworkRequest r = request(path, query);
        QByteArray bytes;
        if (method != "GET") {
            bytes = QJsonDocument(body).toJson(QJsonDocument::Compact);
            r.setHeader(QNetworkRequest::ContentTypeHeader, "application/json; charset=utf-8");
        }
        return wait(m_nam.sendCustomRequest(r, method, bytes));
    }

    // A reply left open for reading as it arrives (the event stream).
    std::unique_ptr<QNetworkReply> open(const QString& path) {
        QNetworkRequest r = request(path);
        r.setTransferTimeout(0);
        return std::unique_ptr<QNetworkReply>(m_nam.get(r));
    }

private:
    Response wait(QNetworkReply* reply) {
        std::unique_ptr<QNetworkReply> owner(reply);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!reply->isFinished())
            finished.wait(timeoutMs + 5000);
        Response response;
        response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->isOpen())
            response.body = reply->readAll();
        response.error = reply->error();
        return response;
    }

    QUrl m_base;
    QNetworkAccessManager m_nam;
};

} // namespace quelvio::demo::testing
