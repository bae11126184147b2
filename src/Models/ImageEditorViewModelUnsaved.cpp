// Knowing when closing or replacing the document would lose work, and replacing it
// only once the user had the chance to keep that work.
#include "Models/ImageEditorViewModel.h"

#include "Models/AnnotationDescription.h"

#include <QFileInfo>
#include <QPointer>

#include <utility>

ImageEditorViewModel::KeptContent ImageEditorViewModel::currentContent() const
{
    return {m_selectedImage ? m_selectedImage->pixelsKey() : 0, m_rotation, annotationDescription(*m_annotationManager, false)};
}

void ImageEditorViewModel::markContentKept(const KeptContent& content)
{
    m_keptContent = content;
    // A style gesture still grouping its changes would change the kept content without
    // a new step; the next change starts one.
    m_styleUndoGroup.reset();
}

bool ImageEditorViewModel::hasUnsavedWork() const
{
    if (!m_selectedImage)
        return clearedUnsavedWork();
    if (m_isEditingText) {
        const TextAnnotation* edited = nullptr;
        for (const TextAnnotation& text : m_annotationManager->texts()) {
            if (m_editingTextId && text.id == *m_editingTextId)
                edited = &text;
        }
        if (edited ? edited->text != m_tempTextInput : !m_tempTextInput.isEmpty())
            return true;
    }
    const KeptContent now = currentContent();
    return now.imageKey != m_keptContent.imageKey || now.rotation != m_keptContent.rotation
        || now.annotations != m_keptContent.annotations;
}

bool ImageEditorViewModel::clearedUnsavedWork() const
{
    // Clear Image is an undo step: until the window goes, the document before it lives on
    // in the history (nothing can be added to it while the editor is empty), and that
    // document is lost with the window unless it was kept as it stood.
    if (m_undoStack.isEmpty() || !m_undoStack.last().document)
        return false;
    const EditorState& before = m_undoStack.last();
    AnnotationManager annotations;
    loadAnnotations(annotations, before);
    return before.image.pixelsKey() != m_keptContent.imageKey || before.document->rotation != m_keptContent.rotation
        || annotationDescription(annotations, false) != m_keptContent.annotations;
}

QString ImageEditorViewModel::unsavedWorkName() const
{
    if (!m_selectedImage && clearedUnsavedWork()) {
        const std::optional<QUrl>& url = m_undoStack.last().document->imageURL;
        if (url)
            return QFileInfo(url->path()).fileName();
    }
    return displayName();
}

void ImageEditorViewModel::replaceDocument(const Image& image, const QUrl& url, std::function<void(bool)> after)
{
    const bool deciding = m_pendingReplacement.has_value();
    if (deciding && m_pendingReplacement->after)
        m_pendingReplacement->after(false);
    m_pendingReplacement = PendingReplacement{image, url, std::move(after)};
    if (deciding)
        return;
    QPointer<ImageEditorViewModel> self(this);
    auto decide = [self](bool replace) {
        if (!self || !self->m_pendingReplacement)
            return;
        PendingReplacement pending = std::exchange(self->m_pendingReplacement, std::nullopt).value();
        if (replace)
            self->setLoadedImage(pending.image, pending.url);
        if (pending.after)
            pending.after(replace);
    };
    if (m_replacementGuard && hasUnsavedWork())
        m_replacementGuard(std::move(decide));
    else
        decide(true);
}
