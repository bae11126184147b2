// The scrolling capture's first clicks, before a click's size is known: a frame one click
// below the last kept one that its rows could not place (a view of plain placeholders
// between card borders fits many offsets), placed by the next click's frame.
#include "Capture/ScrollingCaptureController.h"

#include "Base/OffMainThread.h"
#include "Capture/CaptureLog.h"
#include "Capture/FrameLocalChanges.h"
#include "Capture/FrameRegistration.h"
#include "Capture/ScrollChangedContent.h"
#include "Capture/ScrollOffsetRules.h"

#include <algorithm>
#include <cstdlib>

namespace {

struct ThroughLastTick {
    bool placed = false;
    int clickPx = 0;
    ScrollStitcher::FrameJudgement between; // the previous tick's frame below the kept one
    ScrollStitcher::FrameJudgement frame;   // this frame below the previous tick's
};

bool nearClick(const ScrollStitcher::FrameJudgement& judgement, int clickPx)
{
    return judgement.append && std::abs(judgement.newPx - clickPx) <= std::max(3, clickPx / 10);
}

// Whether `next` shows the rows of `previous` `offset` rows higher, left of the
// scrollbar (where none was found yet, left of where one may be) and below the fixed
// header, but for pictures that loaded meanwhile.
bool rowsAgreeAt(const QImage& previous, const QImage& next, int offset, const ScrollStitcher::DetectionState& detection)
{
    const auto region = FrameRegistration::comparedRegion(previous, next, detection.scrollbarPx, detection.stickyPx);
    if (!region)
        return false;
    const int full = region->next.width;
    const int w = detection.scrollbarPx > 0 ? full : full - std::min(full / 8, 50);
    const int h = region->next.height - offset;
    if (offset <= 0 || h < FrameRegistration::kMinimumSide)
        return false;
    const FramePixels before = region->previous.cropped(0, offset, w, h), after = region->next.cropped(0, 0, w, h);
    return FrameRegistration::framesMatch(before, after) || ScrollStitcher::sameButForPlaceholders(before, after);
}

} // namespace

bool ScrollingCaptureController::placesThroughLastTick() const
{
    // Two clicks since the kept frame, the first of them unplaced; the frames one click
    // apart share twice the rows that this frame and the kept one do, if any. Before a
    // click's size is known, an offset this frame and the kept one seem to share says
    // less than that.
    return m_driver && !m_driver->isCalibrated() && m_ticksSinceKept == 2 && m_relooks == 0
           && !m_lastTickFrame.isNull() && m_kept.count() > 0;
}

void ScrollingCaptureController::placeThroughLastTick(const QImage& frame, const ScrollAutoDriver::TickDone& done,
                                                      std::function<void()> otherwise)
{
    const QImage kept = m_kept.lastFrame(), between = m_lastTickFrame;
    const ScrollStitcher::DetectionState detection = m_detection;
    const quint64 generation = m_generation;
    QPointer<ScrollingCaptureController> self(this);
    OffMainThread::run(this, [kept, between, frame, detection] {
        ThroughLastTick result;
        // One click, measured between the two frames it separates: rows the step cannot
        // yet tell apart must leave no doubt here.
        bool settled = false;
        const auto click = ScrollStitcher::registerOffset(between, frame, detection.scrollbarPx, detection.stickyPx,
                                                          FrameRegistration::Expected{1, frame.height()}, &settled);
        if (!click || settled || *click < ScrollStitcher::minimumOffset(frame.height(), ScrollStitcher::JudgeMode::tick, 0))
            return result;
        result.clickPx = *click;
        // Where that click puts the previous tick's frame below the kept one, among the
        // offsets its rows fit as well; then this frame below it.
        result.between = ScrollStitcher::judgeFrame(kept, between, detection, *click, ScrollStitcher::JudgeMode::tick);
        if (!result.between.append && rowsAgreeAt(kept, between, *click, result.between.detection())) {
            // Rows with nothing to pin them (plain placeholders between card borders) fit
            // every offset: the click measured on the next frame places them.
            result.between.append = true;
            result.between.duplicate = false;
            result.between.newPx = *click;
            result.between.foundPx = *click;
            result.between.footerPx = 0;
            result.between.settledByStep = true;
            captureDiagnostic(QStringLiteral("📜 [vision] ty=%1（新内容 px，按相邻帧测得的一格）").arg(*click));
        }
        if (!nearClick(result.between, *click))
            return result;
        result.frame = ScrollStitcher::judgeFrame(between, frame, result.between.detection(), *click,
                                                  ScrollStitcher::JudgeMode::tick);
        result.placed = nearClick(result.frame, *click);
        return result;
    }, [self, generation, frame, done, otherwise = std::move(otherwise)](const ThroughLastTick& result) {
        if (!self || !self->isCurrent(generation))
            return;
        if (self->m_phase != Phase::recording || !self->m_driver) {
            done(ScrollTickOutcome::stop);
            return;
        }
        const int visible = frame.height() - result.frame.stickyPx - result.frame.footerPx;
        // A click of up to half the selection: the frames one click apart were just
        // placed on the rows they share.
        if (!result.placed || 2 * result.clickPx > frame.height()) {
            otherwise();
            return;
        }
        const QImage between = self->m_lastTickFrame;
        self->m_detection = result.frame.detection();
        self->m_lastTickFrame = frame;
        self->keepFrame(between, result.between);
        self->keepFrame(frame, result.frame);
        self->m_driver->calibrate(result.clickPx, visible);
        self->m_autoStepPx = self->m_driver->scrolledStepPx();
        captureDiagnostic(QStringLiteral("📜 [driver] 一格滚轮 = %1px（由相邻两帧测得）→ 每步 %2 格 = %3px")
                              .arg(result.clickPx)
                              .arg(self->m_driver->clicksPerTick())
                              .arg(self->m_autoStepPx));
        self->m_lastOutcome = self->m_kept.stitchedHeight() >= self->maxLength() ? ScrollTickOutcome::stop
                                                                                 : ScrollTickOutcome::kept;
        done(self->m_lastOutcome);
    });
}

bool ScrollingCaptureController::lastScrollFitsTheClick(const QImage& frame, int movedPx) const
{
    // Rows alike enough to fit a small move as well as the true one can place a frame
    // several clicks on at a fraction of them: then the last click alone moved the page
    // further than the whole move measured allows for. Kept, such a place shows rows
    // twice, and every later step would be measured by it.
    const QImage before = m_beforeLastScroll;
    if (before.isNull() || before.size() != frame.size())
        return true;
    // A page that stood still at the last click had reached its end on the way: the
    // clicks before it moved it further than the move measured shares out.
    if (ScrollStitcher::sameContent(before, frame) || ScrollStitcher::sameButForPlaceholders(before, frame))
        return true;
    const QImage a = withoutLiveColumns(before, m_live), b = withoutLiveColumns(frame, m_live);
    const int click = (movedPx + m_ticksSinceKept - 1) / m_ticksSinceKept;
    // Only a place further on than the click is evidence against the move measured:
    // where the two frames agree nowhere (a footer or a change beside the rows between
    // them), nothing is known.
    for (int offset = 1; offset <= click || 2 * offset <= b.height(); ++offset) {
        if (rowsAgreeAt(a, b, offset, m_detection))
            return offset <= click;
    }
    return true;
}

void ScrollingCaptureController::refuseTheClickMeasured(int movedPx, const ScrollAutoDriver::TickDone& done)
{
    // Where the frame stands is not known: the next frames measure the click instead, and
    // a capture that cannot place them says it stopped early.
    ++m_skippedCount;
    m_unplacedSinceKept = true;
    captureDiagnostic(QStringLiteral("📜 [driver] %1 格合计 %2px 与最后一格的两帧不符 → 不据此测一格")
                          .arg(m_ticksSinceKept)
                          .arg(movedPx));
    m_lastOutcome = ScrollTickOutcome::rejected;
    done(m_lastOutcome);
}
