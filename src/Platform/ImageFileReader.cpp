#include "Platform/ImageFileReader.h"

#include "Platform/PsdReader.h"
#include "Platform/RegularFile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <mutex>

#include <unistd.h>

namespace ImageFileReader {

namespace {

    void raiseAllocationLimitOnce()
    {
        static std::once_flag once;
        std::call_once(once, [] { QImageReader::setAllocationLimit(int(maxDecodedBytes / (1024 * 1024))); });
    }

    // The editor paints ARGB32 premultiplied (or opaque RGB32) without conversion.
    QImage normalized(QImage image)
    {
        switch (image.format()) {
        case QImage::Format_ARGB32_Premultiplied:
        case QImage::Format_RGB32:
            break;
        default:
            image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        }
        image.setDevicePixelRatio(1.0);
        return image;
    }

    Result readWithQt(QImageReader& reader)
    {
        raiseAllocationLimitOnce();
        reader.setDecideFormatFromContent(true);
        reader.setAutoTransform(true);
        QImage image;
        if (!reader.read(&image) || image.isNull())
            return { QImage(), reader.errorString() };
        return { normalized(std::move(image)), QString() };
    }

    bool isPsd(const QByteArray& head) { return PsdReader::hasSignature(head); }

} // namespace

Result readData(const QByteArray& data)
{
    if (data.isEmpty())
        return { QImage(), QStringLiteral("no data") };
    if (isPsd(data)) {
        PsdReader::Result psd = PsdReader::read(data, maxDecodedBytes);
        return { psd.image.isNull() ? QImage() : normalized(psd.image), psd.error };
    }
    if (looksLikeHeif(data)) {
        Result heif = readHeif(data);
        if (heif.ok())
            heif.image = normalized(heif.image);
        return heif;
    }
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return readWithQt(reader);
}

Result readFile(const QString& path)
{
    // Only a regular file: a FIFO would hold this thread (and the program's exit) in
    // open() or read(), a device would never end.
    QString error;
    const int fd = RegularFile::openForReading(path, &error);
    if (fd < 0)
        return { QImage(), error };
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return { QImage(), file.errorString() };
    }

    // The whole file is only read into memory for the formats decoded by us; Qt's
    // readers stream from the file.
    const QByteArray head = file.peek(64);
    if (isPsd(head) || looksLikeHeif(head)) {
        const QByteArray data = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return { QImage(), file.errorString() };
        return readData(data);
    }
    QImageReader reader(&file);
    return readWithQt(reader);
}

} // namespace ImageFileReader
