#pragma once

#include <QStringList>

// Capture roads started from the command line, so a capture can be driven before (or
// without) the rest of the application: "--capture-area" starts an area selection,
// "--repeat-last-area" captures the last area again. Both go through the capture
// coordinator's delay like the menu items. Returns true when one was requested; the
// capture starts once the event loop runs.
bool startCaptureFromCommandLine(const QStringList& arguments);
