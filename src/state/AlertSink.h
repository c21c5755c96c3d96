#pragma once

#include "Presentation/PriceAlerts.h"

namespace quelvio {

// Where the state sends an alert to be raised on the desktop (its notification service).
class AlertSink {
public:
    virtual ~AlertSink() = default;
    virtual void raise(const PriceAlert& alert) = 0;
};

} // namespace quelvio
