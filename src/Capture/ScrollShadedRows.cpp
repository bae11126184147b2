#include "Capture/ScrollShadedRows.h"

#include "Capture/FramePixelCompare.h"
#include "Capture/ScrollAskedStep.h"
#include "Capture/ScrollEdgeBands.h"

#include <algorithm>

#include <vector>

namespace ScrollStitcher {

namespace {

// Rows kept in common at the least, as the registration ranks offsets.
constexpr int kMinimumOverlap = 16;
// At the offset taken, at most this share of the shared pixels may differ at all (a
// caret, a spinner): 1/200.
constexpr int kStrayShare = 200;
// The shared rows must hold shading on at least this share of their pixels (1/20):
// rows that are mostly plain fit any offset as well.
constexpr int kShadingShare = 20;
// Every other offset must differ in at least this share of the shading (1/4): one row
// off, a shading differs wherever it changes from one row to the next.
constexpr int kRivalShare = 4;

// Bands of a bar that changed height are looked for only among this many offsets.
constexpr int kNarrowWindow = 64;

constexpr quint32 kColour = 0x00ffffffu;

// Rows at either end of the shared rows left out: a fixed bar that grows or shrinks with
// the scroll moves its edge into them.
constexpr int kEdgeRows = 2;

// The rows of `next` compared at offset t: those it shares with `previous` t rows lower,
// less the edge rows and the bands of a bar that changed height (`bands`: rows at the top
// of `next`, rows at the bottom of `previous`).
struct Shared {
    int first = 0, last = 0;
    qint64 area(int width) const { return last > first ? qint64(last - first) * width : 0; }
};

Shared sharedRows(const FramePixels& next, int t, const EdgeBands& bands)
{
    return {std::max(0, -t) + kEdgeRows + bands.top, std::min(next.height, next.height - t) - kEdgeRows - bands.bottom};
}

// Pixels of the shared rows that differ at all, counting stops once `cap` is reached.
qint64 differing(const FramePixels& previous, const FramePixels& next, int t, int width, qint64 cap,
                 const EdgeBands& bands)
{
    qint64 count = 0;
    const Shared rows = sharedRows(next, t, bands);
    for (int r = rows.first; r < rows.last && count < cap; ++r) {
        const quint32 *a = next.row(r), *b = previous.row(r + t);
        for (int x = 0; x < width; ++x)
            count += ((a[x] ^ b[x]) & kColour) != 0 ? 1 : 0;
    }
    return count;
}

// Pixels of `next` rows [first, last) that differ from the pixel above them.
qint64 shading(const FramePixels& next, int first, int last, int width)
{
    qint64 count = 0;
    for (int r = std::max(1, first); r < last; ++r) {
        const quint32 *a = next.row(r), *b = next.row(r - 1);
        for (int x = 0; x < width; ++x)
            count += ((a[x] ^ b[x]) & kColour) != 0 ? 1 : 0;
    }
    return count;
}

} // namespace

std::optional<ShadedPlace> placeByExactShading(const FramePixels& previous, const FramePixels& next,
                                               const FrameRegistration::Expected& expected)
{
    const auto between = rowsBetweenFixedBars(previous, next);
    if (!between)
        return std::nullopt;
    const FramePixels &p = between->previous, &n = between->next;
    const int w = between->width, h = between->height;

    const int reach = h - std::max(kMinimumOverlap, h / 10);
    const int low = std::max(1, expected.low), high = std::min(reach, expected.high);
    if (low > high)
        return std::nullopt;
    const auto exactAt = [&](int t, const EdgeBands& bands, qint64* stray) {
        const qint64 area = sharedRows(n, t, bands).area(w);
        if (area <= 0)
            return false;
        *stray = differing(p, n, t, w, area / kStrayShare + 1, bands);
        return *stray <= area / kStrayShare;
    };
    // The one offset at which the shared rows are the same pixels. Failing that, and only
    // among the few offsets near a step, the same without the bands a fixed bar leaves that
    // changed height as the page scrolled.
    std::optional<int> answer;
    EdgeBands bands;
    qint64 stray = 0;
    for (int t = low; t <= high; ++t) {
        qint64 d = 0;
        if (!exactAt(t, {}, &d))
            continue;
        if (answer)
            return std::nullopt;
        answer = t;
        stray = d;
    }
    const bool narrow = high - low <= kNarrowWindow;
    for (int t = low; !answer && narrow && t <= high; ++t) {
        const EdgeBands around = barBands(p, n, t);
        qint64 d = 0;
        if (around == EdgeBands{} || !exactAt(t, around, &d))
            continue;
        if (answer)
            return std::nullopt;
        answer = t;
        bands = around;
        stray = d;
    }
    if (!answer)
        return std::nullopt;
    const Shared rows = sharedRows(n, *answer, bands);
    const qint64 shaded = shading(n, rows.first, rows.last, w);
    if (shaded * kShadingShare < rows.area(w))
        return std::nullopt;
    // Every other offset near it differs in a good part of the shading; also those just
    // outside what the clicks allow, so that a shading too gentle to tell one row from
    // the next never passes for one that does.
    const qint64 bound = std::max(shaded / kRivalShare, 8 * stray + w);
    // A rival sharing fewer rows is held to the same share of them: a few rows left in
    // common far down differ in fewer pixels, not in a smaller part.
    const qint64 answerArea = rows.area(w);
    const auto boundAt = [&](const Shared& other) {
        return std::clamp(qint64(double(bound) * double(other.area(w)) / double(answerArea)), qint64(8 * stray + w), bound);
    };
    const int nearFrom = std::max(1, low - 2), nearTo = std::min(reach, high + 2);
    ShadedPlace place{*answer, false, bands.bottom};
    for (int t = 0; t <= reach; ++t) {
        const Shared other = sharedRows(n, t, bands);
        if (t == *answer || other.area(w) <= 0)
            continue;
        // A page that did not move at all is a rival too.
        if (t == 0 || (t >= nearFrom && t <= nearTo)) {
            const qint64 need = boundAt(other);
            if (differing(p, n, t, w, need, bands) < need)
                return std::nullopt;
            continue;
        }
        // Further off, only shading the same pixel for pixel there too (pictures drawn
        // alike at a fixed pitch) makes the clicks the judge; a few plain rows left in
        // common at a large offset match anything.
        qint64 d = 0;
        if (exactAt(t, bands, &d) && shading(n, other.first, other.last, w) * kShadingShare >= other.area(w))
            place.alikeElsewhere = true;
    }
    return place;
}

} // namespace ScrollStitcher
