#include "support/xkeyclient.h"

#include "platform/x11/xcbxkb.h"
#include "platform/x11/xhandles.h"

#include <xcb/xtest.h>

#include <algorithm>
#include <vector>

struct XKeyClient::Connection
{
    XcbConnectionPtr connection{xcb_connect(nullptr, nullptr)};
    xcb_window_t root = XCB_NONE;
    QList<quint8> presses;

    xcb_connection_t* c() const { return connection.get(); }

    // A round trip: every request sent before it has been handled when it returns.
    void sync() const { free(xcb_get_input_focus_reply(c(), xcb_get_input_focus(c()), nullptr)); }

    XcbReply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_keycode_t first, int count) const
    {
        return XcbReply<xcb_get_keyboard_mapping_reply_t>(
            xcb_get_keyboard_mapping_reply(c(), xcb_get_keyboard_mapping(c(), first, uint8_t(count)), nullptr));
    }

    void readEvents()
    {
        while (const XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(c())}) {
            if ((event->response_type & 0x7f) == XCB_KEY_PRESS)
                presses.append(reinterpret_cast<const xcb_key_press_event_t*>(event.get())->detail);
        }
    }
};

XKeyClient::XKeyClient()
    : m_x(std::make_unique<Connection>())
{
    if (xcb_connection_has_error(m_x->c()))
        return;
    m_x->root = xcb_setup_roots_iterator(xcb_get_setup(m_x->c())).data->root;
    const XcbReply<xcb_xkb_use_extension_reply_t> xkb(
        xcb_xkb_use_extension_reply(m_x->c(), xcb_xkb_use_extension(m_x->c(), 1, 0), nullptr));
    if (!xkb || !xkb->supported)
        m_x->root = XCB_NONE;
}

XKeyClient::~XKeyClient() = default;

bool XKeyClient::isUsable() const
{
    return m_x->root != XCB_NONE && !xcb_connection_has_error(m_x->c());
}

quint8 XKeyClient::keycodeOf(quint32 keysym) const
{
    const xcb_setup_t* setup = xcb_get_setup(m_x->c());
    const auto reply = m_x->mapping(setup->min_keycode, setup->max_keycode - setup->min_keycode + 1);
    if (!reply)
        return 0;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
    const int count = xcb_get_keyboard_mapping_keysyms_length(reply.get());
    const int perKeycode = reply->keysyms_per_keycode;
    for (int column = 0; column < perKeycode; ++column) {
        for (int index = column; index < count; index += perKeycode) {
            if (keysyms[index] == keysym)
                return quint8(setup->min_keycode + index / perKeycode);
        }
    }
    return 0;
}

void XKeyClient::press(quint8 keycode)
{
    xcb_test_fake_input(m_x->c(), XCB_KEY_PRESS, keycode, XCB_CURRENT_TIME, m_x->root, 0, 0, 0);
    m_x->sync();
}

void XKeyClient::release(quint8 keycode)
{
    xcb_test_fake_input(m_x->c(), XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, m_x->root, 0, 0, 0);
    m_x->sync();
}

void XKeyClient::tap(quint8 keycode)
{
    press(keycode);
    release(keycode);
}

bool XKeyClient::grabKey(quint8 keycode, quint16 modifiers)
{
    const XcbReply<xcb_generic_error_t> error(
        xcb_request_check(m_x->c(), xcb_grab_key_checked(m_x->c(), 0, m_x->root, modifiers, keycode,
                                                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
    return !error;
}

void XKeyClient::ungrabKey(quint8 keycode, quint16 modifiers)
{
    xcb_ungrab_key(m_x->c(), keycode, m_x->root, modifiers);
    m_x->sync();
}

QList<quint8> XKeyClient::grabbedPresses()
{
    m_x->sync();
    m_x->readEvents();
    return m_x->presses;
}

quint16 XKeyClient::lockedModifiers() const
{
    const XcbReply<xcb_xkb_get_state_reply_t> state(
        xcb_xkb_get_state_reply(m_x->c(), xcb_xkb_get_state(m_x->c(), XCB_XKB_ID_USE_CORE_KBD), nullptr));
    return state ? state->lockedMods : 0;
}

quint16 XKeyClient::numLockMask() const
{
    const quint8 numLock = keycodeOf(XKB_KEY_Num_Lock);
    const XcbReply<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(m_x->c(), xcb_get_modifier_mapping(m_x->c()), nullptr));
    if (!reply || numLock == 0)
        return 0;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply.get());
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int slot = 0; slot < reply->keycodes_per_modifier; ++slot) {
            if (keycodes[modifier * reply->keycodes_per_modifier + slot] == numLock)
                return quint16(1u << modifier);
        }
    }
    return 0;
}

bool XKeyClient::swapKeys(quint8 first, quint8 second)
{
    const quint8 low = std::min(first, second);
    const int count = std::max(first, second) - low + 1;
    const auto reply = m_x->mapping(low, count);
    if (!reply)
        return false;
    const int perKeycode = reply->keysyms_per_keycode;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
    std::vector<xcb_keysym_t> changed(keysyms, keysyms + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
    std::swap_ranges(changed.begin() + (first - low) * perKeycode, changed.begin() + (first - low + 1) * perKeycode,
                     changed.begin() + (second - low) * perKeycode);
    const XcbReply<xcb_generic_error_t> error(
        xcb_request_check(m_x->c(), xcb_change_keyboard_mapping_checked(m_x->c(), uint8_t(count), low,
                                                                        uint8_t(perKeycode), changed.data())));
    return !error;
}
