#pragma once

#include <cstdint>
#include <optional>

// Which top-level window of the desktop is active, and handing activation to one, on
// the display the application runs on. Windows are the display server's ids (what
// QWidget::winId() gives). Off X11 no window is active and activation does nothing.
namespace WindowActivation {

using WindowId = std::uint32_t;

// The window the window manager reports as active; none without one.
std::optional<WindowId> activeWindow();

// The process that owns window, as it declares itself.
std::optional<long long> windowPid(WindowId window);

// False once the window has been destroyed (its program ended).
bool windowExists(WindowId window);

// True only where the display server can tell (X11) that the window is gone: destroyed
// by another program while its owner still holds it. False off X11.
bool windowDestroyed(WindowId window);

// Asks the window manager to activate window as a pager would, so focus-stealing
// prevention does not refuse it.
void activate(WindowId window);

// Asks the window manager to keep window above the others, or to let it go back among
// them, leaving the window itself as it is. False where there is no one to ask (off X11).
bool keepAbove(WindowId window, bool above);

} // namespace WindowActivation
