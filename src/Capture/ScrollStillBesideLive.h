#pragma once

// Whether a page with columns that change by themselves stood still between two grabs.
// Painted over in one flat colour, wide columns leave so little of the grab that a
// scroll of the rows beside them fits inside the box a local change may take; cut out,
// the rows beside them are the whole grab, and a scroll changes them all over.

#include "Capture/FrameLocalChanges.h"

#include <QImage>

// Two grabs of one view, `live` cut out of both: whether the rest differs only locally
// (as differOnlyLocally tells it), only where placeholders filled in, or only where rows
// loaded at the bottom in place of a plain end. With `live` empty, the same of the
// grabs as they are.
bool stillBesideLiveColumns(const QImage& before, const QImage& after, const LiveColumns& live);
