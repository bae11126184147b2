// A private X11 desktop for the latency benchmarks: Xvfb 1920x1080 with openbox and
// trayer, and an observer connection that stamps what the server reports (windows
// mapped and docked, the clipboard taken) with the time it was read. Keys and clicks
// are sent through XTEST from here, so the clock starts as the server gets them.
#pragma once

#include "Platform/XcbConnection.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace BenchDesktop {

using Clock = std::chrono::steady_clock;

inline double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

class Desktop {
public:
    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    bool ok() const { return m_ok; }
    const QString& error() const { return m_error; }
    QProcessEnvironment environment(const QString& configDir) const;

    // Starts a program on the desktop; null when it would not start.
    std::unique_ptr<QProcess> start(const QString& program, const QStringList& arguments, const QString& configDir);
    // TERM, then KILL after a while.
    static void stop(QProcess& process);

    // The first reported event that `match` takes, within timeoutMs; the time it was read.
    std::optional<Clock::time_point> waitFor(const std::function<bool(const xcb_generic_event_t&)>& match,
                                             int timeoutMs);
    // Waits for an override-redirect or top-level window titled `title` to be mapped.
    std::optional<Clock::time_point> waitForMapped(const QString& title, int timeoutMs);
    // Waits for a window of a program to be docked into the system tray.
    std::optional<Clock::time_point> waitForDocked(int timeoutMs);
    // Waits for a new owner of the CLIPBOARD selection.
    std::optional<Clock::time_point> waitForClipboardOwner(int timeoutMs);
    // Whether a managed window titled `title` is listed by the window manager.
    bool hasClientTitled(const QString& title);
    // Reads and drops whatever the server has reported so far.
    void drain();

    // Key symbols (0xffe3 Control_L, 0xffe1 Shift_L, '7'): pressed in order, released in
    // reverse. Returns the time the last key went down.
    Clock::time_point sendKeys(const std::vector<std::uint32_t>& keysyms);
    void movePointer(int x, int y);
    Clock::time_point click();

private:
    QString titleOf(xcb_window_t window);
    bool insideTray(xcb_window_t window); // one of trayer's windows or inside one
    xcb_keycode_t keycode(std::uint32_t keysym);

    bool m_ok = false;
    QString m_error;
    QTemporaryDir m_dir;
    QString m_display;
    std::vector<std::unique_ptr<QProcess>> m_helpers;
    std::unique_ptr<XcbConnection> m_x;
    std::uint8_t m_fixesEvent = 0;
};

} // namespace BenchDesktop
