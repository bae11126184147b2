#include "Views/CanvasGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

// The rotation as one of the four exact quarter turns the canvas knows; anything else is 0.
int exactTurn(qreal degrees)
{
    if (degrees == 90.0)
        return 90;
    if (degrees == 180.0)
        return 180;
    if (degrees == 270.0)
        return 270;
    return 0;
}

} // namespace

QPointF HandleFrameTransform::centre() const
{
    return QPointF(viewportSize.width() / 2.0 + dragOffset.width(),
                   viewportSize.height() / 2.0 + dragOffset.height());
}

QPointF HandleFrameTransform::viewportPoint(QPointF p) const
{
    const QPointF c = centre();
    const qreal u = p.x() - scaledSize.width() / 2.0;
    const qreal v = p.y() - scaledSize.height() / 2.0;
    switch (exactTurn(rotationDegrees)) {
    case 90:
        return QPointF(c.x() - v, c.y() + u);
    case 180:
        return QPointF(c.x() - u, c.y() - v);
    case 270:
        return QPointF(c.x() + v, c.y() - u);
    default:
        return QPointF(c.x() + u, c.y() + v);
    }
}

QPointF HandleFrameTransform::imagePoint(QPointF p) const
{
    const QPointF d = p - centre();
    const qreal hw = scaledSize.width() / 2.0;
    const qreal hh = scaledSize.height() / 2.0;
    switch (exactTurn(rotationDegrees)) {
    case 90:
        return QPointF(hw + d.y(), hh - d.x());
    case 180:
        return QPointF(hw - d.x(), hh - d.y());
    case 270:
        return QPointF(hw - d.y(), hh + d.x());
    default:
        return QPointF(hw + d.x(), hh + d.y());
    }
}

QPointF HandleFrameTransform::imageTranslation(QPointF t) const
{
    switch (exactTurn(rotationDegrees)) {
    case 90:
        return QPointF(t.y(), -t.x());
    case 180:
        return QPointF(-t.x(), -t.y());
    case 270:
        return QPointF(-t.y(), t.x());
    default:
        return t;
    }
}

QTransform HandleFrameTransform::painterTransform() const
{
    const QPointF c = centre();
    QTransform t;
    t.translate(c.x(), c.y());
    t.rotate(exactTurn(rotationDegrees));
    t.translate(-scaledSize.width() / 2.0, -scaledSize.height() / 2.0);
    return t;
}

namespace CanvasGeometry {

bool isQuarterTurn(qreal rotationDegrees)
{
    return std::abs(std::fmod(rotationDegrees, 180.0)) == 90.0;
}

QSizeF rotatedBounds(QSizeF scaledSize, qreal rotationDegrees)
{
    return isQuarterTurn(rotationDegrees) ? scaledSize.transposed() : scaledSize;
}

bool overflows(QSizeF rotated, QSizeF fitArea)
{
    return rotated.width() > fitArea.width() || rotated.height() > fitArea.height();
}

QSizeF panLimit(QSizeF rotated, QSizeF fitArea)
{
    return QSizeF(std::max(0.0, (rotated.width() - fitArea.width()) / 2.0),
                  std::max(0.0, (rotated.height() - fitArea.height()) / 2.0));
}

QSizeF clampPan(QSizeF offset, QSizeF limit)
{
    return QSizeF(std::clamp(offset.width(), -limit.width(), limit.width()),
                  std::clamp(offset.height(), -limit.height(), limit.height()));
}

HandleFrameTransform makeTransform(QSizeF imageSize, qreal zoom, qreal rotationDegrees, QSizeF fitArea,
                                   QSizeF dragOffset)
{
    HandleFrameTransform t;
    t.rotationDegrees = rotationDegrees;
    t.scaledSize = QSizeF(imageSize.width() * zoom, imageSize.height() * zoom);
    t.rotatedBounds = rotatedBounds(t.scaledSize, rotationDegrees);
    t.dragOffset = overflows(t.rotatedBounds, fitArea) ? dragOffset : QSizeF(0.0, 0.0);
    t.viewportSize = fitArea;
    return t;
}

} // namespace CanvasGeometry
