#pragma once

#include <QImage>

#include <QtGlobal>

#include <cstdlib>

// Read-only access to a frame's 32-bit pixels without copying them. Screen grabs
// arrive as RGB32 and the stitcher's own images are ARGB32 premultiplied; both store
// one 0xAARRGGBB word per pixel (RGB32 with alpha 0xFF), which is all the comparisons
// need, so neither is converted.
struct FramePixels {
    const uchar* bits = nullptr;
    int width = 0;
    int height = 0;
    qsizetype bytesPerLine = 0;

    bool isNull() const { return bits == nullptr || width <= 0 || height <= 0; }
    const quint32* row(int y) const { return reinterpret_cast<const quint32*>(bits + y * bytesPerLine); }

    // The part of the view inside (x, y, w, h), cut to the view.
    FramePixels cropped(int x, int y, int w, int h) const
    {
        FramePixels part;
        const int x0 = qBound(0, x, width), y0 = qBound(0, y, height);
        const int x1 = qBound(x0, x + w, width), y1 = qBound(y0, y + h, height);
        if (isNull() || x1 == x0 || y1 == y0)
            return part;
        part.bits = bits + y0 * bytesPerLine + x0 * 4;
        part.width = x1 - x0;
        part.height = y1 - y0;
        part.bytesPerLine = bytesPerLine;
        return part;
    }
};

// True for the formats whose pixels FramePixels reads as they are.
inline bool hasFramePixelLayout(const QImage& image)
{
    const QImage::Format format = image.format();
    return format == QImage::Format_ARGB32_Premultiplied || format == QImage::Format_RGB32
        || format == QImage::Format_ARGB32;
}

// The image itself (shared, no copy) when its layout is readable, else a converted copy.
inline QImage withFramePixelLayout(const QImage& image)
{
    if (image.isNull() || hasFramePixelLayout(image))
        return image;
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// A view of the words of any image of 32 bits a pixel as they are stored, whatever they
// hold: for a comparison that only asks whether two images are the same.
inline FramePixels storedPixels(const QImage& image)
{
    FramePixels view;
    if (image.isNull() || image.depth() != 32)
        return view;
    view.bits = image.constBits();
    view.width = image.width();
    view.height = image.height();
    view.bytesPerLine = image.bytesPerLine();
    return view;
}

// A view of an image that has the layout (see withFramePixelLayout); null otherwise.
// The view is valid while the image lives and is not modified.
inline FramePixels framePixels(const QImage& image)
{
    return hasFramePixelLayout(image) ? storedPixels(image) : FramePixels();
}

// The columns of a frame `width` wide left of its scrollbar, `scrollbarPx` wide, whose
// thumb moves in every row; where none was found, left of where one may be (the
// rightmost eighth, at most 50 columns).
inline int widthLeftOfScrollbar(int width, int scrollbarPx)
{
    return width - (scrollbarPx > 0 ? scrollbarPx : qMin(width / 8, 50));
}

// |dR| + |dG| + |dB| of two pixels (alpha ignored).
inline int rgbDistance(quint32 a, quint32 b)
{
    return std::abs(int((a >> 16) & 0xff) - int((b >> 16) & 0xff)) + std::abs(int((a >> 8) & 0xff) - int((b >> 8) & 0xff))
        + std::abs(int(a & 0xff) - int(b & 0xff));
}
