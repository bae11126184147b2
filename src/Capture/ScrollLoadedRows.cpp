#include "Capture/ScrollLoadedRows.h"

#include "Capture/FramePixelCompare.h"
#include "Capture/FrameRegistration.h"
#include "Capture/ScrollChangedContent.h"

#include <algorithm>

namespace ScrollLoadedRows {

namespace {

// Rows of a "Loading more" prompt, at the least.
constexpr int kMinimumBandRows = 24;

int sameAs(const quint32* line, int width, quint32 colour)
{
    int same = 0;
    for (int x = 0; x < width; ++x)
        same += FramePixelCompare::differ(line[x], colour) ? 0 : 1;
    return same;
}

} // namespace

int loadedEndRows(const FramePixels& previous, const FramePixels& next, int offset, int fixedTop, int fixedBottom)
{
    if (previous.isNull() || next.isNull() || previous.height != next.height || offset < 0)
        return 0;
    const int width = std::min(previous.width, next.width);
    const int height = previous.height;
    const int first = offset + std::max(0, fixedTop);
    const int bottom = height - std::max(0, fixedBottom);
    if (bottom <= first)
        return 0;
    // Up from the bottom, the band the previous frame ends with: rows of one colour
    // (but for the short line of a prompt where they changed) up to the first row
    // that is no such row and that the next frame shows alike, the rows it joins.
    // Rows that are blank in both frames may join the band: they are drawn from the
    // next frame, which shows them alike.
    const quint32 background = previous.row(bottom - 1)[0];
    int top = bottom;
    qint64 same = 0;
    bool changed = false;
    while (top > first) {
        const quint32* line = previous.row(top - 1);
        const int plain = sameAs(line, width, background);
        const bool differs = !FramePixelCompare::rowsMatch(line, next.row(top - 1 - offset), width);
        if (differs ? 2 * plain < width : 5 * plain < 4 * width)
            break;
        --top;
        same += plain;
        changed = changed || differs;
    }
    // Nine tenths of the band plain; and rows above it to join the next frame's to.
    if (!changed || top == first || 10 * same < 9 * qint64(bottom - top) * width)
        return 0;
    return height - top;
}

int loadedBandTop(const QImage& previous, const QImage& next, int scrollbarPx)
{
    const QImage a = withFramePixelLayout(previous), b = withFramePixelLayout(next);
    const FramePixels p = framePixels(a), n = framePixels(b);
    if (p.isNull() || n.isNull() || p.width != n.width || p.height != n.height)
        return -1;
    // Where no scrollbar was found, left of where one may be: a thumb seldom seen to
    // move before (a low selection, a short page) still shrinks as the page grows.
    const int width = widthLeftOfScrollbar(p.width, scrollbarPx);
    if (width <= 0)
        return -1;
    // What stayed put at the bottom (a footer) is no part of the band.
    int bottom = p.height;
    while (bottom > 0 && FramePixelCompare::rowsMatch(p.row(bottom - 1), n.row(bottom - 1), width))
        --bottom;
    const int rows = loadedEndRows(p.cropped(0, 0, width, p.height), n.cropped(0, 0, width, n.height), 0, 0,
                                   p.height - bottom);
    const int top = p.height - rows;
    // Much of the view unchanged: the page did not move, only its end changed. Under a
    // low selection a "Loading more" row and the page's blank end below it fill all but
    // the top fifth or so.
    if (rows <= 0 || 5 * top < p.height)
        return -1;
    // Above it, the same rows; pictures may have loaded in them meanwhile.
    for (int y = 0; y < top; ++y)
        if (!FramePixelCompare::rowsMatch(p.row(y), n.row(y), width))
            return ScrollStitcher::sameButForPlaceholders(p.cropped(0, 0, width, top), n.cropped(0, 0, width, top)) ? top
                                                                                                                   : -1;
    return top;
}

int loadedBandTopAbove(const QImage& previous, const QImage& next, int upPx, int fixedTop, int fixedBottom,
                       int scrollbarPx)
{
    const QImage a = withFramePixelLayout(previous), b = withFramePixelLayout(next);
    const FramePixels p = framePixels(a), n = framePixels(b);
    const int top = std::max(0, fixedTop);
    // A fixed footer stays where it was while the rows above it move up: only the rows
    // between the bars follow the view.
    const int h = p.height - std::max(0, fixedBottom);
    if (p.isNull() || n.isNull() || p.width != n.width || p.height != n.height || upPx <= 0 || top + upPx >= h)
        return -1;
    const int rows = h - top - upPx;
    const int width = widthLeftOfScrollbar(p.width, scrollbarPx);
    if (width <= 0)
        return -1;
    // The rows `next` no longer reaches went out past the page's end: plain as a band is
    // (its blank end, the foot of a prompt, or nothing at all where the view showed past
    // the end before it moved up), nothing is lost with them.
    const quint32 background = p.row(h - 1)[0];
    qint64 same = 0;
    for (int y = h - upPx; y < h; ++y) {
        const int plain = sameAs(p.row(y), width, background);
        if (2 * plain < width)
            return -1;
        same += plain;
    }
    if (10 * same < 9 * qint64(upPx) * width)
        return -1;
    if (ScrollStitcher::sameButForPlaceholders(p.cropped(0, top, width, rows), n.cropped(0, top + upPx, width, rows)))
        return h;
    const int from = loadedBandTop(previous.copy(0, top, previous.width(), rows),
                                   next.copy(0, top + upPx, next.width(), rows), scrollbarPx);
    return from < 0 ? -1 : top + upPx + from;
}

int loadedEndRowsOf(const QImage& previous, const QImage& next, int offset, int fixedTop, int scrollbarPx)
{
    const QImage a = withFramePixelLayout(previous), b = withFramePixelLayout(next);
    const FramePixels p = framePixels(a), n = framePixels(b);
    if (p.isNull() || n.isNull() || p.height != n.height || offset <= 0 || offset >= p.height)
        return 0;
    const int full = std::min(p.width, n.width);
    const int width = widthLeftOfScrollbar(full, scrollbarPx);
    if (width <= 0)
        return 0;
    const FramePixels before = p.cropped(0, 0, width, p.height), after = n.cropped(0, 0, width, n.height);
    return loadedEndRows(before, after, offset, fixedTop, FrameRegistration::fixedBottomRows(before, after, offset));
}

std::optional<AboveLoadedEnd> placeAboveLoadedEnd(const QImage& previous, const QImage& next, int scrollbarPx,
                                                  int fixedTop, FrameRegistration::Expected expected)
{
    const QImage a = withFramePixelLayout(previous), b = withFramePixelLayout(next);
    const FramePixels p = framePixels(a), n = framePixels(b);
    if (p.isNull() || n.isNull() || p.width != n.width || p.height != n.height)
        return std::nullopt;
    const int width = widthLeftOfScrollbar(p.width, scrollbarPx);
    const int top = std::max(0, fixedTop);
    if (width < FrameRegistration::kMinimumSide)
        return std::nullopt;
    // What stayed put at the bottom (a footer) is no part of the band; the band's rows
    // changed, as rows came in its place.
    int bottom = p.height;
    while (bottom > top && FramePixelCompare::rowsMatch(p.row(bottom - 1), n.row(bottom - 1), width))
        --bottom;
    if (bottom <= top)
        return std::nullopt;
    const quint32 background = p.row(bottom - 1)[0];
    int bandTop = bottom;
    // One colour, but for the short line of a prompt where rows came instead.
    for (; bandTop > top; --bandTop) {
        const quint32* line = p.row(bandTop - 1);
        const int plain = sameAs(line, width, background);
        if (FramePixelCompare::rowsMatch(line, n.row(bandTop - 1), width) ? 5 * plain < 4 * width : 2 * plain < width)
            break;
    }
    // A band of a few rows is a gap between rows, not a page's end.
    if (bottom - bandTop < kMinimumBandRows || bandTop - top < FrameRegistration::kMinimumSide)
        return std::nullopt;
    // Only an offset the rows alone tell: the scroll that was sent settles nothing here,
    // as the rows above the band are few and may repeat at a pitch near it.
    const auto result = FrameRegistration::verticalOffset(p.cropped(0, top, width, bandTop - top),
                                                          n.cropped(0, top, width, bandTop - top));
    const int offset = result.value().value_or(0);
    if (offset <= 0 || bandTop - top - offset < FrameRegistration::kMinimumSide)
        return std::nullopt;
    if (offset > expected.high)
        return std::nullopt;
    return AboveLoadedEnd{offset, p.height - bandTop};
}

} // namespace ScrollLoadedRows
