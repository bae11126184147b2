#pragma once

#include <QString>

#include <functional>

// Capture's diagnostic lines. Unlike the levelled logger's info lines they always
// print, one line each on standard output (beside the logger's own lines), so a
// capture can be followed in the program's output.
void captureDiagnostic(const QString& line);

// Sends the lines elsewhere (tests and benchmarks); an empty function restores stdout.
void setCaptureDiagnosticSink(std::function<void(const QString&)> sink);
