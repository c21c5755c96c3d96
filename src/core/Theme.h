#pragma once

#include "RawValue.h"

#include <QString>
#include <array>
#include <optional>

// The identifiers of the visual themes. The colours and recipes belong to the application; the
// core knows the names because the session store persists the choice.
namespace quelvio {

enum class AppAppearance { dark, light };

inline constexpr std::array<AppAppearance, 2> appAppearanceCases{AppAppearance::dark, AppAppearance::light};

enum class AppTheme { ink, paper, blueprint, glass, pixel, brutalism };

// Every case in declaration order; the first one is the fallback for anything unreadable.
inline constexpr std::array<AppTheme, 6> appThemeCases{AppTheme::ink,   AppTheme::paper, AppTheme::blueprint,
                                                       AppTheme::glass, AppTheme::pixel, AppTheme::brutalism};

QString rawValue(AppAppearance appearance);
QString rawValue(AppTheme theme);
AppAppearance appearance(AppTheme theme);

// An absent string, or one that is no raw value, gives ink.
AppTheme appThemeFromRawOrFallback(const std::optional<QString>& raw);

template <>
std::optional<AppAppearance> fromRawValue<AppAppearance>(QStringView raw);
template <>
std::optional<AppTheme> fromRawValue<AppTheme>(QStringView raw);

} // namespace quelvio
