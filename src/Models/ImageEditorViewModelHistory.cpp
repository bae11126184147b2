// Undo and redo by whole-document snapshots. A snapshot shares the image's pixels
// and copies only the small annotation lists, so its cost does not grow with the
// image; the depth shrinks for very large images to bound what stays alive.
#include "Models/ImageEditorViewModel.h"

namespace {

constexpr int kDefaultUndoDepth = 10;

} // namespace

void ImageEditorViewModel::emptyHistory()
{
    m_styleUndoGroup.reset();
    m_undoStack.clear();
    setCanUndo(false);
    m_redoStack.clear();
    setCanRedo(false);
}

int ImageEditorViewModel::maxUndoSteps() const
{
    if (!m_selectedImage || m_selectedImage->isNull())
        return kDefaultUndoDepth;
    const QSize pixels = m_selectedImage->pixelSize();
    const double p = double(pixels.width()) * double(pixels.height());
    if (p > 60'000'000.0)
        return 2;
    if (p > 30'000'000.0)
        return 3;
    return kDefaultUndoDepth;
}

std::optional<ImageEditorViewModel::EditorState> ImageEditorViewModel::captureState() const
{
    if (!m_selectedImage)
        return std::nullopt;
    EditorState state;
    state.image = *m_selectedImage;
    state.baseImage = m_originalImage ? *m_originalImage : *m_selectedImage;
    state.originalImageSize = m_originalImageSize;
    state.scale = m_scale;
    state.arrows = m_annotationManager->arrows();
    state.rectangles = m_annotationManager->rectangles();
    state.texts = m_annotationManager->texts();
    state.freehands = m_annotationManager->freehands();
    state.lines = m_annotationManager->lines();
    state.numbers = m_annotationManager->numbers();
    return state;
}

ImageEditorViewModel::EditorState ImageEditorViewModel::documentState() const
{
    std::optional<EditorState> state = captureState();
    if (!state) {
        EditorState empty;
        empty.cleared = true;
        return empty;
    }
    state->document = EditorState::Document{m_pristineImage, m_imageURL, m_lastSavedURL, m_rotation, m_zoomLevel};
    return *state;
}

void ImageEditorViewModel::saveUndoState()
{
    if (std::optional<EditorState> state = captureState())
        pushUndoState(std::move(*state));
    else
        m_styleUndoGroup.reset();
}

void ImageEditorViewModel::pushUndoState(EditorState state)
{
    // Any other change ends a style gesture: its next change is a new undo step.
    m_styleUndoGroup.reset();
    m_undoStack.append(std::move(state));
    setCanUndo(true);
    if (!m_redoStack.isEmpty()) {
        m_redoStack.clear();
        setCanRedo(false);
    }
    if (m_undoStack.size() > maxUndoSteps())
        m_undoStack.removeFirst();
}

void ImageEditorViewModel::loadAnnotations(AnnotationManager& store, const EditorState& state)
{
    store.setArrows(state.arrows);
    store.setRectangles(state.rectangles);
    store.setTexts(state.texts);
    store.setFreehands(state.freehands);
    store.setLines(state.lines);
    store.setNumbers(state.numbers);
}

void ImageEditorViewModel::restoreState(const EditorState& state)
{
    if (state.cleared) {
        emptyDocument();
        return;
    }
    setSelectedImage(state.image);
    m_originalImage = state.baseImage;
    setOriginalImageSize(state.originalImageSize);
    setScale(state.scale);
    loadAnnotations(*m_annotationManager, state);
    m_annotationManager->deselectAll();
    if (state.document) {
        m_pristineImage = state.document->pristineImage;
        setImageURL(state.document->imageURL);
        m_lastSavedURL = state.document->lastSavedURL;
        setRotation(state.document->rotation);
        setZoomLevel(state.document->zoomLevel);
    }
}

void ImageEditorViewModel::undo()
{
    if (m_undoStack.isEmpty())
        return;
    m_styleUndoGroup.reset();
    const bool acrossClear = m_undoStack.last().document.has_value();
    if (acrossClear)
        m_redoStack.append(documentState());
    else if (std::optional<EditorState> current = captureState())
        m_redoStack.append(std::move(*current));
    const EditorState previous = m_undoStack.takeLast();
    restoreState(previous);
    setCanUndo(!m_undoStack.isEmpty());
    setCanRedo(!m_redoStack.isEmpty());
    emit historyChanged();
    emit changed();
}

void ImageEditorViewModel::redo()
{
    if (m_redoStack.isEmpty())
        return;
    m_styleUndoGroup.reset();
    const bool acrossClear = m_redoStack.last().cleared;
    if (std::optional<EditorState> current = acrossClear ? std::optional(documentState()) : captureState()) {
        m_undoStack.append(std::move(*current));
        if (m_undoStack.size() > maxUndoSteps())
            m_undoStack.removeFirst();
    }
    const EditorState next = m_redoStack.takeLast();
    restoreState(next);
    setCanUndo(!m_undoStack.isEmpty());
    setCanRedo(!m_redoStack.isEmpty());
    emit historyChanged();
    emit changed();
}
