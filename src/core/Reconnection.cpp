#include "Reconnection.h"

#include <QLocale>
#include <QTimeZone>
#include <algorithm>

namespace quelvio {

ReconnectBackoff::ms ReconnectBackoff::next(const Ending& ending, double unit) {
    if (ending.upFor >= m_limits.stableAfter)
        reset();
    ms delay;
    if (ending.serverRetry) {
        delay = boundedByServerLimits(*ending.serverRetry);
    } else {
        const double factor = 1.0 + m_limits.jitter * (2.0 * std::clamp(unit, 0.0, 1.0) - 1.0);
        delay = ms(qint64(double(m_step.count()) * factor));
        m_step = std::min(m_step * 2, m_limits.cap);
    }
    if (ending.retryAfter)
        delay = std::max(delay, boundedByServerLimits(*ending.retryAfter));
    return delay;
}

ReconnectBackoff::ms ReconnectBackoff::boundedByServerLimits(ms requested) const {
    return std::clamp(requested, m_limits.serverMin, m_limits.serverMax);
}

std::optional<ReconnectBackoff::ms> ReconnectBackoff::parseRetryAfter(QByteArrayView value,
                                                                      const QDateTime& now) {
    const QByteArray text = value.toByteArray().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        // Anything past ten digits is far beyond every bound anyway.
        if (text.size() > 10)
            return ms::max();
        return std::chrono::seconds(text.toLongLong());
    }
    // IMF-fixdate, the form servers send: "Sun, 06 Nov 1994 08:49:37 GMT".
    QDateTime at =
        QLocale::c().toDateTime(QString::fromLatin1(text), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (!at.isValid())
        return std::nullopt;
    at.setTimeZone(QTimeZone::utc());
    return ms(std::max<qint64>(0, now.msecsTo(at)));
}

} // namespace quelvio
