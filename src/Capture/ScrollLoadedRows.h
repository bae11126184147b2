#pragma once

#include <QImage>

// A page that grows at its end (a feed that loads more rows) while the view stands
// still: the rows the view showed stay as they were, and the plain band below them
// (the page's blank end, a "Loading more" prompt) turns into the rows that came.
namespace ScrollLoadedRows {

// The first row of `next` that differs from `previous` when the two frames show the
// same rows above it and differ only in a band at the bottom (above what stayed put
// there) that was plain in `previous` (one colour, but for a short line of text); -1
// otherwise. The
// `scrollbarPx` columns at the right edge, whose thumb moves when the page grows,
// take no part.
int loadedBandTop(const QImage& previous, const QImage& next, int scrollbarPx);

} // namespace ScrollLoadedRows
