#include "Platform/X11FloatingWindowDesktop.h"

#include "Platform/DesktopSession.h"
#include "Platform/X11Session.h"
#include "Platform/XcbConnection.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <cstdint>

namespace {

// The desktop without any of it: offscreen tests.
class PlainDesktop : public FloatingWindowDesktop {
public:
    bool drawsTranslucency() override { return false; }
    void keepOnEveryWorkspace(QWidget*) override {}
};

// A Wayland compositor draws every window translucent where asked, but keeps the
// placing of windows (and their workspaces) to itself.
class WaylandDesktop : public FloatingWindowDesktop {
public:
    bool drawsTranslucency() override { return true; }
    void keepOnEveryWorkspace(QWidget*) override {}
    bool fadesWindows() override { return false; }
    bool startMove(QWidget* window) override
    {
        return window->windowHandle() && window->windowHandle()->startSystemMove();
    }
};

FloatingWindowDesktop*& testingDesktop()
{
    static FloatingWindowDesktop* desktop = nullptr;
    return desktop;
}

} // namespace

FloatingWindowDesktop& FloatingWindowDesktop::shared()
{
    if (testingDesktop())
        return *testingDesktop();
    static FloatingWindowDesktop* const desktop = []() -> FloatingWindowDesktop* {
        XcbConnection* connection
            = QGuiApplication::platformName() == QStringLiteral("xcb") ? XcbConnection::application() : nullptr;
        if (connection)
            return new X11FloatingWindowDesktop(*connection);
        if (DesktopSession::usesDesktopPortal())
            return new WaylandDesktop;
        return new PlainDesktop;
    }();
    return *desktop;
}

void FloatingWindowDesktop::setSharedForTesting(FloatingWindowDesktop* desktop) { testingDesktop() = desktop; }

X11FloatingWindowDesktop::X11FloatingWindowDesktop(XcbConnection& connection) : m_connection(connection) {}

bool X11FloatingWindowDesktop::drawsTranslucency() { return X11Session::compositorRunning(m_connection); }

void X11FloatingWindowDesktop::keepOnEveryWorkspace(QWidget* window)
{
    if (!window)
        return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    xcb_connection_t* c = m_connection.connection();
    const xcb_atom_t states[] = {m_connection.atom("_NET_WM_STATE_STICKY"),
                                 m_connection.atom("_NET_WM_STATE_SKIP_TASKBAR"),
                                 m_connection.atom("_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(c, XCB_PROP_MODE_APPEND, id, m_connection.atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 3,
                        states);
    const std::uint32_t everyDesktop = 0xFFFFFFFF;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, m_connection.atom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                        &everyDesktop);
    xcb_flush(c);
}
