#include "Capture/ScreenCapturePermission.h"

#include "Base/Logger.h"
#include "Capture/CaptureAlerts.h"
#include "Capture/FrozenDisplays.h"
#include "Core/Localization.h"

#include <QGuiApplication>

namespace ScreenCapturePermission {

namespace {
std::function<bool()>& overrideCheck()
{
    static std::function<bool()> check;
    return check;
}
} // namespace

bool preflight()
{
    if (overrideCheck())
        return overrideCheck()();
    return DisplayCaptureSource::current().mayReadScreen();
}

void setPreflightForTesting(std::function<bool()> check)
{
    overrideCheck() = std::move(check);
}

bool ensureScreenCapturePermission()
{
    if (preflight()) {
        logMessage(LogLevel::info, [] { return QStringLiteral("🔐 权限请求流程: preflight 已授权，同步快速通过"); });
        return true;
    }
    logMessage(LogLevel::info,
               [] { return QStringLiteral("🔐 权限请求流程: preflight 未授权，发起 SCK 枚举触发 TCC 注册"); });
    // Nothing can grant the permission from inside the session; look once more in case
    // the environment was mended meanwhile.
    const bool granted = preflight();
    logMessage(LogLevel::info, [&] {
        return QStringLiteral("🔐 权限请求流程: SCK 调用后复核 preflight = ") + (granted ? QStringLiteral("true")
                                                                                          : QStringLiteral("false"));
    });
    if (!granted)
        showScreenCapturePermissionAlert();
    return granted;
}

void showScreenCapturePermissionAlert()
{
    // There is no settings page that could grant it: both buttons only close the alert.
    CaptureAlerts::current().askWarning(localized(QStringLiteral("capture.permission.title")),
                                        localized(DisplayCaptureSource::current().refusalMessageKey()),
                                        localized(QStringLiteral("capture.permission.openSettings")),
                                        localized(QStringLiteral("action.cancel")));
}

} // namespace ScreenCapturePermission
