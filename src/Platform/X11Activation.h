#pragma once

#include <xcb/xcb.h>

#include <optional>

class XcbConnection;

// Which top-level window is active, and giving activation to one (EWMH).
namespace X11Activation {

// The window the window manager reports as active (_NET_ACTIVE_WINDOW); none without one.
xcb_window_t activeWindow(XcbConnection& connection);

// The process that owns window, as it declares itself (_NET_WM_PID).
std::optional<long long> windowPid(XcbConnection& connection, xcb_window_t window);

// False once the window has been destroyed (its program ended).
bool windowExists(XcbConnection& connection, xcb_window_t window);

// Asks the window manager to activate window, as a pager would (so focus-stealing
// prevention does not refuse it).
void activate(XcbConnection& connection, xcb_window_t window);

} // namespace X11Activation
