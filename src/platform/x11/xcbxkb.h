#pragma once

// xcb's XKB header names a struct member `explicit`, which C++ reserves; it is renamed while the
// header is read. Clang warns about any macro named like a keyword, hence the pragmas.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wkeyword-macro"
#endif
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
