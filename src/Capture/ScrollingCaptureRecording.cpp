// The scrolling capture's recording: the settled frames, and the ticks of the auto-scroll
// driver with the click calibration (the switch to it: ScrollingCaptureRecordingEntry.cpp;
// the end: ScrollingCaptureRecordingEnd.cpp).
#include "Capture/ScrollingCaptureController.h"
#include "Capture/ScrollingCaptureJudged.h"

#include "Base/Logger.h"
#include "Base/OffMainThread.h"
#include "Capture/CaptureClock.h"
#include "Capture/CaptureDelivery.h"
#include "Capture/CaptureLog.h"
#include "Capture/CapturePng.h"
#include "Capture/FramePixels.h"
#include "Capture/FrameRegistration.h"
#include "Capture/FrameLocalChanges.h"
#include "Capture/ScrollCaptureGeometry.h"
#include "Capture/ScrollOffsetRules.h"
#include "Capture/ScrollPlainOverlap.h"
#include "Capture/ScrollRowFit.h"
#include "Capture/ScrollChangedContent.h"
#include "Capture/ScrollStillBesideLive.h"
#include "Capture/ScrollLoadedRows.h"
#include "Capture/ScrollFrameSource.h"
#include "Core/Settings.h"
#include "Platform/Pasteboard.h"

#include <QElapsedTimer>

#include <algorithm>

using namespace ScrollCaptureGeometry;

struct ScrollingCaptureController::Settle {
    QDateTime deadline;
    // The frame before the scroll, while the page has not yet shown the scroll, and
    // how long it gets to (a page at its end never does).
    QImage reference;
    QDateTime reactionDeadline;
    int backoffMs = settleFirstBackoffMs;
    int attempts = 0;
    bool withPointer = false;
    QImage previous;
    QImage lastRead;
    // The columns seen changing by themselves between two earlier grabs of this settle.
    LiveColumns seenLive;
    std::function<void(const QImage&)> done;
};

namespace {

// No offset the registration tries matches the two frames (left of the scrollbar and
// below the fixed header), as opposed to several matching about equally well.
bool shareNoRows(const QImage& previous, const QImage& next, int scrollbarPx, int stickyPx)
{
    const QImage a = withFramePixelLayout(previous), b = withFramePixelLayout(next);
    const FramePixels p = framePixels(a), n = framePixels(b);
    const int w = std::min(p.width, n.width) - scrollbarPx;
    const int h = std::min(p.height, n.height) - stickyPx;
    if (p.isNull() || n.isNull() || w < FrameRegistration::kMinimumSide || h < FrameRegistration::kMinimumSide)
        return true;
    const auto outcome
        = FrameRegistration::verticalOffset(p.cropped(0, stickyPx, w, h), n.cropped(0, stickyPx, w, h)).outcome;
    return outcome == FrameRegistration::Outcome::noMatch || outcome == FrameRegistration::Outcome::tooSmall;
}

double elapsedMs(const QDateTime& from, const QDateTime& to)
{
    return double(from.msecsTo(to));
}

} // namespace

int ScrollingCaptureController::maxLength() const
{
    return maxScrollLength(Settings::captureMaxScrollLength.read());
}

// ---- frames ---------------------------------------------------------------------------------

void ScrollingCaptureController::settleFrame(std::function<void(const QImage&)> done, const QImage& reference)
{
    if (m_phase != Phase::recording || !m_selectedDisplay) {
        done({});
        return;
    }
    auto settle = std::make_shared<Settle>();
    settle->deadline = m_clock.now().addMSecs(settleDeadlineMs);
    settle->reference = reference;
    settle->reactionDeadline = m_clock.now().addMSecs(reactionWaitMs);
    settle->withPointer = Settings::captureShowsCursor.read();
    settle->done = std::move(done);
    settleStep(settle);
}

void ScrollingCaptureController::settleStep(const std::shared_ptr<Settle>& settle)
{
    // After a scroll, the page first has to show it; then a frame counts once two grabs
    // in a row agree, but for a small region that keeps changing by itself: the page
    // has stopped moving.
    for (;;) {
        if (m_clock.now() >= settle->deadline || m_phase != Phase::recording)
            break;
        const QImage grab = frameSource().grab(m_grabRect, settle->withPointer);
        if (grab.isNull()) {
            if (++settle->attempts >= settleMaxAttempts)
                break;
            continue;
        }
        if (!settle->reference.isNull()) {
            if (differOnlyLocally(withoutLiveColumns(settle->reference, m_live), withoutLiveColumns(grab, m_live))
                && m_clock.now() < settle->reactionDeadline) {
                settle->previous = settle->lastRead = grab;
                after(reactionPollMs, [this, settle] { settleStep(settle); });
                return;
            }
            // The page moved: it may be animating the scroll, repainting a frame at a
            // time, so two grabs agree only when they are further apart than a frame.
            settle->reference = QImage();
            settle->previous = QImage();
            settle->backoffMs = animationFrameGapMs;
        }
        // Columns that change by themselves while the rest stands still: left out of the
        // grabs' agreement and of placing frames from now on. Also where the change passes
        // for a local one here: beside the rows, it still spoils their registration.
        // Taken once frames of two different settles show the same columns so: a scroll
        // that moves only the rows beside a fixed part may pass for it once. And only
        // columns that changed again within one settle: a picture that loads changes once,
        // and cards in a grid load theirs in the same columns settle after settle. Columns
        // seen once and not yet known get one more grab to show whether they change again.
        bool unconfirmed = false;
        if (!settle->previous.isNull()) {
            const LiveColumns live = liveColumnsBetween(settle->previous, grab);
            const bool again = !live.isEmpty() && live == settle->seenLive;
            const bool known = live.united(m_live) == m_live;
            if (!live.isEmpty())
                settle->seenLive = live;
            unconfirmed = !known && !again;
            if (again && !known) {
                if (live == m_liveCandidate && m_capturedCount != m_liveCandidateFrame) {
                    m_live = live.united(m_live);
                    captureDiagnostic(
                        QStringLiteral("📜 [settle] 自变列 %1–%2px（不参与配准）").arg(m_live.left).arg(m_live.right));
                } else if (live != m_liveCandidate) {
                    m_liveCandidate = live;
                    m_liveCandidateFrame = m_capturedCount;
                }
            }
        }
        if (!settle->previous.isNull() && !unconfirmed
            && differOnlyLocally(withoutLiveColumns(settle->previous, m_live), withoutLiveColumns(grab, m_live))) {
            captureDiagnostic(QStringLiteral("📜 [settle] 稳定（退避 %1ms）").arg(settle->backoffMs));
            settle->done(grab);
            return;
        }
        settle->previous = grab;
        settle->lastRead = grab;
        after(settle->backoffMs, [this, settle] {
            settle->backoffMs = std::min(settle->backoffMs * 3 / 2, settleMaxBackoffMs);
            if (++settle->attempts >= settleMaxAttempts) {
                settle->done(settle->lastRead);
                return;
            }
            settleStep(settle);
        });
        return;
    }
    // Given up: the page never stood still; its latest picture still makes a frame.
    settle->done(settle->lastRead);
}

void ScrollingCaptureController::judgeOffMain(const QImage& frame, int stepPx, ScrollStitcher::JudgeMode mode,
                                              std::function<void(const Judged&)> done, bool besideLiveColumns)
{
    const QImage previous = m_kept.lastFrame();
    // Rows at the bottom of the kept image that a frame joining above them can take back:
    // a band reaching into the first frame's upper half is no end the page had.
    const int takeBackPx = m_kept.isEmpty() ? 0 : m_kept.stitchedHeight() - m_kept.slices().front().rows.height() / 2;
    const QImage lastTick = m_lastTickFrame;
    const LiveColumns live = besideLiveColumns ? m_live : LiveColumns{};
    const ScrollStitcher::DetectionState detection = m_detection;
    const int expected = m_driver && stepPx > 0 ? expectedBelowKeptPx() : 0;
    const bool secondLook = m_relooks > 0;
    const std::optional<ScrollStitcher::ThumbScale> thumb = m_thumbTravel.scale();
    // Above the footer of the last frame kept before any kept over plain rows since: those
    // leave the same rows out, and the margin is not added again at each of them.
    const int footerPx = ScrollStitcher::footerWithMarginPx(m_beforePlainRun ? m_beforePlainRun->footerPx : m_keptFooterPx);
    // Only where the last kept frame stood where the clicks sent the page: a lag carried
    // over is a guess, which plain rows cannot check.
    const bool byClicksAlone = m_behindClicksPx == 0;
    const quint64 generation = m_generation;
    QPointer<ScrollingCaptureController> self(this);
    OffMainThread::run(this, [previous, takeBackPx, lastTick, frame, live, detection, stepPx, mode, expected, secondLook,
                              thumb, footerPx, byClicksAlone] {
        // The frame as the rows, the thumb and the loaded rows place it; then, unplaced,
        // whether it shares only plain rows with the last kept frame.
        Judged judgedFrame = [&] {
        const auto judge = [&](const QImage& before, const QImage& last, const QImage& now) {
            Judged judged;
            judged.judgement = ScrollStitcher::placedByThumb(
                ScrollStitcher::judgeFrame(before, now, detection, stepPx, mode, expected, byClicksAlone ? expected : 0), thumb,
                before, now);
            const auto& j = judged.judgement;
            if (!j.append && !j.duplicate && mode != ScrollStitcher::JudgeMode::tick && !before.isNull())
                judged.noOverlap = shareNoRows(before, now, j.scrollbarPx, j.stickyPx);
            if (!j.append) {
                judged.loadedFrom = ScrollLoadedRows::loadedBandTop(before, now, j.scrollbarPx);
                judged.standsAtKept = ScrollStitcher::sameButForPlaceholders(before, now);
            }
            // Still but for what changes by itself (a bar of moving stripes, a spinner), also
            // where a picture loaded meanwhile beneath or beside it: taken for a page that
            // moved, a frame at the page's end would be rejected and scrolled back from.
            if ((!j.append || secondLook) && !last.isNull()) {
                judged.pageStill = ScrollStitcher::sameContent(last, now) || differOnlyLocally(last, now)
                                   || ScrollStitcher::sameButForPlaceholders(last, now)
                                   || ScrollStitcher::sameButForPlaceholdersAndOneBox(last, now);
                judged.stoodWhileRowsLoaded
                    = !judged.pageStill && secondLook && ScrollLoadedRows::loadedBandTop(last, now, j.scrollbarPx) >= 0;
                judged.stoodWhilePicturesLoaded
                    = !judged.pageStill && ScrollStitcher::sameButForPlaceholdersAndOneBoxOverThem(last, now);
            }
            return judged;
        };
        // Rows that loaded in place of the plain band the last kept frame ends with, while
        // the page moved: the rows above that band place the frame.
        const auto aboveLoadedEnd = [&](Judged judged, const QImage& before, const QImage& now) {
            auto& j = judged.judgement;
            if (j.append || j.duplicate || j.foundPx != 0 || before.isNull() || mode == ScrollStitcher::JudgeMode::first)
                return judged;
            const bool tick = mode == ScrollStitcher::JudgeMode::tick && stepPx > 0;
            const auto placed = ScrollLoadedRows::placeAboveLoadedEnd(
                before, now, j.scrollbarPx, j.stickyPx,
                tick ? FrameRegistration::Expected::near(expected > 0 ? expected : stepPx)
                     : FrameRegistration::Expected{1, now.height()});
            if (!placed || placed->cutRows > takeBackPx)
                return judged;
            j.foundPx = placed->offset;
            const auto verdict = ScrollStitcher::judgeOffset(placed->offset, now.height(), stepPx, mode, tick ? expected : 0);
            captureDiagnostic(QStringLiteral("📜 [vision] ty=%1（新内容 px，按底部变化带 %2px 之上的行）")
                                  .arg(placed->offset)
                                  .arg(placed->cutRows));
            if (verdict == ScrollStitcher::OffsetVerdict::accept && placed->offset + placed->cutRows <= now.height()) {
                j.append = true;
                j.newPx = placed->offset;
                j.footerPx = placed->cutRows;
            }
            return judged;
        };
        if (live.isEmpty())
            return aboveLoadedEnd(judge(previous, lastTick, frame), previous, frame);
        // The plain band a feed ends with, and the rows that load in its place, show as
        // such only with those columns cut out: painted over or moving, they are neither.
        const auto loadedBeside = [&](Judged judged) {
            if (previous.isNull())
                return judged;
            const QImage before = withLiveColumnsCutOut(previous, live), now = withLiveColumnsCutOut(frame, live);
            judged = aboveLoadedEnd(judged, before, now);
            auto& j = judged.judgement;
            // Painted over, wide columns leave too little of the band plain to show as one.
            if (!judged.pageStill && !judged.stoodWhileRowsLoaded && secondLook && !lastTick.isNull())
                judged.stoodWhileRowsLoaded = ScrollLoadedRows::loadedBandTop(withLiveColumnsCutOut(lastTick, live), now,
                                                                             j.scrollbarPx)
                                              >= 0;
            if (!j.append) {
                judged.loadedFrom = std::max(judged.loadedFrom,
                                             ScrollLoadedRows::loadedBandTop(before, now, j.scrollbarPx));
            } else if (j.newPx < now.height()) {
                const int band = std::min(ScrollLoadedRows::loadedEndRowsOf(before, now, j.newPx, j.stickyPx, j.scrollbarPx),
                                          now.height() - j.newPx);
                if (band > j.footerPx && band <= takeBackPx) {
                    j.footerPx = band;
                    captureDiagnostic(QStringLiteral("📜 [detect] 底部变化带 %1px（不作内容拼接）").arg(band));
                }
            }
            return judged;
        };
        // What changes by itself beside the rows takes no part in placing frames: its
        // pixels would only blur the rows' offset, or lend a wrong one weight.
        Judged beside = judge(withoutLiveColumns(previous, live), withoutLiveColumns(lastTick, live),
                              withoutLiveColumns(frame, live));
        // Painted over, wide columns leave so few rows beside them that a scroll passes
        // for a local change there.
        if (beside.pageStill && !stillBesideLiveColumns(lastTick, frame, live))
            beside.pageStill = false;
        // Painted over, columns about half the width make a flat block that both frames
        // share at every offset: against it the rows that differ weigh so little that an
        // offset of a whole number of rows passes (a page that moved reads as one standing
        // still), or the bars that change height beside it leave none standing. Cut out,
        // the rows beside them are the whole frame and place it.
        if (mode != ScrollStitcher::JudgeMode::pageEnd && !beside.judgement.append && !previous.isNull()) {
            Judged cut = judge(withLiveColumnsCutOut(previous, live), withLiveColumnsCutOut(lastTick, live),
                               withLiveColumnsCutOut(frame, live));
            if (cut.judgement.append)
                return loadedBeside(cut);
        }
        if (beside.judgement.append || beside.judgement.duplicate)
            return loadedBeside(beside);
        // Where the rows beside it found no offset at all, the whole frames may still
        // place the frame (a last step too short for the rows left beside it); an offset
        // they did find and refused stands against the whole frames'.
        const Judged whole = judge(previous, lastTick, frame);
        if (whole.judgement.duplicate || (whole.judgement.append && beside.judgement.foundPx == 0))
            return loadedBeside(whole);
        // A page the whole grabs show standing still stands still; painted over, a picture
        // that loaded beside the columns no longer shows as one, but read with the
        // columns cut out it does, and a sliver of one they cut across reads as filled in.
        if (!lastTick.isNull())
            beside.pageStill = beside.pageStill || whole.pageStill
                               || ScrollStitcher::sameButForPlaceholders(withLiveColumnsCutOut(lastTick, live), withLiveColumnsCutOut(frame, live))
                               || placeholdersFilledBeside(lastTick, frame, live, true);
        return loadedBeside(beside);
        }();
        // Beside columns that change by themselves over more than half the width, too
        // little is left to tell plain rows from a page that stopped.
        const auto& j = judgedFrame.judgement;
        if (!j.append && mode == ScrollStitcher::JudgeMode::tick && stepPx > 0 && expected > 0 && !previous.isNull()
            && byClicksAlone && 2 * (live.right - live.left) <= frame.width())
            judgedFrame.overPlainRows = ScrollStitcher::placedOverPlainRows(
                withLiveColumnsCutOut(previous, live), withLiveColumnsCutOut(frame, live), expected, detection.stickyPx,
                footerPx, thumb);
        return judgedFrame;
    }, [self, generation, done = std::move(done)](const Judged& judged) {
        if (self && self->isCurrent(generation))
            done(judged);
    });
}

void ScrollingCaptureController::keepFrame(const QImage& frame, const ScrollStitcher::FrameJudgement& judgement,
                                           bool afterClicks)
{
    // Only a place the rows or the thumb found says where the page stood; one the step
    // picked is where the clicks sent it. A page can lag two ticks in a row, so the lag
    // carries over; but it counts for at most half a tick's clicks, so that a page the
    // clicks scroll a little less than measured never drifts out of the step's reach.
    const int behind = afterClicks && m_driver && m_driver->isCalibrated()
                           && !judgement.settledByStep && !judgement.byUnchangedRows
                       ? std::clamp(expectedBelowKeptPx() - judgement.newPx, 0, m_driver->scrolledStepPx() / 2)
                       : 0;
    m_behindClicksBeforePx = std::exchange(m_behindClicksPx, behind);
    m_provisionalOffTheClicks = false;
    m_provisionalOffTheClicksBefore = false;
    m_thumbTravel.noteKept(m_kept.lastFrame(), frame, judgement.newPx, judgement.alikeSpacingPx);
    // Pictures that loaded since the last kept frame show as they now look.
    m_kept.appendRefreshing(frame, judgement.cropTop(frame.height()), judgement.footerPx, judgement.stickyPx);
    m_keptFooterPx = judgement.footerPx;
    m_ticksSinceKept = 0;
    m_loadedInPlace = false;
    m_unplacedSinceKept = false;
    m_movedUnplacedSinceKept = false;
    m_registeredTicksSinceKept = 0;
    m_furthestRegisteredSinceKeptPx = 0;
    m_firstRegisteredSinceKept.reset();
    m_stillAtKept.reset();
    m_keptWhereItStopped.reset();
    m_movingTicksSinceKept = 0;
    m_unfollowedMovesSinceKept = 0;
    m_placedAboveSinceKept = false;
    m_beforePlainRun.reset();
    m_clicksWentPartlyNowhere = false;
    m_hintModel.setHeightPx(m_kept.stitchedHeight());
}

void ScrollingCaptureController::judgeFirstFrame(std::function<void()> done)
{
    const QDateTime t0 = m_clock.now();
    settleFrame([this, t0, done = std::move(done)](const QImage& frame) {
        if (frame.isNull()) {
            logMessage(LogLevel::warning, [] { return QStringLiteral("📜 settle 收帧失败（跳过本轮）"); });
            done();
            return;
        }
        ++m_capturedCount;
        const QDateTime t1 = m_clock.now();
        judgeOffMain(frame, 0, ScrollStitcher::JudgeMode::first, [this, frame, t0, t1, done](const Judged& judged) {
            if (m_phase != Phase::recording)
                return;
            captureDiagnostic(QStringLiteral("📜 [timing] settle %1ms / 判定 %2ms")
                                  .arg(elapsedMs(t0, t1), 0, 'f', 0)
                                  .arg(elapsedMs(t1, m_clock.now()), 0, 'f', 0));
            m_detection = judged.judgement.detection();
            m_lastTickFrame = frame;
            if (!judged.judgement.append) {
                ++m_skippedCount;
                done();
                return;
            }
            keepFrame(frame, judged.judgement);
            const int kept = m_kept.count(), added = judged.judgement.newPx, height = m_kept.stitchedHeight();
            logMessage(LogLevel::info, [kept, added, height] {
                return QStringLiteral("📜 截帧 #%1 保留（+%2px，累计 %3px）").arg(kept).arg(added).arg(height);
            });
            if (height >= maxLength()) {
                const int maximum = maxLength();
                logMessage(LogLevel::info,
                           [maximum] { return QStringLiteral("📜 已达最大截图长度 %1px，自动完成").arg(maximum); });
                finish(true);
                return;
            }
            done();
        });
    });
}

// ---- ticks ---------------------------------------------------------------------------------

void ScrollingCaptureController::onAutoTick(ScrollAutoDriver::TickDone done)
{
    if (m_phase != Phase::recording || !m_driver) {
        done(ScrollTickOutcome::duplicate);
        return;
    }
    settleAndJudge(std::move(done), true);
}

void ScrollingCaptureController::settleAndJudge(ScrollAutoDriver::TickDone done, bool afterScroll)
{
    settleFrame([this, afterScroll, done = std::move(done)](const QImage& frame) {
        if (m_phase != Phase::recording || !m_driver) {
            done(ScrollTickOutcome::stop);
            return;
        }
        if (frame.isNull()) {
            done(ScrollTickOutcome::duplicate);
            return;
        }
        ++m_capturedCount;
        if (afterScroll) {
            ++m_ticksSinceKept;
            // Only the first clicks' measurement looks at it; held later, it would keep
            // one more frame alive through the whole capture.
            m_beforeLastScroll = m_driver->isCalibrated() ? QImage() : m_lastTickFrame;
        }
        // Until a click's size is known each tick is one click, judged as leniently as the
        // first frame (no step to expect); then the step the clicks actually scroll.
        const bool calibrated = m_driver->isCalibrated();
        judgeOffMain(frame, calibrated ? m_driver->scrolledStepPx() : 0,
                     calibrated ? ScrollStitcher::JudgeMode::tick : ScrollStitcher::JudgeMode::first,
                     [this, frame, done](const Judged& judged) { tickJudged(frame, judged, done); });
    }, m_lastTickFrame);
}

void ScrollingCaptureController::tickJudged(const QImage& frame, const Judged& judged,
                                            const ScrollAutoDriver::TickDone& done)
{
    if (m_phase != Phase::recording || !m_driver) {
        done(ScrollTickOutcome::stop);
        return;
    }
    if (placesThroughLastTick()) {
        placeThroughLastTick(frame, done, [this, frame, judged, done] { tickJudgedAsIs(frame, judged, done); });
        return;
    }
    tickJudgedAsIs(frame, judged, done);
}

void ScrollingCaptureController::tickJudgedAsIs(const QImage& frame, const Judged& judged,
                                                const ScrollAutoDriver::TickDone& done)
{
    // Looked at again, a page that stood still but for pictures that loaded meanwhile is
    // where the first look placed it: those pictures may be all that keeps this frame
    // from being placed again. So is one, past the clicks' measuring, at the end of what
    // it had loaded whose feed brought rows in place of the band it ended with: those
    // rows (cards at a fixed pitch) may fit a repeat further down as well. Not where
    // clicks of a size still unknown went unplaced before it: then nothing bounds how far
    // the page went, and the first look alone does not say it.
    const std::optional<ScrollStitcher::FrameJudgement> firstLook = std::exchange(m_firstLook, std::nullopt);
    const bool stoodSinceFirstLook = judged.pageStill || (judged.stoodWhileRowsLoaded && m_driver->isCalibrated());
    const bool firstLookStands = firstLook && m_relooks > 0 && !judged.judgement.append && !judged.judgement.duplicate
                                 && stoodSinceFirstLook && (m_driver->isCalibrated() || m_ticksSinceKept <= 1);
    // The same for a look before that found the page short of the scroll: also where this
    // look's rows fit a place further down that the clicks refuse, which pictures that
    // loaded meanwhile can make rows alike fit. That look's own frame is then the one kept
    // where the page stopped. (A place above is left to say that rows alike fool the rows.)
    // So it does where this look keeps the page further down than the clicks sent it: a
    // page standing still since then is where that look found it, and pictures that loaded
    // meanwhile only let rows alike fit a place it cannot have reached.
    // So it does, too, where this look's rows fit several places and the step alone picked
    // one other than where that look's rows placed the page on their own, the page having
    // stood since (rows a feed loaded in place of its end between the looks included): the
    // step says where the clicks would have sent a page that went the whole way, not where
    // one that stopped short stands, and rows alike a pitch apart fit a place further down.
    // So it does, last, where this look's rows place the page nowhere because a feed loaded
    // rows in place of its end and pictures loaded above them while it stood: what changed
    // leaves too little to place it, not a page that moved.
    const ShortLook shortLook = std::exchange(m_shortLook, {});
    const bool placedPastTheClicks = judged.judgement.append && m_driver->isCalibrated()
                                     && judged.judgement.foundPx > expectedBelowKeptPx();
    const bool stepOverTheShortLooksRows = shortLook.judgement && judged.judgement.append && judged.judgement.settledByStep
                                           && !shortLook.judgement->settledByStep && !shortLook.judgement->byUnchangedRows
                                           && shortLook.judgement->foundPx > 0
                                           && judged.judgement.foundPx != shortLook.judgement->foundPx;
    const bool stoodSinceShortLook
        = judged.pageStill
          || ((stepOverTheShortLooksRows || (!judged.judgement.append && judged.judgement.foundPx <= 0))
              && judged.stoodWhileRowsLoaded && m_driver->isCalibrated());
    const bool shortLookStands = shortLook.judgement && m_relooks > 0
                                 && (!judged.judgement.append || placedPastTheClicks || stepOverTheShortLooksRows)
                                 && !judged.judgement.duplicate && judged.judgement.foundPx >= 0 && stoodSinceShortLook;
    const bool shortLookFrameStands = shortLookStands && judged.judgement.foundPx > 0;
    ScrollStitcher::FrameJudgement j = firstLookStands ? *firstLook
                                       : shortLookStands ? *shortLook.judgement
                                                         : judged.judgement;
    // A page that stood still ever since a frame showed it where the last kept one does is
    // there still: rows alike (cards at a fixed pitch) that place it further down are a
    // repeat, not where it stands.
    // (Only while the kept frames are those it stood at: a frame taken back leaves another
    // last one.)
    const std::pair<int, int> keptNow{m_kept.count(), m_kept.stitchedHeight()};
    const bool stillAtKept = m_stillAtKept && *m_stillAtKept == keptNow && judged.pageStill && !j.append;
    if (stillAtKept && j.foundPx > 0) {
        captureDiagnostic(QStringLiteral("📜 [prior] 页面自停在保留帧处未动，ty=%1 为相似行的重复 → 不计").arg(j.foundPx));
        j.foundPx = 0;
    }
    // (A move too small to count is no frame the same as the kept one.)
    if (!j.append && ((j.duplicate && j.foundPx == 0) || judged.standsAtKept || stillAtKept))
        m_stillAtKept = keptNow;
    else
        m_stillAtKept.reset();
    if (m_driver->isCalibrated() && !m_clickConfirmed && m_ticksSinceKept == 1 && !m_reachedEnd)
        checkTheLearntClick(j, frame.height());
    if (m_relooks == 0 && !j.append && !judged.pageStill) {
        ++m_movingTicksSinceKept;
        if (j.foundPx <= 0 && m_registeredTicksSinceKept > 0)
            ++m_unfollowedMovesSinceKept;
    }
    if (!j.append && j.foundPx < 0)
        m_placedAboveSinceKept = true;
    // Fooled once the page had moved further than a frame shows, the rows may have been at
    // the places below it found before as well: those say nothing of a page following down.
    if (!j.append && j.foundPx < 0 && m_driver->isCalibrated()
        && m_movingTicksSinceKept * m_driver->scrolledStepPx()
               > ScrollStitcher::maximumOffset(frame.height() - m_detection.stickyPx)) {
        m_registeredTicksSinceKept = 0;
        m_furthestRegisteredSinceKeptPx = 0;
        m_unfollowedMovesSinceKept = 0;
    }
    // Rows that place the page below the last kept frame, kept or not, show it still
    // moving: frames kept over plain rows before it were not where it had stopped.
    if (!j.append && j.foundPx > 0 && !j.settledByStep && !j.byUnchangedRows)
        m_beforePlainRun.reset();
    if (!j.append && j.foundPx > 0 && !j.settledByStep && !j.byUnchangedRows && !m_firstRegisteredSinceKept)
        m_firstRegisteredSinceKept = RegisteredSinceKept{frame, j, m_kept.lastFrame().cacheKey()};
    // Rows alike a pitch apart that fit a place within the clicks below the kept frame as
    // well as one above it, where clicks down never take the page: the page's last,
    // shorter scroll, should it stand there.
    if (!j.append && j.foundPx == 0 && !m_firstRegisteredSinceKept) {
        if (const auto below
            = ScrollStitcher::belowOfTiedPlaces(j.tiedPx, j.tiedRivalPx, frame.height(), expectedBelowKeptPx())) {
            ScrollStitcher::FrameJudgement placed = j;
            placed.foundPx = *below;
            m_firstRegisteredSinceKept = RegisteredSinceKept{frame, placed, m_kept.lastFrame().cacheKey()};
        }
    }
    if (m_relooks == 0 && !j.append && j.foundPx > 0) {
        ++m_registeredTicksSinceKept;
        m_furthestRegisteredSinceKeptPx = std::max(m_furthestRegisteredSinceKeptPx, j.foundPx);
    }
    m_detection = j.detection();
    m_lastTickFrame = frame;
    if (j.append && standsWhereItStopped(frame)) {
        // Still where it stopped: the kept frame shows the rows as they now look.
        m_kept.restandLast(frame, m_detection.stickyPx);
        m_stillAtKept = std::pair<int, int>{m_kept.count(), m_kept.stitchedHeight()};
        captureDiagnostic(QStringLiteral("📜 [prior] 页面仍停在保留帧处，ty=%1 为相似行的重复 → 不计").arg(j.newPx));
        m_relooks = 0;
        ++m_skippedCount;
        m_lastOutcome = ScrollTickOutcome::duplicate;
        done(m_lastOutcome);
        return;
    }
    // A frame placed by the step alone stands once the page moves on; a page that
    // stopped instead may have reached its end part-way through that step.
    if (std::exchange(m_provisional, false) && !j.append && judged.pageStill) {
        m_kept.dropLast();
        m_thumbTravel.dropLast();
        m_behindClicksPx = m_behindClicksBeforePx;
        // Rows alike that the step told apart at a place the clicks did not send the page
        // whole, twice running: a scroll that paused part-way, placed a repeat too far by
        // the step, then drawn to its end with the next tick. That one is no surer.
        if (std::exchange(m_provisionalOffTheClicks, false) && std::exchange(m_provisionalOffTheClicksBefore, false)
            && m_kept.count() > 1) {
            m_kept.dropLast();
            m_thumbTravel.dropLast();
            m_behindClicksPx = 0;
            captureDiagnostic(QStringLiteral("📜 [prior] 前一帧亦按步长消歧且非整步，一并撤回"));
        }
        m_hintModel.setHeightPx(m_kept.stitchedHeight());
        m_reachedEnd = true;
        captureDiagnostic(QStringLiteral("📜 [prior] 末步可能未走满，撤回按步长消歧的一帧"));
    } else if (!j.append && judged.overPlainRows && !m_reachedEnd && !m_clicksWentPartlyNowhere
               && m_driver->isCalibrated() && keepOverPlainRows(frame, j)) {
        // Plain rows look the same wherever the page stands: neither a page that stood
        // still nor rows loaded in place can be read from them.
        m_relooks = 0;
        m_lastOutcome = ScrollTickOutcome::kept;
        done(m_lastOutcome);
        return;
    } else if (!j.append && m_relooks == 0 && judged.standsAtKept && plainRunStoppedAtTheEnd()) {
        // Where the page stopped on those rows, the clicks no longer say: the frames the
        // rows place next are judged against the one kept before them.
        takeBackPlainRun(false);
        m_clicksWentPartlyNowhere = true;
        ++m_skippedCount;
        m_unplacedSinceKept = true;
        m_lastOutcome = ScrollTickOutcome::rejected;
        done(m_lastOutcome);
        return;
    } else {
        noteWhereThePageStands(frame, j, judged.standsAtKept);
    }
    if (!j.append && judged.loadedFrom >= 0 && keepRowsLoadedInPlace(frame, judged.loadedFrom)) {
        m_relooks = 0;
        m_lastOutcome = ScrollTickOutcome::kept;
        done(m_lastOutcome);
        return;
    }
    // Until a click's size is known each tick was one click.
    const int visible = frame.height() - m_detection.stickyPx - j.footerPx;
    const int perClick = j.newPx / std::max(1, m_ticksSinceKept);
    // One click scrolling more than half of the selection would leave too little in
    // common to register the next ticks; a click seen part-way is only larger. Held
    // against the selection, not the rows between its fixed bars: a header or footer
    // measured on one pair of frames may yet be content, and one that changes height
    // is not the same on the next pair; the bars are left out of registration anyway.
    const bool clickTooLarge = !m_driver->isCalibrated() && j.append && 2 * perClick > frame.height();
    // Only a page that moved at this tick is looked at again; once looked at, again
    // while it stands short. A frame that fits but stands well short of the clicks may
    // have been caught in the middle of a smooth scroll that then paused: kept, it would
    // leave the next tick a page moved by the rest of this scroll as well, further than
    // the clicks say, and rows that look alike would be placed by the clicks alone.
    // Looked at once more, a page that stood still is kept where it stood (where the first
    // look stands, a further look would only try the loaded rows against a repeat).
    // The first step kept sets a click's size for the rest of the capture, with nothing
    // yet to hold it against: it is always looked at once more, and again while the page
    // moves. Caught part-way, it would make every later whole step fit no number of clicks.
    const bool shortAndMoving = !j.append ? (m_relooks > 0 || !judged.pageStill) && stoppedShortOfTheScroll(j)
                                          : (m_relooks == 0 || !(judged.pageStill || firstLookStands))
                                                && (caughtMidScroll(j) || (!m_driver->isCalibrated() && !clickTooLarge));
    if (shortAndMoving && m_relooks < maximumRelooks) {
        if (j.append)
            m_firstLook = j;
        else
            m_shortLook = {j, shortLookStands ? shortLook.frame : frame};
        relook(done);
        return;
    }
    // A page that moved less than the clicks and then stood still has reached the end of
    // what it shows so far: a feed may load more there. It is kept where it stopped, and
    // the next ticks go on from there.
    const bool stoppedShort = stoodShortOfTheScroll(judged, j);
    m_relooks = 0;
    if (stoppedShort && !stopShortCanBeTold(frame, j)) {
        // Rows that repeat (cards at a fixed pitch) place a page that went the whole way
        // short by a whole number of them, where the rows at the true place do not show
        // it (pictures that loaded meanwhile) or cannot. Where it stopped is not known,
        // so it is not kept there.
        ++m_skippedCount;
        m_unplacedSinceKept = true;
        captureDiagnostic(QStringLiteral("📜 [prior] 页面未走满，但应走距离超出一帧可配准范围 → 不按停处保留"));
        m_lastOutcome = ScrollTickOutcome::rejected;
        done(m_lastOutcome);
        return;
    }
    if (stoppedShort) {
        if (shortLookFrameStands)
            keepWhereThePageStopped(shortLook.frame, done);
        else
            keepWhereThePageStopped(frame, done, shortLookStands ? shortLook.frame : QImage());
        return;
    }
    // Past the page's end only the frame it stopped on counts, placed without the step.
    if (!j.append || (m_reachedEnd && (j.settledByStep || j.byUnchangedRows))) {
        ++m_skippedCount;
        if (!m_driver->isCalibrated() && judged.noOverlap && !m_clickUnmeasured) {
            checkTooLow(done);
            return;
        }
        m_lastOutcome = j.duplicate || judged.pageStill ? ScrollTickOutcome::duplicate : ScrollTickOutcome::rejected;
        if (m_lastOutcome == ScrollTickOutcome::rejected && !showsOnlyAPlainEnd(frame)) {
            m_unplacedSinceKept = true;
            m_movedUnplacedSinceKept = m_movedUnplacedSinceKept || !judged.stoodWhilePicturesLoaded;
        }
        done(m_lastOutcome);
        return;
    }
    if (!m_driver->isCalibrated()) {
        // No smaller unit than a click exists on X11: the user hears it now, before
        // anything is stitched, and the page goes back.
        if (clickTooLarge) {
            m_driver->scrollBackOneClick();
            endTooLow();
            return;
        }
        // A click's frame that showed rows moved but could not be placed was no click too
        // small to count as a move: rows alike that place several clicks at less than that
        // each (a bar's caption, shifted as the bar grew) do not measure one.
        const bool belowAMove = m_clickUnmeasured && j.byUnchangedRows
                                && perClick < ScrollStitcher::minimumOffset(frame.height(), ScrollStitcher::JudgeMode::first, 0);
        if (m_ticksSinceKept > 1 && (belowAMove || !lastScrollFitsTheClick(frame, j.newPx))) {
            if (belowAMove)
                captureDiagnostic(QStringLiteral("📜 [driver] 一格 %1px 小于可测的移动，而首格的帧已移出可配准范围").arg(perClick));
            refuseTheClickMeasured(j.newPx, done);
            return;
        }
        keepFrame(frame, j);
        m_driver->calibrate(perClick, visible);
        m_autoStepPx = m_driver->scrolledStepPx();
        const int clicks = m_driver->clicksPerTick(), step = m_autoStepPx;
        captureDiagnostic(QStringLiteral("📜 [driver] 一格滚轮 = %1px → 每步 %2 格 = %3px").arg(perClick).arg(clicks).arg(step));
    } else {
        const bool offTheClicks = j.settledByStep && j.newPx != expectedBelowKeptPx();
        const bool offBefore = m_provisionalOffTheClicks;
        keepFrame(frame, j, true);
        m_provisionalOffTheClicks = offTheClicks;
        m_provisionalOffTheClicksBefore = offBefore;
    }
    const int added = j.newPx, height = m_kept.stitchedHeight();
    logMessage(LogLevel::info, [added, height] {
        return QStringLiteral("📜 自动步进保留（+%1px，累计 %2px）").arg(added).arg(height);
    });
    m_lastOutcome = ScrollTickOutcome::kept;
    m_provisional = j.settledByStep;
    if (height >= maxLength()) {
        const int maximum = maxLength();
        logMessage(LogLevel::info, [maximum] { return QStringLiteral("📜 已达最大截图长度 %1px，自动完成").arg(maximum); });
        m_lastOutcome = ScrollTickOutcome::stop;
    }
    done(m_lastOutcome);
}


void ScrollingCaptureController::relook(const ScrollAutoDriver::TickDone& done)
{
    // The page moved towards where the clicks send it and stood still short of it: a
    // loaded machine can pause a browser's scroll animation for longer than the settle
    // waits between two grabs. Answered as it stood, the tick would count the page as
    // hardly moved, and the next one would take it out of reach of the last kept frame.
    // Looked at again, without a scroll, a few times; a page that stays where it stood
    // so long has stopped (at its end).
    ++m_relooks;
    captureDiagnostic(QStringLiteral("📜 [settle] 未走满（应 %1px），不滚动再看一次").arg(m_driver->scrolledSinceKeptPx()));
    // A click's size is measured once per capture and every later step depends on it:
    // before it is known the page gets time enough to finish a scroll it paused.
    if (!m_driver->isCalibrated()) {
        after(calibrationLookMs, [this, done] { settleAndJudge(done, false); });
        return;
    }
    settleAndJudge(done, false);
}
