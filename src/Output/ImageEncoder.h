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

// libdeflate level (0-12) of every PNG we write (files and the clipboard): the
// fastest level at which every screenshot of bench_png's corpus stays within 3%
// of ImageMagick's default PNG. Level 5 leaves windows with text 4.9% over;
// level 6 puts them 1.4% and a 5K desktop 2.5% over, everything else under;
// level 7 costs 40% more time for 2-4% less. CPU time of all threads, on an
// 8-core machine under a load of 20 (BM_PngLevel), level 5 / 6 / 7:
//   windows with text 1920x1080   33 / 43 / 59 ms, 335 / 324 / 310 kB
//   5120x2880 desktop             219 / 214 / 305 ms, 1335 / 1289 / 1242 kB
//   photo in a window 1920x1080   130 / 139 / 159 ms, 1663 / 1638 / 1614 kB
// A photo wallpaper 1920x1080 is 4.0% over at level 5 and 1.2% over at level 6
// (171 / 232 ms).
inline constexpr int pngCompressionLevel = 6;

// Our own PNG writer (PngEncoder.cpp), on all cores. Opaque images are stored
// as RGB, others with straight alpha; at most 256 colours as a palette when
// that is smaller. The colour profile and density are kept. Empty when the
// image is null or memory ran out. Formats of 16 bits per channel are stored
// with 8 (nothing Lumetra encodes has more).
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
