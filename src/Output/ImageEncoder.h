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

// zlib level used for every PNG we write (files and the clipboard): the fastest
// level whose output stays within 10% of the smallest. Measured with
// bench_output (BM_PngLevel, two runs on a loaded 8-core machine, CPU time):
//   desktop screenshot 2560x1600: level 1 1.229 MB 122-178 ms, 2 1.197 MB
//   121-177 ms, 3 1.177 MB, 6 1.186 MB 202-238 ms, 9 1.142 MB 1288-1401 ms;
//   photo 2400x1600: level 1 5.749 MB 241-347 ms, 2 5.814 MB 268-363 ms,
//   4 6.583 MB (over 10%), 6 5.701 MB 1456-1529 ms, 9 5.630 MB 2696-2703 ms.
// Level 1 is within 8% (screenshot) and 2% (photo) of level 9 and the fastest.
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
