// Changes of the document as a whole: quarter turns of the view, scaling and exact
// resizing from the base image, reverting to the image as installed, and clearing.
#include "Models/ImageEditorViewModel.h"

#include "Base/Logger.h"
#include "Base/OffMainThread.h"
#include "Core/Localization.h"
#include "Core/Notifications.h"
#include "Models/ImageDocument.h"
#include "Models/ImageResampling.h"


#include <algorithm>
#include <cmath>

namespace {

bool isUsableFactor(double f) { return std::isfinite(f) && f > 0.0; }

} // namespace

void ImageEditorViewModel::rotateLeft()
{
    setRotation(m_rotation - 90.0);
    if (m_rotation < 0.0)
        setRotation(m_rotation + 360.0);
    m_annotationManager->deselectAll();
    NotificationCenter::defaultCenter().post(Notifications::rotationCompleted);
}

void ImageEditorViewModel::rotateRight()
{
    setRotation(m_rotation + 90.0);
    if (m_rotation >= 360.0)
        setRotation(m_rotation - 360.0);
    m_annotationManager->deselectAll();
    NotificationCenter::defaultCenter().post(Notifications::rotationCompleted);
}

void ImageEditorViewModel::resampleThen(double width, double height, std::function<void(const Image&)> install)
{
    const auto tellTooLarge = [this] {
        emit alertRequested(localized(QStringLiteral("alert.resampleTooLarge.title")),
            localizedFormat(QStringLiteral("alert.resampleTooLarge.message"), { QString::number(maximumResampledSide) }));
    };
    const std::optional<int> pixelWidth = ImageResampling::pixelSide(width);
    const std::optional<int> pixelHeight = ImageResampling::pixelSide(height);
    if (!pixelWidth || !pixelHeight) {
        logMessage(LogLevel::warning, [&] {
            return QStringLiteral("⚠️ 图片尺寸超出上限: %1×%2").arg(width).arg(height);
        });
        tellTooLarge();
        return;
    }
    // Resampling a large image takes long: the worker resamples, this thread installs,
    // and only while the image shown is still the one the request was made on.
    const Image source = *m_originalImage;
    const std::optional<Image> shown = m_selectedImage;
    const qint64 generation = ++m_resampleGeneration;
    m_isResampling = true;
    OffMainThread::run(
        this, [source, width, height] { return resampledImage(width, height, source); },
        [=, this, install = std::move(install)](const Image& result) {
            if (generation != m_resampleGeneration)
                return;
            m_isResampling = false;
            if (!m_selectedImage || !shown || !m_selectedImage->sharesPixelsWith(*shown))
                return;
            // The resampler hands the source back when it cannot allocate the bitmap.
            if (result.sharesPixelsWith(source) || result.pixelSize() != QSize(*pixelWidth, *pixelHeight)) {
                logMessage(LogLevel::warning, [&] {
                    return QStringLiteral("⚠️ 无法重新采样图片: %1×%2").arg(*pixelWidth).arg(*pixelHeight);
                });
                tellTooLarge();
                return;
            }
            install(result);
        });
}

void ImageEditorViewModel::applyScale(double factor)
{
    if (!m_originalImage || !isUsableFactor(factor))
        return;
    const QSizeF base = m_originalImage->size();
    if (!(base.width() > 0.0 && base.height() > 0.0))
        return;
    // Resample before anything changes: a refused size leaves no trace.
    resampleThen(base.width() * factor, base.height() * factor, [this, factor](const Image& scaled) {
        saveUndoState();
        m_annotationManager->deselectAll();
        setSelectedImage(scaled);
        setScale(factor);
    });
}

void ImageEditorViewModel::resizeToPixelSize(int width, int height)
{
    if (!m_originalImage)
        return;
    const double w0 = m_originalImage->size().width();
    const double h0 = m_originalImage->size().height();
    if (!(w0 > 0.0 && h0 > 0.0))
        return;
    const int tw = std::clamp(width, 1, maximumResampledSide);
    const int th = std::clamp(height, 1, maximumResampledSide);

    if (std::fabs(w0 * th - h0 * tw) <= std::max(w0, h0) * 0.5 + 0.001) {
        applyScale(tw / w0);
        return;
    }
    // As on the scaling path, the original size stays the text's reference: text shrinks
    // and grows with the image, and a text size chosen afterwards (stored divided by the
    // scale) is drawn at the size chosen.
    resampleThen(tw, th, [this, scale = tw / w0](const Image& resized) {
        saveUndoState();
        m_annotationManager->deselectAll();
        setSelectedImage(resized);
        setScale(scale);
    });
}

void ImageEditorViewModel::revertToOriginal()
{
    const std::optional<Image> source = m_pristineImage ? m_pristineImage : m_originalImage;
    if (!source)
        return;
    // A resample still under way belongs to what is being reverted.
    ++m_resampleGeneration;
    m_isResampling = false;
    saveUndoState();
    clearAnnotations();
    cancelTextEditing();
    setSelectedImage(*source);
    m_originalImage = *source;
    // Sizes follow the image brought back, not the last crop or resize.
    setOriginalImageSize(ImageDocument::measuredSize(*source));
    setScale(1.0);
    resetCropState();
}

void ImageEditorViewModel::clearImage()
{
    // A clear is one undo step like any other edit: the document comes back whole.
    if (m_selectedImage)
        pushUndoState(documentState());
    emptyDocument();
}

void ImageEditorViewModel::emptyDocument()
{
    // An image still being decoded or resampled for this window is not wanted any more.
    ++*m_imageLoadGeneration;
    ++m_resampleGeneration;
    m_isResampling = false;
    setSelectedImage(std::nullopt);
    setImageURL(std::nullopt);
    m_originalImage.reset();
    m_pristineImage.reset();
    setZoomLevel(1.0);
    setRotation(0.0);
    setScale(1.0);
    resetCropState();
    m_annotationManager->clearAll();
    cancelTextEditing();
    setCurrentTool(ToolType::none);
    setOcrPanelState(std::nullopt);
    // What was saved belongs to the document that is gone.
    m_lastSavedURL.reset();
    setSaveToastURL(std::nullopt);
}
