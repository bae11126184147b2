#pragma once

#include <QImage>

#include <cstdint>
#include <optional>

// Why one window's picture could not be read.
enum class WindowImageError {
    windowGone, // closed or unmapped before it could be read
    unreadable, // the display would not hand out the window's pixels
};

struct WindowImage {
    QImage image; // device pixels: the window with its frame; null on error
    std::optional<WindowImageError> error;
};

// One top-level window's own picture, whole even where other windows cover it. On X11
// the window's frame is read through the Composite extension; tests use a fake.
class WindowImageSource {
public:
    virtual ~WindowImageSource() = default;

    static WindowImageSource& current();
    // nullptr puts the X11 source back.
    static void setForTesting(WindowImageSource* source);

    // Gets the window ready to be read. A window that has to be drawn off screen first
    // starts drawing now, so that a capture soon after need not wait for it. Replaces an
    // earlier preparation; a window that is gone is simply not prepared.
    virtual void prepare(std::uint32_t windowId) = 0;
    // Undoes the preparation (also the one a capture made for itself).
    virtual void release() = 0;
    // The window's picture, its pointer drawn in when withPointer. Waits briefly for a
    // window prepared only just now to finish drawing.
    virtual WindowImage capture(std::uint32_t windowId, bool withPointer) = 0;
};
