#include "Models/CropTransfer.h"

#include "Models/AnnotationGeometry.h"
#include "Models/AnnotationManager.h"
#include "Models/TextMeasurement.h"

#include <algorithm>
#include <cmath>

namespace {

struct Frame {
    double w;
    double h;
    QRectF crop;

    QPointF toPixels(QPointF p) const { return {p.x() * w, p.y() * h}; }
    QPointF map(QPointF p) const
    {
        const QPointF pixels = toPixels(p);
        return {(pixels.x() - crop.left()) / crop.width(), (pixels.y() - crop.top()) / crop.height()};
    }
    QRectF map(const QRectF& r) const
    {
        return {map(r.topLeft()), QSizeF(r.width() * w / crop.width(), r.height() * h / crop.height())};
    }
    // Whether bounds (in the image's pixels), grown by margin, reach into the crop.
    bool keeps(const QRectF& bounds, double margin) const
    {
        const QRectF b = bounds.normalized();
        return b.right() + margin >= crop.left() && b.left() - margin <= crop.right()
            && b.bottom() + margin >= crop.top() && b.top() - margin <= crop.bottom();
    }
    QRectF pixelsOf(QPointF a, QPointF b) const { return QRectF(toPixels(a), toPixels(b)); }
    // An arrow's or a line's two ends.
    template <typename Stroke>
    void mapEnds(Stroke& stroke) const
    {
        stroke.startPoint = map(stroke.startPoint);
        stroke.endPoint = map(stroke.endPoint);
    }
};

// Both the crop and the image have an area: anything else leaves everything as it is.
bool hasArea(const CropTransfer& transfer)
{
    return transfer.crop.width() > 0.0 && transfer.crop.height() > 0.0 && transfer.imagePixels.width() > 0.0
        && transfer.imagePixels.height() > 0.0;
}

double halfWidth(double width) { return std::isfinite(width) ? std::fabs(width) / 2.0 : 0.0; }

template <typename T, typename Keep, typename Map>
QList<T> carried(const QList<T>& list, Keep keep, Map map)
{
    QList<T> result;
    for (T element : list) {
        if (!keep(element))
            continue;
        map(element);
        result.append(element);
    }
    return result;
}

} // namespace

void CropTransfer::apply(AnnotationManager& store) const
{
    if (!hasArea(*this))
        return;
    const Frame f{imagePixels.width(), imagePixels.height(), crop};
    // Fonts keep their drawn size: before, fontSize x w / referenceWidth pixels.
    const double fontScale = referenceWidth > 0.0 ? f.w / referenceWidth : 1.0;

    store.setArrows(carried(
        store.arrows(),
        [&](const ArrowAnnotation& a) {
            const double head = std::max(5.0 * a.lineWidth, 15.0) / 2.0; // the head spreads sideways
            return f.keeps(f.pixelsOf(a.startPoint, a.endPoint), std::max(halfWidth(a.lineWidth), head));
        },
        [&](ArrowAnnotation& a) { f.mapEnds(a); }));
    store.setLines(carried(
        store.lines(),
        [&](const LineAnnotation& l) {
            return f.keeps(f.pixelsOf(l.startPoint, l.endPoint), std::max(halfWidth(l.lineWidth), 4.0 + l.lineWidth));
        },
        [&](LineAnnotation& l) { f.mapEnds(l); }));
    store.setRectangles(carried(
        store.rectangles(),
        [&](const RectangleAnnotation& r) {
            return f.keeps(QRectF(f.toPixels(r.rect.topLeft()), QSizeF(r.rect.width() * f.w, r.rect.height() * f.h)),
                           halfWidth(r.lineWidth));
        },
        [&](RectangleAnnotation& r) {
            r.rect = f.map(r.rect);
            if (r.effect == AnnotationEffect::mosaic)
                r.mosaicIntensity = mosaicIntensityAfterCrop(r.mosaicIntensity);
        }));
    store.setFreehands(carried(
        store.freehands(),
        [&](const FreehandAnnotation& s) {
            const double width = s.isHighlighter ? s.lineWidth * highlighterWidthFactor : s.lineWidth;
            return f.keeps(pointsBoundingRect(s.points, f.w, f.h), halfWidth(width));
        },
        [&](FreehandAnnotation& s) {
            for (QPointF& p : s.points)
                p = f.map(p);
        }));
    store.setNumbers(carried(
        store.numbers(),
        [&](const NumberAnnotation& n) {
            return f.keeps(QRectF(f.toPixels(n.position), QSizeF()), std::isfinite(n.diameter) ? std::fabs(n.diameter) : 0.0);
        },
        [&](NumberAnnotation& n) { n.position = f.map(n.position); }));
    store.setTexts(carried(
        store.texts(),
        [&](const TextAnnotation& t) { return f.keeps(textBoxRect(t, f.w, f.h, referenceWidth), 0.0); },
        [&](TextAnnotation& t) {
            t.position = f.map(t.position);
            t.width = t.width * f.w / f.crop.width();
            t.fontSize *= fontScale;
        }));
}

double CropTransfer::mosaicIntensityAfterCrop(double intensity) const
{
    if (!hasArea(*this))
        return intensity;
    // 110 - 10 x intensity cells span the image's side (4 to 100): their count over the
    // new side shrinks with the side, and by the side that shrank most.
    double perSide = 110.0 - 10.0 * intensity;
    perSide = std::isnan(perSide) ? 100.0 : std::clamp(perSide, 4.0, 100.0);
    const double shrink = std::min(crop.width() / imagePixels.width(), crop.height() / imagePixels.height());
    return (110.0 - perSide * std::min(shrink, 1.0)) / 10.0;
}
