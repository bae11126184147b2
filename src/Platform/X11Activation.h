#pragma once

#include <cstdint>
#include <optional>

class XcbConnection;

// WindowActivation on one X connection (EWMH); window 0 is none.
namespace X11Activation {

// The window the window manager reports as active (_NET_ACTIVE_WINDOW); 0 without one.
std::uint32_t activeWindow(XcbConnection& connection);

// The process that owns window, as it declares itself (_NET_WM_PID).
std::optional<long long> windowPid(XcbConnection& connection, std::uint32_t window);

// False once the window has been destroyed (its program ended).
bool windowExists(XcbConnection& connection, std::uint32_t window);

// Asks the window manager to activate window, as a pager would (so focus-stealing
// prevention does not refuse it).
void activate(XcbConnection& connection, std::uint32_t window);

// Asks the window manager to keep window above the others or to let it go back among
// them (_NET_WM_STATE_ABOVE, as the window's own program asks).
void keepAbove(XcbConnection& connection, std::uint32_t window, bool above);

} // namespace X11Activation
