#include "Output/ImageOutputController.h"

#include "Base/Logger.h"
#include "Base/OffMainThread.h"
#include "Core/Localization.h"
#include "Models/ImageEditorViewModel.h"
#include "Output/ExportFormats.h"
#include "Output/PinFingerprint.h"
#include "Output/PinManager.h"
#include "Output/PinWindow.h"
#include "Output/SavePanelChoices.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

ImageOutputController::ImageOutputController(ImageEditorViewModel& viewModel, QObject* parent)
    : QObject(parent), m_viewModel(viewModel)
{
    m_alertPresenter = [this](const QString& text) {
        QMessageBox box(QMessageBox::Warning, QString(), text, QMessageBox::Ok, m_dialogParent);
        box.exec();
    };
    m_savePanelRunner = [this](const std::optional<QString>& imagePath, const std::optional<QString>& lastSavedPath) {
        return SavePanel::run(m_dialogParent, imagePath, lastSavedPath);
    };
}

ExportSnapshot ImageOutputController::makeExportSnapshot(const Image& image, bool backdropAlphaCapable) const
{
    ExportSnapshot snapshot;
    snapshot.image = image;
    if (m_painterFactory)
        snapshot.paintAnnotations = m_painterFactory(m_viewModel, image);
    snapshot.rotation = m_viewModel.rotation();
    snapshot.backdrop = m_viewModel.backdropSettings();
    snapshot.backdropAlphaCapable = backdropAlphaCapable;
    return snapshot;
}

bool ImageOutputController::isStillEdited(const Image& image) const
{
    const std::optional<Image>& current = m_viewModel.selectedImage();
    return current && current->sharesPixelsWith(image);
}

void ImageOutputController::copyImageToClipboard()
{
    if (m_viewModel.isExporting() || !m_viewModel.selectedImage())
        return;
    const Image image = *m_viewModel.selectedImage();
    const ExportSnapshot snapshot = makeExportSnapshot(image, true);
    const ImageEditorViewModel::KeptContent kept = m_viewModel.currentContent();
    m_viewModel.setIsExporting(true);
    QPointer<ImageOutputController> self(this);
    ImageExport::copyImage(snapshot, this, [self, image, kept](bool written) {
        if (!self)
            return;
        self->m_viewModel.setIsExporting(false);
        if (written) {
            // What is on the clipboard is not lost with the window.
            if (self->isStillEdited(image))
                self->m_viewModel.markContentKept(kept);
            self->m_viewModel.setSaveToastURL(std::nullopt);
            self->m_viewModel.setCopyToastVisible(true);
        }
        emit self->copyFinished(written);
    });
}

void ImageOutputController::pinToScreen()
{
    if (m_viewModel.isExporting() || !m_viewModel.selectedImage())
        return;
    const Image image = *m_viewModel.selectedImage();
    const qint64 fingerprint = pinFingerprint(image, *m_viewModel.annotationManager(), m_viewModel.rotation(),
                                              m_viewModel.backdropSettings());
    if (PinWindow* open = PinManager::shared().pinWindow(fingerprint)) {
        open->close();
        return;
    }
    // Around a backdrop's card the pin stays see-through.
    const ExportSnapshot snapshot = makeExportSnapshot(image, true);
    m_viewModel.setIsExporting(true);
    QPointer<ImageOutputController> self(this);
    OffMainThread::run(
        this, [snapshot] { return renderExportImage(snapshot); },
        [self, fingerprint](const std::optional<QImage>& bitmap) {
            if (!self)
                return;
            self->m_viewModel.setIsExporting(false);
            const bool opened = bitmap && PinManager::shared().presentPin(*bitmap, fingerprint);
            emit self->pinFinished(opened);
        });
}

void ImageOutputController::save()
{
    if (m_viewModel.isExporting() || !m_viewModel.selectedImage())
        return;
    const Image image = *m_viewModel.selectedImage();
    const std::optional<QUrl> destination = m_viewModel.lastSavedURL();
    if (!destination) {
        presentSavePanel(image);
        return;
    }
    exportAndRecord(m_viewModel.defaultJpegQuality(), image, destination->toLocalFile(), false, {});
}

void ImageOutputController::saveThen(std::function<void(bool saved)> done)
{
    if (m_viewModel.isExporting() || !m_viewModel.selectedImage()) {
        done(false);
        return;
    }
    const Image image = *m_viewModel.selectedImage();
    if (const std::optional<QUrl> destination = m_viewModel.lastSavedURL())
        exportAndRecord(m_viewModel.defaultJpegQuality(), image, destination->toLocalFile(), false, std::move(done));
    else
        showSavePanelIfIdle(image, std::move(done));
}

void ImageOutputController::exportAndRecord(double quality, const Image& image, const QString& path, bool rememberURL,
                                            std::function<void(bool saved)> done)
{
    m_viewModel.setIsExporting(true);
    const ImageEditorViewModel::KeptContent kept = m_viewModel.currentContent();
    QPointer<ImageOutputController> self(this);
    exportImage(quality, image, path, [self, image, kept, rememberURL, done](bool success, const QString& writtenPath) {
        const bool recorded = self && self->isStillEdited(image);
        if (recorded) {
            if (success)
                self->m_viewModel.markContentKept(kept);
            self->finishSave(success, QUrl::fromLocalFile(writtenPath), rememberURL);
        }
        if (done)
            done(success && recorded);
    });
}

void ImageOutputController::saveAs()
{
    if (m_viewModel.isExporting() || !m_viewModel.selectedImage())
        return;
    presentSavePanel(*m_viewModel.selectedImage());
}

void ImageOutputController::presentSavePanel(const Image& image)
{
    if (m_viewModel.isSavePanelPresented())
        return;
    QPointer<ImageOutputController> self(this);
    QTimer::singleShot(0, this, [self, image] {
        if (self)
            self->showSavePanelIfIdle(image);
    });
}

void ImageOutputController::showSavePanelIfIdle(const Image& image, std::function<void(bool saved)> done)
{
    if (m_viewModel.isSavePanelPresented()) {
        if (done)
            done(false);
        return;
    }
    m_viewModel.setIsSavePanelPresented(true);
    runSavePanel(image, std::move(done));
    m_viewModel.setIsSavePanelPresented(false);
}

void ImageOutputController::runSavePanel(const Image& image, std::function<void(bool saved)> done)
{
    std::optional<QString> imagePath;
    if (m_viewModel.imageURL() && m_viewModel.imageURL()->isLocalFile())
        imagePath = m_viewModel.imageURL()->toLocalFile();
    std::optional<QString> lastSavedPath;
    if (m_viewModel.lastSavedURL())
        lastSavedPath = m_viewModel.lastSavedURL()->toLocalFile();

    const std::optional<SavePanelResult> choice = m_savePanelRunner(imagePath, lastSavedPath);
    if (!choice) {
        if (done)
            done(false);
        return;
    }
    exportAndRecord(choice->quality, image, choice->path, true, std::move(done));
}

void ImageOutputController::exportImage(double quality, const Image& image, const QString& path,
                                        std::function<void(bool, const QString&)> completion)
{
    QPointer<ImageOutputController> self(this);
    const ExportSnapshot snapshot = makeExportSnapshot(
        image, ExportFormats::formatKeepsTransparency(QFileInfo(ImageExport::destinationPath(path)).suffix()));
    ImageExport::exportImage(snapshot, quality, path, this,
                             [self, completion = std::move(completion)](const ExportOutcome& outcome) {
                                 if (!self)
                                     return;
                                 self->m_viewModel.setIsExporting(false);
                                 if (!outcome.success && self->m_alertPresenter)
                                     self->m_alertPresenter(outcome.alertText());
                                 emit self->exportFinished(outcome.success, outcome.path);
                                 if (completion)
                                     completion(outcome.success, outcome.path);
                             });
}

void ImageOutputController::finishSave(bool success, const QUrl& url, bool rememberURL)
{
    if (!success) {
        logMessage(LogLevel::warning, [&] { return QStringLiteral("❌ 图片写盘未成功: ") + url.toLocalFile(); });
        // Neither this destination, which could not be written, nor the one before it
        // (the user chose another) is one to write to silently next time: Save asks.
        m_viewModel.setLastSavedURL(std::nullopt);
        return;
    }
    if (rememberURL) {
        m_viewModel.setLastSavedURL(url);
        // The document is now that file: the title and the information bar name it.
        m_viewModel.setImageURL(url);
    }
    SavePanelChoices::rememberSavedFolder(QFileInfo(url.toLocalFile()).absolutePath());
    m_viewModel.setSaveToastURL(url);
    m_viewModel.setCopyToastVisible(false);
}
