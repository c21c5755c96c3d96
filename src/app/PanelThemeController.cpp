#include "PanelThemeController.h"

namespace quelvio {

PanelThemeController& PanelThemeController::shared() {
    static PanelThemeController controller;
    return controller;
}

void PanelThemeController::apply(AppTheme theme) {
    if (theme == m_theme)
        return;
    m_theme = theme;
    emit mirlowThemeDidChange(theme);
}

} // namespace quelvio
