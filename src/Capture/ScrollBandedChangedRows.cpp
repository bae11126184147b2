#include "Capture/ScrollBandedChangedRows.h"

#include "Capture/RowSignatures.h"
#include "Capture/ScrollChangedContent.h"
#include "Capture/ScrollSharedRows.h"

#include <algorithm>
#include <vector>

namespace ScrollStitcher {

namespace {

// As many offsets as registerBesideBands ranks, and as much overlap as it asks.
constexpr int kRankedOffsets = 4;
constexpr int kSharedShifts = 3;
constexpr int kMinimumOverlap = 16;

} // namespace

std::optional<BandedOffset> registerUnchangedRowsBesideBands(const FramePixels& previous, const FramePixels& next,
                                                             const FrameRegistration::Expected& expected, int bandWidth)
{
    const int w = std::min(previous.width, next.width), h = std::min(previous.height, next.height);
    if (previous.isNull() || next.isNull() || previous.width != next.width || previous.height != next.height
        || h < 2 * FrameRegistration::kMinimumSide)
        return std::nullopt;
    std::vector<int> offsets;
    const auto consider = [&](int t) {
        if (t > 0 && t < h && expected.allows(t) && std::find(offsets.begin(), offsets.end(), t) == offsets.end())
            offsets.push_back(t);
    };
    const auto previousRows = RowSignatures::compute(previous), nextRows = RowSignatures::compute(next);
    for (const auto& candidate : RowSignatures::rankOffsets(previousRows, nextRows, RowSignatures::edgeBands(nextRows),
                                                            std::max(kMinimumOverlap, h / 10), kRankedOffsets))
        consider(candidate.offset);
    for (const int shift : sharedRowShifts(previous.cropped(0, 0, bandWidth, h), next.cropped(0, 0, bandWidth, h),
                                           kMinimumOverlap / 2, kSharedShifts))
        consider(shift);

    for (const int offset : offsets) {
        const FramePixels before = previous.cropped(0, 0, bandWidth, h), after = next.cropped(0, 0, bandWidth, h);
        for (const EdgeBands& bands : {edgeBands(before, after, offset), barBands(before, after, offset),
                                       barBandsBesidePlaceholders(before, after, offset)}) {
            const int rest = h - bands.top - bands.bottom;
            if (bands == EdgeBands{} || rest < FrameRegistration::kMinimumSide || offset >= rest)
                continue;
            const auto unchanged = registerByUnchangedRows(previous.cropped(0, bands.top, w, rest),
                                                           next.cropped(0, bands.top, w, rest), expected);
            if (unchanged == offset)
                return BandedOffset{offset, bands, false, 0};
        }
    }
    return std::nullopt;
}

std::optional<BandedOffset> registerUnchangedRowsBesideBands(const QImage& previous, const QImage& next, int scrollbarPx,
                                                             int stickyPx, const FrameRegistration::Expected& expected)
{
    return onComparedRegion(previous, next, scrollbarPx, stickyPx, [&](const FramePixels& p, const FramePixels& n, int bandWidth) {
        return registerUnchangedRowsBesideBands(p, n, expected, bandWidth);
    });
}

} // namespace ScrollStitcher
