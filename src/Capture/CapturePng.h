#pragma once

#include <QByteArray>
#include <QImage>

#include <functional>
#include <optional>

// A finished capture as PNG bytes for the clipboard; absent when encoding failed.
std::optional<QByteArray> encodeCapturePng(const QImage& image);

// Lets a test make encoding fail; an empty function restores the real encoder.
void setCapturePngEncoderForTesting(std::function<std::optional<QByteArray>(const QImage&)> encoder);
