#pragma once

#include <QPoint>

#include <memory>
#include <optional>

// Synthesised scroll-wheel input, the way a scrolling capture moves another program's
// content: wheel clicks delivered where the pointer is, so the pointer is placed over
// the content first. Positions are root-window pixels. On X11 the events come from the
// XTest extension and a wheel click is whatever one click scrolls in the program that
// receives it; tests use a fake.
class ScrollEventPoster {
public:
    virtual ~ScrollEventPoster() = default;

    // The application display's poster; null off X11 or where the server lacks XTest.
    static std::unique_ptr<ScrollEventPoster> forApplication();

    // Where the pointer is now; nothing when it cannot be read.
    virtual std::optional<QPoint> pointerPosition() = 0;
    // Moves the pointer as the user would (the program under it sees the move).
    virtual void movePointer(const QPoint& rootPixel) = 0;
    // Moves the pointer to `rootPixel` and posts wheel clicks there: `clicks` above 0
    // scroll the content down (revealing what lies below), below 0 back up. False when
    // the events could not be sent.
    virtual bool scroll(const QPoint& rootPixel, int clicks) = 0;
};
