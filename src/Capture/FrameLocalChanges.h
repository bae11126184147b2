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
