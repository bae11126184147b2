#pragma once

#include "Models/AnnotationGeometry.h"
#include "Models/Annotations.h"
#include "Models/TextLayout.h"

#include <QFont>
#include <QRectF>

// How text annotations are styled, measured and boxed. The canvas, the in-place
// editor, the exporter and the store's hit test all size text boxes through these,
// so a box is the same size everywhere.

// What a text annotation is laid out and drawn with at a font size in pixels: the
// resolved font (see TextLayout::resolveFont), its colour and the fixed line height.
// Text is left-aligned and word-wrapped with no extra line or paragraph spacing.
struct TextAttributes {
    QFont font;
    RgbaColor color;
    double lineHeight = 0.0;
};

TextAttributes textAttributes(const TextAnnotation& annotation, double fontSize);

// The layout of an annotation's text at a font size and box width; draw it to
// show exactly what measureTextHeight measured. A free-width text whose box holds
// its lines at the image's own scale (font size annotation.fontSize, box width
// scaled alike) is not wrapped at any scale; every other text wraps at the box.
TextLayout layoutText(const TextAnnotation& annotation, double fontSize, double boxWidth);

// The laid-out height of the text, unrounded. Memoised in a process-wide cache of
// the 64 most recent (text, font name, font size, box width) combinations; sizes
// and widths that differ as doubles are different entries. A font size that is
// not a positive finite number measures 0 (nothing can be drawn at it); a box
// width that is not positive and finite does not wrap. Safe from any thread.
double measureTextHeight(const TextAnnotation& annotation, double fontSize, double boxWidth);
double measureTextHeight(const QString& text, const QString& fontName, double fontSize, double boxWidth);

// The annotation's box in a W x H drawing space: (width x W + 2) wide, measured
// height + 4 tall, centred on position x (W, H). The font is scaled by
// W / referenceWidth (the original image's pixel width), or 1 when that is not
// positive.
QRectF textBoxRect(const TextAnnotation& annotation, double width, double height, double referenceWidth);

// The normalised centre at which the annotation's box (as textBoxRect gives it) lies
// on the W x H image, moved there by shiftOnto. Without a usable W x H the position
// stays as it is.
QPointF textPositionInside(const TextAnnotation& annotation, double width, double height, double referenceWidth);

// The number of entries the measurement cache holds now (for tests and benchmarks).
int textHeightCacheCount();
void clearTextHeightCache();
