#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The saved form of the editor's tool styles ("toolStyleSnapshot" in the user
// defaults): one JSON object whose keys are the field names below. Enumerations are
// stored by raw value, the backdrop preset by its case name.

// A colour as sRGB components 0...1. `a` is the opacity; absent (also in snapshots
// written before it existed) means opaque.
struct RGBSnapshot {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    std::optional<double> a;

    friend bool operator==(const RGBSnapshot&, const RGBSnapshot&) = default;
};

struct ToolStyleSnapshot {
    RGBSnapshot arrowColor;
    double arrowLineWidth = 0.0;
    QString arrowHeadStyle;
    QString shapeType;
    RGBSnapshot strokeColor;
    std::optional<RGBSnapshot> fillColor;
    double rectLineWidth = 0.0;
    QString rectEffect;
    RGBSnapshot numberColor;
    double numberDiameter = 0.0;
    QString numberShape;
    double mosaicIntensity = 0.0;
    std::optional<double> spotlightDim;
    std::optional<QString> backdropPreset;
    std::optional<double> backdropPadding;
    std::optional<double> backdropCornerRadius;
    std::optional<bool> backdropShadowEnabled;
    std::optional<double> backdropShadowIntensity;
    double highlighterAlpha = 0.0;
    RGBSnapshot freehandColor;
    double freehandLineWidth = 0.0;
    QString freehandLineCap;
    RGBSnapshot lineColor;
    double lineLineWidth = 0.0;
    QString lineStyle;
    RGBSnapshot textColor;
    double fontSize = 0.0;
    QString fontName;

    friend bool operator==(const ToolStyleSnapshot&, const ToolStyleSnapshot&) = default;

    // Compact JSON; nothing when a number is not finite (JSON cannot hold it).
    std::optional<QByteArray> toJson() const;
    // Nothing unless the data is one JSON object with every required key holding a
    // value of its type; optional keys may be missing or null. Unknown keys are
    // ignored. There is no partial result.
    static std::optional<ToolStyleSnapshot> fromJson(const QByteArray& json);
};
