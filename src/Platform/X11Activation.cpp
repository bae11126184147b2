#include "Platform/X11Activation.h"

#include "Platform/WindowActivation.h"
#include "Platform/XcbConnection.h"

#include <cstring>
#include <initializer_list>

namespace X11Activation {

namespace {

std::optional<std::uint32_t> cardinalProperty(XcbConnection& connection, xcb_window_t window, xcb_atom_t property,
                                              xcb_atom_t type)
{
    xcb_connection_t* c = connection.connection();
    std::optional<std::uint32_t> value;
    const XcbReply<xcb_get_property_reply_t> reply{
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1), nullptr)};
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) >= 4) {
        std::uint32_t v = 0;
        std::memcpy(&v, xcb_get_property_value(reply.get()), 4);
        value = v;
    }
    return value;
}

} // namespace

std::uint32_t activeWindow(XcbConnection& connection)
{
    const auto value = cardinalProperty(connection, connection.root(), connection.atom("_NET_ACTIVE_WINDOW"),
                                        XCB_ATOM_WINDOW);
    return value ? xcb_window_t(*value) : xcb_window_t(XCB_WINDOW_NONE);
}

std::optional<long long> windowPid(XcbConnection& connection, std::uint32_t window)
{
    if (window == XCB_WINDOW_NONE)
        return std::nullopt;
    const auto value = cardinalProperty(connection, window, connection.atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    if (!value)
        return std::nullopt;
    return static_cast<long long>(*value);
}

bool windowExists(XcbConnection& connection, std::uint32_t window)
{
    if (window == XCB_WINDOW_NONE)
        return false;
    xcb_connection_t* c = connection.connection();
    return XcbReply<xcb_get_window_attributes_reply_t>(
               xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr))
        != nullptr;
}

namespace {

// A request to the window manager about window (EWMH: sent to the root window).
void sendToWindowManager(XcbConnection& connection, std::uint32_t window, const char* type,
                         std::initializer_list<std::uint32_t> data)
{
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = connection.atom(type);
    int i = 0;
    for (const std::uint32_t value : data)
        event.data.data32[i++] = value;
    xcb_send_event(connection.connection(), 0, connection.root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection.connection());
}

} // namespace

void activate(XcbConnection& connection, std::uint32_t window)
{
    if (window == XCB_WINDOW_NONE)
        return;
    constexpr std::uint32_t sourcePager = 2;
    sendToWindowManager(connection, window, "_NET_ACTIVE_WINDOW", {sourcePager, XCB_CURRENT_TIME, XCB_WINDOW_NONE});
}

void keepAbove(XcbConnection& connection, std::uint32_t window, bool above)
{
    if (window == XCB_WINDOW_NONE)
        return;
    constexpr std::uint32_t remove = 0, add = 1, sourceApplication = 1;
    sendToWindowManager(connection, window, "_NET_WM_STATE",
                        {above ? add : remove, connection.atom("_NET_WM_STATE_ABOVE"), 0, sourceApplication});
}

} // namespace X11Activation

namespace WindowActivation {

std::optional<WindowId> activeWindow()
{
    XcbConnection* x = XcbConnection::application();
    const WindowId active = x ? X11Activation::activeWindow(*x) : WindowId(XCB_WINDOW_NONE);
    return active != XCB_WINDOW_NONE ? std::optional<WindowId>(active) : std::nullopt;
}

std::optional<long long> windowPid(WindowId window)
{
    XcbConnection* x = XcbConnection::application();
    return x ? X11Activation::windowPid(*x, window) : std::nullopt;
}

bool windowExists(WindowId window)
{
    XcbConnection* x = XcbConnection::application();
    return x && X11Activation::windowExists(*x, window);
}

bool windowDestroyed(WindowId window)
{
    XcbConnection* x = XcbConnection::application();
    return x && window != XCB_WINDOW_NONE && !X11Activation::windowExists(*x, window);
}

void activate(WindowId window)
{
    if (XcbConnection* x = XcbConnection::application())
        X11Activation::activate(*x, window);
}

bool keepAbove(WindowId window, bool above)
{
    XcbConnection* x = XcbConnection::application();
    if (!x)
        return false;
    X11Activation::keepAbove(*x, window, above);
    return true;
}

} // namespace WindowActivation
