#include "Platform/DesktopSession.h"

#include <QGuiApplication>
#include <QWidget>

namespace DesktopSession {

bool usesDesktopPortal()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void showCoveringScreen(QWidget* overlay)
{
    if (usesDesktopPortal())
        overlay->showFullScreen();
    else
        overlay->show();
}

} // namespace DesktopSession
