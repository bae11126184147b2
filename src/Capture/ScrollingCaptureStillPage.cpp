// The scrolling capture's view while the page stands where the last frame was kept: at the
// end of what a feed has loaded so far.
#include "Capture/ScrollingCaptureController.h"

#include "Capture/CaptureLog.h"
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
