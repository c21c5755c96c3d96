#pragma once

#include "Models/CatalogRecords.h"

#include <QByteArray>
#include <QString>
#include <exception>
#include <optional>

namespace quelvio {

// The one error of every server call. Its description is the text the user sees.
class ZeltorAPIError : public std::exception {
public:
    enum class Kind { http, unauthorized, decoding, transport, sourceConflict, invalidURL, missingAPIKey };

    static ZeltorAPIError http(int status, const QString& message);
    static ZeltorAPIError unauthorized(const QString& message);
    static ZeltorAPIError decoding(const QString& message);
    static ZeltorAPIError transport(const QString& message);
    static ZeltorAPIError sourceConflict(const QString& message, const std::optional<Source>& item);
    static ZeltorAPIError invalidURL();
    static ZeltorAPIError missingAPIKey();

    Kind kind() const { return m_kind; }
    // The associated text of the case; empty for invalidURL and missingAPIKey.
    const QString& message() const { return m_message; }
    // The shop that already exists, for sourceConflict.
    const std::optional<Source>& item() const { return m_item; }

    QString errorDescription() const;
    // Present only for http and unauthorized (always 401).
    std::optional<int> statusCode() const;

    bool operator==(const ZeltorAPIError& other) const;
    const char* what() const noexcept override { return m_what.constData(); }

private:
    ZeltorAPIError(Kind kind, int status, QString message, std::optional<Source> item);

    Kind m_kind;
    int m_status = 0;
    QString m_message;
    std::optional<Source> m_item;
    QByteArray m_what;
};

} // namespace quelvio
