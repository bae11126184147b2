#include "Capture/CaptureCoordinator.h"

#include "Base/Logger.h"
#include "Capture/CaptureAlerts.h"
#include "Capture/CaptureClock.h"
#include "Capture/CaptureDelivery.h"
#include "Capture/CaptureLog.h"
#include "Capture/CapturePng.h"
#include "Capture/DelayCountdownHUD.h"
#include "Capture/ScreenCapturePermission.h"
#include "Capture/ScrollingCaptureController.h"
#include "Capture/SelectionOverlayController.h"
#include "Capture/SystemScreenshotTool.h"
#include "Capture/WindowPickerOverlayController.h"
#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Platform/Pasteboard.h"

CaptureCoordinator& CaptureCoordinator::shared()
{
    static CaptureCoordinator* coordinator
        = new CaptureCoordinator(CaptureClock::system(), DelayCountdownHUD::shared(), new PortalScreenshotTool);
    return *coordinator;
}

CaptureCoordinator::CaptureCoordinator(CaptureClock& clock, DelayCountdownHUD& hud, SystemScreenshotTool* tool,
                                       QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_hud(hud)
    , m_tool(tool)
{
    m_tool->setParent(this);
    connect(m_tool, &SystemScreenshotTool::finished, this, &CaptureCoordinator::toolFinished);
    connect(m_tool, &SystemScreenshotTool::failed, this, &CaptureCoordinator::toolFailed);
    connect(m_tool, &SystemScreenshotTool::notAnswering, this, [this] {
        logMessage(LogLevel::warning, [] {
            return QStringLiteral("⚠️ 桌面截图门户（xdg-desktop-portal）无响应，已放弃本次截图");
        });
        endToolRun();
        showDesktopNotAnswering();
    });
}

CaptureCoordinator::~CaptureCoordinator()
{
    if (m_pendingDelay)
        m_clock.cancel(*m_pendingDelay);
}

const QList<int>& CaptureCoordinator::delayChoices()
{
    static const QList<int> choices{0, 3, 5, 10};
    return choices;
}

void CaptureCoordinator::captureWithDelay(const QString& reason, std::function<void()> action)
{
    cancelPendingDelay(reason + QStringLiteral(" 触发"));
    const qint64 delay = Settings::captureDelaySeconds.read();
    if (delay > 0 && delayChoices().contains(int(delay)))
        scheduleDelayedCapture(reason, std::move(action), double(delay));
    else if (action)
        action();
}

void CaptureCoordinator::cancelPendingDelay(const QString& reason)
{
    m_hud.dismiss();
    if (!m_pendingDelay)
        return;
    m_clock.cancel(*m_pendingDelay);
    m_pendingDelay.reset();
    captureDiagnostic(QStringLiteral("⏱ 挂起延迟任务已取消（") + reason + QStringLiteral("）"));
}

void CaptureCoordinator::scheduleDelayedCapture(const QString& reason, std::function<void()> action,
                                                double delaySeconds)
{
    cancelPendingDelay(QStringLiteral("新排定替换"));
    const QDateTime deadline = m_clock.now().addMSecs(qint64(delaySeconds * 1000.0));
    QPointer<CaptureCoordinator> self(this);
    m_pendingDelay = m_clock.scheduleAt(deadline, [self, action = std::move(action)] {
        if (self) {
            self->m_pendingDelay.reset();
            self->m_hud.dismiss();
        }
        if (action)
            action();
    });
    if (delaySeconds > 0)
        m_hud.show(deadline);
    captureDiagnostic(QStringLiteral("⏱ 延迟截图 [") + reason + QStringLiteral("] ")
                      + QString::number(static_cast<long long>(delaySeconds)) + QStringLiteral(" 秒后排定"));
}

void CaptureCoordinator::startAreaCapture()
{
    cancelPendingDelay(QStringLiteral("立即触发"));
    if (m_toolRunning)
        return;
    if (ScreenCapturePermission::preflight()) {
        runScreencapture();
        return;
    }
    logMessage(LogLevel::warning,
               [] { return QStringLiteral("⚠️ 本会话不能直接读取屏幕，询问桌面截图门户（xdg-desktop-portal）"); });
    if (ScreenCapturePermission::ensureScreenCapturePermission())
        runScreencapture();
}

void CaptureCoordinator::runScreencapture()
{
    if (m_toolRunning)
        return;
    m_selfHiddenWindows = OwnWindows::hideVisible();
    if (!m_selfHiddenWindows.isEmpty()) {
        const auto count = m_selfHiddenWindows.size();
        logMessage(LogLevel::info, [&] { return QStringLiteral("🪟 桌面截图工具前隐藏自身窗口 %1 个").arg(count); });
    }
    QString error;
    if (!m_tool->start(&error)) {
        logMessage(LogLevel::error, [&] {
            return QStringLiteral("❌ 桌面截图门户（xdg-desktop-portal）截图失败: ") + error;
        });
        m_toolRunning = false;
        restoreHiddenWindows();
        showCaptureToolError(error);
        return;
    }
    m_toolRunning = true;
    logMessage(LogLevel::info, [] { return QStringLiteral("📸 桌面截图门户已启动，等待门户交回图片"); });
}

void CaptureCoordinator::toolFinished(const QImage& image)
{
    if (image.isNull()) {
        endToolRun();
        return;
    }
    // The portal hands the image over as a file, and that file alone is the capture: it
    // goes to the clipboard and from there to the editor. Nothing else on the clipboard
    // is ever taken for it (on Wayland the clipboard reports changes that carry no new
    // data, so whatever Lumetra copied before would pass for the capture). The tool
    // counts as running until the PNG is back, so a new request cannot start a second
    // run meanwhile.
    encodeCapturePngOffMainThread(image, this, [this](const std::optional<QByteArray>& png) { toolImageEncoded(png); });
}

void CaptureCoordinator::toolFailed(const QString& reason)
{
    logMessage(LogLevel::error, [&] { return QStringLiteral("❌ 桌面截图门户（xdg-desktop-portal）截图失败: ") + reason; });
    endToolRun();
    showCaptureToolError(reason);
}

void CaptureCoordinator::toolImageEncoded(const std::optional<QByteArray>& png)
{
    if (!png) {
        logMessage(LogLevel::error, [] { return QStringLiteral("❌ 选区截图 PNG 编码失败"); });
        endToolRun();
        showCaptureFailed(localized(QStringLiteral("capture.error.reason.encoding")));
        return;
    }
    const bool onClipboard = CaptureDelivery::putOnClipboard(*png, false);
    endToolRun();
    if (onClipboard)
        logMessage(LogLevel::info, [] { return QStringLiteral("📸 桌面门户图片已入剪贴板，交付编辑器"); });
    CaptureDelivery::deliverCapturedImage();
}

void CaptureCoordinator::endToolRun()
{
    restoreHiddenWindows();
    m_toolRunning = false;
}

void CaptureCoordinator::restoreHiddenWindows()
{
    if (const std::optional<int> shown = OwnWindows::restore(m_selfHiddenWindows))
        captureDiagnostic(QStringLiteral("🪟 桌面截图工具结束，恢复隐藏的自身窗口 %1 个").arg(*shown));
}

namespace CaptureRoads {

void area()
{
    if (ScreenCapturePermission::ensureScreenCapturePermission())
        SelectionOverlayController::shared().rememberFrontmostApp();
}

void window()
{
    if (ScreenCapturePermission::ensureScreenCapturePermission())
        WindowPickerOverlayController::shared().begin();
}

void repeatLastSelection()
{
    if (ScreenCapturePermission::ensureScreenCapturePermission())
        SelectionOverlayController::shared().repeatLastSelection();
}

void scroll()
{
    if (ScreenCapturePermission::ensureScreenCapturePermission())
        ScrollingCaptureController::shared().start();
}

void windowThroughDesktopTool()
{
    // The tool settles the permission itself, as the area capture's fallback does.
    CaptureCoordinator::shared().startAreaCapture();
}

void scrollNeedsX11()
{
    CaptureAlerts::current().showWarning(localized(QStringLiteral("scrollCapture.needsX11.title")),
                                         localized(QStringLiteral("scrollCapture.needsX11.message")));
}

} // namespace CaptureRoads
