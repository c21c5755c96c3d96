#pragma once

#include "Theme.h"

namespace quelvio {

// Where the state sends the theme to be shown. The view layer owns the theme controller, so the
// state hands the choice up instead of reaching for it.
class ThemeSink {
public:
    virtual ~ThemeSink() = default;
    virtual void apply(AppTheme theme) = 0;
};

} // namespace quelvio
