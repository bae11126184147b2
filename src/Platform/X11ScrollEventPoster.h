#pragma once

#include "Platform/ScrollEventPoster.h"

class XcbConnection;

// Wheel clicks through XTest: button 5 (4 to scroll up) pressed and released at the pointer, which the
// server then delivers to the window under it as if a mouse had sent them.
class X11ScrollEventPoster final : public ScrollEventPoster {
public:
    // Null when the server lacks the XTest extension.
    static std::unique_ptr<X11ScrollEventPoster> create(XcbConnection& connection);

    std::optional<QPoint> pointerPosition() override;
    void movePointer(const QPoint& rootPixel) override;
    bool scroll(const QPoint& rootPixel, int clicks) override;

private:
    explicit X11ScrollEventPoster(XcbConnection& connection)
        : m_connection(connection)
    {
    }

    XcbConnection& m_connection;
};
