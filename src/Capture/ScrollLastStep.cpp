#include "Capture/ScrollLastStep.h"

#include "Capture/FrameLocalChanges.h"
#include "Capture/FramePixelCompare.h"

#include <algorithm>

namespace ScrollStitcher {

namespace {

// Rows with something drawn that must be among those that fit: the bottom of a row is
// at least its last line of detail and its rule.
constexpr int kMinimumDrawnRows = 2;

// The last scroll may leave as little as one line of the last row's detail in view; with
// the plain rows below it that line fits one place only, and places that fit alike tie.
constexpr int kMinimumLastDrawnRows = 1;

// Something that changes by itself and stays where it is in the view while the rows
// move under it differs at both its places: up to a fifth of the rows' area. Where the
// rows do not fit, they differ all over.
constexpr int kChangedShare = 5;

} // namespace

std::optional<int> lastStepOffset(const FramePixels& previous, const FramePixels& next)
{
    const int w = std::min(previous.width, next.width), h = std::min(previous.height, next.height);
    if (previous.isNull() || next.isNull() || w < 1 || h < 2)
        return std::nullopt;
    int still = 0;
    while (still < h && FramePixelCompare::rowsMatch(next.row(h - 1 - still), previous.row(h - 1 - still), w))
        ++still;
    if (still == h)
        return std::nullopt; // the page did not move
    std::optional<int> found;
    int fewestStill = h;
    bool tied = false;
    for (int t = 1; t < h; ++t) {
        // Of the rows that stay put, those the previous frame shows as the new frame does
        // `t` rows higher are the page's plain end, not a footer: they take part.
        int footer = std::min(still, h - t);
        while (footer > 0 && FramePixelCompare::rowsMatch(previous.row(h - footer), next.row(h - footer - t), w))
            --footer;
        // Row r of the new frame shows what row r + t of the previous one did.
        int drawn = 0;
        bool fits = true;
        for (int r = 0; r + t < h - footer && fits; ++r) {
            fits = FramePixelCompare::rowsMatch(next.row(r), previous.row(r + t), w);
            drawn += fits && !FramePixelCompare::plainRow(next.row(r), w) ? 1 : 0;
        }
        if (!fits || drawn < kMinimumLastDrawnRows)
            continue;
        // What the step brought in is the page's plain end: a frame with new rows of
        // content is no last step into it (a picture that loaded where the page stood).
        bool plainEnd = true;
        for (int r = std::max(0, h - footer - t); r < h - footer && plainEnd; ++r)
            plainEnd = FramePixelCompare::plainRow(next.row(r), w);
        if (!plainEnd)
            continue;
        // Where the rows fit, the place that holds the most of them against each other:
        // fitting a few rows of one colour elsewhere leaves the plain end below them as
        // an unexplained band of rows that stay put.
        if (!found || footer < fewestStill) {
            found = t;
            fewestStill = footer;
            tied = false;
        } else if (footer == fewestStill) {
            tied = true;
        }
    }
    if (tied)
        return std::nullopt; // two places: the rows do not tell
    return found;
}

std::optional<int> lastStepBesideLocalChanges(const FramePixels& previous, const FramePixels& next, int maxStep)
{
    const int w = std::min(previous.width, next.width);
    int h = std::min(previous.height, next.height);
    if (previous.isNull() || next.isNull() || w < 1 || h < 2)
        return std::nullopt;
    while (h > 0 && FramePixelCompare::rowsMatch(next.row(h - 1), previous.row(h - 1), w))
        --h;
    if (h < 2 || differOnlyLocally(previous.cropped(0, 0, w, h), next.cropped(0, 0, w, h)))
        return std::nullopt; // the page stood still, but for what changed in place
    std::optional<int> found;
    // Every scroll the step allows: rows alike a pitch apart fit at each, and a second
    // fit, however few rows it holds, leaves the place open.
    for (int t = 1; t <= std::min(maxStep, h - kMinimumDrawnRows); ++t) {
        const int rows = h - t;
        const FramePixels shown = next.cropped(0, 0, w, rows);
        if (!differOnlyLocally(previous.cropped(0, t, w, rows), shown, kChangedShare, kChangedShare))
            continue;
        int drawn = 0;
        for (int r = 0; r < rows; ++r)
            drawn += FramePixelCompare::plainRow(shown.row(r), w) ? 0 : 1;
        if (drawn * 8 < rows)
            continue; // plain rows fit anywhere
        if (found)
            return std::nullopt; // rows alike a pitch apart: the rows do not tell
        found = t;
    }
    return found;
}

} // namespace ScrollStitcher
