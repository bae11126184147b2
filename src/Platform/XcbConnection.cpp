#include "Platform/XcbConnection.h"

#include <QGuiApplication>

#include <xcb/damage.h>
#include <xcb/shm.h>

#include <cstdlib>

XcbConnection* XcbConnection::application()
{
    static XcbConnection* shared = [] () -> XcbConnection* {
        auto* app = qGuiApp;
        if (!app || QGuiApplication::platformName() != QLatin1String("xcb"))
            return nullptr;
        auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
        if (!x11 || !x11->connection())
            return nullptr;
        // Qt opened the connection on its default screen; the root we need is that one.
        int screenNumber = 0;
        if (const char* display = std::getenv("DISPLAY")) {
            const QByteArray text(display);
            const int dot = text.lastIndexOf('.');
            const int colon = text.lastIndexOf(':');
            if (dot > colon && colon >= 0)
                screenNumber = text.mid(dot + 1).toInt();
        }
        return new XcbConnection(x11->connection(), screenNumber, false);
    }();
    return shared;
}

std::unique_ptr<XcbConnection> XcbConnection::open(const QString& displayName)
{
    int screenNumber = 0;
    const QByteArray name = displayName.toLocal8Bit();
    xcb_connection_t* connection = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screenNumber);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection)
            xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<XcbConnection> result(new XcbConnection(connection, screenNumber, true));
    if (!result->screen())
        return nullptr;
    return result;
}

XcbConnection::XcbConnection(xcb_connection_t* connection, int screenNumber, bool owned)
    : m_connection(connection)
    , m_screenNumber(screenNumber)
    , m_owned(owned)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; it.rem; ++i, xcb_screen_next(&it)) {
        if (i == screenNumber) {
            m_screen = it.data;
            break;
        }
    }
}

XcbConnection::~XcbConnection()
{
    if (m_owned && m_connection)
        xcb_disconnect(m_connection);
}

xcb_atom_t XcbConnection::atom(const char* name)
{
    const QByteArray key(name);
    const auto found = m_atoms.constFind(key);
    if (found != m_atoms.constEnd())
        return found.value();
    xcb_intern_atom_cookie_t cookie = xcb_intern_atom(m_connection, 0, uint16_t(key.size()), key.constData());
    const XcbReply<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(m_connection, cookie, nullptr)};
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    if (value != XCB_ATOM_NONE)
        m_atoms.insert(key, value);
    return value;
}

void XcbConnection::sync()
{
    xcb_get_input_focus_cookie_t cookie = xcb_get_input_focus(m_connection);
    XcbReply<xcb_get_input_focus_reply_t>(xcb_get_input_focus_reply(m_connection, cookie, nullptr));
}

bool XcbConnection::hasShm()
{
    if (!m_hasShm) {
        bool usable = false;
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(m_connection, &xcb_shm_id);
        if (ext && ext->present) {
            xcb_shm_query_version_cookie_t cookie = xcb_shm_query_version(m_connection);
            usable = XcbReply<xcb_shm_query_version_reply_t>(xcb_shm_query_version_reply(m_connection, cookie, nullptr))
                != nullptr;
        }
        m_hasShm = usable;
    }
    return *m_hasShm;
}

std::optional<std::uint8_t> damageNotifyEvent(xcb_connection_t* c)
{
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c, &xcb_damage_id);
    if (!damage || !damage->present)
        return std::nullopt;
    if (!XcbReply<xcb_damage_query_version_reply_t>(
            xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr)))
        return std::nullopt;
    return std::uint8_t(damage->first_event + XCB_DAMAGE_NOTIFY);
}
