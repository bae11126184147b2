#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Reads the merged (composite) image that Photoshop stores after the layers of a
// PSD file. Only the flattened picture is read; layers are ignored.
//
// Supported: raw and PackBits image data; 8 and 16 bits per channel; RGB, greyscale
// and CMYK, with the transparency of the merged image when the file has it (its
// colour, which Photoshop mattes on white there, is unmatted). Every length, offset and size
// is checked against the file: anything that does not fit yields a null image and a
// reason, never a read outside the buffer.
namespace PsdReader {

struct Result {
    QImage image;  // null on failure
    QString error; // why the file was refused; empty on success
};

// Largest side accepted (the format's own limit for version 1 files).
inline constexpr int maxSide = 30000;
// Largest file: version 1 files end at 2 GB (larger documents are PSB, version 2).
inline constexpr qint64 maxFileBytes = qint64(2048) * 1024 * 1024;

// True when the data starts with the PSD signature.
bool hasSignature(const QByteArray& data);

// Decodes the merged image. `maxBytes` bounds the decoded image (4 bytes a pixel) so
// that a header claiming a huge picture is refused before anything is allocated.
Result read(const QByteArray& data, qint64 maxBytes);

// PackBits decoding of one row into exactly `outSize` bytes. Returns the number of
// input bytes consumed, or -1 when the input is short, overruns the row or the
// row is not filled completely.
qsizetype unpackBitsRow(const uchar* in, qsizetype inSize, uchar* out, qsizetype outSize);

} // namespace PsdReader
