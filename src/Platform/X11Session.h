#pragma once

#include <QProcessEnvironment>

class XcbConnection;

// What kind of desktop session the program runs in.
namespace X11Session {

// True in a Wayland session (XDG_SESSION_TYPE=wayland), where X11 clients may not read
// other programs' windows: screen capture is refused there.
bool isWaylandSession(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// True when a compositing manager owns the _NET_WM_CM_S<screen> selection; without one
// the server draws translucent windows opaque.
bool compositorRunning(XcbConnection& connection);

} // namespace X11Session
