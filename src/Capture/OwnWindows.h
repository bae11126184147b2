#pragma once

#include <QList>
#include <QPointer>
#include <QRectF>
#include <QWidget>

#include <functional>

// Lumetra's own top-level windows, hidden while a capture reads the screen (X11 cannot
// leave a program's windows out of a grab) and shown again afterwards.
namespace OwnWindows {

using WindowList = QList<QPointer<QWidget>>;

// Hides every visible top-level window for which keep() is false (when given), in
// the order Qt lists them, and returns them in hiding order.
WindowList hideVisible(const std::function<bool(QWidget*)>& keep = {});

// As hideVisible, but only the windows whose frame (global points) meets area (all of
// them where the desktop does not tell a program where its windows are).
WindowList hideOverlapping(const QRectF& area, const std::function<bool(QWidget*)>& keep = {});

// Shows the windows again, the last hidden first; windows destroyed meanwhile are
// skipped. Returns how many came back.
int showAgain(const WindowList& windows);

// The hidden windows without `window` (by identity), order kept: the window a finished
// capture leaves to the delivery, which brings it forward itself.
WindowList hiddenWindowsExcluding(const WindowList& windows, const QWidget* window);

// Makes sure the X server has carried out the hiding before the screen is read.
void syncWithServer();

// Windows that capture itself puts up (overlays, countdown) carry this property and
// are never hidden.
inline constexpr const char* captureChromeProperty = "lumetraCaptureChrome";

} // namespace OwnWindows
