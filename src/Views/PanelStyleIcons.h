#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSizeF>

class QPainter;

// The small option images of the property panels' segmented pickers.
//
// Four have no stock symbol and are drawn from our own geometry: a dashed line and a
// line with round end dots (line styles), a circle and a teardrop (number markers).
// Each is a template: drawn once in black into a cached 16 x 16 point image and tinted
// with the text colour of the appearance it is shown in, so it reads in light and dark.
//
// The others stand for system symbols (chevron, filled triangle, dot ...); they are
// vector drawings painted directly in the wanted colour.
//
//   paintPanelStyleIcon(painter, frame, PanelStyleIcon::teardrop, palette().color(QPalette::WindowText));
//   paintPanelSymbol(painter, frame, PanelSymbol::chevronRight, textColor);

enum class PanelStyleIcon { dashedLine, dottedEndpoints, circle, teardrop };

enum class PanelSymbol {
    chevronRight,            // open arrow head
    arrowTriangleRightFill,  // filled arrow head
    circleFill,              // dot head, round line end
    rectangleFill,           // flat line end
    triangleFill,            // tapered line end
    lineDiagonal,            // solid line
    rectangle,               // square-cornered shape
    rectangleRoundedTop,     // rounded shape
    circle,                  // circular shape
};

namespace PanelStyleIcons {

// Every drawn icon is this many points square.
inline constexpr QSizeF iconSize{16.0, 16.0};

// Draws the icon in black into a w x h box whose top left is the painter's origin (y
// grows downwards). An inactive painter (no device to draw on) draws nothing.
void draw(QPainter& painter, PanelStyleIcon icon, double width, double height);

// The cached template (black on transparent) at a device pixel ratio; built once per
// icon and ratio, also when first asked for from several threads.
QImage templateImage(PanelStyleIcon icon, qreal devicePixelRatio = 1.0);

// The template tinted with `color` (alpha kept from the template).
QImage tintedImage(PanelStyleIcon icon, const QColor& color, qreal devicePixelRatio = 1.0);

} // namespace PanelStyleIcons

// Paints the icon at its own 16-point size centred on `frame` (the panels give it a
// 14 x 14 frame; like a symbol it is not scaled to fit) in `color`.
void paintPanelStyleIcon(QPainter& painter, const QRectF& frame, PanelStyleIcon icon, const QColor& color);

// Paints a symbol in `color`, fitted into the square centred on `frame` whose side is
// the smaller of its sides.
void paintPanelSymbol(QPainter& painter, const QRectF& frame, PanelSymbol symbol, const QColor& color);
