#pragma once

#include <QHashFunctions>

// The editor tool in use. Not stored by name anywhere, so it has no raw values.
// `highlighter` draws FreehandAnnotations with isHighlighter set; `mosaic` and
// `spotlight` draw RectangleAnnotations with that effect.
enum class ToolType { none, crop, pan, line, arrow, rectangle, text, freehand, highlighter, number, mosaic, spotlight };

inline size_t qHash(ToolType tool, size_t seed = 0) { return ::qHash(static_cast<int>(tool), seed); }
