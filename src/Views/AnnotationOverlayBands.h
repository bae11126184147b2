#pragma once

#include <QImage>
#include <QPainter>

#include <functional>

// Painting a large picture on several threads at once. The picture is cut into
// horizontal bands of the target image; `paint` runs once per band, on a painter
// whose window shows only that band, and draws the whole picture in the target's
// coordinates as it would on one painter (what falls outside the band is cut off).
// Pixels come out as one painter would make them: the same shapes cover each pixel
// whichever band it lies in; only the edge coverage of long antialiased strokes may
// round a level or two differently where a band cuts them.
//
// `paint` must only use the painter it is given and thread-safe shared state (the
// annotation paint functions qualify: the text and mosaic caches are locked). The
// call returns when every band is done.
namespace OverlayBands {

// How many bands a target of this height is cut into on this machine.
int bandCount(int height);

void paintInBands(QImage& target, const std::function<void(QPainter&)>& paint);

} // namespace OverlayBands
