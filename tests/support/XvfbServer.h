#pragma once

#include <QProcess>

#include <optional>

// Starts `server`, an Xvfb process the caller has set up (program, arguments, output),
// with -displayfd: the server takes a free display number itself and names it once it
// accepts clients, so servers started in parallel never race for a number. The display
// number, or nothing when the server did not come up within timeoutMs.
std::optional<int> startXvfbOnFreeDisplay(QProcess& server, int timeoutMs);
