#include "platform/x11/x11hotkeyregistrar.h"

#include "platform/x11/xcbxkb.h"
#include "platform/x11/xhandles.h"
#include "platform/x11/xkbcharactermap.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTimer>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcHotKeys)

namespace {

// The X server's error code for a grab that another client already holds.
constexpr uint8_t badAccess = 10;

// X tells no client when another lets a grab go, so a held key can only be tried again. A try is one
// round trip to the server for each held key (the first grab is refused, nothing follows), nothing next
// to what the display does every second, and a few seconds is about as long as a user waits after
// closing the other program before wondering why the key does nothing.
constexpr std::chrono::seconds defaultRetryInterval{3};

struct ModifierMasks
{
    uint16_t alt = XCB_MOD_MASK_1;
    uint16_t numLock = 0;
    uint16_t scrollLock = 0;
};

// Which of the eight modifiers Num Lock, Scroll Lock and Alt are bound to: the keymap decides, Mod2
// and Mod1 are only the usual answer. Scroll Lock is a modifier only where a keymap makes it one.
ModifierMasks readModifierMasks(xcb_connection_t* c)
{
    ModifierMasks masks;
    const XcbReply<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    const xcb_setup_t* setup = xcb_get_setup(c);
    const XcbReply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, uint8_t(setup->max_keycode - setup->min_keycode + 1)),
        nullptr));
    if (!modifiers || !mapping)
        return masks;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(modifiers.get());
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKeycode = mapping->keysyms_per_keycode;
    const int keysymCount = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
    bool altFound = false;
    for (int modifier = 0; modifier < 8; ++modifier) {
        const uint16_t mask = uint16_t(1u << modifier);
        for (int slot = 0; slot < modifiers->keycodes_per_modifier; ++slot) {
            const xcb_keycode_t keycode = keycodes[modifier * modifiers->keycodes_per_modifier + slot];
            if (keycode < setup->min_keycode)
                continue;
            const int first = (keycode - setup->min_keycode) * perKeycode;
            for (int column = 0; column < perKeycode && first + column < keysymCount; ++column) {
                const xcb_keysym_t keysym = keysyms[first + column];
                if (keysym == XKB_KEY_Num_Lock)
                    masks.numLock = mask;
                else if (keysym == XKB_KEY_Scroll_Lock)
                    masks.scrollLock = mask;
                else if (!altFound && modifier >= 3 && (keysym == XKB_KEY_Alt_L || keysym == XKB_KEY_Alt_R)) {
                    masks.alt = mask;
                    altFound = true;
                }
            }
        }
    }
    return masks;
}

// Every combination of the lock modifiers that are set on this keyboard, none included: a grab is for
// one exact modifier state, and a hot key has to work whatever the lock lights show.
std::vector<uint16_t> lockCombinations(const ModifierMasks& masks)
{
    std::vector<uint16_t> locks = {XCB_MOD_MASK_LOCK};
    for (const uint16_t mask : {masks.numLock, masks.scrollLock}) {
        if (mask != 0 && std::find(locks.begin(), locks.end(), mask) == locks.end())
            locks.push_back(mask);
    }
    std::vector<uint16_t> combinations;
    for (unsigned subset = 0; subset < (1u << locks.size()); ++subset) {
        uint16_t combination = 0;
        for (size_t i = 0; i < locks.size(); ++i) {
            if (subset & (1u << i))
                combination |= locks[i];
        }
        combinations.push_back(combination);
    }
    return combinations;
}

QString describe(quint8 virtualKey, quint8 modifiers)
{
    QString text;
    if (modifiers & HotKeyRegistrar::Shift)
        text += QStringLiteral("Shift+");
    if (modifiers & HotKeyRegistrar::Ctrl)
        text += QStringLiteral("Ctrl+");
    if (modifiers & HotKeyRegistrar::Alt)
        text += QStringLiteral("Alt+");
    char name[64] = {};
    if (xkb_keysym_get_name(XkbCharacterMap::keysymForVirtualKey(virtualKey), name, sizeof name) <= 0)
        return text + QStringLiteral("virtual key 0x%1").arg(virtualKey, 2, 16, QLatin1Char('0'));
    return text + QString::fromLatin1(name);
}

} // namespace

struct X11HotKeyRegistrar::State
{
    struct Entry
    {
        quint8 virtualKey = 0;
        quint8 modifiers = 0;
        xcb_keycode_t keycode = 0;
        uint16_t state = 0; // the X modifier mask that stands for the modifiers
        // The exact modifier states grabbed, so that releasing it ungrabs what was grabbed and no more.
        std::vector<uint16_t> grabbed;
        // Held down since its last activation; the key's auto-repeat must not activate it again.
        bool down = false;
        // What the last grab came to; a Taken key is tried again.
        Result result = Result::NoSuchKey;
    };

    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_NONE;
    uint8_t xkbFirstEvent = 0;
    XkbContextPtr context;
    XkbKeymapPtr keymap;
    std::optional<XkbCharacterMap> map;
    ModifierMasks masks;
    std::vector<uint16_t> locks;
    std::map<quint32, Entry> entries;
    // The keys (virtual key, modifiers) whose refusal has been logged and that have not been ours since:
    // the same refusal comes back with every retry, keymap change and language switch, which withdraws
    // the hot keys and registers them anew, and the log says it once.
    std::set<std::pair<quint8, quint8>> toldHeld;
    bool rereadQueued = false;

    xcb_connection_t* c() const { return connection; }
    void readKeyboard();
    Result grab(Entry& entry);
    void ungrab(quint32 id, Entry& entry);
};

void X11HotKeyRegistrar::State::readKeyboard()
{
    map.reset();
    keymap.reset();
    const int32_t device = xkb_x11_get_core_keyboard_device_id(c());
    if (device >= 0)
        keymap.reset(xkb_x11_keymap_new_from_device(context.get(), c(), device, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (keymap)
        map.emplace(keymap.get(), 0);
    else
        qCWarning(lcHotKeys) << "Cannot read the keymap of the X server's core keyboard";
    masks = readModifierMasks(c());
    locks = lockCombinations(masks);
}

X11HotKeyRegistrar::Result X11HotKeyRegistrar::State::grab(Entry& entry)
{
    const std::optional<quint32> keycode = map ? map->keyForVirtualKey(entry.virtualKey) : std::nullopt;
    if (!keycode || *keycode > 255) {
        qCWarning(lcHotKeys) << "No key of the current keymap carries the hot key"
                             << describe(entry.virtualKey, entry.modifiers);
        return Result::NoSuchKey;
    }
    entry.keycode = xcb_keycode_t(*keycode);
    entry.state = 0;
    if (entry.modifiers & HotKeyRegistrar::Shift)
        entry.state |= XCB_MOD_MASK_SHIFT;
    if (entry.modifiers & HotKeyRegistrar::Ctrl)
        entry.state |= XCB_MOD_MASK_CONTROL;
    if (entry.modifiers & HotKeyRegistrar::Alt)
        entry.state |= masks.alt;

    bool taken = false;
    bool failed = false;
    const auto grabEach = [&](auto first, auto last) {
        // All requests first, then the answers: one round trip for the lot.
        std::vector<std::pair<uint16_t, xcb_void_cookie_t>> requests;
        for (auto lock = first; lock != last; ++lock) {
            const uint16_t state = entry.state | *lock;
            requests.emplace_back(state, xcb_grab_key_checked(c(), 0, root, state, entry.keycode, XCB_GRAB_MODE_ASYNC,
                                                              XCB_GRAB_MODE_ASYNC));
        }
        for (const auto& [state, cookie] : requests) {
            const XcbReply<xcb_generic_error_t> error(xcb_request_check(c(), cookie));
            if (!error) {
                entry.grabbed.push_back(state);
            } else if (error->error_code == badAccess) {
                taken = true;
            } else {
                failed = true;
                qCWarning(lcHotKeys) << "The X server refused to grab the hot key"
                                     << describe(entry.virtualKey, entry.modifiers) << "with error"
                                     << error->error_code;
            }
        }
    };
    // The state without locks on its own first: it is the one another program's hot key holds, and
    // while it is refused nothing is grabbed even for a moment, so that trying a held key again and
    // again never makes that program's own grab of a lock variant fail.
    grabEach(locks.begin(), locks.begin() + 1);
    if (!taken && !failed)
        grabEach(locks.begin() + 1, locks.end());
    if (!taken && !failed) {
        toldHeld.erase({entry.virtualKey, entry.modifiers});
        return Result::Registered;
    }
    // Half a hot key, one that works only with some lock lights, would puzzle more than none.
    for (const uint16_t state : entry.grabbed)
        xcb_ungrab_key(c(), entry.keycode, root, state);
    entry.grabbed.clear();
    xcb_flush(c());
    if (taken) {
        if (toldHeld.insert({entry.virtualKey, entry.modifiers}).second)
            qCWarning(lcHotKeys).noquote() << "The hot key" << describe(entry.virtualKey, entry.modifiers)
                                           << "is held by another X client; it works once that client lets it go";
        return Result::Taken;
    }
    return Result::NoSuchKey;
}

void X11HotKeyRegistrar::State::ungrab(quint32 id, Entry& entry)
{
    for (const uint16_t state : entry.grabbed) {
        // Two ids on the same key share the server's one grab; it stays while the other holds it.
        const bool shared = std::any_of(entries.begin(), entries.end(), [&](const auto& other) {
            return other.first != id && other.second.keycode == entry.keycode &&
                   std::find(other.second.grabbed.begin(), other.second.grabbed.end(), state) !=
                       other.second.grabbed.end();
        });
        if (!shared)
            xcb_ungrab_key(c(), entry.keycode, root, state);
    }
    entry.grabbed.clear();
    entry.down = false;
    xcb_flush(c());
}

X11HotKeyRegistrar::X11HotKeyRegistrar(QObject* parent)
    : HotKeyRegistrar(parent)
    , m_x(std::make_unique<State>())
    , m_retry(new QTimer(this))
{
    m_retry->setInterval(defaultRetryInterval);
    m_retry->setTimerType(Qt::VeryCoarseTimer);
    connect(m_retry, &QTimer::timeout, this, &X11HotKeyRegistrar::retryTakenKeys);
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || xcb_connection_has_error(x11->connection()))
        return;
    m_x->context.reset(xkb_context_new(
        static_cast<xkb_context_flags>(XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES)));
    if (!m_x->context)
        return;
    m_x->connection = x11->connection();
    m_x->root = xcb_setup_roots_iterator(xcb_get_setup(m_x->c())).data->root;
    // Qt has set up XKB on its connection and selected the keymap notifications; the event code is
    // needed to recognise them here.
    if (const xcb_query_extension_reply_t* xkb = xcb_get_extension_data(m_x->c(), &xcb_xkb_id); xkb && xkb->present) {
        m_x->xkbFirstEvent = xkb->first_event;
        // Without it the server sends a held key as release-press pairs, which would read as new presses.
        // Qt asks for the same on this connection; asking here keeps the hot keys from depending on it.
        constexpr uint32_t detectable = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
        free(xcb_xkb_per_client_flags_reply(
            m_x->c(), xcb_xkb_per_client_flags(m_x->c(), XCB_XKB_ID_USE_CORE_KBD, detectable, detectable, 0, 0, 0),
            nullptr));
    }
    m_x->readKeyboard();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeyRegistrar::~X11HotKeyRegistrar()
{
    if (!m_x->connection)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    for (auto& [id, entry] : m_x->entries)
        m_x->ungrab(id, entry);
}

bool X11HotKeyRegistrar::isAvailable() const
{
    return m_x->connection != nullptr;
}

quint32 X11HotKeyRegistrar::idForName(const QString& name)
{
    if (!m_x->connection)
        return 0;
    const QByteArray bytes = name.toUtf8();
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m_x->c(), xcb_intern_atom(m_x->c(), 0, uint16_t(bytes.size()), bytes.constData()), nullptr));
    return reply ? reply->atom : 0;
}

X11HotKeyRegistrar::Result X11HotKeyRegistrar::registerHotKey(quint32 id, quint8 virtualKey, quint8 modifiers)
{
    if (!m_x->connection)
        return Result::Unsupported;
    unregisterHotKey(id);
    State::Entry entry;
    entry.virtualKey = virtualKey;
    entry.modifiers = modifiers;
    entry.result = m_x->grab(entry);
    const Result result = entry.result;
    // Kept whatever came of it: a held key is tried again, and one the keymap lacks may come with the next.
    m_x->entries.emplace(id, std::move(entry));
    scheduleRetry();
    return result;
}

void X11HotKeyRegistrar::unregisterHotKey(quint32 id)
{
    const auto it = m_x->entries.find(id);
    if (it == m_x->entries.end())
        return;
    m_x->ungrab(id, it->second);
    m_x->entries.erase(it);
    scheduleRetry();
}

void X11HotKeyRegistrar::setRetryInterval(std::chrono::milliseconds interval)
{
    m_retry->setInterval(interval);
    m_retry->stop();
    scheduleRetry();
}

void X11HotKeyRegistrar::scheduleRetry()
{
    const bool anyTaken = std::any_of(m_x->entries.begin(), m_x->entries.end(),
                                      [](const auto& entry) { return entry.second.result == Result::Taken; });
    if (!anyTaken || m_retry->intervalAsDuration().count() <= 0)
        m_retry->stop();
    else if (!m_retry->isActive())
        m_retry->start();
}

void X11HotKeyRegistrar::retryTakenKeys()
{
    std::vector<std::pair<quint32, Result>> changed;
    for (auto& [id, entry] : m_x->entries) {
        if (entry.result != Result::Taken)
            continue;
        entry.result = m_x->grab(entry);
        if (entry.result != Result::Taken)
            changed.emplace_back(id, entry.result);
    }
    scheduleRetry();
    // After the loop: a receiver may register or unregister keys.
    for (const auto& [id, result] : changed)
        emit reregistered(id, result);
}

void X11HotKeyRegistrar::keyboardChanged()
{
    m_x->rereadQueued = false;
    for (auto& [id, entry] : m_x->entries)
        m_x->ungrab(id, entry);
    m_x->readKeyboard();
    // A hot key that cannot be had on the new keymap stays listed, so that the next change may bring it
    // back; a held one is tried too, as its holder may have let it go or hold another key code now.
    std::vector<std::pair<quint32, Result>> results;
    for (auto& [id, entry] : m_x->entries) {
        entry.result = m_x->grab(entry);
        results.emplace_back(id, entry.result);
    }
    scheduleRetry();
    for (const auto& [id, result] : results)
        emit reregistered(id, result);
}

bool X11HotKeyRegistrar::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t" || !m_x->connection)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;

    // Every XKB event shares the extension's one event code; its kind sits in the second byte.
    const bool keymapChanged = type == XCB_MAPPING_NOTIFY ||
                               (m_x->xkbFirstEvent != 0 && type == m_x->xkbFirstEvent &&
                                (event->pad0 == XCB_XKB_NEW_KEYBOARD_NOTIFY || event->pad0 == XCB_XKB_MAP_NOTIFY));
    if (keymapChanged) {
        // One change (setxkbmap) arrives as several notifications; the keymap is read once after them.
        // Qt reads them too, so they are not swallowed.
        if (!m_x->rereadQueued) {
            m_x->rereadQueued = true;
            QMetaObject::invokeMethod(
                this, [this] { keyboardChanged(); }, Qt::QueuedConnection);
        }
        return false;
    }

    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    // The grabs do not report to the owner's windows, so their keys always come for the root window.
    if (key->event != m_x->root)
        return false;
    const uint16_t relevant = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | m_x->masks.alt;
    bool ours = false;
    for (auto& [id, entry] : m_x->entries) {
        if (entry.grabbed.empty() || entry.keycode != key->detail)
            continue;
        ours = true;
        // The modifiers may have been let go first; the key's release ends the press all the same.
        if (type == XCB_KEY_RELEASE) {
            entry.down = false;
            continue;
        }
        if ((key->state & relevant) != entry.state || entry.down)
            continue;
        entry.down = true;
        // Queued, so that whatever the activation does (a message box's event loop included) runs
        // outside the event dispatch of the X connection.
        QMetaObject::invokeMethod(
            this, [this, id = id] { emit activated(id); }, Qt::QueuedConnection);
    }
    return ours;
}
