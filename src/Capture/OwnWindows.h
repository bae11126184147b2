#pragma once

#include <QList>
#include <QPointer>
#include <QRectF>
#include <QWidget>

#include <functional>
#include <optional>

class QObject;

// Lumetra's own top-level windows, kept out of the picture while a capture reads the screen
// (neither X11 nor a Wayland compositor's screencopy leaves a program's windows out) and
// brought back afterwards. On X11 they are hidden and shown again. In a Wayland session
// they stay mapped, emptied to full transparency: the compositor forgets a window that
// is unmapped, with its place, size, workspace and floating state.
namespace OwnWindows {

using WindowList = QList<QPointer<QWidget>>;

// Whether window is emptied for a capture (Wayland) at the moment.
bool isVeiled(const QWidget* window);
// Empties windows instead of hiding them (true), or hides them (false), whatever the
// session; nullopt goes back to the session's way.
void setVeilsForTesting(std::optional<bool> veils);

// Hides every visible top-level window for which keep() is false (when given), in
// the order Qt lists them, and returns them in hiding order.
WindowList hideVisible(const std::function<bool(QWidget*)>& keep = {});

// As hideVisible, but only the windows whose frame (global points) meets area (all of
// them where the desktop does not tell a program where its windows are).
WindowList hideOverlapping(const QRectF& area, const std::function<bool(QWidget*)>& keep = {});

// Shows the windows again, the last hidden first; windows destroyed meanwhile are
// skipped, and so are tooltips, which stay hidden. Returns how many came back.
int showAgain(const WindowList& windows);

// Shows a session's hidden windows again (as showAgain) and empties its list, leaving out
// `except` when given: the main window a finished capture leaves to the delivery, which
// brings it forward itself. How many came back; nothing when none were hidden.
std::optional<int> restore(WindowList& hidden, QWidget* except = nullptr);

// Runs then at once when nothing was hidden; else once the X server has carried out the
// hiding and the programs beneath have repainted what Lumetra's windows uncovered, at
// most capMs later (dropped when context is gone by then).
void afterRepaint(const WindowList& hidden, QObject* context, int capMs, std::function<void()> then);

// Makes sure the X server has carried out the hiding before the screen is read.
void syncWithServer();

// Windows that capture itself puts up (overlays, countdown) carry this property and
// are never hidden.
inline constexpr const char* captureChromeProperty = "lumetraCaptureChrome";

} // namespace OwnWindows
