#include "Logging.h"

Q_LOGGING_CATEGORY(lcApi, "quelvio.api", QtWarningMsg)
Q_LOGGING_CATEGORY(lcStream, "quelvio.stream", QtWarningMsg)
Q_LOGGING_CATEGORY(lcState, "quelvio.state", QtWarningMsg)
