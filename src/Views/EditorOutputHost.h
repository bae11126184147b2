#pragma once

#include "Output/OutputToasts.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>

#include <functional>

class ImageEditorViewModel;
class ImageOutputController;
class OCRResultPanel;
class QWidget;
class TextRecognitionController;

// The editor window's side of image output: it owns the window's
// ImageOutputController (whose snapshots burn the annotations in with the canvas's
// renderers) and its TextRecognitionController, answers the save, save-as, copy, pin
// and text-recognition commands while the editor content is shown, shows the saved
// and copied toasts over the bottom of the canvas area, and the text-recognition card
// in its top right corner while the view model's ocrPanelState is present.
//
// The toasts follow the view model: a SaveToast while saveToastURL is set, a
// CopyToast while copyToastVisible is true; each clears its state when its time is
// up. They stand centred, 64 points above the bottom of the canvas area (8 points
// above the floating toolbar); when both show, the copied one is in front.
class EditorOutputHost : public QObject {
    Q_OBJECT
public:
    static constexpr int toastBottomInset = 64;
    // An export or a copy running longer than this shows the busy pointer until it ends.
    static constexpr int busyCursorDelayMs = 500;
    static constexpr int toastFadeMilliseconds = 180;

    // `canvasArea` is the widget the toasts stand over; they are children of its
    // parent, which must outlive nothing of this object's (it is normally the parent).
    EditorOutputHost(ImageEditorViewModel* viewModel, QWidget* canvasArea, QObject* parent = nullptr);
    ~EditorOutputHost() override;

    ImageOutputController* controller() const { return m_controller; }
    TextRecognitionController* textRecognition() const { return m_textRecognition; }

    // Subscribes to the save, save-as, copy, pin and text-recognition commands;
    // detach ends the subscriptions. Attached is the editor open, for the text
    // recognition's program kept ready. Alerts and the save panel open over the canvas
    // area's window.
    void attach();
    void detach();
    bool isAttached() const { return m_attached; }

    SaveToast* saveToast() const { return m_saveToast; }
    CopyToast* copyToast() const { return m_copyToast; }
    OCRResultPanel* ocrPanel() const;
    // Whether the text-recognition card covers this global point (the canvas's wheel
    // leaves such events to the card's scroll area).
    bool ocrPanelContains(const QPoint& globalPosition) const;

    // Tests: the clock the toasts dismiss themselves by, and what "Show in Folder" does.
    void setToastScheduler(OutputToast::Scheduler scheduler) { m_scheduler = std::move(scheduler); }
    void setRevealer(std::function<void(const QString& path)> revealer) { m_revealer = std::move(revealer); }

    // Where a toast of `size` stands, in the coordinates of the canvas area's parent.
    QRect toastGeometry(QSize size) const;
    // Where the card's widget of `size` stands: the card 16 points below the canvas
    // area's top and 16 points in from its right edge.
    QRect ocrPanelGeometry(QSize size) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void syncToasts();
    void syncBusyCursor();
    void layoutToasts();
    void showToast(OutputToast* toast);
    void removeToast(OutputToast* toast);
    void syncOcrPanel();
    void layoutOcrPanel();
    QWidget* overlayHost() const;

    ImageEditorViewModel* m_viewModel;
    QPointer<QWidget> m_canvasArea;
    ImageOutputController* m_controller;
    TextRecognitionController* m_textRecognition;
    QPointer<OCRResultPanel> m_ocrPanel;
    QPointer<SaveToast> m_saveToast;
    QPointer<CopyToast> m_copyToast;
    OutputToast::Scheduler m_scheduler;
    std::function<void(const QString&)> m_revealer;
    bool m_attached = false;
    QTimer m_busyDelay;
    bool m_showsBusyCursor = false;
};
