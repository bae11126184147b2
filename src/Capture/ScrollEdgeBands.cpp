#include "Capture/ScrollEdgeBands.h"

#include "Capture/FramePixelCompare.h"
#include "Capture/RowSignatures.h"
#include "Capture/ScrollAskedStep.h"
#include "Capture/ScrollChangedContent.h"
#include "Capture/ScrollSharedRows.h"

#include <algorithm>
#include <utility>

namespace ScrollStitcher {

namespace {

using FrameRegistration::Outcome;

// Offsets ranked by their rows that are looked at, and registrations tried again
// without the bands of one: a frame the registration refused costs at most that much.
constexpr int kRankedOffsets = 4;
constexpr int kTries = 3;
// Offsets taken from bands of rows that show exactly in both frames.
constexpr int kSharedShifts = 3;
// Rows in common an offset must leave to be ranked, as the registration asks.
constexpr int kMinimumOverlap = 16;

// Rows that match in a row end a band: more than the blank rows between the glyphs
// of one line of text (a ":" alone is two dots). A band that takes in a little more
// costs nothing: those rows are drawn from the frame that shows them as content.
int bandGap(int height)
{
    return std::max(8, height / 40);
}

// Rows from an edge up to the last of a run that differs, `differs(i)` telling it for
// the i-th row from the edge (i below `count`). 0 when the first `gap` rows match;
// -1 when no gap of matching rows ends the run.
template <typename Differs>
int runFromEdge(int count, int gap, Differs differs)
{
    int last = -1;
    for (int i = 0; i < count; ++i) {
        if (differs(i))
            last = i;
        else if (i - last > gap)
            return last + 1;
    }
    return -1;
}

// The columns, as (first, count), on the wider side of those in which rows `from` to
// `from + rows` of the new frame differ from the rows `offset` further down the previous
// one, where those columns are a narrow span of the frame and the side beside them is
// wide enough to compare; nothing otherwise (nothing differs, or too much).
std::optional<std::pair<int, int>> steadyColumns(const FramePixels& previous, const FramePixels& next, int offset,
                                                 int from, int rows)
{
    const int w = std::min(previous.width, next.width), h = std::min(previous.height, next.height);
    int left = w, right = -1;
    for (int r = from; r < std::min(from + rows, h - offset); ++r) {
        const quint32* a = previous.row(r + offset);
        const quint32* b = next.row(r);
        if (FramePixelCompare::rowsMatch(a, b, w))
            continue;
        for (int x = 0; x < w; ++x) {
            if (!FramePixelCompare::rowsMatch(a + x, b + x, 1)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    if (right < 0 || 3 * (right - left + 1) > w)
        return std::nullopt;
    const int leftSide = left, rightSide = w - right - 1;
    const std::pair<int, int> side = leftSide >= rightSide ? std::pair{0, leftSide} : std::pair{right + 1, rightSide};
    if (side.second < FrameRegistration::kMinimumSide)
        return std::nullopt;
    return side;
}

} // namespace

EdgeBands edgeBands(const FramePixels& previous, const FramePixels& next, int offset)
{
    const int w = std::min(previous.width, next.width), h = std::min(previous.height, next.height);
    if (previous.isNull() || next.isNull() || offset <= 0 || offset >= h)
        return {};
    // Row r of the new frame shows what row r + offset of the previous one showed.
    const int compared = h - offset, gap = bandGap(h), limit = h / 4;
    const int top = runFromEdge(compared, gap, [&](int i) {
        return !FramePixelCompare::rowsMatch(next.row(i), previous.row(i + offset), w);
    });
    const int bottom = runFromEdge(compared, gap, [&](int i) {
        return !FramePixelCompare::rowsMatch(next.row(compared - 1 - i), previous.row(h - 1 - i), w);
    });
    EdgeBands bands;
    bands.top = top > 0 && top <= limit ? top : 0;
    bands.bottom = bottom > 0 && bottom <= limit ? bottom : 0;
    return bands;
}

namespace {

template <typename RowsMatch>
EdgeBands barBandsBy(const FramePixels& previous, const FramePixels& next, int offset, RowsMatch rowsMatch)
{
    const int w = std::min(previous.width, next.width), h = std::min(previous.height, next.height);
    if (previous.isNull() || next.isNull() || offset <= 0 || offset >= h)
        return {};
    // A bar may cover up to half of a low selection (a footer over two clicks' rows).
    const int compared = h - offset, gap = bandGap(h), limit = std::min(h / 2, compared - gap);
    // The last differing row of the first `limit` from an edge, followed by `gap` rows
    // that match; 0 where none differs or the rows after it differ too (no band ends
    // there: the offset is wrong, or the content changed). A bar stays put at its edge:
    // the row at the edge is the same in both frames.
    // A header and a footer both over much of a low selection: the rows one edge's scan
    // reaches may be the other edge's bar, whose rows differ too. Each edge is looked for
    // again short of the band found at the other.
    const auto band = [&](bool edgeStaysPut, int within, auto differs) {
        if (within <= 0 || !edgeStaysPut)
            return 0;
        int last = -1;
        for (int i = 0; i < within; ++i)
            if (differs(i))
                last = i;
        for (int i = last + 1; i <= last + gap; ++i)
            if (differs(i))
                return 0;
        return last + 1;
    };
    const bool topStaysPut = rowsMatch(next.row(0), previous.row(0), w);
    const bool bottomStaysPut = rowsMatch(next.row(h - 1), previous.row(h - 1), w);
    const auto topBand = [&](int within) {
        return band(topStaysPut, within, [&](int i) {
            return !rowsMatch(next.row(i), previous.row(i + offset), w);
        });
    };
    const auto bottomBand = [&](int within) {
        return band(bottomStaysPut, within, [&](int i) {
            return !rowsMatch(next.row(compared - 1 - i), previous.row(h - 1 - i), w);
        });
    };
    // Only a bar's band bounds the other edge's scan: its last row differs from the
    // content across most of the width, where rows that changed in a few columns (a
    // canvas below a header) do not.
    const auto differsAcross = [&](const quint32* a, const quint32* b) {
        int differing = 0;
        for (int x = 0; x < w; ++x)
            differing += FramePixelCompare::rowsMatch(a + x, b + x, 1) ? 0 : 1;
        return 2 * differing >= w;
    };
    const auto shortOf = [&](int otherBand, bool isBar) {
        return isBar ? std::min(limit, compared - otherBand - gap) : limit;
    };
    EdgeBands bands;
    bands.top = topBand(limit);
    bands.bottom = bottomBand(
        shortOf(bands.top, bands.top > 0 && differsAcross(next.row(bands.top - 1), previous.row(bands.top - 1 + offset))));
    if (bands.top == 0 && bands.bottom > 0)
        bands.top = topBand(shortOf(bands.bottom, differsAcross(next.row(compared - bands.bottom),
                                                                 previous.row(h - bands.bottom))));
    return bands;
}

} // namespace

EdgeBands barBands(const FramePixels& previous, const FramePixels& next, int offset)
{
    return barBandsBy(previous, next, offset, FramePixelCompare::rowsMatch);
}

EdgeBands barBandsBesidePlaceholders(const FramePixels& previous, const FramePixels& next, int offset)
{
    return barBandsBy(previous, next, offset, rowsMatchButForPlaceholders);
}

std::optional<BandedOffset> registerBesideBands(const FramePixels& previous, const FramePixels& next,
                                                std::optional<FrameRegistration::Expected> expected, int bandWidth)
{
    const int w = std::min(previous.width, next.width), h = std::min(previous.height, next.height);
    const FrameRegistration::Result first = FrameRegistration::verticalOffset(previous, next, expected);
    // A place the scroll cannot have made (the page moved up after a scroll down) is no
    // place either: a bar over much of a low selection can outweigh the rows beside it.
    const bool foundOutside = first.outcome == Outcome::found && expected && !expected->allows(first.offset);
    if (first.outcome != Outcome::ambiguous && first.outcome != Outcome::noMatch && !foundOutside)
        return std::nullopt;
    // The offsets that fit about equally well, then those the rows rank best: a band
    // that differs in one row out of ten already keeps the true offset from holding.
    std::vector<int> offsets;
    const auto consider = [&](int t) {
        if (t > 0 && t < h && (!expected || expected->allows(t))
            && std::find(offsets.begin(), offsets.end(), t) == offsets.end())
            offsets.push_back(t);
    };
    if (first.outcome == Outcome::ambiguous) {
        consider(first.offset);
        consider(first.rivalOffset);
    }
    const auto previousRows = RowSignatures::compute(previous), nextRows = RowSignatures::compute(next);
    for (const auto& candidate : RowSignatures::rankOffsets(previousRows, nextRows, RowSignatures::edgeBands(nextRows),
                                                            std::max(kMinimumOverlap, h / 10), kRankedOffsets))
        consider(candidate.offset);
    // A bar that changes height over much of a low selection outweighs the rows beside
    // it in every ranking; bands of rows that show exactly, further down before, still
    // say where the content went.
    for (const int shift : sharedRowShifts(previous.cropped(0, 0, bandWidth, h), next.cropped(0, 0, bandWidth, h),
                                           kMinimumOverlap / 2, kSharedShifts))
        consider(shift);
    // A fixed header or footer that changes height while the page scrolls differs at
    // every offset, and over many rows: it can outweigh the few edges of plain rows in
    // the ranking. The middle of the frames, without the most a band may take at either
    // edge, scrolls alone; the offset it gives is then held to the bands it leaves. In a
    // low selection a bar may reach past the middle: the half away from it scrolls alone.
    const int edge = h / 4, middle = h - 2 * edge, half = h / 2;
    std::vector<int> innerOffsets;
    for (const auto& [from, rows] : {std::pair{edge, middle}, std::pair{0, half}, std::pair{h - half, half}}) {
        if (rows < FrameRegistration::kMinimumSide)
            continue;
        const FrameRegistration::Result inner = FrameRegistration::verticalOffset(
            previous.cropped(0, from, w, rows), next.cropped(0, from, w, rows), expected);
        if (inner.outcome == Outcome::found && inner.offset > 0 && inner.offset < h
            && (!expected || expected->allows(inner.offset))) {
            consider(inner.offset);
            if (std::find(innerOffsets.begin(), innerOffsets.end(), inner.offset) == innerOffsets.end())
                innerOffsets.push_back(inner.offset);
            // The middle alone settles it where it can.
            if (from == edge)
                break;
        }
    }
    // Beside such a bar a low selection may share no more than the foot of grey pictures
    // with the frame before: too few edges to rank any offset. The scroll the clicks
    // asked for is tried as well, and stands only where the rows beside the bands fit it
    // and no other the scroll allows.
    if (expected && expected->high - expected->low < h / 2)
        consider((expected->low + expected->high) / 2);

    const auto tryBands = [&](int offset, const EdgeBands& bands) -> std::optional<BandedOffset> {
        const int rest = h - bands.top - bands.bottom;
        if (bands == EdgeBands{} || rest < FrameRegistration::kMinimumSide)
            return std::nullopt;
        const FrameRegistration::Result again = FrameRegistration::verticalOffset(
            previous.cropped(0, bands.top, w, rest), next.cropped(0, bands.top, w, rest), expected);
        if (again.outcome == Outcome::found && again.offset == offset)
            return BandedOffset{offset, bands, again.settledByExpected, again.alikeSpacing};
        // Rows a little short of the next that look alike in all but their words and
        // colours (a list of one-line rows): of the offsets the scroll allows, the one
        // that no row beside the bands contradicts.
        if (again.outcome == Outcome::ambiguous && again.offset == offset && expected && expected->allows(offset)
            && !expected->allows(again.rivalOffset)
            && placeWithinAskedScroll(previous.cropped(0, bands.top, w, rest), next.cropped(0, bands.top, w, rest), *expected)
                   == offset)
            return BandedOffset{offset, bands, true, 0};
        // Above a footer's band too few edges may be left to register (the foot of grey
        // pictures and the blank under them): the one offset of the scroll no row
        // contradicts, with an edge among the rows that fit, still places the frame, where
        // every row the frames share there is drawn again pixel for pixel (what changed by
        // itself, or loaded, would let a wrong offset pass for one no row contradicts).
        // Only where the scroll was measured: merely forward, plain rows fit too many
        // places to trust one. Not below a band at the top: placed so, it would be taken
        // for a header that just stuck, on no more than the clicks' word.
        const auto sharedRowsDrawnAgain = [&] {
            for (int r = 0; r + offset < rest; ++r)
                if (!FramePixelCompare::rowsMatch(next.row(r), previous.row(r + offset), w))
                    return false;
            return true;
        };
        if ((again.outcome == Outcome::noMatch || again.outcome == Outcome::tooSmall) && bands.top == 0 && expected
            && expected->allows(offset) && expected->high - expected->low < h / 2 && sharedRowsDrawnAgain()
            && placeWithinAskedScroll(previous.cropped(0, 0, w, rest), next.cropped(0, 0, w, rest), *expected) == offset)
            return BandedOffset{offset, bands, true, 0};
        return std::nullopt;
    };
    // Each offset in turn, without the bands `find` leaves at it, the first kTries that
    // leave enough rows between them.
    const auto placeBeside = [&](auto find) -> decltype(tryBands(0, EdgeBands{})) {
        int tries = 0;
        for (const int offset : offsets) {
            const EdgeBands bands = find(previous.cropped(0, 0, bandWidth, h), next.cropped(0, 0, bandWidth, h), offset);
            if (bands == EdgeBands{} || h - bands.top - bands.bottom < FrameRegistration::kMinimumSide)
                continue;
            if (++tries > kTries)
                break;
            if (auto banded = tryBands(offset, bands))
                return banded;
        }
        return std::nullopt;
    };
    if (auto banded = placeBeside([](const FramePixels& a, const FramePixels& b, int offset) { return edgeBands(a, b, offset); }))
        return banded;
    // Bars that change height: the offset the middle gives first, then the others,
    // without the bars each leaves.
    for (auto i = innerOffsets.rbegin(); i != innerOffsets.rend(); ++i) {
        const auto inner = std::find(offsets.begin(), offsets.end(), *i);
        std::rotate(offsets.begin(), inner, inner + 1);
    }
    if (auto banded = placeBeside([](const FramePixels& a, const FramePixels& b, int offset) { return barBands(a, b, offset); }))
        return banded;
    // Something that changes by itself in a few columns beside the rows (a canvas under
    // a header that changes height) differs at every row it covers, and no band ends
    // where the bar does. The middle still placed the frame; the columns beside that
    // change show where the bands end.
    for (const int offset : innerOffsets) {
        const auto beside = steadyColumns(previous.cropped(0, 0, bandWidth, h), next.cropped(0, 0, bandWidth, h), offset,
                                          edge, middle);
        if (!beside)
            continue;
        const FramePixels a = previous.cropped(beside->first, 0, beside->second, h);
        const FramePixels b = next.cropped(beside->first, 0, beside->second, h);
        for (const EdgeBands& bands : {edgeBands(a, b, offset), barBands(a, b, offset)}) {
            if (auto banded = tryBands(offset, bands))
                return banded;
        }
    }
    return std::nullopt;
}

std::optional<BandedOffset> registerBesideBands(const QImage& previous, const QImage& next, int scrollbarPx,
                                                int stickyPx, std::optional<FrameRegistration::Expected> expected)
{
    return onComparedRegion(previous, next, scrollbarPx, stickyPx, [&](const FramePixels& p, const FramePixels& n, int bandWidth) {
        return registerBesideBands(p, n, expected, bandWidth);
    });
}

} // namespace ScrollStitcher
