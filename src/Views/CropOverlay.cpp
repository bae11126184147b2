#include "Views/CropOverlay.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

using CropCorner = ImageEditorViewModel::CropCorner;
using CropDragMode = ImageEditorViewModel::CropDragMode;

bool hasArea(const QRectF& r) { return r.width() > 0.0 && r.height() > 0.0; }

QPointF cornerPoint(const QRectF& r, CropCorner corner)
{
    switch (corner) {
    case CropCorner::topLeft:
        return r.topLeft();
    case CropCorner::topRight:
        return QPointF(r.right(), r.top());
    case CropCorner::bottomLeft:
        return QPointF(r.left(), r.bottom());
    case CropCorner::bottomRight:
        return r.bottomRight();
    }
    return r.topLeft();
}

} // namespace

CropOverlay::CropOverlay(ImageEditorViewModel* viewModel, EditorCanvasView* canvas, QObject* parent)
    : QObject(parent)
    , m_viewModel(viewModel)
    , m_canvas(canvas)
{
    if (m_canvas)
        m_canvas->setCropGestures(this);
}

CropOverlay::~CropOverlay()
{
    if (m_canvas)
        m_canvas->setCropGestures(nullptr);
}

std::optional<CropCorner> CropOverlay::cornerNear(const QRectF& rect, QPointF point)
{
    if (!hasArea(rect))
        return std::nullopt;
    for (CropCorner corner : { CropCorner::topLeft, CropCorner::topRight, CropCorner::bottomLeft,
                               CropCorner::bottomRight }) {
        const QPointF c = cornerPoint(rect, corner);
        if (std::hypot(point.x() - c.x(), point.y() - c.y()) <= cornerGrabDistance)
            return corner;
    }
    return std::nullopt;
}

QRectF CropOverlay::drawnRect(QPointF start, QPointF current, QSizeF frame)
{
    auto clampPoint = [&](QPointF p) {
        return QPointF(std::clamp(p.x(), 0.0, std::max(0.0, frame.width())),
                       std::clamp(p.y(), 0.0, std::max(0.0, frame.height())));
    };
    const QPointF a = clampPoint(start);
    const QPointF b = clampPoint(current);
    return QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::fabs(b.x() - a.x()), std::fabs(b.y() - a.y()));
}

bool CropOverlay::isLargeEnough(const QRectF& rect) { return rect.width() > minimumSide && rect.height() > minimumSide; }

void CropOverlay::cropDragChanged(QPointF startLocation, QPointF location, QSizeF frameSize)
{
    if (!std::isfinite(location.x()) || !std::isfinite(location.y()) || !std::isfinite(startLocation.x()) ||
        !std::isfinite(startLocation.y()))
        return;
    if (m_viewModel->cropDragMode().kind == CropDragMode::Kind::none) {
        // Any crop drag closes the crop-size editor of the crop bar.
        m_viewModel->setIsEditingCropSize(false);
        const QRectF current = m_viewModel->cropRect();
        if (const std::optional<CropCorner> corner = cornerNear(current, startLocation)) {
            m_viewModel->setCropDragMode(CropDragMode::cornerDrag(*corner));
            m_viewModel->beginCropCornerDrag(*corner);
        } else if (hasArea(current) && current.contains(startLocation)) {
            m_viewModel->setCropDragMode(CropDragMode::move());
            m_viewModel->beginCropMove();
        } else {
            m_viewModel->setCropDragMode(CropDragMode::draw());
        }
    }
    // Between points already in the image's own frame: right under any rotation.
    const QSizeF translation(location.x() - startLocation.x(), location.y() - startLocation.y());
    const CropDragMode mode = m_viewModel->cropDragMode();
    switch (mode.kind) {
    case CropDragMode::Kind::move:
        m_viewModel->updateCropMove(translation, frameSize);
        break;
    case CropDragMode::Kind::corner:
        m_viewModel->updateCropCornerDrag(translation, frameSize, mode.corner);
        break;
    case CropDragMode::Kind::draw:
        m_viewModel->setCropRect(drawnRect(startLocation, location, frameSize));
        break;
    case CropDragMode::Kind::none:
        break;
    }
}

void CropOverlay::cropDragEnded(QPointF, QPointF, QSizeF)
{
    // Only a freshly drawn rectangle that came out too small is dropped; one that a
    // corner drag shrank to the minimum size stays.
    m_viewModel->endCropDrag();
}

void CropOverlay::cropDoubleClicked(QSizeF frameSize)
{
    if (isLargeEnough(m_viewModel->cropRect()))
        m_viewModel->applyCrop(frameSize);
}

void CropOverlay::paintCropOverlay(QPainter& painter, QSizeF frameSize)
{
    const QRectF crop = m_viewModel->cropRect();
    if (!hasArea(crop))
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);

    QPainterPath dim;
    dim.setFillRule(Qt::OddEvenFill);
    dim.addRect(QRectF(QPointF(0, 0), frameSize));
    dim.addRect(crop);
    painter.fillPath(dim, QColor(0, 0, 0, qRound(255 * dimOpacity)));

    QPen border(Qt::white, borderWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    border.setMiterLimit(10.0);
    painter.setPen(border);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(crop);

    painter.setPen(QPen(QColor(0, 0, 0, qRound(255 * 0.55)), 1.0));
    painter.setBrush(Qt::white);
    for (CropCorner corner : { CropCorner::topLeft, CropCorner::topRight, CropCorner::bottomLeft,
                               CropCorner::bottomRight }) {
        const QPointF c = cornerPoint(crop, corner);
        painter.drawRoundedRect(QRectF(c.x() - handleSize / 2.0, c.y() - handleSize / 2.0, handleSize, handleSize),
                                2.0, 2.0);
    }
    painter.restore();
}
