#include "Views/CommandRouter.h"

#include "Core/Notifications.h"
#include "Core/ShortcutAction.h"
#include "Models/ImageEditorViewModel.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Pasteboard.h"

namespace {

qint64 s_lastSeenPasteboardChangeCount = 0;

std::optional<ToolType> toolOfAction(ShortcutAction action)
{
    switch (action) {
    case ShortcutAction::toolLine:
        return ToolType::line;
    case ShortcutAction::toolArrow:
        return ToolType::arrow;
    case ShortcutAction::toolRectangle:
        return ToolType::rectangle;
    case ShortcutAction::toolText:
        return ToolType::text;
    case ShortcutAction::toolFreehand:
        return ToolType::freehand;
    case ShortcutAction::toolHighlighter:
        return ToolType::highlighter;
    case ShortcutAction::toolNumber:
        return ToolType::number;
    case ShortcutAction::toolMosaic:
        return ToolType::mosaic;
    case ShortcutAction::toolSpotlight:
        return ToolType::spotlight;
    default:
        return std::nullopt;
    }
}

} // namespace

KeyboardShortcutObservers::KeyboardShortcutObservers(ImageEditorViewModel* viewModel,
                                                     std::function<QSizeF()> fitAreaSize, QObject* parent)
    : QObject(parent)
    , m_viewModel(viewModel)
    , m_fitAreaSize(std::move(fitAreaSize))
{
}

KeyboardShortcutObservers::~KeyboardShortcutObservers() { detach(); }

qint64 KeyboardShortcutObservers::lastSeenPasteboardChangeCount() { return s_lastSeenPasteboardChangeCount; }

void KeyboardShortcutObservers::setLastSeenPasteboardChangeCountForTesting(qint64 count)
{
    s_lastSeenPasteboardChangeCount = count;
}

void KeyboardShortcutObservers::subscribe(NotificationName name,
                                          std::function<void(const std::optional<QString>&)> handler)
{
    NotificationCenter::defaultCenter().addObserver(name, this, std::move(handler));
}

void KeyboardShortcutObservers::attach()
{
    if (!m_attached) {
        m_attached = true;
        ImageEditorViewModel* vm = m_viewModel;
        subscribe(Notifications::pasteImage, [vm](const auto&) { vm->pasteImage(); });
        subscribe(Notifications::captureClipboardImageReady, [this](const auto&) { pasteCaptureOnce(); });
        subscribe(Notifications::backdropToggle, [vm](const auto&) { vm->setBackdropEnabled(!vm->isBackdropEnabled()); });
        subscribe(Notifications::toolShortcut, [this](const auto& payload) { selectToolOfAction(payload); });
        subscribe(Notifications::deleteAnnotation, [vm](const auto&) { vm->deleteSelectedAnnotation(); });
        subscribe(Notifications::undo, [this, vm](const auto&) {
            finishTextEditing();
            vm->undo();
        });
        subscribe(Notifications::redo, [this, vm](const auto&) {
            finishTextEditing();
            vm->redo();
        });
        subscribe(Notifications::crop, [this, vm](const auto&) {
            if (!vm->selectedImage())
                return;
            finishTextEditing();
            vm->selectTool(ToolType::crop);
        });
        subscribe(Notifications::cropCancel, [this](const auto&) { cancelCrop(); });
        subscribe(Notifications::resetAll, [this, vm](const auto&) {
            finishTextEditing();
            vm->revertToOriginal();
        });
        subscribe(Notifications::clearImage, [this, vm](const auto&) {
            finishTextEditing();
            vm->clearImage();
        });
        subscribe(Notifications::zoomIn, [vm](const auto&) { vm->zoomIn(); });
        subscribe(Notifications::zoomOut, [vm](const auto&) { vm->zoomOut(); });
        subscribe(Notifications::fitToWindow, [this, vm](const auto&) { vm->fitZoom(m_fitAreaSize()); });
        subscribe(Notifications::actualSize, [vm](const auto&) { vm->setZoomLevel(1.0); });
        subscribe(Notifications::rotateLeft, [this, vm](const auto&) {
            finishTextEditing();
            vm->rotateLeft();
        });
        subscribe(Notifications::rotateRight, [this, vm](const auto&) {
            finishTextEditing();
            vm->rotateRight();
        });
        subscribe(Notifications::rotationCompleted, [this, vm](const auto&) { vm->fitZoomNoUpscale(m_fitAreaSize()); });
    }

    // The appear action: a window that did not exist yet when the capture was announced
    // still takes it, within 5 seconds of the delivery.
    if (!m_deliveryDate.read)
        return;
    const std::optional<QDateTime> delivered = m_deliveryDate.read();
    if (!delivered)
        return;
    const double age = delivered->msecsTo(QDateTime::currentDateTimeUtc()) / 1000.0;
    if (age >= deliveryPasteWindowSeconds)
        return;
    if (m_deliveryDate.clear)
        m_deliveryDate.clear();
    pasteCaptureOnce();
}

void KeyboardShortcutObservers::detach()
{
    if (!m_attached)
        return;
    m_attached = false;
    NotificationCenter::defaultCenter().removeObservers(this);
}

void KeyboardShortcutObservers::pasteCaptureOnce()
{
    const qint64 count = Pasteboard::general().changeCount();
    if (count == s_lastSeenPasteboardChangeCount)
        return;
    s_lastSeenPasteboardChangeCount = count;
    m_viewModel->pasteImage();
}

void KeyboardShortcutObservers::selectToolOfAction(const std::optional<QString>& payload)
{
    if (!payload)
        return;
    const std::optional<ShortcutAction> action = ShortcutActions::fromRawValue(*payload);
    if (!action)
        return;
    if (const std::optional<ToolType> tool = toolOfAction(*action))
        m_viewModel->selectTool(*tool);
}

void KeyboardShortcutObservers::cancelCrop()
{
    if (!m_viewModel->isCropping())
        return;
    if (m_viewModel->isEditingCropSize()) {
        // Closes the size editor only; the setter keeps the key monitor's flag in step.
        m_viewModel->setIsEditingCropSize(false);
        return;
    }
    m_viewModel->selectTool(ToolType::none);
}

void EditorCommands::finishTextEditing(ImageEditorViewModel& viewModel)
{
    viewModel.finishTextEditing();
}
