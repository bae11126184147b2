#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

// Owns what xcb hands back (a reply, an error, an event), which is the caller's to
// free() exactly once.
struct XcbFree {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;

// One X connection as the capture code uses it: the root window of the default
// screen, cached atoms and a round trip to the server. Either the application's own
// connection (when Qt runs on xcb) or one opened for a tool that has no Qt window
// (benchmarks, tests).
class XcbConnection {
public:
    // The application's connection; null when the application does not run on X11.
    static XcbConnection* application();

    // Opens a connection of its own to displayName (empty: $DISPLAY); null on failure.
    static std::unique_ptr<XcbConnection> open(const QString& displayName = {});

    ~XcbConnection();
    XcbConnection(const XcbConnection&) = delete;
    XcbConnection& operator=(const XcbConnection&) = delete;

    xcb_connection_t* connection() const { return m_connection; }
    xcb_screen_t* screen() const { return m_screen; }
    xcb_window_t root() const { return m_screen ? m_screen->root : xcb_window_t(XCB_WINDOW_NONE); }
    int screenNumber() const { return m_screenNumber; }

    // The atom of name, created when missing; cached for the connection's life.
    xcb_atom_t atom(const char* name);

    // A round trip: every request sent before it has been handled by the server.
    void sync();

    // MIT-SHM is present and usable on this connection (checked once).
    bool hasShm();

private:
    XcbConnection(xcb_connection_t* connection, int screenNumber, bool owned);

    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
    int m_screenNumber = 0;
    bool m_owned = false;
    std::optional<bool> m_hasShm;
    QHash<QByteArray, xcb_atom_t> m_atoms;
};

// The event code of the Damage extension's notify on this connection, once the server has
// been told the version we speak (it takes no Damage request before); none where the
// server has no Damage.
std::optional<std::uint8_t> damageNotifyEvent(xcb_connection_t* c);
