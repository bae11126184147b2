#pragma once

#include <QPointF>
#include <QSizeF>
#include <QTransform>

// Where the displayed image sits in the canvas viewport: turned by the rotation about
// its centre and shifted by the pan offset. "Image points" here are the display
// coordinates of the unrotated image, (0, 0) at its top left up to the displayed size;
// "viewport points" are the fit area's own coordinates, which never rotate.
//
// A rotation other than exactly 90, 180 or 270 degrees is treated as 0 throughout,
// for points and for translations alike.
struct HandleFrameTransform {
    qreal rotationDegrees = 0.0;
    QSizeF scaledSize;     // displayed size of the unrotated image
    QSizeF rotatedBounds;  // displayed size after the rotation (swapped on a quarter turn)
    QSizeF dragOffset;     // pan offset of the image centre in the viewport
    QSizeF viewportSize;   // the fit area the image is centred in

    // The image's centre in viewport points.
    QPointF centre() const;

    // Image point -> viewport point (where a handle's hit area goes).
    QPointF viewportPoint(QPointF imagePoint) const;

    // Viewport point -> image point (where a pointer lands on the image). Not clamped.
    QPointF imagePoint(QPointF viewportPoint) const;

    // A drag translation seen on screen, turned into the unrotated image's frame.
    QPointF imageTranslation(QPointF viewportTranslation) const;

    // The painter transform that draws in image points onto the viewport, for the
    // overlay and the image alike: translate to the centre, rotate, translate back.
    QTransform painterTransform() const;
};

namespace CanvasGeometry {

// True on a quarter turn (90 or 270 degrees, also -90 and the like).
bool isQuarterTurn(qreal rotationDegrees);

// The on-screen size of a displayed image of `scaledSize` under the rotation.
QSizeF rotatedBounds(QSizeF scaledSize, qreal rotationDegrees);

// True when the rotated image is wider or higher than the fit area.
bool overflows(QSizeF rotatedBounds, QSizeF fitArea);

// Per axis, how far the image centre may be panned: max(0, (rotated - area) / 2).
QSizeF panLimit(QSizeF rotatedBounds, QSizeF fitArea);

// The offset clamped per axis to +-limit.
QSizeF clampPan(QSizeF offset, QSizeF limit);

// The transform of one canvas rendering: `imageSize` in points at `zoom`, turned by
// `rotationDegrees`, centred in `fitArea` and shifted by `dragOffset` only when the
// rotated image overflows the area (an image that fits always sits centred).
HandleFrameTransform makeTransform(QSizeF imageSize, qreal zoom, qreal rotationDegrees, QSizeF fitArea,
                                   QSizeF dragOffset);

} // namespace CanvasGeometry
