#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
class XcbConnection;

// Watches the whole screen for drawing through the Damage extension, on a connection of
// its own, while somebody waits for it to settle. The watch exists only during a wait:
// an idle tray program is not woken by every redraw on the desktop.
class X11RepaintWatch final : public QObject {
    Q_OBJECT
public:
    // quietMs: how long no drawing must have been reported (programs repaint what an
    // unmapped window uncovered within a few milliseconds of its Expose).
    explicit X11RepaintWatch(int quietMs = 10, QObject* parent = nullptr);
    ~X11RepaintWatch() override;

    // False when the display offers no Damage extension; then nothing is watched.
    bool available();
    // Runs then once quietMs passed without drawing (and, where a compositing manager
    // draws the screen, after it drew at least once), or capMs after this call.
    void wait(QObject* context, int capMs, std::function<void()> then);

private:
    struct Waiter {
        QPointer<QObject> context;
        bool hasContext = false;
        std::function<void()> then;
        QElapsedTimer waited;
        int capMs = 0;
    };

    bool ensureConnection();
    void startWatching();
    void stopWatching();
    void readEvents();
    void check();

    const int m_quietMs;
    std::unique_ptr<XcbConnection> m_connection;
    QSocketNotifier* m_notifier = nullptr;
    bool m_connectionFailed = false;
    std::uint8_t m_damageEvent = 0;
    std::uint32_t m_damage = 0;
    bool m_compositor = false;
    bool m_drawnSinceStart = false;
    QElapsedTimer m_sinceDrawn;
    QTimer m_timer;
    std::vector<Waiter> m_waiters;
};
