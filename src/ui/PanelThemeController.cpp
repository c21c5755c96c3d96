#include "PanelThemeController.h"

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
    emit mirlowThemeDidChange(theme);
}

QFont PanelThemeController::themedFont(double size, int weight) const {
    return ThemeRecipes::themedFont(current().recipe.typography, size, static_cast<QFont::Weight>(weight));
}

int PanelThemeController::switchDuration(bool reduceMotion) const {
    return ThemeRecipes::switchDurationMs(current().recipe.motion, reduceMotion);
}

} // namespace quelvio
