#include "platform/wayland/waylandkeyboardinjector.h"

#include "platform/virtualkeysyms.h"
#include "platform/wayland/virtualkeymap.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QLoggingCategory>

#include <wayland-client.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

Q_DECLARE_LOGGING_CATEGORY(lcKeyboard)

namespace {

// libwayland 1.21 flushes by itself when its 4 KiB output buffer fills, and ends the connection when
// the socket cannot take it at that moment (a compositor busy with a long burst). Flushing ourselves
// well before that (a key request is 20 bytes), waiting for the socket when it is full, keeps the
// library from ever trying.
constexpr int requestsBetweenFlushes = 64;
constexpr int flushTimeoutMs = 2000;

// Key requests carry milliseconds on a clock of the client's choosing; the compositor passes them on.
quint32 milliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return quint32(quint64(now.tv_sec) * 1000u + quint64(now.tv_nsec) / 1000000u);
}

} // namespace

// A connection of its own rather than Qt's: Kwelta's window may be an X11 one under XWayland (then Qt
// has no Wayland connection at all), and on its own connection a burst neither waits for nor is
// interleaved with Qt's event handling.
struct WaylandKeyboardInjector::Connection
{
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    zwp_virtual_keyboard_manager_v1* manager = nullptr;
    zwp_virtual_keyboard_v1* keyboard = nullptr;
    VirtualKeymap keymap;
    QList<quint32> held;
    int unflushed = 0;
    int burstEvents = 0;
    QString failure;

    ~Connection() { close(); }

    bool open();
    void close();
    bool usable() const { return keyboard && wl_display_get_error(display) == 0; }
    QString describeError() const;
    void sendKeymap();
    void requestSent();
    bool flush();
    void readEvents();
    void releaseEverything();

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    static void globalRemoved(void*, wl_registry*, uint32_t) {}
    static constexpr wl_registry_listener registryListener = {global, globalRemoved};
};

void WaylandKeyboardInjector::Connection::global(void* data, wl_registry* registry, uint32_t name,
                                                 const char* interface, uint32_t)
{
    auto* connection = static_cast<Connection*>(data);
    // The first seat: compositors with more than one are rare, and nothing tells which the user types on.
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !connection->seat) {
        connection->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0 && !connection->manager) {
        connection->manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    }
}

bool WaylandKeyboardInjector::Connection::open()
{
    failure.clear();
    display = wl_display_connect(nullptr);
    if (!display) {
        failure =
            QStringLiteral("cannot connect to the Wayland display %1").arg(qEnvironmentVariable("WAYLAND_DISPLAY"));
        return false;
    }
    registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, this);
    if (wl_display_roundtrip(display) < 0) {
        failure = describeError();
        return false;
    }
    if (!manager) {
        failure = QStringLiteral("the compositor offers no zwp_virtual_keyboard_manager_v1");
        return false;
    }
    if (!seat) {
        failure = QStringLiteral("the compositor offers no seat");
        return false;
    }
    keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
    // A key request before any keymap is a protocol error, and a fresh one has none.
    sendKeymap();
    zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, 0, 0);
    // A compositor that keeps virtual keyboards from this client says so with a protocol error, which
    // only a round trip brings back.
    if (wl_display_roundtrip(display) < 0) {
        failure = describeError();
        return false;
    }
    return true;
}

void WaylandKeyboardInjector::Connection::close()
{
    if (!display)
        return;
    if (keyboard && wl_display_get_error(display) == 0) {
        releaseEverything();
        zwp_virtual_keyboard_v1_destroy(keyboard);
        flush();
    } else if (keyboard) {
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(keyboard));
    }
    if (manager)
        zwp_virtual_keyboard_manager_v1_destroy(manager);
    if (seat)
        wl_seat_destroy(seat);
    if (registry)
        wl_registry_destroy(registry);
    wl_display_disconnect(display);
    display = nullptr;
    registry = nullptr;
    seat = nullptr;
    manager = nullptr;
    keyboard = nullptr;
    held.clear();
    unflushed = 0;
    // A new connection starts with a new keyboard, which knows no keymap yet.
    keymap = VirtualKeymap();
}

QString WaylandKeyboardInjector::Connection::describeError() const
{
    const int error = wl_display_get_error(display);
    if (error != EPROTO)
        return QStringLiteral("the Wayland connection failed: %1").arg(QString::fromLocal8Bit(std::strerror(error)));
    const wl_interface* interface = nullptr;
    uint32_t id = 0;
    const uint32_t code = wl_display_get_protocol_error(display, &interface, &id);
    return QStringLiteral("the compositor refused %1 (protocol error %2)")
        .arg(QString::fromLatin1(interface ? interface->name : "a request"))
        .arg(code);
}

void WaylandKeyboardInjector::Connection::sendKeymap()
{
    const QByteArray text = keymap.takeText();
    const int fd = memfd_create("kwelta-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) {
        qCWarning(lcKeyboard) << "Cannot make a file for the keymap:" << std::strerror(errno);
        return;
    }
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    if (done == text.size()) {
        // The compositor maps it; sealed, nothing can change it under the compositor's feet.
        fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
        // libwayland sends a duplicate of the descriptor, so ours can go at once.
        zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, uint32_t(text.size()));
        requestSent();
        qCDebug(lcKeyboard) << "Keymap sent:" << text.size() << "bytes";
    } else {
        qCWarning(lcKeyboard) << "Cannot write the keymap:" << std::strerror(errno);
    }
    ::close(fd);
}

void WaylandKeyboardInjector::Connection::requestSent()
{
    if (++unflushed >= requestsBetweenFlushes)
        flush();
}

bool WaylandKeyboardInjector::Connection::flush()
{
    unflushed = 0;
    while (wl_display_flush(display) < 0) {
        if (errno != EAGAIN)
            return false;
        pollfd writable{wl_display_get_fd(display), POLLOUT, 0};
        if (poll(&writable, 1, flushTimeoutMs) <= 0) {
            qCWarning(lcKeyboard) << "The compositor takes no more key events";
            return false;
        }
    }
    return true;
}

// Nothing on this connection needs an answer, but events (a seat's capabilities, outputs coming and
// going) pile up in the socket unless something reads them.
void WaylandKeyboardInjector::Connection::readEvents()
{
    while (wl_display_prepare_read(display) != 0) {
        // A broken connection keeps its queue; the next burst notices and connects again.
        if (wl_display_dispatch_pending(display) < 0)
            return;
    }
    pollfd readable{wl_display_get_fd(display), POLLIN, 0};
    if (poll(&readable, 1, 0) > 0 && (readable.revents & POLLIN))
        wl_display_read_events(display);
    else
        wl_display_cancel_read(display);
    wl_display_dispatch_pending(display);
}

// A key left down would repeat in the focused program, and a modifier left set would change every key
// the user types on the real keyboard while ours is the seat's active one.
void WaylandKeyboardInjector::Connection::releaseEverything()
{
    for (const quint32 key : std::as_const(held)) {
        zwp_virtual_keyboard_v1_key(keyboard, milliseconds(), key - 8, WL_KEYBOARD_KEY_STATE_RELEASED);
        keymap.setHeld(key, false);
    }
    held.clear();
    zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, 0, 0);
}

WaylandKeyboardInjector::WaylandKeyboardInjector()
    : m_wayland(std::make_unique<Connection>())
{
    if (!m_wayland->open()) {
        const QString failure = m_wayland->failure;
        m_wayland->close();
        m_wayland->failure = failure;
    }
}

WaylandKeyboardInjector::~WaylandKeyboardInjector() = default;

bool WaylandKeyboardInjector::isAvailable() const
{
    return m_wayland->usable();
}

QString WaylandKeyboardInjector::unavailableReason() const
{
    return m_wayland->usable() ? QString() : m_wayland->failure;
}

void WaylandKeyboardInjector::beginBurst()
{
    Connection& c = *m_wayland;
    // A compositor that restarted (or dropped us) leaves a dead connection; the next burst tries anew.
    if (c.display && !c.usable()) {
        qCInfo(lcKeyboard) << "The virtual keyboard's connection ended:" << c.describeError() << "- connecting again";
        c.close();
        if (!c.open()) {
            qCInfo(lcKeyboard) << "No virtual keyboard:" << c.failure;
            const QString failure = c.failure;
            c.close();
            c.failure = failure;
        }
    }
    if (c.usable())
        c.readEvents();
}

void WaylandKeyboardInjector::endBurst()
{
    if (!m_wayland->usable())
        return;
    m_wayland->releaseEverything();
    m_wayland->flush();
    qCDebug(lcKeyboard) << "Burst of" << m_wayland->burstEvents << "key events sent";
    m_wayland->burstEvents = 0;
}

std::optional<KeyChord> WaylandKeyboardInjector::chordForCharacter(char32_t character)
{
    if (!m_wayland->usable())
        return std::nullopt;
    const std::optional<quint32> key = m_wayland->keymap.keyFor(keysymForCharacter(character));
    if (!key)
        return std::nullopt;
    return KeyChord{*key, false, false};
}

std::optional<quint32> WaylandKeyboardInjector::keyForVirtualKey(quint8 virtualKey)
{
    if (!m_wayland->usable())
        return std::nullopt;
    return m_wayland->keymap.keyFor(keysymForVirtualKey(virtualKey));
}

std::optional<quint32> WaylandKeyboardInjector::modifierKey(ModifierKey)
{
    return std::nullopt;
}

bool WaylandKeyboardInjector::isCapsLockOn()
{
    return false;
}

void WaylandKeyboardInjector::sendKey(quint32 key, bool down)
{
    Connection& c = *m_wayland;
    if (!c.usable() || key < VirtualKeymap::firstKeycode || key > VirtualKeymap::lastKeycode)
        return;
    // The lookup that handed out this key may have changed the keymap; the key event must find the new
    // one in place, and the compositor takes requests in order.
    if (c.keymap.isChanged())
        c.sendKeymap();
    zwp_virtual_keyboard_v1_key(c.keyboard, milliseconds(), key - 8,
                                down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    c.keymap.setHeld(key, down);
    ++c.burstEvents;
    if (down && !c.held.contains(key))
        c.held.append(key);
    else if (!down)
        c.held.removeOne(key);
    c.requestSent();
}
