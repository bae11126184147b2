// Pointer input over the displayed image: every drag change and release is
// dispatched on the current tool, drawing previews in the temporaries and turning
// them into annotations on release. Positions are display points of the unrotated
// image, origin top left.
#include "Models/ImageEditorViewModel.h"

#include "Base/Logger.h"
#include "Models/AnnotationGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kClickDistance = 5.0;
constexpr double kShapeThreshold = 20.0;
constexpr double kFreehandThreshold = 10.0;
constexpr double kMinimumShapeLength = 10.0;
constexpr double kMinimumFreehandSpacing = 2.0;
constexpr double kTextBoxThreshold = 15.0;
constexpr double kMinimumTextBoxWidth = 40.0;
constexpr double kNewRectangleCornerRadius = 8.0;

double distance(QPointF a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); }

QPointF clamped(QPointF p, QSizeF size)
{
    return QPointF(std::clamp(p.x(), 0.0, std::max(0.0, size.width())), std::clamp(p.y(), 0.0, std::max(0.0, size.height())));
}

bool isPositive(QSizeF size) { return size.width() > 0.0 && size.height() > 0.0; }

QPointF normalizedOrZero(QPointF p, QSizeF size)
{
    return isPositive(size) ? QPointF(p.x() / size.width(), p.y() / size.height()) : QPointF(0.0, 0.0);
}

} // namespace

// ---- beginning and extending shapes ------------------------------------------------------

void ImageEditorViewModel::beginLine(QPointF point)
{
    setTempLineStart(point);
    setTempLineEnd(point);
    setEditingLineId(std::nullopt);
}

void ImageEditorViewModel::beginArrow(QPointF point)
{
    setTempArrowStart(point);
    setTempArrowEnd(point);
    setEditingArrowId(std::nullopt);
}

void ImageEditorViewModel::beginRectangle(QPointF point)
{
    setTempRectStart(point);
    setTempRectEnd(point);
    setEditingRectId(std::nullopt);
}

void ImageEditorViewModel::beginFreehand(QPointF point)
{
    setTempFreehandPoints(QList<QPointF> { point });
    setEditingFreehandId(std::nullopt);
}

void ImageEditorViewModel::appendFreehandPoint(QPointF point)
{
    if (!m_tempFreehandPoints)
        return;
    if (!m_tempFreehandPoints->isEmpty() && distance(m_tempFreehandPoints->last(), point) < kMinimumFreehandSpacing)
        return;
    QList<QPointF> points = *m_tempFreehandPoints;
    points.append(point);
    setTempFreehandPoints(std::move(points));
}

// ---- finishing shapes ------------------------------------------------------------------------
// A shape too small to keep is dropped without an undo step: only a change that
// happened can be undone.

void ImageEditorViewModel::createLineAnnotation(QSizeF displaySize)
{
    if (!m_tempLineStart || !m_tempLineEnd)
        return;
    if (distance(*m_tempLineStart, *m_tempLineEnd) >= kMinimumShapeLength) {
        LineAnnotation line;
        line.startPoint = normalizedOrZero(*m_tempLineStart, displaySize);
        line.endPoint = normalizedOrZero(*m_tempLineEnd, displaySize);
        line.lineStyle = m_currentLineStyle;
        line.lineWidth = m_currentLineLineWidth;
        line.color = m_currentLineColor;
        saveUndoState();
        m_annotationManager->appendLine(line);
        logMessage(LogLevel::debug, [&] { return QStringLiteral("✅ 创建直线: ") + line.id.toString(QUuid::WithoutBraces); });
    }
    setTempLineStart(std::nullopt);
    setTempLineEnd(std::nullopt);
}

void ImageEditorViewModel::createArrowAnnotation(QSizeF displaySize)
{
    if (!m_tempArrowStart || !m_tempArrowEnd)
        return;
    if (distance(*m_tempArrowStart, *m_tempArrowEnd) >= kMinimumShapeLength) {
        ArrowAnnotation arrow;
        arrow.startPoint = normalizedOrZero(*m_tempArrowStart, displaySize);
        arrow.endPoint = normalizedOrZero(*m_tempArrowEnd, displaySize);
        arrow.color = m_currentArrowColor;
        arrow.lineWidth = m_currentArrowLineWidth;
        arrow.headStyle = m_currentArrowHeadStyle;
        saveUndoState();
        m_annotationManager->appendArrow(arrow);
        logMessage(LogLevel::debug, [&] { return QStringLiteral("✅ 创建箭头: ") + arrow.id.toString(QUuid::WithoutBraces); });
    }
    setTempArrowStart(std::nullopt);
    setTempArrowEnd(std::nullopt);
}

void ImageEditorViewModel::createRectangleAnnotation(AnnotationEffect effect, QSizeF displaySize, QSizeF imageSize)
{
    if (!m_tempRectStart || !m_tempRectEnd)
        return;
    const QRectF display = QRectF(*m_tempRectStart, *m_tempRectEnd).normalized();
    const bool bigEnough = display.width() >= kMinimumShapeLength && display.height() >= kMinimumShapeLength;
    if (bigEnough && imageSize.width() > 0.0 && imageSize.height() > 0.0 && displaySize.width() > 0.0) {
        // Through the image's pixels, so the rectangle keeps the image's proportions.
        const double k = displaySize.width() / imageSize.width();
        RectangleAnnotation rect;
        rect.rect = QRectF(display.x() / k / imageSize.width(), display.y() / k / imageSize.height(),
            display.width() / k / imageSize.width(), display.height() / k / imageSize.height());
        rect.shapeType = m_currentShapeType;
        rect.strokeColor = m_currentStrokeColor;
        rect.fillColor = m_currentFillColor;
        rect.lineWidth = m_currentRectLineWidth;
        rect.cornerRadius = kNewRectangleCornerRadius;
        rect.effect = effect;
        rect.mosaicIntensity = effect == AnnotationEffect::mosaic ? m_currentMosaicIntensity : 5.0;
        rect.spotlightDim = effect == AnnotationEffect::spotlight ? m_currentSpotlightDim : 0.45;
        saveUndoState();
        m_annotationManager->appendRectangle(rect);
        logMessage(LogLevel::debug, [&] {
            return QStringLiteral("✅ 创建矩形: ") + rect.id.toString(QUuid::WithoutBraces) + QStringLiteral(" (effect=")
                + rawValue(effect) + QStringLiteral(")");
        });
    }
    setTempRectStart(std::nullopt);
    setTempRectEnd(std::nullopt);
}

void ImageEditorViewModel::createFreehandAnnotation(QSizeF displaySize, QSizeF imageSize)
{
    if (!m_tempFreehandPoints || m_tempFreehandPoints->size() < 2) {
        setTempFreehandPoints(std::nullopt);
        return;
    }
    const QList<QPointF> points = *m_tempFreehandPoints;
    double length = 0.0;
    for (qsizetype i = 1; i < points.size(); ++i)
        length += distance(points[i - 1], points[i]);
    if (length >= kMinimumShapeLength && imageSize.width() > 0.0 && imageSize.height() > 0.0) {
        FreehandAnnotation stroke;
        for (const QPointF& p : points)
            stroke.points.append(normalizedOrZero(p, displaySize));
        stroke.color = m_currentFreehandColor;
        stroke.lineWidth = m_currentFreehandLineWidth;
        stroke.capStyle = m_currentFreehandLineCap;
        stroke.isHighlighter = m_currentFreehandIsHighlighter;
        // The stroke keeps the opacity its preview was drawn with.
        stroke.highlighterAlpha = m_currentHighlighterAlpha;
        saveUndoState();
        m_annotationManager->appendFreehand(stroke);
        logMessage(LogLevel::debug, [&] {
            return QStringLiteral("✅ 创建画线: %1, %2, %3")
                .arg(stroke.id.toString(QUuid::WithoutBraces))
                .arg(stroke.points.size())
                .arg(stroke.isHighlighter ? QStringLiteral("true") : QStringLiteral("false"));
        });
    }
    setTempFreehandPoints(std::nullopt);
}

void ImageEditorViewModel::createNumberAnnotation(QPointF normalizedPoint)
{
    int value = 0;
    for (const NumberAnnotation& n : m_annotationManager->numbers())
        value = std::max(value, n.value);
    NumberAnnotation marker;
    marker.position = normalizedPoint;
    marker.value = value + 1;
    marker.color = m_currentNumberColor;
    marker.diameter = m_currentNumberDiameter;
    marker.shape = m_currentNumberShape;
    saveUndoState();
    m_annotationManager->appendNumber(marker);
    logMessage(LogLevel::debug, [&] { return QStringLiteral("✅ 创建序号: %1").arg(marker.value); });
}

// ---- dispatch -------------------------------------------------------------------------------------

void ImageEditorViewModel::handleDragChanged(QPointF startLocation, QPointF location, QSizeF displaySize, QSizeF imageSize)
{
    if (m_isEditingText)
        return;
    const QPointF start = clamped(startLocation, displaySize);
    const QPointF current = clamped(location, displaySize);

    switch (m_currentTool) {
    case ToolType::none:
        if (m_annotationDragLastLocation) {
            moveSelectedAnnotation(location, displaySize);
        } else if (const auto hit = m_annotationManager->hitTestAnnotation(startLocation, displaySize, imageSize)) {
            selectAnnotationLoadingStyle(*hit);
            m_moveNeedsUndo = true;
            setAnnotationDragLastLocation(startLocation);
        }
        return;
    case ToolType::crop:
    case ToolType::pan:
    case ToolType::number:
        return;
    case ToolType::line:
        if (!m_tempLineStart) {
            m_annotationManager->deselectAll();
            beginLine(start);
        }
        setTempLineEnd(current);
        return;
    case ToolType::arrow:
        if (!m_tempArrowStart) {
            m_annotationManager->deselectAll();
            beginArrow(start);
        }
        setTempArrowEnd(current);
        return;
    case ToolType::rectangle:
    case ToolType::mosaic:
    case ToolType::spotlight:
        if (!m_tempRectStart) {
            m_annotationManager->deselectAll();
            beginRectangle(start);
        }
        setTempRectEnd(current);
        return;
    case ToolType::text:
        if (distance(start, current) < kClickDistance)
            return;
        if (!m_tempTextBoxRect)
            m_annotationManager->deselectAll();
        setTempTextBoxRect(QRectF(start, current).normalized());
        return;
    case ToolType::freehand:
        if (!m_tempFreehandPoints) {
            m_annotationManager->deselectAll();
            beginFreehand(start);
        }
        appendFreehandPoint(current);
        return;
    case ToolType::highlighter: {
        if (!m_tempFreehandPoints) {
            m_annotationManager->deselectAll();
            beginFreehand(start);
        }
        if (m_tempFreehandPoints->isEmpty())
            return;
        // A highlighter stroke is one horizontal or vertical segment; a tie is horizontal.
        const QPointF first = m_tempFreehandPoints->first();
        const double dx = std::fabs(current.x() - first.x());
        const double dy = std::fabs(current.y() - first.y());
        const QPointF second = dx >= dy ? QPointF(current.x(), first.y()) : QPointF(first.x(), current.y());
        setTempFreehandPoints(QList<QPointF> { first, second });
        return;
    }
    }
}

void ImageEditorViewModel::handleDragEnded(QPointF startLocation, QPointF location, QSizeF displaySize, QSizeF imageSize)
{
    const bool wasMoving = m_annotationDragLastLocation.has_value();
    setAnnotationDragLastLocation(std::nullopt);
    m_moveNeedsUndo = false;
    const double d = distance(startLocation, location);

    if (m_isEditingText) {
        if (d < kClickDistance && m_tempTextNormalizedPosition) {
            const QPointF centre(m_tempTextNormalizedPosition->x() * displaySize.width(),
                m_tempTextNormalizedPosition->y() * displaySize.height());
            const QRectF box(centre.x() - m_tempTextWidth / 2.0, centre.y() - m_tempTextHeight / 2.0, m_tempTextWidth,
                m_tempTextHeight);
            if (!box.contains(startLocation))
                commitTextEditing(displaySize, imageSize.width());
        }
        return;
    }

    auto clickHandling = [&] {
        if (!handleDoubleClickOnText(startLocation, displaySize, imageSize))
            selectAnnotationAtPoint(startLocation, displaySize, imageSize);
    };

    switch (m_currentTool) {
    case ToolType::none: {
        if (wasMoving)
            return;
        if (d < kClickDistance && isDoubleClick(startLocation)) {
            const auto hit = m_annotationManager->hitTestAnnotation(startLocation, displaySize, imageSize);
            if (hit && findAnnotation(m_annotationManager->texts(), *hit)) {
                editTextAnnotation(*hit, displaySize);
                return;
            }
        }
        if (const auto hit = m_annotationManager->hitTestAnnotation(startLocation, displaySize, imageSize))
            selectAnnotationLoadingStyle(*hit);
        else
            deselectAll();
        if (d < kClickDistance)
            recordTap(startLocation);
        return;
    }
    case ToolType::crop:
    case ToolType::pan:
        return;
    case ToolType::line:
        if (d >= kShapeThreshold) {
            createLineAnnotation(displaySize);
        } else {
            setTempLineStart(std::nullopt);
            setTempLineEnd(std::nullopt);
            if (d < kClickDistance)
                clickHandling();
        }
        return;
    case ToolType::arrow:
        if (d >= kShapeThreshold) {
            createArrowAnnotation(displaySize);
        } else {
            setTempArrowStart(std::nullopt);
            setTempArrowEnd(std::nullopt);
            if (d < kClickDistance)
                clickHandling();
        }
        return;
    case ToolType::rectangle:
        if (d >= kShapeThreshold) {
            createRectangleAnnotation(AnnotationEffect::none, displaySize, imageSize);
        } else {
            setTempRectStart(std::nullopt);
            setTempRectEnd(std::nullopt);
            if (d < kClickDistance) {
                if (!handleDoubleClickOnText(startLocation, displaySize, imageSize)
                    && !selectAnnotationAtPoint(startLocation, displaySize, imageSize))
                    m_annotationManager->deselectAll();
                recordTap(startLocation);
            }
        }
        return;
    case ToolType::mosaic:
    case ToolType::spotlight:
        if (d >= kShapeThreshold) {
            createRectangleAnnotation(m_currentTool == ToolType::mosaic ? AnnotationEffect::mosaic : AnnotationEffect::spotlight,
                displaySize, imageSize);
        } else {
            setTempRectStart(std::nullopt);
            setTempRectEnd(std::nullopt);
            if (d < kClickDistance) {
                if (!selectAnnotationAtPoint(startLocation, displaySize, imageSize))
                    m_annotationManager->deselectAll();
                recordTap(startLocation);
            }
        }
        return;
    case ToolType::freehand:
    case ToolType::highlighter:
        if (d >= kFreehandThreshold) {
            createFreehandAnnotation(displaySize, imageSize);
        } else {
            setTempFreehandPoints(std::nullopt);
            if (d < kClickDistance) {
                selectAnnotationAtPoint(startLocation, displaySize, imageSize);
                recordTap(startLocation);
            }
        }
        return;
    case ToolType::number:
        if (d >= kClickDistance)
            return;
        if (!selectAnnotationAtPoint(startLocation, displaySize, imageSize) && isPositive(displaySize)) {
            // A click beside the image, or on its edge, places the marker on it: the
            // canvas and the export show nothing of it beyond the image.
            const QRectF outline = numberMarkerPath(m_currentNumberShape, startLocation, m_currentNumberDiameter).boundingRect();
            const QPointF centre = startLocation + shiftOnto(outline, displaySize);
            createNumberAnnotation(QPointF(centre.x() / displaySize.width(), centre.y() / displaySize.height()));
        }
        recordTap(startLocation);
        return;
    case ToolType::text: {
        // The box is sized for the font as it shows on screen.
        const double shownFontSize = m_currentFontSize * (imageSize.width() > 0.0 ? displaySize.width() / imageSize.width() : 1.0);
        const double h = std::max(1.5 * shownFontSize, 10.0);
        if (d >= kTextBoxThreshold && m_tempTextBoxRect) {
            m_annotationManager->deselectAll();
            const QRectF dragged = *m_tempTextBoxRect;
            const QRectF box(dragged.topLeft(), QSizeF(std::max(kMinimumTextBoxWidth, dragged.width()), std::max(h, dragged.height())));
            beginTextEditing(startLocation, displaySize, box, h);
            setTempTextBoxRect(std::nullopt);
        } else if (d < kClickDistance) {
            if (handleDoubleClickOnText(startLocation, displaySize, imageSize)) {
                setTempTextBoxRect(std::nullopt);
                return;
            }
            if (selectAnnotationAtPoint(startLocation, displaySize, imageSize)) {
                recordTap(startLocation);
                setTempTextBoxRect(std::nullopt);
                return;
            }
            m_annotationManager->deselectAll();
            beginTextEditing(startLocation, displaySize, std::nullopt, h);
            recordTap(startLocation);
            setTempTextBoxRect(std::nullopt);
        } else {
            setTempTextBoxRect(std::nullopt);
        }
        return;
    }
    }
}
