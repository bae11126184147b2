// The scrolling capture's recording, its end: a selection too low to scroll, a stall,
// the page's last frame, and finishing.
#include "Capture/ScrollingCaptureController.h"
#include "Capture/ScrollingCaptureJudged.h"

#include "Base/Logger.h"
#include "Base/OffMainThread.h"
#include "Capture/CaptureAlerts.h"
#include "Capture/CaptureClock.h"
#include "Capture/CaptureDelivery.h"
#include "Capture/CaptureLog.h"
#include "Capture/CapturePng.h"
#include "Capture/FramePixelCompare.h"
#include "Capture/FramePixels.h"
#include "Capture/FrameRegistration.h"
#include "Capture/FrameLocalChanges.h"
#include "Capture/ScrollCaptureGeometry.h"
#include "Capture/ScrollOffsetRules.h"
#include "Capture/ScrollCaptureOverlayView.h"
#include "Capture/ScrollChangedContent.h"
#include "Capture/ScrollLoadedRows.h"
#include "Capture/ScrollSharedRows.h"
#include "Capture/ScrollFrameSource.h"
#include "Capture/ScrollLastStep.h"
#include "Capture/ScrollRowFit.h"
#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Platform/Pasteboard.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

using namespace ScrollCaptureGeometry;

void ScrollingCaptureController::checkTooLow(const ScrollAutoDriver::TickDone& done)
{
    // One click took the content out of sight. Scrolled back, the first view returns
    // when the click simply moves further than the selection is high; otherwise the
    // content changed by itself, and the frame is merely rejected.
    m_driver->scrollBackOneClick();
    // The click is undone: a click's size is measured over the clicks still in effect.
    m_ticksSinceKept = std::max(0, m_ticksSinceKept - 1);
    const QImage first = withoutLiveColumns(m_kept.lastFrame(), m_live);
    const QImage clicked = withoutLiveColumns(m_lastTickFrame, m_live);
    const ScrollStitcher::DetectionState detection = m_detection;
    after(redrawWaitMs, [this, done, first, clicked, detection] {
        settleFrame([this, done, first, clicked, detection](const QImage& frame) {
            if (m_phase != Phase::recording || !m_driver || frame.isNull()) {
                done(frame.isNull() ? ScrollTickOutcome::rejected : ScrollTickOutcome::stop);
                return;
            }
            // The view as it was, whole: what changes by itself there says it did not return.
            judgeOffMain(frame, 0, ScrollStitcher::JudgeMode::first,
                         [this, frame, done, first, clicked, detection](const Judged& judged) {
                if (m_phase != Phase::recording)
                    return;
                // Rows placed above the first view (cards a pitch apart) count as no new
                // content, yet show no return to it: clicks down and back never take the
                // page above where it started.
                if (judged.judgement.duplicate && judged.judgement.foundPx >= 0) {
                    endTooLowUnlessRowsShown(first, clicked, detection, frame, done);
                    return;
                }
                m_lastTickFrame = frame;
                m_lastOutcome = ScrollTickOutcome::rejected;
                done(m_lastOutcome);
            }, false);
        });
    });
}

namespace {

// The last kept frame and a new one without the columns that change by themselves, of
// one size, compared left of the scrollbar (where none was found, of where one may be).
struct KeptBesideNew {
    KeptBesideNew(const QImage& keptFrame, const QImage& frame, const LiveColumns& live, int scrollbarPx)
        : keptImage(withFramePixelLayout(withLiveColumnsCutOut(keptFrame, live)))
        , frameImage(withFramePixelLayout(withLiveColumnsCutOut(frame, live)))
        , kept(framePixels(keptImage))
        , now(framePixels(frameImage))
        , width(widthLeftOfScrollbar(now.width, scrollbarPx))
    {
    }
    bool comparable() const
    {
        return !kept.isNull() && !now.isNull() && kept.width == now.width && kept.height == now.height && width >= 1;
    }
    // Both, below a fixed header `stickyPx` high; nothing where they cannot be compared or
    // the header takes the whole frame.
    struct Rows {
        int top;
        FramePixels kept, now;
    };
    std::optional<Rows> belowHeader(int stickyPx) const
    {
        const int top = std::clamp(stickyPx, 0, now.height);
        if (!comparable() || top == now.height)
            return std::nullopt;
        return Rows{top, kept.cropped(0, top, width, kept.height - top), now.cropped(0, top, width, now.height - top)};
    }

    const QImage keptImage, frameImage;
    const FramePixels kept, now;
    const int width;
};

// The frame appended `newPx` rows below the last kept one, the `footerPx` rows at its
// bottom that stayed where they were left out.
ScrollStitcher::FrameJudgement appendedBelowKept(int newPx, int footerPx, const ScrollStitcher::DetectionState& detection)
{
    ScrollStitcher::FrameJudgement judgement;
    judgement.append = true;
    judgement.newPx = newPx;
    judgement.foundPx = newPx;
    judgement.footerPx = footerPx;
    judgement.setDetection(detection);
    return judgement;
}

} // namespace

bool ScrollingCaptureController::showsOnlyAPlainEnd(const QImage& frame) const
{
    const KeptBesideNew pair(m_kept.lastFrame(), frame, m_live, m_detection.scrollbarPx);
    const auto rows = pair.belowHeader(m_detection.stickyPx);
    if (!rows)
        return false;
    const FramePixels &kept = pair.kept, &now = pair.now;
    const int w = pair.width, top = rows->top;
    // The last rows the kept frame shows, moved up, above the plain end: nothing new.
    if (ScrollStitcher::lastStepOffset(rows->kept, rows->now))
        return true;
    // Left of the scrollbar, whose thumb still moves there (where none was found, of where
    // one may be); below the fixed header; above the rows that are as the last kept frame
    // shows them (a fixed footer, or the plain end it already showed).
    int bottom = now.height;
    while (bottom > top && FramePixelCompare::rowsMatch(kept.row(bottom - 1), now.row(bottom - 1), w))
        --bottom;
    if (bottom == top)
        return false; // nothing moved
    for (int r = top; r < bottom; ++r) {
        if (!FramePixelCompare::plainRow(now.row(r), w))
            return false;
    }
    return true;
}

std::optional<ScrollStitcher::FrameJudgement> ScrollingCaptureController::lastStepPlacedByItsRows(const QImage& frame) const
{
    const KeptBesideNew pair(m_kept.lastFrame(), frame, m_live, m_detection.scrollbarPx);
    const auto rows = pair.belowHeader(m_detection.stickyPx);
    if (!rows)
        return std::nullopt;
    // Every row the frame shows of the kept one where that scroll puts it, between the
    // bars: the step is the whole of the move.
    if (const auto offset = ScrollStitcher::lastStepOffset(rows->kept, rows->now))
        if (auto judgement = plainEndJudgement(m_kept.lastFrame(), frame, *offset, *offset, m_kept.lastFrame()))
            return judgement;
    // The same where something on the rows changed by itself meanwhile.
    const auto offset
        = m_driver ? ScrollStitcher::lastStepBesideLocalChanges(rows->kept, rows->now, m_driver->scrolledStepPx()) : std::nullopt;
    if (!offset)
        return std::nullopt;
    const int footer = FrameRegistration::fixedBottomRows(pair.kept.cropped(0, 0, pair.width, pair.kept.height),
                                                          pair.now.cropped(0, 0, pair.width, pair.now.height), *offset);
    return appendedBelowKept(*offset, footer, m_detection);
}

bool ScrollingCaptureController::lastStepFitsTheMoves(int stepPx, const QImage& frame) const
{
    // Rows alike (cards at a fixed pitch, the blank under grey pictures) fit a few rows'
    // step as well when the page went on many steps past the last kept frame where no
    // frame could be placed.
    if (!m_movedUnplacedSinceKept)
        return true;
    if (const auto scale = m_thumbTravel.scale())
        if (const auto move = ScrollStitcher::contentMoveByThumb(*scale, frame))
            return stepPx >= move->low && stepPx <= move->high;
    // A tick that moved the page took it a whole step, or (an animation beside the rows)
    // did not move it at all: no more than that many steps went by, nor more than the
    // clicks sent. Further than a frame shows, the rows that place the step may be a
    // repeat of those it went past.
    const int sentPx = m_driver ? std::min(expectedBelowKeptPx(), m_movingTicksSinceKept * m_driver->scrolledStepPx()) : 0;
    return sentPx <= ScrollStitcher::maximumOffset(frame.height() - m_detection.stickyPx);
}

bool ScrollingCaptureController::fitsKeptRowForRow(const QImage& frame, int offsetPx) const
{
    // Held row for row against the last kept frame, beside what changes by itself and
    // where a scrollbar may be, between the fixed bars.
    const KeptBesideNew pair(m_kept.lastFrame(), frame, m_live, m_detection.scrollbarPx);
    const auto rows = pair.belowHeader(m_detection.stickyPx);
    if (!rows)
        return false;
    return ScrollStitcher::fitsRowForRow(rows->kept, rows->now, offsetPx, ScrollStitcher::footerWithMarginPx(m_keptFooterPx));
}

bool ScrollingCaptureController::movedIntoThePlainEnd(const QImage& frame) const
{
    // Every row that is no longer as the last kept frame shows it is plain: the rows it
    // showed went up out of view, which nothing loading in place does (a picture only
    // adds detail). Narrow rows of the kept frame (a row's marker, a rule) would
    // otherwise pass for something that changed in place.
    const KeptBesideNew pair(m_kept.lastFrame(), frame, m_live, m_detection.scrollbarPx);
    if (!pair.comparable())
        return false;
    const FramePixels &kept = pair.kept, &now = pair.now;
    const int w = pair.width;
    int changed = 0;
    for (int r = std::clamp(m_detection.stickyPx, 0, now.height); r < now.height; ++r) {
        if (FramePixelCompare::rowsMatch(kept.row(r), now.row(r), w))
            continue;
        if (!FramePixelCompare::plainRow(now.row(r), w))
            return false;
        ++changed;
    }
    return changed > 0;
}

void ScrollingCaptureController::endTooLowUnlessRowsShown(const QImage& first, const QImage& clicked,
                                                          const ScrollStitcher::DetectionState& detection,
                                                          const QImage& frame, const ScrollAutoDriver::TickDone& done)
{
    // The first view returned, but the click's frame may still show its rows where the
    // registration could not tell by how much they moved (a bar that changed height,
    // rows with little to tell them apart): too low only where the rows that a click of
    // up to half the selection leaves in view, holding detail, show nowhere before.
    const quint64 generation = m_generation;
    QPointer<ScrollingCaptureController> self(this);
    OffMainThread::run(this, [first, clicked, detection] {
        return ScrollStitcher::rowsShown(first, clicked, detection.scrollbarPx, detection.stickyPx);
    }, [self, generation, frame, done](ScrollStitcher::RowsShown shown) {
        if (!self || !self->isCurrent(generation) || self->m_phase != Phase::recording)
            return;
        if (shown == ScrollStitcher::RowsShown::none) {
            self->endTooLow();
            return;
        }
        // The click is measured on the frames of the next clicks instead.
        self->m_clickUnmeasured = true;
        self->m_lastTickFrame = frame;
        self->m_lastOutcome = ScrollTickOutcome::rejected;
        captureDiagnostic(QStringLiteral("📜 [driver] 一格滚轮未能测出，改由后续相邻帧测量"));
        done(self->m_lastOutcome);
    });
}

void ScrollingCaptureController::handleStall()
{
    if (m_phase != Phase::recording)
        return;
    // The page stopped: frames kept over plain rows since the last one placed by its rows
    // may lie past where it stopped. Its end is placed from that one.
    takeBackPlainRun(false);
    if (m_driver && m_driver->endedOnRejects() && m_lastOutcome != ScrollTickOutcome::duplicate) {
        // Frames kept coming that could not be placed: what was taken is delivered, and
        // the user is told it is not the whole page. (Rejects that end on a page standing
        // still came from its last, shorter scroll: that is the page's end below.)
        logMessage(LogLevel::warning, [] { return QStringLiteral("📜 连续帧无法配准，提前结束并交付已截部分"); });
        m_endedUnregistered = true;
        finish(false);
        return;
    }
    logMessage(LogLevel::info, [] { return QStringLiteral("📜 页面到底（连续无新内容），自动完成"); });
    // The page's last scroll is usually shorter than a step, and judged against the step
    // it does not count (nor, where rows look alike, can the step tell them apart). The
    // page has stopped on that frame: its new rows, however few, are kept.
    if (m_lastOutcome != ScrollTickOutcome::duplicate || !m_driver || !m_driver->isCalibrated()
        || m_lastTickFrame.isNull() || m_kept.stitchedHeight() >= maxLength()) {
        // Before a click was measured, frames that moved went unplaced: the page went on
        // past the last kept frame by as much as nothing measured.
        if (m_driver && !m_driver->isCalibrated() && m_unplacedSinceKept)
            m_endedUnregistered = true;
        finishAtStall();
        return;
    }
    judgeOffMain(m_lastTickFrame, 0, ScrollStitcher::JudgeMode::pageEnd, [this](const Judged& judged) {
        if (m_phase != Phase::recording)
            return;
        const ScrollStitcher::FrameJudgement& j = judged.judgement;
        if (j.append) {
            keepFrame(m_lastTickFrame, j);
            const int added = j.newPx;
            captureDiagnostic(QStringLiteral("📜 页底末步补齐 +%1px").arg(added));
        } else if (const auto step = !j.duplicate && j.foundPx == 0 ? lastStepPlacedByItsRows(m_lastTickFrame)
                                                                      : std::nullopt;
                   step && lastStepFitsTheMoves(step->newPx, m_lastTickFrame)) {
            // A last scroll of a few rows into the plain end, beside what changes by itself
            // and above a footer, or under something that changed by itself over the rows,
            // passes for a change in place; the rows it moved up place it.
            keepFrame(m_lastTickFrame, *step);
            const int added = step->newPx;
            captureDiagnostic(QStringLiteral("📜 页底末步补齐 +%1px").arg(added));
        } else if (!m_movedUnplacedSinceKept && !movedIntoThePlainEnd(m_lastTickFrame)
                   && showsTheKeptRowsInPlace(m_lastTickFrame)) {
            // Still where the last kept frame shows it, but for what changed in place (a
            // picture that loaded while the page waited at its end, also where the columns
            // that change by themselves cut across it, or where a small animation was
            // never taken for such columns and changed over it meanwhile): those rows
            // show as the page last looked. Not after frames that moved and could not be
            // placed: a kept frame of little but a feed's "Loading more" row looks the same
            // at the next such row, rows further down, and the rows between were never kept.
            m_kept.refreshLast(m_lastTickFrame, m_detection.stickyPx);
        } else if (j.foundPx < 0 && keepRowsLoadedAbove(m_lastTickFrame, -j.foundPx)) {
            // Its rows placed the page's end: the thumb, of a page that got shorter, no
            // longer measures by the scale it had.
            finish(false);
            return;
        } else if (j.foundPx < 0) {
            // The page stopped above the last kept frame: where it ends was never seen.
            m_endedUnregistered = true;
        } else if (const std::optional<QImage> registered = registeredEndStanding()) {
            keepTheRegisteredEnd(*registered);
            return;
        } else if (!j.duplicate && !m_unplacedSinceKept && showsOnlyAPlainEnd(m_lastTickFrame)) {
            placeThePlainEnd();
            return;
        } else if (!j.duplicate || m_movedUnplacedSinceKept) {
            // The page's last rows could not be placed; nor, where frames that moved went
            // unplaced before it, can a frame the same as the last kept one say the page
            // is back there rather than at the same-looking end a load further down.
            m_endedUnregistered = true;
        }
        finishAtStall();
    });
}

bool ScrollingCaptureController::thumbMovedPastKept(const QImage& frame) const
{
    if (frame.isNull())
        return false;
    const auto scale = m_thumbTravel.scale();
    const auto move = scale ? ScrollStitcher::contentMoveByThumb(*scale, frame) : std::nullopt;
    return move && move->low > 0;
}

void ScrollingCaptureController::finishAtStall()
{
    // Frames that showed nothing to place (a plain band, a row still loading) look like a
    // page at its end; a thumb that went on down says rows were passed that no frame kept.
    if (!m_endedUnregistered && thumbMovedPastKept(m_lastTickFrame))
        m_endedUnregistered = true;
    finish(false);
}

std::optional<QImage> ScrollingCaptureController::registeredEndStanding() const
{
    // The page's last scroll, shorter than a step, was placed by its rows but refused as
    // no whole number of clicks; later frames of the page standing there no longer place
    // (pictures that loaded meanwhile, rows beside an animation that two places a card
    // apart fit alike). Where they differ from that first frame only in place, the page
    // has not moved since.
    if (!m_firstRegisteredSinceKept || m_lastTickFrame.isNull())
        return std::nullopt;
    const RegisteredSinceKept& registered = *m_firstRegisteredSinceKept;
    if (registered.keptKey != m_kept.lastFrame().cacheKey() || registered.frame.size() != m_lastTickFrame.size())
        return std::nullopt;
    const QImage then = withoutLiveColumns(registered.frame, m_live), now = withoutLiveColumns(m_lastTickFrame, m_live);
    const bool standsThere = ScrollStitcher::sameContent(then, now) || differOnlyLocally(then, now)
                             || ScrollStitcher::sameButForPlaceholders(then, now)
                             || (!m_live.isEmpty() && placeholdersFilledBeside(registered.frame, m_lastTickFrame, m_live))
                             || ScrollStitcher::sameButForPlaceholdersAndOneBand(then, now);
    return standsThere ? std::optional<QImage>(registered.frame) : std::nullopt;
}

void ScrollingCaptureController::keepTheRegisteredEnd(const QImage& registered)
{
    // That frame judged as the one the page stopped on: kept where its rows place it
    // again, with the bars as they stand there; otherwise the end was not placed.
    const int foundPx = m_firstRegisteredSinceKept->judgement.foundPx;
    // On the clock's next turn, as the page end's other steps are taken.
    after(0, [this, registered, foundPx] {
        // The page stopped there after clicks down from the last kept frame: a place above
        // it that alike rows fit as well is none it can stand at.
        const int downPx = m_driver ? m_driver->scrolledStepPx() : 0;
        judgeOffMain(registered, downPx, ScrollStitcher::JudgeMode::pageEnd, [this, registered, foundPx](const Judged& judged) {
            if (m_phase != Phase::recording)
                return;
            const ScrollStitcher::FrameJudgement& j = judged.judgement;
            if (j.append && j.newPx == foundPx) {
                keepFrame(registered, j);
                // Pictures that loaded since show as the page last looked.
                m_kept.refreshLast(m_lastTickFrame, m_detection.stickyPx);
                captureDiagnostic(QStringLiteral("📜 页底末步按首次配准补齐 +%1px").arg(j.newPx));
            } else {
                m_endedUnregistered = true;
            }
            finish(false);
        });
    });
}

void ScrollingCaptureController::placeThePlainEnd()
{
    // The page went on into its plain end further than the rows it still shows could tell
    // (nothing is lost there, only how long that end is). Clicks back up, one at a time,
    // until a frame shows rows again where the page stands against the last kept one; the
    // clicks add the rest.
    const int click = m_driver->scrolledStepPx() / std::max(1, m_driver->clicksPerTick());
    stepBackToRows(click, {m_lastTickFrame});
}

void ScrollingCaptureController::stepBackToRows(int click, std::vector<QImage> plainFrames)
{
    // plainFrames: the frame the page ended on, then one per click back, each plain.
    m_driver->scrollBackOneClick();
    const QImage reference = plainFrames.back();
    after(redrawWaitMs, [this, click, plainFrames, reference] {
        settleFrame([this, click, plainFrames](const QImage& back) {
            if (m_phase != Phase::recording)
                return;
            if (back.isNull()) {
                finish(false);
                return;
            }
            judgeOffMain(back, 0, ScrollStitcher::JudgeMode::pageEnd, [this, click, plainFrames, back](const Judged& judged) {
                if (m_phase != Phase::recording)
                    return;
                const ScrollStitcher::FrameJudgement& j = judged.judgement;
                // How far the frame clicks up stands below the last kept one.
                // A page whose end was less than a click on stands above the last kept
                // frame now: the kept frame then shows the rows it does, moved up.
                const std::optional<int> below = j.append ? std::optional<int>(j.newPx)
                                                 : j.foundPx != 0 ? std::optional<int>(j.foundPx)
                                                 : j.duplicate ? std::optional<int>(0)
                                                               : keptBelow(back, click * int(plainFrames.size()));
                // Still nothing but the plain end: one more click back, as long as the
                // clicks back stay within the frames the plain end was seen over.
                if (!below && std::ssize(plainFrames) < maximumPlainEndClicks && showsOnlyAPlainEnd(back)) {
                    std::vector<QImage> further = plainFrames;
                    further.push_back(back);
                    stepBackToRows(click, std::move(further));
                    return;
                }
                const bool kept = below
                                  && keepThePlainEnd(back, plainFrames, *below, click,
                                                     j.append ? std::optional(j) : std::nullopt);
                // Clicks back that found no rows to measure the end by: how far the page
                // went on is not known (a feed may be loading more there).
                // Nor where the frame a click up shows rows that place nowhere against
                // the last kept frame: the page stands somewhere no kept frame reaches.
                if (!kept && (plainFrames.size() > 1 || !below))
                    m_endedUnregistered = true;
                finishAtStall();
            });
        }, reference);
    });
}

bool ScrollingCaptureController::keepThePlainEnd(const QImage& back, const std::vector<QImage>& plainFrames, int belowPx,
                                                 int click, const std::optional<ScrollStitcher::FrameJudgement>& backKept)
{
    // The frames down from `back` (`belowPx` below the last kept frame), one click apart,
    // the last of them the frame the page ended on; all of them or none. Where the first
    // of them lies further below than a frame is high, `back` itself, placed by its rows,
    // is kept first.
    const auto chain = [&](const QImage& top, int firstPx, const QImage& keptAbove) {
        std::vector<ScrollStitcher::FrameJudgement> judgements;
        QImage above = top;
        int newPx = firstPx;
        for (auto frame = plainFrames.rbegin(); frame != plainFrames.rend(); ++frame) {
            const auto kept = plainEndJudgement(above, *frame, newPx, click, judgements.empty() ? keptAbove : above);
            if (!kept)
                return std::vector<ScrollStitcher::FrameJudgement>{};
            judgements.push_back(*kept);
            above = *frame;
            newPx = click;
        }
        return judgements;
    };
    std::vector<ScrollStitcher::FrameJudgement> judgements = chain(back, belowPx + click, m_kept.lastFrame());
    const bool backFirst = judgements.empty() && backKept && backKept->newPx == belowPx;
    if (backFirst)
        judgements = chain(back, click, back);
    if (judgements.empty())
        return false;
    int added = 0;
    if (backFirst) {
        keepFrame(back, *backKept);
        added += backKept->newPx;
    }
    auto frame = plainFrames.rbegin();
    for (const auto& judgement : judgements) {
        keepFrame(*frame++, judgement);
        added += judgement.newPx;
    }
    captureDiagnostic(QStringLiteral("📜 页底空白末步，回滚 %1 格测得 +%2px").arg(plainFrames.size()).arg(added));
    return true;
}

std::optional<int> ScrollingCaptureController::keptBelow(const QImage& frame, int maxStepPx) const
{
    const QImage keptImage = withFramePixelLayout(withLiveColumnsCutOut(m_kept.lastFrame(), m_live));
    const QImage frameImage = withFramePixelLayout(withLiveColumnsCutOut(frame, m_live));
    const FramePixels kept = framePixels(keptImage), now = framePixels(frameImage);
    if (kept.isNull() || now.isNull() || kept.width != now.width || kept.height != now.height)
        return std::nullopt;
    const int w = widthLeftOfScrollbar(now.width, m_detection.scrollbarPx);
    const int top = std::clamp(m_detection.stickyPx, 0, now.height);
    if (w < 1 || top == now.height)
        return std::nullopt;
    const FramePixels above = now.cropped(0, top, w, now.height - top), below = kept.cropped(0, top, w, kept.height - top);
    auto offset = ScrollStitcher::lastStepOffset(above, below);
    // A picture the kept frame showed grey at its top may have loaded while the page
    // waited at its end: the rows no longer match row for row, yet the captions and
    // borders around it still place the kept frame, within the clicks back.
    if (!offset && maxStepPx > 0)
        offset = ScrollStitcher::lastStepBesideLocalChanges(above, below, maxStepPx);
    return offset ? std::optional<int>(-*offset) : std::nullopt;
}

std::optional<ScrollStitcher::FrameJudgement> ScrollingCaptureController::plainEndJudgement(const QImage& back,
                                                                                           const QImage& end, int newPx,
                                                                                           int click,
                                                                                           const QImage& keptAbove) const
{
    const QImage keptImage = withFramePixelLayout(withLiveColumnsCutOut(keptAbove, m_live));
    const QImage backImage = withFramePixelLayout(withLiveColumnsCutOut(back, m_live));
    const QImage endImage = withFramePixelLayout(withLiveColumnsCutOut(end, m_live));
    const FramePixels kept = framePixels(keptImage), above = framePixels(backImage), now = framePixels(endImage);
    if (kept.isNull() || above.isNull() || now.isNull() || kept.width != now.width || kept.height != now.height
        || above.width != now.width || above.height != now.height)
        return std::nullopt;
    const int h = now.height;
    const int w = widthLeftOfScrollbar(now.width, m_detection.scrollbarPx);
    const int top = std::clamp(m_detection.stickyPx, 0, h);
    if (w < 1 || newPx <= 0)
        return std::nullopt;
    const int footer = FrameRegistration::fixedBottomRows(kept.cropped(0, 0, w, h), now.cropped(0, 0, w, h), newPx);
    if (h - footer - newPx < top)
        return std::nullopt; // a plain end longer than the frame: its length is not shown
    // The end is the frame one click up moved up by that click: the page went that click
    // and no further, and nothing came between.
    for (int r = top; r + click < h - footer; ++r) {
        if (!FramePixelCompare::rowsMatch(now.row(r), above.row(r + click), w))
            return std::nullopt;
    }
    return appendedBelowKept(newPx, footer, m_detection);
}

void ScrollingCaptureController::handleHintDone()
{
    logMessage(LogLevel::info, [] { return QStringLiteral("📜 提示条「完成」点击，拼接交付"); });
    finish(false);
}

// ---- finishing -----------------------------------------------------------------------------

void ScrollingCaptureController::finish(bool limitReached)
{
    if (m_phase != Phase::recording)
        return;
    m_phase = Phase::finishing;
    stopDriver();
    takeBackPlainRun(true);
    if (limitReached) {
        // Esc in this second still cancels; what is left of this capture then finds
        // it gone.
        m_hintModel.setLimitReached(true);
        after(limitWaitMs, [this] { completeFinish(); });
        return;
    }
    completeFinish();
}

void ScrollingCaptureController::completeFinish()
{
    if (m_phase != Phase::finishing)
        return;
    cleanup(false);
    const int captured = m_capturedCount, kept = m_kept.count(), skipped = m_skippedCount;
    logMessage(LogLevel::info, [captured, kept, skipped] {
        return QStringLiteral("📜 录制结束（捕获 %1 帧 / 保留 %2 / 跳过 %3），开始拼接").arg(captured).arg(kept).arg(skipped);
    });
    struct Result {
        std::optional<QByteArray> png;
        bool composed = false;
        int totalHeight = 0;
        int appendedFrames = 0;
        int droppedDuplicates = 0;
        qint64 composeMs = 0;
    };
    // Composed and encoded on a worker; the tall image is gone before the PNG is handed
    // back, and each slice as soon as it is drawn.
    auto slices = std::make_shared<std::vector<KeptSlice>>(m_kept.takeSlices());
    m_lastTickFrame = QImage();
    const int maximum = maxLength();
    const quint64 generation = m_generation;
    QPointer<ScrollingCaptureController> self(this);
    OffMainThread::run(this, [slices, maximum] {
        Result result;
        QElapsedTimer timer;
        timer.start();
        std::optional<ScrollStitcher::StitchResult> stitched = ScrollStitcher::compose(std::move(*slices), maximum);
        result.composeMs = timer.elapsed();
        if (!stitched || stitched->image.isNull())
            return result;
        result.composed = true;
        result.totalHeight = stitched->totalHeight;
        result.appendedFrames = stitched->appendedFrames;
        result.droppedDuplicates = stitched->droppedDuplicates;
        result.png = encodeCapturePng(stitched->image);
        return result;
    }, [self, generation](const Result& result) {
        if (!self || !self->isCurrent(generation) || self->m_phase != Phase::finishing)
            return;
        if (!result.composed) {
            logMessage(LogLevel::error, [] { return QStringLiteral("📜 拼接失败（无帧或画布创建失败），取消交付"); });
            self->cancel();
            return;
        }
        if (!result.png) {
            logMessage(LogLevel::error, [] { return QStringLiteral("📜 PNG 编码失败，取消交付"); });
            self->cancel();
            return;
        }
        CaptureDelivery::putOnClipboard(*result.png, true);
        logMessage(LogLevel::info, [&result] {
            return QStringLiteral("📜 拼接完成：%1 帧 / 总高 %2px / 丢弃重复 %3 / 耗时 %4ms，走交付链")
                .arg(result.appendedFrames)
                .arg(result.totalHeight)
                .arg(result.droppedDuplicates)
                .arg(result.composeMs);
        });
        CaptureDelivery::deliverCapturedImage();
        const bool partial = self->m_endedUnregistered;
        self->restoreHiddenWindowsAfterFinish();
        self->resetState();
        if (partial)
            CaptureAlerts::current().showWarning(localized(QStringLiteral("scrollCapture.stoppedEarly.title")),
                                                 localized(QStringLiteral("scrollCapture.stoppedEarly.body")));
    });
}
