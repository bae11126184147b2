#pragma once

// Whether a scrolled view stands still: two grabs of it that differ only in places
// that change by themselves (a caret, a pulsing badge, spinners, a clock, a bar of
// moving stripes across the whole width) show a page that did not move. A scroll,
// even of one row, changes rows all over.

#include <QImage>

// Two grabs of equal size and format that differ within one box of at most 4% of the
// area, or in at most 8 runs of rows whose boxes cover at most a tenth of it. Grabs
// of another size, format or depth than 32 bits are never taken for still.
bool differOnlyLocally(const QImage& a, const QImage& b);

// Columns [left, right) of a view that change by themselves from the top of the view to
// its bottom: a canvas, a video or an animation beside the rows.
struct LiveColumns {
    int left = 0;
    int right = 0;

    bool isEmpty() const { return right <= left; }
    bool operator==(const LiveColumns&) const = default;
    LiveColumns united(const LiveColumns& other) const;
};

// The columns in which two grabs of a view that did not scroll differ, when the rest
// matches exactly, holds content that would have shown a scroll (edges on at least a
// quarter of the rows), and the columns are at most half the width, at the view's left
// or right side, and show nothing that merely moved up or down: nothing otherwise (a
// scroll changes every column that holds something).
LiveColumns liveColumnsBetween(const QImage& a, const QImage& b);

// The grab with `live` painted over in one flat colour, so that what changes there by
// itself neither keeps grabs from agreeing nor takes part in placing a frame. The grab
// itself when `live` is empty.
QImage withoutLiveColumns(const QImage& image, const LiveColumns& live);
