#pragma once

#include <QDateTime>
#include <QObject>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>

class ImageEditorViewModel;

// The editor's command notifications: posted with no payload by the menus, the key
// monitor and the capture delivery ("ToolShortcutCommand" carries a shortcut action's
// raw value), each answered by one editor operation.
namespace EditorCommands {

inline const QString save = QStringLiteral("SaveImageCommand");
inline const QString saveAs = QStringLiteral("SaveAsImageCommand");
inline const QString paste = QStringLiteral("PasteImageCommand");
inline const QString captureClipboardImageReady = QStringLiteral("CaptureClipboardImageReady");
inline const QString captureDeliveryRequested = QStringLiteral("CaptureDeliveryRequested");
inline const QString copy = QStringLiteral("CopyImageCommand");
inline const QString ocrToggle = QStringLiteral("OCRToggleCommand");
inline const QString pin = QStringLiteral("PinImageCommand");
inline const QString backdropToggle = QStringLiteral("BackdropToggleCommand");
inline const QString toolShortcut = QStringLiteral("ToolShortcutCommand");
inline const QString deleteAnnotation = QStringLiteral("DeleteAnnotationCommand");
inline const QString undo = QStringLiteral("UndoCommand");
inline const QString redo = QStringLiteral("RedoCommand");
inline const QString crop = QStringLiteral("CropCommand");
inline const QString cropCancel = QStringLiteral("CropCancelCommand");
inline const QString cropConfirm = QStringLiteral("CropConfirmCommand");
inline const QString resetAll = QStringLiteral("ResetAllCommand");
inline const QString clearImage = QStringLiteral("ClearImageCommand");
inline const QString zoomIn = QStringLiteral("ZoomInCommand");
inline const QString zoomOut = QStringLiteral("ZoomOutCommand");
inline const QString fitToWindow = QStringLiteral("FitToWindowCommand");
inline const QString actualSize = QStringLiteral("ActualSizeCommand");
inline const QString rotateLeft = QStringLiteral("RotateLeftCommand");
inline const QString rotateRight = QStringLiteral("RotateRightCommand");
inline const QString rotationCompleted = QStringLiteral("RotationCompleted");
inline const QString resizePanel = QStringLiteral("ResizePanelCommand");
inline const QString openImage = QStringLiteral("OpenImageCommand");

// An open in-place text is committed before a command acts on the whole document
// (undo, rotate, clear, save, copy...), so what the user sees typed is what it acts on;
// an empty box simply closes.
void finishTextEditing(ImageEditorViewModel& viewModel);

} // namespace EditorCommands

// Subscribes one editor's view model to the command notifications while its content is
// shown (KeyboardShortcutObservers), and takes a delivered capture from the clipboard
// exactly once.
class KeyboardShortcutObservers : public QObject {
    Q_OBJECT
public:
    // When the capture delivery last handed a capture to the editor, and how to forget it.
    struct DeliveryDate {
        std::function<std::optional<QDateTime>()> read;
        std::function<void()> clear;
    };

    // A capture delivered this recently is pasted by a window shown after its notification.
    static constexpr double deliveryPasteWindowSeconds = 5.0;

    // `fitAreaSize` is asked at the moment of each fit command.
    KeyboardShortcutObservers(ImageEditorViewModel* viewModel, std::function<QSizeF()> fitAreaSize,
                              QObject* parent = nullptr);
    ~KeyboardShortcutObservers() override;

    void setDeliveryDate(DeliveryDate date) { m_deliveryDate = std::move(date); }

    // Subscribes (once) and runs the appear action: a capture delivered less than 5 s ago
    // is pasted unless the clipboard still holds the one already taken in.
    void attach();
    // Ends every subscription; commands posted meanwhile have no effect here.
    void detach();
    bool isAttached() const { return m_attached; }

    // The clipboard change count last taken in as a capture; one per process.
    static qint64 lastSeenPasteboardChangeCount();
    static void setLastSeenPasteboardChangeCountForTesting(qint64 count);

private:
    void subscribe(const QString& name, std::function<void(const std::optional<QString>&)> handler);
    void pasteCaptureOnce();
    void selectToolOfAction(const std::optional<QString>& payload);
    void cancelCrop();
    void finishTextEditing() { EditorCommands::finishTextEditing(*m_viewModel); }

    ImageEditorViewModel* m_viewModel;
    std::function<QSizeF()> m_fitAreaSize;
    DeliveryDate m_deliveryDate;
    bool m_attached = false;
};
