#include "Capture/CapturePng.h"

#include "Base/OffMainThread.h"
#include "Output/ImageEncoder.h"

#include <QObject>

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
    QByteArray png = ImageEncoding::encodePng(image);
    if (png.isEmpty())
        return std::nullopt;
    return png;
}

void encodeCapturePngOffMainThread(const QImage& image, QObject* context,
                                   std::function<void(const std::optional<QByteArray>&)> done)
{
    // The worker only reads the pixels; callers hand over images nobody writes to
    // meanwhile (a crop of its own, or the tool's finished picture).
    OffMainThread::run(
        context, [image] { return encodeCapturePng(image); },
        [done = std::move(done)](const std::optional<QByteArray>& png) { done(png); });
}

void setCapturePngEncoderForTesting(std::function<std::optional<QByteArray>(const QImage&)> encoder)
{
    testEncoder() = std::move(encoder);
}
