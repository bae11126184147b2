// Changes of the document as a whole: quarter turns of the view, scaling and exact
// resizing from the base image, reverting to the image as installed, and clearing.
#include "Models/ImageEditorViewModel.h"

#include "Core/Localization.h"
#include "Core/Logger.h"
#include "Models/ImageDocument.h"
#include "Models/ImageResampling.h"
#include "Platform/NotificationCenter.h"

#include <algorithm>
#include <cmath>

namespace {

const QString kRotationCompleted = QStringLiteral("RotationCompleted");

bool isUsableFactor(double f) { return std::isfinite(f) && f > 0.0; }

} // namespace

void ImageEditorViewModel::rotateLeft()
{
    setRotation(m_rotation - 90.0);
    if (m_rotation < 0.0)
        setRotation(m_rotation + 360.0);
    m_annotationManager->deselectAll();
    NotificationCenter::defaultCenter().post(kRotationCompleted);
}

void ImageEditorViewModel::rotateRight()
{
    setRotation(m_rotation + 90.0);
    if (m_rotation >= 360.0)
        setRotation(m_rotation - 360.0);
    m_annotationManager->deselectAll();
    NotificationCenter::defaultCenter().post(kRotationCompleted);
}

std::optional<Image> ImageEditorViewModel::resampleOrWarn(double width, double height, const Image& source)
{
    const std::optional<int> pixelWidth = ImageResampling::pixelSide(width);
    const std::optional<int> pixelHeight = ImageResampling::pixelSide(height);
    if (!pixelWidth || !pixelHeight) {
        logMessage(LogLevel::warning, [&] {
            return QStringLiteral("⚠️ 图片尺寸超出上限: %1×%2").arg(width).arg(height);
        });
        emit alertRequested(localized(QStringLiteral("alert.resampleTooLarge.title")),
            localizedFormat(QStringLiteral("alert.resampleTooLarge.message"), { QString::number(maximumResampledSide) }));
        return std::nullopt;
    }
    Image result = resampledImage(width, height, source);
    // The resampler hands the source back when it cannot allocate the bitmap.
    if (result.sharesPixelsWith(source) || result.pixelSize() != QSize(*pixelWidth, *pixelHeight)) {
        logMessage(LogLevel::warning, [&] {
            return QStringLiteral("⚠️ 无法重新采样图片: %1×%2").arg(*pixelWidth).arg(*pixelHeight);
        });
        emit alertRequested(localized(QStringLiteral("alert.resampleTooLarge.title")),
            localizedFormat(QStringLiteral("alert.resampleTooLarge.message"), { QString::number(maximumResampledSide) }));
        return std::nullopt;
    }
    return result;
}

void ImageEditorViewModel::applyScale(double factor)
{
    if (!m_originalImage || !isUsableFactor(factor))
        return;
    const QSizeF base = m_originalImage->size();
    if (!(base.width() > 0.0 && base.height() > 0.0))
        return;
    // Resample before anything changes: a refused size leaves no trace.
    const std::optional<Image> scaled = resampleOrWarn(base.width() * factor, base.height() * factor, *m_originalImage);
    if (!scaled)
        return;
    saveUndoState();
    m_annotationManager->deselectAll();
    setSelectedImage(*scaled);
    setScale(factor);
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
    const std::optional<Image> resized = resampleOrWarn(tw, th, *m_originalImage);
    if (!resized)
        return;
    saveUndoState();
    m_annotationManager->deselectAll();
    setSelectedImage(*resized);
    setOriginalImageSize(ImageDocument::measuredSize(*resized));
    setScale(tw / w0);
}

void ImageEditorViewModel::revertToOriginal()
{
    const std::optional<Image> source = m_pristineImage ? m_pristineImage : m_originalImage;
    if (!source)
        return;
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
    // An image still being decoded for this window is not wanted any more.
    ++m_imageLoadGeneration;
    setSelectedImage(std::nullopt);
    setImageURL(std::nullopt);
    m_originalImage.reset();
    m_pristineImage.reset();
    setZoomLevel(1.0);
    setRotation(0.0);
    setScale(1.0);
    resetCropState();
    emptyHistory();
    m_annotationManager->clearAll();
    cancelTextEditing();
    setCurrentTool(ToolType::none);
    setOcrPanelState(std::nullopt);
}
