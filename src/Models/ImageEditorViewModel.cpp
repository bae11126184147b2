#include "Models/ImageEditorViewModel.h"

#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Models/TextLayout.h"
#include "Platform/OpenPanel.h"
#include "Platform/Pasteboard.h"

ImageEditorViewModel::ImageEditorViewModel(QObject* parent)
    : QObject(parent)
    , m_annotationManager(new AnnotationManager(this))
    // The design's SF Pro is not on Linux: an offered font that is installed.
    , m_currentFontName(TextLayout::defaultFontName())
{
    // Every change of the store is a change of the model for the views.
    connect(m_annotationManager, &AnnotationManager::changed, this, [this] {
        emit annotationsChanged();
        emit changed();
    });

    restoreToolStyles();

    // The stored value is written back at once, so the key is always present afterwards.
    setIsBackdropEnabled(Settings::backdropEnabled.read());

    // The settings window speaks to every open editor; the observers end with this model.
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(Notifications::resetToolStyles, this, [this](const auto&) { resetToolStyles(); });
    center.addObserver(Notifications::persistToolStyles, this, [this](const auto&) { persistToolStyles(); });
}

ImageEditorViewModel::~ImageEditorViewModel()
{
    s_globalIsCropping = false;
    s_globalIsEditingCropSize = false;
}

Pasteboard& ImageEditorViewModel::pasteboard() const
{
    return m_pasteboard ? *m_pasteboard : Pasteboard::general();
}

OpenPanel& ImageEditorViewModel::openPanel() const
{
    return m_openPanel ? *m_openPanel : OpenPanel::standard();
}

void ImageEditorViewModel::setIsCropping(bool v)
{
    m_isCropping = v;
    s_globalIsCropping = m_isCropping;
    emit cropChanged();
    emit changed();
}

void ImageEditorViewModel::setIsEditingCropSize(bool v)
{
    m_isEditingCropSize = v;
    s_globalIsEditingCropSize = m_isEditingCropSize;
    emit cropChanged();
    emit changed();
}

void ImageEditorViewModel::setIsBackdropEnabled(bool v)
{
    m_isBackdropEnabled = v;
    Settings::backdropEnabled.write(m_isBackdropEnabled);
    emit stylesChanged();
    emit changed();
}

void ImageEditorViewModel::setBackdropEnabled(bool enabled)
{
    if (m_isBackdropEnabled == enabled)
        return;
    setIsBackdropEnabled(enabled);
    if (m_isCropping || !m_selectedImage || !m_lastFitContainerSize)
        return;
    fitZoom(*m_lastFitContainerSize);
}

QString ImageEditorViewModel::defaultSaveFormat() const
{
    return Settings::defaultSaveFormat.read();
}

void ImageEditorViewModel::setDefaultSaveFormat(const QString& format)
{
    Settings::defaultSaveFormat.write(format);
    emit outputChanged();
    emit changed();
}

double ImageEditorViewModel::defaultJpegQuality() const
{
    return Settings::defaultJpegQuality.read();
}

void ImageEditorViewModel::setDefaultJpegQuality(double quality)
{
    Settings::defaultJpegQuality.write(quality);
    emit outputChanged();
    emit changed();
}

void ImageEditorViewModel::resetCropState()
{
    setCropRect(QRectF());
    setIsCropping(false);
    m_cropMoveStartRect.reset();
    m_cropCornerDragStart.reset();
    m_cropDraggingCorner.reset();
    m_cropDragMode = CropDragMode::none();
}
