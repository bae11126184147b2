// The click's size learnt from the first clicks, held against the steps after it. A
// size measured once may be wrong (rows that look alike a line apart, a column that stays
// put beside them), and every later step would then fit no whole number of clicks: each
// would be refused and kept only once the page stood still short of the scroll, many
// times slower, or not at all.
#include "Capture/ScrollingCaptureController.h"

#include "Capture/CaptureLog.h"
#include "Capture/ScrollOffsetRules.h"

#include <algorithm>
#include <cstdlib>

void ScrollingCaptureController::checkTheLearntClick(const ScrollStitcher::FrameJudgement& judgement, int frameHeight)
{
    // Only rows that place the frame by themselves say how far the page went.
    if (judgement.duplicate || judgement.foundPx <= 0 || judgement.settledByStep || judgement.byUnchangedRows)
        return;
    const int clicks = m_driver->clicksPerTick(), step = m_driver->scrolledStepPx();
    if (std::abs(judgement.foundPx - step) <= std::max(3, step / 20)) {
        m_clickConfirmed = true;
        return;
    }
    const int perClick = (judgement.foundPx + clicks / 2) / clicks;
    if (perClick < ScrollStitcher::minimumOffset(frameHeight, ScrollStitcher::JudgeMode::first, 0)
        || 2 * perClick > frameHeight) {
        return;
    }
    const int tick = m_driver->ticks();
    // A later look at the same tick tells where the page stood in the end.
    if (m_otherClickPx == 0 || tick == m_otherClickTick || std::abs(perClick - m_otherClickPx) > 2) {
        m_otherClickPx = perClick;
        m_otherClickTick = tick;
        return;
    }
    // Two ticks apart the page went the same other size per click: that is the click.
    const int learnt = step / clicks;
    m_driver->recalibrate(perClick);
    m_autoStepPx = m_driver->scrolledStepPx();
    m_clickConfirmed = true;
    captureDiagnostic(QStringLiteral("📜 [driver] 一格滚轮改为 %1px（非 %2px，两步一致）→ 每步 %3 格 = %4px")
                          .arg(perClick)
                          .arg(learnt)
                          .arg(m_driver->clicksPerTick())
                          .arg(m_autoStepPx));
}
