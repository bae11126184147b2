#pragma once

#include <QByteArray>
#include <QImage>

class QObject;

#include <functional>
#include <optional>

// A finished capture as PNG bytes for the clipboard; absent when encoding failed.
std::optional<QByteArray> encodeCapturePng(const QImage& image);

// Encodes image as PNG on a worker and hands the result to `done` on the thread of
// `context`; nothing is handed back once `context` is gone. Encoding a full screen
// takes milliseconds even on all cores, too long for the main thread.
void encodeCapturePngOffMainThread(const QImage& image, QObject* context,
                                   std::function<void(const std::optional<QByteArray>&)> done);

// Lets a test make encoding fail; an empty function restores the real encoder.
void setCapturePngEncoderForTesting(std::function<std::optional<QByteArray>(const QImage&)> encoder);
