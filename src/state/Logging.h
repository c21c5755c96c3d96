#pragma once

#include <QLoggingCategory>

// Off by default; QT_LOGGING_RULES="quelvio.*=true" turns them on. Never log a token, password or
// API key.
Q_DECLARE_LOGGING_CATEGORY(lcApi)
Q_DECLARE_LOGGING_CATEGORY(lcStream)
Q_DECLARE_LOGGING_CATEGORY(lcState)
