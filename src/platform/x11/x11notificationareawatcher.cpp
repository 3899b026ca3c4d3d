#include "platform/x11/x11notificationareawatcher.h"

#include "platform/x11/xhandles.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMetaObject>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>
#include <string>

namespace {

Q_LOGGING_CATEGORY(lcTray, "kwelta.platform.tray", QtWarningMsg)

constexpr std::uint32_t ownerEvents = XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE;

xcb_atom_t internAtom(xcb_connection_t* connection, const std::string& name)
{
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.c_str()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The screen $DISPLAY names, as Qt's connection (and the tray protocol's selection name) uses it.
int defaultScreenNumber()
{
    int screen = 0;
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
        return 0;
    std::free(host);
    return screen;
}

} // namespace

// On Qt's own connection, as the hot keys are: the events arrive in Qt's dispatch, in order with the
// DestroyNotify and MANAGER messages through which Qt's own tray code learns of the same change.
X11NotificationAreaWatcher::X11NotificationAreaWatcher()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return;
    m_connection = x11->connection();
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(m_connection, &xcb_xfixes_id);
    if (!extension || !extension->present) {
        qCWarning(lcTray) << "No XFixes extension: the notification area's coming and going is not followed";
        return;
    }
    m_eventBase = extension->first_event;
    // Qt has negotiated XFixes on this connection already; asking again only states the version we need.
    const XcbReply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
        m_connection, xcb_xfixes_query_version(m_connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr));
    if (!version || version->major_version < 1)
        return;

    const int screenNumber = defaultScreenNumber();
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return;
    m_selection = internAtom(m_connection, "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
    if (m_selection == XCB_ATOM_NONE)
        return;

    const xcb_window_t window = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, screens.data->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_xfixes_select_selection_input(m_connection, window, m_selection, ownerEvents);
    m_window = window;
    QCoreApplication::instance()->installNativeEventFilter(this);
    // Read after subscribing, so that a change in between is reported rather than missed.
    const XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr));
    m_owner = owner ? owner->owner : xcb_window_t(XCB_WINDOW_NONE);
}

X11NotificationAreaWatcher::~X11NotificationAreaWatcher()
{
    if (!m_window)
        return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    xcb_destroy_window(m_connection, m_window);
    xcb_flush(m_connection);
}

bool X11NotificationAreaWatcher::isPresent() const
{
    if (!m_window)
        return false;
    const XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

bool X11NotificationAreaWatcher::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != m_eventBase + XCB_XFIXES_SELECTION_NOTIFY)
        return false;
    const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
    if (notify->window != m_window || notify->selection != m_selection)
        return false;
    // A destroyed window or a closed client leaves the selection without an owner.
    const xcb_window_t owner = notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER
                                   ? notify->owner
                                   : xcb_window_t(XCB_WINDOW_NONE);
    // Queued: the handlers show windows and talk to the X server, which must not happen inside Qt's dispatch.
    QMetaObject::invokeMethod(
        this, [this, owner] { ownerChanged(owner); }, Qt::QueuedConnection);
    // Qt's clipboard looks only at its own selections, and other watchers at their own windows.
    return false;
}

void X11NotificationAreaWatcher::ownerChanged(std::uint32_t owner)
{
    if (owner == m_owner)
        return;
    const bool hadOwner = m_owner != XCB_WINDOW_NONE;
    m_owner = owner;
    if (owner == XCB_WINDOW_NONE) {
        qCInfo(lcTray) << "the notification area went away";
        emit vanished();
        return;
    }
    qCInfo(lcTray) << (hadOwner ? "another notification area took over" : "a notification area appeared");
    emit appeared();
}
