#pragma once

#include <QDateTime>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <functional>
#include <optional>

class CaptureClock;
class ScrollEventPoster;

// One judged tick's answer to the driver.
enum class ScrollTickOutcome : quint8 { kept = 0, duplicate = 1, rejected = 2, stop = 3 };

// When the tick loop ends by itself: after `stallLimit` duplicate ticks in a row (the
// page no longer moves), after the eighth rejected tick since the last kept one, or
// on a stop. A rejected tick leaves the duplicate run as it is.
struct ScrollStopRules {
    int stallLimit = 4;
    int duplicateRun = 0;
    int rejectCount = 0;

    static constexpr int maximumRejects = 7;

    // Counts one outcome; true when the loop ends with it.
    bool endsAfter(ScrollTickOutcome outcome);
};

// Scrolls the content under a scrolling capture's selection by itself and paces the
// recording: each tick posts wheel clicks at the selection's centre, waits for the
// program beneath to redraw, and asks the recording to settle and judge a frame; the
// next tick starts only once that judgement is in, so scrolling never runs ahead of
// the frames. Everything runs on the main thread; the waits are the clock's.
//
// X11 knows wheel clicks, not pixels: the driver posts one click per tick until the
// recording has seen how far one click moves the content (calibrate), then as many
// clicks as scroll three fifths of the view: few ticks, each leaving the registration
// ample rows in common. Two such steps leave none, so a tick whose frame could not be
// placed is scrolled back and the step halved (down to one click); it doubles again
// after four kept ticks in a row. Between ticks the pointer goes back to where
// the user had it when that was outside the selection, so the rest of the screen (the
// hint bar's button) stays in reach; at the end it goes back to where it was at start.
class ScrollAutoDriver : public QObject {
    Q_OBJECT
public:
    struct Settings {
        QRect guardRect;      // the selection, root pixels: clicks there are swallowed
        int stepPx = 20;      // the design step in pixels
        int redrawWaitMs = 120;
        int stallLimit = 4;
        // A still page ends the loop only once no tick has been kept for this long: what
        // looks like its end may be only the end of what it has loaded so far.
        int endWaitMs = 0;
    };
    using TickDone = std::function<void(ScrollTickOutcome)>;

    ScrollAutoDriver(ScrollEventPoster& poster, CaptureClock& clock, Settings settings, std::function<void()> onAnyKey,
                     QObject* parent = nullptr);
    ~ScrollAutoDriver() override;

    // The hint bar (root pixels): clicks there always pass.
    std::optional<QRect> uiPassThroughRect;

    // Starts the tick loop, once. onTick judges one tick and answers through the given
    // function (once); onStall runs once when the loop ends by itself.
    void start(std::function<void(TickDone)> onTick, std::function<void()> onStall);
    // Final: no further scroll, tick or callback; the pointer goes back.
    void stop();
    bool isStopped() const { return m_stopped; }
    // The loop ended by itself on rejected frames, not on a still page.
    bool endedOnRejects() const { return m_rules.rejectCount > ScrollStopRules::maximumRejects; }
    bool isRunning() const { return m_started && !m_stopped; }

    // One wheel click moves the content `pixelsPerClick` rows, in a view of
    // `visibleRows` scrolled rows (0: the design step decides the clicks).
    void calibrate(int pixelsPerClick, int visibleRows = 0);
    // A click's size learnt again, for the rows the first calibration saw.
    void recalibrate(int pixelsPerClick) { calibrate(pixelsPerClick, m_visibleRows); }
    bool isCalibrated() const { return m_pixelsPerClick > 0; }
    int clicksPerTick() const;
    // The step a tick actually scrolls: clicks times pixels per click, 0 before calibration.
    int scrolledStepPx() const;
    // How far the ticks since the last kept frame scrolled (0 before calibration).
    int scrolledSinceKeptPx() const { return m_scrolledSinceKept; }
    const Settings& settings() const { return m_settings; }
    int ticks() const { return m_tick; }

    // Scrolls one click back up, as a tick would post it (the capture's check that a
    // click it could not follow really moved the content that far).
    void scrollBackOneClick();

    // A key went down while the driver runs: the first one stops it and calls onAnyKey.
    void handleKeyPress();
    // Whether a click at a root pixel is kept from the page: the hint bar's clicks
    // pass, the selection's are swallowed, all others pass.
    bool swallowsClickAt(const QPoint& rootPixel) const;
    static bool swallowsClick(const QRect& guardRect, const std::optional<QRect>& passThrough, const QPoint& rootPixel);

private:
    bool post(int clicks);
    void runTick();
    void judgeTick(quint64 tick);
    void tickJudged(quint64 tick, ScrollTickOutcome outcome);
    void end();

    ScrollEventPoster& m_poster;
    CaptureClock& m_clock;
    Settings m_settings;
    std::function<void()> m_onAnyKey;
    std::function<void(TickDone)> m_onTick;
    std::function<void()> m_onStall;
    ScrollStopRules m_rules;
    bool m_started = false;
    bool m_stopped = false;
    int m_tick = 0;
    int m_pixelsPerClick = 0;
    int m_visibleRows = 0;
    int m_divisor = 1;
    int m_keptRun = 0;
    int m_scrolledSinceKept = 0;
    QDateTime m_lastKeptAt;
    std::optional<QPoint> m_pointerAtStart;
};
