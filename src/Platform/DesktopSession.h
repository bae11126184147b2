#pragma once

class QWidget;

// Which way Lumetra reaches the desktop's screen and keyboard, decided once from Qt's
// platform plugin. As an X11 client it reads the screen, the window list and the
// keyboard itself. As a Wayland client it may read none of them: screenshots and global
// shortcuts come from the desktop portal, and it cannot place its windows or learn where
// they are. QT_QPA_PLATFORM=xcb keeps the X11 way in a Wayland session.
namespace DesktopSession {

bool usesDesktopPortal();

// Shows a capture overlay over the whole of its screen. On X11 the overlay was placed
// there already; a Wayland client asks the compositor to make it full-screen instead.
void showCoveringScreen(QWidget* overlay);

} // namespace DesktopSession
