#pragma once

// Content that changes while it scrolls: pictures that load once they come into view
// (a grey placeholder turns to colour), a counter that ticks inside a row. Between two
// frames such rows differ at every offset, the right one included, and where they are
// many the registration finds no offset that holds. Rows that did not change still
// agree, whole, at the offset the content moved by; only they decide it.
//
// Plain functions on borrowed pixels: no state, callable from any thread.

#include "Capture/FramePixels.h"
#include "Capture/FrameRegistration.h"

#include <optional>

namespace ScrollStitcher {

// The offset (allowed by `expected`) at which the rows of `next` that match the rows
// of `previous` whole, left of where a scrollbar may be, hold the most edges; provided those edges are a line of text's
// worth over several rows, no other offset comes near (a quarter of them), and every
// row that does not match differs only within part of the width (a picture beside
// text, not a whole row of other content). Nothing otherwise. `previous` and `next`
// are the region the registration compares, of equal size.
std::optional<int> registerByUnchangedRows(const FramePixels& previous, const FramePixels& next,
                                           const FrameRegistration::Expected& expected);

// Whether two rows `width` pixels wide match, or differ only where one of them shows a
// placeholder that the other shows loaded.
bool rowsMatchButForPlaceholders(const quint32* a, const quint32* b, int width);

// Whether the two frames show the page at the same place: every row matches, or differs
// only where one of them shows a placeholder (a plain box set off from what lies beside
// it) that the other shows loaded.
bool sameButForPlaceholders(const FramePixels& a, const FramePixels& b);
// The same for two grabbed frames in any pixel layout: the page stood still while
// pictures on it loaded.
bool sameButForPlaceholders(const QImage& a, const QImage& b);

// The same, but for one band of columns, at most half the width, where anything may
// differ (an animation beside the rows, scrolling with them or not): the page stood
// still while pictures loaded and the band changed by itself. Rows that differ outside
// that band only where placeholders loaded, and rows that match, must hold edges
// enough to have shown a move (a caption, a card's border).
bool sameButForPlaceholdersAndOneBand(const QImage& a, const QImage& b);

// As sameButForPlaceholders, but for one box of at most a twenty-fifth of the area (as a local change),
// where anything may differ: the page stood still while pictures loaded and something
// small changed by itself, also across a picture that loaded (a sliver of an animation
// over it), where neither alone would say so.
bool sameButForPlaceholdersAndOneBox(const QImage& a, const QImage& b);

// The same where the box lies over pictures that loaded (an animation fixed in the view
// over cards): each run of one colour is judged a placeholder or not on its own, so the
// pictures beside and under the box do not widen it.
bool sameButForPlaceholdersAndOneBoxOverThem(const QImage& a, const QImage& b);

} // namespace ScrollStitcher
