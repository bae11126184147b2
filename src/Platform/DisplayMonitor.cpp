#include "Platform/DisplayMonitor.h"

#include "Platform/XcbConnection.h"

#include <xcb/randr.h>

#include <algorithm>

std::uint32_t displayNumberForOutputName(const QString& name)
{
    std::uint32_t hash = 2166136261u;
    for (const char byte : name.toUtf8()) {
        hash ^= static_cast<std::uint8_t>(byte);
        hash *= 16777619u;
    }
    return hash;
}

namespace {

QString atomName(xcb_connection_t* c, xcb_atom_t atom)
{
    QString name;
    if (const XcbReply<xcb_get_atom_name_reply_t> reply{xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atom), nullptr)})
        name = QString::fromUtf8(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get()));
    return name;
}

QList<DisplayMonitor> randrMonitors(XcbConnection& connection)
{
    QList<DisplayMonitor> monitors;
    xcb_connection_t* c = connection.connection();
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_randr_id);
    if (!ext || !ext->present)
        return monitors;
    const XcbReply<xcb_randr_query_version_reply_t> version{
        xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr)};
    if (!version || !(version->major_version > 1 || version->minor_version >= 5))
        return monitors;

    const XcbReply<xcb_randr_get_monitors_reply_t> reply{
        xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, connection.root(), 1), nullptr)};
    if (!reply)
        return monitors;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem; xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t* info = it.data;
        if (info->width == 0 || info->height == 0)
            continue;
        DisplayMonitor monitor;
        monitor.name = atomName(c, info->name);
        monitor.displayNumber = displayNumberForOutputName(monitor.name);
        monitor.pixelFrame = QRect(info->x, info->y, info->width, info->height);
        monitor.primary = info->primary;
        monitors.append(monitor);
    }
    std::stable_sort(monitors.begin(), monitors.end(),
                     [](const DisplayMonitor& a, const DisplayMonitor& b) { return a.primary && !b.primary; });
    return monitors;
}

} // namespace

QList<DisplayMonitor> readDisplayMonitors(XcbConnection& connection)
{
    QList<DisplayMonitor> monitors = randrMonitors(connection);
    if (monitors.isEmpty() && connection.screen()) {
        DisplayMonitor whole;
        whole.name = QStringLiteral("screen");
        whole.displayNumber = displayNumberForOutputName(whole.name);
        whole.pixelFrame = QRect(0, 0, connection.screen()->width_in_pixels, connection.screen()->height_in_pixels);
        whole.primary = true;
        monitors.append(whole);
    }
    return monitors;
}

QList<DisplayMonitor> readDisplayMonitors()
{
    XcbConnection* x = XcbConnection::application();
    return x ? readDisplayMonitors(*x) : QList<DisplayMonitor>{};
}
