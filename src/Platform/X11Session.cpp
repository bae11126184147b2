#include "Platform/X11Session.h"

#include "Platform/XcbConnection.h"

namespace X11Session {

bool isWaylandSession(const QProcessEnvironment& environment)
{
    return environment.value(QStringLiteral("XDG_SESSION_TYPE")).trimmed().compare(QLatin1String("wayland"),
                                                                                  Qt::CaseInsensitive)
        == 0;
}

bool compositorRunning(XcbConnection& connection)
{
    const QByteArray selection = "_NET_WM_CM_S" + QByteArray::number(connection.screenNumber());
    const xcb_atom_t atom = connection.atom(selection.constData());
    if (atom == XCB_ATOM_NONE)
        return false;
    xcb_connection_t* c = connection.connection();
    const XcbReply<xcb_get_selection_owner_reply_t> reply{
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom), nullptr)};
    return reply && reply->owner != XCB_WINDOW_NONE;
}

bool applicationRunsOnX11()
{
    return XcbConnection::application() != nullptr;
}

bool compositorRunning()
{
    XcbConnection* x = XcbConnection::application();
    return x && compositorRunning(*x);
}

void syncWithServer()
{
    if (XcbConnection* x = XcbConnection::application())
        x->sync();
}

} // namespace X11Session
