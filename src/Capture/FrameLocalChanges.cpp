#include "Capture/FrameLocalChanges.h"

#include "Capture/FramePixelCompare.h"
#include "Capture/FramePixels.h"
#include "Capture/FrameRegistration.h"

#include <algorithm>
#include <QPainter>
#include <cstring>

namespace {

// Narrower runs of one colour are no placeholder (a stroke of a glyph, a rule).
constexpr int kPlaceholderWidth = 8;

// Whether every pixel in [from, to) of `after` that differs from `before` lies in a run
// of one colour of `before`, inside [from, to), at least kPlaceholderWidth wide; or,
// where columns that change by themselves border [from, to) (cutAtFrom, cutAtTo), in a
// run that reaches them: a placeholder they cut across may leave a sliver of any width.
bool differsOnlyInPlainRuns(const quint32* before, const quint32* after, int from, int to, bool cutAtFrom = false,
                            bool cutAtTo = false, bool setOff = false)
{
    for (int x = from; x < to;) {
        if (!FramePixelCompare::differ(before[x], after[x])) {
            ++x;
            continue;
        }
        int first = x, last = x;
        while (first > from && before[first - 1] == before[x])
            --first;
        while (last + 1 < to && before[last + 1] == before[x])
            ++last;
        const bool cut = (cutAtFrom && first == from) || (cutAtTo && last + 1 == to);
        if (last - first + 1 < kPlaceholderWidth && !cut)
            return false;
        if (setOff && first == from && last + 1 == to)
            return false;
        x = last + 1;
    }
    return true;
}

// Separate places that change by themselves, at most: more runs of changed rows than
// this, all the way down, are content that moved (over rows alike but for a narrow
// column, a scroll by whole rows changes only that column, row after row).
constexpr int kLocalRuns = 8;

} // namespace

// A caret, a badge or a clock changes within one box; spinners on several rows and a
// bar of moving stripes across the whole width change a few runs of rows, each counted
// with the box its changes span.
bool differOnlyLocally(const FramePixels& a, const FramePixels& b, int boxShare, int runsShare)
{
    if (a.isNull() || b.isNull() || a.width != b.width || a.height != b.height)
        return false;
    const int w = a.width;
    const qint64 area = qint64(w) * a.height;
    int left = w, right = -1, top = -1, bottom = -1;
    int runLeft = w, runRight = -1, runTop = -1, runs = 0;
    qint64 runsCover = 0;
    const auto runBox = [&](int last) { return qint64(runRight - runLeft + 1) * (last - runTop + 1); };
    for (int y = 0; y < a.height; ++y) {
        const quint32* p = a.row(y);
        const quint32* q = b.row(y);
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
        // Both ways of passing are out of reach once the changes span more than a box
        // may and the runs so far cover more than they may: rows that moved.
        const bool pastOneBox = qint64(right - left + 1) * (bottom - top + 1) * boxShare > area;
        if (pastOneBox && (runs > kLocalRuns || (runsCover + runBox(y)) * runsShare > area))
            return false;
    }
    if (top < 0 || qint64(right - left + 1) * (bottom - top + 1) * boxShare <= area)
        return true;
    if (runTop >= 0)
        runsCover += runBox(a.height - 1);
    return runs <= kLocalRuns && runsCover * runsShare <= area;
}

bool differOnlyLocally(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != b.format() || a.depth() != 32)
        return false;
    // Any 32-bit layout, word for word as it is: only sameness counts here.
    return differOnlyLocally(storedPixels(a), storedPixels(b));
}


LiveColumns LiveColumns::united(const LiveColumns& other) const
{
    if (isEmpty())
        return other;
    if (other.isEmpty())
        return *this;
    return {std::min(left, other.left), std::max(right, other.right)};
}

LiveColumns liveColumnsBetween(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != b.format() || a.depth() != 32 || a.width() < 2)
        return {};
    const int w = a.width(), h = a.height();
    int left = w, right = -1, top = -1, bottom = -1;
    for (int y = 0; y < h; ++y) {
        const auto* p = reinterpret_cast<const quint32*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const quint32*>(b.constScanLine(y));
        if (std::memcmp(p, q, std::size_t(w) * 4) == 0)
            continue;
        top = top < 0 ? y : top;
        bottom = y;
        int x = 0;
        while (p[x] == q[x])
            ++x;
        left = std::min(left, x);
        x = w - 1;
        while (p[x] == q[x])
            --x;
        right = std::max(right, x);
    }
    // Of any height and at any place across, as long as enough columns are left beside
    // them to place frames by. Masked from the top of the view to its bottom, what
    // changes there also stays out of the comparison where it scrolls with its row.
    // A change within one small box (a caret, a clock) is one the registration bears.
    if (right < 0 || w - (right - left + 1) < FrameRegistration::kMinimumSide
        || qint64(right - left + 1) * (bottom - top + 1) * 25 <= qint64(w) * h)
        return {};
    // Beside them, content that a scroll would have moved.
    int rowsWithEdges = 0;
    for (int y = 1; y < h; ++y) {
        const auto* row = reinterpret_cast<const quint32*>(a.constScanLine(y));
        const auto* above = reinterpret_cast<const quint32*>(a.constScanLine(y - 1));
        bool edge = false;
        for (int x = 0; x < w && !edge; ++x)
            edge = (x < left || x > right) && row[x] != above[x];
        rowsWithEdges += edge ? 1 : 0;
    }
    if (8 * rowsWithEdges < h)
        return {};
    // Content that scrolled within those columns (while a fixed part beside it stood)
    // shows the same pixels moved up or down: that is no change in place.
    const QRect changed(left, top, right - left + 1, bottom - top + 1);
    const QImage x = withFramePixelLayout(a.copy(changed));
    const QImage y = withFramePixelLayout(b.copy(changed));
    const auto moved = FrameRegistration::verticalOffset(framePixels(x), framePixels(y));
    if (moved.outcome != FrameRegistration::Outcome::noMatch && moved.outcome != FrameRegistration::Outcome::tooSmall)
        return {};
    return {left, right + 1};
}

QImage withoutLiveColumns(const QImage& image, const LiveColumns& live)
{
    if (live.isEmpty() || image.isNull())
        return image;
    QImage masked = image.copy();
    QPainter(&masked).fillRect(live.left, 0, live.right - live.left, masked.height(), QColor(128, 128, 128));
    return masked;
}

QImage withLiveColumnsCutOut(const QImage& image, const LiveColumns& live)
{
    if (live.isEmpty() || image.isNull())
        return image;
    const int left = std::clamp(live.left, 0, image.width()), right = std::clamp(live.right, left, image.width());
    QImage joined(image.width() - (right - left), image.height(), image.format());
    if (joined.isNull() || joined.width() < 1)
        return image;
    const int depth = image.depth() / 8;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* from = image.constScanLine(y);
        uchar* to = joined.scanLine(y);
        std::memcpy(to, from, std::size_t(left) * depth);
        std::memcpy(to + std::size_t(left) * depth, from + std::size_t(right) * depth,
                    std::size_t(image.width() - right) * depth);
    }
    return joined;
}

bool placeholdersFilledBeside(const QImage& before, const QImage& after, const LiveColumns& live, bool setOff)
{
    if (before.size() != after.size() || before.format() != after.format() || before.depth() != 32)
        return false;
    const int w = before.width();
    const int left = std::clamp(live.isEmpty() ? w : live.left, 0, w);
    const int right = std::clamp(live.isEmpty() ? w : live.right, left, w);
    for (int y = 0; y < before.height(); ++y) {
        const auto* a = reinterpret_cast<const quint32*>(before.constScanLine(y));
        const auto* b = reinterpret_cast<const quint32*>(after.constScanLine(y));
        if (!differsOnlyInPlainRuns(a, b, 0, left, false, !live.isEmpty(), setOff)
            || !differsOnlyInPlainRuns(a, b, right, w, !live.isEmpty(), false, setOff))
            return false;
    }
    return true;
}
