#include "Theme.h"

namespace quelvio {

QString rawValue(AppAppearance appearance) {
    switch (appearance) {
    case AppAppearance::dark:
        return QStringLiteral("dark");
    case AppAppearance::light:
        return QStringLiteral("light");
    }
    Q_UNREACHABLE();
}

QString rawValue(AppTheme theme) {
    switch (theme) {
    case AppTheme::ink:
        return QStringLiteral("ink");
    case AppTheme::paper:
        return QStringLiteral("paper");
    case AppTheme::blueprint:
        return QStringLiteral("blueprint");
    case AppTheme::glass:
        return QStringLiteral("glass");
    case AppTheme::pixel:
        return QStringLiteral("pixel");
    case AppTheme::brutalism:
        return QStringLiteral("brutalism");
    }
    Q_UNREACHABLE();
}

AppAppearance appearance(AppTheme theme) {
    switch (theme) {
    case AppTheme::paper:
    case AppTheme::glass:
        return AppAppearance::light;
    case AppTheme::ink:
    case AppTheme::blueprint:
    case AppTheme::pixel:
    case AppTheme::brutalism:
        return AppAppearance::dark;
    }
    Q_UNREACHABLE();
}

AppTheme appThemeFromRawOrFallback(const std::optional<QString>& raw) {
    if (!raw)
        return AppTheme::ink;
    return fromRawValue<AppTheme>(*raw).value_or(AppTheme::ink);
}

template <>
std::optional<AppAppearance> fromRawValue<AppAppearance>(QStringView raw) {
    for (AppAppearance value : appAppearanceCases)
        if (rawValue(value) == raw)
            return value;
    return std::nullopt;
}

template <>
std::optional<AppTheme> fromRawValue<AppTheme>(QStringView raw) {
    for (AppTheme value : appThemeCases)
        if (rawValue(value) == raw)
            return value;
    return std::nullopt;
}

} // namespace quelvio
