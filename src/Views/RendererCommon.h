#pragma once

#include <QColor>
#include <QPainter>
#include <QPen>

// What every annotation renderer shares: the look of a selected annotation and of a
// shape being dragged out, and the interface's standard accent colours.
namespace RendererStyle {

// A selected annotation shows at this opacity, multiplying any opacity of its own.
inline constexpr qreal selectedOpacity = 0.7;
// The shape being dragged out shows at this opacity.
inline constexpr qreal previewOpacity = 0.6;

// The desktop toolkit's standard named colours, as the handles and text frames use them.
inline QColor standardBlue() { return QColor(0, 122, 255); }
inline QColor standardOrange() { return QColor(255, 149, 0); }

inline qreal selectionOpacity(bool isSelected) { return isSelected ? selectedOpacity : 1.0; }

// A dashed outline pen: `on` points drawn, `on` points left out, starting at phase 0.
// Qt measures dashes in pen widths, so the lengths are divided by the width.
inline QPen dashedPen(const QColor& color, qreal width, qreal on)
{
    QPen pen(color, width, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10.0);
    pen.setDashPattern({on / width, on / width});
    pen.setDashOffset(0.0);
    return pen;
}

} // namespace RendererStyle

// Multiplies the painter's opacity for the life of the scope and restores the painter
// state afterwards, so nested opacities combine the way the design layers them.
class ScopedOpacity {
public:
    ScopedOpacity(QPainter& painter, qreal factor) : m_painter(painter)
    {
        m_painter.save();
        m_painter.setOpacity(m_painter.opacity() * factor);
    }
    ~ScopedOpacity() { m_painter.restore(); }
    ScopedOpacity(const ScopedOpacity&) = delete;
    ScopedOpacity& operator=(const ScopedOpacity&) = delete;

private:
    QPainter& m_painter;
};
