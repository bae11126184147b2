#include "Platform/X11WindowList.h"

#include "Base/Logger.h"
#include "Platform/XcbConnection.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <cstring>

namespace {

struct PropertyReader {
    XcbConnection& connection;

    QByteArray bytes(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, std::uint8_t* format = nullptr)
    {
        xcb_connection_t* c = connection.connection();
        QByteArray value;
        const XcbReply<xcb_get_property_reply_t> reply{
            xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1u << 20), nullptr)};
        if (reply && reply->type != XCB_ATOM_NONE) {
            value = QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                               xcb_get_property_value_length(reply.get()));
            if (format)
                *format = reply->format;
        }
        return value;
    }

    bool exists(xcb_window_t window, xcb_atom_t property)
    {
        xcb_connection_t* c = connection.connection();
        const XcbReply<xcb_get_property_reply_t> reply{
            xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, XCB_ATOM_ANY, 0, 0), nullptr)};
        return reply && reply->type != XCB_ATOM_NONE;
    }

    QList<std::uint32_t> cardinals(xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
    {
        std::uint8_t format = 0;
        const QByteArray data = bytes(window, property, type, &format);
        QList<std::uint32_t> values;
        if (format != 32)
            return values;
        for (qsizetype i = 0; i + 4 <= data.size(); i += 4) {
            std::uint32_t v = 0;
            std::memcpy(&v, data.constData() + i, 4);
            values.append(v);
        }
        return values;
    }

    QStringList atomNames(xcb_window_t window, xcb_atom_t property)
    {
        QStringList names;
        xcb_connection_t* c = connection.connection();
        for (std::uint32_t atom : cardinals(window, property, XCB_ATOM_ATOM)) {
            if (const XcbReply<xcb_get_atom_name_reply_t> reply{
                    xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atom), nullptr)})
                names.append(QString::fromUtf8(xcb_get_atom_name_name(reply.get()),
                                               xcb_get_atom_name_name_length(reply.get())));
        }
        return names;
    }
};

std::optional<QString> windowTitle(PropertyReader& reader, xcb_window_t window)
{
    XcbConnection& x = reader.connection;
    const QByteArray utf8 = reader.bytes(window, x.atom("_NET_WM_NAME"), x.atom("UTF8_STRING"));
    if (!utf8.isEmpty())
        return QString::fromUtf8(utf8);
    if (reader.exists(window, XCB_ATOM_WM_NAME)) {
        // WM_NAME is Latin-1 (STRING) or compound text; Latin-1 reads both well enough
        // for a window's title.
        return QString::fromLatin1(reader.bytes(window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY));
    }
    return std::nullopt;
}

std::optional<QString> windowOwner(PropertyReader& reader, xcb_window_t window)
{
    if (!reader.exists(window, XCB_ATOM_WM_CLASS))
        return std::nullopt;
    // WM_CLASS is "instance\0Class\0"; the class names the program.
    const QList<QByteArray> parts = reader.bytes(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING).split('\0');
    if (parts.size() >= 2 && !parts[1].isEmpty())
        return QString::fromLocal8Bit(parts[1]);
    if (!parts.isEmpty())
        return QString::fromLocal8Bit(parts[0]);
    return QString();
}

WindowRecord readWindow(PropertyReader& reader, xcb_window_t window, double pixelsPerPoint)
{
    XcbConnection& x = reader.connection;
    xcb_connection_t* c = x.connection();
    WindowRecord record;
    record.windowId = window;
    record.title = windowTitle(reader, window);
    record.ownerName = windowOwner(reader, window);
    const QList<std::uint32_t> pid = reader.cardinals(window, x.atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    if (!pid.isEmpty())
        record.pid = pid.first();

    const QStringList types = reader.atomNames(window, x.atom("_NET_WM_WINDOW_TYPE"));
    const QStringList states = reader.atomNames(window, x.atom("_NET_WM_STATE"));
    record.isDock = types.contains(QLatin1String("_NET_WM_WINDOW_TYPE_DOCK"));
    record.layer = WindowList::windowLayer(types, states);

    const XcbReply<xcb_get_window_attributes_reply_t> attributes{
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr)};
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    record.isOnScreen = viewable && !states.contains(QLatin1String("_NET_WM_STATE_HIDDEN"));

    if (const XcbReply<xcb_get_geometry_reply_t> geometry{
            xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr)}) {
        QRect pixels(0, 0, geometry->width, geometry->height);
        if (const XcbReply<xcb_translate_coordinates_reply_t> origin{xcb_translate_coordinates_reply(
                c, xcb_translate_coordinates(c, window, x.root(), 0, 0), nullptr)})
            pixels.moveTo(origin->dst_x, origin->dst_y);
        // The picker captures the whole frame the user sees, decorations included.
        const QList<std::uint32_t> extents = reader.cardinals(window, x.atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL);
        if (extents.size() == 4)
            pixels.adjust(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
        const double scale = pixelsPerPoint > 0.0 ? pixelsPerPoint : 1.0;
        record.frame = QRectF(pixels.x() / scale, pixels.y() / scale, pixels.width() / scale, pixels.height() / scale);
    }
    return record;
}

} // namespace

X11WindowSnapshot readX11Windows(XcbConnection& connection, double pixelsPerPoint)
{
    X11WindowSnapshot snapshot;
    PropertyReader reader{connection};
    const xcb_window_t root = connection.root();

    QList<std::uint32_t> clients = reader.cardinals(root, connection.atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
    QList<std::uint32_t> stacking
        = reader.cardinals(root, connection.atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW);
    snapshot.fromWindowManager = !clients.isEmpty() || !stacking.isEmpty();

    if (!snapshot.fromWindowManager) {
        // No window manager: the root's children, bottom to top, are the windows.
        xcb_connection_t* c = connection.connection();
        if (const XcbReply<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)}) {
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
                stacking.append(children[i]);
        }
        clients = stacking;
    } else if (clients.isEmpty()) {
        clients = stacking;
    }

    snapshot.zOrder = WindowList::zOrderFromStacking(stacking);
    for (std::uint32_t window : clients)
        snapshot.windows.append(readWindow(reader, window, pixelsPerPoint));
    return snapshot;
}

QList<WindowRecord> enumerateCandidateWindows()
{
    XcbConnection* x = XcbConnection::application();
    if (!x) {
        logMessage(LogLevel::warning, [] {
            return QStringLiteral("🪟 没有 X11 连接，无法列出窗口（选窗取消）");
        });
        return {};
    }
    CandidateFilter filter;
    filter.ownPid = QCoreApplication::applicationPid();
    for (QWindow* window : QGuiApplication::allWindows())
        if (window->handle())
            filter.ownWindowIds.insert(std::uint32_t(window->winId()));
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (!screens.isEmpty()) {
        const QRect first = screens.first()->geometry();
        filter.firstScreenArea = double(first.width()) * double(first.height());
    }
    QScreen* primary = QGuiApplication::primaryScreen();
    const X11WindowSnapshot snapshot = readX11Windows(*x, primary ? primary->devicePixelRatio() : 1.0);
    return WindowList::candidateWindows(snapshot.windows, snapshot.zOrder, filter).windows;
}

double backingScaleForWindow(const QRectF& frame)
{
    const QPointF centre = frame.center();
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRectF geometry = screen->geometry();
        if (centre.x() >= geometry.left() && centre.x() < geometry.left() + geometry.width()
            && centre.y() >= geometry.top() && centre.y() < geometry.top() + geometry.height())
            return screen->devicePixelRatio();
    }
    if (QScreen* primary = QGuiApplication::primaryScreen())
        return primary->devicePixelRatio();
    return 2.0;
}
