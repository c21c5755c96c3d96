#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <chrono>
#include <optional>

namespace quelvio {

// When to open the event stream again after it ended: exponential backoff with random jitter, so
// that many clients cut off together do not all come back in the same instant, and the server's
// own requests ("retry:" in the stream, Retry-After on a refusal) within sane bounds.
class ReconnectBackoff {
public:
    using ms = std::chrono::milliseconds;

    struct Limits {
        ms first{1'000};
        ms cap{60'000};
        // A connection that stayed up this long starts the sequence over: it was served, so the
        // server is up. Short enough that a proxy cutting every stream every half minute does not
        // push the client to the cap; long enough that a server dropping every connection at once
        // is asked at most every 11 s.
        ms stableAfter{10'000};
        // Each delay is the step's value times a factor in [1 - jitter, 1 + jitter].
        double jitter = 0.2;
        // What a server may ask for, in either form.
        ms serverMin{500};
        ms serverMax{600'000};
    };

    // How the connection that just ended went.
    struct Ending {
        ms upFor{0};                     // 0 when it never connected
        std::optional<ms> serverRetry{}; // the last "retry:" value it carried
        std::optional<ms> retryAfter{};  // from a 429 or 503 refusal
    };

    ReconnectBackoff() = default;
    explicit ReconnectBackoff(Limits limits)
        : m_limits(limits)
        , m_step(limits.first) {}

    // The wait before the next attempt. unit, in [0, 1), picks the jitter.
    ms next(const Ending& ending, double unit);
    void reset() { m_step = m_limits.first; }

    const Limits& limits() const { return m_limits; }
    ms boundedByServerLimits(ms requested) const;

    // A Retry-After value: seconds, or an HTTP date (RFC 7231) measured from now. Nothing when
    // it is neither.
    static std::optional<ms> parseRetryAfter(QByteArrayView value, const QDateTime& now);

private:
    Limits m_limits{};
    ms m_step{m_limits.first};
};

} // namespace quelvio
