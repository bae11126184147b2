// The canvas's painting: the committed picture in cached layers, composed with the
// shape being dragged out, the handles and the crop frame on every paint.
#include "Views/EditorCanvasView.h"

#include "Core/AppThemeColors.h"
#include "Output/BackdropRenderer.h"
#include "Views/AnnotationOverlay.h"
#include "Views/MosaicImageCache.h"
#include "Views/SelectionHandles.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

AnnotationOverlayPreviews previewsOf(const ImageEditorViewModel& vm)
{
    AnnotationOverlayPreviews p;
    p.tempArrowStart = vm.tempArrowStart();
    p.tempArrowEnd = vm.tempArrowEnd();
    p.tempLineStart = vm.tempLineStart();
    p.tempLineEnd = vm.tempLineEnd();
    p.tempFreehandPoints = vm.tempFreehandPoints();
    p.tempRectStart = vm.tempRectStart();
    p.tempRectEnd = vm.tempRectEnd();
    p.tempTextBoxRect = vm.tempTextBoxRect();
    p.currentArrowColor = vm.currentArrowColor();
    p.currentArrowLineWidth = vm.currentArrowLineWidth();
    p.currentArrowHeadStyle = vm.currentArrowHeadStyle();
    p.currentLineColor = vm.currentLineColor();
    p.currentLineLineWidth = vm.currentLineLineWidth();
    p.currentLineStyle = vm.currentLineStyle();
    p.currentFreehandColor = vm.currentFreehandColor();
    p.currentFreehandLineWidth = vm.currentFreehandLineWidth();
    p.currentFreehandLineCap = vm.currentFreehandLineCap();
    p.currentFreehandIsHighlighter = vm.currentFreehandIsHighlighter();
    p.currentHighlighterAlpha = vm.currentHighlighterAlpha();
    p.currentShapeType = vm.currentShapeType();
    p.currentStrokeColor = vm.currentStrokeColor();
    p.currentFillColor = vm.currentFillColor();
    p.currentRectLineWidth = vm.currentRectLineWidth();
    return p;
}

} // namespace

const QImage& EditorCanvasView::displayBitmap(QSizeF scaled)
{
    const QImage& bitmap = m_viewModel->selectedImage()->bitmap();
    const qreal ratio = devicePixelRatioF();
    const QSize target(std::max(1, qRound(scaled.width() * ratio)), std::max(1, qRound(scaled.height() * ratio)));
    // Enlarged images are drawn straight from the bitmap: only the visible part is
    // sampled, and no enlarged copy is ever held.
    if (target.width() >= bitmap.width() || target.height() >= bitmap.height())
        return bitmap;
    if (m_displayBitmapKey != bitmap.cacheKey() || m_displayBitmapSize != target) {
        m_displayBitmap = bitmap.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_displayBitmapKey = bitmap.cacheKey();
        m_displayBitmapSize = target;
    }
    return m_displayBitmap;
}

namespace {

bool sameTransform(const HandleFrameTransform& a, const HandleFrameTransform& b)
{
    return a.rotationDegrees == b.rotationDegrees && a.scaledSize == b.scaledSize &&
           a.rotatedBounds == b.rotatedBounds && a.dragOffset == b.dragOffset && a.viewportSize == b.viewportSize;
}

QImage transparentLayer(QSize pixels, qreal ratio)
{
    QImage layer(pixels, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    return layer;
}

// The shapes being dragged out that lie below the rectangles, and those above them.
AnnotationOverlayPreviews strokePreviewsOf(const AnnotationOverlayPreviews& all)
{
    AnnotationOverlayPreviews p = all;
    p.tempRectStart.reset();
    p.tempRectEnd.reset();
    p.tempTextBoxRect.reset();
    return p;
}

AnnotationOverlayPreviews areaPreviewsOf(const AnnotationOverlayPreviews& all)
{
    AnnotationOverlayPreviews p = all;
    p.tempArrowStart.reset();
    p.tempArrowEnd.reset();
    p.tempLineStart.reset();
    p.tempLineEnd.reset();
    p.tempFreehandPoints.reset();
    return p;
}

bool hasStrokePreview(const AnnotationOverlayPreviews& p)
{
    return (p.tempArrowStart && p.tempArrowEnd) || (p.tempLineStart && p.tempLineEnd) ||
           (p.tempFreehandPoints && p.tempFreehandPoints->size() >= 2);
}

bool hasAreaPreview(const AnnotationOverlayPreviews& p)
{
    return (p.tempRectStart && p.tempRectEnd) || p.tempTextBoxRect;
}

// The backdrop as the canvas shows it: the layout the export uses for the image's
// pixels (as turned), drawn at the display scale, so the screen shows the saved file
// scaled whatever the zoom and the image's own pixel ratio.
struct BackdropPreview {
    BackdropLayout layout;
    BackdropPreset preset;
    double scale = 1.0; // viewport points per image pixel
    QRectF imageRect;   // the turned image in viewport points
};

std::optional<BackdropPreview> backdropPreviewFor(const std::optional<BackdropParameters>& parameters,
                                                  const Image& image, const HandleFrameTransform& transform)
{
    const QSize pixels = image.pixelSize();
    if (!parameters || pixels.isEmpty() || transform.scaledSize.isEmpty())
        return std::nullopt;
    const QSize turned = CanvasGeometry::isQuarterTurn(transform.rotationDegrees) ? pixels.transposed() : pixels;
    BackdropPreview preview;
    preview.layout = parameters->layout(turned.width(), turned.height());
    preview.preset = parameters->preset;
    preview.scale = transform.scaledSize.width() / pixels.width();
    const QSizeF bounds = transform.rotatedBounds;
    preview.imageRect = QRectF(transform.centre() - QPointF(bounds.width() / 2.0, bounds.height() / 2.0), bounds);
    return preview;
}

// The shown image in image points, its corners rounded as the export rounds them.
void drawShownImage(QPainter& painter, const QImage& shown, QSizeF scaled, double cornerRadius)
{
    if (!(cornerRadius > 0.0)) {
        painter.drawImage(QRectF(QPointF(0.0, 0.0), scaled), shown, QRectF(0.0, 0.0, shown.width(), shown.height()));
        return;
    }
    // A textured brush keeps the rounded corners antialiased; a texture is laid out at
    // its own pixel ratio.
    const double ratio = shown.devicePixelRatio();
    QBrush brush(shown);
    brush.setTransform(QTransform::fromScale(scaled.width() * ratio / shown.width(),
                                             scaled.height() * ratio / shown.height()));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush);
    painter.drawRoundedRect(QRectF(QPointF(0.0, 0.0), scaled), cornerRadius, cornerRadius);
    painter.restore();
}

// The shown image's outline in image points. Annotations show only inside it: the
// export burns them into the image's own pixels, and the backdrop then rounds that
// picture's corners, so nothing of them survives past the edge or a rounded corner.
QPainterPath imageOutline(QSizeF scaled, double cornerRadius)
{
    QPainterPath outline;
    if (cornerRadius > 0.0)
        outline.addRoundedRect(QRectF(QPointF(0.0, 0.0), scaled), cornerRadius, cornerRadius);
    else
        outline.addRect(QRectF(QPointF(0.0, 0.0), scaled));
    return outline;
}

// Erases what a transparent layer holds outside the outline, with the antialiased
// edge the export's rounded corners have (a clip path would cut them jagged).
void eraseOutside(QImage& layer, const QTransform& transform, const QPainterPath& outline)
{
    QPainter painter(&layer);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    QPainterPath outside;
    outside.addRect(QRectF(QPointF(0.0, 0.0), layer.deviceIndependentSize()).adjusted(-1.0, -1.0, 1.0, 1.0));
    outside.addPath(transform.map(outline));
    outside.setFillRule(Qt::OddEvenFill);
    painter.fillPath(outside, Qt::black);
}

} // namespace

void EditorCanvasView::updateLayers(const HandleFrameTransform& transform)
{
    const qreal ratio = devicePixelRatioF();
    const QColor background = canvasBackgroundColor(palette());
    const std::optional<BackdropParameters> backdrop = m_viewModel->backdropSettings();
    if (!sameTransform(transform, m_layers.transform) || m_layers.devicePixelRatio != ratio ||
        m_layers.background != background.rgba())
        invalidateLayers();
    // The backdrop's corner radius changes the outline every layer is cut to.
    if (backdrop != m_layers.backdrop)
        m_belowValid = m_rectanglesValid = m_marksValid = false;
    if (m_belowValid && m_rectanglesValid && m_marksValid)
        return;
    m_layers.transform = transform;
    m_layers.devicePixelRatio = ratio;
    m_layers.background = background.rgba();
    m_layers.backdrop = backdrop;

    const QSize pixels(std::max(1, qRound(width() * ratio)), std::max(1, qRound(height() * ratio)));
    const Image& image = *m_viewModel->selectedImage();
    const QSizeF scaled = transform.scaledSize;
    const AnnotationManager& store = *m_viewModel->annotationManager();

    // Each layer is painted by the overlay from a store holding only its kinds (the
    // lists are shared, not copied).
    AnnotationManager kinds;
    AnnotationOverlay overlay;
    overlay.annotations = &kinds;
    overlay.size = scaled;
    overlay.originalImageSize = m_viewModel->originalImageSize();
    overlay.mosaic = AnnotationRenderers::MosaicSource{ image, &MosaicImageCache::shared() };
    if (m_viewModel->isEditingText())
        overlay.editingTextId = m_viewModel->editingTextId();

    if (!m_belowValid) {
        ++m_layerRebuilds;
        kinds.setFreehands(store.freehands());
        kinds.setLines(store.lines());
        kinds.setArrows(store.arrows());
        m_layers.below = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_layers.below.fill(background);
        const std::optional<BackdropPreview> preview = backdropPreviewFor(backdrop, image, transform);
        if (preview) {
            // The card is worked out in device pixels, like the export in image pixels.
            const QRectF deviceImageRect(preview->imageRect.topLeft() * ratio, preview->imageRect.size() * ratio);
            paintBackdropCard(m_layers.below, deviceImageRect, preview->layout, preview->preset, preview->scale * ratio);
        }
        m_layers.below.setDevicePixelRatio(ratio);
        const double cornerRadius = preview ? preview->layout.cornerRadius * preview->scale : 0.0;
        {
            QPainter painter(&m_layers.below);
            painter.setTransform(transform.painterTransform(), true);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, m_viewModel->zoomLevel() < 1.0 ||
                                                                       std::fmod(m_viewModel->rotation(), 90.0) != 0.0);
            drawShownImage(painter, displayBitmap(scaled), scaled, cornerRadius);
        }
        m_layers.outline = imageOutline(scaled, cornerRadius);
        if (!(cornerRadius > 0.0)) {
            // Strokes are drawn onto the picture itself: a highlighter multiplies with it.
            QPainter painter(&m_layers.below);
            painter.setTransform(transform.painterTransform(), true);
            painter.setClipRect(QRectF(QPointF(0.0, 0.0), scaled));
            overlay.paint(painter);
        } else if (!kinds.freehands().isEmpty() || !kinds.lines().isEmpty() || !kinds.arrows().isEmpty()) {
            // Rounded corners take a copy, cut with antialiased corners and laid back over.
            QImage marked = m_layers.below.copy();
            {
                QPainter painter(&marked);
                painter.setTransform(transform.painterTransform(), true);
                overlay.paint(painter);
            }
            eraseOutside(marked, transform.painterTransform(), m_layers.outline);
            QPainter(&m_layers.below).drawImage(QPointF(0.0, 0.0), marked);
        }
        kinds.clearAll();
        m_belowValid = true;
    }
    if (!m_rectanglesValid) {
        m_layers.rectangles = QImage();
        if (!store.rectangles().isEmpty()) {
            ++m_layerRebuilds;
            kinds.setRectangles(store.rectangles());
            m_layers.rectangles = transparentLayer(pixels, ratio);
            {
                QPainter painter(&m_layers.rectangles);
                painter.setTransform(transform.painterTransform(), true);
                overlay.paint(painter);
            }
            eraseOutside(m_layers.rectangles, transform.painterTransform(), m_layers.outline);
            kinds.clearAll();
        }
        m_rectanglesValid = true;
    }
    if (!m_marksValid) {
        m_layers.marks = QImage();
        if (!store.texts().isEmpty() || !store.numbers().isEmpty()) {
            ++m_layerRebuilds;
            kinds.setTexts(store.texts());
            kinds.setNumbers(store.numbers());
            m_layers.marks = transparentLayer(pixels, ratio);
            {
                QPainter painter(&m_layers.marks);
                painter.setTransform(transform.painterTransform(), true);
                overlay.paint(painter);
            }
            eraseOutside(m_layers.marks, transform.painterTransform(), m_layers.outline);
            kinds.clearAll();
        }
        m_marksValid = true;
    }
}

void EditorCanvasView::paintCanvas(QPainter& painter)
{
    const auto& image = m_viewModel->selectedImage();
    if (!image || image->isNull()) {
        painter.fillRect(rect(), canvasBackgroundColor(palette()));
        return;
    }

    const HandleFrameTransform transform = currentTransform();
    updateLayers(transform);
    const QSizeF scaled = transform.scaledSize;

    const AnnotationOverlayPreviews previews = previewsOf(*m_viewModel);
    AnnotationManager nothing;
    AnnotationOverlay overlay;
    overlay.annotations = &nothing;
    overlay.size = scaled;
    overlay.originalImageSize = m_viewModel->originalImageSize();

    painter.save();
    painter.setClipRect(rect());
    painter.drawImage(QPointF(0.0, 0.0), m_layers.below);
    if (hasStrokePreview(previews)) {
        const AnnotationOverlayPreviews strokes = strokePreviewsOf(previews);
        painter.save();
        painter.setTransform(transform.painterTransform(), true);
        painter.setClipPath(m_layers.outline, Qt::IntersectClip);
        overlay.previews = &strokes;
        overlay.paint(painter);
        painter.restore();
    }
    if (!m_layers.rectangles.isNull())
        painter.drawImage(QPointF(0.0, 0.0), m_layers.rectangles);
    if (hasAreaPreview(previews)) {
        const AnnotationOverlayPreviews areas = areaPreviewsOf(previews);
        painter.save();
        painter.setTransform(transform.painterTransform(), true);
        painter.setClipPath(m_layers.outline, Qt::IntersectClip);
        overlay.previews = &areas;
        overlay.paint(painter);
        painter.restore();
    }
    if (!m_layers.marks.isNull())
        painter.drawImage(QPointF(0.0, 0.0), m_layers.marks);

    painter.setTransform(transform.painterTransform(), true);
    // The handles follow every pointer move of a reshape, so they are drawn afresh.
    std::vector<QPointF> handlePoints;
    std::optional<int> activeIndex;
    const auto handles = m_viewModel->selectionHandles(scaled);
    for (int i = 0; i < handles.size(); ++i) {
        handlePoints.push_back(handles[i].point);
        if (!activeIndex && m_viewModel->activeHandleKind() && handles[i].kind == *m_viewModel->activeHandleKind())
            activeIndex = i;
    }
    const std::vector<QRectF> frames =
        AnnotationOverlay::selectedFreehandFrames(*m_viewModel->annotationManager(), scaled);
    if (!handlePoints.empty() || !frames.empty()) {
        const SelectionHandlesLayer handlesLayer =
            SelectionHandles::prepare(handlePoints, activeIndex, m_viewModel->hoveredHandleIndex(), frames);
        SelectionHandles::paint(painter, handlesLayer);
    }

    if (m_viewModel->isCropping() && m_cropGestures)
        m_cropGestures->paintCropOverlay(painter, scaled);
    painter.restore();
}

void EditorCanvasView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintCanvas(painter);
}
