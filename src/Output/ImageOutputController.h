#pragma once

#include "Output/ExportSnapshot.h"
#include "Output/ImageExporter.h"
#include "Output/SavePanel.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <optional>

class ImageEditorViewModel;
class QWidget;

// The editor's copy, pin, save and save-as commands over its view model: the busy
// flag, the snapshot, the work off the main thread, and the bookkeeping after
// a save (remembered destination, toasts, alerts).
class ImageOutputController : public QObject {
    Q_OBJECT
public:
    // Builds, from the view model's current annotations, a painter that owns
    // copies of them (the annotation renderers supply it). It is given the image
    // being exported, which mosaic areas take their cells from.
    using AnnotationPainterFactory = std::function<std::function<void(QPainter&, const QSizeF&)>(
        const ImageEditorViewModel&, const Image& image)>;
    using AlertPresenter = std::function<void(const QString& text)>;
    using SavePanelRunner = std::function<std::optional<SavePanelResult>(
        const std::optional<QString>& imagePath, const std::optional<QString>& lastSavedPath)>;

    explicit ImageOutputController(ImageEditorViewModel& viewModel, QObject* parent = nullptr);

    void setAnnotationPainterFactory(AnnotationPainterFactory factory) { m_painterFactory = std::move(factory); }
    // Default: a modal warning box over `dialogParent`.
    void setAlertPresenter(AlertPresenter presenter) { m_alertPresenter = std::move(presenter); }
    // Default: SavePanel::run over `dialogParent`.
    void setSavePanelRunner(SavePanelRunner runner) { m_savePanelRunner = std::move(runner); }
    void setDialogParent(QWidget* parent) { m_dialogParent = parent; }

    ExportSnapshot makeExportSnapshot(const Image& image, bool backdropAlphaCapable) const;

    // The commands. Each does nothing while an output runs or without an image.
    void copyImageToClipboard();
    // Pins the annotated image to the screen, or closes the pin of unchanged content.
    void pinToScreen();
    void save();
    // Saves as save does, at once, then tells whether the work was written (false when
    // the save panel was cancelled, the write failed or an output was already running).
    void saveThen(std::function<void(bool saved)> done);
    void saveAs();
    // Queues the save panel for the image (ignored while one is up).
    void presentSavePanel(const Image& image);

    // Flattens, encodes and writes off the main thread; `completion` gets
    // whether the file was written and the path actually written. The caller
    // sets isExporting; this clears it when the work is done.
    void exportImage(double quality, const Image& image, const QString& path,
                     std::function<void(bool success, const QString& writtenPath)> completion);

    // After an export started by save (rememberURL false) or the save panel (true).
    void finishSave(bool success, const QUrl& url, bool rememberURL);

signals:
    // The outcome of each copy and export, for whoever wants to know (tests, e2e).
    void copyFinished(bool written);
    // A pin request ended: whether a pin opened.
    void pinFinished(bool opened);
    void exportFinished(bool success, const QString& path);

private:
    void showSavePanelIfIdle(const Image& image, std::function<void(bool saved)> done = {});
    void runSavePanel(const Image& image, std::function<void(bool saved)> done);
    // Exports, then records the save (and the content kept) while the image is still edited.
    void exportAndRecord(double quality, const Image& image, const QString& path, bool rememberURL,
                         std::function<void(bool saved)> done);
    bool isStillEdited(const Image& image) const;

    ImageEditorViewModel& m_viewModel;
    AnnotationPainterFactory m_painterFactory;
    AlertPresenter m_alertPresenter;
    SavePanelRunner m_savePanelRunner;
    QPointer<QWidget> m_dialogParent;
};
