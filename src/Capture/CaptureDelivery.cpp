#include "Capture/CaptureDelivery.h"

#include "Base/Logger.h"
#include "Capture/CaptureAlerts.h"
#include "Capture/CaptureLog.h"
#include "Core/Localization.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Platform/Pasteboard.h"
#include "Platform/WindowActivation.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <mutex>
#include <utility>

namespace CaptureDelivery {

namespace {

std::mutex dateLock;
std::optional<QDateTime> deliveryDate;
bool clipboardUncertain = false; // main thread

QString frontmostDescription()
{
    const std::optional<WindowActivation::WindowId> active = WindowActivation::activeWindow();
    return active ? QStringLiteral("0x") + QString::number(*active, 16) : QStringLiteral("nil");
}

int lumetraActive()
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive ? 1 : 0;
}

// The user learns that the capture may not be on the clipboard (once the editor, if it
// opens, is in front): pasting elsewhere may give them whatever was copied before.
void tellClipboardRefused()
{
    QTimer::singleShot(400, QCoreApplication::instance(), [] {
        CaptureAlerts::current().showWarning(localized(QStringLiteral("capture.clipboardRefused.title")),
                                             localized(QStringLiteral("capture.clipboardRefused.message")));
    });
}

} // namespace

bool putOnClipboard(const QByteArray& png, bool afterOwnInput)
{
    Pasteboard& board = Pasteboard::general();
    board.clearContents();
    board.setItems({{Pasteboard::pngType, png}});
    clipboardUncertain = !board.reachesOtherPrograms() && !afterOwnInput;
    if (!clipboardUncertain)
        return true;
    logMessage(LogLevel::warning, [] {
        return QStringLiteral("⚠️ The desktop may not have put the capture on the clipboard (no data-control, and the "
                              "capture was not chosen in Lumetra)");
    });
    return false;
}

void deliverCapturedImage()
{
    if (std::exchange(clipboardUncertain, false))
        tellClipboardRefused();
    if (!Settings::captureOpensEditor.read()) {
        logMessage(LogLevel::info, [] { return QStringLiteral("📸 唤窗已关闭（设置），截图仅进剪贴板"); });
        return;
    }
    captureDiagnostic(QStringLiteral("📸 deliverCapturedImage 开始: frontmost=%1 lumetraActive=%2 delegate=%3")
                          .arg(frontmostDescription())
                          .arg(lumetraActive())
                          .arg(QString::fromLatin1(QCoreApplication::instance()
                                                       ? QCoreApplication::instance()->metaObject()->className()
                                                       : "nil")));
    NotificationCenter::defaultCenter().post(Notifications::captureDeliveryRequested);
    QWidget* key = QApplication::activeWindow();
    const QString keyTitle = key && !key->windowTitle().isEmpty() ? key->windowTitle() : QStringLiteral("nil");
    captureDiagnostic(QStringLiteral("📸 CaptureDeliveryRequested 已广播: lumetraActive=%1 keyWindow=%2")
                          .arg(lumetraActive())
                          .arg(keyTitle));
    {
        std::lock_guard<std::mutex> guard(dateLock);
        deliveryDate = QDateTime::currentDateTimeUtc();
    }
    QTimer::singleShot(300, QCoreApplication::instance(), [] {
        NotificationCenter::defaultCenter().post(Notifications::captureClipboardImageReady);
    });
}

std::optional<QDateTime> lastCaptureDeliveryDate()
{
    std::lock_guard<std::mutex> guard(dateLock);
    return deliveryDate;
}

void clearLastCaptureDeliveryDate()
{
    std::lock_guard<std::mutex> guard(dateLock);
    deliveryDate.reset();
}

} // namespace CaptureDelivery
