#pragma once

// Builds PSD files in memory for the reader's tests: a header, empty sections and the
// merged image data, raw or PackBits, as Photoshop lays them out.

#include <QByteArray>
#include <QVector>
#include <QtEndian>

#include <functional>

namespace PsdTestFiles {

inline void put16(QByteArray& out, quint32 v) { out.append(char((v >> 8) & 0xff)).append(char(v & 0xff)); }
inline void put32(QByteArray& out, quint32 v) { put16(out, v >> 16), put16(out, v & 0xffff); }

// PackBits: a repeat packet for every run of equal bytes, a one-byte literal for the rest.
inline QByteArray packBits(const QByteArray& row)
{
    QByteArray out;
    for (qsizetype i = 0; i < row.size();) {
        qsizetype run = 1;
        while (i + run < row.size() && run < 128 && row[i + run] == row[i])
            ++run;
        out.append(char(run > 1 ? 1 - run : 0)).append(row[i]);
        i += run;
    }
    return out;
}

struct Recipe {
    int width = 4;
    int height = 3;
    int channels = 3;
    int depth = 8;
    int mode = 3; // 1 grey, 3 RGB, 4 CMYK
    int compression = 0;
    // The layer count in the layer and mask section; 0 leaves the section empty. As
    // Photoshop writes it: negative when the first extra channel is the transparency
    // of the merged image, positive for a document of layers.
    int layerCount = 0;
    // Sample value of channel c at (x, y), 0...255 (16-bit files repeat it in both bytes).
    std::function<int(int c, int x, int y)> sample = [](int c, int x, int y) { return (c * 60 + x * 20 + y * 7) & 0xff; };
};

inline QByteArray build(const Recipe& s)
{
    QByteArray out("8BPS");
    put16(out, 1);
    out.append(QByteArray(6, '\0'));
    put16(out, quint32(s.channels));
    put32(out, quint32(s.height));
    put32(out, quint32(s.width));
    put16(out, quint32(s.depth));
    put16(out, quint32(s.mode));
    put32(out, 0); // colour mode data
    put32(out, 4); // image resources: a few bytes that the reader must skip
    out.append("abcd", 4);
    if (s.layerCount == 0) {
        put32(out, 0); // layer and mask information
    } else {
        put32(out, 4 + 2 + 8);
        put32(out, 2 + 8); // layer information: the count, then records the reader skips
        put16(out, quint32(quint16(qint16(s.layerCount))));
        out.append("records!", 8);
    }
    put16(out, quint32(s.compression));

    const int bps = s.depth / 8;
    QVector<QByteArray> rows;
    for (int c = 0; c < s.channels; ++c)
        for (int y = 0; y < s.height; ++y) {
            QByteArray row;
            for (int x = 0; x < s.width; ++x)
                for (int b = 0; b < bps; ++b)
                    row.append(char(s.sample(c, x, y)));
            rows.append(row);
        }
    if (s.compression == 0) {
        for (const QByteArray& row : rows)
            out.append(row);
    } else {
        QVector<QByteArray> packed;
        for (const QByteArray& row : rows)
            packed.append(packBits(row));
        for (const QByteArray& p : packed)
            put16(out, quint32(p.size()));
        for (const QByteArray& p : packed)
            out.append(p);
    }
    return out;
}

// Offset of the first byte after the compression field (where the data begins), for
// files with an empty layer section.
inline int dataOffset() { return 26 + 4 + 4 + 4 + 4 + 2; }

} // namespace PsdTestFiles
