#pragma once

// One scrolling capture of a generated page through the real session, recording loop,
// driver and stitcher, on a clock moved by hand (as fast as the machine judges frames,
// and the same on every run), and the check of what it delivered: every row once, in
// order, whole, down to the page's end, or a message that is true.

#include "GeneratedScrollPage.h"

#include <QImage>
#include <QString>
#include <QStringList>

namespace GeneratedScrollPage {

struct Capture {
    int selectionHeight = 0;
    int maxLength = 0;       // the length limit in force
    QImage image;            // the clipboard's image; null when nothing was delivered
    QStringList alerts;      // "title: text" of each message shown
    bool stoppedEarly = false;
    bool tooLow = false;
    bool limitShown = false; // the hint bar said the limit was reached
    bool finished = false;   // the session came back to idle within the time allowed
    int loadedRowsAtEnd = 0; // rows the page showed when the capture ended
    qint64 captureMs = 0;    // the capture's own time, from the selection to delivery
    qint64 wallMs = 0;       // what it took this machine
};

// Captures the lower `selectionHeight` rows of the page's view; maxLength 0 leaves the
// default length limit.
Capture runCapture(const Description& page, int selectionHeight, int maxLength = 0);

struct Verdict {
    // gaveUp: "Stopped Early" with rows left out of a page that was standing still enough
    // to follow (no limit reached, nothing left to load): the message is true, but the
    // capture could have gone on, so it is no more acceptable than a wrong one.
    enum class Kind { exact, told, gaveUp, wrong };
    Kind kind = Kind::wrong;
    QString what;       // for all but exact: what the image holds and what was said
    int rowsCaptured = 0;
};
const char* kindName(Verdict::Kind kind);

Verdict judge(const Description& page, const Capture& capture);

} // namespace GeneratedScrollPage
