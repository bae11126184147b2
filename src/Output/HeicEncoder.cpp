#include "Output/ImageEncoder.h"

#include "Platform/HeifHandles.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

EncodeResult failure(EncodeError error, const QString& what, const heif_error& heifError)
{
    QString detail = what;
    if (heifError.message && *heifError.message)
        detail += QStringLiteral(": ") + QString::fromUtf8(heifError.message);
    return {{}, error, detail};
}

heif_error appendToByteArray(heif_context*, const void* data, size_t size, void* userdata)
{
    auto* bytes = static_cast<QByteArray*>(userdata);
    bytes->append(static_cast<const char*>(data), static_cast<qsizetype>(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "Success"};
}

bool hasTransparentPixel(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return false;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(row[x]) != 255)
                return true;
        }
    }
    return false;
}

} // namespace

EncodeResult encodeHeic(const QImage& image, double quality)
{
    if (image.isNull())
        return {{}, EncodeError::emptyImage, QStringLiteral("empty image")};
    const HeifLibrary::Functions* heif = HeifLibrary::get();
    if (!heif)
        return {{}, EncodeError::heicUnavailable, QStringLiteral("libheif cannot be loaded")};
    if (!heif->heif_have_encoder_for_format(heif_compression_HEVC))
        return {{}, EncodeError::heicUnavailable, QStringLiteral("libheif has no HEVC encoder")};

    HeifContextPtr context(heif->heif_context_alloc());
    if (!context)
        return {{}, EncodeError::encoderFailed, QStringLiteral("cannot allocate a HEIF context")};

    heif_encoder* rawEncoder = nullptr;
    heif_error error = heif->heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder);
    HeifEncoderPtr encoder(rawEncoder);
    if (error.code != heif_error_Ok || !encoder)
        return failure(EncodeError::heicUnavailable, QStringLiteral("no HEVC encoder"), error);

    const int percent = std::isfinite(quality) ? static_cast<int>(std::lround(std::clamp(quality, 0.0, 1.0) * 100)) : 90;
    heif->heif_encoder_set_lossy_quality(encoder.get(), percent);
    heif->heif_encoder_set_lossless(encoder.get(), 0);
    // x265's "medium" preset halves the time of libheif's default ("slow") on
    // a 5K screenshot for about 6% more bytes; an export should not keep the
    // user waiting for seconds. A plugin without the parameter keeps its default.
    heif->heif_encoder_set_parameter_string(encoder.get(), "preset", "medium");

    // Opaque pictures go without an alpha plane, which would only add bytes.
    const bool withAlpha = hasTransparentPixel(image);
    const QImage pixels = image.convertToFormat(withAlpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (pixels.isNull())
        return {{}, EncodeError::encoderFailed, QStringLiteral("out of memory")};

    heif_image* rawImage = nullptr;
    error = heif->heif_image_create(pixels.width(), pixels.height(), heif_colorspace_RGB,
                              withAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &rawImage);
    HeifImagePtr heifImage(rawImage);
    if (error.code != heif_error_Ok || !heifImage)
        return failure(EncodeError::encoderFailed, QStringLiteral("cannot create the HEIF image"), error);

    error = heif->heif_image_add_plane(heifImage.get(), heif_channel_interleaved, pixels.width(), pixels.height(), 8);
    if (error.code != heif_error_Ok)
        return failure(EncodeError::encoderFailed, QStringLiteral("cannot add the pixel plane"), error);

    int stride = 0;
    uint8_t* plane = heif->heif_image_get_plane(heifImage.get(), heif_channel_interleaved, &stride);
    if (!plane)
        return {{}, EncodeError::encoderFailed, QStringLiteral("no pixel plane")};
    const size_t rowBytes = static_cast<size_t>(pixels.width()) * (withAlpha ? 4 : 3);
    for (int y = 0; y < pixels.height(); ++y)
        std::memcpy(plane + static_cast<size_t>(y) * stride, pixels.constScanLine(y), rowBytes);

    HeifEncodingOptionsPtr options(heif->heif_encoding_options_alloc());
    if (options)
        options->save_alpha_channel = withAlpha ? 1 : 0;

    heif_image_handle* rawHandle = nullptr;
    error = heif->heif_context_encode_image(context.get(), heifImage.get(), encoder.get(), options.get(), &rawHandle);
    HeifImageHandlePtr handle(rawHandle);
    if (error.code != heif_error_Ok)
        return failure(EncodeError::encoderFailed, QStringLiteral("HEVC encoding failed"), error);

    EncodeResult result;
    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = &appendToByteArray;
    error = heif->heif_context_write(context.get(), &writer, &result.data);
    if (error.code != heif_error_Ok || result.data.isEmpty())
        return failure(EncodeError::encoderFailed, QStringLiteral("cannot write the HEIF file"), error);
    return result;
}
