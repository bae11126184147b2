#pragma once

// Shared helpers of the editor core's tests: images with recognisable pixels, files
// written into a temporary folder, a scripted open panel and a signal recorder.

#include "Models/ImageEditorViewModel.h"
#include "Platform/OpenPanel.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace EditorTestSupport {

// An opaque image whose pixel at (x, y) encodes x and y, so a crop's offset shows.
inline QImage coordinateImage(int w, int h, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb(x & 0xff, y & 0xff, ((x >> 8) << 4 | (y >> 8)) & 0xff);
    }
    return format == QImage::Format_RGB32 ? image : image.convertToFormat(format);
}

inline Image solidImage(int w, int h, QColor color = Qt::gray, qreal ratio = 1.0)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return Image(image, ratio);
}

// An image of the given pixel count for depth tests; its pixels are never read.
inline Image bigImage(int w, int h)
{
    QImage image(w, h, QImage::Format_Grayscale8);
    return Image(image);
}

inline QByteArray encode(const QImage& image, const char* format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image);
    return data;
}

// The PNG bytes of a plain image.
inline QByteArray solidPng(int w, int h, QColor color) { return encode(solidImage(w, h, color).bitmap(), "png"); }

inline QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& data)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
    return path;
}

class ScriptedOpenPanel : public OpenPanel {
public:
    std::optional<QString> answer;
    int runs = 0;
    QString filter;
    std::optional<QString> chooseImageFile(const QString& nameFilter) override
    {
        ++runs;
        filter = nameFilter;
        return answer;
    }
};

// Scaling and resizing resample on a worker: waits until the result is in.
inline bool resampled(const ImageEditorViewModel& model, int timeoutMs = 10000)
{
    return QTest::qWaitFor([&] { return !model.isResampling(); }, timeoutMs);
}

// Waits until the model has finished `count` background loads.
inline bool waitForLoads(QSignalSpy& finished, int count, int timeoutMs = 10000)
{
    return QTest::qWaitFor([&] { return finished.count() >= count; }, timeoutMs);
}

inline ArrowAnnotation arrow(bool selected = false)
{
    return ArrowAnnotation{ .startPoint = { 0.1, 0.1 }, .endPoint = { 0.5, 0.5 }, .lineWidth = 3, .isSelected = selected };
}

inline RectangleAnnotation rectangle(bool selected = false)
{
    return RectangleAnnotation{ .rect = { 0.2, 0.2, 0.3, 0.3 }, .lineWidth = 2, .isSelected = selected };
}

} // namespace EditorTestSupport
