#pragma once

// Stand-ins for what the desktop gives the state (header-only: only targets that link the state
// include it).

#include "LaunchAtLoginService.h"
#include "ThemeSink.h"

#include <QList>
#include <optional>

namespace quelvio::test {

struct RecordingThemeSink : ThemeSink {
    QList<AppTheme> applied;
    void apply(AppTheme theme) override { applied.append(theme); }
};

// Login items in memory; with a refusal set, every change fails with that text.
struct FakeLoginItems : LaunchAtLoginService {
    mutable LaunchAtLoginStatus current = LaunchAtLoginStatus::notRegistered;
    std::optional<QString> refusal;

    LaunchAtLoginStatus status() const override { return current; }
    void setEnabled(bool enabled) const override {
        if (refusal)
            throw LaunchAtLoginError(*refusal);
        current = enabled ? LaunchAtLoginStatus::enabled : LaunchAtLoginStatus::notRegistered;
    }
};

} // namespace quelvio::test
