#include "platform/x11/x11keyboardinjector.h"

#include "platform/x11/xcbxkb.h"
#include "platform/x11/xhandles.h"
#include "platform/x11/xkbcharactermap.h"

#include <QLoggingCategory>

#include <xcb/xcb.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <map>
#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcKeyboard)

struct X11KeyboardInjector::Connection
{
    XcbConnectionPtr connection;
    xcb_window_t root = XCB_NONE;
    XkbContextPtr context;
    uint8_t xkbFirstEvent = 0;
    XkbKeymapPtr keymap;
    // Built on first use of a group: most sessions never leave their first one.
    std::map<xkb_layout_index_t, XkbCharacterMap> maps;
    xkb_layout_index_t group = 0;
    bool capsLock = false;
    bool inBurst = false;
    bool keymapStale = false;

    bool open();
    bool loadKeymap();
    void readState();
    void drainEvents();
    const XkbCharacterMap& currentMap();

    bool usable() const { return connection && keymap && !xcb_connection_has_error(connection.get()); }
    xcb_connection_t* c() const { return connection.get(); }
};

bool X11KeyboardInjector::Connection::open()
{
    int screenNumber = 0;
    connection.reset(xcb_connect(nullptr, &screenNumber));
    if (xcb_connection_has_error(c())) {
        qCInfo(lcKeyboard) << "Cannot open the X display" << qEnvironmentVariable("DISPLAY");
        connection.reset();
        return false;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c()));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0) {
        qCInfo(lcKeyboard) << "The X display has no screen" << screenNumber;
        return false;
    }
    root = screens.data->root;

    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(c(), &xcb_test_id);
    if (!xtest || !xtest->present) {
        qCInfo(lcKeyboard) << "The X server has no XTEST extension";
        return false;
    }
    if (!xkb_x11_setup_xkb_extension(c(), XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &xkbFirstEvent, nullptr)) {
        qCInfo(lcKeyboard) << "The X server has no usable XKB extension";
        return false;
    }

    // Selected on the core keyboard rather than a device id, so that the selection follows a new
    // keyboard device; the keymap then has to be read again either way.
    constexpr uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
    constexpr uint16_t newKeyboardDetails =
        XCB_XKB_NKN_DETAIL_KEYCODES | XCB_XKB_NKN_DETAIL_GEOMETRY | XCB_XKB_NKN_DETAIL_DEVICE_ID;
    constexpr uint16_t mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
                                  XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS |
                                  XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
                                  XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = newKeyboardDetails;
    details.newKeyboardDetails = newKeyboardDetails;
    xcb_xkb_select_events_aux(c(), XCB_XKB_ID_USE_CORE_KBD, events, 0, 0, mapParts, mapParts, &details);

    context.reset(xkb_context_new(
        static_cast<xkb_context_flags>(XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES)));
    if (!context || !loadKeymap())
        return false;
    readState();
    return true;
}

bool X11KeyboardInjector::Connection::loadKeymap()
{
    const int32_t device = xkb_x11_get_core_keyboard_device_id(c());
    xkb_keymap* loaded =
        device < 0 ? nullptr : xkb_x11_keymap_new_from_device(context.get(), c(), device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    keymapStale = false;
    if (!loaded) {
        qCInfo(lcKeyboard) << "Cannot read the keymap of the X server's core keyboard";
        return false;
    }
    keymap.reset(loaded);
    maps.clear();
    qCDebug(lcKeyboard) << "Keymap read:" << xkb_keymap_num_layouts(loaded) << "groups";
    return true;
}

void X11KeyboardInjector::Connection::readState()
{
    const xcb_xkb_get_state_cookie_t cookie = xcb_xkb_get_state(c(), XCB_XKB_ID_USE_CORE_KBD);
    const XcbReply<xcb_xkb_get_state_reply_t> reply(xcb_xkb_get_state_reply(c(), cookie, nullptr));
    if (!reply)
        return;
    group = reply->group;
    capsLock = (reply->lockedMods & XCB_MOD_MASK_LOCK) != 0;
}

void X11KeyboardInjector::Connection::drainEvents()
{
    while (const XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(c())}) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == 0) {
            const auto* error = reinterpret_cast<const xcb_generic_error_t*>(event.get());
            qCDebug(lcKeyboard) << "X error" << error->error_code << "on request" << error->major_code << '.'
                                << error->minor_code;
        } else if (type == xkbFirstEvent) {
            // Every XKB event shares the extension's one event code; its kind sits in the second byte.
            const uint8_t xkbType = event->pad0;
            if (xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbType == XCB_XKB_MAP_NOTIFY)
                keymapStale = true;
        } else if (type == XCB_MAPPING_NOTIFY) {
            keymapStale = true;
        }
    }
}

const XkbCharacterMap& X11KeyboardInjector::Connection::currentMap()
{
    auto it = maps.find(group);
    if (it == maps.end())
        it = maps.try_emplace(group, keymap.get(), group).first;
    return it->second;
}

X11KeyboardInjector::X11KeyboardInjector()
    : m_x(std::make_unique<Connection>())
{
    if (!m_x->open()) {
        m_x->keymap.reset();
        m_x->connection.reset();
    }
}

X11KeyboardInjector::~X11KeyboardInjector() = default;

bool X11KeyboardInjector::isAvailable() const
{
    return m_x->usable();
}

void X11KeyboardInjector::beginBurst()
{
    if (!m_x->usable())
        return;
    m_x->inBurst = true;
    // The reply to this round trip comes after every notification the server sent before it, so a
    // keymap change that happened before the burst is already queued when the events are drained.
    m_x->readState();
    m_x->drainEvents();
    if (m_x->keymapStale)
        m_x->loadKeymap();
}

void X11KeyboardInjector::endBurst()
{
    if (!m_x->usable())
        return;
    m_x->inBurst = false;
    xcb_flush(m_x->c());
}

std::optional<KeyChord> X11KeyboardInjector::chordForCharacter(char32_t character)
{
    if (!m_x->usable())
        return std::nullopt;
    return m_x->currentMap().chordForCharacter(character);
}

std::optional<quint32> X11KeyboardInjector::keyForVirtualKey(quint8 virtualKey)
{
    if (!m_x->usable())
        return std::nullopt;
    return m_x->currentMap().keyForVirtualKey(virtualKey);
}

std::optional<quint32> X11KeyboardInjector::modifierKey(ModifierKey modifier)
{
    if (!m_x->usable())
        return std::nullopt;
    const XkbCharacterMap& map = m_x->currentMap();
    switch (modifier) {
    case ModifierKey::Shift:
        return map.shiftKey();
    case ModifierKey::AltGr:
        return map.altGrKey();
    case ModifierKey::CapsLock:
        return map.capsLockKey();
    }
    return std::nullopt;
}

bool X11KeyboardInjector::isCapsLockOn()
{
    if (!m_x->usable())
        return false;
    // Inside a burst the server has not seen the queued keys yet; the state read at its start is the
    // one the burst works from.
    if (!m_x->inBurst)
        m_x->readState();
    return m_x->capsLock;
}

void X11KeyboardInjector::sendKey(quint32 key, bool down)
{
    if (!m_x->usable() || key > 255)
        return;
    xcb_test_fake_input(m_x->c(), down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, static_cast<uint8_t>(key), XCB_CURRENT_TIME,
                        m_x->root, 0, 0, 0);
}
