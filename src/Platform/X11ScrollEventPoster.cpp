#include "Platform/X11ScrollEventPoster.h"

#include "Platform/XcbConnection.h"

#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

// The core protocol's wheel: button 4 scrolls up, 5 down.
constexpr std::uint8_t kWheelUp = 4;
constexpr std::uint8_t kWheelDown = 5;

std::int16_t coordinate(int value)
{
    return std::int16_t(std::clamp(value, -32768, 32767));
}

} // namespace

std::unique_ptr<ScrollEventPoster> ScrollEventPoster::forApplication()
{
    XcbConnection* connection = XcbConnection::application();
    if (!connection)
        return nullptr;
    return X11ScrollEventPoster::create(*connection);
}

std::unique_ptr<X11ScrollEventPoster> X11ScrollEventPoster::create(XcbConnection& connection)
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection.connection(), &xcb_test_id);
    if (!extension || !extension->present)
        return nullptr;
    return std::unique_ptr<X11ScrollEventPoster>(new X11ScrollEventPoster(connection));
}

std::optional<QPoint> X11ScrollEventPoster::pointerPosition()
{
    xcb_connection_t* c = m_connection.connection();
    const XcbReply<xcb_query_pointer_reply_t> reply{
        xcb_query_pointer_reply(c, xcb_query_pointer(c, m_connection.root()), nullptr)};
    if (!reply || !reply->same_screen)
        return std::nullopt;
    return QPoint(reply->root_x, reply->root_y);
}

void X11ScrollEventPoster::movePointer(const QPoint& rootPixel)
{
    xcb_connection_t* c = m_connection.connection();
    xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_connection.root(), coordinate(rootPixel.x()),
                        coordinate(rootPixel.y()), XCB_NONE);
    xcb_flush(c);
}

bool X11ScrollEventPoster::scroll(const QPoint& rootPixel, int clicks)
{
    xcb_connection_t* c = m_connection.connection();
    const xcb_window_t root = m_connection.root();
    // The server handles the requests in order: the clicks land where the move put the
    // pointer, whatever the user does with the mouse meanwhile.
    xcb_void_cookie_t last = xcb_test_fake_input_checked(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root,
                                                         coordinate(rootPixel.x()), coordinate(rootPixel.y()), XCB_NONE);
    const std::uint8_t button = clicks < 0 ? kWheelUp : kWheelDown;
    for (int i = 0; i < std::abs(clicks); ++i) {
        xcb_test_fake_input(c, XCB_BUTTON_PRESS, button, XCB_CURRENT_TIME, root, 0, 0, XCB_NONE);
        last = xcb_test_fake_input_checked(c, XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME, root, 0, 0, XCB_NONE);
    }
    const XcbReply<xcb_generic_error_t> error{xcb_request_check(c, last)};
    return !error;
}
