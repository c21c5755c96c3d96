#pragma once

#include "Theme.h"

#include <QColor>
#include <QEasingCurve>
#include <QFont>
#include <QList>
#include <QPalette>
#include <QString>
#include <array>

// The six built-in looks: palettes, style recipes and the values views derive from them.
namespace quelvio {

enum class ThemeShapeStyle { rounded, square };
enum class ThemeTypographyStyle { rounded, technical, system, pixel, brutal };
enum class ThemeMotionStyle { fluid, precise, stepped, brutal };

struct ThemeRecipe {
    ThemeShapeStyle shape = ThemeShapeStyle::rounded;
    ThemeTypographyStyle typography = ThemeTypographyStyle::rounded;
    ThemeMotionStyle motion = ThemeMotionStyle::fluid;

    bool operator==(const ThemeRecipe&) const = default;
};

struct ThemePalette {
    QColor bgBase;
    QColor bgElevated;
    QColor bgHighlight;
    QColor bgHover;
    QColor bgSidebar;
    QColor textPrimary;
    QColor textSecondary;
    QColor textMuted;
    QColor textDim;
    QColor border;
    QColor borderSubtle;
    QColor accent;
    QColor accentSecondary;
    QColor accentForeground;
    QColor danger;
    QColor success;
    QColor warning;
    // The window background behind the view content.
    QColor nsBgBase;

    bool operator==(const ThemePalette&) const = default;
};

struct ThemeDefinition {
    AppTheme id = AppTheme::ink;
    QString name;
    QString caption;
    AppAppearance appearance = AppAppearance::dark;
    ThemePalette palette;
    ThemeRecipe recipe;

    bool operator==(const ThemeDefinition&) const = default;
};

namespace ThemeCatalog {
const ThemeDefinition& ink();
const ThemeDefinition& paper();
const ThemeDefinition& blueprint();
const ThemeDefinition& glass();
const ThemeDefinition& pixel();
const ThemeDefinition& brutalism();
// In case order.
const QList<ThemeDefinition>& all();
// Falls back to ink, which cannot happen while every case has an entry.
const ThemeDefinition& definition(AppTheme theme);
} // namespace ThemeCatalog

// The process-wide current theme; GUI thread only. Only the theme controller moves it.
namespace PanelTheme {
AppTheme theme();
const ThemeDefinition& current();
void set(AppTheme theme);
} // namespace PanelTheme

// How a tab or section switch animates. Qt Quick has no response/damping spring, so the fluid
// spring is played as an ease-out curve of its response time; the spring's own figures are kept
// for a view that wants a SpringAnimation.
struct ThemeMotion {
    int durationMs = 0;
    QEasingCurve::Type easing = QEasingCurve::Linear;
    bool isSpring = false;
    double springResponse = 0;
    double springDampingFraction = 0;

    bool operator==(const ThemeMotion&) const = default;
};

namespace ThemeRecipes {
// Corner radius of cards, rows, fields and buttons.
double cornerRadius(ThemeShapeStyle shape);
ThemeMotion motion(ThemeMotionStyle style);
// Duration of a switch animation; zero when the desktop asks for reduced motion.
int switchDurationMs(ThemeMotionStyle style, bool reduceMotion);
// The font for all themed text. Sizes are points, drawn as logical pixels as Qt Quick does.
QFont themedFont(ThemeTypographyStyle typography, double size, QFont::Weight weight);
// The theme as a palette for the stock controls (scroll bars, busy indicators, tool tips, menus),
// so that they follow a light or a dark theme instead of the desktop's colours.
QPalette controlsPalette(const ThemeDefinition& theme);
} // namespace ThemeRecipes

} // namespace quelvio
