// Where a page seems to stop short of the scroll the clicks sent: whether that is the
// end of what it has loaded, a frame caught mid-scroll, or rows that repeat fooling the
// registration.
#include "Capture/ScrollingCaptureController.h"
#include "Capture/ScrollingCaptureJudged.h"

#include "Capture/CaptureLog.h"
#include "Capture/FrameLocalChanges.h"
#include "Capture/ScrollChangedContent.h"
#include "Capture/ScrollOffsetRules.h"

#include <algorithm>

namespace {

// Whether the clicks sent the page further than two frames `frameHeight` rows high can
// be placed against each other: a page that went that far shows no offset at all.
bool furtherThanAFrameShows(int expectedPx, int frameHeight)
{
    return expectedPx > ScrollStitcher::maximumOffset(frameHeight);
}

} // namespace

void ScrollingCaptureController::keepWhereThePageStopped(const QImage& frame, const ScrollAutoDriver::TickDone& done,
                                                         const QImage& earlier)
{
    // Placed as at the page's end: any move counts, and the step the clicks would have
    // scrolled says nothing of where it stopped.
    judgeOffMain(frame, 0, ScrollStitcher::JudgeMode::pageEnd, [this, frame, done, earlier](const Judged& judged) {
        if (m_phase != Phase::recording || !m_driver) {
            done(ScrollTickOutcome::stop);
            return;
        }
        const ScrollStitcher::FrameJudgement& j = judged.judgement;
        m_detection = j.detection();
        if (!j.append && !earlier.isNull()) {
            // The page stood as still since the look that placed it: that look is kept.
            after(0, [this, earlier, done] { keepWhereThePageStopped(earlier, done); });
            return;
        }
        if (!j.append) {
            ++m_skippedCount;
            m_lastOutcome = ScrollTickOutcome::duplicate;
            done(m_lastOutcome);
            return;
        }
        keepFrame(frame, j);
        m_keptWhereItStopped = std::pair<int, int>{m_kept.count(), m_kept.stitchedHeight()};
        const int added = j.newPx, height = m_kept.stitchedHeight();
        captureDiagnostic(
            QStringLiteral("📜 页面停在步长之前（已载入部分的末尾），保留 +%1px，累计 %2px").arg(added).arg(height));
        m_lastOutcome = height >= maxLength() ? ScrollTickOutcome::stop : ScrollTickOutcome::kept;
        done(m_lastOutcome);
    });
}

bool ScrollingCaptureController::stoppedShortOfTheScroll(const ScrollStitcher::FrameJudgement& judgement) const
{
    if (!m_driver || !m_driver->isCalibrated() || judgement.foundPx <= 0)
        return false;
    const int expected = expectedBelowKeptPx();
    return judgement.foundPx < expected - ScrollStitcher::stepPriorTolerance(m_driver->scrolledStepPx());
}

bool ScrollingCaptureController::stoodShortOfTheScroll(const Judged& judged,
                                                       const ScrollStitcher::FrameJudgement& judgement) const
{
    if (judgement.append || !stoppedShortOfTheScroll(judgement))
        return false;
    // Looked at again, the page stood still; rows a feed loaded in place of its plain end
    // between the looks do not make it one that moved.
    if (m_relooks > 0)
        return judged.pageStill || judged.stoodWhileRowsLoaded;
    // The tick's clicks did not move it at all: it stands there as surely, unless a tick
    // before found it where a repeat of alike rows may have fooled the rows.
    return judged.pageStill && !m_unplacedSinceKept;
}

bool ScrollingCaptureController::stopShortCanBeTold(const QImage& frame, const ScrollStitcher::FrameJudgement& judgement) const
{
    // Sent further than two frames can be placed against each other, a page that went
    // the whole way shows no offset at all: any the rows give may be one of a repeat.
    // Unless the rows followed the page down at an earlier tick too, never further than
    // here (a feed that let it move a little as it loaded): a page never goes back up.
    const bool followedDown = m_registeredTicksSinceKept > 1 && m_furthestRegisteredSinceKeptPx <= judgement.foundPx;
    if (m_placedAboveSinceKept && !followedDown)
        return false;
    // Rows alike but for a narrow marker (a row's number, a caption) fit a repeat short
    // of the clicks about as well: where the whole scroll sent fits row for row and the
    // place found does not, the page went the whole way.
    if (fitsKeptRowForRow(frame, expectedBelowKeptPx()) && !fitsKeptRowForRow(frame, judgement.foundPx))
        return false;
    // Clicks sent while the page stood at the end of what it had loaded took it nowhere.
    const int sentPx = std::min(expectedBelowKeptPx(), m_movingTicksSinceKept * m_driver->scrolledStepPx());
    // A tick between those placings that moved the page where no rows placed it breaks
    // that trail: rows alike within a tall row (pictures' shading) can place a page that
    // went on at a fraction of its move, a little further each time.
    const bool followedAllTheWay = followedDown && m_unfollowedMovesSinceKept == 0;
    if (!followedAllTheWay && furtherThanAFrameShows(sentPx, frame.height() - m_detection.stickyPx))
        return false;
    // A scrollbar's thumb says how far the content went, whatever the rows look like.
    const auto scale = m_thumbTravel.scale();
    if (const auto move = scale ? ScrollStitcher::contentMoveByThumb(*scale, frame) : std::nullopt)
        return judgement.foundPx >= move->low && judgement.foundPx <= move->high;
    // Without one, a page that moved under every click, sent as far as the rows between
    // the fixed bars reach, would show none of them in both frames had it gone the whole
    // way; one that stood still under some had reached the end of what it had loaded.
    return followedDown || m_movingTicksSinceKept < m_ticksSinceKept
           || sentPx < frame.height() - m_detection.stickyPx - m_keptFooterPx;
}

bool ScrollingCaptureController::caughtMidScroll(const ScrollStitcher::FrameJudgement& judgement) const
{
    if (!m_driver || !m_driver->isCalibrated() || judgement.foundPx <= 0)
        return false;
    return 4 * judgement.foundPx < 4 * expectedBelowKeptPx() - m_driver->scrolledStepPx();
}

int ScrollingCaptureController::expectedBelowKeptPx() const
{
    return m_driver ? m_driver->scrolledSinceKeptPx() + m_behindClicksPx : 0;
}

bool ScrollingCaptureController::standsWhereItStopped(const QImage& frame) const
{
    // Kept where it stopped at the end of what it had loaded, the page stays there until
    // more loads: a frame that shows every row where that one does, but for pictures that
    // loaded and what changes by itself, has not moved, however well rows alike (cards at
    // a fixed pitch above a band that stayed put) fit a move.
    if (m_keptWhereItStopped != std::pair<int, int>{m_kept.count(), m_kept.stitchedHeight()} || m_kept.count() == 0
        || frame.size() != m_kept.lastFrame().size())
        return false;
    return ScrollStitcher::sameContent(withoutLiveColumns(m_kept.lastFrame(), m_live), withoutLiveColumns(frame, m_live))
           || showsTheKeptRowsInPlace(frame);
}

bool ScrollingCaptureController::showsTheKeptRowsInPlace(const QImage& frame) const
{
    const QImage kept = withoutLiveColumns(m_kept.lastFrame(), m_live), now = withoutLiveColumns(frame, m_live);
    return differOnlyLocally(kept, now) || ScrollStitcher::sameButForPlaceholders(kept, now)
           || (!m_live.isEmpty() && placeholdersFilledBeside(m_kept.lastFrame(), frame, m_live))
           || ScrollStitcher::sameButForPlaceholdersAndOneBox(kept, now)
           || ScrollStitcher::sameButForPlaceholdersAndOneBoxOverThem(kept, now);
}
