#include "Capture/ScrollbarDetector.h"

#include <algorithm>

namespace ScrollStitcher {

int detectScrollbarWidth(const FramePixels& previous, const FramePixels& next)
{
    const int w = previous.width, h = previous.height;
    if (previous.isNull() || next.isNull() || w < 81 || next.width != w || next.height != h || h < 41)
        return 0;
    // About 30 rows from the middle three fifths, where a thumb is usually visible.
    const int rowFirst = h / 5, rowEnd = 4 * h / 5;
    const int rowStep = std::max(1, (rowEnd - rowFirst) / 30);
    const int columnLimit = std::min(w / 8, 50);

    bool seenChange = false;
    int run = 0;
    for (int c = 0; c < columnLimit; ++c) {
        const int x = w - 1 - c;
        int total = 0, samples = 0;
        for (int y = rowFirst; y < rowEnd; y += rowStep) {
            total += rgbDistance(previous.row(y)[x], next.row(y)[x]);
            ++samples;
        }
        const bool changing = samples > 0 && total / samples >= 9;
        if (changing) {
            seenChange = true;
            run = c + 1;
        } else if (seenChange) {
            return run >= 3 && run <= 40 ? run + 4 : 0;
        }
    }
    return 0; // the change reaches the column limit: content, not a scrollbar
}

} // namespace ScrollStitcher
