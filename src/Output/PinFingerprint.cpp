#include "Output/PinFingerprint.h"

#include "Models/AnnotationDescription.h"

#include <QDataStream>
#include <QHashFunctions>
#include <QIODevice>

namespace {

// Negative zero and zero are one rotation.
double folded(double v) { return v == 0.0 ? 0.0 : v; }

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
        describeAnnotations(out, annotations, true);
    }
    // The pixels row by row: a row's padding bytes are not content.
    size_t hash = qHashBits(description.constData(), size_t(description.size()), QHashSeed::globalSeed());
    const QImage& bitmap = image.bitmap();
    const size_t rowBytes = size_t(bitmap.width()) * size_t(bitmap.depth()) / 8;
    for (int y = 0; y < bitmap.height(); ++y)
        hash = qHashBits(bitmap.constScanLine(y), rowBytes, hash);
    return qint64(hash);
}
