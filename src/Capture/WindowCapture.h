#pragma once

#include "Platform/WindowImageSource.h"
#include "Platform/WindowList.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>
#include <variant>

class WindowPickerOverlayController;

// The capture of a picked window: its own picture, set on the shadow canvas, as PNG on
// the clipboard, then the delivery; a failure says why and puts the hidden windows back.
namespace WindowCapture {

struct Result {
    QImage image;  // device pixels
    double scale;  // pixels per point of the window's display
};

// The window's picture at its display's scale, or why there is none.
std::variant<Result, WindowImageError> captureWindowImage(const WindowRecord& window);

struct EncodedCanvas {
    std::optional<QByteArray> png;
    QSize canvasSize;
};
// The shadow canvas (the plain picture when no canvas can be made) as PNG.
EncodedCanvas encodeCanvas(const QImage& image, double scale);

// The whole capture of a picked window, ending in the controller's restore (success)
// or its session end with restore and the failure alert. The canvas and its PNG are
// made on a worker.
void run(const WindowRecord& window, WindowPickerOverlayController* controller);

} // namespace WindowCapture
