#include "Output/AtomicFileWriter.h"

#include "Platform/FileSync.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {

// Writes in pieces so that a device that stops accepting bytes midway is
// noticed at once.
std::optional<QString> writeAll(QIODevice& device, const QByteArray& data)
{
    constexpr qint64 chunk = 4 * 1024 * 1024;
    qint64 offset = 0;
    while (offset < data.size()) {
        const qint64 length = std::min(chunk, data.size() - offset);
        const qint64 written = device.write(data.constData() + offset, length);
        if (written <= 0) {
            const QString reason = device.errorString();
            return reason.isEmpty() ? QStringLiteral("No space left on device") : reason;
        }
        offset += written;
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> AtomicFileWriter::write(const QString& path, const QByteArray& data)
{
    return write(path, data, {});
}

std::optional<QString> AtomicFileWriter::write(const QString& path, const QByteArray& data,
                                               const DeviceWrapper& wrapper)
{
    if (QFileInfo(path).isDir())
        return QStringLiteral("%1 is a folder").arg(path);

    QSaveFile file(path);
    // Never fall back to writing the destination in place: that is what would
    // leave a half-written file behind.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();

    std::optional<QString> failure;
    if (wrapper) {
        std::unique_ptr<QIODevice> device = wrapper(file);
        if (!device || !device->isOpen())
            failure = QStringLiteral("cannot open the output device");
        else
            failure = writeAll(*device, data);
    } else {
        failure = writeAll(file, data);
    }
    if (failure) {
        file.cancelWriting();
        return failure;
    }
    // commit() syncs the data before it renames; the folder's new entry must reach the
    // disk too, or a power cut right after "Saved" can leave no file, or an empty one.
    if (!file.commit())
        return file.errorString();
    return FileSync::syncFolder(QFileInfo(path).absolutePath());
}
