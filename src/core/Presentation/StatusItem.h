#pragma once

#include <QString>
#include <array>

// What the status item shows, and the login-item state as the settings switch sees it.
namespace quelvio {

struct MenuBarPresentation {
    // A system symbol name; the shell maps it onto an icon glyph.
    QString symbolName{};
    // Accessibility text and tooltip.
    QString accessibilityDescription{};

    bool operator==(const MenuBarPresentation&) const = default;
};

MenuBarPresentation defaultMenuBarPresentation();

enum class LaunchAtLoginStatus { enabled, notRegistered, requiresApproval, notFound };

inline constexpr std::array<LaunchAtLoginStatus, 4> launchAtLoginStatusCases{
    LaunchAtLoginStatus::enabled, LaunchAtLoginStatus::notRegistered, LaunchAtLoginStatus::requiresApproval,
    LaunchAtLoginStatus::notFound};

// A registration waiting for the user's approval already shows as on.
bool isSwitchOn(LaunchAtLoginStatus status);
bool canToggle(LaunchAtLoginStatus status);
// The line under the switch.
QString settingsDetail(LaunchAtLoginStatus status);

} // namespace quelvio
