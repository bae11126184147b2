#pragma once

#include "Views/CommandRouter.h"

#include <QMessageBox>
#include <QPointer>
#include <QSizeF>
#include <QWidget>

#include <deque>
#include <functional>

class ContextMenuPresenter;
class CropOverlay;
class EditorCanvasView;
class EditorOutputHost;
class FloatingToolbar;
class ImageEditorViewModel;
class KeyboardEventMonitor;
class QLabel;
class QMimeData;
class QPushButton;
class QTimer;
class WheelZoomMonitor;

// The content of the editor window: the canvas area (the image canvas, or the empty
// state while no image is open) over an information bar. It owns the window's one
// editor model, brings images in (dropped files and image data, files the application
// hands over), keeps the window title with the document, and runs the key and wheel
// monitors, the right-click menu and the command subscriptions while it is shown.
class ContentView : public QWidget {
    Q_OBJECT
public:
    // The information bar's height; the canvas (the fit area) is the rest.
    static constexpr int informationBarHeight = 32;
    // Room kept free between a fitted image and the top of the floating toolbar.
    static constexpr int toolbarClearance = 8;
    // The least size the editor lays itself out at: 800 x 450, none where the desktop may
    // tile the window smaller (a Wayland session).
    static QSize leastSize();

    explicit ContentView(QWidget* parent = nullptr);
    ~ContentView() override;

    ImageEditorViewModel* viewModel() const { return m_viewModel; }
    EditorCanvasView* canvas() const { return m_canvas; }
    KeyboardShortcutObservers* commandObservers() const { return m_observers; }
    KeyboardEventMonitor* keyboardMonitor() const { return m_keyboardMonitor; }
    WheelZoomMonitor* wheelMonitor() const { return m_wheelMonitor; }
    FloatingToolbar* toolbar() const { return m_toolbar; }
    // Copy, save and save-as with their toasts.
    EditorOutputHost* output() const { return m_output; }
    ContextMenuPresenter* contextMenu() const { return m_contextMenu; }

    // What the context menu's About item opens (the application's about window).
    void setShowAboutAction(std::function<void()> action) { m_showAbout = std::move(action); }
    // What the context menu's Quit item does (default: quit at once).
    void setQuitAction(std::function<void()> action) { m_quit = std::move(action); }

    // Before unsaved work would be lost: asks Save, Discard or Cancel (unless there is
    // nothing to lose or the question is switched off), then tells `then` whether to go
    // ahead: after a save that succeeded, or a discard. A question already up answers
    // a second request with no.
    void settleUnsavedWork(std::function<void(bool proceed)> then);

    // Runs `action` now when no dialog is open (the unsaved-work question or any other
    // modal dialog but the failed-open alert), else once none is, after the actions
    // waiting before it.
    void whenNoDialogIsOpen(std::function<void()> action);
    bool isDialogOpen() const;
    static constexpr int dialogWatchIntervalMs = 100;

    // The size fit commands fit the image into: the content less the information bar.
    QSizeF currentFitAreaSize() const;

    // Where the capture delivery keeps the time of its last delivery.
    void setCaptureDeliveryDate(KeyboardShortcutObservers::DeliveryDate date);

    // Takes a drop: a local file, else image data. False when refused.
    bool handleDrop(const QMimeData& mime);

    // "Lumetra - <document>", or "Lumetra" without an image; on this view's own window.
    QString windowTitleText() const;
    void updateWindowTitle();

    // The path text and the information text of the bar, as shown.
    QString pathText() const;
    QString infoText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void installEventMonitors();
    void removeEventMonitors();
    void openPendingImageURL();
    void pendingImageURLChanged();
    void observeDocument();
    void retranslate();
    void scheduleWindowTitleUpdate();
    void loadDroppedImageData(const QByteArray& bytes);

    ImageEditorViewModel* m_viewModel = nullptr;
    EditorCanvasView* m_canvas = nullptr;
    QWidget* m_emptyState = nullptr;
    QLabel* m_emptyHint = nullptr;
    QLabel* m_emptyFormats = nullptr;
    QPushButton* m_openButton = nullptr;
    QWidget* m_infoBar = nullptr;
    QLabel* m_pathLabel = nullptr;
    QLabel* m_infoLabel = nullptr;
    KeyboardShortcutObservers* m_observers = nullptr;
    KeyboardEventMonitor* m_keyboardMonitor = nullptr;
    WheelZoomMonitor* m_wheelMonitor = nullptr;
    CropOverlay* m_cropOverlay = nullptr;
    FloatingToolbar* m_toolbar = nullptr;
    EditorOutputHost* m_output = nullptr;
    ContextMenuPresenter* m_contextMenu = nullptr;
    std::function<void()> m_showAbout;
    std::function<void()> m_quit;
    QPointer<QMessageBox> m_alert;
    bool m_askingAboutWork = false;
    std::deque<std::function<void()>> m_waitingForDialogs;
    QTimer* m_dialogWatch = nullptr;
    QString m_shownTitle;
    // Until the view is first laid out, every editor fits into 800 x 600.
    QSizeF m_currentFitAreaSize { 800.0, 600.0 };
    double m_shownRotation = 0.0;
};
