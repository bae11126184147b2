#include "Capture/FrameRegistration.h"

#include "Capture/FramePixelCompare.h"
#include "Capture/RowSignatures.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <numeric>
#include <vector>

namespace FrameRegistration {

namespace {

using FramePixelCompare::rowsMatch;

// Offsets tried pixel by pixel after each coarse ranking.
constexpr int kCandidates = 16;
// Candidates tried in turn as the answer when the best-ranked one fails its check.
constexpr int kAnswerTries = 3;
// A rival offset explaining fewer edges than 1/kRivalShare of the answer's is ignored
// (a few blank rows that happen to line up prove nothing).
constexpr int kRivalShare = 32;
// Matched edges must come from at least this many rows: one line across a blank
// page pins an offset only as long as nothing else is there to disagree.
constexpr int kMinimumEdgeRows = 4;
// Offsets are ranked when the frames keep at least this many rows, and a tenth of
// their height, in common: a single line of text is not enough to go by.
constexpr int kMinimumOverlap = 16;

// Rows that stay put in both frames at the top and at the bottom: a fixed header or
// footer, left out of the comparison. When both ends stay put and little is left in
// between, nothing scrolled and only a local change happened (a clock ticked): then
// nothing is left out and only 0 may come out. When one end stays put and leaves too
// few rows to register, `tooFew` is set.
struct StaticRows {
    int top = 0;
    int bottom = 0;
    bool tooFew = false;
    bool onlyZero = false;
};

StaticRows findStaticRows(const FramePixels& previous, const FramePixels& next)
{
    // Left of where a scrollbar may be: its thumb moves beside a page's own fixed header
    // too (and the header, compared, would outvote the alike rows below it).
    const int scrollbarZone = std::min(next.width / 8, 50);
    const int w = next.width - (next.width - scrollbarZone >= kMinimumSide ? scrollbarZone : 0), h = next.height;
    StaticRows rows;
    while (rows.top < h && rowsMatch(previous.row(rows.top), next.row(rows.top), w))
        ++rows.top;
    while (rows.bottom < h - rows.top && rowsMatch(previous.row(h - 1 - rows.bottom), next.row(h - 1 - rows.bottom), w))
        ++rows.bottom;
    const int rest = h - rows.top - rows.bottom;
    if (rows.top > 0 && rows.bottom > 0 ? rest >= std::max(kMinimumSide, h * 35 / 100) : rest >= kMinimumSide)
        return rows;
    const bool oneEnd = rows.top == 0 || rows.bottom == 0;
    return {0, 0, rest > 0 && oneEnd, rest > 0 && !oneEnd};
}

// Columns at the left and right edges that are identical in both frames; both 0 when
// nothing differs.
struct StaticColumns {
    int left = 0;
    int right = 0;
};

StaticColumns findStaticColumns(const FramePixels& previous, const FramePixels& next)
{
    const int w = next.width;
    int first = w, last = -1;
    for (int y = 0; y < next.height; ++y) {
        const quint32 *a = previous.row(y), *b = next.row(y);
        if (rowsMatch(a, b, w))
            continue;
        for (int x = 0; x < first; ++x) {
            if (FramePixelCompare::differ(a[x], b[x])) {
                first = x;
                break;
            }
        }
        for (int x = w - 1; x > last; --x) {
            if (FramePixelCompare::differ(a[x], b[x])) {
                last = x;
                break;
            }
        }
    }
    return last < 0 ? StaticColumns{} : StaticColumns{first, w - 1 - last};
}

// The two frames compared pixel by pixel at some offset t: row r of the new frame
// against row r + t of the previous one.
class Comparison {
public:
    Comparison(const FramePixels& previous, const FramePixels& next)
        : m_previous(previous)
        , m_next(next)
        , m_rowEdges(std::size_t(next.height), -1)
    {
    }

    int height() const { return m_next.height; }
    int width() const { return m_next.width; }
    // Rows of the new frame that offset t compares: [first, last).
    int firstRow(int t) const { return std::max(0, -t); }
    int lastRow(int t) const { return std::min(height(), height() - t); }

    // Over columns [from, to) (all by default). A whole row also notes the row's
    // edges for edgesIn.
    FramePixelCompare::RowTally row(int r, int t, int from = 0, int to = -1) const
    {
        const auto tally = FramePixelCompare::tallyRow(m_next.row(r) + from, m_previous.row(r + t) + from,
                                                       m_next.row(neighbour(r)) + from, (to < 0 ? width() : to) - from);
        if (from == 0 && to < 0)
            m_rowEdges[std::size_t(r)] = tally.edges;
        return tally;
    }

    void noteEdges(int r, int edges) const { m_rowEdges[std::size_t(r)] = edges; }

    // Edges of the new frame in rows [first, last): more than any offset can match.
    qint64 edgesIn(int first, int last) const
    {
        qint64 edges = 0;
        for (int r = first; r < last; ++r) {
            int& known = m_rowEdges[std::size_t(r)];
            if (known < 0)
                known = FramePixelCompare::countEdges(m_next.row(r), m_next.row(neighbour(r)), width());
            edges += known;
        }
        return edges;
    }

private:
    static int neighbour(int r) { return r > 0 ? r - 1 : r + 1; }

    FramePixels m_previous;
    FramePixels m_next;
    mutable std::vector<int> m_rowEdges; // -1: not counted yet
};

// Fewer matched edges than this prove nothing, for an answer or a rival: about a
// line of text's worth (a few fragments of glyphs line up by chance).
qint64 minimumEdges(const Comparison& comparison)
{
    return std::max(64, comparison.width() / 2);
}

// The tally of the answer's whole overlap. Clean edges are matched edges in the
// stretches of a row (an eighth of the width each) that match entirely: a local change
// spoils the few stretches it covers, a wrong offset spoils the rows it touches.
struct Answer {
    int offset = 0;
    qint64 mismatched = 0;
    qint64 matchedEdges = 0;
    qint64 cleanEdges = 0;
    qint64 area = 0;
    int stretches = 0;
    int dirtyStretches = 0;
    int edgeRows = 0;
};

Answer measure(const Comparison& comparison, int t)
{
    constexpr int kStretches = 8;
    Answer answer;
    answer.offset = t;
    const int w = comparison.width();
    for (int r = comparison.firstRow(t); r < comparison.lastRow(t); ++r) {
        int rowEdges = 0, allEdges = 0;
        for (int k = 0; k < kStretches; ++k) {
            const int from = k * w / kStretches, to = (k + 1) * w / kStretches;
            const auto tally = comparison.row(r, t, from, to);
            answer.mismatched += tally.mismatched;
            rowEdges += tally.matchedEdges;
            allEdges += tally.edges;
            if (tally.mismatched == 0)
                answer.cleanEdges += tally.matchedEdges;
            else
                ++answer.dirtyStretches;
            ++answer.stretches;
        }
        answer.matchedEdges += rowEdges;
        answer.edgeRows += rowEdges > 0 ? 1 : 0;
        comparison.noteEdges(r, allEdges);
    }
    answer.area = qint64(comparison.lastRow(t) - comparison.firstRow(t)) * w;
    return answer;
}

// The overlap matches apart from local changes, and holds enough edges, over enough
// rows, to mean something. A change at a fixed place on screen shows in both frames
// and under the right offset each copy meets other content, so changes of 5% of the
// area differ in up to 10% of the compared pixels. Changes are local: they spoil at
// most a quarter of the row stretches, and the edges matched where nothing differs
// outweigh half the differences (a line of text that matches only in part does not).
// `denseZero`: an offset of 0 also needs edges on 1% of the area, so that a small
// fixed overlay cannot pin it.
bool holds(const Comparison& comparison, const Answer& answer, bool denseZero)
{
    if (answer.cleanEdges < minimumEdges(comparison) || answer.edgeRows < kMinimumEdgeRows || answer.mismatched * 10 > answer.area
        || answer.mismatched > 2 * answer.cleanEdges || answer.dirtyStretches * 4 > answer.stretches)
        return false;
    return !denseZero || answer.offset != 0 || answer.matchedEdges * 100 >= answer.area;
}

// The rows an answer explains, on one side: rows of the new frame, or rows of the
// previous frame.
enum class Side { next, previous };

// Whether offset t fits the rows that the answer explains on one side about as well
// as the answer does (only those rows count: a rival that needs other rows, or that
// leaves some of them out, still competes). It is out when it differs in clearly
// more pixels than the answer: by more than a local change explains and by more than
// 1/8 of the edges it matches itself (content that truly fits matches its edges; a
// wrong offset breaks them). Local changes the answer compared count as explained
// wherever t moves them, and rows of the other frame that the answer does not compare
// get the 5% allowance of their own, at most the row's edges each and in all no more
// than the changes the answer met. A rival must also explain a fair share of the
// answer's edges, and enough edges over enough rows to prove anything; and like an
// answer it must match more than it contradicts beyond the answer's own changes.
// Stops as soon as t is out.
bool isRival(const Comparison& comparison, const Answer& answer, int t, Side side)
{
    const int answerFirst = comparison.firstRow(answer.offset), answerLast = comparison.lastRow(answer.offset);
    // Rows r of the new frame, compared with row r + t of the previous one.
    const int shift = side == Side::next ? 0 : answer.offset - t;
    const int first = std::max(comparison.firstRow(t), answerFirst + shift);
    const int last = std::min(comparison.lastRow(t), answerLast + shift);
    if (last <= first)
        return false;
    // Rows both offsets compare on both sides; the rest are the rival's own.
    const int otherShift = side == Side::next ? answer.offset - t : 0;
    const int sharedFirst = std::max(first, answerFirst + otherShift);
    const int sharedLast = std::max(sharedFirst, std::min(last, answerLast + otherShift));
    // A local change there shows where there is something to change: on sparse content
    // (a terminal's short lines) a twentieth of every row would excuse whole glyphs.
    qint64 ownAllowance = 0;
    for (int r = first; r < last; ++r) {
        if (r < sharedFirst || r >= sharedLast)
            ownAllowance += std::min<qint64>(comparison.width() / 20, comparison.edgesIn(r, r + 1));
    }
    // Frames with no local change where the answer compares them are unlikely to hide
    // one just where only the rival looks.
    ownAllowance = std::min(ownAllowance, std::max<qint64>(64, 4 * answer.mismatched));
    const qint64 allowed = answer.mismatched + std::max<qint64>(16, answer.mismatched / 2) + ownAllowance;
    qint64 mismatched = 0, edges = 0;
    qint64 edgesLeft = comparison.edgesIn(first, last);
    int edgeRows = 0;
    for (int r = first; r < last; ++r) {
        const auto tally = comparison.row(r, t);
        mismatched += tally.mismatched;
        edges += tally.matchedEdges;
        edgeRows += tally.matchedEdges > 0 ? 1 : 0;
        edgesLeft -= tally.edges;
        if (8 * (mismatched - allowed) > edges + edgesLeft)
            return false;
    }
    return edges >= minimumEdges(comparison) && edgeRows >= kMinimumEdgeRows
        && edges * kRivalShare >= answer.matchedEdges && mismatched - answer.mismatched <= 2 * edges;
}

// Columns at which rows `lag` apart differ, in either frame, in at least a few rows:
// where rows that otherwise look alike tell themselves apart (an index, a timestamp).
// Left of where a scrollbar may be, whose thumb moves by itself. Empty when no column
// does, or when most do (then the rows are not alike but for a narrow part, and the
// columns tell nothing the whole rows do not).
std::vector<int> tellingColumns(const FramePixels& previous, const FramePixels& next, int lag)
{
    const int w = next.width - std::min(next.width / 8, 50), h = next.height;
    std::vector<int> rowsDiffering(std::size_t(w), 0);
    for (const FramePixels* frame : {&previous, &next}) {
        for (int r = 0; r + lag < h; ++r) {
            const quint32 *a = frame->row(r), *b = frame->row(r + lag);
            if (rowsMatch(a, b, w))
                continue;
            for (int x = 0; x < w; ++x)
                rowsDiffering[std::size_t(x)] += FramePixelCompare::differ(a[x], b[x]) ? 1 : 0;
        }
    }
    std::vector<int> columns;
    for (int x = 0; x < w; ++x) {
        if (rowsDiffering[std::size_t(x)] >= kMinimumEdgeRows)
            columns.push_back(x);
    }
    if (2 * columns.size() > std::size_t(next.width))
        columns.clear();
    return columns;
}

// The given columns of a frame side by side, as a frame of their own.
class GatheredColumns {
public:
    GatheredColumns(const FramePixels& frame, const std::vector<int>& columns)
        : m_pixels(columns.size() * std::size_t(frame.height))
    {
        const std::size_t n = columns.size();
        for (int y = 0; y < frame.height; ++y) {
            const quint32* row = frame.row(y);
            for (std::size_t i = 0; i < n; ++i)
                m_pixels[std::size_t(y) * n + i] = row[columns[i]];
        }
        m_view.bits = reinterpret_cast<const uchar*>(m_pixels.data());
        m_view.width = int(n);
        m_view.height = frame.height;
        m_view.bytesPerLine = qsizetype(n * 4);
    }
    GatheredColumns(const GatheredColumns&) = delete;
    GatheredColumns& operator=(const GatheredColumns&) = delete;

    const FramePixels& view() const { return m_view; }

private:
    std::vector<quint32> m_pixels;
    FramePixels m_view;
};

// How rows that look alike but for a few columns were told apart.
enum class AlikeVerdict {
    noTellingColumns, // the rows are alike all across: only the scroll can tell
    decided,          // the columns, and where they could not the scroll, did
    undecided,        // they could not: the registration fails
};

// How far the nearest of `offsets` other than `taken` lies from it (0: none).
int nearestOther(const std::vector<int>& offsets, int taken)
{
    int nearest = 0;
    for (const int t : offsets)
        if (t != taken && (nearest == 0 || std::abs(t - taken) < nearest))
            nearest = std::abs(t - taken);
    return nearest;
}

// Rows that look alike except in a few columns (an index, a timestamp): the offsets
// that fit the alike parts about as well as the answer differ by whole periods of the
// rows, and the comparison of whole frames cannot weigh the few columns against the
// many alike ones. So those columns are compared on their own, at every offset a
// whole number of periods from the answer and at those they rank best by themselves:
// the offset they contradict least (per compared row, over enough rows holding
// something) must fit the whole frames as well, and every other one that fits the
// whole frames must contradict the columns clearly more. Offsets the columns cannot
// tell from it (marks that repeat, rows where the column is blank) are left to the
// scroll just made: exactly one of them must be near it. `byScroll` tells whether it
// had to.
AlikeVerdict decideAlike(const FramePixels& previous, const FramePixels& next, const Comparison& comparison,
                         Answer& answer, const std::vector<int>& equals, bool denseZero, const Expected& expected,
                         int minOverlap, bool& byScroll)
{
    int lag = 0;
    for (const int t : equals)
        lag = std::gcd(lag, std::abs(t - answer.offset));
    if (lag == 0)
        return AlikeVerdict::noTellingColumns;
    const std::vector<int> columns = tellingColumns(previous, next, lag);
    if (columns.empty())
        return AlikeVerdict::noTellingColumns;
    const GatheredColumns narrowPrevious(previous, columns), narrowNext(next, columns);
    const Comparison narrow(narrowPrevious.view(), narrowNext.view());

    const int h = comparison.height(), reach = h - minOverlap;
    std::vector<int> offsets;
    const auto add = [&](int t) {
        if (std::abs(t) <= reach && std::find(offsets.begin(), offsets.end(), t) == offsets.end())
            offsets.push_back(t);
    };
    add(answer.offset);
    for (const int t : equals)
        add(t);
    for (int t = answer.offset - (answer.offset + reach) / lag * lag; t <= reach; t += lag)
        add(t);
    const auto previousRows = RowSignatures::compute(narrowPrevious.view());
    const auto nextRows = RowSignatures::compute(narrowNext.view());
    for (const auto& candidate : RowSignatures::rankOffsets(previousRows, nextRows, RowSignatures::edgeBands(nextRows),
                                                            minOverlap, kCandidates))
        add(candidate.offset);

    struct Weighed {
        Answer columns;
        int rows = 0;
        bool evidence = false; // the columns hold enough in the overlap to say anything
    };
    std::vector<Weighed> weighed;
    for (const int t : offsets) {
        Weighed w{measure(narrow, t), narrow.lastRow(t) - narrow.firstRow(t), false};
        w.evidence = w.columns.matchedEdges + w.columns.mismatched >= minimumEdges(narrow)
            && w.columns.edgeRows >= kMinimumEdgeRows;
        weighed.push_back(w);
    }
    // Contradictions per compared row, compared without division.
    const auto fewer = [](const Weighed& a, const Weighed& b) {
        return a.columns.mismatched * b.rows < b.columns.mismatched * a.rows;
    };
    const Weighed* best = nullptr;
    for (const Weighed& w : weighed) {
        if (w.evidence && w.columns.cleanEdges >= minimumEdges(narrow) && (!best || fewer(w, *best)))
            best = &w;
    }
    if (!best)
        return AlikeVerdict::undecided;
    const Answer whole = best->columns.offset == answer.offset ? answer : measure(comparison, best->columns.offset);
    if (!holds(comparison, whole, denseZero))
        return AlikeVerdict::undecided;
    // Clearly more: four times the contradictions per row, and more than a glyph's few
    // pixels in all. Contradictions count however few rows an offset leaves in common:
    // too few to prove it, they still disprove it.
    std::vector<Answer> left{whole};
    for (const Weighed& w : weighed) {
        if (&w == best)
            continue;
        const qint64 bound = std::max<qint64>(16, 4 * best->columns.mismatched * w.rows / std::max(1, best->rows));
        if (w.columns.mismatched >= bound)
            continue;
        const Answer other = w.columns.offset == answer.offset ? answer : measure(comparison, w.columns.offset);
        if (holds(comparison, other, denseZero))
            left.push_back(other);
    }
    byScroll = left.size() > 1;
    if (byScroll)
        left.erase(std::remove_if(left.begin(), left.end(), [&](const Answer& a) { return !expected.allows(a.offset); }),
                   left.end());
    if (left.size() != 1)
        return AlikeVerdict::undecided;
    answer = left.front();
    return AlikeVerdict::decided;
}

// Registers two frames of equal size. With `denseZero` false an answer of 0 is
// checked again on the lower part of the frames, left of where a scrollbar may be:
// a fixed header, scrollbar or overlay says 0 whenever the scrolled content shows no
// edge that would reveal its move (a gradient, a blank page), so 0 must also hold
// where none of those reach.
Result registerEqual(const FramePixels& previous, const FramePixels& next, bool denseZero, std::optional<Expected> expected)
{
    Result result;
    const int w = next.width, h = next.height;
    const StaticRows fixed = findStaticRows(previous, next);
    if (fixed.tooFew) {
        result.outcome = Outcome::tooSmall;
        return result;
    }
    const int band = h - fixed.top - fixed.bottom;
    const FramePixels p = previous.cropped(0, fixed.top, w, band);
    const FramePixels n = next.cropped(0, fixed.top, w, band);

    const auto previousRows = RowSignatures::compute(p);
    const auto nextRows = RowSignatures::compute(n);
    const auto nextEdges = RowSignatures::edgeBands(nextRows);
    const auto candidates = RowSignatures::rankOffsets(previousRows, nextRows, nextEdges,
                                                       std::max(kMinimumOverlap, band / 10), kCandidates);
    const Comparison comparison(p, n);
    Answer answer;
    bool found = false;
    for (std::size_t i = 0; !found && i < candidates.size() && i < std::size_t(kAnswerTries); ++i) {
        answer = measure(comparison, candidates[i].offset);
        found = holds(comparison, answer, denseZero);
    }
    if (!found || (fixed.onlyZero && answer.offset != 0)) {
        result.outcome = Outcome::noMatch;
        return result;
    }

    // Rivals: every other ranked offset; the answer's next neighbours, whatever their
    // rank (on smooth content they fit as well as the answer); and every offset at
    // which the rows the answer explains, in either frame, would fit as well
    // (repeating content, or an offset so large that its overlap is too small to
    // have been ranked).
    const int first = comparison.firstRow(answer.offset), last = comparison.lastRow(answer.offset);
    std::vector<int> rivals;
    const auto consider = [&](int t) {
        if (t != answer.offset && std::abs(t) < band && std::find(rivals.begin(), rivals.end(), t) == rivals.end())
            rivals.push_back(t);
    };
    for (const auto& candidate : candidates)
        consider(candidate.offset);
    for (const int step : {-2, -1, 1, 2})
        consider(answer.offset + step);
    for (const auto& candidate : RowSignatures::rankWithin(previousRows, nextRows, nextEdges, first, last, 0, band,
                                                           kCandidates))
        consider(candidate.offset);
    for (const auto& candidate : RowSignatures::rankWithin(previousRows, nextRows, nextEdges, 0, band,
                                                           first + answer.offset, last + answer.offset, kCandidates))
        consider(candidate.offset);
    const auto fitsAsWell = [&](int t) {
        return isRival(comparison, answer, t, Side::next) || isRival(comparison, answer, t, Side::previous);
    };
    std::vector<int> equals;
    bool alikeAllAcross = false;
    for (const int t : rivals) {
        if (fitsAsWell(t)) {
            equals.push_back(t);
            if (!expected)
                break;
        }
    }
    if (!equals.empty()) {
        result.outcome = Outcome::ambiguous;
        result.offset = answer.offset;
        result.rivalOffset = equals.front();
        if (!expected)
            return result;
        // Rows that look alike but for a few columns: those columns decide.
        bool byScroll = false;
        const AlikeVerdict verdict = decideAlike(p, n, comparison, answer, equals, denseZero, *expected,
                                                 std::max(kMinimumOverlap, band / 10), byScroll);
        if (verdict == AlikeVerdict::undecided)
            return result;
        result.settledByExpected = byScroll;
        if (byScroll)
            result.alikeSpacing = nearestOther(equals, answer.offset);
        alikeAllAcross = verdict == AlikeVerdict::noTellingColumns;
    }
    if (alikeAllAcross) {
        // Rows that look alike: the scroll just made tells them apart. Of the offsets
        // that fit and that it allows (a narrow window's offsets that the ranking passed
        // over are tried too), the best that holds wins, when no other one it allows
        // fits about as well as that one.
        const bool narrow = expected->high - expected->low <= 64;
        for (int t = expected->low; narrow && t <= expected->high; ++t) {
            if (t != answer.offset && std::abs(t) < band && std::find(rivals.begin(), rivals.end(), t) == rivals.end()
                && fitsAsWell(t))
                equals.push_back(t);
        }
        equals.push_back(answer.offset);
        std::vector<int> nearby;
        std::copy_if(equals.begin(), equals.end(), std::back_inserter(nearby),
                     [&](int t) { return expected->allows(t); });
        std::optional<Answer> best;
        for (const int t : nearby) {
            const Answer candidate = t == answer.offset ? answer : measure(comparison, t);
            if (holds(comparison, candidate, denseZero) && (!best || candidate.mismatched < best->mismatched))
                best = candidate;
        }
        if (!best)
            return result;
        for (const int t : nearby) {
            if (t != best->offset
                && (isRival(comparison, *best, t, Side::next) || isRival(comparison, *best, t, Side::previous)))
                return result;
        }
        answer = *best;
        result.settledByExpected = true;
        result.alikeSpacing = nearestOther(equals, answer.offset);
    }

    if (answer.offset == 0 && !denseZero) {
        const int top = h * 6 / 10;
        const int columns = w - std::min(w / 8, 50);
        if (h - top < kMinimumSide || columns < kMinimumSide) {
            result.outcome = Outcome::noMatch;
            return result;
        }
        const Result lower = registerEqual(previous.cropped(0, top, columns, h - top),
                                           next.cropped(0, top, columns, h - top), true, std::nullopt);
        if (lower.outcome != Outcome::found || lower.offset != 0)
            return lower.outcome == Outcome::found ? Result{Outcome::ambiguous, 0, lower.offset, false} : lower;
    }
    result.outcome = Outcome::found;
    result.offset = answer.offset;
    return result;
}

} // namespace

Expected Expected::near(int distance)
{
    const int tolerance = std::max(3, std::abs(distance) / 10);
    return {distance - tolerance, distance + tolerance};
}

Result verticalOffset(const FramePixels& previous, const FramePixels& next, std::optional<Expected> expected)
{
    const int w = std::min(previous.width, next.width), h = std::min(previous.height, next.height);
    if (previous.isNull() || next.isNull() || w < kMinimumSide || h < kMinimumSide)
        return {Outcome::tooSmall, 0, 0, false};
    const FramePixels p = previous.cropped(0, 0, w, h), n = next.cropped(0, 0, w, h);
    // A fixed sidebar matches only at offset 0 and would outvote the scrolled content
    // beside it. Left out while most of the width remains; beside narrower content, only
    // when the whole width finds no move: a change confined to a few columns (a badge)
    // is no scroll, and the whole width says so.
    const StaticColumns fixed = findStaticColumns(p, n);
    const int rest = w - fixed.left - fixed.right;
    if (rest < kMinimumSide || rest == w)
        return registerEqual(p, n, false, expected);
    const auto moving = [&] {
        return registerEqual(p.cropped(fixed.left, 0, rest, h), n.cropped(fixed.left, 0, rest, h), false, expected);
    };
    if (rest >= w * 4 / 10)
        return moving();
    const Result whole = registerEqual(p, n, false, expected);
    if (whole.outcome == Outcome::found && whole.offset != 0)
        return whole;
    const Result beside = moving();
    return beside.outcome == Outcome::found && beside.offset != 0 ? beside : whole;
}

int fixedBottomRows(const FramePixels& previous, const FramePixels& next, int offset)
{
    const int w = std::min(previous.width, next.width), h = std::min(previous.height, next.height);
    int rows = 0;
    while (rows < h && rowsMatch(previous.row(h - 1 - rows), next.row(h - 1 - rows), w))
        ++rows;
    // Taken as content, such a row of the previous frame stands where the new frame shows
    // the same pixels: the join is right either way, and a click that happens to bring
    // alike rows to the bottom makes no footer of them. No footer is taller than the rows
    // the frames share: where rows alike all down the frame scrolled by a whole number of
    // them (a loaded machine catching a smooth scroll part-way), every row stays put, and
    // only those the scroll's rows can be held against are looked at.
    if (offset > 0)
        rows = std::min(rows, std::max(0, h - offset));
    for (; rows > 0 && offset > 0 && h - rows - offset >= 0; --rows) {
        if (!rowsMatch(previous.row(h - rows), next.row(h - rows - offset), w))
            break;
    }
    return rows;
}

bool framesMatch(const FramePixels& previous, const FramePixels& next)
{
    if (previous.width != next.width || previous.height != next.height)
        return false;
    for (int y = 0; y < next.height; ++y) {
        if (!rowsMatch(previous.row(y), next.row(y), next.width))
            return false;
    }
    return true;
}

std::optional<ComparedRegion> comparedRegion(const QImage& previous, const QImage& next, int scrollbarPx, int stickyPx)
{
    ComparedRegion region{withFramePixelLayout(previous), withFramePixelLayout(next), {}, {}};
    const FramePixels p = framePixels(region.previousImage), n = framePixels(region.nextImage);
    const int w = std::min(p.width, n.width) - scrollbarPx;
    const int h = std::min(p.height, n.height) - stickyPx;
    if (p.isNull() || n.isNull() || w < kMinimumSide || h < kMinimumSide)
        return std::nullopt;
    region.previous = p.cropped(0, stickyPx, w, h);
    region.next = n.cropped(0, stickyPx, w, h);
    return region;
}

} // namespace FrameRegistration
