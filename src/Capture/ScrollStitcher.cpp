#include "Capture/ScrollStitcher.h"

#include "Capture/CaptureLog.h"
#include "Capture/FramePixels.h"
#include "Capture/FrameRegistration.h"
#include "Capture/ScrollAskedStep.h"
#include "Capture/ScrollBandedChangedRows.h"
#include "Capture/ScrollChangedContent.h"
#include "Capture/ScrollEdgeBands.h"
#include "Capture/ScrollLastStep.h"
#include "Capture/ScrollLoadedRows.h"
#include "Capture/ScrollOffsetRules.h"
#include "Capture/ScrollShadedRows.h"
#include "Capture/ScrollbarDetector.h"
#include "Capture/StickyHeaderDetector.h"

#include <algorithm>

namespace ScrollStitcher {

namespace {

// The two frames in a layout the detectors read, converted at most once per judgement
// and only when a detector asks for them; a failed conversion is tried again by the
// next request.
class PixelPair {
public:
    PixelPair(const QImage& previous, const QImage& next)
        : m_sourcePrevious(previous)
        , m_sourceNext(next)
    {
    }

    bool ready()
    {
        if (m_previous.isNull() || m_next.isNull()) {
            m_previous = withFramePixelLayout(m_sourcePrevious);
            m_next = withFramePixelLayout(m_sourceNext);
        }
        return !framePixels(m_previous).isNull() && !framePixels(m_next).isNull();
    }
    FramePixels previous() const { return framePixels(m_previous); }
    FramePixels next() const { return framePixels(m_next); }

private:
    const QImage& m_sourcePrevious;
    const QImage& m_sourceNext;
    QImage m_previous;
    QImage m_next;
};

} // namespace

std::optional<int> registerOffset(const QImage& previous, const QImage& next, int scrollbarPx, int stickyPx,
                                  std::optional<FrameRegistration::Expected> expected, bool* settled, int* alikeSpacing,
                                  std::pair<int, int>* tied)
{
    const auto region = FrameRegistration::comparedRegion(previous, next, scrollbarPx, stickyPx);
    if (!region)
        return std::nullopt;
    const auto result = FrameRegistration::verticalOffset(region->previous, region->next, expected);
    if (settled)
        *settled = result.settledByExpected;
    if (alikeSpacing)
        *alikeSpacing = result.alikeSpacing;
    switch (result.outcome) {
    case FrameRegistration::Outcome::found:
        captureDiagnostic(QStringLiteral("📜 [vision] ty=%1（新内容 px）%2")
                              .arg(result.offset)
                              .arg(result.settledByExpected ? QStringLiteral("（按滚动步长消歧）") : QString()));
        break;
    case FrameRegistration::Outcome::ambiguous:
        if (tied)
            *tied = {result.offset, result.rivalOffset};
        captureDiagnostic(QStringLiteral("📜 [vision] 配准失败：%1")
                              .arg(QStringLiteral("offsets %1 and %2 fit equally well")
                                       .arg(result.offset)
                                       .arg(result.rivalOffset)));
        break;
    case FrameRegistration::Outcome::noMatch:
    case FrameRegistration::Outcome::tooSmall:
        captureDiagnostic(QStringLiteral("📜 [vision] 无观测结果"));
        break;
    }
    return result.value();
}

std::optional<int> belowOfTiedPlaces(int tiedPx, int rivalPx, int frameHeight, int withinPx)
{
    const int below = std::max(tiedPx, rivalPx), above = std::min(tiedPx, rivalPx);
    if (above >= 0 || below <= 0 || below >= frameHeight || below > withinPx || below + (below - above) <= withinPx)
        return std::nullopt;
    return below;
}

bool sameContent(const QImage& a, const QImage& b)
{
    const QImage x = withFramePixelLayout(a), y = withFramePixelLayout(b);
    const FramePixels p = framePixels(x), n = framePixels(y);
    return !p.isNull() && !n.isNull() && FrameRegistration::framesMatch(p, n);
}

FrameJudgement judgeFrame(const QImage& previous, const QImage& frame, const DetectionState& detection, int stepPx,
                          JudgeMode mode, int expectedPx, int farthestPx)
{
    FrameJudgement judgement;
    judgement.setDetection(detection);
    const int height = frame.height();
    if (previous.isNull()) {
        judgement.append = true;
        judgement.newPx = height;
        return judgement;
    }
    // Alike hashes prove nothing (lines that look alike hash alike however far they
    // scrolled); matching pixels do.
    if (frameDistance(previous, frame) <= 1 && sameContent(previous, frame)) {
        judgement.duplicate = true;
        return judgement;
    }

    PixelPair pixels(previous, frame);
    if (!detection.scrollbarDone && pixels.ready()) {
        judgement.scrollbarPx = detectScrollbarWidth(pixels.previous(), pixels.next());
        ++judgement.scrollbarTries;
        if (judgement.scrollbarPx > 0)
            captureDiagnostic(QStringLiteral("📜 [detect] 滚动条宽 %1px").arg(judgement.scrollbarPx));
    }
    // A thumb still above or below the rows the detector samples shows no move: a long
    // page's thumb starts at the top, under a browser's own title bar. A few more pairs
    // look again.
    judgement.scrollbarDone = judgement.scrollbarPx > 0 || judgement.scrollbarTries >= kScrollbarTries;

    const bool tick = mode == JudgeMode::tick && stepPx > 0;
    const auto expected = tick ? FrameRegistration::Expected::near(expectedPx > 0 ? expectedPx : stepPx)
                               : FrameRegistration::Expected{1, height};
    std::pair<int, int> tied{0, 0};
    auto ty = registerOffset(previous, frame, judgement.scrollbarPx, judgement.stickyPx, expected,
                             &judgement.settledByStep, &judgement.alikeSpacingPx, &tied);
    // Rows at the bottom of the previous frame that were left out to place this one (a
    // footer that changed height): they are no content, whatever the rows below show.
    int bandedFooterPx = 0;
    // The frame placed again without the bands at its edges that changed; nothing where
    // that places it nowhere either.
    const auto placedBesideBands = [&](QStringView why) {
        const auto banded = registerBesideBands(previous, frame, judgement.scrollbarPx, judgement.stickyPx, expected);
        if (banded) {
            ty = banded->offset;
            judgement.settledByStep = banded->settledByExpected;
            judgement.alikeSpacingPx = banded->alikeSpacing;
            bandedFooterPx = banded->bands.bottom;
            captureDiagnostic(QStringLiteral("📜 [vision] ty=%1（新内容 px，除去顶部 %2px／底部 %3px 变化带%4）")
                                  .arg(*ty)
                                  .arg(banded->bands.top)
                                  .arg(banded->bands.bottom)
                                  .arg(why));
        }
        return banded;
    };
    // Rows placed above the previous frame after a scroll down: a fixed bar that changes
    // height over much of a low selection may have outweighed the rows that scrolled, before
    // a click's size is known; and so may, at a step, the bands of bars that changed height
    // where rows alike a pitch apart (cards a little more than a step apart) fit a place
    // just above. Clicks down never take the page up: beside those bands the rows place it.
    if (ty && *ty < 0 && (mode == JudgeMode::first || tick))
        placedBesideBands(u"，而非上移");
    if (!ty) {
        // A band at the top or bottom that changed while the rest scrolled (a header that
        // just stuck, a pager's prompt) may be all that kept the offset from standing out.
        if (const auto banded = placedBesideBands({})) {
            // Rows that became fixed at the top: from now on the fixed header, if no taller
            // than a measured one may be; but not pictures that loaded there, which the
            // rows that did not change place as well.
            const auto region
                = FrameRegistration::comparedRegion(previous, frame, judgement.scrollbarPx, judgement.stickyPx);
            if (banded->bands.top > 0 && judgement.stickyPx + banded->bands.top <= 6 * height / 10
                && !(region && registerByUnchangedRows(region->previous, region->next, {*ty, *ty}) == ty)) {
                judgement.stickyPx += banded->bands.top;
                judgement.stickyDone = true;
                captureDiagnostic(QStringLiteral("📜 [detect] 吸顶高 %1px").arg(judgement.stickyPx));
            }
        } else {
            // Rows that changed in part (pictures that loaded) keep every offset from
            // holding; the rows that did not change may still agree on one.
            const auto region
                = FrameRegistration::comparedRegion(previous, frame, judgement.scrollbarPx, judgement.stickyPx);
            ty = region ? registerByUnchangedRows(region->previous, region->next, expected) : std::nullopt;
            if (ty) {
                judgement.byUnchangedRows = true;
                captureDiagnostic(QStringLiteral("📜 [vision] ty=%1（新内容 px，仅按未变化的行）").arg(*ty));
            } else if (mode == JudgeMode::first) {
                // Before a click's size is known, a header that changes height and
                // pictures that load below it may keep both from holding alone.
                if (const auto banded = registerUnchangedRowsBesideBands(previous, frame, judgement.scrollbarPx,
                                                                         judgement.stickyPx, expected)) {
                    ty = banded->offset;
                    judgement.byUnchangedRows = true;
                    bandedFooterPx = banded->bands.bottom;
                    captureDiagnostic(QStringLiteral("📜 [vision] ty=%1（新内容 px，除去顶部 %2px／底部 %3px 变化带，仅按未变化的行）")
                                          .arg(*ty)
                                          .arg(banded->bands.top)
                                          .arg(banded->bands.bottom));
                }
            }
        }
    }
    // Rows at a fixed pitch fit offsets a pitch apart alike, and one the clicks cannot
    // have made may win: within what the clicks allow, the rows that tell them apart
    // place the frame.
    if (tick && (!ty || (!expected.allows(*ty) && judgeOffset(*ty, height, stepPx, mode, expectedPx) != OffsetVerdict::accept))) {
        const auto region
            = FrameRegistration::comparedRegion(previous, frame, judgement.scrollbarPx, judgement.stickyPx);
        auto asked = region ? placeWithinAskedScroll(region->previous, region->next, expected) : std::nullopt;
        // The rows shared by a low selection may hold no more than the foot of one line
        // of text, which fits a row further as well: the page went no further than the
        // wheel was asked.
        if (!asked && region && farthestPx > 0 && farthestPx < expected.high)
            asked = placeWithinAskedScroll(region->previous, region->next, {expected.low, farthestPx});
        if (asked) {
            ty = asked;
            judgement.settledByStep = true;
            judgement.alikeSpacingPx = 0;
            bandedFooterPx = 0;
            captureDiagnostic(QStringLiteral("📜 [vision] ty=%1（新内容 px，按滚动步长之内唯一相符的行）").arg(*ty));
        }
    }
    // Rows alike a pitch apart that fit two places alike, one within the scroll the clicks
    // asked for and one beyond it: the clicks cannot have taken the page further than
    // they asked, so the page's last, shorter step stands at the place within.
    if (tick && !ty) {
        const int nearer = std::min(tied.first, tied.second), further = std::max(tied.first, tied.second);
        if (nearer >= 1 && nearer <= expected.high && further > expected.high) {
            ty = nearer;
            judgement.settledByStep = true;
            judgement.alikeSpacingPx = 0;
            bandedFooterPx = 0;
            captureDiagnostic(QStringLiteral("📜 [vision] ty=%1（新内容 px，并列的另一处超出滚动所及）").arg(*ty));
        }
    }
    // Frames that share only the inside of pictures in smooth shading: no line places
    // them, but the shading, drawn again pixel for pixel, does within what the clicks
    // allow (before a click's size is known, at one offset of all).
    if ((tick || mode == JudgeMode::first) && !ty) {
        const auto region
            = FrameRegistration::comparedRegion(previous, frame, judgement.scrollbarPx, judgement.stickyPx);
        const auto shaded = region ? placeByExactShading(region->previous, region->next, expected) : std::nullopt;
        if (shaded) {
            ty = shaded->offset;
            judgement.settledByStep = shaded->alikeElsewhere;
            judgement.alikeSpacingPx = 0;
            bandedFooterPx = shaded->barBottom;
            captureDiagnostic(QStringLiteral("📜 [vision] ty=%1（新内容 px，按滚动步长之内唯一逐像素吻合的渐变）").arg(*ty));
        }
    }
    // The page stopped in its plain end, with too few edges left to register, or so few
    // that the plain rows say it did not move: the rows it still shows place it.
    if (mode == JudgeMode::pageEnd && (!ty || *ty == 0)) {
        const auto region = FrameRegistration::comparedRegion(previous, frame, judgement.scrollbarPx, judgement.stickyPx);
        auto last = region ? lastStepOffset(region->previous, region->next) : std::nullopt;
        // A scrollbar not found yet (a low selection seldom shows its thumb move) still
        // moves its thumb with the last step: beside the rows, the thumb's own rows fit
        // no offset. Left out as where a scrollbar may be, the rows alone place it.
        if (!last && region && judgement.scrollbarPx <= 0) {
            const int w = region->previous.width;
            const int margin = std::min(w / 8, 50);
            last = lastStepOffset(region->previous.cropped(0, 0, w - margin, region->previous.height),
                                  region->next.cropped(0, 0, w - margin, region->next.height));
        }
        if (last) {
            ty = last;
            captureDiagnostic(QStringLiteral("📜 [vision] ty=%1（新内容 px，页底末步按所余的行）").arg(*ty));
        } else if (const auto shaded
                   = region ? placeByExactShading(region->previous, region->next, {1, region->next.height})
                            : std::nullopt) {
            // Only the inside of pictures in smooth shading left in common: drawn again
            // pixel for pixel at exactly one offset of all.
            ty = shaded->offset;
            captureDiagnostic(QStringLiteral("📜 [vision] ty=%1（新内容 px，页底末步按逐像素吻合的渐变）").arg(*ty));
        }
    }
    // A page that stopped at its end after scrolling down stands below the last kept
    // frame: where rows alike a pitch apart fit a place below it, within the scroll, and
    // one above it as well, the place below is where it stopped.
    if (!ty && mode == JudgeMode::pageEnd && expectedPx > 0) {
        if (const auto below = belowOfTiedPlaces(tied.first, tied.second, height, expectedPx)) {
            ty = below;
            judgement.settledByStep = true;
            captureDiagnostic(QStringLiteral("📜 [vision] ty=%1（新内容 px，页底：并列的另一处在上帧之上）").arg(*ty));
        }
    }
    if (!ty) {
        judgement.tiedPx = tied.first;
        judgement.tiedRivalPx = tied.second;
        return judgement;
    }

    // The header height measured here crops the next frame's registration.
    if (!judgement.stickyDone && *ty >= 6 && pixels.ready()) {
        const int measured = detectStickyHeader(pixels.previous(), pixels.next(), judgement.scrollbarPx);
        // Rows the scrolled content explains as well are no sample: a blank gap at the top
        // of both frames would otherwise pass for a header, twice over when the page is
        // looked at again without a scroll.
        if (measured > 0 && topRowsFollowTheScroll(pixels.previous(), pixels.next(), measured, *ty, judgement.scrollbarPx)) {
        } else if (measured != -1) {
            const DetectionState after = afterStickySample(judgement.detection(), measured, height);
            judgement.setDetection(after);
            if (after.stickyDone && after.stickyPx > 0)
                captureDiagnostic(QStringLiteral("📜 [detect] 吸顶高 %1px").arg(after.stickyPx));
        }
    }

    judgement.foundPx = *ty;
    switch (judgeOffset(*ty, height, stepPx, mode, tick ? expectedPx : 0)) {
    case OffsetVerdict::noNewContent:
        judgement.duplicate = true;
        break;
    case OffsetVerdict::offStepPrior:
        captureDiagnostic(QStringLiteral("📜 [prior] ty=%1 非 %2 的整数倍邻域 → 拒收").arg(*ty).arg(stepPx));
        break;
    case OffsetVerdict::tooFar:
        break;
    case OffsetVerdict::accept: {
        judgement.append = true;
        judgement.newPx = *ty;
        // Left of the scrollbar, whose thumb moves into the footer's rows at the page's
        // end (where none was found, left of where one may be). Never more than the
        // rows the frames share, so that the new rows stay inside the frame.
        const QImage a = withFramePixelLayout(previous), b = withFramePixelLayout(frame);
        const FramePixels p = framePixels(a), n = framePixels(b);
        const int full = std::min(p.width, n.width);
        const int w = widthLeftOfScrollbar(full, judgement.scrollbarPx);
        // A band at the bottom that changed (a pager's prompt) is left out like a fixed
        // footer: the previous frame's is never joined between the lines it covers.
        if (w > 0) {
            const FramePixels before = p.cropped(0, 0, w, p.height), after = n.cropped(0, 0, w, n.height);
            const int fixed = FrameRegistration::fixedBottomRows(before, after, *ty);
            // Rows loaded in place of the plain band the page ended with: that band is
            // left out like a footer, and the rows that replaced it follow on.
            const int changing = std::max(edgeBands(before, after, *ty).bottom,
                                          ScrollLoadedRows::loadedEndRows(before, after, *ty, judgement.stickyPx, fixed));
            judgement.footerPx = std::min(std::max({fixed, changing, bandedFooterPx}), height - *ty);
            if (std::max(changing, bandedFooterPx) > fixed)
                captureDiagnostic(QStringLiteral("📜 [detect] 底部变化带 %1px（不作内容拼接）").arg(judgement.footerPx));
        }
        if (judgement.footerPx > 0)
            captureDiagnostic(QStringLiteral("📜 [detect] 底部固定 %1px").arg(judgement.footerPx));
        break;
    }
    }
    return judgement;
}

} // namespace ScrollStitcher
