#pragma once

#include "Platform/FloatingWindowDesktop.h"

class XcbConnection;

// EWMH: the compositor's _NET_WM_CM_S<screen> selection, and _NET_WM_STATE_STICKY,
// _SKIP_TASKBAR, _SKIP_PAGER with _NET_WM_DESKTOP 0xFFFFFFFF set on the unmapped window
// (Qt merges its own states with them when it maps the window).
class X11FloatingWindowDesktop : public FloatingWindowDesktop {
public:
    explicit X11FloatingWindowDesktop(XcbConnection& connection);

    bool drawsTranslucency() override;
    void keepOnEveryWorkspace(QWidget* window) override;

private:
    XcbConnection& m_connection;
};
