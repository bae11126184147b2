#include "Output/ImageEncoder.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

EncodeResult encodePdf(const QImage& image)
{
    EncodeResult result;
    if (image.isNull())
        return {{}, EncodeError::emptyImage, QStringLiteral("empty image")};

    QBuffer buffer(&result.data);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Lumetra"));
        // 72 dots per inch: one image pixel is one point of the page.
        writer.setResolution(72);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setPageSize(QPageSize(QSizeF(image.width(), image.height()), QPageSize::Point, QString(),
                                     QPageSize::ExactMatch));
        QPainter painter;
        if (!painter.begin(&writer)) {
            result.data.clear();
            result.error = EncodeError::encoderFailed;
            result.detail = QStringLiteral("cannot start the PDF page");
            return result;
        }
        // Without this hint Qt may store the picture as JPEG; a screenshot
        // must stay pixel-exact.
        painter.setRenderHint(QPainter::LosslessImageRendering, true);
        QImage source = image;
        if (source.devicePixelRatio() != 1.0)
            source.setDevicePixelRatio(1.0);
        painter.drawImage(QRectF(0, 0, image.width(), image.height()), source);
        painter.end();
    }
    if (result.data.isEmpty()) {
        result.error = EncodeError::encoderFailed;
        result.detail = QStringLiteral("the PDF writer produced nothing");
    }
    return result;
}
