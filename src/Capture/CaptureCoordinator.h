#pragma once

#include "Capture/OwnWindows.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class CaptureClock;
class DelayCountdownHUD;
class SystemScreenshotTool;

// Between the places a capture is asked for (menu, hot keys) and the sessions that do
// it: the optional delay with its countdown, and the fallback through the desktop's
// own screenshot tool, whose image is put on the clipboard and handed to the editor.
class CaptureCoordinator : public QObject {
    Q_OBJECT
public:
    static CaptureCoordinator& shared();

    // tool is owned by the coordinator.
    CaptureCoordinator(CaptureClock& clock, DelayCountdownHUD& hud, SystemScreenshotTool* tool,
                       QObject* parent = nullptr);
    ~CaptureCoordinator() override;

    // Runs action now, or after the "captureDelaySeconds" delay (3, 5 or 10; anything
    // else means no delay), replacing any capture still waiting.
    void captureWithDelay(const QString& reason, std::function<void()> action);
    void cancelPendingDelay(const QString& reason);
    void scheduleDelayedCapture(const QString& reason, std::function<void()> action, double delaySeconds);

    // The area capture through the desktop's screenshot tool.
    void startAreaCapture();

    bool hasPendingDelay() const { return m_pendingDelay.has_value(); }
    // From the tool's start until its image has been encoded and put on the clipboard.
    bool isToolRunning() const { return m_toolRunning; }

    // The accepted delays, in menu order.
    static const QList<int>& delayChoices();

private:
    void runScreencapture();
    void restoreHiddenWindows();
    void toolFinished(const QImage& image);
    void toolFailed(const QString& reason);
    void toolImageEncoded(const std::optional<QByteArray>& png);
    void endToolRun();

    CaptureClock& m_clock;
    DelayCountdownHUD& m_hud;
    SystemScreenshotTool* m_tool;
    std::optional<quint64> m_pendingDelay;
    bool m_toolRunning = false;
    OwnWindows::WindowList m_selfHiddenWindows;
};

// The capture roads as the menu and hot keys start them: each settles the
// screen-capture permission first and stops quietly when it is refused.
namespace CaptureRoads {
void area();
void window();
void repeatLastSelection();
void scroll();
// Where Lumetra cannot list and read other windows (a Wayland session): the desktop's
// own interactive screenshot stands in for the window picker.
void windowThroughDesktopTool();
// Where input cannot be synthesised (a Wayland session): says that scrolling capture
// needs an X11 session.
void scrollNeedsX11();
} // namespace CaptureRoads
