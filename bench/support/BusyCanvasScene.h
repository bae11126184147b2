#pragma once

// The busy 4K capture the canvas benchmarks paint: a photo-like 3840 x 2160 image and
// 300 mixed annotations over it.

#include "Models/AnnotationManager.h"
#include "Models/Palette.h"

#include <QImage>
#include <QRandomGenerator>

#include <cmath>

namespace BusyCanvasScene {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;

inline QImage photoLikeImage()
{
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x)
            row[x] = qRgb((x * 255) / kWidth, (y * 255) / kHeight, ((x ^ y) >> 3) & 0xff);
    }
    return image;
}

// 300 annotations: 60 hand-drawn strokes (a third tapered, a third highlighters), 50 lines,
// 50 arrows, 44 rectangles, 5 mosaic areas, 1 spotlight, 45 texts, 45 markers.
inline void appendAnnotations(AnnotationManager& store)
{
    QRandomGenerator random(7);
    auto unit = [&] { return random.bounded(1.0); };
    auto point = [&] { return QPointF(unit(), unit()); };
    auto colour = [&] { return presetColors[random.bounded(int(presetColors.size()))]; };

    for (int i = 0; i < 60; ++i) {
        FreehandAnnotation stroke{.color = colour(), .lineWidth = 2.0 + i % 6,
                                  .capStyle = i % 3 == 0 ? LineCapStyle::taper : LineCapStyle::round,
                                  .isHighlighter = i % 3 == 1, .highlighterAlpha = 0.4};
        // A hand-drawn curve: 80 pointer samples about 6 pixels apart, turning gently.
        QPointF p = point() * 0.8 + QPointF(0.1, 0.1);
        double heading = unit() * 6.283;
        for (int k = 0; k < 80; ++k) {
            stroke.points.append(p);
            heading += unit() * 0.16 - 0.08;
            p += QPointF(std::cos(heading) * 0.0015, std::sin(heading) * 0.0015 * kWidth / kHeight);
        }
        store.appendFreehand(stroke);
    }
    for (int i = 0; i < 50; ++i)
        store.appendLine(LineAnnotation{.startPoint = point(), .endPoint = point(),
                                        .lineStyle = allCases<LineStyle>()[i % 3], .lineWidth = 3,
                                        .color = colour()});
    for (int i = 0; i < 50; ++i)
        store.appendArrow(ArrowAnnotation{.startPoint = point(), .endPoint = point(), .color = colour(),
                                          .lineWidth = 4, .headStyle = allCases<ArrowHeadStyle>()[i % 3]});
    for (int i = 0; i < 44; ++i) {
        const QPointF o = point() * 0.8;
        store.appendRectangle(RectangleAnnotation{
            .rect = QRectF(o, QSizeF(0.05 + unit() * 0.15, 0.05 + unit() * 0.15)),
            .shapeType = allCases<ShapeType>()[i % 3], .strokeColor = colour(),
            .fillColor = i % 4 == 0 ? std::optional<RgbaColor>(colour().withAlpha(0.3)) : std::nullopt,
            .lineWidth = 3, .cornerRadius = 8});
    }
    for (int i = 0; i < 5; ++i)
        store.appendRectangle(RectangleAnnotation{.rect = QRectF(0.05 + i * 0.18, 0.6, 0.15, 0.2),
                                                  .strokeColor = paletteRed, .lineWidth = 3,
                                                  .effect = AnnotationEffect::mosaic,
                                                  .mosaicIntensity = 1.0 + i * 2});
    store.appendRectangle(RectangleAnnotation{.rect = QRectF(0.3, 0.1, 0.4, 0.3), .strokeColor = paletteRed,
                                              .effect = AnnotationEffect::spotlight, .spotlightDim = 0.45});
    for (int i = 0; i < 45; ++i)
        store.appendText(TextAnnotation{.text = QStringLiteral("Note %1: check this value").arg(i),
                                        .position = point(), .fontSize = 28, .fontName = QStringLiteral("Arial"),
                                        .color = colour(), .width = 0.08});
    for (int i = 0; i < 45; ++i)
        store.appendNumber(NumberAnnotation{.position = point(), .value = i + 1, .color = colour(),
                                            .diameter = 28, .shape = allCases<NumberShape>()[i % 2]});
}

} // namespace BusyCanvasScene
