#pragma once

class QWidget;

// What the desktop offers a small window that floats over everything (a pin): whether
// it draws translucent windows, and keeping a window on every workspace, out of the
// taskbar and the pager. Staying above other windows is Qt's own window flag.
class FloatingWindowDesktop {
public:
    virtual ~FloatingWindowDesktop() = default;

    // True when a compositing manager runs: translucent margins, shadows and window
    // opacity show; without one the server draws the window opaque.
    virtual bool drawsTranslucency() = 0;
    // Call before the window is first shown: marks it sticky and skipped by the
    // taskbar and the pager.
    virtual void keepOnEveryWorkspace(QWidget* window) = 0;
    // Whether the window system fades a whole window (QWidget::setWindowOpacity);
    // where it does not (Wayland), the window draws its content faded itself.
    virtual bool fadesWindows() { return true; }
    // Hands a pointer drag of the window to the desktop, where a program cannot place
    // its windows itself (Wayland); false where the program moves it.
    virtual bool startMove(QWidget* window) { return false; }

    // The X11 one when the application runs on xcb, the Wayland one as a Wayland client
    // (always composited, moved by the compositor), else one that offers nothing.
    static FloatingWindowDesktop& shared();
    // nullptr restores the default.
    static void setSharedForTesting(FloatingWindowDesktop* desktop);
};
