#pragma once

#include <QString>

// The modal alerts of screen capture. Tests install a recorder instead of real dialogs.
class CaptureAlerts {
public:
    virtual ~CaptureAlerts() = default;

    static CaptureAlerts& current();
    // nullptr puts the dialogs back.
    static void setForTesting(CaptureAlerts* alerts);

    // A warning with one button.
    virtual void showWarning(const QString& title, const QString& text) = 0;
    // A notice with one button and no further text.
    virtual void showInformation(const QString& title) = 0;
    // A warning with an accept and a cancel button; true when accepted.
    virtual bool askWarning(const QString& title, const QString& text, const QString& acceptButton,
                            const QString& cancelButton)
        = 0;
};

// The system screenshot tool could not be started: says so, with the reason.
void showCaptureToolError(const QString& reason);
// A capture that was under way failed (grab, crop, encoding): says the capture failed,
// with the reason (a localised sentence), and does not blame the system tool.
void showCaptureFailed(const QString& reason);
// The desktop's screenshot service stopped answering: says so, once for every capture
// that gave up while the alert is open.
void showDesktopNotAnswering();
