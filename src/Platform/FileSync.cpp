#include "Platform/FileSync.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace FileSync {

namespace {

    // "Lumetra-2.0.tar.gz" -> "Lumetra-2.0" and ".tar.gz": a numbered copy keeps the
    // whole archive suffix.
    std::pair<QString, QString> splitName(const QString& fileName)
    {
        for (const char* compound : {".tar.gz", ".tar.xz", ".tar.bz2", ".tar.zst"}) {
            const QString suffix = QString::fromLatin1(compound);
            if (fileName.endsWith(suffix, Qt::CaseInsensitive) && fileName.size() > suffix.size())
                return {fileName.left(fileName.size() - suffix.size()), fileName.right(suffix.size())};
        }
        const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
        if (dot <= 0)
            return {fileName, QString()};
        return {fileName.left(dot), fileName.mid(dot)};
    }

} // namespace

std::optional<QString> syncDescriptor(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno != EINTR)
            return qt_error_string(errno);
    }
    return std::nullopt;
}

std::optional<QString> syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return qt_error_string(errno);
    std::optional<QString> failure;
    while (::fsync(fd) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EINVAL && errno != ENOTSUP)
            failure = qt_error_string(errno);
        break;
    }
    ::close(fd);
    return failure;
}

std::optional<QString> linkUnderFreeName(const QString& tempPath, const QString& folder, const QString& fileName,
                                         QString* error)
{
    const auto [stem, suffix] = splitName(fileName);
    const QByteArray from = QFile::encodeName(tempPath);
    for (int number = 1; number < 1000; ++number) {
        const QString name = number == 1 ? fileName : QStringLiteral("%1 (%2)%3").arg(stem).arg(number).arg(suffix);
        const QString path = QDir(folder).filePath(name);
        if (::link(from.constData(), QFile::encodeName(path).constData()) == 0) {
            ::unlink(from.constData());
            if (const std::optional<QString> failure = syncFolder(folder)) {
                if (error)
                    *error = *failure;
                return std::nullopt;
            }
            return path;
        }
        if (errno != EEXIST) {
            if (error)
                *error = qt_error_string(errno);
            return std::nullopt;
        }
    }
    if (error)
        *error = QStringLiteral("no free file name for %1").arg(fileName);
    return std::nullopt;
}

} // namespace FileSync
