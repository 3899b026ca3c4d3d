#pragma once

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <memory>

// Owning pointers for the C objects of xcb and libxkbcommon.

struct XcbFree
{
    void operator()(void* pointer) const { std::free(pointer); }
};

// xcb replies and events are malloc'ed by the library and freed by the caller.
template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;

struct XcbDisconnect
{
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using XcbConnectionPtr = std::unique_ptr<xcb_connection_t, XcbDisconnect>;

struct XkbUnref
{
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
    void operator()(xkb_state* state) const { xkb_state_unref(state); }
};
using XkbContextPtr = std::unique_ptr<xkb_context, XkbUnref>;
using XkbKeymapPtr = std::unique_ptr<xkb_keymap, XkbUnref>;
using XkbStatePtr = std::unique_ptr<xkb_state, XkbUnref>;
