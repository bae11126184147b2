#pragma once

// Paths that name no readable regular file, made in a test's folder: what a user can
// hand Lumetra by mistake or on purpose.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace NonRegularFiles {

struct Case {
    const char* kind;
    QString path;
};

// A FIFO and a folder with image names, a device, a missing file, a link to itself,
// and a file whose name is not valid UTF-8 (a PNG inside, but the name cannot be spelt
// back to the file). Each path's file name is what an alert about it must name.
inline std::vector<Case> make(const QString& folder)
{
    const QDir dir(folder);
    const QString fifo = dir.filePath(QStringLiteral("fifo.png"));
    ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
    const QString subfolder = dir.filePath(QStringLiteral("folder.png"));
    dir.mkpath(subfolder);
    const QString loop = dir.filePath(QStringLiteral("loop.png"));
    ::symlink(QFile::encodeName(loop).constData(), QFile::encodeName(loop).constData());
    const QByteArray latin1Name = QFile::encodeName(folder) + "/caf\xe9.png";
    if (FILE* file = std::fopen(latin1Name.constData(), "wb"))
        std::fclose(file);
    return {
        {"fifo", fifo},
        {"folder", subfolder},
        {"device", QStringLiteral("/dev/zero")},
        {"missing", dir.filePath(QStringLiteral("missing.png"))},
        {"symlink loop", loop},
        {"name not UTF-8", QFile::decodeName(latin1Name)},
    };
}

} // namespace NonRegularFiles
