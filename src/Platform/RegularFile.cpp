#include "Platform/RegularFile.h"

#include "Platform/LocalFileName.h"

#include <QDateTime>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace RegularFile {

namespace {

    QString describe(const struct stat& status)
    {
        if (S_ISDIR(status.st_mode))
            return QStringLiteral("is a folder");
        if (S_ISFIFO(status.st_mode))
            return QStringLiteral("is a FIFO");
        if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
            return QStringLiteral("is a device");
        if (S_ISSOCK(status.st_mode))
            return QStringLiteral("is a socket");
        return QStringLiteral("is not a regular file");
    }

} // namespace

int openForReading(const QString& path, QString* error, int* errorNumber)
{
    const QByteArray name = LocalFileName::encode(path);
    struct stat before {};
    if (name.isEmpty() || ::stat(name.constData(), &before) != 0) {
        const int failure = name.isEmpty() ? ENOENT : errno;
        if (error)
            *error = name.isEmpty() ? QStringLiteral("no file name") : qt_error_string(failure);
        if (errorNumber)
            *errorNumber = failure;
        return -1;
    }
    if (!S_ISREG(before.st_mode)) {
        if (error)
            *error = describe(before);
        return -1;
    }
    // O_NONBLOCK: should the path have become a FIFO since the check, opening it still
    // returns at once, and the descriptor's own type is checked below.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int failure = errno;
        if (error)
            *error = qt_error_string(failure);
        if (errorNumber)
            *errorNumber = failure;
        return -1;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        if (error)
            *error = describe(opened);
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

Standing setAsideIfUnusable(const QString& path, QString* setAsidePath)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0)
        return Standing::absentOrRegular;
    // A link is judged by what it leads to; one that leads nowhere is unusable too.
    struct stat target {};
    const bool resolves = ::stat(name.constData(), &target) == 0;
    if (resolves && S_ISREG(target.st_mode))
        return Standing::absentOrRegular;
    if (!resolves && errno == ENOENT && S_ISLNK(status.st_mode))
        return Standing::absentOrRegular; // a dangling link: writing creates its target
    const QString aside = path + QStringLiteral(".unusable-")
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    if (setAsidePath)
        *setAsidePath = aside;
    return ::rename(name.constData(), QFile::encodeName(aside).constData()) == 0 ? Standing::setAside : Standing::unusable;
}

} // namespace RegularFile
