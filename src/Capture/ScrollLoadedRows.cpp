#include "Capture/ScrollLoadedRows.h"

#include "Capture/FramePixelCompare.h"

#include <algorithm>

namespace ScrollLoadedRows {

namespace {

const quint32* row(const QImage& image, int y)
{
    return reinterpret_cast<const quint32*>(image.constScanLine(y));
}

bool rowsDiffer(const quint32* a, const quint32* b, int width)
{
    for (int x = 0; x < width; ++x)
        if (FramePixelCompare::differ(a[x], b[x]))
            return true;
    return false;
}

// One colour over most of the band: what a page shows below its last row while more
// rows load, a prompt's text covering only a little of it.
bool plainBand(const QImage& image, int top, int bottom, int width)
{
    const quint32 background = row(image, top)[0];
    qint64 same = 0, all = 0;
    for (int y = top; y < bottom; ++y) {
        const quint32* line = row(image, y);
        for (int x = 0; x < width; ++x)
            same += FramePixelCompare::differ(line[x], background) ? 0 : 1;
        all += width;
    }
    return all > 0 && 10 * same >= 9 * all;
}

} // namespace

int loadedBandTop(const QImage& previous, const QImage& next, int scrollbarPx)
{
    if (previous.isNull() || next.isNull() || previous.size() != next.size())
        return -1;
    const QImage a = previous.convertToFormat(QImage::Format_RGB32);
    const QImage b = next.convertToFormat(QImage::Format_RGB32);
    const int width = a.width() - std::max(0, scrollbarPx);
    const int height = a.height();
    if (width <= 0)
        return -1;
    int top = 0;
    while (top < height && !rowsDiffer(row(a, top), row(b, top), width))
        ++top;
    // Much of the view unchanged: the page did not move, only its end changed (above
    // a fixed footer, which stays as it was).
    if (top >= height || 4 * top < height)
        return -1;
    int bottom = height;
    while (bottom > top && !rowsDiffer(row(a, bottom - 1), row(b, bottom - 1), width))
        --bottom;
    return plainBand(a, top, bottom, width) ? top : -1;
}

} // namespace ScrollLoadedRows
