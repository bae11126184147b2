#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Writes a whole file or nothing: the bytes go to a temporary file beside the
// destination, which replaces it only once everything is on disk. A failed
// write (folder not writable, disk full) leaves an existing file untouched.
class AtomicFileWriter {
public:
    // Returns nothing on success, else the system's description of the failure.
    static std::optional<QString> write(const QString& path, const QByteArray& data);

    // For tests: the bytes are written through the device this returns, which
    // stands between the writer and the temporary file (a device that refuses
    // bytes plays a full disk).
    using DeviceWrapper = std::function<std::unique_ptr<QIODevice>(QIODevice& target)>;
    static std::optional<QString> write(const QString& path, const QByteArray& data, const DeviceWrapper& wrapper);
};
