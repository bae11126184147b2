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
//                                                   first ? 0 : stepPx, first);
//         detection = j.detection();
//         if (j.append)
//             kept.append(frame, j.cropTop(frame.height()));
//     const auto result = ScrollStitcher::compose(kept.takeSlices(), maxHeight);
//
// Threads: nothing here holds state between calls; every function works on its
// arguments only, so judgeFrame and compose may run on any thread, and should run off
// the interface thread (judging a 1600 x 1200 frame takes about 10 ms on one core,
// composing a 20000-row capture about 0.1 s). The recording keeps `detection` and
// `kept` on its own thread, reads them before a judgement and applies its result
// after it; ScrollKeptFrames::append copies only the frame's new rows. Images are only
// read; copies of QImage share pixels across threads without copying them.

#include "Capture/ScrollKeptFrames.h"

#include <QImage>
#include <QtGlobal>

#include <optional>
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
    bool duplicate = false;    // no new content (rather than rejected)

    DetectionState detection() const
    {
        return {scrollbarPx, scrollbarDone, stickyPx, stickyDone, stickySamples};
    }
    // The offset to keep the frame with: rows at its top already shown.
    int cropTop(int frameHeight) const { return frameHeight - newPx; }
};

struct StitchResult {
    QImage image;           // ARGB32 premultiplied, the first frame's width
    int totalHeight = 0;    // pixels
    int appendedFrames = 0; // slices drawn
    int droppedDuplicates = 0;
};

constexpr int kThumbnailSide = 32;

// Judges `frame` against `previous`, the last kept frame (null for the first frame of
// a recording, which is kept whole). `lenient` is true for the first frame, with
// stepPx 0, and false for every auto-scroll tick, with stepPx the step in pixels the
// recording actually scrolls per tick: offsets must come near a whole number of steps,
// and half a step (at most 40 rows) counts as new content. Order: a 32 x 32 average
// hash dismisses unchanged frames; the scrollbar is detected once; the offset is
// registered; the fixed header is measured until two measurements agree; the offset
// must then be large enough to count as new content, near a whole number of steps,
// and at most 9/10 of the height. Progress goes to the capture diagnostics.
FrameJudgement judgeFrame(const QImage& previous, const QImage& frame, const DetectionState& detection, int stepPx,
                          bool lenient);

// Hamming distance of the two frames' 32 x 32 average hashes; the largest qint64 when
// either frame is null.
qint64 frameDistance(const QImage& a, const QImage& b);

// Rows by which the content moved up from `previous` to `next` (negative: down),
// comparing the region left of the scrollbar and below the fixed header; nothing when
// that region is under 50 pixels in either direction or the offset is not certain
// (see FrameRegistration). Logs the outcome as a capture diagnostic.
std::optional<int> registerOffset(const QImage& previous, const QImage& next, int scrollbarPx, int stickyPx);

// The image averaged down to side x side gray bytes (0.299 R + 0.587 G + 0.114 B, the
// aspect ratio not kept), row 0 first; nothing for a null image or side below 1.
std::optional<std::vector<quint8>> grayThumbnail(const QImage& image, int side);

// Draws the slices top to bottom into one image of the first slice's width (other
// widths are scaled to it). The first slice is drawn whole, whatever maxHeight; later
// slices stop at maxHeight, the last one cut at its bottom so that the image stays
// continuous. Slices moved in are released as soon as they are drawn. Nothing when
// there are no slices or the image cannot be allocated.
std::optional<StitchResult> compose(std::vector<KeptSlice> frames, int maxHeight);

} // namespace ScrollStitcher
