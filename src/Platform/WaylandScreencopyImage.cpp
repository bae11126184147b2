// The parts of reading an output's copy that need no compositor: the buffer's formats
// and turning the buffer upright.

#include "Platform/WaylandScreencopy.h"

#include <QTransform>

namespace WaylandScreencopy {

bool canRead(std::uint32_t shmFormat)
{
    switch (shmFormat) {
    case argb8888:
    case xrgb8888:
    case xbgr8888:
    case abgr8888:
        return true;
    default:
        return false;
    }
}

QImage imageOverBuffer(uchar* data, int width, int height, int stride, std::uint32_t shmFormat,
                       QImageCleanupFunction cleanup, void* cleanupInfo)
{
    if (!data || !canRead(shmFormat) || width <= 0 || height <= 0 || stride < width * 4) {
        if (cleanup)
            cleanup(cleanupInfo);
        return {};
    }
    // A screen has no transparency: whatever the compositor leaves in the alpha byte of
    // an ARGB buffer, its pixels are opaque, as Qt reads every RGB32 pixel.
    const bool qtOrder = shmFormat == argb8888 || shmFormat == xrgb8888;
    QImage over(data, width, height, stride, qtOrder ? QImage::Format_RGB32 : QImage::Format_RGBX8888, cleanup,
                cleanupInfo);
    if (qtOrder)
        return over;
    // Bytes in R, G, B order are turned into Qt's own order once; the buffer then goes.
    return over.convertToFormat(QImage::Format_RGB32);
}

QImage orientedOutputImage(const QImage& buffer, std::uint32_t transform, bool yInverted)
{
    QImage upright = yInverted ? buffer.mirrored(false, true) : buffer;
    transform &= 7;
    if (transform == 0)
        return upright;
    // The compositor draws the layout into the output's buffer flipped about the vertical
    // axis first (the transforms 4 to 7), then turned by quarter turns counter-clockwise;
    // undoing it turns the other way first, then flips. Quarter turns and flips move
    // pixels without resampling them.
    const int quarters = int(transform & 3);
    if (quarters != 0)
        upright = upright.transformed(QTransform().rotate(90.0 * quarters));
    if (transform & 4)
        upright = upright.mirrored(true, false);
    return upright;
}

} // namespace WaylandScreencopy
