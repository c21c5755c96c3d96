#pragma once

#include "Theme.h"
#include "ThemeCatalog.h"
#include "ThemeSink.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

namespace quelvio {

// The process-wide current theme as views see it. Every apply moves `revision` forward and
// announces mirlowThemeDidChange, even when the theme stays the same; every derived property
// follows that one signal.
class PanelThemeController : public QObject, public ThemeSink {
    Q_OBJECT
    QML_NAMED_ELEMENT(Theme)
    QML_SINGLETON
    Q_PROPERTY(quelvio::AppTheme theme READ theme NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QString themeId READ themeId NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(uint revision READ revision NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QString name READ name NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QString caption READ caption NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(bool isLight READ isLight NOTIFY mirlowThemeDidChange)

    Q_PROPERTY(QColor bgBase READ bgBase NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor bgElevated READ bgElevated NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor bgHighlight READ bgHighlight NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor bgHover READ bgHover NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor bgSidebar READ bgSidebar NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor textPrimary READ textPrimary NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor textSecondary READ textSecondary NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor textMuted READ textMuted NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor textDim READ textDim NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor border READ border NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor borderSubtle READ borderSubtle NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor accent READ accent NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor accentSecondary READ accentSecondary NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor accentForeground READ accentForeground NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor danger READ danger NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor success READ success NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor warning READ warning NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(QColor windowBackground READ windowBackground NOTIFY mirlowThemeDidChange)

    Q_PROPERTY(double cornerRadius READ cornerRadius NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(int motionDuration READ motionDuration NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(int motionEasing READ motionEasing NOTIFY mirlowThemeDidChange)
    Q_PROPERTY(bool motionIsSpring READ motionIsSpring NOTIFY mirlowThemeDidChange)
    // Milliseconds a page or tab switch takes: the theme's, or none when the desktop asks for
    // reduced motion.
    Q_PROPERTY(int switchDuration READ switchDuration NOTIFY switchDurationChanged)

public:
    static PanelThemeController& shared();
    // The QML singleton is the C++ instance; the engine never owns it.
    static PanelThemeController* create(QQmlEngine* qmlEngine, QJSEngine* jsEngine);

    AppTheme theme() const { return m_theme; }
    uint revision() const { return m_revision; }
    void apply(AppTheme theme) override;

    QString themeId() const { return rawValue(m_theme); }
    QString name() const { return current().name; }
    QString caption() const { return current().caption; }
    bool isLight() const { return current().appearance == AppAppearance::light; }

    QColor bgBase() const { return palette().bgBase; }
    QColor bgElevated() const { return palette().bgElevated; }
    QColor bgHighlight() const { return palette().bgHighlight; }
    QColor bgHover() const { return palette().bgHover; }
    QColor bgSidebar() const { return palette().bgSidebar; }
    QColor textPrimary() const { return palette().textPrimary; }
    QColor textSecondary() const { return palette().textSecondary; }
    QColor textMuted() const { return palette().textMuted; }
    QColor textDim() const { return palette().textDim; }
    QColor border() const { return palette().border; }
    QColor borderSubtle() const { return palette().borderSubtle; }
    QColor accent() const { return palette().accent; }
    QColor accentSecondary() const { return palette().accentSecondary; }
    QColor accentForeground() const { return palette().accentForeground; }
    QColor danger() const { return palette().danger; }
    QColor success() const { return palette().success; }
    QColor warning() const { return palette().warning; }
    QColor windowBackground() const { return palette().nsBgBase; }

    double cornerRadius() const { return ThemeRecipes::cornerRadius(current().recipe.shape); }
    // For a NumberAnimation / Behavior: milliseconds and a QEasingCurve::Type.
    int motionDuration() const { return ThemeRecipes::motion(current().recipe.motion).durationMs; }
    int motionEasing() const { return ThemeRecipes::motion(current().recipe.motion).easing; }
    bool motionIsSpring() const { return ThemeRecipes::motion(current().recipe.motion).isSpring; }

    // weight is a QFont::Weight value (400 regular, 500 medium, 600 semibold, 700 bold).
    Q_INVOKABLE QFont themedFont(double size, int weight = QFont::Normal) const;
    int switchDuration() const;
    bool reduceMotion() const { return m_reduceMotion; }
    void setReduceMotion(bool reduce);
    // Gives an item's palette (and so every stock control under it) the current theme's colours.
    Q_INVOKABLE void dressPalette(QObject* palette) const;

signals:
    void mirlowThemeDidChange(quelvio::AppTheme theme);
    void switchDurationChanged();

private:
    PanelThemeController();
    static const ThemeDefinition& current() { return PanelTheme::current(); }
    static const ThemePalette& palette() { return PanelTheme::current().palette; }

    AppTheme m_theme = AppTheme::ink;
    uint m_revision = 0;
    bool m_reduceMotion = false;
};

} // namespace quelvio
