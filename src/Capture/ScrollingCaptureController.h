#pragma once

#include "Capture/CaptureOverlaySet.h"
#include "Capture/FrameLocalChanges.h"
#include "Capture/FrozenDisplays.h"
#include "Capture/OwnWindows.h"
#include "Capture/ScrollAutoDriver.h"
#include "Capture/ScrollHintBar.h"
#include "Capture/ScrollKeptFrames.h"
#include "Capture/ScrollStitcher.h"
#include "Capture/ScrollThumbTravel.h"
#include "Platform/CaptureInputGrab.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>

class CaptureClock;
class QKeyEvent;
class ScrollCaptureOverlayView;
class ScrollEventPoster;
class ScrollFrameSource;

// Runs one scrolling capture at a time. The user drags a rectangle over the content to
// capture (a web page, a document, a list); the controller then scrolls it by itself
// with wheel clicks, reads a frame of the rectangle from the screen after every step
// once the content has stopped moving, has the stitcher judge it, shows the height so
// far in the hint bar, and at the end hands one tall PNG to the clipboard and the
// delivery. Ways out: Esc (cancel while selecting and before scrolling starts; once
// scrolling, any key ends the capture with what was taken), Return and Done, the
// page's end, the length limit, a refused keyboard or XTest, an area too low to
// scroll, and every failure, each ending in one cleanup.
//
// Everything runs on the main thread. Each wait (the clock's) and each judgement (on a
// worker) checks on its return that the capture it belongs to is still the current
// one: a late step of an ended capture never composes, delivers or touches a new one.
class ScrollingCaptureController : public QObject {
    Q_OBJECT
public:
    enum class Phase : quint8 { idle = 0, selecting = 1, recording = 2, finishing = 3 };

    static ScrollingCaptureController& shared();
    explicit ScrollingCaptureController(CaptureClock& clock, QObject* parent = nullptr);
    ~ScrollingCaptureController() override;

    // Begins a capture: hides Lumetra's windows and, 200 ms later (at once when none
    // was shown), covers every display. Ignored while a capture is under way, the wait
    // included.
    void start();
    // A rectangle dragged on an overlay (global points); ignored unless selecting, and
    // after the first one.
    void handleSelection(const QRectF& selection);
    // Ends recording and delivers what was taken; with limitReached the hint bar shows
    // the limit for a second first. Ignored unless recording.
    void finish(bool limitReached);
    // Takes everything down, puts Lumetra's windows back, delivers nothing.
    void cancel();
    // The overlays' key handling while selecting; true when the key was taken.
    bool handleKeyDown(QKeyEvent* event);
    void handleHintDone();

    Phase phase() const { return m_phase; }
    bool isBusy() const { return m_phase != Phase::idle || m_startPending; }
    QList<ScrollCaptureOverlayView*> overlayViews() const;
    ScrollHintBarView* hintBar() const { return m_hintBar; }
    ScrollHintModel& hintModel() { return m_hintModel; }
    ScrollAutoDriver* autoDriver() const { return m_driver; }
    const ScrollKeptFrames& keptFrames() const { return m_kept; }
    int capturedCount() const { return m_capturedCount; }
    int skippedCount() const { return m_skippedCount; }
    int autoStepPx() const { return m_autoStepPx; }
    QRect grabRect() const { return m_grabRect; }
    const OwnWindows::WindowList& hiddenWindows() const { return m_selfHiddenWindows; }

    // The editor's main window, which a delivered capture brings forward itself.
    void setMainWindowProvider(std::function<QWidget*()> provider) { m_mainWindowProvider = std::move(provider); }

    // What the capture reads, scrolls and holds; tests hand in fakes (not owned). Left
    // unset, the screen and the display's XTest and grabs are used.
    void setDevicesForTesting(ScrollFrameSource* frames, ScrollEventPoster* poster, CaptureInputGrab* input);

    static constexpr int startDelayMs = 200;
    // How long the programs beneath get to redraw after the overlays uncovered the
    // selection, and after a scroll back.
    static constexpr int redrawWaitMs = 120;
    // After a scroll: a short pause, then frames are read until the page shows the
    // scroll, for at most reactionWaitMs (a page at its end never does), polling.
    static constexpr int scrollWaitMs = 16;
    static constexpr int reactionWaitMs = 200;
    static constexpr int reactionPollMs = 8;
    // Two frames of a 60-Hz animation, and a little.
    static constexpr int animationFrameGapMs = 36;
    static constexpr int stallLimit = 4;
    // How long a page that stands still at what may be only the end of what it has
    // loaded so far (a feed) gets to grow before it counts as the page's end.
    static constexpr int pageEndWaitMs = 3000;
    static constexpr int limitWaitMs = 1000;
    static constexpr int settleDeadlineMs = 1500;
    static constexpr int settleFirstBackoffMs = 12;
    static constexpr int settleMaxBackoffMs = 80;
    static constexpr int settleMaxAttempts = 20;
    // Looks again at a page that stood short of a scroll, per tick.
    static constexpr int maximumRelooks = 3;
    // Clicks back up, at most, to find rows above a plain end longer than the selection.
    static constexpr int maximumPlainEndClicks = 8;
    // How long the page is left before the look that confirms the first click's size.
    static constexpr int calibrationLookMs = 600;

private:
    struct Judged;
    struct Settle;

    // The session (ScrollingCaptureController.cpp).
    void presentOverlays();
    ScrollCaptureOverlayView* makeOverlayWindow(const FrozenScreenRecord& record);
    void cleanup(bool restoreWindows);
    void resetState();
    void restoreHiddenWindowsAfterFinish();
    void stopDriver();
    // Runs step after ms on the clock, unless the capture has ended meanwhile.
    void after(int ms, std::function<void()> step);
    bool isCurrent(quint64 generation) const { return generation == m_generation; }
    ScrollFrameSource& frameSource() const;
    ScrollEventPoster* poster();
    CaptureInputGrab* inputGrab();
    void connectInput(CaptureInputGrab* input);
    QRect toRootPixels(const QRectF& global) const;

    // Recording (ScrollingCaptureRecordingEntry.cpp, ScrollingCaptureRecording.cpp).
    void enterRecording();
    void showHintPanel();
    void denyAutoScroll();
    void endTooLow();
    void handleGrabbedKey(CaptureInputGrab::Key key);
    bool swallowsClickAt(const QPoint& rootPixel) const;
    void startDriver();
    // `reference`: the frame before a scroll, which the page must first move away from.
    void settleFrame(std::function<void(const QImage&)> done, const QImage& reference = {});
    void settleStep(const std::shared_ptr<Settle>& settle);
    void judgeOffMain(const QImage& frame, int stepPx, ScrollStitcher::JudgeMode mode,
                      std::function<void(const Judged&)> done, bool besideLiveColumns = true);
    // `afterClicks`: the frame was judged for a tick, where the clicks sent the page;
    // not a first frame, nor one kept where the page stopped.
    void keepFrame(const QImage& frame, const ScrollStitcher::FrameJudgement& judgement, bool afterClicks = false);
    void judgeFirstFrame(std::function<void()> done);
    void onAutoTick(ScrollAutoDriver::TickDone done);
    // Settles a frame and judges it for the tick under way; afterScroll: the tick's own
    // scroll (rather than a second look without one).
    void settleAndJudge(ScrollAutoDriver::TickDone done, bool afterScroll);
    void tickJudged(const QImage& frame, const Judged& judged, const ScrollAutoDriver::TickDone& done);
    void tickJudgedAsIs(const QImage& frame, const Judged& judged, const ScrollAutoDriver::TickDone& done);
    // Before a click's size is known: the previous tick's frame, unplaced, and this one,
    // placed one click apart each (ScrollingCaptureFirstClicks.cpp); `otherwise` where
    // they are not.
    bool placesThroughLastTick() const;
    void placeThroughLastTick(const QImage& frame, const ScrollAutoDriver::TickDone& done, std::function<void()> otherwise);
    // Whether a click measured as `movedPx` over several ticks since the last kept frame
    // agrees with the last of those ticks: its frames show at most such a click between
    // them (ScrollingCaptureFirstClicks.cpp).
    bool lastScrollFitsTheClick(const QImage& frame, int movedPx) const;
    // The tick's frame is not kept, and no click is measured on it.
    void refuseTheClickMeasured(int movedPx, const ScrollAutoDriver::TickDone& done);
    bool stoppedShortOfTheScroll(const ScrollStitcher::FrameJudgement& judgement) const;
    // Whether the page stands still short of the scroll, at the end of what it has loaded:
    // looked at again, or not moved by the tick's clicks at all.
    bool stoodShortOfTheScroll(const Judged& judged, const ScrollStitcher::FrameJudgement& judgement) const;
    bool caughtMidScroll(const ScrollStitcher::FrameJudgement& judgement) const;
    // Whether the place a page that stopped short of the clicks was found at can be told
    // from one a whole repeat of alike rows away from where the clicks sent it.
    bool stopShortCanBeTold(const QImage& frame, const ScrollStitcher::FrameJudgement& judgement) const;
    // Whether the last kept frame is where the page stopped short of the clicks and
    // `frame` shows it standing there still.
    bool standsWhereItStopped(const QImage& frame) const;
    // Whether `frame` shows the last kept frame's rows where it does, but for what changed
    // in place: pictures that loaded, beside or under what changes by itself.
    bool showsTheKeptRowsInPlace(const QImage& frame) const;
    // How far below the last kept frame the clicks have sent the page: those since it was
    // kept, and the part of its own scroll it did not show yet.
    int expectedBelowKeptPx() const;
    void relook(const ScrollAutoDriver::TickDone& done);
    bool keepRowsLoadedInPlace(const QImage& frame, int from);
    // A frame of a page standing `upPx` rows above the last kept frame, at the page's end,
    // which shows rows that came in place of the band the kept frame ended with.
    bool keepRowsLoadedAbove(const QImage& frame, int upPx);
    // ScrollingCaptureStillPage.cpp: a frame of a page that has not moved since the last
    // kept frame stands in for it as the frame the next one is judged against.
    void noteWhereThePageStands(const QImage& frame, const ScrollStitcher::FrameJudgement& judgement, bool standsAtKept);
    // `earlier`: a look before, of the page standing as still, kept where `frame` cannot
    // be placed (pictures that loaded meanwhile).
    void keepWhereThePageStopped(const QImage& frame, const ScrollAutoDriver::TickDone& done,
                                 const QImage& earlier = {});
    // ScrollingCapturePlainRows.cpp: a frame that shares nothing but one plain row with
    // the last kept frame, kept where the clicks sent the page; false where too many such
    // frames came in a row (they are taken back then).
    bool keepOverPlainRows(const QImage& frame, const ScrollStitcher::FrameJudgement& judgement);
    // Takes back the frames kept over plain rows that no frame placed by its rows bore out;
    // `told`: the image then ends short of where the page went.
    void takeBackPlainRun(bool told);
    // Whether the last frame kept over plain rows ends in the plain band a page ends with:
    // a page that then stands on it may have reached the end of what it had loaded
    // part-way through the scroll, short of where the clicks sent it.
    bool plainRunStoppedAtTheEnd() const;
    void checkTooLow(const ScrollAutoDriver::TickDone& done);
    // Whether `frame`, beside the columns that change by themselves, the scrollbar and
    // the fixed bars, shows nothing the last kept frame does not: rows of one colour each
    // (the plain band a page ends in, which places nowhere), below at most the kept
    // frame's last rows moved up.
    bool showsOnlyAPlainEnd(const QImage& frame) const;
    bool movedIntoThePlainEnd(const QImage& frame) const;
    // `frame` appended below the last kept frame where it shows that frame's rows moved up
    // by a last scroll into the page's plain end, beside the columns that change by
    // themselves and above the rows that stay put; or, where something changed by itself
    // over the rows meanwhile, where the rows around it fit at one offset within a step
    // alone; nothing otherwise.
    std::optional<ScrollStitcher::FrameJudgement> lastStepPlacedByItsRows(const QImage& frame) const;
    // Whether the page may have gone no further than `stepPx` below the last kept frame by
    // `frame`: always, unless frames that moved since could not be placed; then where a
    // scrollbar's thumb puts the content that far, or, with no thumb to say, where the
    // ticks that moved it sent it no further than a frame shows.
    bool lastStepFitsTheMoves(int stepPx, const QImage& frame) const;
    bool fitsKeptRowForRow(const QImage& frame, int offsetPx) const;
    // Where the page ended in a plain band further than any row shows: placed from a frame
    // clicks up, then finishes.
    void placeThePlainEnd();
    void stepBackToRows(int click, std::vector<QImage> plainFrames);
    bool keepThePlainEnd(const QImage& back, const std::vector<QImage>& plainFrames, int belowPx, int click,
                         const std::optional<ScrollStitcher::FrameJudgement>& backKept);
    // How far the last kept frame stands above `frame`, as a negative number, where it
    // shows the rows `frame` does moved up above a plain end, also but for what changed in
    // place meanwhile where that is at most `maxStepPx`; nothing otherwise.
    std::optional<int> keptBelow(const QImage& frame, int maxStepPx) const;
    // The frame `end` appended `newPx` below `keptAbove`, when the frame `back` one click
    // up shows the same rows `click` rows lower; nothing otherwise.
    std::optional<ScrollStitcher::FrameJudgement> plainEndJudgement(const QImage& back, const QImage& end, int newPx,
                                                                    int click, const QImage& keptAbove) const;
    void endTooLowUnlessRowsShown(const QImage& first, const QImage& clicked,
                                  const ScrollStitcher::DetectionState& detection, const QImage& frame,
                                  const ScrollAutoDriver::TickDone& done);
    void handleStall();
    // Whether a scrollbar's thumb puts `frame` below the last kept frame: the page went on
    // past the rows kept, whatever its plain or unplaceable rows seemed to say.
    bool thumbMovedPastKept(const QImage& frame) const;
    // Holds the step a look at a tick found, placed by its rows, against the click's size
    // learnt from the first clicks, until a step agrees with it: a size that two ticks
    // found alike in its place is learnt instead.
    void checkTheLearntClick(const ScrollStitcher::FrameJudgement& judgement, int frameHeight);
    void finishAtStall();
    // At the page's end, where the frame it stopped on could not be placed: the first
    // frame since the last kept one that the rows placed below it, when the page has not
    // moved since but for what changed in place; then kept where its rows place it, and
    // the capture finishes.
    std::optional<QImage> registeredEndStanding() const;
    void keepTheRegisteredEnd(const QImage& registered);
    void completeFinish();
    int maxLength() const;

    CaptureClock& m_clock;
    Phase m_phase = Phase::idle;
    bool m_startPending = false;
    bool m_selectionTaken = false;
    quint64 m_generation = 1;
    CaptureOverlaySet<ScrollCaptureOverlayView> m_overlays;
    QPointer<ScrollHintBarView> m_hintBar;
    ScrollHintModel m_hintModel;
    OwnWindows::WindowList m_selfHiddenWindows;
    QList<DisplayCaptureSource::Display> m_displays;
    std::optional<DisplayCaptureSource::Display> m_selectedDisplay;
    QRectF m_selectionGlobal;
    QRectF m_sourceRectLocal;
    double m_captureScale = 2.0;
    QRect m_grabRect;
    std::optional<QRect> m_hintRectPx;
    QPointer<ScrollAutoDriver> m_driver;
    int m_autoStepPx = 0;
    ScrollKeptFrames m_kept;
    ScrollStitcher::DetectionState m_detection;
    ScrollStitcher::ScrollThumbTravel m_thumbTravel; // where rows alike leave an offset open
    int m_capturedCount = 0;
    int m_skippedCount = 0;
    // The latest frame of a tick, and how that tick ended: when the page stops, the
    // rows its last short scroll revealed are taken from it.
    QImage m_lastTickFrame;
    // The page as it stood before the latest scroll (the latest frame of the tick before).
    QImage m_beforeLastScroll;
    ScrollTickOutcome m_lastOutcome = ScrollTickOutcome::kept;
    int m_ticksSinceKept = 0;
    int m_relooks = 0;
    // A click's frame could not be placed, yet showed rows of the first view: the click
    // is measured on later frames instead.
    bool m_clickUnmeasured = false;
    // A step since the click's size was learnt agreed with it; until then, the size per
    // click another tick's step showed, and at which tick.
    bool m_clickConfirmed = false;
    int m_otherClickPx = 0;
    int m_otherClickTick = 0;
    std::optional<ScrollStitcher::FrameJudgement> m_firstLook; // where the look before a relook placed the page
    // The look before a relook that found the page short of the scroll, and its frame.
    struct ShortLook {
        std::optional<ScrollStitcher::FrameJudgement> judgement;
        QImage frame;
    };
    ShortLook m_shortLook;
    bool m_provisional = false; // the last kept frame was placed by the step alone
    // The last kept frame was placed by the step alone, at a place other than the whole
    // distance the clicks sent it; and the frame kept before it was, too.
    bool m_provisionalOffTheClicks = false;
    bool m_provisionalOffTheClicksBefore = false;
    // Columns beside the rows that change by themselves (a canvas, a video).
    LiveColumns m_live;
    LiveColumns m_liveCandidate; // seen once, at the settle before frame m_liveCandidateFrame + 1
    int m_liveCandidateFrame = 0;
    // How far the last kept frame stands above where the clicks sent the page: a frame
    // taken before the page finished its scroll (found there by its rows or by the
    // scrollbar's thumb) leaves the rest of that scroll to the next tick, which is
    // expected that much further.
    int m_behindClicksPx = 0;
    bool m_loadedInPlace = false; // rows came in place since the last frame kept
    int m_behindClicksBeforePx = 0; // what taking the last kept frame back restores
    bool m_reachedEnd = false;  // such a frame was taken back: the page stopped
    // The driver gave up on frames it could not place: the delivery says so.
    bool m_endedUnregistered = false;
    // A frame since the last kept one showed rows that could not be placed.
    bool m_unplacedSinceKept = false;
    // One of them had changed from the tick's frame before it, as a page that moved does
    // (not one that stood short of the clicks where rows alike may have fooled the rows).
    bool m_movedUnplacedSinceKept = false;
    // The first frame since the last kept one that the rows placed below it but that was
    // not kept (a last step that is no whole number of clicks), and the kept frame it was
    // placed against.
    struct RegisteredSinceKept {
        QImage frame;
        ScrollStitcher::FrameJudgement judgement;
        qint64 keptKey = 0;
    };
    std::optional<RegisteredSinceKept> m_firstRegisteredSinceKept;
    // The last tick's frame showed the page where the last kept frame does, or stood still
    // since one that did; with the kept frames' count and height then.
    std::optional<std::pair<int, int>> m_stillAtKept;
    // The last kept frame is where the page stopped short of the clicks: the kept frames'
    // count and height then.
    std::optional<std::pair<int, int>> m_keptWhereItStopped;
    // Ticks since the last kept one whose first frame the rows placed somewhere below it
    // (kept or not), and the furthest place among them: the page followed down as it went.
    int m_registeredTicksSinceKept = 0;
    int m_furthestRegisteredSinceKeptPx = 0;
    // Ticks since the last kept one whose frame showed the page moving (not standing at
    // the end of what it had loaded while the clicks went on).
    int m_movingTicksSinceKept = 0;
    // Of those, ticks after one the rows placed below the last kept frame whose frame no
    // rows placed there: the page went on where the rows could not follow it.
    int m_unfollowedMovesSinceKept = 0;
    // What stood before the first of the frames kept over plain rows since the last frame
    // placed by its rows: they stand only once such a frame follows them.
    struct BeforePlainRun {
        ScrollKeptFrames kept;
        ScrollStitcher::ScrollThumbTravel thumbTravel;
        int behindClicksPx = 0;
        int behindClicksBeforePx = 0;
        int frames = 0;
        int footerPx = 0; // of the last frame kept before them
    };
    std::optional<BeforePlainRun> m_beforePlainRun;
    // Such frames were taken back where the page stood at the end of what it had loaded:
    // the clicks since the last kept frame went partly nowhere, and no frame is kept by
    // them over plain rows until one is kept where its rows place it.
    bool m_clicksWentPartlyNowhere = false;
    // A tick since the last kept one placed the page above it, where no scroll down takes
    // it: rows that repeat fooled the rows' offset.
    bool m_placedAboveSinceKept = false;
    // Rows at the bottom of the last kept frame that stayed put (a fixed footer): no
    // frame is placed by them.
    int m_keptFooterPx = 0;
    std::function<QWidget*()> m_mainWindowProvider;

    ScrollFrameSource* m_testFrames = nullptr;
    ScrollEventPoster* m_testPoster = nullptr;
    CaptureInputGrab* m_testInput = nullptr;
    std::unique_ptr<ScrollEventPoster> m_poster;
    std::unique_ptr<CaptureInputGrab> m_input;
    bool m_devicesOpened = false;
};
