#pragma once

#include "Theme.h"

#include <QObject>

namespace quelvio {

// The process-wide current theme. Views and window controllers watch it; a change is announced
// through mirlowThemeDidChange.
class PanelThemeController : public QObject {
    Q_OBJECT
    Q_PROPERTY(quelvio::AppTheme theme READ theme NOTIFY mirlowThemeDidChange)

public:
    static PanelThemeController& shared();

    AppTheme theme() const { return m_theme; }
    void apply(AppTheme theme);

signals:
    void mirlowThemeDidChange(quelvio::AppTheme theme);

private:
    PanelThemeController() = default;
    AppTheme m_theme = AppTheme::ink;
};

} // namespace quelvio
