// Magnification: fitting the image (and its backdrop) into the visible area, and
// stepwise zooming with a snap to actual size.
#include "Models/ImageEditorViewModel.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMinZoom = 0.01;
constexpr double kMaxZoom = 16.0;
constexpr double kZoomStep = 1.15;
constexpr double kSnapDistance = 0.02;

bool isQuarterTurn(double rotation) { return std::fabs(std::fmod(rotation, 180.0)) == 90.0; }

bool isPositiveFinite(QSizeF size)
{
    return std::isfinite(size.width()) && std::isfinite(size.height()) && size.width() > 0.0 && size.height() > 0.0;
}

double snappedToActualSize(double z) { return std::fabs(z - 1.0) < kSnapDistance ? 1.0 : z; }

} // namespace

std::optional<BackdropParameters> ImageEditorViewModel::backdropSettings() const
{
    if (!m_isBackdropEnabled)
        return std::nullopt;
    BackdropParameters parameters;
    parameters.preset = m_currentBackdropPreset;
    parameters.padding = m_currentBackdropPadding;
    parameters.cornerRadius = m_currentBackdropCornerRadius;
    parameters.shadowEnabled = m_currentBackdropShadowEnabled;
    parameters.shadowIntensity = m_currentBackdropShadowIntensity;
    return parameters;
}

QSizeF ImageEditorViewModel::canvasSizeForFit(QSizeF size, const Image& image) const
{
    const std::optional<BackdropParameters> parameters = backdropSettings();
    if (!parameters || image.isNull())
        return size;
    // The backdrop is laid out in the shown image's pixels, as the export lays it out
    // around the flattened bitmap; the fitted size is in that image's points.
    QSize pixels = image.pixelSize();
    if (isQuarterTurn(m_rotation))
        pixels.transpose();
    const double margin = parameters->layout(pixels.width(), pixels.height()).fitMargin();
    if (!(margin > 0.0))
        return size;
    const double pointsPerPixel = 1.0 / image.devicePixelRatio();
    return QSizeF(size.width() + 2.0 * margin * pointsPerPixel, size.height() + 2.0 * margin * pointsPerPixel);
}

namespace {

// The fit factor, or nothing when there is nothing sensible to fit.
std::optional<double> fitFactor(QSizeF container, QSizeF content)
{
    if (!isPositiveFinite(container) || !isPositiveFinite(content))
        return std::nullopt;
    return std::min(container.width() / content.width(), container.height() / content.height());
}

// What has to fit: the shown image, turned, with the room its backdrop takes.
QSizeF contentToFit(const ImageEditorViewModel& viewModel)
{
    const Image& image = *viewModel.selectedImage();
    QSizeF size = image.size();
    if (isQuarterTurn(viewModel.rotation()))
        size.transpose();
    return viewModel.canvasSizeForFit(size, image);
}

} // namespace

void ImageEditorViewModel::fitZoom(QSizeF containerSize)
{
    if (!m_selectedImage || !isPositiveFinite(containerSize))
        return;
    m_lastFitContainerSize = containerSize;
    const std::optional<double> f = fitFactor(containerSize, contentToFit(*this));
    if (!f)
        return;
    setZoomLevel(std::min(std::max(*f, kMinZoom), kMaxZoom));
}

void ImageEditorViewModel::fitZoomNoUpscale(QSizeF containerSize)
{
    if (!m_selectedImage || !isPositiveFinite(containerSize))
        return;
    m_lastFitContainerSize = containerSize;
    const QSizeF c = contentToFit(*this);
    const std::optional<double> f = fitFactor(containerSize, c);
    if (!f)
        return;
    if (c.width() > containerSize.width() || c.height() > containerSize.height())
        setZoomLevel(*f);
    else
        setZoomLevel(1.0);
}

void ImageEditorViewModel::zoomIn()
{
    setZoomLevel(snappedToActualSize(std::min(m_zoomLevel * kZoomStep, kMaxZoom)));
}

void ImageEditorViewModel::zoomOut()
{
    setZoomLevel(snappedToActualSize(std::max(m_zoomLevel / kZoomStep, kMinZoom)));
}
