// The current style of every tool. Assigning one carries the value into the
// annotation of its kind that is selected (else the one the styles were last loaded
// from), as one undo step; the five line and text colours act as one; and the whole
// set is saved while "rememberToolStyles" is on.
#include "Models/ImageEditorViewModel.h"

#include "Core/Settings.h"

#include <cmath>

// Identifies a style property for grouping one continuous change into one undo step.
enum class ImageEditorViewModel::StyleField {
    arrowColor,
    arrowLineWidth,
    arrowHeadStyle,
    shapeType,
    strokeColor,
    fillColor,
    rectLineWidth,
    rectEffect,
    numberColor,
    numberDiameter,
    numberShape,
    mosaicIntensity,
    spotlightDim,
    highlighterAlpha,
    freehandColor,
    freehandLineWidth,
    freehandLineCap,
    lineColor,
    lineLineWidth,
    lineStyle,
    textColor,
    fontSize,
    fontName,
};

namespace {

// Changes of one style on one annotation that follow each other this closely are one
// gesture (a slider drag, a colour well) and make one undo step.
constexpr auto kStyleGestureGap = std::chrono::milliseconds(1000);

// NaN on either side counts as different.
bool differs(double a, double b) { return !(a == b); }
bool beyond(double a, double b, double threshold) { return std::isnan(a) || std::isnan(b) || std::fabs(a - b) > threshold; }

template <typename List>
std::optional<QUuid> firstSelected(const List& list)
{
    for (const auto& element : list)
        if (element.isSelected)
            return element.id;
    return std::nullopt;
}

} // namespace

std::optional<QUuid> ImageEditorViewModel::styleTarget(StyleKind kind) const
{
    const AnnotationManager& store = *m_annotationManager;
    switch (kind) {
    case StyleKind::arrow:
        if (auto id = firstSelected(store.arrows()))
            return id;
        return m_editingArrowId;
    case StyleKind::rectangle:
        if (auto id = firstSelected(store.rectangles()))
            return id;
        return m_editingRectId;
    case StyleKind::number:
        if (auto id = firstSelected(store.numbers()))
            return id;
        return m_editingNumberId;
    case StyleKind::freehand:
        if (auto id = firstSelected(store.freehands()))
            return id;
        return m_editingFreehandId;
    case StyleKind::line:
        if (auto id = firstSelected(store.lines()))
            return id;
        return m_editingLineId;
    case StyleKind::text:
        if (auto id = firstSelected(store.texts()))
            return id;
        return m_editingTextStyleId ? m_editingTextStyleId : m_editingTextId;
    }
    return std::nullopt;
}

namespace {

template <typename List>
auto copyOf(const List& list, const std::optional<QUuid>& id) -> std::optional<typename List::value_type>
{
    if (!id)
        return std::nullopt;
    if (const auto* found = findAnnotation(list, *id))
        return *found;
    return std::nullopt;
}

} // namespace

std::optional<ArrowAnnotation> ImageEditorViewModel::styledArrow() const
{
    return copyOf(m_annotationManager->arrows(), styleTarget(StyleKind::arrow));
}

std::optional<RectangleAnnotation> ImageEditorViewModel::styledRectangle() const
{
    return copyOf(m_annotationManager->rectangles(), styleTarget(StyleKind::rectangle));
}

std::optional<NumberAnnotation> ImageEditorViewModel::styledNumber() const
{
    return copyOf(m_annotationManager->numbers(), styleTarget(StyleKind::number));
}

std::optional<FreehandAnnotation> ImageEditorViewModel::styledFreehand() const
{
    return copyOf(m_annotationManager->freehands(), styleTarget(StyleKind::freehand));
}

std::optional<LineAnnotation> ImageEditorViewModel::styledLine() const
{
    return copyOf(m_annotationManager->lines(), styleTarget(StyleKind::line));
}

void ImageEditorViewModel::pushStyle(StyleField field, StyleKind kind, const std::function<bool(const QUuid&)>& changes,
    const std::function<void(const QUuid&)>& write)
{
    const std::optional<QUuid> target = styleTarget(kind);
    if (!target)
        return;
    const Clock::time_point t = now();
    const bool sameGesture = m_styleUndoGroup && m_styleUndoGroup->field == int(field)
        && m_styleUndoGroup->target == *target && t - m_styleUndoGroup->lastChange < kStyleGestureGap;
    if (changes(*target)) {
        if (!sameGesture) {
            saveUndoState();
            m_styleUndoGroup = StyleUndoGroup { int(field), *target, t, 0 };
        }
    }
    if (sameGesture)
        m_styleUndoGroup->lastChange = t;
    write(*target);
}

void ImageEditorViewModel::persistIfRemembering()
{
    if (Settings::rememberToolStyles.read() && !m_isRestoringToolStyles)
        persistToolStyles();
}

void ImageEditorViewModel::syncToolColor(RgbaColor color, ToolColorSource source)
{
    m_isSyncingToolColors = true;
    if (source != ToolColorSource::arrow && !(m_currentArrowColor == color))
        setCurrentArrowColor(color);
    if (source != ToolColorSource::stroke && !(m_currentStrokeColor == color))
        setCurrentStrokeColor(color);
    if (source != ToolColorSource::line && !(m_currentLineColor == color))
        setCurrentLineColor(color);
    if (source != ToolColorSource::freehand && !(m_currentFreehandColor == color))
        setCurrentFreehandColor(color);
    if (source != ToolColorSource::text && !(m_currentTextColor == color))
        setCurrentTextColor(color);
    m_isSyncingToolColors = false;
}

// ---- arrows -------------------------------------------------------------------------

void ImageEditorViewModel::setCurrentArrowColor(RgbaColor v)
{
    publishStyle(m_currentArrowColor, v);
    if (m_isSyncingToolColors)
        return;
    pushStyle(StyleField::arrowColor, StyleKind::arrow,
        [&](const QUuid& id) { auto* a = findAnnotation(m_annotationManager->arrows(), id); return a && !(a->color == v); },
        [&](const QUuid& id) { m_annotationManager->updateArrow(id, {}, {}, v); });
    // Restored and reset colours keep their own values; only a user's pick is shared.
    if (!m_isRestoringToolStyles)
        syncToolColor(v, ToolColorSource::arrow);
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentArrowLineWidth(double v)
{
    publishStyle(m_currentArrowLineWidth, v);
    pushStyle(StyleField::arrowLineWidth, StyleKind::arrow,
        [&](const QUuid& id) { auto* a = findAnnotation(m_annotationManager->arrows(), id); return a && differs(a->lineWidth, v); },
        [&](const QUuid& id) { m_annotationManager->updateArrow(id, {}, {}, {}, v); });
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentArrowHeadStyle(ArrowHeadStyle v)
{
    publishStyle(m_currentArrowHeadStyle, v);
    pushStyle(StyleField::arrowHeadStyle, StyleKind::arrow,
        [&](const QUuid& id) { auto* a = findAnnotation(m_annotationManager->arrows(), id); return a && a->headStyle != v; },
        [&](const QUuid& id) { m_annotationManager->updateArrow(id, {}, {}, {}, {}, v); });
    persistIfRemembering();
}

// ---- rectangles, mosaic and spotlight areas ---------------------------------------------

void ImageEditorViewModel::setCurrentShapeType(ShapeType v)
{
    publishStyle(m_currentShapeType, v);
    pushStyle(StyleField::shapeType, StyleKind::rectangle,
        [&](const QUuid& id) { auto* r = findAnnotation(m_annotationManager->rectangles(), id); return r && r->shapeType != v; },
        [&](const QUuid& id) { m_annotationManager->updateRectangle(id, {}, v); });
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentStrokeColor(RgbaColor v)
{
    publishStyle(m_currentStrokeColor, v);
    if (m_isSyncingToolColors)
        return;
    pushStyle(StyleField::strokeColor, StyleKind::rectangle,
        [&](const QUuid& id) { auto* r = findAnnotation(m_annotationManager->rectangles(), id); return r && !(r->strokeColor == v); },
        [&](const QUuid& id) { m_annotationManager->updateRectangle(id, {}, {}, v); });
    if (!m_isRestoringToolStyles)
        syncToolColor(v, ToolColorSource::stroke);
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentFillColor(std::optional<RgbaColor> v)
{
    publishStyle(m_currentFillColor, v);
    pushStyle(StyleField::fillColor, StyleKind::rectangle,
        [&](const QUuid& id) {
            auto* r = findAnnotation(m_annotationManager->rectangles(), id);
            if (!r)
                return false;
            if (r->fillColor.has_value() != v.has_value())
                return true;
            return v.has_value() && !(*r->fillColor == *v);
        },
        [&](const QUuid& id) { m_annotationManager->setRectangleFill(id, v); });
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentRectLineWidth(double v)
{
    publishStyle(m_currentRectLineWidth, v);
    pushStyle(StyleField::rectLineWidth, StyleKind::rectangle,
        [&](const QUuid& id) { auto* r = findAnnotation(m_annotationManager->rectangles(), id); return r && differs(r->lineWidth, v); },
        [&](const QUuid& id) { m_annotationManager->updateRectangle(id, {}, {}, {}, {}, v); });
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentRectEffect(AnnotationEffect v)
{
    publishStyle(m_currentRectEffect, v);
    pushStyle(StyleField::rectEffect, StyleKind::rectangle,
        [&](const QUuid& id) { auto* r = findAnnotation(m_annotationManager->rectangles(), id); return r && r->effect != v; },
        [&](const QUuid& id) { m_annotationManager->updateRectangle(id, {}, {}, {}, {}, {}, v); });
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentMosaicIntensity(double v)
{
    publishStyle(m_currentMosaicIntensity, v);
    pushStyle(StyleField::mosaicIntensity, StyleKind::rectangle,
        [&](const QUuid& id) {
            auto* r = findAnnotation(m_annotationManager->rectangles(), id);
            return r && r->effect == AnnotationEffect::mosaic && beyond(r->mosaicIntensity, v, 0.01);
        },
        [&](const QUuid& id) { m_annotationManager->updateRectangle(id, {}, {}, {}, {}, {}, {}, v); });
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentSpotlightDim(double v)
{
    publishStyle(m_currentSpotlightDim, v);
    pushStyle(StyleField::spotlightDim, StyleKind::rectangle,
        [&](const QUuid& id) {
            auto* r = findAnnotation(m_annotationManager->rectangles(), id);
            return r && r->effect == AnnotationEffect::spotlight && beyond(r->spotlightDim, v, 0.001);
        },
        [&](const QUuid& id) { m_annotationManager->updateRectangle(id, {}, {}, {}, {}, {}, {}, {}, v); });
    persistIfRemembering();
}

// ---- number markers -----------------------------------------------------------------------

void ImageEditorViewModel::setCurrentNumberColor(RgbaColor v)
{
    publishStyle(m_currentNumberColor, v);
    pushStyle(StyleField::numberColor, StyleKind::number,
        [&](const QUuid& id) { auto* n = findAnnotation(m_annotationManager->numbers(), id); return n && !(n->color == v); },
        [&](const QUuid& id) { m_annotationManager->updateNumber(id, {}, {}, v); });
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentNumberDiameter(double v)
{
    publishStyle(m_currentNumberDiameter, v);
    pushStyle(StyleField::numberDiameter, StyleKind::number,
        [&](const QUuid& id) { auto* n = findAnnotation(m_annotationManager->numbers(), id); return n && beyond(n->diameter, v, 0.01); },
        [&](const QUuid& id) { m_annotationManager->updateNumber(id, {}, {}, {}, v); });
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentNumberShape(NumberShape v)
{
    publishStyle(m_currentNumberShape, v);
    pushStyle(StyleField::numberShape, StyleKind::number,
        [&](const QUuid& id) { auto* n = findAnnotation(m_annotationManager->numbers(), id); return n && n->shape != v; },
        [&](const QUuid& id) { m_annotationManager->updateNumber(id, {}, {}, {}, {}, v); });
    persistIfRemembering();
}

// ---- backdrop ---------------------------------------------------------------------------------

void ImageEditorViewModel::setCurrentBackdropPreset(BackdropPreset v)
{
    publishStyle(m_currentBackdropPreset, v);
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentBackdropPadding(double v)
{
    publishStyle(m_currentBackdropPadding, v);
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentBackdropCornerRadius(double v)
{
    publishStyle(m_currentBackdropCornerRadius, v);
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentBackdropShadowEnabled(bool v)
{
    publishStyle(m_currentBackdropShadowEnabled, v);
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentBackdropShadowIntensity(double v)
{
    publishStyle(m_currentBackdropShadowIntensity, v);
    persistIfRemembering();
}

// ---- freehand and highlighter strokes -----------------------------------------------------

void ImageEditorViewModel::setCurrentHighlighterAlpha(double v)
{
    publishStyle(m_currentHighlighterAlpha, v);
    pushStyle(StyleField::highlighterAlpha, StyleKind::freehand,
        [&](const QUuid& id) {
            auto* f = findAnnotation(m_annotationManager->freehands(), id);
            return f && f->isHighlighter && beyond(f->highlighterAlpha, v, 0.001);
        },
        [&](const QUuid& id) { m_annotationManager->updateFreehand(id, {}, {}, {}, {}, {}, v); });
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentFreehandColor(RgbaColor v)
{
    publishStyle(m_currentFreehandColor, v);
    if (m_isSyncingToolColors)
        return;
    pushStyle(StyleField::freehandColor, StyleKind::freehand,
        [&](const QUuid& id) { auto* f = findAnnotation(m_annotationManager->freehands(), id); return f && !(f->color == v); },
        [&](const QUuid& id) { m_annotationManager->updateFreehand(id, {}, v); });
    if (!m_isRestoringToolStyles)
        syncToolColor(v, ToolColorSource::freehand);
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentFreehandLineWidth(double v)
{
    publishStyle(m_currentFreehandLineWidth, v);
    pushStyle(StyleField::freehandLineWidth, StyleKind::freehand,
        [&](const QUuid& id) { auto* f = findAnnotation(m_annotationManager->freehands(), id); return f && differs(f->lineWidth, v); },
        [&](const QUuid& id) { m_annotationManager->updateFreehand(id, {}, {}, v); });
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentFreehandLineCap(LineCapStyle v)
{
    publishStyle(m_currentFreehandLineCap, v);
    pushStyle(StyleField::freehandLineCap, StyleKind::freehand,
        [&](const QUuid& id) { auto* f = findAnnotation(m_annotationManager->freehands(), id); return f && f->capStyle != v; },
        [&](const QUuid& id) { m_annotationManager->updateFreehand(id, {}, {}, {}, v); });
    persistIfRemembering();
}

// ---- lines ----------------------------------------------------------------------------------------

void ImageEditorViewModel::setCurrentLineColor(RgbaColor v)
{
    publishStyle(m_currentLineColor, v);
    if (m_isSyncingToolColors)
        return;
    pushStyle(StyleField::lineColor, StyleKind::line,
        [&](const QUuid& id) { auto* l = findAnnotation(m_annotationManager->lines(), id); return l && !(l->color == v); },
        [&](const QUuid& id) { m_annotationManager->updateLine(id, {}, {}, {}, {}, v); });
    if (!m_isRestoringToolStyles)
        syncToolColor(v, ToolColorSource::line);
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentLineLineWidth(double v)
{
    publishStyle(m_currentLineLineWidth, v);
    pushStyle(StyleField::lineLineWidth, StyleKind::line,
        [&](const QUuid& id) { auto* l = findAnnotation(m_annotationManager->lines(), id); return l && differs(l->lineWidth, v); },
        [&](const QUuid& id) { m_annotationManager->updateLine(id, {}, {}, {}, v); });
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentLineStyle(LineStyle v)
{
    publishStyle(m_currentLineStyle, v);
    pushStyle(StyleField::lineStyle, StyleKind::line,
        [&](const QUuid& id) { auto* l = findAnnotation(m_annotationManager->lines(), id); return l && l->lineStyle != v; },
        [&](const QUuid& id) { m_annotationManager->updateLine(id, {}, {}, v); });
    persistIfRemembering();
}

// ---- texts ------------------------------------------------------------------------------------------

void ImageEditorViewModel::setCurrentTextColor(RgbaColor v)
{
    publishStyle(m_currentTextColor, v);
    if (m_isSyncingToolColors || m_isLoadingSelectedStyles)
        return;
    pushStyle(StyleField::textColor, StyleKind::text,
        [&](const QUuid& id) { auto* t = findAnnotation(m_annotationManager->texts(), id); return t && !(t->color == v); },
        [&](const QUuid& id) { m_annotationManager->updateText(id, {}, {}, {}, {}, v); });
    if (!m_isRestoringToolStyles)
        syncToolColor(v, ToolColorSource::text);
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentFontSize(double v)
{
    publishStyle(m_currentFontSize, v);
    if (m_isLoadingSelectedStyles)
        return;
    // The same unit as the annotation stores: no conversion either way.
    pushStyle(StyleField::fontSize, StyleKind::text,
        [&](const QUuid& id) { auto* t = findAnnotation(m_annotationManager->texts(), id); return t && beyond(t->fontSize, v, 0.01); },
        [&](const QUuid& id) { m_annotationManager->updateText(id, {}, {}, v); });
    persistIfRemembering();
}

void ImageEditorViewModel::setCurrentFontName(QString v)
{
    publishStyle(m_currentFontName, v);
    if (m_isLoadingSelectedStyles)
        return;
    pushStyle(StyleField::fontName, StyleKind::text,
        [&](const QUuid& id) { auto* t = findAnnotation(m_annotationManager->texts(), id); return t && t->fontName != v; },
        [&](const QUuid& id) { m_annotationManager->updateText(id, {}, {}, {}, v); });
    persistIfRemembering();
}
