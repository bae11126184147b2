#pragma once

#include "Platform/NotificationCenter.h"

#include <QDateTime>
#include <QObject>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>

class ImageEditorViewModel;

namespace EditorCommands {

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
    void subscribe(NotificationName name, std::function<void(const std::optional<QString>&)> handler);
    void pasteCaptureOnce();
    void selectToolOfAction(const std::optional<QString>& payload);
    void cancelCrop();
    void finishTextEditing() { EditorCommands::finishTextEditing(*m_viewModel); }

    ImageEditorViewModel* m_viewModel;
    std::function<QSizeF()> m_fitAreaSize;
    DeliveryDate m_deliveryDate;
    bool m_attached = false;
};
