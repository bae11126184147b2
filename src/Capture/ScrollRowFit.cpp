#include "Capture/ScrollRowFit.h"

#include <algorithm>
#include <cstring>

namespace ScrollStitcher {

bool fitsRowForRow(const FramePixels& previous, const FramePixels& next, int offset, int bottomRows)
{
    const int w = std::min(previous.width, next.width), h = std::min(previous.height, next.height);
    if (previous.isNull() || next.isNull() || offset <= 0 || w < 1)
        return false;
    const int end = h - std::max(0, bottomRows) - offset; // rows of `next` held against `previous`
    if (end < kMinimumFitRows)
        return false;
    const std::size_t bytes = std::size_t(w) * sizeof(quint32);
    bool edge = false;
    for (int r = 0; r < end; ++r) {
        const quint32* row = next.row(r);
        if (std::memcmp(row, previous.row(r + offset), bytes) != 0)
            return false;
        edge = edge || std::any_of(row + 1, row + w, [first = row[0]](quint32 pixel) { return pixel != first; });
    }
    return edge;
}

} // namespace ScrollStitcher
