#include "Capture/ScrollPlainOverlap.h"

#include "Capture/FramePixelCompare.h"
#include "Capture/FrameRegistration.h"
#include "Capture/ScrollChangedContent.h"

#include <algorithm>

namespace ScrollStitcher {

namespace {

// Rows kept in common at the least, as the registration ranks offsets.
constexpr int kMinimumOverlap = 16;
// Columns of a row that must stand out from their left neighbour: the sides of a box, a
// strip beside it. Fewer might be a speck on an otherwise blank end.
constexpr int kMinimumAcross = 2;

} // namespace

bool sharesOnlyPlainRows(const FramePixels& previous, const FramePixels& next, int askedPx, int stickyPx, int footerPx)
{
    if (previous.isNull() || next.isNull() || previous.width != next.width || previous.height != next.height)
        return false;
    // Left of where a scrollbar may be: its thumb moves in every row.
    const int w = next.width - std::min(next.width / 8, 50);
    const int h = next.height - std::max(0, stickyPx) - std::max(0, footerPx);
    if (w < FrameRegistration::kMinimumSide || h < FrameRegistration::kMinimumSide || askedPx <= 0)
        return false;
    const FramePixels p = previous.cropped(0, std::max(0, stickyPx), w, h);
    const FramePixels n = next.cropped(0, std::max(0, stickyPx), w, h);
    const int shared = h - askedPx;
    if (shared < std::max(kMinimumOverlap, h / 16))
        return false;
    // Pictures that loaded meanwhile contradict nothing.
    const auto agreesAt = [&](int t) {
        for (int r = std::max(0, -t); r < std::min(h, h - t); ++r) {
            if (!FramePixelCompare::rowsMatch(n.row(r), p.row(r + t), w)
                && !sameButForPlaceholders(p.cropped(0, r + t, w, 1), n.cropped(0, r, w, 1)))
                return false;
        }
        return true;
    };
    // Rows [from, to) of a frame are all one row, set off across its width.
    const auto plainRun = [&](const FramePixels& f, int from, int to) {
        const quint32* plain = f.row(from);
        if (FramePixelCompare::countEdges(plain + 1, plain, w - 1) < kMinimumAcross)
            return false;
        for (int r = from + 1; r < to; ++r) {
            if (!FramePixelCompare::rowsMatch(f.row(r), plain, w))
                return false;
        }
        return true;
    };
    if (!agreesAt(askedPx))
        return false;
    // Nothing the frames share can tell one offset from another: no row of the previous
    // frame there stands out from the one above it (a placeholder, a picture's gentle
    // shading), and something stands out across them (no blank end).
    const auto smoothRun = [&](const FramePixels& f, int from, int to) {
        if (FramePixelCompare::countEdges(f.row(from) + 1, f.row(from), w - 1) < kMinimumAcross)
            return false;
        for (int r = from + 1; r < to; ++r) {
            if (!FramePixelCompare::rowsMatch(f.row(r), f.row(r - 1), w))
                return false;
        }
        return true;
    };
    if (smoothRun(p, askedPx, h))
        return true;
    // Or the shared rows place the frame where the clicks sent the page, too few of them
    // for the registration to go by, and only plain rows came in: a page whose last step
    // was shorter shows rows alike there, so the place stands only as such frames do.
    if (!plainRun(n, shared, h))
        return false;
    const FrameRegistration::Expected near = FrameRegistration::Expected::near(askedPx);
    for (int t = std::max(1, near.low); t <= near.high; ++t) {
        if (t != askedPx && h - t >= kMinimumOverlap && agreesAt(t))
            return false;
    }
    return true;
}

bool placedOverPlainRows(const QImage& previous, const QImage& next, int askedPx, int stickyPx, int footerPx,
                         const std::optional<ThumbScale>& thumb)
{
    const QImage a = withFramePixelLayout(previous), b = withFramePixelLayout(next);
    if (!sharesOnlyPlainRows(framePixels(a), framePixels(b), askedPx, stickyPx, footerPx))
        return false;
    if (!thumb)
        return true;
    const auto move = contentMoveByThumb(*thumb, next);
    return !move || (askedPx >= move->low && askedPx <= move->high);
}

} // namespace ScrollStitcher
