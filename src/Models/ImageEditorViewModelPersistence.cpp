// Saving the tool styles between runs ("toolStyleSnapshot"), restoring them when an
// editor opens, and resetting them on command from the settings window.
#include "Models/ImageEditorViewModel.h"

#include "Core/Settings.h"
#include "Models/Palette.h"
#include "Models/TextLayout.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kResetArrowLineWidth = 3.0;
constexpr double kResetRectLineWidth = 2.0;
constexpr double kResetMosaicIntensity = 5.0;
constexpr double kResetSpotlightDim = 0.45;
constexpr double kResetBackdropPadding = 32.0;
constexpr double kResetBackdropCornerRadius = 12.0;
constexpr double kResetBackdropShadowIntensity = 0.5;
constexpr double kResetHighlighterAlpha = 0.5;
constexpr double kResetFreehandLineWidth = 3.0;
constexpr double kResetLineLineWidth = 3.0;
constexpr double kResetFontSize = 16.0;

// Stored values outside their ranges (hand-edited or damaged settings) give the
// reset value instead of an invisible stroke or a zero-sized font.
double positiveOr(double value, double fallback) { return std::isfinite(value) && value > 0.0 ? value : fallback; }
double nonNegativeOr(double value, double fallback) { return std::isfinite(value) && value >= 0.0 ? value : fallback; }
double unitOr(double value, double fallback) { return std::isfinite(value) && value >= 0.0 && value <= 1.0 ? value : fallback; }
double openUnitOr(double value, double fallback) { return std::isfinite(value) && value > 0.0 && value <= 1.0 ? value : fallback; }

double component(double value) { return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0; }

RgbaColor colorFrom(const RGBSnapshot& c)
{
    return RgbaColor(component(c.r), component(c.g), component(c.b), c.a ? component(*c.a) : 1.0);
}

template <typename E>
E enumFrom(const QString& raw)
{
    return fromRawValue<E>(raw).value_or(allCases<E>()[0]);
}

} // namespace

ImageEditorViewModel::RGBSnapshot ImageEditorViewModel::makeRGBSnapshot(RgbaColor color)
{
    RGBSnapshot snapshot;
    snapshot.r = color.red;
    snapshot.g = color.green;
    snapshot.b = color.blue;
    snapshot.a = color.alpha;
    return snapshot;
}

ImageEditorViewModel::ToolStyleSnapshot ImageEditorViewModel::makeToolStyleSnapshot() const
{
    ToolStyleSnapshot s;
    s.arrowColor = makeRGBSnapshot(m_currentArrowColor);
    s.arrowLineWidth = m_currentArrowLineWidth;
    s.arrowHeadStyle = rawValue(m_currentArrowHeadStyle);
    s.shapeType = rawValue(m_currentShapeType);
    s.strokeColor = makeRGBSnapshot(m_currentStrokeColor);
    if (m_currentFillColor)
        s.fillColor = makeRGBSnapshot(*m_currentFillColor);
    s.rectLineWidth = m_currentRectLineWidth;
    s.rectEffect = rawValue(m_currentRectEffect);
    s.numberColor = makeRGBSnapshot(m_currentNumberColor);
    s.numberDiameter = m_currentNumberDiameter;
    s.numberShape = rawValue(m_currentNumberShape);
    s.mosaicIntensity = m_currentMosaicIntensity;
    s.spotlightDim = m_currentSpotlightDim;
    s.backdropPreset = m_currentBackdropPreset.rawValue();
    s.backdropPadding = m_currentBackdropPadding;
    s.backdropCornerRadius = m_currentBackdropCornerRadius;
    s.backdropShadowEnabled = m_currentBackdropShadowEnabled;
    s.backdropShadowIntensity = m_currentBackdropShadowIntensity;
    s.highlighterAlpha = m_currentHighlighterAlpha;
    s.freehandColor = makeRGBSnapshot(m_currentFreehandColor);
    s.freehandLineWidth = m_currentFreehandLineWidth;
    s.freehandLineCap = rawValue(m_currentFreehandLineCap);
    s.lineColor = makeRGBSnapshot(m_currentLineColor);
    s.lineLineWidth = m_currentLineLineWidth;
    s.lineStyle = rawValue(m_currentLineStyle);
    s.textColor = makeRGBSnapshot(m_currentTextColor);
    s.fontSize = m_currentFontSize;
    s.fontName = m_currentFontName;
    return s;
}

void ImageEditorViewModel::persistToolStyles()
{
    if (m_isRestoringToolStyles)
        return;
    const std::optional<QByteArray> json = makeToolStyleSnapshot().toJson();
    if (!json)
        return; // a value JSON cannot hold: keep what was stored before
    Settings::toolStyleSnapshot.write(*json);
}

void ImageEditorViewModel::restoreToolStyles()
{
    if (!Settings::rememberToolStyles.read())
        return;
    const std::optional<QByteArray> data = Settings::toolStyleSnapshot.read();
    if (!data)
        return;
    const std::optional<ToolStyleSnapshot> stored = ToolStyleSnapshot::fromJson(*data);
    if (!stored)
        return;
    const ToolStyleSnapshot& s = *stored;

    m_isRestoringToolStyles = true;
    setCurrentArrowColor(colorFrom(s.arrowColor));
    setCurrentArrowLineWidth(positiveOr(s.arrowLineWidth, kResetArrowLineWidth));
    setCurrentArrowHeadStyle(enumFrom<ArrowHeadStyle>(s.arrowHeadStyle));
    setCurrentShapeType(enumFrom<ShapeType>(s.shapeType));
    setCurrentStrokeColor(colorFrom(s.strokeColor));
    setCurrentFillColor(s.fillColor ? std::optional<RgbaColor>(colorFrom(*s.fillColor)) : std::nullopt);
    setCurrentRectLineWidth(positiveOr(s.rectLineWidth, kResetRectLineWidth));
    setCurrentRectEffect(enumFrom<AnnotationEffect>(s.rectEffect));
    setCurrentNumberColor(colorFrom(s.numberColor));
    setCurrentNumberDiameter(positiveOr(s.numberDiameter, defaultNumberDiameter));
    setCurrentNumberShape(enumFrom<NumberShape>(s.numberShape));
    setCurrentMosaicIntensity(positiveOr(s.mosaicIntensity, kResetMosaicIntensity));
    setCurrentSpotlightDim(unitOr(s.spotlightDim.value_or(kResetSpotlightDim), kResetSpotlightDim));
    if (s.backdropPreset)
        setCurrentBackdropPreset(BackdropPreset::fromRawValue(*s.backdropPreset).value_or(BackdropPreset::white));
    setCurrentBackdropPadding(nonNegativeOr(s.backdropPadding.value_or(kResetBackdropPadding), kResetBackdropPadding));
    setCurrentBackdropCornerRadius(
        nonNegativeOr(s.backdropCornerRadius.value_or(kResetBackdropCornerRadius), kResetBackdropCornerRadius));
    setCurrentBackdropShadowEnabled(s.backdropShadowEnabled.value_or(true));
    setCurrentBackdropShadowIntensity(
        unitOr(s.backdropShadowIntensity.value_or(kResetBackdropShadowIntensity), kResetBackdropShadowIntensity));
    setCurrentHighlighterAlpha(openUnitOr(s.highlighterAlpha, kResetHighlighterAlpha));
    setCurrentFreehandColor(colorFrom(s.freehandColor));
    setCurrentFreehandLineWidth(positiveOr(s.freehandLineWidth, kResetFreehandLineWidth));
    setCurrentFreehandLineCap(enumFrom<LineCapStyle>(s.freehandLineCap));
    setCurrentLineColor(colorFrom(s.lineColor));
    setCurrentLineLineWidth(positiveOr(s.lineLineWidth, kResetLineLineWidth));
    setCurrentLineStyle(enumFrom<LineStyle>(s.lineStyle));
    setCurrentTextColor(colorFrom(s.textColor));
    setCurrentFontSize(positiveOr(s.fontSize, kResetFontSize));
    setCurrentFontName(s.fontName);
    m_isRestoringToolStyles = false;
}

void ImageEditorViewModel::resetToolStyles()
{
    m_isRestoringToolStyles = true;
    setCurrentArrowColor(paletteRed);
    setCurrentArrowLineWidth(kResetArrowLineWidth);
    setCurrentArrowHeadStyle(ArrowHeadStyle::open);
    setCurrentShapeType(ShapeType::rectangle);
    setCurrentStrokeColor(paletteRed);
    setCurrentFillColor(std::nullopt);
    setCurrentRectLineWidth(kResetRectLineWidth);
    setCurrentRectEffect(AnnotationEffect::none);
    setCurrentNumberColor(paletteRed);
    setCurrentNumberDiameter(defaultNumberDiameter);
    setCurrentNumberShape(NumberShape::circle);
    setCurrentMosaicIntensity(kResetMosaicIntensity);
    setCurrentSpotlightDim(kResetSpotlightDim);
    setCurrentBackdropPreset(BackdropPreset::white);
    setCurrentBackdropPadding(kResetBackdropPadding);
    setCurrentBackdropCornerRadius(kResetBackdropCornerRadius);
    setCurrentBackdropShadowEnabled(true);
    setCurrentBackdropShadowIntensity(kResetBackdropShadowIntensity);
    setCurrentHighlighterAlpha(kResetHighlighterAlpha);
    setCurrentFreehandColor(paletteRed);
    setCurrentFreehandLineWidth(kResetFreehandLineWidth);
    setCurrentFreehandLineCap(LineCapStyle::round);
    setCurrentLineColor(paletteRed);
    setCurrentLineLineWidth(kResetLineLineWidth);
    setCurrentLineStyle(LineStyle::solid);
    setCurrentTextColor(paletteBlack);
    setCurrentFontSize(kResetFontSize);
    setCurrentFontName(TextLayout::defaultFontName());
    Settings::toolStyleSnapshot.remove();
    m_isRestoringToolStyles = false;
}
