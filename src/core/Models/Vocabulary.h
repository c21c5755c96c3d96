#pragma once

#include <QLatin1StringView>

// The words of the wire vocabularies. The record fields that carry them stay plain strings, so a
// word the server adds later still decodes and is kept as it came.
namespace quelvio {

namespace RunStatus {
inline constexpr QLatin1StringView running{"running"};
inline constexpr QLatin1StringView success{"success"};
inline constexpr QLatin1StringView partial{"partial"};
inline constexpr QLatin1StringView failed{"failed"};
} // namespace RunStatus

namespace ReactKind {
inline constexpr QLatin1StringView favorite{"favorite"};
inline constexpr QLatin1StringView down{"down"};
inline constexpr QLatin1StringView report{"report"};
} // namespace ReactKind

namespace TargetType {
inline constexpr QLatin1StringView product{"product"};
inline constexpr QLatin1StringView source{"source"};
} // namespace TargetType

namespace UserRole {
inline constexpr QLatin1StringView user{"user"};
inline constexpr QLatin1StringView member{"member"};
inline constexpr QLatin1StringView admin{"admin"};
} // namespace UserRole

namespace StreamEventType {
inline constexpr QLatin1StringView hello{"hello"};
inline constexpr QLatin1StringView heartbeat{"heartbeat"};
inline constexpr QLatin1StringView priceUpdated{"price.updated"};
inline constexpr QLatin1StringView scrapeFinished{"scrape.finished"};
} // namespace StreamEventType

} // namespace quelvio
