#include "Capture/ScrollOffsetRules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ScrollStitcher {

int minimumOffset(int frameHeight, JudgeMode mode, int stepPx)
{
    if (mode == JudgeMode::pageEnd)
        return 1;
    if (mode == JudgeMode::first)
        return frameHeight <= 1599 ? 8 : frameHeight / 200;
    if (frameHeight > 3999)
        return frameHeight / 100;
    return stepPx > 0 ? std::min(40, std::max(8, stepPx / 2)) : 40;
}

int stepPriorTolerance(int stepPx)
{
    return 6 * stepPx <= 609 ? 60 : 6 * stepPx / 10;
}

int maximumOffset(int frameHeight)
{
    return 9 * frameHeight / 10;
}

OffsetVerdict judgeOffset(int ty, int frameHeight, int stepPx, JudgeMode mode, int expectedPx)
{
    if (ty < minimumOffset(frameHeight, mode, stepPx))
        return OffsetVerdict::noNewContent;
    if (mode == JudgeMode::tick && stepPx > 0) {
        // Else the nearest whole number of steps, but at least one: the content moved.
        const long long expected = expectedPx > 0
                                       ? expectedPx
                                       : std::max<long long>(1, std::llround(double(ty) / double(stepPx))) * stepPx;
        if (std::llabs(ty - expected) > stepPriorTolerance(stepPx))
            return OffsetVerdict::offStepPrior;
    }
    if (ty > maximumOffset(frameHeight))
        return OffsetVerdict::tooFar;
    return OffsetVerdict::accept;
}

DetectionState afterStickySample(DetectionState state, int measured, int frameHeight)
{
    ++state.stickySamples;
    if (measured < 10 || measured > 6 * frameHeight / 10) {
        state.stickyPx = 0;
        state.stickyDone = true;
    } else if (state.stickySamples == 1) {
        state.stickyPx = measured;
    } else if (std::abs(measured - state.stickyPx) > 5) {
        state.stickyPx = 0;
        state.stickyDone = true;
    } else {
        state.stickyPx = std::min(measured, state.stickyPx);
        state.stickyDone = true;
    }
    return state;
}

} // namespace ScrollStitcher
