#pragma once

// A first click that moves a page whose header changes height while pictures load below
// it: the header's rows differ at every offset, so no offset holds over the whole
// frames; and the pictures that loaded meanwhile differ at the true offset too, so no
// offset holds without the header's band either. Without the band, the rows that did
// not change may still agree on one.
//
// Plain functions on borrowed pixels: no state, callable from any thread.

#include "Capture/FramePixels.h"
#include "Capture/FrameRegistration.h"
#include "Capture/ScrollEdgeBands.h"

#include <optional>

namespace ScrollStitcher {

// The offsets the rows rank best are each tried without the bands they leave at the
// edges (as registerBesideBands finds them); one stands when the unchanged rows between
// those bands register to that same offset alone (registerByUnchangedRows). `bandWidth`
// is the columns the bands are read in (left of where a scrollbar may be).
std::optional<BandedOffset> registerUnchangedRowsBesideBands(const FramePixels& previous, const FramePixels& next,
                                                             const FrameRegistration::Expected& expected, int bandWidth);
std::optional<BandedOffset> registerUnchangedRowsBesideBands(const QImage& previous, const QImage& next, int scrollbarPx,
                                                             int stickyPx, const FrameRegistration::Expected& expected);

} // namespace ScrollStitcher
