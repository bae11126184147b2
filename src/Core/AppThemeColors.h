#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QPalette>

// The shared colours of the editor and its panels. Each is worked out from the palette
// it is drawn with (by default the application's), so it follows the appearance
// without any redraw request of its own.

// Whether a palette is a dark appearance: its window background is darker than its text.
bool isDarkPalette(const QPalette& palette);

// Behind the image in the editor canvas: white 0.1 in a dark appearance, else 0.93.
QColor canvasBackgroundColor(const QPalette& palette = QGuiApplication::palette());
// The desktop's window background (the main editor view, the information bar).
QColor appWindowBackground(const QPalette& palette = QGuiApplication::palette());
// The primary text colour at opacity 0.2 (outlines of the toolbar, tooltips, toasts, panels).
QColor primaryTint20(const QPalette& palette = QGuiApplication::palette());
// The primary text colour at opacity 0.25 (dividers of the toolbar and panels).
QColor primaryTint25(const QPalette& palette = QGuiApplication::palette());

// The names under which the canvas, toolbar and panel code know the same colours.
inline QColor windowBackgroundFill(const QPalette& palette = QGuiApplication::palette()) { return appWindowBackground(palette); }
inline QColor panelBorderColor(const QPalette& palette = QGuiApplication::palette()) { return primaryTint20(palette); }
inline QColor hairlineBorderColor(const QPalette& palette = QGuiApplication::palette()) { return primaryTint20(palette); }
inline QColor separatorColor(const QPalette& palette = QGuiApplication::palette()) { return primaryTint25(palette); }
inline QColor dividerColor(const QPalette& palette = QGuiApplication::palette()) { return primaryTint25(palette); }
