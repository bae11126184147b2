// The active tool and the selected annotation: choosing a tool, selecting an
// annotation as the one the styles act on, and relating tools to annotation families.
#include "Models/ImageEditorViewModel.h"

#include <algorithm>
#include <cmath>

void ImageEditorViewModel::selectTool(ToolType tool)
{
    // Text still being typed is committed before any other tool takes over, whichever
    // button, key or menu chose it: otherwise the open box would swallow the new tool's
    // drags and the next click or Escape would decide the text's fate. A crop takes it
    // along into the part kept. (Escape drops the box itself before it comes here.)
    finishTextEditing();
    setCurrentTool(tool);
    if (tool != ToolType::crop) {
        setIsCropping(false);
        setCropRect(QRectF());
        m_cropMoveStartRect.reset();
        m_cropCornerDragStart.reset();
        m_cropDraggingCorner.reset();
        m_cropDragMode = CropDragMode::none();
    } else {
        setIsCropping(true);
    }
    setTempArrowStart(std::nullopt);
    setTempArrowEnd(std::nullopt);
    setTempRectStart(std::nullopt);
    setTempRectEnd(std::nullopt);
    setTempFreehandPoints(std::nullopt);
    setTempLineStart(std::nullopt);
    setTempLineEnd(std::nullopt);
    setTempTextBoxRect(std::nullopt);
    setCurrentFreehandIsHighlighter(tool == ToolType::highlighter);
    m_annotationManager->deselectAll();
}

namespace {

// The font size a selected text shows in the panel: its stored size snapped to an
// even number from 12 to 48.
double panelFontSize(double stored)
{
    const double n = std::round(stored * 0.5);
    return std::min(std::max(2.0 * n, 12.0), 48.0);
}

} // namespace

void ImageEditorViewModel::selectAnnotationLoadingStyle(const QUuid& id)
{
    AnnotationManager& store = *m_annotationManager;
    store.selectAnnotation(id);
    setEditingArrowId(findAnnotation(store.arrows(), id) ? std::optional<QUuid>(id) : std::nullopt);
    setEditingRectId(findAnnotation(store.rectangles(), id) ? std::optional<QUuid>(id) : std::nullopt);
    setEditingLineId(findAnnotation(store.lines(), id) ? std::optional<QUuid>(id) : std::nullopt);
    setEditingFreehandId(findAnnotation(store.freehands(), id) ? std::optional<QUuid>(id) : std::nullopt);
    setEditingNumberId(findAnnotation(store.numbers(), id) ? std::optional<QUuid>(id) : std::nullopt);

    const TextAnnotation* text = findAnnotation(store.texts(), id);
    if (!text) {
        setEditingTextStyleId(std::nullopt);
        return;
    }
    const TextAnnotation loaded = *text;
    m_isLoadingSelectedStyles = true;
    setCurrentTextColor(loaded.color);
    setCurrentFontName(loaded.fontName);
    setCurrentFontSize(panelFontSize(loaded.fontSize));
    m_isLoadingSelectedStyles = false;
    setEditingTextStyleId(id);
}

bool ImageEditorViewModel::retargetSelectionToTool(ToolType tool)
{
    const AnnotationManager& store = *m_annotationManager;
    struct Member {
        QUuid id;
        bool isSelected;
    };
    QList<Member> family;
    std::optional<QUuid> editingId;
    auto collect = [&](const auto& list, auto isMember) {
        for (const auto& e : list)
            if (isMember(e))
                family.append({ e.id, e.isSelected });
    };
    auto all = [](const auto&) { return true; };
    switch (tool) {
    case ToolType::none:
    case ToolType::crop:
    case ToolType::pan:
        return false;
    case ToolType::line:
        collect(store.lines(), all);
        editingId = m_editingLineId;
        break;
    case ToolType::arrow:
        collect(store.arrows(), all);
        editingId = m_editingArrowId;
        break;
    case ToolType::rectangle:
    case ToolType::mosaic:
    case ToolType::spotlight: {
        const AnnotationEffect effect = tool == ToolType::rectangle ? AnnotationEffect::none
            : tool == ToolType::mosaic                             ? AnnotationEffect::mosaic
                                                                   : AnnotationEffect::spotlight;
        collect(store.rectangles(), [&](const RectangleAnnotation& r) { return r.effect == effect; });
        editingId = m_editingRectId;
        break;
    }
    case ToolType::text:
        collect(store.texts(), all);
        editingId = m_editingTextStyleId;
        break;
    case ToolType::freehand:
    case ToolType::highlighter: {
        const bool highlighter = tool == ToolType::highlighter;
        collect(store.freehands(), [&](const FreehandAnnotation& f) { return f.isHighlighter == highlighter; });
        editingId = m_editingFreehandId;
        break;
    }
    case ToolType::number:
        collect(store.numbers(), all);
        editingId = m_editingNumberId;
        break;
    }
    if (family.isEmpty())
        return false;

    std::optional<QUuid> target;
    for (const Member& m : family)
        if (m.isSelected) {
            target = m.id;
            break;
        }
    if (!target && editingId)
        for (const Member& m : family)
            if (m.id == *editingId) {
                target = m.id;
                break;
            }
    if (!target)
        target = family.last().id;
    selectAnnotationLoadingStyle(*target);
    return true;
}

std::optional<ToolType> ImageEditorViewModel::selectedAnnotationKind() const
{
    const AnnotationManager& store = *m_annotationManager;
    const std::optional<QUuid> id = store.selectedAnnotationId();
    if (!id)
        return std::nullopt;
    if (findAnnotation(store.arrows(), *id))
        return ToolType::arrow;
    if (findAnnotation(store.lines(), *id))
        return ToolType::line;
    if (findAnnotation(store.texts(), *id))
        return ToolType::text;
    if (findAnnotation(store.numbers(), *id))
        return ToolType::number;
    if (const RectangleAnnotation* r = findAnnotation(store.rectangles(), *id))
        return r->effect == AnnotationEffect::mosaic  ? ToolType::mosaic
            : r->effect == AnnotationEffect::spotlight ? ToolType::spotlight
                                                       : ToolType::rectangle;
    if (const FreehandAnnotation* f = findAnnotation(store.freehands(), *id))
        return f->isHighlighter ? ToolType::highlighter : ToolType::freehand;
    return std::nullopt;
}
