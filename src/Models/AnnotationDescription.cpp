#include "Models/AnnotationDescription.h"

#include "Models/AnnotationManager.h"

#include <QDataStream>
#include <QIODevice>

namespace {

QDataStream& operator<<(QDataStream& out, const RgbaColor& c)
{
    return out << c.red << c.green << c.blue << c.alpha;
}

template <typename Enum>
int raw(Enum value)
{
    return static_cast<int>(value);
}

} // namespace

void describeAnnotations(QDataStream& out, const AnnotationManager& a, bool withSelection)
{
    const auto selected = [&](bool isSelected) {
        if (withSelection)
            out << isSelected;
    };
    out << QByteArrayLiteral("arrows") << qint64(a.arrows().size());
    for (const ArrowAnnotation& x : a.arrows()) {
        out << x.id << x.startPoint << x.endPoint << x.color << x.lineWidth << raw(x.headStyle);
        selected(x.isSelected);
    }
    out << QByteArrayLiteral("rectangles") << qint64(a.rectangles().size());
    for (const RectangleAnnotation& x : a.rectangles()) {
        out << x.id << x.rect << raw(x.shapeType) << x.strokeColor << x.fillColor.has_value();
        if (x.fillColor)
            out << *x.fillColor;
        out << x.lineWidth << x.cornerRadius << raw(x.effect) << x.mosaicIntensity << x.spotlightDim;
        selected(x.isSelected);
    }
    out << QByteArrayLiteral("texts") << qint64(a.texts().size());
    for (const TextAnnotation& x : a.texts()) {
        out << x.id << x.text << x.position << x.fontSize << x.fontName << x.color << x.width << x.isFixedWidth;
        selected(x.isSelected);
    }
    out << QByteArrayLiteral("freehands") << qint64(a.freehands().size());
    for (const FreehandAnnotation& x : a.freehands()) {
        out << x.id << x.points << x.color << x.lineWidth << raw(x.capStyle) << x.isHighlighter << x.highlighterAlpha;
        selected(x.isSelected);
    }
    out << QByteArrayLiteral("lines") << qint64(a.lines().size());
    for (const LineAnnotation& x : a.lines()) {
        out << x.id << x.startPoint << x.endPoint << raw(x.lineStyle) << x.lineWidth << x.color;
        selected(x.isSelected);
    }
    out << QByteArrayLiteral("numbers") << qint64(a.numbers().size());
    for (const NumberAnnotation& x : a.numbers()) {
        out << x.id << x.position << x.value << x.color << x.diameter << raw(x.shape);
        selected(x.isSelected);
    }
}

QByteArray annotationDescription(const AnnotationManager& annotations, bool withSelection)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    describeAnnotations(out, annotations, withSelection);
    return bytes;
}
