#include "Output/PinFingerprint.h"

#include "Models/AnnotationManager.h"

#include <QDataStream>
#include <QHashFunctions>
#include <QIODevice>

namespace {

// Negative zero and zero are one rotation.
double folded(double v) { return v == 0.0 ? 0.0 : v; }

QDataStream& operator<<(QDataStream& out, const RgbaColor& c)
{
    return out << c.red << c.green << c.blue << c.alpha;
}

template <typename Enum>
int raw(Enum value)
{
    return static_cast<int>(value);
}

void describe(QDataStream& out, const AnnotationManager& a)
{
    out << QByteArrayLiteral("arrows") << qint64(a.arrows().size());
    for (const ArrowAnnotation& x : a.arrows())
        out << x.id << x.startPoint << x.endPoint << x.color << x.lineWidth << raw(x.headStyle) << x.isSelected;
    out << QByteArrayLiteral("rectangles") << qint64(a.rectangles().size());
    for (const RectangleAnnotation& x : a.rectangles()) {
        out << x.id << x.rect << raw(x.shapeType) << x.strokeColor << x.fillColor.has_value();
        if (x.fillColor)
            out << *x.fillColor;
        out << x.lineWidth << x.cornerRadius << raw(x.effect) << x.mosaicIntensity << x.spotlightDim << x.isSelected;
    }
    out << QByteArrayLiteral("texts") << qint64(a.texts().size());
    for (const TextAnnotation& x : a.texts())
        out << x.id << x.text << x.position << x.fontSize << x.fontName << x.color << x.width << x.isFixedWidth
            << x.isSelected;
    out << QByteArrayLiteral("freehands") << qint64(a.freehands().size());
    for (const FreehandAnnotation& x : a.freehands())
        out << x.id << x.points << x.color << x.lineWidth << raw(x.capStyle) << x.isHighlighter << x.highlighterAlpha
            << x.isSelected;
    out << QByteArrayLiteral("lines") << qint64(a.lines().size());
    for (const LineAnnotation& x : a.lines())
        out << x.id << x.startPoint << x.endPoint << raw(x.lineStyle) << x.lineWidth << x.color << x.isSelected;
    out << QByteArrayLiteral("numbers") << qint64(a.numbers().size());
    for (const NumberAnnotation& x : a.numbers())
        out << x.id << x.position << x.value << x.color << x.diameter << raw(x.shape) << x.isSelected;
}

} // namespace

qint64 pinFingerprint(const Image& image, const AnnotationManager& annotations, double rotation,
                      const std::optional<BackdropParameters>& backdrop)
{
    QByteArray description;
    {
        QDataStream out(&description, QIODevice::WriteOnly);
        out << image.pixelSize() << image.devicePixelRatio() << folded(rotation);
        if (!backdrop)
            out << quint8(1) << QByteArrayLiteral("backdrop:off");
        else
            out << backdrop->preset.rawValue() << folded(backdrop->padding) << folded(backdrop->cornerRadius)
                << quint8(backdrop->shadowEnabled ? 1 : 0) << folded(backdrop->shadowIntensity);
        describe(out, annotations);
    }
    // The pixels row by row: a row's padding bytes are not content.
    size_t hash = qHashBits(description.constData(), size_t(description.size()), QHashSeed::globalSeed());
    const QImage& bitmap = image.bitmap();
    const size_t rowBytes = size_t(bitmap.width()) * size_t(bitmap.depth()) / 8;
    for (int y = 0; y < bitmap.height(); ++y)
        hash = qHashBits(bitmap.constScanLine(y), rowBytes, hash);
    return qint64(hash);
}
