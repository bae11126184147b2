// The scrolling capture's frames that share nothing with the last kept frame but rows
// of one plain row (a low selection inside a picture still to load): kept where the
// clicks sent the page, and taken back unless a frame placed by its rows follows them.
#include "Capture/ScrollingCaptureController.h"

#include "Capture/CaptureLog.h"
#include "Capture/FrameLocalChanges.h"
#include "Capture/FramePixelCompare.h"
#include "Capture/FramePixels.h"
#include "Capture/ScrollRowFit.h"

#include <algorithm>

namespace {

// More such frames in a row than a picture's height holds at the lowest selection: a
// page standing still on one would otherwise grow by a step at every tick.
constexpr int kMaximumPlainRun = 8;

// Rows at the bottom of `frame`, above the `footerPx` rows of a fixed footer, each of one
// colour across the `width` columns from the left.
int plainRowsAtTheBottom(const FramePixels& frame, int width, int footerPx)
{
    int rows = 0;
    for (int r = frame.height - 1 - footerPx; r >= 0 && FramePixelCompare::plainRow(frame.row(r), width); --r)
        ++rows;
    return rows;
}

} // namespace

bool ScrollingCaptureController::keepOverPlainRows(const QImage& frame, const ScrollStitcher::FrameJudgement& judgement)
{
    const int asked = expectedBelowKeptPx();
    BeforePlainRun before = m_beforePlainRun
                                ? *m_beforePlainRun
                                : BeforePlainRun{m_kept, m_thumbTravel, m_behindClicksPx, m_behindClicksBeforePx, 0, m_keptFooterPx};
    if (++before.frames > kMaximumPlainRun) {
        m_beforePlainRun = before;
        takeBackPlainRun(true);
        return false;
    }
    ScrollStitcher::FrameJudgement placed = judgement;
    placed.append = true;
    placed.duplicate = false;
    placed.newPx = asked;
    placed.foundPx = asked;
    // The rows just above the footer were left out of the check (a footer that grows as
    // the page scrolls may cover them by now): they are taken from the frame that follows.
    placed.footerPx = ScrollStitcher::footerWithMarginPx(before.footerPx);
    placed.settledByStep = false;
    placed.byUnchangedRows = false;
    placed.alikeSpacingPx = 0;
    keepFrame(frame, placed, true);
    m_beforePlainRun = before;
    m_provisional = false;
    m_provisionalOffTheClicks = false;
    captureDiagnostic(QStringLiteral("📜 [prior] 与上帧仅共有单色行，按滚动距离保留 +%1px（待后续按行定位的帧确认，第 %2 帧）")
                          .arg(asked)
                          .arg(before.frames));
    return true;
}

void ScrollingCaptureController::takeBackPlainRun(bool told)
{
    if (!m_beforePlainRun)
        return;
    const int frames = m_beforePlainRun->frames;
    m_kept = m_beforePlainRun->kept;
    m_thumbTravel = m_beforePlainRun->thumbTravel;
    m_behindClicksPx = m_beforePlainRun->behindClicksPx;
    m_behindClicksBeforePx = m_beforePlainRun->behindClicksBeforePx;
    m_keptFooterPx = m_beforePlainRun->footerPx;
    m_beforePlainRun.reset();
    // Where the page went over those rows is not known, unless it went into its plain end.
    m_unplacedSinceKept = !m_lastTickFrame.isNull() && !showsOnlyAPlainEnd(m_lastTickFrame);
    if (told)
        m_endedUnregistered = true;
    m_hintModel.setHeightPx(m_kept.stitchedHeight());
    captureDiagnostic(QStringLiteral("📜 [prior] 仅按滚动距离保留的 %1 帧未获确认，撤回").arg(frames));
}

bool ScrollingCaptureController::plainRunStoppedAtTheEnd() const
{
    if (!m_beforePlainRun || m_kept.isEmpty())
        return false;
    // Blank rows across the view, beside what changes by itself and left of the scrollbar
    // (of where one may be): a page's end, not the inside of a picture, whose sides and
    // captions a picture still to load leaves standing.
    const QImage image = withFramePixelLayout(withLiveColumnsCutOut(m_kept.lastFrame(), m_live));
    const FramePixels kept = framePixels(image);
    if (kept.isNull())
        return false;
    const int width = widthLeftOfScrollbar(kept.width, m_detection.scrollbarPx);
    const int footer = std::clamp(m_keptFooterPx, 0, kept.height);
    const int plain = plainRowsAtTheBottom(kept, width, footer);
    // A gap between two rows is no end; all of the frame plain is the inside of a picture.
    return width > 1 && 16 * plain >= kept.height && plain < kept.height - footer - m_detection.stickyPx;
}
