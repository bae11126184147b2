#pragma once

#include "Platform/WindowImageSource.h"

#include <QElapsedTimer>
#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>

class QSocketNotifier;
class XcbConnection;
class XcbScreenGrabber;

// Reads a window through the Composite extension on a connection of its own. Without a
// compositing manager the window's pixels exist only where it is visible, so the frame
// is redirected off screen for the grab (and let go afterwards); its program then
// repaints what was covered, which the Damage extension reports. The window is taken
// as drawn once no drawing has been reported for a short while. Inside a window
// manager's frame only the client's drawing counts once the frame has drawn itself after
// the redirect: the frame's later redraws (focus marked once the overlays are gone) do
// not hold the capture up.
class X11WindowImageSource final : public QObject, public WindowImageSource {
    Q_OBJECT
public:
    // quietMs: how long the window must have stopped drawing; capMs: the longest wait.
    explicit X11WindowImageSource(int quietMs = 40, int capMs = 1000, QObject* parent = nullptr);
    ~X11WindowImageSource() override;

    void prepare(std::uint32_t windowId) override;
    void release() override;
    WindowImage capture(std::uint32_t windowId, bool withPointer) override;

    // The top-level window that holds windowId (its window manager frame, or the window
    // itself where nothing reparents it); absent when the window is gone.
    std::optional<std::uint32_t> topLevelFrame(std::uint32_t windowId);
    // Whether the frame of the prepared window had to be redirected for the grab.
    bool redirectedForGrab() const { return m_redirected; }

private:
    bool ensureConnection();
    void readEvents();
    void waitUntilDrawn();
    bool drawn();

    int m_quietMs;
    int m_capMs;
    std::unique_ptr<XcbConnection> m_connection;
    std::unique_ptr<XcbScreenGrabber> m_grabber;
    QSocketNotifier* m_notifier = nullptr;
    bool m_connectionFailed = false;
    std::uint8_t m_damageEvent = 0;

    std::uint32_t m_preparedWindow = 0;
    std::uint32_t m_frame = 0;
    std::uint32_t m_damage = 0;       // the frame with everything inside it
    std::uint32_t m_clientDamage = 0; // the client alone, where a frame holds it
    bool m_redirected = false;
    bool m_frameSettled = false;      // the frame's first drawing after the redirect is done
    QElapsedTimer m_sinceFrameDrawn;  // restarted at the redirect and at drawing in the frame
    QElapsedTimer m_sinceClientDrawn; // restarted at the redirect and at the client's drawing
};
