#include "Capture/StickyHeaderDetector.h"

#include "Capture/FramePixelCompare.h"

#include <algorithm>

namespace ScrollStitcher {

int detectStickyHeader(const FramePixels& previous, const FramePixels& next, int scrollbarPx)
{
    const int w = previous.width, h = previous.height;
    if (previous.isNull() || next.isNull() || w < 81 || next.width != w || next.height != h || h < 41)
        return -1;
    int usable = w - scrollbarPx;
    if (usable < 41)
        usable = 40;
    const int columnFirst = w / 10;
    const int columnLast = std::min(9 * usable / 10, usable - 1);
    const int columnStep = std::max(1, (columnLast - columnFirst) / 20);
    for (int y = 0; y < h; ++y) {
        const quint32* a = previous.row(y);
        const quint32* b = next.row(y);
        int total = 0, samples = 0;
        for (int x = columnFirst; x <= columnLast; x += columnStep) {
            total += rgbDistance(a[x], b[x]);
            ++samples;
        }
        if (samples > 0 && total / samples > 8)
            return y;
    }
    return -1;
}

bool topRowsFollowTheScroll(const FramePixels& previous, const FramePixels& next, int rows, int offset, int scrollbarPx)
{
    const int w = std::min(previous.width, next.width) - std::max(0, scrollbarPx);
    const int h = std::min(previous.height, next.height);
    if (previous.isNull() || next.isNull() || w < 1 || rows < 1 || offset < 1 || rows + offset > h)
        return false;
    for (int y = 0; y < rows; ++y) {
        if (!FramePixelCompare::rowsMatch(next.row(y), previous.row(y + offset), w))
            return false;
    }
    return true;
}

} // namespace ScrollStitcher
