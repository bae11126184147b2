#include "Capture/ScrollChangedContent.h"

#include "Capture/FramePixelCompare.h"

#include <algorithm>
#include <optional>
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

// Narrower plain runs are no picture (a stroke of a glyph, a rule).
constexpr int kPlaceholderWidth = 8;
// Matching pixels inside a picture that loaded (a shade that happens to come near the
// placeholder's grey) do not split it.
constexpr int kRunGap = 4;

// Whether x in [first, last] of `row` shows one colour, set off from what lies beside
// it and other than the background: a placeholder where a picture is still to load,
// not a gap between words.
bool plainSetOff(const quint32* row, int width, int first, int last, std::optional<quint32> background)
{
    if (last - first + 1 < kPlaceholderWidth)
        return false;
    for (int x = first + 1; x <= last; ++x) {
        if (row[x] != row[first])
            return false;
    }
    return (!background || FramePixelCompare::differ(*background, row[first]))
           && (first == 0 || FramePixelCompare::differ(row[first - 1], row[first]))
           && (last == width - 1 || FramePixelCompare::differ(row[last + 1], row[last]));
}

// Whether [first, last] of `row` holds more than one colour: a picture, where the
// other frame shows its placeholder (a box of one colour that moved is no picture, nor
// one whose rounded corner shades a few pixels at its ends). A picture's shades may
// change by less than the comparison's tolerance from one pixel to the next, or across
// a narrow card's whole width (a gentle gradient): every shade counts.
bool detailed(const quint32* row, int first, int last)
{
    int other = 0;
    for (int x = first + 1; x <= last; ++x)
        other += row[x] != row[first];
    return 4 * other > last - first + 1;
}

// The columns [left, right] of the runs of differing pixels in the row that are no
// placeholder turned picture (or back); left > right when there are none.
void widenByOtherChanges(const quint32* a, const quint32* b, int width, int& left, int& right)
{
    for (int x = 0; x < width;) {
        if (!FramePixelCompare::differ(a[x], b[x])) {
            ++x;
            continue;
        }
        const int first = x;
        int last = x;
        for (int gap = 0; x < width && gap <= kRunGap; ++x) {
            if (FramePixelCompare::differ(a[x], b[x])) {
                last = x;
                gap = 0;
            } else {
                ++gap;
            }
        }
        const auto placeholder = [&](const quint32* plain, const quint32* other) {
            int from = first, to = last;
            while (from > 0 && plain[from - 1] == plain[first])
                --from;
            while (to < width - 1 && plain[to + 1] == plain[last])
                ++to;
            return plainSetOff(plain, width, from, to, std::nullopt) && detailed(other, first, last);
        };
        if (!placeholder(a, b) && !placeholder(b, a)) {
            left = std::min(left, first);
            right = std::max(right, last);
        }
        x = last + 1;
    }
}

// The columns [left, right] of the differing pixels in the row that lie in no
// placeholder turned picture (or back), each run of one colour judged apart: a
// placeholder beside something else that changed (an animation over the pictures)
// still counts as one, and only that other change widens the box.
void widenByOtherPixels(const quint32* a, const quint32* b, int width, int& left, int& right)
{
    const auto placeholderRun = [&](const quint32* plain, const quint32* other, int x, int& to) {
        int from = x;
        to = x;
        while (from > 0 && plain[from - 1] == plain[x])
            --from;
        while (to < width - 1 && plain[to + 1] == plain[x])
            ++to;
        return plainSetOff(plain, width, from, to, std::nullopt) && detailed(other, from, to);
    };
    for (int x = 0; x < width;) {
        if (!FramePixelCompare::differ(a[x], b[x])) {
            ++x;
            continue;
        }
        int to = x;
        if (placeholderRun(a, b, x, to) || placeholderRun(b, a, x, to)) {
            x = to + 1;
            continue;
        }
        left = std::min(left, x);
        right = std::max(right, x);
        ++x;
    }
}

// Every run of differing pixels in the row is a placeholder in one of the two rows and
// a picture in the other: pictures that loaded, however many side by side.
bool onlyPlaceholdersDiffer(const quint32* a, const quint32* b, int width)
{
    int left = width, right = -1;
    widenByOtherChanges(a, b, width, left, right);
    return right < left;
}

// Every row of the overlap at offset t either matches whole, differs only within half
// of the width, or differs only where one of the frames shows placeholders.
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
        if (2 * (last - first + 1) > w && !onlyPlaceholdersDiffer(a, b, w))
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

// Both frames in the layout the comparisons read, judged only where they are alike in
// size: frames of different sizes are never the same page.
template <typename Judge>
bool judgedLaidOut(const QImage& a, const QImage& b, Judge judge)
{
    const QImage first = withFramePixelLayout(a), second = withFramePixelLayout(b);
    const FramePixels p = framePixels(first), n = framePixels(second);
    if (p.isNull() || n.isNull() || p.width != n.width || p.height != n.height)
        return false;
    return judge(p, n);
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
    // Rows at the top and bottom that are the same in both frames (a fixed footer, a
    // banner, a header not yet measured) stayed put: compared with the content at any
    // offset but 0 they differ across the whole width, as no picture that loaded does.
    const auto same = [&](int r) { return FramePixelCompare::rowsMatch(previous.row(r), next.row(r), w); };
    int top = 0, bottom = h;
    while (top < h && same(top))
        ++top;
    while (bottom > top && same(bottom - 1))
        --bottom;
    if (bottom - top < FrameRegistration::kMinimumSide)
        return std::nullopt;
    return offsetOfUnchangedRows(previous.cropped(0, top, w, bottom - top), next.cropped(0, top, w, bottom - top),
                                 expected);
}

bool rowsMatchButForPlaceholders(const quint32* a, const quint32* b, int width)
{
    return FramePixelCompare::rowsMatch(a, b, width) || onlyPlaceholdersDiffer(a, b, width);
}

bool sameButForPlaceholders(const FramePixels& a, const FramePixels& b)
{
    if (a.isNull() || b.isNull() || a.width != b.width || a.height != b.height)
        return false;
    for (int r = 0; r < a.height; ++r) {
        if (!rowsMatchButForPlaceholders(a.row(r), b.row(r), a.width))
            return false;
    }
    return true;
}

bool sameButForPlaceholders(const QImage& a, const QImage& b)
{
    return judgedLaidOut(a, b, [](const FramePixels& p, const FramePixels& n) { return sameButForPlaceholders(p, n); });
}

bool sameButForPlaceholdersAndOneBand(const QImage& a, const QImage& b)
{
    return judgedLaidOut(a, b, [](const FramePixels& p, const FramePixels& n) {
        const int w = p.width;
        int left = w, right = -1;
        for (int r = 0; r < p.height; ++r) {
            if (!FramePixelCompare::rowsMatch(p.row(r), n.row(r), w))
                widenByOtherChanges(p.row(r), n.row(r), w, left, right);
        }
        if (right >= left && 2 * (right - left + 1) > w)
            return false;
        // Beside the band, enough rows with edges that agree: a page of flat colour would
        // show no move either.
        int edgeRows = 0;
        for (int r = 1; r < p.height; ++r) {
            const auto edgesBeside = [&](int from, int to) {
                return to - from < 2 ? 0
                                     : std::min(FramePixelCompare::countEdges(n.row(r) + from, n.row(r - 1) + from, to - from),
                                                FramePixelCompare::countEdges(n.row(r) + from + 1, n.row(r) + from, to - from - 1));
            };
            const int edges = right < left ? edgesBeside(0, w) : edgesBeside(0, left) + edgesBeside(right + 1, w);
            edgeRows += edges > 0;
        }
        return edgeRows >= kMinimumEdgeRows;
    });
}

namespace {

// The page stood still, but for pictures that loaded and one box of at most a
// twenty-fifth of the area: `widen` gives each row's columns that changed otherwise.
template <typename Widen>
bool sameButForPlaceholdersAndOneBoxBy(const QImage& a, const QImage& b, Widen widen)
{
    return judgedLaidOut(a, b, [widen](const FramePixels& p, const FramePixels& n) {
        const int w = p.width;
        int left = w, right = -1, top = -1, bottom = -1;
        for (int r = 0; r < p.height; ++r) {
            if (FramePixelCompare::rowsMatch(p.row(r), n.row(r), w))
                continue;
            int rowLeft = w, rowRight = -1;
            widen(p.row(r), n.row(r), w, rowLeft, rowRight);
            if (rowRight < rowLeft)
                continue;
            left = std::min(left, rowLeft);
            right = std::max(right, rowRight);
            top = top < 0 ? r : top;
            bottom = r;
        }
        return top < 0 || qint64(right - left + 1) * (bottom - top + 1) * 25 <= qint64(w) * p.height;
    });
}

} // namespace

bool sameButForPlaceholdersAndOneBox(const QImage& a, const QImage& b)
{
    return sameButForPlaceholdersAndOneBoxBy(a, b, widenByOtherChanges);
}

bool sameButForPlaceholdersAndOneBoxOverThem(const QImage& a, const QImage& b)
{
    return sameButForPlaceholdersAndOneBoxBy(a, b, widenByOtherPixels);
}

} // namespace ScrollStitcher
