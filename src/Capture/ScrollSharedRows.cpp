#include "Capture/ScrollSharedRows.h"

#include "Capture/FrameRegistration.h"
#include "Capture/ScrollOffsetRules.h"

#include <QImage>

#include <algorithm>
#include <cstring>

namespace ScrollStitcher {

namespace {

// Compared exactly: rows that moved are drawn again pixel for pixel, and a smooth
// gradient (a picture's, a card's) pins an offset only by its exact values; within any
// tolerance its rows would fit many offsets.
bool rowsMatch(const quint32* a, const quint32* b, int width)
{
    return std::memcmp(a, b, std::size_t(width) * sizeof(quint32)) == 0;
}

// Rows of a band that must hold detail of their own: one line of text has several,
// a border or a placeholder's edge one or two, which repeat wherever cards do.
constexpr int kDetailedRows = 4;
// The width is searched in this many parts, each alone; narrower parts than
// kNarrowestPart are not: the whole width is.
constexpr int kParts = 8;
constexpr int kNarrowestPart = 24;

bool flat(const quint32* row, int width)
{
    return std::all_of(row + 1, row + width, [first = row[0]](quint32 pixel) { return pixel == first; });
}

// The band's rows with detail (not flat, unlike the row above): -1 when fewer than
// kDetailedRows, else the first of them, the one compared first.
int detailedRow(const FramePixels& frame, int top, int x, int width)
{
    int count = 0, first = -1;
    for (int i = 0; i < kSharedBandRows; ++i) {
        const quint32* row = frame.row(top + i) + x;
        if (flat(row, width) || (i > 0 && rowsMatch(row, frame.row(top + i - 1) + x, width)))
            continue;
        if (first < 0)
            first = i;
        ++count;
    }
    return count >= kDetailedRows ? first : -1;
}

bool bandShowsAt(const FramePixels& previous, const FramePixels& next, int top, int shift, int x, int width, int first)
{
    if (!rowsMatch(next.row(top + first) + x, previous.row(top + shift + first) + x, width))
        return false;
    for (int i = 0; i < kSharedBandRows; ++i)
        if (!rowsMatch(next.row(top + i) + x, previous.row(top + shift + i) + x, width))
            return false;
    return true;
}

struct Scan {
    std::vector<int> shifts;
    bool detail = false; // some band ending above the scan's `detailEnd` held detail
};

// Bands of `next` that end above row `bandsEnd`, each looked for further down in
// `previous`, until `maxCount` shifts are found.
Scan scan(const FramePixels& previous, const FramePixels& next, int minimumShift, int maxCount, int bandsEnd,
          int detailEnd)
{
    Scan result;
    const int w = next.width, h = next.height;
    if (previous.isNull() || next.isNull() || previous.width != w || previous.height != h || maxCount <= 0)
        return result;
    minimumShift = std::max(1, minimumShift);
    // A region that animates, or pictures that loaded, may cover up to half the width:
    // three eighths of the width at least, wherever it lies, show the rows as they were.
    const int parts = w / kParts >= kNarrowestPart ? kParts : 1;
    const int partWidth = w / parts;
    for (int part = 0; part < parts; ++part) {
        const int x = part * partWidth;
        for (int top = 0; top + kSharedBandRows <= bandsEnd && top + kSharedBandRows + minimumShift <= h;
             top += kSharedBandRows / 2) {
            const int first = detailedRow(next, top, x, partWidth);
            if (first < 0)
                continue;
            if (top + kSharedBandRows <= detailEnd)
                result.detail = true;
            for (int shift = minimumShift; top + shift + kSharedBandRows <= h; ++shift) {
                if (std::find(result.shifts.begin(), result.shifts.end(), shift) != result.shifts.end()
                    || !bandShowsAt(previous, next, top, shift, x, partWidth, first))
                    continue;
                result.shifts.push_back(shift);
                if (int(result.shifts.size()) >= maxCount)
                    return result;
            }
        }
    }
    return result;
}

} // namespace

std::vector<int> sharedRowShifts(const FramePixels& previous, const FramePixels& next, int minimumShift, int maxCount)
{
    return scan(previous, next, minimumShift, maxCount, next.height, next.height).shifts;
}

namespace {

// Rows a bar's line of text moves by where the bar grows or shrinks by a row or two
// between two frames (centred in it, or kept at its top); far fewer than any scroll.
constexpr int kBarMoveRows = 2;

// The rows at the bottom of `previous` that a bar at the bottom covers, where it
// changed height by the next frame: the rows as `next` shows them at the same place
// (the bar's lower part), and above them rows of one colour the bar has there too.
int bottomBarRows(const FramePixels& previous, const FramePixels& next)
{
    const int w = next.width, h = next.height;
    int bar = 0;
    while (bar < h && rowsMatch(previous.row(h - 1 - bar), next.row(h - 1 - bar), w))
        ++bar;
    if (bar < kDetailedRows || bar == h)
        return 0;
    auto barColour = [&](quint32 colour) {
        for (int r = h - bar; r < h; ++r)
            if (flat(previous.row(r), w) && previous.row(r)[0] == colour)
                return true;
        return false;
    };
    // A bar that changed height moves what it holds (a line of text) by as many rows:
    // such a row, on the bar's colour at both ends, shows a few rows away in the next
    // frame, where content that scrolled would have moved by a whole scroll.
    auto barContent = [&](int r) {
        const quint32* row = previous.row(r);
        if (!barColour(row[0]) || row[w - 1] != row[0])
            return false;
        for (int d = -kBarMoveRows; d <= kBarMoveRows; ++d)
            if (d != 0 && r + d >= 0 && r + d < h && rowsMatch(row, next.row(r + d), w))
                return true;
        return false;
    };
    int top = h - bar;
    while (top > 0 && ((flat(previous.row(top - 1), w) && barColour(previous.row(top - 1)[0])) || barContent(top - 1)))
        --top;
    return h - top;
}

} // namespace

RowsShown rowsShown(const FramePixels& previous, const FramePixels& next, int minimumShift)
{
    // A scroll of up to half the frame leaves the upper half of the new one showing
    // rows of the previous one: there the answer lies either way.
    // Rows of `next` that a bar at the bottom of `previous` covered there prove nothing
    // by not showing: only bands that any such scroll keeps above the bar tell.
    const int half = next.height / 2;
    const Scan found = scan(previous, next, minimumShift, 1, half, half - bottomBarRows(previous, next));
    return !found.shifts.empty() ? RowsShown::shown : found.detail ? RowsShown::none : RowsShown::unknown;
}

RowsShown rowsShown(const QImage& previous, const QImage& next, int scrollbarPx, int stickyPx)
{
    const auto region = FrameRegistration::comparedRegion(previous, next, scrollbarPx, stickyPx);
    if (!region)
        return RowsShown::unknown;
    const int w = region->next.width;
    const int width = scrollbarPx > 0 ? w : w - std::min(w / 8, 50);
    return rowsShown(region->previous.cropped(0, 0, width, region->previous.height),
                     region->next.cropped(0, 0, width, region->next.height),
                     minimumOffset(region->next.height, JudgeMode::first, 0));
}

} // namespace ScrollStitcher
