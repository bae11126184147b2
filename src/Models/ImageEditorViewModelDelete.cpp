// Removing annotations and forgetting which annotations the current styles act on.
#include "Models/ImageEditorViewModel.h"

void ImageEditorViewModel::deleteSelectedAnnotation()
{
    const std::optional<QUuid> id = m_annotationManager->selectedAnnotationId();
    if (!id)
        return;
    saveUndoState();
    m_annotationManager->deleteAnnotation(*id);
    if (m_editingArrowId && *m_editingArrowId == *id)
        setEditingArrowId(std::nullopt);
    if (m_editingRectId && *m_editingRectId == *id)
        setEditingRectId(std::nullopt);
    if (m_editingLineId && *m_editingLineId == *id)
        setEditingLineId(std::nullopt);
    if (m_editingFreehandId && *m_editingFreehandId == *id)
        setEditingFreehandId(std::nullopt);
    if (m_editingNumberId && *m_editingNumberId == *id)
        setEditingNumberId(std::nullopt);
    if (m_editingTextStyleId && *m_editingTextStyleId == *id)
        setEditingTextStyleId(std::nullopt);
}

void ImageEditorViewModel::performOnEditedAnnotation(const std::function<void(AnnotationManager&)>& operation)
{
    operation(*m_annotationManager);
    setEditingArrowId(std::nullopt);
    setEditingRectId(std::nullopt);
    setEditingLineId(std::nullopt);
    setEditingFreehandId(std::nullopt);
    setEditingNumberId(std::nullopt);
    setEditingTextStyleId(std::nullopt);
}

void ImageEditorViewModel::clearAnnotations()
{
    performOnEditedAnnotation([](AnnotationManager& store) { store.clearAll(); });
}

void ImageEditorViewModel::deselectAll()
{
    performOnEditedAnnotation([](AnnotationManager& store) { store.deselectAll(); });
}
