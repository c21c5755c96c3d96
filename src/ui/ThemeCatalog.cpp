#include "ThemeCatalog.h"

#include <QFontDatabase>

namespace quelvio {

namespace {

QColor hex(const char* rgb, double opacity = 1.0) {
    QColor colour(rgb);
    colour.setAlphaF(static_cast<float>(opacity));
    return colour;
}

QColor white(double opacity = 1.0) {
    return hex("#FFFFFF", opacity);
}
QColor black(double opacity = 1.0) {
    return hex("#000000", opacity);
}

ThemeDefinition makeInk() {
    ThemePalette p;
    p.bgBase = hex("#0B0E14");
    p.bgElevated = hex("#121722");
    p.bgHighlight = hex("#1A2230");
    p.bgHover = hex("#253044");
    p.bgSidebar = hex("#0F131C");
    p.textPrimary = hex("#EEF2F8");
    p.textSecondary = hex("#C7D0DF");
    p.textMuted = hex("#8390A3");
    p.textDim = hex("#5F6B7C");
    p.border = hex("#2D394D");
    p.borderSubtle = white(0.075);
    p.accent = hex("#BB9AF7");
    p.accentSecondary = hex("#7AA2F7");
    p.accentForeground = hex("#101624");
    p.danger = hex("#FF7A90");
    p.success = hex("#73D5A2");
    p.warning = hex("#F5C76A");
    p.nsBgBase = hex("#0B0E14");
    return {AppTheme::ink,
            QStringLiteral("夜墨"),
            QStringLiteral("深色 · 专注"),
            AppAppearance::dark,
            p,
            {ThemeShapeStyle::rounded, ThemeTypographyStyle::rounded, ThemeMotionStyle::fluid}};
}

ThemeDefinition makePaper() {
    ThemePalette p;
    p.bgBase = hex("#F2F4F8");
    p.bgElevated = white();
    p.bgHighlight = hex("#E9EDF4");
    p.bgHover = hex("#DDE4EE");
    p.bgSidebar = hex("#ECEFF5");
    p.textPrimary = hex("#1B2430");
    p.textSecondary = hex("#3A4656");
    p.textMuted = hex("#6F7D90");
    p.textDim = hex("#9BA6B4");
    p.border = hex("#C9D2DE");
    p.borderSubtle = black(0.07);
    p.accent = hex("#586FD6");
    p.accentSecondary = hex("#2B858A");
    p.accentForeground = white();
    p.danger = hex("#C94B67");
    p.success = hex("#27865E");
    p.warning = hex("#A56B00");
    p.nsBgBase = hex("#F2F4F8");
    return {AppTheme::paper,
            QStringLiteral("晨雾"),
            QStringLiteral("浅色 · 清晰"),
            AppAppearance::light,
            p,
            {ThemeShapeStyle::rounded, ThemeTypographyStyle::rounded, ThemeMotionStyle::fluid}};
}

ThemeDefinition makeBlueprint() {
    ThemePalette p;
    p.bgBase = hex("#08090B");
    p.bgElevated = hex("#12161C");
    p.bgHighlight = hex("#1B222B");
    p.bgHover = hex("#252E38");
    p.bgSidebar = hex("#0D1014");
    p.textPrimary = hex("#EAFBFF");
    p.textSecondary = hex("#C3D4D9");
    p.textMuted = hex("#82949B");
    p.textDim = hex("#536168");
    p.border = hex("#168D99");
    p.borderSubtle = hex("#00F0FF", 0.24);
    p.accent = hex("#FCEE0A");
    p.accentSecondary = hex("#00F0FF");
    p.accentForeground = hex("#08090B");
    p.danger = hex("#FF2A4F");
    p.success = hex("#34F5A4");
    p.warning = hex("#FCEE0A");
    p.nsBgBase = hex("#08090B");
    return {AppTheme::blueprint,
            QStringLiteral("夜城 2077"),
            QStringLiteral("赛博 · 警戒"),
            AppAppearance::dark,
            p,
            {ThemeShapeStyle::rounded, ThemeTypographyStyle::technical, ThemeMotionStyle::precise}};
}

ThemeDefinition makeGlass() {
    ThemePalette p;
    p.bgBase = hex("#EAF3FD");
    p.bgElevated = white(0.58);
    p.bgHighlight = white(0.42);
    p.bgHover = white(0.68);
    p.bgSidebar = hex("#EDF6FF", 0.62);
    p.textPrimary = hex("#102033");
    p.textSecondary = hex("#34475D");
    p.textMuted = hex("#64778D");
    p.textDim = hex("#8A9AAF");
    p.border = white(0.82);
    p.borderSubtle = white(0.62);
    p.accent = hex("#0A84FF");
    p.accentSecondary = hex("#6E5CF6");
    p.accentForeground = white();
    p.danger = hex("#D92D55");
    p.success = hex("#16845B");
    p.warning = hex("#A96700");
    p.nsBgBase = hex("#EAF3FD");
    return {AppTheme::glass,
            QStringLiteral("流光玻璃"),
            QStringLiteral("通透 · 灵动"),
            AppAppearance::light,
            p,
            {ThemeShapeStyle::rounded, ThemeTypographyStyle::system, ThemeMotionStyle::fluid}};
}

ThemeDefinition makePixel() {
    ThemePalette p;
    p.bgBase = hex("#17182B");
    p.bgElevated = hex("#262A43");
    p.bgHighlight = hex("#343B5A");
    p.bgHover = hex("#465273");
    p.bgSidebar = hex("#111322");
    p.textPrimary = hex("#FFF3C4");
    p.textSecondary = hex("#CAD1C5");
    p.textMuted = hex("#8B9BB4");
    p.textDim = hex("#596681");
    p.border = hex("#0B0D18");
    p.borderSubtle = hex("#596681");
    p.accent = hex("#FFD35A");
    p.accentSecondary = hex("#55C4D3");
    p.accentForeground = hex("#17182B");
    p.danger = hex("#E05263");
    p.success = hex("#64C260");
    p.warning = hex("#F29B42");
    // Not the same as bgBase: the window background is a touch less blue.
    p.nsBgBase = hex("#17181B");
    return {AppTheme::pixel,
            QStringLiteral("像素背包"),
            QStringLiteral("16-bit · 冒险"),
            AppAppearance::dark,
            p,
            {ThemeShapeStyle::square, ThemeTypographyStyle::pixel, ThemeMotionStyle::stepped}};
}

ThemeDefinition makeBrutalism() {
    ThemePalette p;
    p.bgBase = hex("#0A0A0A");
    p.bgElevated = hex("#0A0A0A");
    p.bgHighlight = hex("#171717");
    p.bgHover = hex("#242424");
    p.bgSidebar = hex("#0A0A0A");
    p.textPrimary = white();
    p.textSecondary = white();
    p.textMuted = white(0.72);
    p.textDim = white(0.46);
    p.border = white(0.42);
    p.borderSubtle = white(0.25);
    p.accent = hex("#FFFF00");
    p.accentSecondary = hex("#FF3366");
    p.accentForeground = hex("#0A0A0A");
    p.danger = hex("#FF3366");
    p.success = hex("#00FFFF");
    p.warning = hex("#FFFF00");
    p.nsBgBase = hex("#0A0A0A");
    return {AppTheme::brutalism,
            QStringLiteral("BRUTAL"),
            QStringLiteral("粗野 · 高对比"),
            AppAppearance::dark,
            p,
            {ThemeShapeStyle::square, ThemeTypographyStyle::brutal, ThemeMotionStyle::brutal}};
}

AppTheme g_theme = AppTheme::ink;
const ThemeDefinition* g_current = nullptr;

QString monospaceFamily() {
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

} // namespace

namespace ThemeCatalog {

const ThemeDefinition& ink() {
    static const ThemeDefinition d = makeInk();
    return d;
}
const ThemeDefinition& paper() {
    static const ThemeDefinition d = makePaper();
    return d;
}
const ThemeDefinition& blueprint() {
    static const ThemeDefinition d = makeBlueprint();
    return d;
}
const ThemeDefinition& glass() {
    static const ThemeDefinition d = makeGlass();
    return d;
}
const ThemeDefinition& pixel() {
    static const ThemeDefinition d = makePixel();
    return d;
}
const ThemeDefinition& brutalism() {
    static const ThemeDefinition d = makeBrutalism();
    return d;
}

const QList<ThemeDefinition>& all() {
    static const QList<ThemeDefinition> list{ink(), paper(), blueprint(), glass(), pixel(), brutalism()};
    return list;
}

const ThemeDefinition& definition(AppTheme theme) {
    for (const ThemeDefinition& d : all()) {
        if (d.id == theme)
            return d;
    }
    return ink();
}

} // namespace ThemeCatalog

namespace PanelTheme {

AppTheme theme() {
    return g_theme;
}

const ThemeDefinition& current() {
    return g_current ? *g_current : ThemeCatalog::ink();
}

void set(AppTheme theme) {
    g_theme = theme;
    g_current = &ThemeCatalog::definition(theme);
}

} // namespace PanelTheme

namespace ThemeRecipes {

double cornerRadius(ThemeShapeStyle shape) {
    return shape == ThemeShapeStyle::rounded ? 7.0 : 0.0;
}

ThemeMotion motion(ThemeMotionStyle style) {
    switch (style) {
    case ThemeMotionStyle::fluid:
        return {180, QEasingCurve::OutCubic, true, 0.18, 0.81};
    case ThemeMotionStyle::precise:
        return {140, QEasingCurve::OutQuad, false, 0, 0};
    case ThemeMotionStyle::stepped:
        return {80, QEasingCurve::Linear, false, 0, 0};
    case ThemeMotionStyle::brutal:
        return {100, QEasingCurve::Linear, false, 0, 0};
    }
    return {};
}

int switchDurationMs(ThemeMotionStyle style, bool reduceMotion) {
    return reduceMotion ? 0 : motion(style).durationMs;
}

QFont themedFont(ThemeTypographyStyle typography, double size, QFont::Weight weight) {
    QFont font;
    switch (typography) {
    case ThemeTypographyStyle::rounded:
    case ThemeTypographyStyle::system:
        // No rounded system face on Linux: the desktop's sans serves both.
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setWeight(weight);
        break;
    case ThemeTypographyStyle::technical:
        font = QFont(monospaceFamily());
        font.setStyleHint(QFont::Monospace);
        font.setWeight(weight);
        break;
    case ThemeTypographyStyle::pixel:
        font = QFont(monospaceFamily());
        font.setStyleHint(QFont::Monospace);
        font.setWeight(weight == QFont::Medium ? QFont::Bold : weight);
        break;
    case ThemeTypographyStyle::brutal:
        // Menlo comes in two cuts only; without it the desktop's monospace stands in.
        font = QFont(QStringLiteral("Menlo"));
        font.setFamilies({QStringLiteral("Menlo"), monospaceFamily()});
        font.setStyleHint(QFont::Monospace);
        font.setWeight(weight == QFont::Normal || weight == QFont::Medium ? QFont::Normal : QFont::Bold);
        break;
    }
    font.setPixelSize(qMax(1, qRound(size)));
    return font;
}

QPalette controlsPalette(const ThemeDefinition& theme) {
    const ThemePalette& p = theme.palette;
    QPalette palette;
    palette.setColor(QPalette::Window, p.bgBase);
    palette.setColor(QPalette::WindowText, p.textPrimary);
    palette.setColor(QPalette::Base, p.bgElevated);
    palette.setColor(QPalette::AlternateBase, p.bgHighlight);
    palette.setColor(QPalette::Text, p.textPrimary);
    palette.setColor(QPalette::PlaceholderText, p.textMuted);
    palette.setColor(QPalette::Button, p.bgHighlight);
    palette.setColor(QPalette::ButtonText, p.textPrimary);
    palette.setColor(QPalette::BrightText, p.accentForeground);
    palette.setColor(QPalette::Highlight, p.accent);
    palette.setColor(QPalette::HighlightedText, p.accentForeground);
    palette.setColor(QPalette::ToolTipBase, p.bgElevated);
    palette.setColor(QPalette::ToolTipText, p.textPrimary);
    palette.setColor(QPalette::Link, p.accent);
    palette.setColor(QPalette::Light, p.bgHover);
    palette.setColor(QPalette::Midlight, p.bgHighlight);
    palette.setColor(QPalette::Mid, p.border);
    palette.setColor(QPalette::Dark, p.borderSubtle);
    palette.setColor(QPalette::Shadow, p.nsBgBase);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, p.textDim);
    palette.setColor(QPalette::Disabled, QPalette::Text, p.textDim);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, p.textDim);
    return palette;
}

} // namespace ThemeRecipes

} // namespace quelvio
