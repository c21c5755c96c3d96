#include "ZeltorAPIError.h"

namespace quelvio {

ZeltorAPIError::ZeltorAPIError(Kind kind, int status, QString message, std::optional<Source> item)
    : m_kind(kind)
    , m_status(status)
    , m_message(std::move(message))
    , m_item(std::move(item)) {
    m_what = errorDescription().toUtf8();
}

ZeltorAPIError ZeltorAPIError::http(int status, const QString& message) {
    return {Kind::http, status, message, std::nullopt};
}

ZeltorAPIError ZeltorAPIError::unauthorized(const QString& message) {
    return {Kind::unauthorized, 401, message, std::nullopt};
}

ZeltorAPIError ZeltorAPIError::decoding(const QString& message) {
    return {Kind::decoding, 0, message, std::nullopt};
}

ZeltorAPIError ZeltorAPIError::transport(const QString& message) {
    return {Kind::transport, 0, message, std::nullopt};
}

ZeltorAPIError ZeltorAPIError::sourceConflict(const QString& message, const std::optional<Source>& item) {
    return {Kind::sourceConflict, 0, message, item};
}

ZeltorAPIError ZeltorAPIError::invalidURL() {
    return {Kind::invalidURL, 0, {}, std::nullopt};
}

ZeltorAPIError ZeltorAPIError::missingAPIKey() {
    return {Kind::missingAPIKey, 0, {}, std::nullopt};
}

QString ZeltorAPIError::errorDescription() const {
    switch (m_kind) {
    case Kind::http:
    case Kind::unauthorized:
    case Kind::transport:
    case Kind::sourceConflict:
        return m_message;
    case Kind::decoding:
        return QStringLiteral("解析失败：") + m_message;
    case Kind::invalidURL:
        return QStringLiteral("无效的服务器地址");
    case Kind::missingAPIKey:
        return QStringLiteral("未设置 API Key，无法抓取");
    }
    Q_UNREACHABLE();
}

std::optional<int> ZeltorAPIError::statusCode() const {
    if (m_kind == Kind::http || m_kind == Kind::unauthorized)
        return m_status;
    return std::nullopt;
}

bool ZeltorAPIError::operator==(const ZeltorAPIError& other) const {
    return m_kind == other.m_kind && m_status == other.m_status && m_message == other.m_message &&
           m_item == other.m_item;
}

} // namespace quelvio
