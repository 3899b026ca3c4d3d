#include "platform/x11/x11windowactivation.h"

#include "platform/x11/xhandles.h"

#include <QGuiApplication>

#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool windowManagerRuns(xcb_connection_t* connection, xcb_window_t root)
{
    const xcb_atom_t check = atom(connection, "_NET_SUPPORTING_WM_CHECK");
    const XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr));
    return reply && xcb_get_property_value_length(reply.get()) >= 4;
}

} // namespace

// Qt stamps its own activation requests with the last event time it saw, which the X server (or the
// window manager's focus-stealing prevention) refuses once another program has taken the focus since.
// A request on the user's behalf carries the current time, and to a window manager it says it comes
// from a pager (source 2), which window managers honour.
void x11ActivateOnUserRequest(quint64 windowId)
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return;
    xcb_connection_t* connection = x11->connection();
    const xcb_window_t window = xcb_window_t(windowId);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;

    if (!windowManagerRuns(connection, root)) {
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
        xcb_flush(connection);
        return;
    }
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom(connection, "_NET_ACTIVE_WINDOW");
    message.data.data32[0] = 2;
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

// The focus window is ours when it or one of its ancestors is one of our top-level windows: with a
// window manager, the focus may sit on the client window or on a window inside it.
std::optional<bool> x11InputFocusIn(const QList<quint64>& windowIds)
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    const XcbReply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    if (!focus)
        return std::nullopt;
    xcb_window_t window = focus->focus;
    // None and PointerRoot are no window of ours; the depth bound guards against a tree changing meanwhile.
    for (int depth = 0; depth < 64 && window != XCB_NONE && window != XCB_INPUT_FOCUS_POINTER_ROOT; ++depth) {
        if (windowIds.contains(quint64(window)))
            return true;
        const XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
        if (!tree || tree->parent == tree->root)
            break;
        window = tree->parent;
    }
    return false;
}

namespace {

// The window's own name, UTF-8 (_NET_WM_NAME) where it sets one, else the ICCCM name in Latin-1.
std::optional<QString> windowName(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t netWmName,
                                  xcb_atom_t utf8String)
{
    const auto property = [&](xcb_atom_t name, xcb_atom_t type) -> std::optional<QByteArray> {
        const XcbReply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, name, type, 0, 1024), nullptr));
        if (!reply || reply->type == XCB_ATOM_NONE)
            return std::nullopt;
        return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                          xcb_get_property_value_length(reply.get()));
    };
    if (netWmName != XCB_ATOM_NONE && utf8String != XCB_ATOM_NONE) {
        if (const std::optional<QByteArray> name = property(netWmName, utf8String))
            return QString::fromUtf8(*name);
    }
    if (const std::optional<QByteArray> name = property(XCB_ATOM_WM_NAME, XCB_ATOM_STRING))
        return QString::fromLatin1(*name);
    return std::nullopt;
}

} // namespace

// The focus may sit on a window inside the named one (a client's child, or the client inside a window
// manager's frame has the name while the frame does not): the nearest named window up from the focus.
std::optional<QString> x11FocusedWindowTitle()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    // The atoms stay the same for the life of the connection, which is the program's.
    static const xcb_atom_t netWmName = atom(connection, "_NET_WM_NAME");
    static const xcb_atom_t utf8String = atom(connection, "UTF8_STRING");
    const XcbReply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    if (!focus)
        return std::nullopt;
    xcb_window_t window = focus->focus;
    for (int depth = 0; depth < 64 && window != XCB_NONE && window != XCB_INPUT_FOCUS_POINTER_ROOT; ++depth) {
        if (std::optional<QString> name = windowName(connection, window, netWmName, utf8String))
            return name;
        const XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
        if (!tree || tree->parent == tree->root || tree->parent == XCB_NONE)
            break;
        window = tree->parent;
    }
    return std::nullopt;
}
