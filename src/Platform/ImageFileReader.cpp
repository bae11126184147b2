#include "Platform/ImageFileReader.h"

#include "Platform/HeifDecoderProtocol.h"
#include "Platform/PsdReader.h"
#include "Platform/RegularFile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

namespace ImageFileReader {

namespace {

    void raiseAllocationLimitOnce()
    {
        static std::once_flag once;
        std::call_once(once, [] { QImageReader::setAllocationLimit(int(maxDecodedBytes / (1024 * 1024))); });
    }

    bool isWanted(const Superseded& superseded) { return !superseded || !superseded(); }

    Result supersededResult() { return { QImage(), QStringLiteral("a newer load took its place") }; }

    QImage::Format normalFormat(bool alpha) { return alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32; }

    // The bytes a decoded image and its conversion to what the editor paints hold
    // together. Qt converts between formats of 32 bits a pixel in place; every other
    // format (8-bit grey, 16 bits a sample) is copied, and both copies exist at once.
    qint64 bytesWithConversion(QSize size, QImage::Format format)
    {
        const qint64 pixels = qint64(size.width()) * size.height();
        const int depth = QImage::toPixelFormat(format).bitsPerPixel();
        const qint64 decoded = (pixels * depth + 7) / 8;
        return depth == 32 ? decoded : decoded + pixels * 4;
    }

    // The editor paints ARGB32 premultiplied (or opaque RGB32) without conversion.
    QImage normalized(QImage image)
    {
        switch (image.format()) {
        case QImage::Format_ARGB32_Premultiplied:
        case QImage::Format_RGB32:
            break;
        default:
            image.convertTo(normalFormat(image.hasAlphaChannel()));
        }
        image.setDevicePixelRatio(1.0);
        return image;
    }

    QString tooLarge(QSize size) { return QStringLiteral("image too large %1x%2").arg(size.width()).arg(size.height()); }

    Result readWithQt(QImageReader& reader, const Superseded& superseded)
    {
        raiseAllocationLimitOnce();
        reader.setDecideFormatFromContent(true);
        reader.setAutoTransform(true);
        // What the header says is enough to refuse an image whose conversion would not fit.
        const QSize announced = reader.size();
        if (announced.isValid() && reader.imageFormat() != QImage::Format_Invalid
            && bytesWithConversion(announced, reader.imageFormat()) > maxDecodedBytes)
            return { QImage(), tooLarge(announced) };
        QImage image;
        if (!reader.read(&image) || image.isNull())
            return { QImage(), isWanted(superseded) ? reader.errorString() : supersededResult().error };
        if (!isWanted(superseded))
            return supersededResult();
        if (bytesWithConversion(image.size(), image.format()) > maxDecodedBytes)
            return { QImage(), tooLarge(image.size()) };
        return { normalized(std::move(image)), QString() };
    }

    // A file whose reads fail once the load is superseded: Qt's decoders stop at their
    // next read instead of decoding to the end.
    class SupersedableFile : public QFile {
    public:
        explicit SupersedableFile(Superseded superseded) : m_superseded(std::move(superseded)) { }

    protected:
        qint64 readData(char* data, qint64 maxSize) override
        {
            if (!isWanted(m_superseded)) {
                setErrorString(supersededResult().error);
                return -1;
            }
            return QFile::readData(data, maxSize);
        }

    private:
        Superseded m_superseded;
    };

    bool isPsd(const QByteArray& head) { return PsdReader::hasSignature(head); }

    bool readAt(int fd, qint64 offset, char* into, qint64 size)
    {
        while (size > 0) {
            const ssize_t n = ::pread(fd, into, size_t(size), off_t(offset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            into += n;
            offset += n;
            size -= n;
        }
        return true;
    }

    quint32 bigEndian32(const char* bytes)
    {
        const auto* b = reinterpret_cast<const uchar*>(bytes);
        return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
    }

    // Only the parts of a PSD file the merged image needs are read: the header, the
    // layer count and the image data. The colour table, the image resources and the
    // layers (most of a layered file) are skipped, and the reader is given the file as
    // if those sections were empty.
    Result readPsd(int fd, qint64 fileSize, const Superseded& superseded)
    {
        constexpr qint64 headerBytes = 26;
        QByteArray data(headerBytes, Qt::Uninitialized);
        qint64 offset = headerBytes;
        char length[4];
        if (!readAt(fd, 0, data.data(), headerBytes))
            return { QImage(), QStringLiteral("truncated header") };
        // The colour mode data and the image resources.
        for (int section = 0; section < 2; ++section) {
            if (!readAt(fd, offset, length, 4))
                return { QImage(), QStringLiteral("truncated section") };
            offset += 4 + bigEndian32(length);
        }
        data.append(QByteArray(8, '\0'));
        // The layer section: its length, and the start of the layer information that
        // holds the layer count.
        char layers[10] = {};
        if (offset + 4 > fileSize || !readAt(fd, offset, layers, 4))
            return { QImage(), QStringLiteral("truncated section") };
        const qint64 layerSectionLength = bigEndian32(layers);
        const qint64 layerPart = std::min<qint64>(layerSectionLength, 6);
        if (offset + 4 + layerSectionLength > fileSize || !readAt(fd, offset + 4, layers + 4, layerPart))
            return { QImage(), QStringLiteral("truncated section") };
        layers[0] = layers[1] = layers[2] = 0;
        layers[3] = char(layerPart);
        data.append(layers, 4 + layerPart);
        offset += 4 + layerSectionLength;
        if (!isWanted(superseded))
            return supersededResult();
        const qint64 rest = fileSize - offset;
        const qsizetype start = data.size();
        data.resize(start + qsizetype(rest));
        if (!readAt(fd, offset, data.data() + start, rest))
            return { QImage(), QStringLiteral("the file could not be read") };
        if (!isWanted(superseded))
            return supersededResult();
        PsdReader::Result psd = PsdReader::read(data, maxDecodedBytes);
        return { psd.image.isNull() ? QImage() : normalized(psd.image), psd.error };
    }

} // namespace

Result readData(const QByteArray& data, const Superseded& superseded)
{
    if (data.isEmpty())
        return { QImage(), QStringLiteral("no data") };
    if (!isWanted(superseded))
        return supersededResult();
    if (isPsd(data)) {
        PsdReader::Result psd = PsdReader::read(data, maxDecodedBytes);
        return { psd.image.isNull() ? QImage() : normalized(psd.image), psd.error };
    }
    if (looksLikeHeif(data))
        return readHeif(data, superseded);
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return readWithQt(reader, superseded);
}

Result readFile(const QString& path, const Superseded& superseded)
{
    if (!isWanted(superseded))
        return supersededResult();
    // Only a regular file: a FIFO would hold this thread (and the program's exit) in
    // open() or read(), a device would never end.
    QString error;
    int systemError = 0;
    const int fd = RegularFile::openForReading(path, &error, &systemError);
    if (fd < 0)
        return { QImage(), error, systemError };
    SupersedableFile file(superseded);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return { QImage(), file.errorString() };
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return { QImage(), qt_error_string(errno) };

    // The formats decoded by us are measured before a byte is read: a sparse file of
    // gigabytes costs nothing. Qt's readers stream from the file.
    const QByteArray head = file.peek(64);
    if (isPsd(head)) {
        if (status.st_size > PsdReader::maxFileBytes)
            return { QImage(), QStringLiteral("the PSD file is larger than the format allows") };
        return readPsd(fd, status.st_size, superseded);
    }
    if (looksLikeHeif(head)) {
        if (status.st_size > HeifDecoderProtocol::maximumInputBytes)
            return { QImage(), QStringLiteral("the HEIF file is too large") };
        return readHeifFile(fd, superseded);
    }
    QImageReader reader(&file);
    return readWithQt(reader, superseded);
}

} // namespace ImageFileReader
