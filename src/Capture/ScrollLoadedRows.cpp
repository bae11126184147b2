#include "Capture/ScrollLoadedRows.h"

#include "Capture/FramePixelCompare.h"

#include <algorithm>

namespace ScrollLoadedRows {

namespace {

bool rowsDiffer(const quint32* a, const quint32* b, int width)
{
    for (int x = 0; x < width; ++x)
        if (FramePixelCompare::differ(a[x], b[x]))
            return true;
    return false;
}

// One colour over nine tenths of the band: what a page shows below its last row while
// more rows load, a prompt's text covering only a little of it.
bool plainBand(const FramePixels& image, int top, int bottom)
{
    if (bottom <= top)
        return false;
    const quint32 background = image.row(top)[0];
    qint64 same = 0;
    for (int y = top; y < bottom; ++y) {
        const quint32* line = image.row(y);
        for (int x = 0; x < image.width; ++x)
            same += FramePixelCompare::differ(line[x], background) ? 0 : 1;
    }
    return 10 * same >= 9 * qint64(bottom - top) * image.width;
}

} // namespace

int loadedEndRows(const FramePixels& previous, const FramePixels& next, int offset, int fixedTop, int fixedBottom)
{
    if (previous.isNull() || next.isNull() || previous.height != next.height || offset < 0)
        return 0;
    const int width = std::min(previous.width, next.width);
    const int height = previous.height;
    const int bottom = height - std::max(0, fixedBottom);
    const int first = offset + std::max(0, fixedTop);
    int top = first;
    while (top < bottom && !rowsDiffer(previous.row(top), next.row(top - offset), width))
        ++top;
    if (top >= bottom || top == first)
        return 0;
    int changedBottom = bottom;
    while (changedBottom > top && !rowsDiffer(previous.row(changedBottom - 1), next.row(changedBottom - 1 - offset), width))
        --changedBottom;
    return plainBand(previous.cropped(0, 0, width, height), top, changedBottom) ? height - top : 0;
}

int loadedBandTop(const QImage& previous, const QImage& next, int scrollbarPx)
{
    const QImage a = withFramePixelLayout(previous), b = withFramePixelLayout(next);
    const FramePixels p = framePixels(a), n = framePixels(b);
    if (p.isNull() || n.isNull() || p.width != n.width || p.height != n.height)
        return -1;
    const int width = p.width - std::max(0, scrollbarPx);
    if (width <= 0)
        return -1;
    const FramePixels left = p.cropped(0, 0, width, p.height), right = n.cropped(0, 0, width, n.height);
    const int rows = loadedEndRows(left, right, 0, 0, 0);
    const int top = p.height - rows;
    // Much of the view unchanged: the page did not move, only its end changed.
    return rows > 0 && 4 * top >= p.height ? top : -1;
}

} // namespace ScrollLoadedRows
