#include "Capture/CaptureAlerts.h"

#include "Core/Localization.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

class DialogAlerts final : public CaptureAlerts {
public:
    void showWarning(const QString& title, const QString& text) override
    {
        QMessageBox box(QMessageBox::Warning, title, title, QMessageBox::Ok);
        box.setInformativeText(text);
        box.activateWindow();
        box.exec();
    }

    void showInformation(const QString& title) override
    {
        QMessageBox box(QMessageBox::Information, title, title, QMessageBox::Ok);
        box.activateWindow();
        box.exec();
    }

    bool askWarning(const QString& title, const QString& text, const QString& acceptButton,
                    const QString& cancelButton) override
    {
        QMessageBox box(QMessageBox::Warning, title, title);
        box.setInformativeText(text);
        QPushButton* accept = box.addButton(acceptButton, QMessageBox::AcceptRole);
        box.addButton(cancelButton, QMessageBox::RejectRole);
        box.setDefaultButton(accept);
        box.activateWindow();
        box.exec();
        return box.clickedButton() == static_cast<QAbstractButton*>(accept);
    }
};

CaptureAlerts* installed = nullptr;

} // namespace

CaptureAlerts& CaptureAlerts::current()
{
    static DialogAlerts dialogs;
    return installed ? *installed : dialogs;
}

void CaptureAlerts::setForTesting(CaptureAlerts* alerts)
{
    installed = alerts;
}

void showCaptureToolError(const QString& reason)
{
    QString text = localized(QStringLiteral("capture.error.failed"));
    if (!reason.isEmpty())
        text += QStringLiteral("\n(") + reason + QLatin1Char(')');
    CaptureAlerts::current().showWarning(localized(QStringLiteral("capture.error.title")), text);
}

void showCaptureFailed(const QString& reason)
{
    CaptureAlerts::current().showWarning(localized(QStringLiteral("capture.error.title")),
                                         localizedFormat(QStringLiteral("capture.error.captureFailed"), {reason}));
}

void showDesktopNotAnswering()
{
    // The alert runs modally: a capture asked for meanwhile gives up under it, and the
    // open alert is its answer too.
    static bool open = false;
    if (open)
        return;
    open = true;
    showCaptureFailed(localized(QStringLiteral("capture.error.reason.portalNotAnswering")));
    open = false;
}
