#pragma once

// The stitcher of scrolling capture. For each frame taken while the content under the
// selection scrolls, judgeFrame decides whether it shows new content and exactly how
// many new rows; compose draws the kept frames into one tall image.
//
// Frames are QImages of the selection in pixels, ARGB32 premultiplied (screen grabs in
// RGB32 are read as they are; other formats are converted). A recording goes:
//
//     ScrollStitcher::DetectionState detection;   // owned by the recording
//     ScrollKeptFrames kept;
//     for each settled frame:
//         const auto j = ScrollStitcher::judgeFrame(kept.lastFrame(), frame, detection,
//                                                   first ? 0 : stepPx, first ? JudgeMode::first : JudgeMode::tick);
//         detection = j.detection();
//         if (j.append)
//             kept.append(frame, j.cropTop(frame.height()), j.footerPx);
//     const auto result = ScrollStitcher::compose(kept.takeSlices(), maxHeight);
//
// Threads: nothing here holds state between calls; every function works on its
// arguments only, so judgeFrame and compose may run on any thread, and should run off
// the interface thread (judging a 1600 x 1200 frame takes about 10 ms on one core,
// composing a 20000-row capture about 0.1 s). The recording keeps `detection` and
// `kept` on its own thread, reads them before a judgement and applies its result
// after it; ScrollKeptFrames::append copies only the frame's new rows. Images are only
// read; copies of QImage share pixels across threads without copying them.

#include "Capture/FrameRegistration.h"
#include "Capture/ScrollKeptFrames.h"

#include <QImage>
#include <QtGlobal>

#include <optional>
#include <utility>
#include <vector>

namespace ScrollStitcher {

// What the stitcher learns of the region during a recording: the width of a
// scrollbar at the right edge and the height of a fixed header at the top, both left
// out of registration once known. The recording passes it into every judgement and
// keeps what comes back; a new recording starts from the defaults.
struct DetectionState {
    int scrollbarPx = 0;       // scrollbar width to crop at the right edge (0 = none)
    bool scrollbarDone = false; // scrollbar detection has been attempted
    int stickyPx = 0;          // fixed header height to crop at the top (0 = none)
    bool stickyDone = false;   // fixed header detection is finished
    int stickySamples = 0;     // fixed header measurements taken
    int scrollbarTries = 0;    // scrollbar measurements that found none

    bool operator==(const DetectionState&) const = default;
};

// The verdict on one frame.
struct FrameJudgement {
    bool append = false;       // keep the frame
    int newPx = 0;             // rows of new content at its bottom (the whole height for
                               // the first frame); 0 when not appended
    int scrollbarPx = 0;       // the detection state after this frame
    bool scrollbarDone = false;
    int stickyPx = 0;
    bool stickyDone = false;
    int stickySamples = 0;
    int scrollbarTries = 0;
    bool duplicate = false;    // no new content (rather than rejected)
    int foundPx = 0;           // the offset registered, kept or not (0: none)
    // Rows at the bottom that stayed put while the content moved (a fixed footer or
    // banner), or that are no content where the rest places it (a pager's prompt that
    // changes as it scrolls): they belong below the content, so the previous frame's are
    // left out and this frame's new rows end above its own.
    int footerPx = 0;
    // The offset was picked among alike ones by the step: right only if the page did
    // not reach its end during the scroll (it moves again at the next tick).
    bool settledByStep = false;
    // The offset was found by the rows that did not change since the previous frame,
    // among those the step allows: rows alike all across may agree at more than one.
    bool byUnchangedRows = false;
    // Settled by the step: how far the nearest offset that fit as well lies from the one
    // taken (0: none seen). A page that had not finished scrolling when the frame was
    // taken leaves the frame that far from where it is placed.
    int alikeSpacingPx = 0;
    // Not placed: the two offsets the rows fit equally well (both 0 when not so). What
    // else tells them apart (a scrollbar's thumb) may take one.
    int tiedPx = 0, tiedRivalPx = 0;

    DetectionState detection() const
    {
        return {scrollbarPx, scrollbarDone, stickyPx, stickyDone, stickySamples, scrollbarTries};
    }
    void setDetection(const DetectionState& d)
    {
        scrollbarPx = d.scrollbarPx;
        scrollbarDone = d.scrollbarDone;
        stickyPx = d.stickyPx;
        stickyDone = d.stickyDone;
        stickySamples = d.stickySamples;
        scrollbarTries = d.scrollbarTries;
    }
    // The offset to keep the frame with: rows at its top already shown.
    int cropTop(int frameHeight) const { return frameHeight - footerPx - newPx; }
};

// How a frame is judged: the first frame of a recording (kept whole, later ones with
// no step known), an auto-scroll tick (the step known: offsets near whole steps, and
// alike rows told apart by it), or the frame the page stopped on (any move counts,
// however small: the page's last rows).
enum class JudgeMode { first, tick, pageEnd };

// Of two places the rows fit equally well, the one below the previous frame (within a
// frame of it and within `withinPx`) where the other lies above it; nothing where both
// lie on one side (or nothing tied), nor where the next repeat down lies within
// `withinPx` as well: rows alike at a shorter pitch fit several places below, and the
// nearest is no surer.
std::optional<int> belowOfTiedPlaces(int tiedPx, int rivalPx, int frameHeight, int withinPx);

struct StitchResult {
    QImage image;           // ARGB32 premultiplied, the first frame's width
    int totalHeight = 0;    // pixels
    int appendedFrames = 0; // slices drawn
    int droppedDuplicates = 0;
};

constexpr int kThumbnailSide = 32;
constexpr int kScrollbarTries = 6;

// Judges `frame` against `previous`, the last kept frame (null for the first frame of
// a recording, which is kept whole). A tick passes stepPx, the step in pixels the
// recording actually scrolls per tick: offsets must come near a whole number of steps,
// half a step (at most 40 rows) counts as new content, and among offsets that fit
// equally well the one near the step wins. Order: frames whose 32 x 32 average hashes
// differ in more than one bit are certainly different; others are a duplicate only when
// their pixels match; the scrollbar is detected once; the offset is registered (and
// where that fails, again without bands at the top or bottom that changed in place:
// rows at the top that did are the fixed header from then on); the
// fixed header is measured until two measurements agree; the offset must then be large
// enough to count as new content, near a whole number of steps, and at most 9/10 of
// the height. Progress goes to the capture diagnostics.
// `expectedPx` is how far the content was scrolled since `previous` when that is more
// than one step (ticks not kept in between); 0 means one step. Without a step, the
// content is known to have moved forward only. `farthestPx`, where above 0, is the most
// the content can have moved (the wheel scrolls no further than it was asked, where no
// earlier scroll still lags behind). At the page's end `expectedPx`, where above 0, says
// the page went down from `previous` since, by at most that much: of a place below it
// and one above it that rows alike fit equally well, the one below stands.
FrameJudgement judgeFrame(const QImage& previous, const QImage& frame, const DetectionState& detection, int stepPx,
                          JudgeMode mode, int expectedPx = 0, int farthestPx = 0);

// Whether the two frames show the same pixels (within the registration's tolerance):
// the content did not move.
bool sameContent(const QImage& a, const QImage& b);

// Hamming distance of the two frames' 32 x 32 average hashes; the largest qint64 when
// either frame is null.
qint64 frameDistance(const QImage& a, const QImage& b);

// Rows by which the content moved up from `previous` to `next` (negative: down),
// comparing the region left of the scrollbar and below the fixed header; nothing when
// that region is under 50 pixels in either direction or the offset is not certain
// (see FrameRegistration, which also says how `expected` settles rows that look alike). Logs the outcome as a capture diagnostic.
// `settled`, when given, tells whether `expected` had to pick among alike offsets, and
// `alikeSpacing` how far from the one picked the nearest other lay, and `tied` (when
// nothing is answered for two offsets fitting equally well) those two.
std::optional<int> registerOffset(const QImage& previous, const QImage& next, int scrollbarPx, int stickyPx,
                                  std::optional<FrameRegistration::Expected> expected = std::nullopt,
                                  bool* settled = nullptr, int* alikeSpacing = nullptr,
                                  std::pair<int, int>* tied = nullptr);

// The image averaged down to side x side gray bytes (0.299 R + 0.587 G + 0.114 B, the
// aspect ratio not kept), row 0 first; nothing for a null image or side below 1.
std::optional<std::vector<quint8>> grayThumbnail(const QImage& image, int side);

// Draws the slices top to bottom into one image of the first slice's width (other
// widths are scaled to it), each without the rows its bottomCut leaves to the next. The first slice is drawn whole, whatever maxHeight; later
// slices stop at maxHeight, the last one cut at its bottom so that the image stays
// continuous. Slices moved in are released as soon as they are drawn. Nothing when
// there are no slices or the image cannot be allocated.
std::optional<StitchResult> compose(std::vector<KeptSlice> frames, int maxHeight);

} // namespace ScrollStitcher
