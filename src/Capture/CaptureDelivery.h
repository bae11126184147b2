#pragma once

#include <QByteArray>
#include <QDateTime>

#include <optional>

// The one hand-off from a finished capture (already on the clipboard) to the editor.
namespace CaptureDelivery {

// Puts a finished capture (PNG) on the clipboard in place of whatever was there. False,
// with a warning logged, when it may not have got there: a Wayland compositor without
// data-control takes a clipboard only from the program the user used last, which
// afterOwnInput (the capture was chosen in Lumetra's own overlay) vouches for. The next
// delivery then tells the user that the capture may be only in Lumetra.
bool putOnClipboard(const QByteArray& png, bool afterOwnInput);

// With "captureOpensEditor" on: posts "CaptureDeliveryRequested" now and
// "CaptureClipboardImageReady" 0.3 s later, and notes the time of delivery.
void deliverCapturedImage();

// When the last delivery happened; an editor window created after the notifications
// uses it to paste a capture that is less than 5 s old.
std::optional<QDateTime> lastCaptureDeliveryDate();
void clearLastCaptureDeliveryDate();

} // namespace CaptureDelivery
