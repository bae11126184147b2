#pragma once

// A low selection over cards whose pictures are smooth shading (a gradient, a soft
// photo) often shares with the last kept frame nothing but the inside of those
// pictures: no line, no caption, no edge for the registration to go by, and every
// offset a few rows either way matches within the comparison's tolerance. Yet a page
// that scrolled is drawn again pixel for pixel: at the true offset the shared rows are
// identical, while one row off a shading that changes from row to row differs
// everywhere it changes. Within the offsets the clicks allow, that tells the one the
// page moved by.
//
// Plain functions on borrowed pixels: no state, callable from any thread.

#include "Capture/FramePixels.h"
#include "Capture/FrameRegistration.h"

#include <optional>

namespace ScrollStitcher {

struct ShadedPlace {
    int offset = 0;
    // Some offset outside what `expected` allows matches as well (pictures drawn alike
    // at a fixed pitch): the clicks, not the shading, told them apart.
    bool alikeElsewhere = false;
    // Rows of a fixed bar that changed height, left out: at the bottom of `previous`.
    int barBottom = 0;
};

// The one offset allowed by `expected` at which the rows of `next` are the rows of
// `previous` exactly (but for a few scattered pixels), left of where a scrollbar may be
// and between rows that stayed put at the top and bottom (fixed bars); provided the
// shared rows hold enough shading that changes from row to row, and every other offset
// within two rows of what `expected` allows, and no move at all, differs in a good part
// of it. Nothing otherwise. `previous` and `next` are the region the registration
// compares, of equal size.
std::optional<ShadedPlace> placeByExactShading(const FramePixels& previous, const FramePixels& next,
                                               const FrameRegistration::Expected& expected);

} // namespace ScrollStitcher
