#include "Capture/FrameLocalChanges.h"

#include <algorithm>
#include <cstring>

namespace {

// Separate places that change by themselves, at most: more runs of changed rows than
// this, all the way down, are content that moved (over rows alike but for a narrow
// column, a scroll by whole rows changes only that column, row after row).
constexpr int kLocalRuns = 8;

} // namespace

// A caret, a badge or a clock changes within one box; spinners on several rows and a
// bar of moving stripes across the whole width change a few runs of rows, each counted
// with the box its changes span.
bool differOnlyLocally(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != b.format() || a.depth() != 32)
        return false;
    const int w = a.width();
    const qint64 area = qint64(w) * a.height();
    int left = w, right = -1, top = -1, bottom = -1;
    int runLeft = w, runRight = -1, runTop = -1, runs = 0;
    qint64 runsCover = 0;
    const auto runBox = [&](int last) { return qint64(runRight - runLeft + 1) * (last - runTop + 1); };
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const quint32*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const quint32*>(b.constScanLine(y));
        if (std::memcmp(p, q, std::size_t(w) * 4) == 0) {
            if (runTop >= 0)
                runsCover += runBox(y - 1);
            runLeft = w, runRight = -1, runTop = -1;
            continue;
        }
        if (runTop < 0) {
            runTop = y;
            ++runs;
        }
        top = top < 0 ? y : top;
        bottom = y;
        int x = 0;
        while (p[x] == q[x])
            ++x;
        left = std::min(left, x);
        runLeft = std::min(runLeft, x);
        x = w - 1;
        while (p[x] == q[x])
            --x;
        right = std::max(right, x);
        runRight = std::max(runRight, x);
    }
    if (top < 0 || qint64(right - left + 1) * (bottom - top + 1) * 25 <= area)
        return true;
    if (runTop >= 0)
        runsCover += runBox(a.height() - 1);
    return runs <= kLocalRuns && runsCover * 10 <= area;
}

