#pragma once

#include <QObject>
#include <QPoint>

#include <functional>
#include <memory>

// The user's keyboard and mouse buttons held for a capture that must not be disturbed
// while it works by itself: every key press comes here instead of reaching a program,
// and every click of the main buttons is first shown to `swallowsClickAt`, which
// decides whether it is dropped or goes on to the window under the pointer as if
// nothing had held it. The wheel is never held. Positions are root-window pixels.
//
// On X11: an active grab of the keyboard, and a synchronous passive grab of buttons 1,
// 2, 3, 8 and 9 on the root window whose presses are replayed or let go
// (AllowEvents). Tests use a fake.
class CaptureInputGrab : public QObject {
    Q_OBJECT
public:
    enum class Key { escape, returnKey, other };

    using QObject::QObject;

    // The application display's grab; null off X11.
    static std::unique_ptr<CaptureInputGrab> forApplication();

    // Takes the keyboard and the buttons; false (holding nothing) when the display
    // refuses either, as it does while another program holds them.
    virtual bool grab() = 0;
    // Lets go of everything; nothing when nothing is held.
    virtual void release() = 0;
    virtual bool isGrabbed() const = 0;

    // True drops the click at that point; false (or no function) lets it through.
    std::function<bool(const QPoint& rootPixel)> swallowsClickAt;

signals:
    // A key went down while held (auto-repeat included).
    void keyPressed(CaptureInputGrab::Key key);
};
