// The scrolling capture's view while the page stands where the last frame was kept: at the
// end of what a feed has loaded so far.
#include "Capture/ScrollingCaptureController.h"

#include "Capture/CaptureLog.h"
#include "Capture/FrameLocalChanges.h"
#include "Capture/ScrollLoadedRows.h"
#include "Capture/ScrollStitcher.h"

void ScrollingCaptureController::noteWhereThePageStands(const QImage& frame,
                                                        const ScrollStitcher::FrameJudgement& judgement, bool standsAtKept)
{
    // Pictures that load meanwhile change the rows there: placeholders turn into pictures
    // that fill most of a card. Judged against the kept frame as it was, the next frame
    // (once the page moves on) shares with it little but the cards' captions and borders,
    // often too little to place it; judged against the view as it now stands, it shares
    // every row it shows again. Only a frame that shows each row where the kept one does
    // stands in for it: a page that merely looked still may have moved by rows alike.
    if (judgement.append || !standsAtKept)
        return;
    m_kept.restandLast(frame, m_detection.stickyPx);
    captureDiagnostic(QStringLiteral("📜 [settle] 页面未动，末帧按当前画面更新（图片已载入）"));
}

bool ScrollingCaptureController::keepRowsLoadedInPlace(const QImage& frame, int from)
{
    // Once per stand of the page: what keeps changing there without the page moving
    // (a prompt that blinks) would otherwise never let it count as still.
    if (m_loadedInPlace || !m_driver || !m_driver->isCalibrated() || !m_kept.replaceLastTail(frame, from))
        return false;
    m_loadedInPlace = true;
    m_behindClicksPx = 0;
    m_ticksSinceKept = 0;
    m_registeredTicksSinceKept = 0;
    m_furthestRegisteredSinceKeptPx = 0;
    m_movingTicksSinceKept = 0;
    m_unfollowedMovesSinceKept = 0;
    m_placedAboveSinceKept = false;
    captureDiagnostic(QStringLiteral("📜 [feed] 页面未动，末尾载入新行（自第 %1 行起替换）").arg(from));
    return true;
}

bool ScrollingCaptureController::keepRowsLoadedAbove(const QImage& frame, int upPx)
{
    // The rows above the band the last kept frame ended with stand `upPx` rows lower in
    // this frame, and below them the rows that came in its place run to the page's end:
    // the band and the last `upPx` rows, plain, go, and the end shows as it now is.
    const int from = ScrollLoadedRows::loadedBandTopAbove(withLiveColumnsCutOut(m_kept.lastFrame(), m_live),
                                                          withLiveColumnsCutOut(frame, m_live), upPx,
                                                          m_detection.stickyPx, m_keptFooterPx, m_detection.scrollbarPx);
    if (from < 0 || !m_kept.replaceLastTailAbove(frame, from, upPx))
        return false;
    m_hintModel.setHeightPx(m_kept.stitchedHeight());
    captureDiagnostic(QStringLiteral("📜 [feed] 末尾载入新行后页面变短 %1px（自第 %2 行起替换）").arg(upPx).arg(from));
    return true;
}
