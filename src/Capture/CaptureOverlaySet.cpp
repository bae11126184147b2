#include "Capture/CaptureOverlaySet.h"

#include "Capture/OwnWindows.h"
#include "Platform/DesktopSession.h"

namespace CaptureOverlayWindows {

void setUp(QWidget* overlay, const FrozenScreenRecord& record, const QString& title)
{
    overlay->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint
                            | Qt::WindowStaysOnTopHint);
    overlay->setProperty(OwnWindows::captureChromeProperty, true);
    overlay->setWindowTitle(title);
    if (record.screen)
        overlay->setScreen(record.screen);
    overlay->setGeometry(record.frame.toAlignedRect());
}

void showAndGrabKeyboard(const QList<QWidget*>& overlays)
{
    for (QWidget* overlay : overlays) {
        DesktopSession::showCoveringScreen(overlay);
        overlay->raise();
        overlay->activateWindow();
        overlay->setFocus(Qt::OtherFocusReason);
    }
    if (!overlays.isEmpty())
        overlays.last()->grabKeyboard();
}

void takeDown(QWidget* overlay)
{
    overlay->releaseKeyboard();
    overlay->hide();
    overlay->deleteLater();
}

} // namespace CaptureOverlayWindows
