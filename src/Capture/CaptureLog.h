#pragma once

#include <QString>

#include <functional>

// Capture's step-by-step lines, written through the shared logger at the info level
// (a line that reports a failure, one starting with "❌", as an error), so a capture can
// be followed with LUMETRA_LOG=info or --verbose and stays out of the default output.
void captureDiagnostic(const QString& line);

// Sends the lines elsewhere (tests and benchmarks); an empty function restores the logger.
void setCaptureDiagnosticSink(std::function<void(const QString&)> sink);
