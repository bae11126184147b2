#include "Capture/SystemScreenshotTool.h"

#include "Base/Logger.h"
#include "Core/Localization.h"
#include "Platform/DesktopPortal.h"
#include "Platform/PortalScreenshot.h"

PortalScreenshotTool::PortalScreenshotTool(QDBusConnection bus, std::function<bool(const QString&)> programExists,
                                           QObject* parent)
    : SystemScreenshotTool(parent)
    , m_bus(std::move(bus))
    , m_programExists(std::move(programExists))
    , m_screenshot(new PortalScreenshot(m_bus, this))
{
    connect(m_screenshot, &PortalScreenshot::finished, this, &PortalScreenshotTool::taken);
}

bool PortalScreenshotTool::start(QString* error)
{
    if (!m_bus.isConnected()) {
        if (error)
            *error = localized(QStringLiteral("capture.error.reason.noSessionBus"));
        return false;
    }
    if (!DesktopPortal::isPresent(m_bus)) {
        if (error)
            *error = localizedFormat(QStringLiteral("capture.error.reason.noPortal"), {DesktopPortal::service});
        return false;
    }
    // Known missing at once where the portal's backend already runs: no point in making
    // the user wait for the portal to give up.
    if (const std::optional<QString> reason = missingPickerReason()) {
        if (error)
            *error = *reason;
        return false;
    }
    return m_screenshot->take(true, timeoutMs);
}

std::optional<QString> PortalScreenshotTool::missingPickerReason() const
{
    if (const std::optional<QString> program = PortalScreenshot::missingPickerProgram(m_bus, m_programExists))
        return localizedFormat(QStringLiteral("capture.error.reason.pickerMissing"), {*program});
    return std::nullopt;
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
        if (const std::optional<QString> reason = missingPickerReason()) {
            emit failed(*reason);
        } else if (const std::optional<QString> picker = PortalScreenshot::pickerProgram(m_bus)) {
            // The picker ends alike on Escape and on failure, and the portal passes that on
            // as a refusal: most likely the user cancelled, which asks for no alert.
            Logger::shared().log(LogLevel::info, [&] {
                return QStringLiteral("📸 The desktop's picker (%1) ended without a choice: cancelled").arg(*picker);
            });
            emit finished(QImage());
        } else {
            emit failed(localized(QStringLiteral("capture.error.reason.portalRefused")));
        }
        return;
    case PortalAnswer::Outcome::unavailable:
    case PortalAnswer::Outcome::failed:
        emit failed(missingPickerReason().value_or(result.error));
        return;
    case PortalAnswer::Outcome::notAnswering:
        emit notAnswering();
        return;
    }
}
