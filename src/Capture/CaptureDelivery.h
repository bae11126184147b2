#pragma once

#include <QDateTime>

#include <optional>

// The one hand-off from a finished capture (already on the clipboard) to the editor.
namespace CaptureDelivery {

// With "captureOpensEditor" on: posts "CaptureDeliveryRequested" now and
// "CaptureClipboardImageReady" 0.3 s later, and notes the time of delivery.
void deliverCapturedImage();

// When the last delivery happened; an editor window created after the notifications
// uses it to paste a capture that is less than 5 s old.
std::optional<QDateTime> lastCaptureDeliveryDate();
void clearLastCaptureDeliveryDate();

} // namespace CaptureDelivery
