#include "Capture/WindowCapture.h"

#include "Base/Logger.h"
#include "Base/OffMainThread.h"
#include "Capture/CaptureAlerts.h"
#include "Capture/CaptureDelivery.h"
#include "Capture/CaptureLog.h"
#include "Capture/CapturePng.h"
#include "Capture/OwnWindows.h"
#include "Capture/ShadowCanvas.h"
#include "Capture/WindowPickerOverlayController.h"
#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Platform/Pasteboard.h"
#include "Platform/X11WindowList.h"

#include <QCoreApplication>
#include <QPointer>

namespace WindowCapture {

namespace {

QString reasonKey(WindowImageError error)
{
    switch (error) {
    case WindowImageError::windowGone:
        return QStringLiteral("capture.error.reason.windowGone");
    case WindowImageError::unreadable:
        break;
    }
    return QStringLiteral("capture.error.reason.windowUnreadable");
}

void fail(const QString& reason, WindowPickerOverlayController* controller)
{
    logMessage(LogLevel::error, [&] { return QStringLiteral("🪟 窗口截取失败: ") + reason; });
    if (!controller)
        return;
    controller->endSession(true);
    showCaptureFailed(reason);
}

} // namespace

std::variant<Result, WindowImageError> captureWindowImage(const WindowRecord& window)
{
    const double scale = backingScaleForWindow(window.frame);
    const bool withPointer = Settings::captureShowsCursor.read();
    // The overlays' own pointer shape must be gone before the pointer is drawn in.
    OwnWindows::syncWithServer();
    WindowImageSource& source = WindowImageSource::current();
    WindowImage read = source.capture(window.windowId, withPointer);
    source.release();
    if (read.error)
        return *read.error;
    logMessage(LogLevel::info, [&] {
        return QStringLiteral("🪟 窗口截取 %1×%2px（窗口 %3×%4pt，scale %5）")
            .arg(read.image.width())
            .arg(read.image.height())
            .arg(window.frame.width())
            .arg(window.frame.height())
            .arg(scale);
    });
    return Result{read.image, scale};
}

EncodedCanvas encodeCanvas(const QImage& image, double scale)
{
    const std::optional<QImage> canvas = ShadowCanvas::makeShadowCanvas(image, scale);
    const QImage& result = canvas ? *canvas : image;
    return {encodeCapturePng(result), result.size()};
}

void run(const WindowRecord& window, WindowPickerOverlayController* controller)
{
    QPointer<WindowPickerOverlayController> weak(controller);
    const auto captured = captureWindowImage(window);
    if (const auto* error = std::get_if<WindowImageError>(&captured)) {
        fail(localized(reasonKey(*error)), weak.data());
        return;
    }
    const Result result = std::get<Result>(captured);
    // The canvas and its PNG take tens of milliseconds for a large window.
    QObject* context = weak ? static_cast<QObject*>(weak.data()) : QCoreApplication::instance();
    const QSize imageSize = result.image.size();
    OffMainThread::run(
        context, [result] { return encodeCanvas(result.image, result.scale); },
        [weak, imageSize](const EncodedCanvas& encoded) {
            if (!encoded.png) {
                fail(localized(QStringLiteral("capture.error.reason.encoding")), weak.data());
                return;
            }
            if (CaptureDelivery::putOnClipboard(*encoded.png, true))
                captureDiagnostic(QStringLiteral("🪟 窗口截取完成 %1×%2px → 画布 %3×%4px，已写剪贴板，走交付链")
                                      .arg(imageSize.width())
                                      .arg(imageSize.height())
                                      .arg(encoded.canvasSize.width())
                                      .arg(encoded.canvasSize.height()));
            CaptureDelivery::deliverCapturedImage();
            if (weak)
                weak->restoreHiddenWindowsAfterCapture();
        });
}

} // namespace WindowCapture
