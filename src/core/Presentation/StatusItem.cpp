#include "Presentation/StatusItem.h"

namespace quelvio {

MenuBarPresentation defaultMenuBarPresentation() {
    return {QStringLiteral("dot.radiowaves.left.and.right"), QStringLiteral("quelvio")};
}

bool isSwitchOn(LaunchAtLoginStatus status) {
    return status == LaunchAtLoginStatus::enabled || status == LaunchAtLoginStatus::requiresApproval;
}

bool canToggle(LaunchAtLoginStatus) {
    return true;
}

QString settingsDetail(LaunchAtLoginStatus status) {
    if (status == LaunchAtLoginStatus::requiresApproval)
        return QStringLiteral("请在系统设置 › 登录项中允许");
    return QStringLiteral("登录后自动打开");
}

} // namespace quelvio
