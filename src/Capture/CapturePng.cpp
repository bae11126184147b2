#include "Capture/CapturePng.h"

#include <QBuffer>

namespace {
std::function<std::optional<QByteArray>(const QImage&)>& testEncoder()
{
    static std::function<std::optional<QByteArray>(const QImage&)> encoder;
    return encoder;
}
} // namespace

std::optional<QByteArray> encodeCapturePng(const QImage& image)
{
    if (testEncoder())
        return testEncoder()(image);
    if (image.isNull())
        return std::nullopt;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    // A high "quality" means light zlib compression for PNG: still lossless, and a
    // full-screen capture reaches the clipboard without a noticeable pause.
    if (!image.save(&buffer, "PNG", 90))
        return std::nullopt;
    return png;
}

void setCapturePngEncoderForTesting(std::function<std::optional<QByteArray>(const QImage&)> encoder)
{
    testEncoder() = std::move(encoder);
}
