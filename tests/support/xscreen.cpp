#include "support/xscreen.h"

#include "platform/x11/xhandles.h"

struct XScreen::Connection
{
    XcbConnectionPtr connection{xcb_connect(nullptr, nullptr)};
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data->root;
    xcb_connection_t* c() const { return connection.get(); }
};

XScreen::XScreen()
    : m_x(std::make_unique<Connection>())
{}

XScreen::~XScreen() = default;

QList<quint32> XScreen::windowsTitled(const QByteArray& prefix) const
{
    QList<quint32> found;
    const XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_x->c(), xcb_query_tree(m_x->c(), m_x->root), nullptr));
    if (!tree)
        return found;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(m_x->c(), xcb_get_window_attributes(m_x->c(), children[i]), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        const XcbReply<xcb_get_property_reply_t> name(xcb_get_property_reply(
            m_x->c(), xcb_get_property(m_x->c(), 0, children[i], XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
            nullptr));
        if (!name)
            continue;
        const QByteArray title(static_cast<const char*>(xcb_get_property_value(name.get())),
                               xcb_get_property_value_length(name.get()));
        if (title.startsWith(prefix))
            found.append(children[i]);
    }
    return found;
}

quint32 XScreen::inputFocus() const
{
    const XcbReply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(m_x->c(), xcb_get_input_focus(m_x->c()), nullptr));
    return reply ? reply->focus : XCB_NONE;
}

void XScreen::focusRoot() const
{
    xcb_set_input_focus(m_x->c(), XCB_INPUT_FOCUS_POINTER_ROOT, m_x->root, XCB_CURRENT_TIME);
    // A round trip, so the server has applied it when this returns.
    inputFocus();
}
