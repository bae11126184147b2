#pragma once

#include <QImage>

#include <vector>

// One kept frame of a scrolling capture, as far as the stitched image needs it: the
// rows it adds, and how many rows at its top were left out because the frames before
// it already show them.
struct KeptSlice {
    QImage rows;    // the frame's rows from `offset` down to its bottom
    int offset = 0; // the crop top: rows of the frame already in the stitched image
    // Rows at the bottom left out because the next slice continues above them (a
    // footer that stayed put, or a blank end the rows that loaded replace); the last
    // slice keeps them all, so the footer shows once, as the last frame has it.
    int bottomCut = 0;

    int frameHeight() const { return offset + rows.height(); }
    int drawnRows() const { return rows.height() - bottomCut; }
};

// The kept frames of one recording. Only the rows that will be drawn are held, plus
// the last whole frame, against which the next frame is judged; so memory grows with
// the stitched length, not with the number of frames.
//
// Not thread-safe: the recording keeps it on one thread. Copies share their pixels,
// so handing a copy (or takeSlices()) to a worker for composing copies nothing.
class ScrollKeptFrames {
public:
    // Keeps `frame`, of which the top `offset` rows are already shown (the judgement's
    // cropTop; 0 for the first frame), and whose bottom `footer` rows stayed put since
    // the last kept frame: those rows of the last kept frame are left out, at most all
    // it adds. The offset is cut to the frame.
    void append(const QImage& frame, int offset, int footer = 0);
    // The same, and the frame's rows from `refreshFrom` (below a fixed header) down to
    // its crop top, which show again what the kept rows end with, give those rows their
    // latest look where it differs from a plain placeholder: in part of the width only,
    // where the kept row showed one colour across that part, set off from what lies
    // beside it (a picture not loaded yet).
    void appendRefreshing(const QImage& frame, int offset, int footer, int refreshFrom);
    // A frame of the view standing where the last kept one was: its rows from `from` down
    // give the kept rows their latest look as appendRefreshing does.
    void refreshLast(const QImage& frame, int from);
    // The same, and the frame becomes the one the next frame is judged against (the view
    // still stands where the last kept frame was, but shows it as it now looks). A frame
    // of another size or format changes nothing.
    void restandLast(const QImage& frame, int from);
    // A frame of the view standing where the last kept one was, whose rows from `from`
    // down replace what the kept rows end with (rows loaded where the page ended): it
    // becomes the last frame. Returns false, changing nothing, for a frame of another
    // size or format.
    bool replaceLastTail(const QImage& frame, int from);
    // The same for a frame of the view standing `upPx` rows above the last kept one (a
    // page that got shorter while its end was in view): the kept rows lose their last
    // `upPx` first. Returns false, changing nothing, also where fewer rows than that and
    // a frame are kept.
    bool replaceLastTailAbove(const QImage& frame, int from, int upPx);
    // Takes the last kept frame back, as if it had never been appended (the last two
    // appends at most).
    void dropLast();

    bool isEmpty() const { return m_slices.empty(); }
    int count() const { return int(m_slices.size()); }
    // The whole last kept frame (null before the first): the previous frame for the
    // next judgement.
    const QImage& lastFrame() const { return m_lastFrame; }
    // Rows the kept slices add up to.
    int stitchedHeight() const { return m_stitchedHeight; }
    const std::vector<KeptSlice>& slices() const { return m_slices; }

    // Moves the slices out (for ScrollStitcher::compose, which frees each slice once it
    // is drawn) and empties the store.
    std::vector<KeptSlice> takeSlices();
    void clear();

private:
    bool canReplaceTailWith(const QImage& frame) const;
    void writeTail(const QImage& frame, int from);
    void refreshTail(const QImage& frame, int from, int to);

    // Pixels a refresh overwrote in a kept slice: the slice, counted from the last
    // one back, its row, the first column, and what those columns held.
    struct Overwritten {
        std::size_t fromLast = 0;
        int y = 0;
        int x = 0;
        std::vector<quint32> pixels;
    };

    std::vector<KeptSlice> m_slices;
    QImage m_lastFrame;
    int m_stitchedHeight = 0;
    // What dropLast puts back, for each of the last appends it can take back, the last one
    // last.
    struct Undo {
        QImage frameBefore;
        // The bottom cuts the append changed, from the last slice before it back.
        std::vector<int> cutsBefore;
        // What the append's refresh overwrote in the slices before it, in the order
        // written: a frame taken back must not leave its look on the rows it was judged
        // to repeat, since a frame taken back may have been placed wrongly.
        std::vector<Overwritten> refreshedBefore;
    };
    static constexpr std::size_t kUndoDepth = 2;
    std::vector<Undo> m_undo;
    bool m_recordRefresh = false;
};
