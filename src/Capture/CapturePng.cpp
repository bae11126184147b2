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
    // For PNG Qt maps "quality" 80 to zlib level 1: lossless like every level, about
    // a third faster than the default level on a full screen, and still small (90 and
    // above would store the pixels uncompressed).
    if (!image.save(&buffer, "PNG", 80))
        return std::nullopt;
    return png;
}

void setCapturePngEncoderForTesting(std::function<std::optional<QByteArray>(const QImage&)> encoder)
{
    testEncoder() = std::move(encoder);
}
