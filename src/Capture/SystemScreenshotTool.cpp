#include "Capture/SystemScreenshotTool.h"

#include "Core/Localization.h"
#include "Platform/DesktopPortal.h"
#include "Platform/PortalScreenshot.h"

PortalScreenshotTool::PortalScreenshotTool(QObject* parent)
    : SystemScreenshotTool(parent)
    , m_screenshot(new PortalScreenshot(QDBusConnection::sessionBus(), this))
{
    connect(m_screenshot, &PortalScreenshot::finished, this, &PortalScreenshotTool::taken);
}

bool PortalScreenshotTool::start(QString* error)
{
    if (!QDBusConnection::sessionBus().isConnected()) {
        if (error)
            *error = localized(QStringLiteral("capture.error.reason.noSessionBus"));
        return false;
    }
    if (!DesktopPortal::isPresent(QDBusConnection::sessionBus())) {
        if (error)
            *error = localizedFormat(QStringLiteral("capture.error.reason.noPortal"), {DesktopPortal::service});
        return false;
    }
    return m_screenshot->take(true, timeoutMs);
}

void PortalScreenshotTool::taken(const PortalScreenshotResult& result)
{
    switch (result.outcome) {
    case PortalAnswer::Outcome::answered:
        emit finished(result.image);
        return;
    case PortalAnswer::Outcome::cancelled:
        emit finished(QImage());
        return;
    case PortalAnswer::Outcome::refused:
        emit failed(localized(QStringLiteral("capture.error.reason.portalRefused")));
        return;
    case PortalAnswer::Outcome::unavailable:
    case PortalAnswer::Outcome::failed:
        emit failed(result.error);
        return;
    }
}
