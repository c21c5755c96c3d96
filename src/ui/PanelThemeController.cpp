#include "PanelThemeController.h"

#include <QGuiApplication>
#include <QQmlEngine>

namespace quelvio {

PanelThemeController::PanelThemeController() {
    m_theme = PanelTheme::theme();
}

PanelThemeController& PanelThemeController::shared() {
    static PanelThemeController controller;
    return controller;
}

PanelThemeController* PanelThemeController::create(QQmlEngine*, QJSEngine*) {
    PanelThemeController* controller = &shared();
    QJSEngine::setObjectOwnership(controller, QJSEngine::CppOwnership);
    return controller;
}

void PanelThemeController::apply(AppTheme theme) {
    PanelTheme::set(theme);
    m_theme = theme;
    ++m_revision;
    // Menus and other widgets take their colours from the application palette.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::setPalette(ThemeRecipes::controlsPalette(current()));
    emit mirlowThemeDidChange(theme);
    emit switchDurationChanged();
}

QFont PanelThemeController::themedFont(double size, int weight) const {
    return ThemeRecipes::themedFont(current().recipe.typography, size, static_cast<QFont::Weight>(weight));
}

void PanelThemeController::dressPalette(QObject* palette) const {
    if (!palette)
        return;
    const QPalette source = ThemeRecipes::controlsPalette(current());
    // A Qt Quick palette names its colours as properties; the active ones stand for every group.
    static const std::pair<const char*, QPalette::ColorRole> roles[] = {
        {"window", QPalette::Window},
        {"windowText", QPalette::WindowText},
        {"base", QPalette::Base},
        {"alternateBase", QPalette::AlternateBase},
        {"text", QPalette::Text},
        {"placeholderText", QPalette::PlaceholderText},
        {"button", QPalette::Button},
        {"buttonText", QPalette::ButtonText},
        {"brightText", QPalette::BrightText},
        {"highlight", QPalette::Highlight},
        {"highlightedText", QPalette::HighlightedText},
        {"toolTipBase", QPalette::ToolTipBase},
        {"toolTipText", QPalette::ToolTipText},
        {"link", QPalette::Link},
        {"light", QPalette::Light},
        {"midlight", QPalette::Midlight},
        {"mid", QPalette::Mid},
        {"dark", QPalette::Dark},
        {"shadow", QPalette::Shadow},
    };
    for (const auto& [name, role] : roles)
        palette->setProperty(name, source.color(QPalette::Active, role));
    if (auto* disabled = palette->property("disabled").value<QObject*>())
        for (const auto& [name, role] : roles)
            disabled->setProperty(name, source.color(QPalette::Disabled, role));
}

int PanelThemeController::switchDuration() const {
    return ThemeRecipes::switchDurationMs(current().recipe.motion, m_reduceMotion);
}

void PanelThemeController::setReduceMotion(bool reduce) {
    if (reduce == m_reduceMotion)
        return;
    m_reduceMotion = reduce;
    emit switchDurationChanged();
}

} // namespace quelvio
