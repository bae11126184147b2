#include "Platform/X11CaptureInputGrab.h"

#include "Platform/KeyboardMapping.h"
#include "Platform/XcbConnection.h"

#include <QCoreApplication>
#include <QThread>

#include <array>

namespace {

// The buttons a click is made with; 4 to 7 are the wheel, which stays free.
constexpr std::array<std::uint8_t, 5> kClickButtons{1, 2, 3, 8, 9};
// A menu closing or another program's short grab may hold the keyboard for a moment.
constexpr int kKeyboardAttempts = 10;
constexpr int kKeyboardRetryMs = 20;

} // namespace

std::unique_ptr<CaptureInputGrab> CaptureInputGrab::forApplication()
{
    XcbConnection* connection = XcbConnection::application();
    if (!connection)
        return nullptr;
    return std::make_unique<X11CaptureInputGrab>(*connection, KeyboardMapping::shared());
}

X11CaptureInputGrab::X11CaptureInputGrab(XcbConnection& connection, KeyboardMapping& mapping, QObject* parent)
    : CaptureInputGrab(parent)
    , m_connection(connection)
    , m_mapping(mapping)
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installNativeEventFilter(this);
}

X11CaptureInputGrab::~X11CaptureInputGrab()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    release();
}

bool X11CaptureInputGrab::grab()
{
    if (m_grabbed)
        return true;
    if (!grabKeyboard())
        return false;
    if (!grabButtons()) {
        xcb_ungrab_keyboard(m_connection.connection(), XCB_CURRENT_TIME);
        xcb_flush(m_connection.connection());
        return false;
    }
    m_grabbed = true;
    return true;
}

bool X11CaptureInputGrab::grabKeyboard()
{
    xcb_connection_t* c = m_connection.connection();
    for (int attempt = 0; attempt < kKeyboardAttempts; ++attempt) {
        if (attempt > 0)
            QThread::msleep(kKeyboardRetryMs);
        // Without owner events every key goes to the root, where this grab reads it,
        // also while one of Lumetra's own windows has the focus.
        const XcbReply<xcb_grab_keyboard_reply_t> reply{xcb_grab_keyboard_reply(
            c, xcb_grab_keyboard(c, 0, m_connection.root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
            nullptr)};
        if (reply && reply->status == XCB_GRAB_STATUS_SUCCESS)
            return true;
    }
    return false;
}

bool X11CaptureInputGrab::grabButtons()
{
    xcb_connection_t* c = m_connection.connection();
    std::array<xcb_void_cookie_t, kClickButtons.size()> cookies{};
    for (std::size_t i = 0; i < kClickButtons.size(); ++i)
        cookies[i] = xcb_grab_button_checked(c, 0, m_connection.root(),
                                             XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE,
                                             XCB_GRAB_MODE_SYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                                             kClickButtons[i], XCB_MOD_MASK_ANY);
    bool refused = false;
    for (const xcb_void_cookie_t& cookie : cookies)
        if (const XcbReply<xcb_generic_error_t> error{xcb_request_check(c, cookie)})
            refused = true;
    if (refused)
        ungrabButtons();
    return !refused;
}

void X11CaptureInputGrab::ungrabButtons()
{
    xcb_connection_t* c = m_connection.connection();
    for (std::uint8_t button : kClickButtons)
        xcb_ungrab_button(c, button, m_connection.root(), XCB_MOD_MASK_ANY);
    xcb_flush(c);
}

void X11CaptureInputGrab::release()
{
    if (!m_grabbed)
        return;
    m_grabbed = false;
    xcb_connection_t* c = m_connection.connection();
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    // A swallowed click still held down keeps the pointer grabbed until its release.
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    ungrabButtons();
}

bool X11CaptureInputGrab::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    return handleEvent(message);
}

bool X11CaptureInputGrab::handleEvent(const void* xcbEvent)
{
    if (!m_grabbed)
        return false;
    const auto* generic = static_cast<const xcb_generic_event_t*>(xcbEvent);
    const std::uint8_t type = generic->response_type & 0x7f;
    xcb_connection_t* c = m_connection.connection();
    switch (type) {
    case XCB_KEY_PRESS: {
        const auto* key = static_cast<const xcb_key_press_event_t*>(xcbEvent);
        const QString name = m_mapping.xkbKeyNameForX11KeyCode(key->detail).value_or(QString());
        emit keyPressed(name == QLatin1String("ESC")    ? Key::escape
                        : name == QLatin1String("RTRN") ? Key::returnKey
                                                        : Key::other);
        return true;
    }
    case XCB_KEY_RELEASE:
        return true;
    case XCB_BUTTON_PRESS: {
        const auto* button = static_cast<const xcb_button_press_event_t*>(xcbEvent);
        if (button->event != m_connection.root())
            return false;
        const bool swallow = swallowsClickAt && swallowsClickAt(QPoint(button->root_x, button->root_y));
        // The pointer stands still until told: replayed, the click goes on to the window
        // under it; let go, the grab keeps it (and its release) away from every window.
        xcb_allow_events(c, swallow ? XCB_ALLOW_ASYNC_POINTER : XCB_ALLOW_REPLAY_POINTER, button->time);
        xcb_flush(c);
        return true;
    }
    case XCB_BUTTON_RELEASE:
        return static_cast<const xcb_button_release_event_t*>(xcbEvent)->event == m_connection.root();
    default:
        return false;
    }
}
