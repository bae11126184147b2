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

struct FramePixels;

// The same test on two views of equal size, rows held one against one, the box and the
// runs' boxes allowed at most 1/`share` of the area each way (25 and 10 above).
bool differOnlyLocally(const FramePixels& a, const FramePixels& b, int boxShare = 25, int runsShare = 10);

// Columns [left, right) of a view in which something changes by itself: a canvas, a
// video or an animation beside the rows, fixed in the view or scrolling with its row.
struct LiveColumns {
    int left = 0;
    int right = 0;

    bool isEmpty() const { return right <= left; }
    bool operator==(const LiveColumns&) const = default;
    LiveColumns united(const LiveColumns& other) const;
};

// The columns in which two grabs of a view that did not scroll differ, when the rest
// matches exactly, is at least FrameRegistration::kMinimumSide wide, holds content that
// would have shown a scroll (edges on at least an eighth of the rows), and the rows that
// differ show nothing that merely moved up or down: nothing otherwise (a scroll changes
// every column that holds something). A picture that loaded passes too: only a change
// seen again tells what changes by itself.
LiveColumns liveColumnsBetween(const QImage& a, const QImage& b);

// The grab with `live` painted over in one flat colour, so that what changes there by
// itself neither keeps grabs from agreeing nor takes part in placing a frame. The grab
// itself when `live` is empty.
QImage withoutLiveColumns(const QImage& image, const LiveColumns& live);

// The grab with `live` cut out and what lies left and right of it joined: a picture the
// columns cut across reads whole again. The grab itself when `live` is empty.
QImage withLiveColumnsCutOut(const QImage& image, const LiveColumns& live);

// Whether `after` shows the view `before` does but for placeholders filled in beside
// `live`: left of and right of those columns, every row matches, or differs only inside
// runs of one colour of `before` at least a few pixels wide, or of any width where they
// reach the columns (a sliver of a placeholder they cut across). Unlike a picture that
// loaded in the open, a strip of one that the columns cut off need not show detail of
// its own. Meant for a page already known to stand still (it does not tell a plain box
// that moved from one that filled in). Grabs of another size, format or depth than 32
// bits never pass.
// With `setOff`, a run must also be set off from something beside it other than the
// columns and the grab's edge: a plain end that rows filled across the whole width
// beside them is no placeholder.
bool placeholdersFilledBeside(const QImage& before, const QImage& after, const LiveColumns& live, bool setOff = false);
