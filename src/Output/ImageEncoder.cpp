#include "Output/ImageEncoder.h"

#include "Output/ExportFormats.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

int qualityPercent(double quality)
{
    if (!std::isfinite(quality))
        return 90;
    return static_cast<int>(std::lround(std::clamp(quality, 0.0, 1.0) * 100.0));
}

EncodeResult writeWithQt(const QImage& image, const char* format, int quality, int compression = -1)
{
    EncodeResult result;
    QBuffer buffer(&result.data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (compression >= 0)
        writer.setCompression(compression);
    if (!writer.write(image)) {
        result.data.clear();
        result.error = EncodeError::encoderFailed;
        result.detail = writer.errorString();
    }
    return result;
}

// JPEG keeps no alpha: what was transparent becomes white, as on paper,
// rather than the black that dropping the alpha channel would leave.
QImage onWhite(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return image;
    QImage opaque(image.size(), QImage::Format_RGB32);
    if (opaque.isNull())
        return {};
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    QImage source = image;
    if (source.devicePixelRatio() != 1.0)
        source.setDevicePixelRatio(1.0);
    painter.drawImage(QPoint(0, 0), source);
    painter.end();
    return opaque;
}

} // namespace

QByteArray ImageEncoding::encodeTiff(const QImage& image)
{
    return writeWithQt(image, "tiff", -1, 1 /* LZW */).data;
}

EncodeResult encodeImage(double quality, const QImage& bitmap, const QString& extension)
{
    if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
        return {{}, EncodeError::emptyImage, QStringLiteral("empty image")};

    const QString formatId = ExportFormats::formatIdForExtension(extension);
    if (formatId == QLatin1String("jpeg")) {
        const QImage opaque = onWhite(bitmap);
        if (opaque.isNull())
            return {{}, EncodeError::encoderFailed, QStringLiteral("out of memory")};
        return writeWithQt(opaque, "jpeg", qualityPercent(quality));
    }
    if (formatId == QLatin1String("tiff")) {
        EncodeResult result;
        result.data = ImageEncoding::encodeTiff(bitmap);
        if (result.data.isEmpty())
            result.error = EncodeError::encoderFailed;
        return result;
    }
    if (formatId == QLatin1String("heic"))
        return encodeHeic(bitmap, quality);
    if (formatId == QLatin1String("pdf"))
        return encodePdf(bitmap);
    if (formatId == QLatin1String("webp")) {
        if (bitmap.width() > ImageEncoding::webpMaximumSide || bitmap.height() > ImageEncoding::webpMaximumSide)
            return {{}, EncodeError::webpTooLarge,
                    QStringLiteral("%1x%2 exceeds WebP's 16383 pixel limit").arg(bitmap.width()).arg(bitmap.height())};
        if (!ExportFormats::isWebPEncodingAvailable())
            return {{}, EncodeError::encoderFailed, QStringLiteral("no WebP encoder")};
        return writeWithQt(bitmap, "webp", qualityPercent(quality));
    }
    EncodeResult result;
    result.data = ImageEncoding::encodePng(bitmap);
    if (result.data.isEmpty())
        result.error = EncodeError::encoderFailed;
    return result;
}
