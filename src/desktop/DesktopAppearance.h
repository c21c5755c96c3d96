#pragma once

#include "DesktopSettings.h"

#include <QColor>
#include <QCoroTask>
#include <QObject>
#include <optional>

namespace quelvio {

// The desktop's preferred colour scheme ("color-scheme": 0, 1 dark, 2 light).
enum class ColorScheme { noPreference, dark, light };

// What the desktop says about motion, each as its own desktop names it; unset when not answered.
struct MotionSettings {
    std::optional<uint> reducedMotion;     // org.freedesktop.appearance reduced-motion: 1 reduces
    std::optional<bool> enableAnimations;  // org.gnome.desktop.interface enable-animations
    std::optional<double> animationFactor; // org.kde.kdeglobals.KDE AnimationDurationFactor: 0 is off
};

// Motion is reduced when any of the desktop's settings asks for it; nothing answered means no.
bool reducesMotion(const MotionSettings& settings);
ColorScheme colorSchemeFrom(const QVariant& value);

// The tray glyph's colour: light on a dark (or unknown: most panels are dark) panel, dark on a
// light one.
QColor trayGlyphColor(ColorScheme scheme);

// Follows the desktop's reduced-motion wish and colour scheme: read once, then live.
class DesktopAppearance : public QObject {
    Q_OBJECT

public:
    explicit DesktopAppearance(DesktopSettingsSource& source, QObject* parent = nullptr);

    // Reads every setting once; changes announced meanwhile are followed from construction on.
    QCoro::Task<> load();

    bool reduceMotion() const { return reducesMotion(m_motion); }
    ColorScheme colorScheme() const { return m_colorScheme; }

signals:
    void reduceMotionChanged(bool reduce);
    void colorSchemeChanged(quelvio::ColorScheme scheme);

private:
    void take(const QString& group, const QString& key, const QVariant& value);

    DesktopSettingsSource& m_source;
    MotionSettings m_motion;
    ColorScheme m_colorScheme = ColorScheme::noPreference;
};

} // namespace quelvio
