#include "link/linklog.h"

Q_LOGGING_CATEGORY(linkLog, "kwelta.link", QtWarningMsg)
