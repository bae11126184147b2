#pragma once

#include "Platform/WindowList.h"

class XcbConnection;

// The top-level windows of the desktop as the window manager publishes them (EWMH),
// or the root's children when no window manager runs.
struct X11WindowSnapshot {
    QList<WindowRecord> windows; // client-list order
    WindowZOrder zOrder;         // front-most at 0
    bool fromWindowManager = false;
};

// pixelsPerPoint converts X's pixel frames into the points the rest of Lumetra uses.
X11WindowSnapshot readX11Windows(XcbConnection& connection, double pixelsPerPoint = 1.0);
