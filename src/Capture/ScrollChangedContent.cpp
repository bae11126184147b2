#include "Capture/ScrollChangedContent.h"

#include "Capture/FramePixelCompare.h"

#include <algorithm>
#include <vector>

namespace ScrollStitcher {

namespace {

// Rows kept in common at the least, as the registration ranks offsets.
constexpr int kMinimumOverlap = 16;
// Rows holding edges that an answer's agreeing rows must count at the least: one line
// across a blank page pins no offset.
constexpr int kMinimumEdgeRows = 4;

struct Agreement {
    qint64 edges = 0; // edges of the rows that match whole
    int rows = 0;     // such rows holding edges
};

Agreement agreementAt(const FramePixels& previous, const FramePixels& next, const std::vector<int>& edges, int t)
{
    Agreement agreement;
    const int w = next.width;
    for (int r = std::max(0, -t); r < std::min(next.height, next.height - t); ++r) {
        if (edges[std::size_t(r)] > 0 && FramePixelCompare::rowsMatch(next.row(r), previous.row(r + t), w)) {
            agreement.edges += edges[std::size_t(r)];
            ++agreement.rows;
        }
    }
    return agreement;
}

// Every row of the overlap at offset t either matches whole or differs only within
// half of the width.
bool changesArePartial(const FramePixels& previous, const FramePixels& next, int t)
{
    const int w = next.width;
    for (int r = std::max(0, -t); r < std::min(next.height, next.height - t); ++r) {
        const quint32 *a = next.row(r), *b = previous.row(r + t);
        int first = 0;
        while (first < w && !FramePixelCompare::differ(a[first], b[first]))
            ++first;
        if (first == w)
            continue;
        int last = w - 1;
        while (!FramePixelCompare::differ(a[last], b[last]))
            --last;
        if (2 * (last - first + 1) > w)
            return false;
    }
    return true;
}

std::optional<int> offsetOfUnchangedRows(const FramePixels& previous, const FramePixels& next,
                                         const FrameRegistration::Expected& expected)
{
    const int w = next.width, h = next.height;
    std::vector<int> edges(std::size_t(h), 0);
    // A row counts with the edges it holds both ways: the straight top or side of a plain
    // box lines up with another box's at many offsets, a line of text only at one.
    for (int r = 0; r < h; ++r) {
        const int down = FramePixelCompare::countEdges(next.row(r), next.row(r > 0 ? r - 1 : r + 1), w);
        const int across = FramePixelCompare::countEdges(next.row(r) + 1, next.row(r), w - 1);
        edges[std::size_t(r)] = std::min(down, across);
    }
    const int reach = h - std::max(kMinimumOverlap, h / 10);
    const int low = std::max(1, expected.low), high = std::min(reach, expected.high);
    if (low > high)
        return std::nullopt;
    std::vector<Agreement> agreements;
    int best = low;
    for (int t = low; t <= high; ++t) {
        agreements.push_back(agreementAt(previous, next, edges, t));
        if (agreements.back().edges > agreements[std::size_t(best - low)].edges)
            best = t;
    }
    const Agreement& answer = agreements[std::size_t(best - low)];
    if (answer.edges < std::max(64, w / 2) || answer.rows < kMinimumEdgeRows)
        return std::nullopt;
    // Another offset must come nowhere near; the next ones agree on rows whose edges run
    // straight down, but still on clearly fewer.
    for (int t = low; t <= high; ++t) {
        const qint64 edgesThere = agreements[std::size_t(t - low)].edges;
        const int distance = std::abs(t - best);
        if (distance > 2 ? edgesThere * 4 > answer.edges : distance > 0 && edgesThere * 2 > answer.edges)
            return std::nullopt;
    }
    if (!changesArePartial(previous, next, best))
        return std::nullopt;
    return best;
}

} // namespace

std::optional<int> registerByUnchangedRows(const FramePixels& previous, const FramePixels& next,
                                           const FrameRegistration::Expected& expected)
{
    if (previous.isNull() || next.isNull() || previous.width != next.width || previous.height != next.height)
        return std::nullopt;
    // Left of where a scrollbar may be: its thumb moves in every row.
    const int h = next.height, w = next.width - std::min(next.width / 8, 50);
    if (w < FrameRegistration::kMinimumSide || h < FrameRegistration::kMinimumSide)
        return std::nullopt;
    return offsetOfUnchangedRows(previous.cropped(0, 0, w, h), next.cropped(0, 0, w, h), expected);
}

} // namespace ScrollStitcher
