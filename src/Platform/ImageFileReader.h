#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>
#include <utility>

// Decodes image files and image data for the editor: PNG, JPEG, TIFF, GIF, BMP and
// WebP through Qt's readers (EXIF orientation applied), HEIC/HEIF through libheif, and
// the merged image of PSD files through our own reader. The format is decided from
// the content, never from the file name. Safe to call from any thread.
//
// Results are ARGB32 premultiplied, or RGB32 when the image has no alpha, at a device
// pixel ratio of 1. Damaged, truncated or hostile input gives a null image and a
// reason; it never crashes and never allocates more than `maxDecodedBytes`.
namespace ImageFileReader {

struct Result {
    Result() = default;
    Result(QImage image, QString error, int systemError = 0)
        : image(std::move(image)), error(std::move(error)), systemError(systemError) { }

    QImage image;  // null on failure
    QString error; // empty on success
    // Where the system refused the file itself (no permission to read it, gone): its
    // errno; 0 when the file opened and what failed was reading it as an image.
    int systemError = 0;

    bool ok() const { return !image.isNull(); }
};

// Admits a 20000 x 20000 image at 4 bytes a pixel, with some room to spare.
inline constexpr qint64 maxDecodedBytes = qint64(2048) * 1024 * 1024;

// Asked from the decoding thread before each stage of a read and while it reads: true
// once the image is no longer wanted (a newer load took its place). The read then
// stops and gives a null image.
using Superseded = std::function<bool()>;

Result readFile(const QString& path, const Superseded& superseded = {});
Result readData(const QByteArray& data, const Superseded& superseded = {});

// The HEIF path alone (also used by readData when the content is HEIF). libheif runs in
// a separate program (lumetra-heif-decoder) with capped memory and time: a file that
// makes the library fault, hang or ask for gigabytes costs the image, never this process.
Result readHeif(const QByteArray& data, const Superseded& superseded = {});
// The same for an open file: the program reads it from the descriptor (from its start).
Result readHeifFile(int fd, const Superseded& superseded = {});
bool looksLikeHeif(const QByteArray& data);
// The decoding program found beside this one, installed, or in the build; empty if none.
QString heifDecoderProgram();
// readHeif through a given program and deadline (tests stand in misbehaving programs).
Result readHeifWith(const QString& decoderProgram, const QByteArray& data, int timeoutMs,
                    const Superseded& superseded = {});

} // namespace ImageFileReader
