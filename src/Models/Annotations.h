#pragma once

#include "Models/AnnotationStyles.h"
#include "Platform/RgbaColor.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QUuid>

#include <numbers>
#include <optional>

// The six kinds of annotation a user draws. Plain values: a copy is a snapshot.
//
// Positions, end points, rectangles, freehand points and a text box's width are
// fractions of the image (x of its width, y of its height, origin top left, y down)
// and are NOT confined to 0...1: moving can carry them outside. Callers multiply
// them by the size of the space they draw in. lineWidth and diameter are drawing
// units used as they stand. fontSize is at the image's own pixel scale: it is
// drawn at fontSize x W / (pixel width of the original image).
//
// Each record is created with a fresh random id; two records are equal when
// their ids are equal, whatever their other fields. Every field has a default, so
// designated initialisers may name only the fields they set:
//   ArrowAnnotation{.startPoint = {0.1, 0.1}, .endPoint = {0.5, 0.5}, .color = paletteRed,
//                   .lineWidth = 3, .headStyle = ArrowHeadStyle::filled}

struct ArrowAnnotation {
    QUuid id = QUuid::createUuid();
    QPointF startPoint{};  // the tail
    QPointF endPoint{};    // the tip, where the head is drawn
    RgbaColor color{};
    double lineWidth = 0.0;
    ArrowHeadStyle headStyle = ArrowHeadStyle::open;
    bool isSelected = false;

    friend bool operator==(const ArrowAnnotation& a, const ArrowAnnotation& b) { return a.id == b.id; }
};

// Also the record of mosaic and spotlight regions, which `effect` names.
struct RectangleAnnotation {
    QUuid id = QUuid::createUuid();
    QRectF rect{};  // origin is the top-left corner
    ShapeType shapeType = ShapeType::rectangle;
    RgbaColor strokeColor{};
    std::optional<RgbaColor> fillColor{};  // no value: not filled
    double lineWidth = 0.0;
    double cornerRadius = 0.0;  // fixed when created
    AnnotationEffect effect = AnnotationEffect::none;
    double mosaicIntensity = 0.0;
    double spotlightDim = 0.0;
    bool isSelected = false;

    friend bool operator==(const RectangleAnnotation& a, const RectangleAnnotation& b) { return a.id == b.id; }
};

struct TextAnnotation {
    QUuid id = QUuid::createUuid();
    QString text{};
    QPointF position{};  // the CENTRE of the text box
    double fontSize = 0.0;
    QString fontName{};  // names Linux lacks fall back to the system UI font when drawn
    RgbaColor color{};
    double width = 0.0;  // box width as a fraction of the image width
    bool isFixedWidth = false;
    bool isSelected = false;

    friend bool operator==(const TextAnnotation& a, const TextAnnotation& b) { return a.id == b.id; }
};

// Pen and highlighter strokes.
struct FreehandAnnotation {
    QUuid id = QUuid::createUuid();
    QList<QPointF> points{};  // drawing order
    RgbaColor color{};
    double lineWidth = 0.0;  // a highlighter is drawn at lineWidth x highlighterWidthFactor
    LineCapStyle capStyle = LineCapStyle::round;
    bool isHighlighter = false;  // drawn with multiply blending
    double highlighterAlpha = 1.0;
    bool isSelected = false;

    friend bool operator==(const FreehandAnnotation& a, const FreehandAnnotation& b) { return a.id == b.id; }
};

struct LineAnnotation {
    QUuid id = QUuid::createUuid();
    QPointF startPoint{};
    QPointF endPoint{};
    LineStyle lineStyle = LineStyle::solid;
    double lineWidth = 0.0;
    RgbaColor color{};
    bool isSelected = false;

    friend bool operator==(const LineAnnotation& a, const LineAnnotation& b) { return a.id == b.id; }
};

// A numbered marker; for the teardrop, position is the middle of the whole drop.
struct NumberAnnotation {
    QUuid id = QUuid::createUuid();
    QPointF position{};
    int value = 0;
    RgbaColor color{};
    double diameter = 0.0;
    NumberShape shape = NumberShape::circle;
    bool isSelected = false;

    friend bool operator==(const NumberAnnotation& a, const NumberAnnotation& b) { return a.id == b.id; }
};

// The annotation of `id` in a list of one kind, or null; valid until the list changes.
template <typename List>
auto findAnnotation(const List& list, const QUuid& id) -> const typename List::value_type*
{
    for (const auto& annotation : list)
        if (annotation.id == id)
            return &annotation;
    return nullptr;
}

// The angle between an arrow's shaft and each side of its head (30 degrees).
inline constexpr double arrowHeadHalfAngle = std::numbers::pi / 6.0;
// Highlighter strokes are drawn this many times wider than their lineWidth.
inline constexpr double highlighterWidthFactor = 4.0;
// The initial and reset diameter of new number markers.
inline constexpr double defaultNumberDiameter = 28.0;
