#include "DesktopAppearance.h"

#include <QColor>
#include <QPointer>
#include <array>

namespace quelvio {

namespace {

struct SettingKey {
    const char* group;
    const char* key;
};

constexpr SettingKey colorSchemeKey{"org.freedesktop.appearance", "color-scheme"};
constexpr SettingKey reducedMotionKey{"org.freedesktop.appearance", "reduced-motion"};
constexpr SettingKey gnomeAnimationsKey{"org.gnome.desktop.interface", "enable-animations"};
constexpr SettingKey kdeAnimationFactorKey{"org.kde.kdeglobals.KDE", "AnimationDurationFactor"};
constexpr std::array watchedKeys{colorSchemeKey, reducedMotionKey, gnomeAnimationsKey, kdeAnimationFactorKey};

bool is(const SettingKey& setting, const QString& group, const QString& key) {
    return group == QLatin1StringView(setting.group) && key == QLatin1StringView(setting.key);
}

// Portals send typed values, but KDE's come from a text file and may arrive as text; anything that
// is not clearly a number or a truth value counts as not answered.
std::optional<double> numberIn(const QVariant& value) {
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

std::optional<bool> truthIn(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1StringView("true"))
        return true;
    if (text == QLatin1StringView("false"))
        return false;
    return std::nullopt;
}

} // namespace

bool reducesMotion(const MotionSettings& settings) {
    return settings.reducedMotion == 1u || settings.enableAnimations == false ||
           (settings.animationFactor && *settings.animationFactor <= 0);
}

ColorScheme colorSchemeFrom(const QVariant& value) {
    bool ok = false;
    const uint raw = value.toUInt(&ok);
    if (!ok)
        return ColorScheme::noPreference;
    switch (raw) {
    case 1:
        return ColorScheme::dark;
    case 2:
        return ColorScheme::light;
    default:
        return ColorScheme::noPreference; // unknown values mean no preference
    }
}

QColor trayGlyphColor(ColorScheme scheme) {
    return scheme == ColorScheme::light ? QColor(0x1d, 0x1d, 0x1f) : QColor(0xf2, 0xf2, 0xf2);
}

DesktopAppearance::DesktopAppearance(DesktopSettingsSource& source, QObject* parent)
    : QObject(parent)
    , m_source(source) {
    connect(&source, &DesktopSettingsSource::settingChanged, this, &DesktopAppearance::take);
}

QCoro::Task<> DesktopAppearance::load() {
    QPointer<DesktopAppearance> self(this);
    for (const SettingKey& setting : watchedKeys) {
        const QString group = QLatin1StringView(setting.group);
        const QString key = QLatin1StringView(setting.key);
        const std::optional<QVariant> value = co_await m_source.read(group, key);
        if (!self)
            co_return;
        if (value)
            take(group, key, *value);
    }
}

void DesktopAppearance::take(const QString& group, const QString& key, const QVariant& value) {
    const bool reducedBefore = reduceMotion();
    if (is(colorSchemeKey, group, key)) {
        const ColorScheme scheme = colorSchemeFrom(value);
        if (scheme != m_colorScheme) {
            m_colorScheme = scheme;
            emit colorSchemeChanged(scheme);
        }
        return;
    }
    if (is(reducedMotionKey, group, key))
        m_motion.reducedMotion = numberIn(value) == 1.0 ? 1u : 0u;
    else if (is(gnomeAnimationsKey, group, key))
        m_motion.enableAnimations = truthIn(value);
    else if (is(kdeAnimationFactorKey, group, key))
        m_motion.animationFactor = numberIn(value);
    else
        return;
    if (reduceMotion() != reducedBefore)
        emit reduceMotionChanged(reduceMotion());
}

} // namespace quelvio
