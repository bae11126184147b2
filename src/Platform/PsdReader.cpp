#include "Platform/PsdReader.h"

#include <QVector>

#include <algorithm>
#include <cstring>

namespace PsdReader {

namespace {

    // Bounds-checked big-endian reading over the file's bytes. Every read reports
    // failure instead of stepping past the end.
    class Cursor {
    public:
        Cursor(const uchar* data, qsizetype size) : m_data(data), m_size(size) { }

        qsizetype position() const { return m_pos; }
        qsizetype remaining() const { return m_size - m_pos; }

        bool u16(quint32& out)
        {
            if (remaining() < 2)
                return false;
            out = (quint32(m_data[m_pos]) << 8) | quint32(m_data[m_pos + 1]);
            m_pos += 2;
            return true;
        }
        bool u32(quint32& out)
        {
            if (remaining() < 4)
                return false;
            out = (quint32(m_data[m_pos]) << 24) | (quint32(m_data[m_pos + 1]) << 16)
                | (quint32(m_data[m_pos + 2]) << 8) | quint32(m_data[m_pos + 3]);
            m_pos += 4;
            return true;
        }
        bool skip(qint64 count)
        {
            if (count < 0 || count > remaining())
                return false;
            m_pos += qsizetype(count);
            return true;
        }
        // Skips one section that starts with a 32-bit length.
        bool skipSection()
        {
            quint32 length = 0;
            return u32(length) && skip(length);
        }

    private:
        const uchar* m_data;
        qsizetype m_size;
        qsizetype m_pos = 0;
    };

    enum ColorMode : quint32 { grayscale = 1, rgb = 3, cmyk = 4 };

    Result fail(const QString& reason) { return Result { QImage(), reason }; }

    // One sample at full depth: 0...255, or 0...65535 (big-endian) for 16 bits.
    int sampleAt(const uchar* row, int x, int bytesPerSample)
    {
        if (bytesPerSample == 2)
            return (int(row[qsizetype(x) * 2]) << 8) | int(row[qsizetype(x) * 2 + 1]);
        return row[x];
    }

    // Where a merged image has transparency, Photoshop stores its colour composited
    // over white: stored = alpha x colour + (1 - alpha) x white, white being the
    // largest sample (no ink, in CMYK too). This takes the white back out.
    int unmatted(int stored, int alpha, int maximum)
    {
        if (alpha <= 0)
            return 0;
        const qint64 colour = (qint64(stored) - (maximum - alpha)) * maximum;
        return int(std::clamp<qint64>((colour + alpha / 2) / alpha, 0, maximum));
    }

} // namespace

bool hasSignature(const QByteArray& data)
{
    return data.size() >= 4 && std::memcmp(data.constData(), "8BPS", 4) == 0;
}

qsizetype unpackBitsRow(const uchar* in, qsizetype inSize, uchar* out, qsizetype outSize)
{
    qsizetype i = 0;
    qsizetype o = 0;
    while (o < outSize) {
        if (i >= inSize)
            return -1;
        const int n = static_cast<signed char>(in[i++]);
        if (n >= 0) {
            const qsizetype count = n + 1;
            if (count > inSize - i || count > outSize - o)
                return -1;
            std::memcpy(out + o, in + i, size_t(count));
            i += count;
            o += count;
        } else if (n != -128) {
            const qsizetype count = 1 - n;
            if (i >= inSize || count > outSize - o)
                return -1;
            std::memset(out + o, in[i++], size_t(count));
            o += count;
        }
    }
    return i;
}

Result read(const QByteArray& file, qint64 maxBytes)
{
    const auto* bytes = reinterpret_cast<const uchar*>(file.constData());
    Cursor cur(bytes, file.size());

    if (!hasSignature(file) || !cur.skip(4))
        return fail(QStringLiteral("not a PSD file"));
    quint32 version = 0, channels = 0, height = 0, width = 0, depth = 0, mode = 0;
    if (!cur.u16(version) || !cur.skip(6) || !cur.u16(channels) || !cur.u32(height) || !cur.u32(width)
        || !cur.u16(depth) || !cur.u16(mode))
        return fail(QStringLiteral("truncated header"));
    if (version != 1)
        return fail(QStringLiteral("unsupported PSD version %1").arg(version));
    if (channels < 1 || channels > 56)
        return fail(QStringLiteral("invalid channel count %1").arg(channels));
    if (width < 1 || height < 1 || width > quint32(maxSide) || height > quint32(maxSide))
        return fail(QStringLiteral("invalid size %1x%2").arg(width).arg(height));
    if (depth != 8 && depth != 16)
        return fail(QStringLiteral("unsupported depth %1").arg(depth));
    if (qint64(width) * qint64(height) * 4 > maxBytes)
        return fail(QStringLiteral("image too large %1x%2").arg(width).arg(height));

    quint32 colorChannels = 0;
    switch (mode) {
    case grayscale:
        colorChannels = 1;
        break;
    case rgb:
        colorChannels = 3;
        break;
    case cmyk:
        colorChannels = 4;
        break;
    default:
        return fail(QStringLiteral("unsupported colour mode %1").arg(mode));
    }
    if (channels < colorChannels)
        return fail(QStringLiteral("too few channels (%1) for colour mode %2").arg(channels).arg(mode));

    // Colour mode data, image resources.
    if (!cur.skipSection() || !cur.skipSection())
        return fail(QStringLiteral("truncated section"));
    // Layer and mask information: only its layer count matters here. A negative count
    // says the first extra channel is the merged image's transparency (and its colour
    // is matted on white); with layers counted positively the extra channels are
    // channels of the document (saved selections, spot colours), not transparency.
    quint32 layerSectionLength = 0;
    if (!cur.u32(layerSectionLength) || layerSectionLength > quint64(cur.remaining()))
        return fail(QStringLiteral("truncated section"));
    const qsizetype layerSectionEnd = cur.position() + qsizetype(layerSectionLength);
    int layerCount = 0;
    quint32 layerInfoLength = 0;
    quint32 count = 0;
    if (layerSectionLength >= 6 && cur.u32(layerInfoLength) && layerInfoLength >= 2 && cur.u16(count))
        layerCount = int(qint16(quint16(count)));
    if (!cur.skip(layerSectionEnd - cur.position()))
        return fail(QStringLiteral("truncated section"));
    const bool hasAlpha = channels > colorChannels && layerCount <= 0;
    const bool matted = hasAlpha && layerCount < 0;
    const int used = int(colorChannels + (hasAlpha ? 1 : 0));
    quint32 compression = 0;
    if (!cur.u16(compression))
        return fail(QStringLiteral("missing image data"));

    const int bytesPerSample = int(depth / 8);
    const qsizetype rowBytes = qsizetype(width) * bytesPerSample;
    const int w = int(width);
    const int h = int(height);

    // Where each row of each used channel starts, and how long it is in the file.
    QVector<qsizetype> rowOffset(qsizetype(used) * h);
    QVector<qsizetype> rowLength(qsizetype(used) * h);
    if (compression == 0) {
        const qint64 planeBytes = qint64(rowBytes) * h;
        if (qint64(used) * planeBytes > cur.remaining())
            return fail(QStringLiteral("truncated raw image data"));
        for (int c = 0; c < used; ++c)
            for (int y = 0; y < h; ++y) {
                rowOffset[qsizetype(c) * h + y] = cur.position() + qsizetype(c) * planeBytes + qsizetype(y) * rowBytes;
                rowLength[qsizetype(c) * h + y] = rowBytes;
            }
    } else if (compression == 1) {
        const qint64 tableEntries = qint64(channels) * h;
        if (tableEntries * 2 > cur.remaining())
            return fail(QStringLiteral("truncated row table"));
        const qsizetype tableStart = cur.position();
        qint64 offset = tableStart + tableEntries * 2;
        for (qint64 entry = 0; entry < tableEntries; ++entry) {
            const qsizetype at = tableStart + qsizetype(entry) * 2;
            const qint64 length = (qint64(bytes[at]) << 8) | qint64(bytes[at + 1]);
            if (offset + length > file.size())
                return fail(QStringLiteral("truncated compressed image data"));
            if (entry < qint64(used) * h) {
                rowOffset[qsizetype(entry)] = qsizetype(offset);
                rowLength[qsizetype(entry)] = qsizetype(length);
            }
            offset += length;
        }
    } else {
        return fail(QStringLiteral("unsupported compression %1").arg(compression));
    }

    QImage image(w, h, hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return fail(QStringLiteral("out of memory for %1x%2").arg(w).arg(h));

    const int maximum = bytesPerSample == 2 ? 65535 : 255;
    // Full-depth samples to 8 bits, rounded.
    const auto to8 = [maximum](int value) { return (value * 255 + maximum / 2) / maximum; };
    QVector<QByteArray> rows(used, QByteArray(rowBytes, Qt::Uninitialized));
    for (int y = 0; y < h; ++y) {
        const uchar* channelRow[5] = {};
        for (int c = 0; c < used; ++c) {
            const qsizetype index = qsizetype(c) * h + y;
            const uchar* src = bytes + rowOffset[index];
            if (compression == 0) {
                channelRow[c] = src;
            } else {
                auto* dst = reinterpret_cast<uchar*>(rows[c].data());
                if (unpackBitsRow(src, rowLength[index], dst, rowBytes) < 0)
                    return fail(QStringLiteral("corrupt compressed row %1 of channel %2").arg(y).arg(c));
                channelRow[c] = dst;
            }
        }
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int alpha = hasAlpha ? sampleAt(channelRow[used - 1], x, bytesPerSample) : maximum;
            // Colour channel c at this pixel, at 8 bits, the matte removed first at full depth.
            auto colour = [&](int c) {
                const int stored = sampleAt(channelRow[c], x, bytesPerSample);
                return to8(matted ? unmatted(stored, alpha, maximum) : stored);
            };
            int r, g, b;
            if (mode == grayscale) {
                r = g = b = colour(0);
            } else if (mode == rgb) {
                r = colour(0);
                g = colour(1);
                b = colour(2);
            } else {
                // PSD stores CMYK inverted: 255 means no ink.
                const int k = colour(3);
                r = colour(0) * k / 255;
                g = colour(1) * k / 255;
                b = colour(2) * k / 255;
            }
            out[x] = qRgba(r, g, b, to8(alpha));
        }
    }
    if (hasAlpha)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return Result { image, QString() };
}

} // namespace PsdReader
