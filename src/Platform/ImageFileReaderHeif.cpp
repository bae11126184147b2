#include "Platform/ImageFileReader.h"

#include "Platform/HeifHandles.h"

#include <cstring>

namespace ImageFileReader {

namespace {

    QString describe(const heif_error& error)
    {
        return QString::fromUtf8(error.message ? error.message : "unknown libheif error");
    }

} // namespace

bool looksLikeHeif(const QByteArray& data)
{
    if (data.size() < 12)
        return false;
    const auto result = heif_check_filetype(reinterpret_cast<const uint8_t*>(data.constData()),
        int(std::min<qsizetype>(data.size(), 64)));
    return result == heif_filetype_yes_supported;
}

Result readHeif(const QByteArray& data)
{
    HeifContextPtr context(heif_context_alloc());
    if (!context)
        return { QImage(), QStringLiteral("libheif context could not be created") };
    // libheif checks box sizes itself; the size limit keeps a forged header from
    // asking for more memory than any image we accept.
    heif_context_set_maximum_image_size_limit(context.get(), 65535);

    heif_error error = heif_context_read_from_memory_without_copy(context.get(), data.constData(), size_t(data.size()), nullptr);
    if (error.code != heif_error_Ok)
        return { QImage(), describe(error) };

    heif_image_handle* rawHandle = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    HeifImageHandlePtr handle(rawHandle);
    if (error.code != heif_error_Ok || !handle)
        return { QImage(), describe(error) };

    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (width <= 0 || height <= 0)
        return { QImage(), QStringLiteral("invalid HEIF image size") };
    if (qint64(width) * qint64(height) * 4 > maxDecodedBytes)
        return { QImage(), QStringLiteral("HEIF image too large %1x%2").arg(width).arg(height) };

    const bool hasAlpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    heif_image* rawImage = nullptr;
    error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
        hasAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr);
    HeifImagePtr decoded(rawImage);
    if (error.code != heif_error_Ok || !decoded)
        return { QImage(), describe(error) };

    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    const int planeWidth = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int planeHeight = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    const int bytesPerPixel = hasAlpha ? 4 : 3;
    if (!plane || planeWidth <= 0 || planeHeight <= 0 || stride < planeWidth * bytesPerPixel)
        return { QImage(), QStringLiteral("HEIF decoder returned no pixels") };

    QImage image(planeWidth, planeHeight, hasAlpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (image.isNull())
        return { QImage(), QStringLiteral("out of memory for %1x%2").arg(planeWidth).arg(planeHeight) };
    for (int y = 0; y < planeHeight; ++y)
        std::memcpy(image.scanLine(y), plane + qsizetype(y) * stride, size_t(planeWidth) * bytesPerPixel);
    image.convertTo(hasAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    return { image, QString() };
}

} // namespace ImageFileReader
