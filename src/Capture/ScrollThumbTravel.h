#pragma once

// Where a page's rows look exactly alike, the frames cannot tell how far the content
// moved between them: every offset a whole number of rows apart fits as well, and the
// scroll that was sent says nothing once the page may have reached its end part-way.
// A scrollbar's thumb still moves in proportion to the content: its travel over the
// kept frames gives thumb rows per content row, and its move since the last kept frame
// then says about how far the content went. Of the offsets the rows allow, one alone
// may lie within what the thumb can tell: that one is taken, and no other answer is
// ever overridden. What the thumb can tell is bounded by its whole pixels, and by how
// well the kept frames' places are known: one placed by the step among alike offsets
// stands where the clicks put the page, which a page still scrolling when it was
// taken had not reached; it may lie up to one spacing of those offsets from where the
// content was, and every later frame placed from it with it. The next frame placed by
// the step is again where the clicks put the page, so the error does not add up.
//
// ScrollThumbTravel follows the kept frames of one recording on the interface thread
// (cheap: one column of each frame is read); a snapshot of what it learnt (ThumbScale)
// goes with each judgement to the worker, where placedByThumb runs.

#include "Capture/FramePixels.h"
#include "Capture/ScrollStitcher.h"

#include <QImage>

#include <optional>
#include <vector>

namespace ScrollStitcher {

// A scrollbar's thumb as one column near the right edge shows it.
struct Thumb {
    int column = 0;     // from the frame's left
    quint32 colour = 0; // of its run in that column
    int length = 0;     // rows
};

// The thumb between two frames of a scrolled view: in a column among the rightmost
// (at most 50, an eighth of the width), the one run of a single colour that moved and
// kept its length, neither frame's edge cutting it, while the rest of the column stayed
// as it was. Nothing when no column shows one.
std::optional<Thumb> findThumb(const FramePixels& previous, const FramePixels& next);

// Top row of the thumb in a frame; nothing where it is out of sight, cut by the
// frame's top or shorter than it is, or not one run of its colour and length.
std::optional<int> thumbTop(const FramePixels& frame, const Thumb& thumb);

// What the thumb's travel over the kept frames says.
struct ThumbScale {
    Thumb thumb;
    double perContentRow = 0; // thumb rows per content row
    int span = 0;             // thumb rows between the frames that measured it
    int lastTop = 0;          // the thumb's top in the last kept frame
    qint64 rows = 0;          // content rows between those frames, as kept
    int rowsUncertain = 0;    // by how many rows that may be off
};

class ScrollThumbTravel {
public:
    // `frame` was kept, `scrolledPx` content rows below `previous`, the frame kept before
    // it (null for the first frame of a recording); picked by the step among offsets
    // `alikeSpacingPx` apart (0: its place is as certain as the previous frame's).
    void noteKept(const QImage& previous, const QImage& frame, int scrolledPx, int alikeSpacingPx = 0);
    // The last kept frame was taken back.
    void dropLast();
    void clear();
    // Nothing until two kept frames show the thumb whole, far enough apart, all of them
    // on one line, and the last kept frame shows it.
    std::optional<ThumbScale> scale() const;

private:
    struct Kept {
        qint64 position = 0; // content rows below the first kept frame
        std::optional<int> top;
        int uncertain = 0; // rows the position may be off by
    };
    std::optional<Thumb> m_thumb;
    std::vector<Kept> m_kept;
};

// The offset of `frame` against `previous`, the last kept frame, that the thumb's move
// gives: the one offset within the thumb's precision at which the frames' rows (left
// of the scrollbar, below a fixed header `stickyPx` high) match. Nothing when none or
// several do.
std::optional<int> offsetByThumb(const ThumbScale& scale, const QImage& previous, const QImage& frame, int stickyPx);

// The content rows the thumb's move from the last kept frame to `frame` allows, within
// its precision: [low, high]. Nothing where `frame` does not show the thumb whole.
struct ThumbMove {
    int low = 0;
    int high = 0;
};
std::optional<ThumbMove> contentMoveByThumb(const ThumbScale& scale, const QImage& frame);

// The judgement, placed by the thumb where the rows left its offset open (picked by the
// step alone, or by the unchanged rows among the offsets the step allows, or not
// registered at all); every other judgement as it is. Where no offset has the rows agree
// whole (something beside them changed by itself) but the registration left a move down
// and a move up tied, the move down places it where the thumb's move allows it.
FrameJudgement placedByThumb(const FrameJudgement& judgement, const std::optional<ThumbScale>& scale,
                             const QImage& previous, const QImage& frame);

} // namespace ScrollStitcher
