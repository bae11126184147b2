#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QStringList>

class QPainter;
class QRectF;

// The symbols of the toolbar and its panels: our own SVG drawings, one per symbol
// name (":/icons/<name>.svg"), drawn in black and tinted with the wanted colour when
// they are painted, so they read in a light and a dark appearance alike.
namespace ToolbarIcons {

// Every symbol the toolbar, the crop bar and the panels show.
const QStringList& symbolNames();

// Where the SVG of `name` is read from.
QString filePath(const QString& name);

// Reads the symbols from a folder instead of the application's resources (the test
// programs, which carry no resources). An empty folder restores the resources.
void setIconDirectory(const QString& directory);

// The symbol rendered at `points` x `points` for a device pixel ratio, in `color`.
// Cached per name, colour, size and ratio. A transparent pixmap of that size when the
// symbol cannot be read (logged once per name).
QPixmap pixmap(const QString& name, const QColor& color, qreal points, qreal devicePixelRatio);

// Paints the symbol centred in `frame` at `points` size.
void paint(QPainter& painter, const QRectF& frame, const QString& name, const QColor& color, qreal points);

} // namespace ToolbarIcons
