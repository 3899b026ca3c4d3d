#pragma once

#include <QLoggingCategory>

// "kwelta.link": what the scale link cannot show in the status line (why a check cannot be asked, why a
// port could not be opened, what a socket reported).
Q_DECLARE_LOGGING_CATEGORY(linkLog)
