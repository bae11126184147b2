#pragma once

// What the recording learns of one grabbed frame, shared by its ticks and its end.
#include "Capture/ScrollingCaptureController.h"

struct ScrollingCaptureController::Judged {
    ScrollStitcher::FrameJudgement judgement;
    // The frames changed but share no rows at any offset the registration tries: the
    // content moved further than it can follow.
    bool noOverlap = false;
    // The frame equals the previous tick's (on a second look, the first look's): the
    // page did not move.
    bool pageStill = false;
    // Not still, but only as rows came in place of the plain band the previous tick's
    // frame ended with: the page stood where it was, at the end of what it had loaded.
    bool stoodWhileRowsLoaded = false;
    // Not still, but only as pictures loaded under something that changed by itself over
    // them (ScrollStitcher::sameButForPlaceholdersAndOneBoxOverThem): no move either.
    bool stoodWhilePicturesLoaded = false;
    // The page stood where the last kept frame shows it, and rows came in place of the
    // plain band it ended with from this frame row on; -1 when not.
    int loadedFrom = -1;
    // Unplaced, the frame shows every row the last kept frame does, where it does, but for
    // placeholders that became pictures (or the other way): the page stands where it was kept.
    bool standsAtKept = false;
    // Unplaced, the frame shares with the last kept frame only rows of one plain row,
    // where the clicks sent the page (ScrollPlainOverlap.h).
    bool overPlainRows = false;
};
