#pragma once

#include "Models/BackdropPreset.h"

#include <QSize>

#include <optional>

// The geometry a backdrop takes around an image of a given pixel size. The live
// preview, the fit-to-window zoom and the rendered output all work from this one
// value so that they agree to the pixel.
struct BackdropLayout {
    double padding = 0.0;           // parameters' padding, unchanged
    double cornerRadius = 0.0;      // the image's effective corner radius
    double outerCornerRadius = 0.0; // the card's: cornerRadius + padding
    std::optional<double> shadowBlur; // absent when the shadow is switched off
    double shadowOffsetY = 0.0;     // downward
    double shadowOpacity = 0.0;     // of a black shadow

    // Everything that draws a shadow, and the shadow margin, uses this test.
    bool isShadowVisible() const { return shadowBlur.has_value() && shadowOpacity > 0.001; }

    // Room kept around the card on every side for the shadow, whole pixels >= 0.
    // Kept on all four sides although the shadow falls downwards, so the card
    // stays centred in the output.
    int shadowMargin() const;

    // The padding as whole pixels, as the rendered canvas uses it. Negative or
    // non-finite padding counts as none.
    int wholePadding() const;

    // Whole padding plus shadow margin: the room the rendered output, and so the
    // fit-to-window zoom, keeps on each side.
    double fitMargin() const { return wholePadding() + shadowMargin(); }

    // The rendered canvas for an image of the given pixel size:
    // image + 2 * whole padding + 2 * shadow margin on each side length.
    QSize canvasPixelSize(int imageWidth, int imageHeight) const;
};

// The backdrop's settings as the editor holds them and the export snapshot copies
// them. An absent std::optional<BackdropParameters> means the backdrop is off.
struct BackdropParameters {
    BackdropPreset preset = BackdropPreset::white;
    double padding = 32.0;       // image edge to card edge, in the image's pixels
    double cornerRadius = 12.0;  // requested corner radius of the image
    bool shadowEnabled = true;
    double shadowIntensity = 0.5; // used within 0...1

    // The layout for an image of width x height pixels.
    BackdropLayout layout(double width, double height) const;

    friend bool operator==(const BackdropParameters& a, const BackdropParameters& b)
    {
        return a.preset.value() == b.preset.value() && a.padding == b.padding && a.cornerRadius == b.cornerRadius
            && a.shadowEnabled == b.shadowEnabled && a.shadowIntensity == b.shadowIntensity;
    }
};
