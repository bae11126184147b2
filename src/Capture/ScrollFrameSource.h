#pragma once

#include <QImage>
#include <QRect>

// Where a scrolling capture reads its frames: a rectangle of the screen as shown right
// now, Lumetra's own windows included (they stay out of the rectangle instead). On
// X11 the root window's pixels through shared memory; tests use a made-up page.
class ScrollFrameSource {
public:
    virtual ~ScrollFrameSource() = default;

    static ScrollFrameSource& current();
    // nullptr puts the screen back.
    static void setForTesting(ScrollFrameSource* source);

    // The rectangle's pixels (root-window pixels in, RGB32 out) with the pointer drawn
    // in when withPointer; a null image when the screen could not be read.
    virtual QImage grab(const QRect& rootPixels, bool withPointer) = 0;
};
