#include "platform/x11/x11keyboardinjector.h"

X11KeyboardInjector::X11KeyboardInjector() = default;
X11KeyboardInjector::~X11KeyboardInjector() = default;
