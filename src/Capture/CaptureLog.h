#pragma once

#include <QString>

// Capture's diagnostic lines. Unlike the levelled logger they always print, one line
// each on standard error, so a capture can be followed in the program's output.
void captureDiagnostic(const QString& line);
