#pragma once

#include <QProcessEnvironment>

class XcbConnection;

// What kind of desktop session the program runs in.
namespace X11Session {

// True in a Wayland session (XDG_SESSION_TYPE=wayland), where X11 clients may not read
// other programs' windows: screen capture is refused there.
bool isWaylandSession(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// True when the application itself runs on an X server (Qt's xcb platform).
bool applicationRunsOnX11();

// True when a compositing manager owns the _NET_WM_CM_S<screen> selection; without one
// the server draws translucent windows opaque. Without a connection: the application's
// display, false off X11.
bool compositorRunning(XcbConnection& connection);
bool compositorRunning();

// A round trip to the application's X server: every request sent before it (a window
// taken down) has been handled. Nothing off X11.
void syncWithServer();

} // namespace X11Session
