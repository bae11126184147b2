#include "Capture/ScrollAskedStep.h"

#include "Capture/FramePixelCompare.h"
#include "Capture/ScrollChangedContent.h"

#include <algorithm>
#include <vector>

namespace ScrollStitcher {

namespace {

// Rows kept in common at the least, as the registration ranks offsets.
constexpr int kMinimumOverlap = 16;
// The answer's matching rows must hold an edge: rows that all offsets contradict but
// one, where that one only lines up plain rows, place nothing.
constexpr int kMinimumEdgeRows = 1;

struct Fit {
    int contradictions = 0; // rows that differ other than by pictures that loaded
    int edgeRows = 0;       // rows holding edges that match whole
};

bool rowContradicts(const FramePixels& previous, const FramePixels& next, int r, int t)
{
    const int w = next.width;
    if (FramePixelCompare::rowsMatch(next.row(r), previous.row(r + t), w))
        return false;
    return !sameButForPlaceholders(previous.cropped(0, r + t, w, 1), next.cropped(0, r, w, 1));
}

Fit fitAt(const FramePixels& previous, const FramePixels& next, const std::vector<int>& edges, int t)
{
    Fit fit;
    const int w = next.width;
    for (int r = std::max(0, -t); r < std::min(next.height, next.height - t); ++r) {
        if (FramePixelCompare::rowsMatch(next.row(r), previous.row(r + t), w)) {
            if (edges[std::size_t(r)] > 0)
                ++fit.edgeRows;
        } else if (rowContradicts(previous, next, r, t)) {
            ++fit.contradictions;
        }
    }
    return fit;
}

} // namespace

std::optional<RowsBetweenBars> rowsBetweenFixedBars(const FramePixels& previous, const FramePixels& next)
{
    if (previous.isNull() || next.isNull() || previous.width != next.width || previous.height != next.height)
        return std::nullopt;
    // Left of where a scrollbar may be: its thumb moves in every row.
    const int w = next.width - std::min(next.width / 8, 50);
    if (w < FrameRegistration::kMinimumSide || next.height < FrameRegistration::kMinimumSide)
        return std::nullopt;
    // Rows the same in both frames at the top and bottom (a fixed bar) stayed put: at any
    // offset but 0 they would contradict the content. Plain rows that are the same in
    // both (inside a grey picture) may as well be content, and stay.
    const auto same = [&](int r) { return FramePixelCompare::rowsMatch(previous.row(r), next.row(r), w); };
    const auto holdsLines = [&](int from, int to) {
        for (int r = from + 1; r < to; ++r) {
            if (FramePixelCompare::countEdges(next.row(r), next.row(r - 1), w) > 0)
                return true;
        }
        return false;
    };
    int top = 0, bottom = next.height;
    while (top < bottom && same(top))
        ++top;
    while (bottom > top && same(bottom - 1))
        --bottom;
    if (!holdsLines(0, top))
        top = 0;
    if (!holdsLines(bottom, next.height))
        bottom = next.height;
    const int h = bottom - top;
    if (h < FrameRegistration::kMinimumSide)
        return std::nullopt;
    return RowsBetweenBars{previous.cropped(0, top, w, h), next.cropped(0, top, w, h), w, h};
}

std::optional<int> placeWithinAskedScroll(const FramePixels& previous, const FramePixels& next,
                                          const FrameRegistration::Expected& expected)
{
    const auto rows = rowsBetweenFixedBars(previous, next);
    if (!rows)
        return std::nullopt;
    const FramePixels &p = rows->previous, &n = rows->next;
    const int w = rows->width, h = rows->height;
    // A page that stood still while pictures loaded fits unmoved: no move to place.
    if (sameButForPlaceholders(p, n))
        return std::nullopt;

    const int low = std::max(1, expected.low), high = std::min(h - std::max(kMinimumOverlap, h / 10), expected.high);
    if (low > high)
        return std::nullopt;
    // A row counts with the edges it holds both ways, as a line of text does.
    std::vector<int> edges(std::size_t(h), 0);
    for (int r = 0; r < h; ++r) {
        const int down = FramePixelCompare::countEdges(n.row(r), n.row(r > 0 ? r - 1 : r + 1), w);
        const int across = FramePixelCompare::countEdges(n.row(r) + 1, n.row(r), w - 1);
        edges[std::size_t(r)] = std::min(down, across);
    }
    // The one offset no row contradicts; where plain rows fit several, nothing tells
    // them apart.
    std::optional<int> answer;
    Fit atAnswer;
    for (int t = low; t <= high; ++t) {
        const Fit fit = fitAt(p, n, edges, t);
        if (fit.contradictions > 0)
            continue;
        if (answer)
            return std::nullopt;
        answer = t;
        atAnswer = fit;
    }
    if (!answer || atAnswer.edgeRows < kMinimumEdgeRows)
        return std::nullopt;
    // Rows the move brought in that are all plain may be the page's plain end, which a
    // shorter last step shows alike: the clicks cannot vouch for how far it went there.
    if (std::all_of(edges.end() - *answer, edges.end(), [](int e) { return e == 0; }))
        return std::nullopt;
    return answer;
}

} // namespace ScrollStitcher
