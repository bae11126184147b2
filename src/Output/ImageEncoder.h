#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Why an image could not be encoded.
enum class EncodeError {
    none,
    emptyImage,
    webpTooLarge,    // WebP cannot hold a side over 16383 pixels
    heicUnavailable, // no HEVC encoder in this libheif
    encoderFailed,
};

struct EncodeResult {
    QByteArray data;   // empty on failure
    EncodeError error = EncodeError::none;
    QString detail;    // the encoder's own words, for the log

    bool ok() const { return error == EncodeError::none && !data.isEmpty(); }
};

namespace ImageEncoding {

inline constexpr int webpMaximumSide = 16383;

// zlib level used for every PNG we write (files and the clipboard). Measured on
// a 2560x1600 desktop screenshot and a 2400x1600 photo-like image: level 1 was
// within 10% of the smallest size while being the fastest; see the benchmark
// notes in bench/bench_output.cpp.
inline constexpr int pngCompressionLevel = 1;

// The QImageWriter quality that makes Qt's PNG writer use zlib `level` (0-9).
int pngQualityForLevel(int level);

QByteArray encodePng(const QImage& image, int level = pngCompressionLevel);
// LZW-compressed, alpha kept.
QByteArray encodeTiff(const QImage& image);

} // namespace ImageEncoding

// Encodes the bitmap in the format its destination's extension names (any
// case): jpg/jpeg, tif/tiff, heic, pdf, webp; PNG for anything else. `quality`
// (0...1) applies to JPEG, HEIC and WebP. JPEG has no alpha, so transparent
// pixels are composited on white. Safe on any thread.
EncodeResult encodeImage(double quality, const QImage& bitmap, const QString& extension);

// HEIC through libheif's HEVC encoder; odd sizes and tall images included.
EncodeResult encodeHeic(const QImage& image, double quality);
// One page the size of the image (one pixel = one point), stored losslessly.
EncodeResult encodePdf(const QImage& image);
