#include "Capture/ScrollStitcher.h"

#include "Capture/CaptureLog.h"
#include "Capture/FramePixels.h"
#include "Capture/FrameRegistration.h"
#include "Capture/ScrollOffsetRules.h"
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

void setDetection(FrameJudgement& judgement, const DetectionState& detection)
{
    judgement.scrollbarPx = detection.scrollbarPx;
    judgement.scrollbarDone = detection.scrollbarDone;
    judgement.stickyPx = detection.stickyPx;
    judgement.stickyDone = detection.stickyDone;
    judgement.stickySamples = detection.stickySamples;
}

} // namespace

std::optional<int> registerOffset(const QImage& previous, const QImage& next, int scrollbarPx, int stickyPx)
{
    const QImage a = withFramePixelLayout(previous), b = withFramePixelLayout(next);
    const FramePixels p = framePixels(a), n = framePixels(b);
    const int w = std::min(p.width, n.width) - scrollbarPx;
    const int h = std::min(p.height, n.height) - stickyPx;
    if (p.isNull() || n.isNull() || w < FrameRegistration::kMinimumSide || h < FrameRegistration::kMinimumSide)
        return std::nullopt;
    const auto result = FrameRegistration::verticalOffset(p.cropped(0, stickyPx, w, h), n.cropped(0, stickyPx, w, h));
    switch (result.outcome) {
    case FrameRegistration::Outcome::found:
        captureDiagnostic(QStringLiteral("📜 [vision] ty=%1（新内容 px）").arg(result.offset));
        break;
    case FrameRegistration::Outcome::ambiguous:
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

FrameJudgement judgeFrame(const QImage& previous, const QImage& frame, const DetectionState& detection, int stepPx,
                          bool lenient)
{
    FrameJudgement judgement;
    setDetection(judgement, detection);
    const int height = frame.height();
    if (previous.isNull()) {
        judgement.append = true;
        judgement.newPx = height;
        return judgement;
    }
    if (frameDistance(previous, frame) <= 1) {
        judgement.duplicate = true;
        return judgement;
    }

    PixelPair pixels(previous, frame);
    if (!detection.scrollbarDone && pixels.ready()) {
        judgement.scrollbarPx = detectScrollbarWidth(pixels.previous(), pixels.next());
        if (judgement.scrollbarPx > 0)
            captureDiagnostic(QStringLiteral("📜 [detect] 滚动条宽 %1px").arg(judgement.scrollbarPx));
    }
    judgement.scrollbarDone = true;

    const auto ty = registerOffset(previous, frame, judgement.scrollbarPx, judgement.stickyPx);
    if (!ty)
        return judgement;

    // The header height measured here crops the next frame's registration.
    if (!judgement.stickyDone && *ty >= 6 && pixels.ready()) {
        const int measured = detectStickyHeader(pixels.previous(), pixels.next(), judgement.scrollbarPx);
        if (measured != -1) {
            const DetectionState after = afterStickySample(judgement.detection(), measured, height);
            setDetection(judgement, after);
            if (after.stickyDone && after.stickyPx > 0)
                captureDiagnostic(QStringLiteral("📜 [detect] 吸顶高 %1px").arg(after.stickyPx));
        }
    }

    switch (judgeOffset(*ty, height, stepPx, lenient)) {
    case OffsetVerdict::noNewContent:
        judgement.duplicate = true;
        break;
    case OffsetVerdict::offStepPrior:
        captureDiagnostic(QStringLiteral("📜 [prior] ty=%1 非 %2 的整数倍邻域 → 拒收").arg(*ty).arg(stepPx));
        break;
    case OffsetVerdict::tooFar:
        break;
    case OffsetVerdict::accept:
        judgement.append = true;
        judgement.newPx = *ty;
        break;
    }
    return judgement;
}

} // namespace ScrollStitcher
