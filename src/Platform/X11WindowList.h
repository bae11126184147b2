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

// The windows the user may pick, front-most first: the application's X11 windows read
// as above, then the candidate rules with Lumetra's own process and windows. Empty
// (with a warning) when the application does not run on X11.
QList<WindowRecord> enumerateCandidateWindows();

// Pixels per point of the display showing the centre of frame (global points): the
// first screen containing it, else the primary screen, else 2.
double backingScaleForWindow(const QRectF& frame);
