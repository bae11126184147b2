#include "Capture/ScrollThumbTravel.h"

#include "Capture/CaptureLog.h"
#include "Capture/FramePixelCompare.h"
#include "Capture/FrameRegistration.h"
#include "Capture/ScrollOffsetRules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ScrollStitcher {

namespace {

// A shorter run of one colour is as likely a glyph or a border as a thumb.
constexpr int kMinimumThumbLength = 6;
// Thumb rows the calibration must span: each end stands on a whole pixel.
constexpr int kMinimumSpan = 8;
// Rows the frames must share at an offset to say anything.
constexpr int kMinimumOverlap = 16;

struct Run {
    int start = 0;
    int length = 0;
    quint32 colour = 0;

    int end() const { return start + length; }
};

std::vector<Run> columnRuns(const FramePixels& frame, int x)
{
    std::vector<Run> runs;
    for (int y = 0; y < frame.height; ++y) {
        const quint32 pixel = frame.row(y)[x];
        if (runs.empty() || FramePixelCompare::differ(runs.back().colour, pixel))
            runs.push_back({y, 0, pixel});
        ++runs.back().length;
    }
    return runs;
}

// Runs that may be the thumb: its colour and about its length, its top within the
// frame; its bottom too unless `toBottom` (a thumb at the end of a track without arrows
// ends with the frame: its length says it is whole).
std::vector<Run> thumbLike(const std::vector<Run>& runs, quint32 colour, int length, int height, bool toBottom = false)
{
    std::vector<Run> like;
    for (const Run& run : runs) {
        if (run.start > 0 && (toBottom || run.end() < height) && std::abs(run.length - length) <= 1
            && !FramePixelCompare::differ(run.colour, colour))
            like.push_back(run);
    }
    return like;
}

// Outside the two places of the thumb, the column is the same in both frames.
bool restStayed(const FramePixels& previous, const FramePixels& next, int x, const Run& a, const Run& b)
{
    for (int y = 0; y < next.height; ++y) {
        const bool thumb = (y >= a.start && y < a.end()) || (y >= b.start && y < b.end());
        if (!thumb && FramePixelCompare::differ(previous.row(y)[x], next.row(y)[x]))
            return false;
    }
    return true;
}

// Rows of `next` from `stickyPx` down match the rows of `previous` `t` lower, over the
// first `width` columns, but for a fiftieth of them (a caret, a spinner).
bool rowsAgreeAt(const FramePixels& previous, const FramePixels& next, int width, int stickyPx, int t)
{
    const int rows = next.height - t - stickyPx;
    if (rows < kMinimumOverlap)
        return false;
    const int allowed = rows / 50;
    int mismatched = 0;
    for (int r = stickyPx; r + t < next.height; ++r) {
        if (!FramePixelCompare::rowsMatch(next.row(r), previous.row(r + t), width) && ++mismatched > allowed)
            return false;
    }
    return true;
}

} // namespace

std::optional<Thumb> findThumb(const FramePixels& previous, const FramePixels& next)
{
    const int w = next.width, h = next.height;
    if (previous.isNull() || next.isNull() || previous.width != w || previous.height != h || h < kMinimumOverlap)
        return std::nullopt;
    const int limit = std::min(w / 8, 50);
    for (int c = 0; c < limit; ++c) {
        const int x = w - 1 - c;
        int y = 0;
        while (y < h && !FramePixelCompare::differ(previous.row(y)[x], next.row(y)[x]))
            ++y;
        if (y == h)
            continue; // nothing moved here (a margin, a scrollbar's edge)
        const std::vector<Run> before = columnRuns(previous, x), after = columnRuns(next, x);
        for (const Run& a : before) {
            if (a.length < kMinimumThumbLength || a.start == 0 || a.end() == h)
                continue;
            const std::vector<Run> there = thumbLike(before, a.colour, a.length, h);
            const std::vector<Run> moved = thumbLike(after, a.colour, a.length, h);
            if (there.size() != 1 || moved.size() != 1 || moved.front().start == a.start)
                continue;
            if (restStayed(previous, next, x, a, moved.front()))
                return Thumb{x, a.colour, a.length};
        }
    }
    return std::nullopt;
}

std::optional<int> thumbTop(const FramePixels& frame, const Thumb& thumb)
{
    if (frame.isNull() || thumb.column >= frame.width)
        return std::nullopt;
    const std::vector<Run> like = thumbLike(columnRuns(frame, thumb.column), thumb.colour, thumb.length, frame.height, true);
    return like.size() == 1 ? std::optional<int>(like.front().start) : std::nullopt;
}

void ScrollThumbTravel::noteKept(const QImage& previous, const QImage& frame, int scrolledPx, int alikeSpacingPx)
{
    if (previous.isNull())
        clear();
    const qint64 position = m_kept.empty() ? 0 : m_kept.back().position + scrolledPx;
    const int uncertain = std::max(m_kept.empty() ? 0 : m_kept.back().uncertain, std::max(0, alikeSpacingPx));
    const QImage next = withFramePixelLayout(frame);
    const FramePixels n = framePixels(next);
    if (!m_thumb && !previous.isNull() && !m_kept.empty()) {
        const QImage before = withFramePixelLayout(previous);
        const FramePixels p = framePixels(before);
        m_thumb = findThumb(p, n);
        if (m_thumb)
            m_kept.back().top = thumbTop(p, *m_thumb);
    }
    m_kept.push_back({position, m_thumb ? thumbTop(n, *m_thumb) : std::nullopt, uncertain});
}

void ScrollThumbTravel::dropLast()
{
    if (!m_kept.empty())
        m_kept.pop_back();
}

void ScrollThumbTravel::clear()
{
    m_thumb.reset();
    m_kept.clear();
}

std::optional<ThumbScale> ScrollThumbTravel::scale() const
{
    if (!m_thumb || m_kept.empty() || !m_kept.back().top)
        return std::nullopt;
    const auto first = std::find_if(m_kept.begin(), m_kept.end(), [](const Kept& kept) { return kept.top.has_value(); });
    const Kept& last = m_kept.back();
    const int span = *last.top - *first->top;
    const qint64 rows = last.position - first->position;
    if (rows <= 0 || span < kMinimumSpan)
        return std::nullopt;
    const double perRow = double(span) / double(rows);
    // A thumb that strays from the line through the ends is not one that follows the
    // content (a page that grew, a column that only looked like a scrollbar), unless by
    // no more than the frames' places may be off.
    const int endsUncertain = std::max(first->uncertain, last.uncertain);
    for (const Kept& kept : m_kept) {
        const double expected = *first->top + perRow * double(kept.position - first->position);
        if (kept.top && std::abs(*kept.top - expected) > 1.5 + perRow * (kept.uncertain + endsUncertain))
            return std::nullopt;
    }
    return ThumbScale{*m_thumb, perRow, span, *last.top, rows, first->uncertain + last.uncertain};
}

std::optional<int> offsetByThumb(const ThumbScale& scale, const QImage& previous, const QImage& frame, int stickyPx)
{
    const QImage a = withFramePixelLayout(previous), b = withFramePixelLayout(frame);
    const FramePixels p = framePixels(a), n = framePixels(b);
    if (p.isNull() || n.isNull() || p.width != n.width || p.height != n.height)
        return std::nullopt;
    const auto move = contentMoveByThumb(scale, b);
    if (!move)
        return std::nullopt;
    const int low = std::max(1, move->low);
    const int high = move->high;
    // Offsets past the largest the frames are compared at may fit as well, unseen.
    if (high > maximumOffset(n.height))
        return std::nullopt;
    const int width = n.width - std::min(n.width / 8, 50);
    std::optional<int> found;
    for (int t = low; t <= high; ++t) {
        if (!rowsAgreeAt(p, n, width, stickyPx, t))
            continue;
        if (found)
            return std::nullopt;
        found = t;
    }
    return found;
}

std::optional<ThumbMove> contentMoveByThumb(const ThumbScale& scale, const QImage& frame)
{
    const QImage b = withFramePixelLayout(frame);
    const FramePixels n = framePixels(b);
    if (n.isNull() || scale.perContentRow <= 0 || scale.span <= 0)
        return std::nullopt;
    const auto top = thumbTop(n, scale.thumb);
    if (!top)
        return std::nullopt;
    // As precise as offsetByThumb reads it: whole thumb pixels, the span measured over,
    // and how well the kept frames' places are known.
    const int moved = *top - scale.lastTop;
    const double estimate = moved / scale.perContentRow;
    const double placesOff = scale.rows > 0 ? double(scale.rowsUncertain) / double(scale.rows) : 0.0;
    const double precision
        = (1.0 + std::abs(moved) / double(scale.span)) / scale.perContentRow + 1.0 + std::abs(estimate) * placesOff;
    return ThumbMove{int(std::ceil(estimate - precision)), int(std::floor(estimate + precision))};
}

FrameJudgement placedByThumb(const FrameJudgement& judgement, const std::optional<ThumbScale>& scale,
                             const QImage& previous, const QImage& frame)
{
    const bool open = judgement.settledByStep || judgement.byUnchangedRows
        || (!judgement.append && !judgement.duplicate && judgement.foundPx == 0);
    if (!open || !scale || previous.isNull())
        return judgement;
    std::optional<int> t = offsetByThumb(*scale, previous, frame, judgement.stickyPx);
    // Rows that change by themselves (an animation fixed in the view) keep the rows from
    // agreeing whole at any offset; the registration, which weighs them less, still
    // narrowed it to two that fit equally well, one a move down and one a move up, which
    // no scroll down makes. The move down, where the thumb's move allows it. Two moves
    // down tied say the rows may fit a third as well, unseen: those are left open.
    if (!t && !judgement.append && !judgement.duplicate) {
        const int down = std::max(judgement.tiedPx, judgement.tiedRivalPx);
        const int up = std::min(judgement.tiedPx, judgement.tiedRivalPx);
        const auto move = contentMoveByThumb(*scale, frame);
        if (up < 0 && down > 0 && move && down >= move->low && down <= move->high && up < move->low)
            t = down;
    }
    if (!t)
        return judgement;
    FrameJudgement placed = judgement;
    if (!judgement.append || judgement.newPx != *t) {
        // A fixed footer the frames share is left out at the thumb's offset as at any
        // other: taken as content, the last kept frame's would stay between the rows.
        const QImage a = withFramePixelLayout(previous), b = withFramePixelLayout(frame);
        const FramePixels p = framePixels(a), n = framePixels(b);
        const int full = std::min(p.width, n.width);
        const int w = widthLeftOfScrollbar(full, judgement.scrollbarPx);
        placed.footerPx = w > 0 && *t < n.height
                              ? std::min(FrameRegistration::fixedBottomRows(p.cropped(0, 0, w, p.height),
                                                                            n.cropped(0, 0, w, n.height), *t),
                                         n.height - *t)
                              : 0;
    }
    placed.append = true;
    placed.duplicate = false;
    placed.newPx = *t;
    placed.foundPx = *t;
    placed.settledByStep = false;
    placed.byUnchangedRows = false;
    placed.alikeSpacingPx = 0;
    captureDiagnostic(QStringLiteral("📜 [thumb] ty=%1（按滚动条滑块位移定位，步长所选 %2）")
                          .arg(*t)
                          .arg(judgement.append ? QString::number(judgement.newPx) : QStringLiteral("无")));
    return placed;
}

} // namespace ScrollStitcher
