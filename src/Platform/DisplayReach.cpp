#include "Platform/DisplayReach.h"

#include <wayland-client.h>
#include <xcb/xcb.h>

namespace DisplayReach {

namespace {

    bool isWayland(const QString& name) { return name.startsWith(QLatin1String("wayland")); }

    // Connects as Qt's plugins do: X11 to the -display option or DISPLAY, Wayland to
    // WAYLAND_DISPLAY (else wayland-0) in XDG_RUNTIME_DIR, both read from this process's
    // environment by the libraries themselves.
    bool reaches(const QString& name, const QString& displayOption)
    {
        if (isWayland(name)) {
            // Without a runtime folder the library would only complain on standard error.
            if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && !qgetenv("WAYLAND_DISPLAY").startsWith('/'))
                return false;
            wl_display* display = wl_display_connect(nullptr);
            if (display)
                wl_display_disconnect(display);
            return display != nullptr;
        }
        const QByteArray named = displayOption.toLocal8Bit();
        xcb_connection_t* connection = xcb_connect(named.isEmpty() ? nullptr : named.constData(), nullptr);
        const bool reached = connection && xcb_connection_has_error(connection) == 0;
        if (connection)
            xcb_disconnect(connection);
        return reached;
    }

} // namespace

QStringList platformsTried(const QString& platform)
{
    QStringList names;
    for (const QString& entry : platform.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        names << entry.section(QLatin1Char(':'), 0, 0).trimmed();
    names.removeAll(QString());
    if (names.isEmpty())
        names = {QStringLiteral("wayland"), QStringLiteral("xcb")};
    return names;
}

std::optional<QString> unreachable(const QString& platform, const QString& displayOption,
                                   const QProcessEnvironment& environment)
{
    QStringList set, unset;
    for (const QString& name : platformsTried(platform)) {
        if (name != QLatin1String("xcb") && !isWayland(name))
            return std::nullopt; // offscreen, vnc, ...: no display to reach
        if (reaches(name, displayOption))
            return std::nullopt;
        QString described;
        if (isWayland(name))
            described = QStringLiteral("WAYLAND_DISPLAY=") + environment.value(QStringLiteral("WAYLAND_DISPLAY"));
        else if (!displayOption.isEmpty())
            described = QStringLiteral("-display ") + displayOption;
        else
            described = QStringLiteral("DISPLAY=") + environment.value(QStringLiteral("DISPLAY"));
        QStringList& into = described.endsWith(QLatin1Char('=')) ? unset : set;
        if (!into.contains(described))
            into << described;
    }
    // The displays the user set are the ones to name; the ones left unset only where
    // nothing was set for the platforms tried.
    return (set.isEmpty() ? unset : set).join(QStringLiteral(", "));
}

} // namespace DisplayReach
