// Crop mode: typing the rectangle's size, moving it, dragging a corner, and applying
// it. The rectangle lives in display points (image points x zoom, origin top left).
#include "Models/ImageEditorViewModel.h"

#include "Models/CropTransfer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMinCornerDragSize = 10.0;

bool hasArea(const QRectF& r) { return r.width() > 0.0 && r.height() > 0.0; }

bool isLeft(ImageEditorViewModel::CropCorner c)
{
    return c == ImageEditorViewModel::CropCorner::topLeft || c == ImageEditorViewModel::CropCorner::bottomLeft;
}
bool isTop(ImageEditorViewModel::CropCorner c)
{
    return c == ImageEditorViewModel::CropCorner::topLeft || c == ImageEditorViewModel::CropCorner::topRight;
}

// Which of the unturned rectangle's edges the user sees on the left and on the top: on
// a clockwise quarter turn the image's bottom edge faces left, upside down its right
// and bottom edges lead, and on three quarters its right edge faces up. A rotation
// other than a right angle shows the image as unturned.
struct SeenLeadingEdges {
    bool right = false;  // the image's right edge is seen at the left (else its left edge is)
    bool bottom = false; // the image's bottom edge is seen at the top (else its top edge is)
};

SeenLeadingEdges seenLeadingEdges(double rotation)
{
    double turn = std::fmod(rotation, 360.0);
    if (turn < 0.0)
        turn += 360.0;
    if (turn == 90.0)
        return { .right = false, .bottom = true };
    if (turn == 180.0)
        return { .right = true, .bottom = true };
    if (turn == 270.0)
        return { .right = true, .bottom = false };
    return {};
}

// One axis of a typed size: `size` (already no larger than `shown`) keeps the edge
// seen first where it is, and is pushed back inside only as far as needed. Without a
// rectangle a kept far edge is the image's own, so the new one starts at the corner
// the user sees at the top left.
double placedStart(double start, double end, bool hasRect, double size, double shown, bool keepsEnd)
{
    if (!keepsEnd)
        return std::max(0.0, std::min(shown - size, start));
    const double kept = hasRect ? end : shown;
    return std::min(shown, std::max(size, kept)) - size;
}

} // namespace

void ImageEditorViewModel::setCropSize(int width, int height)
{
    if (!m_isCropping || !m_selectedImage)
        return;
    const QSizeF image = m_selectedImage->size();
    if (!(image.width() > 0.0 && image.height() > 0.0 && m_zoomLevel > 0.0) || !std::isfinite(m_zoomLevel))
        return;
    const QSizeF shown(image.width() * m_zoomLevel, image.height() * m_zoomLevel);
    const QSizeF requested(std::max(width, 1) * m_zoomLevel, std::max(height, 1) * m_zoomLevel);
    const QSizeF size(std::min(shown.width(), requested.width()), std::min(shown.height(), requested.height()));
    const QRectF current = m_cropRect.normalized();
    const bool hasRect = hasArea(current);
    const SeenLeadingEdges seen = seenLeadingEdges(m_rotation);
    const double x = placedStart(current.left(), current.right(), hasRect, size.width(), shown.width(), seen.right);
    const double y = placedStart(current.top(), current.bottom(), hasRect, size.height(), shown.height(), seen.bottom);
    setCropRect(QRectF(x, y, size.width(), size.height()));
}

void ImageEditorViewModel::beginCropMove()
{
    if (hasArea(m_cropRect))
        m_cropMoveStartRect = m_cropRect;
}

void ImageEditorViewModel::updateCropMove(QSizeF translation, QSizeF bounds)
{
    if (!m_cropMoveStartRect)
        return;
    const QRectF s = *m_cropMoveStartRect;
    const double x = std::min(std::max(0.0, s.left() + translation.width()), std::max(0.0, bounds.width() - s.width()));
    const double y = std::min(std::max(0.0, s.top() + translation.height()), std::max(0.0, bounds.height() - s.height()));
    setCropRect(QRectF(x, y, s.width(), s.height()));
}

void ImageEditorViewModel::beginCropCornerDrag(CropCorner corner)
{
    if (!hasArea(m_cropRect))
        return;
    m_cropCornerDragStart = m_cropRect;
    m_cropDraggingCorner = corner;
}

void ImageEditorViewModel::updateCropCornerDrag(QSizeF translation, QSizeF bounds, CropCorner corner)
{
    if (!m_cropCornerDragStart)
        return;
    const QRectF s = m_cropCornerDragStart->normalized();
    const double dx = translation.width();
    const double dy = translation.height();
    double fixedX, movingX, fixedY, movingY;
    if (isLeft(corner)) {
        fixedX = s.right();
        movingX = std::min(s.right() - kMinCornerDragSize, std::max(0.0, s.left() + dx));
    } else {
        fixedX = s.left();
        movingX = std::max(s.left() + kMinCornerDragSize, std::min(bounds.width(), s.right() + dx));
    }
    if (isTop(corner)) {
        fixedY = s.bottom();
        movingY = std::min(s.bottom() - kMinCornerDragSize, std::max(0.0, s.top() + dy));
    } else {
        fixedY = s.top();
        movingY = std::max(s.top() + kMinCornerDragSize, std::min(bounds.height(), s.bottom() + dy));
    }
    setCropRect(QRectF(std::min(fixedX, movingX), std::min(fixedY, movingY), std::fabs(fixedX - movingX),
        std::fabs(fixedY - movingY)));
}

void ImageEditorViewModel::endCropDrag()
{
    const bool drew = m_cropDragMode.kind == CropDragMode::Kind::draw;
    m_cropMoveStartRect.reset();
    m_cropCornerDragStart.reset();
    m_cropDraggingCorner.reset();
    m_cropDragMode = CropDragMode::none();
    if (drew && !(m_cropRect.width() > kMinCornerDragSize && m_cropRect.height() > kMinCornerDragSize))
        setCropRect(QRectF());
}

void ImageEditorViewModel::applyCrop(QSizeF displaySize)
{
    if (!m_selectedImage || !hasArea(m_cropRect))
        return;
    const double dw = displaySize.width();
    const double dh = displaySize.height();
    if (!(std::isfinite(dw) && std::isfinite(dh) && dw > 0.0 && dh > 0.0))
        return;
    const QImage& source = m_selectedImage->bitmap();
    if (source.isNull())
        return;

    // Map the rectangle straight into source pixels, keep the part that lies on the
    // image and snap its edges to whole pixels: the copy is exact, never resampled.
    const double sx = source.width() / dw;
    const double sy = source.height() / dh;
    const QRectF r = m_cropRect.normalized();
    const double left = std::clamp(std::round(r.left() * sx), 0.0, double(source.width()));
    const double right = std::clamp(std::round(r.right() * sx), 0.0, double(source.width()));
    const double top = std::clamp(std::round(r.top() * sy), 0.0, double(source.height()));
    const double bottom = std::clamp(std::round(r.bottom() * sy), 0.0, double(source.height()));
    const QRect pixels(int(left), int(top), int(right - left), int(bottom - top));
    if (pixels.width() <= 0 || pixels.height() <= 0)
        return;

    saveUndoState();
    // The annotations go along into the part kept (a mosaic over private text must not
    // vanish with a crop); undo brings back the whole image and them as they were.
    const CropTransfer transfer{QSizeF(source.size()), QRectF(pixels), m_originalImageSize.width()};
    const Image cropped(source.copy(pixels), m_selectedImage->devicePixelRatio());
    setSelectedImage(cropped);
    m_originalImage = cropped;
    setOriginalImageSize(QSizeF(cropped.pixelSize()));
    setScale(1.0);
    setCropRect(QRectF());
    setIsCropping(false);
    transfer.apply(*m_annotationManager);
    cancelTextEditing();
    m_cropMoveStartRect.reset();
    m_cropCornerDragStart.reset();
    m_cropDraggingCorner.reset();
    m_cropDragMode = CropDragMode::none();
}
