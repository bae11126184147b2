#pragma once

#include <QString>

// Opening only what is a plain file. A FIFO blocks the opener until a writer comes, a
// device such as /dev/zero never ends, and a folder has no bytes at all: none of them
// is an image or a settings file. The checks never block.
namespace RegularFile {

// An open descriptor of the regular file at path (symbolic links followed), read-only,
// close-on-exec, in blocking mode; or -1 with the reason in *error, and in *errorNumber
// the system's (errno) where the system refused it. Whatever is not a regular file is
// refused before it is opened, and checked again on the descriptor. The path may hold
// bytes that are not UTF-8 (Platform/LocalFileName.h).
int openForReading(const QString& path, QString* error, int* errorNumber = nullptr);

// What setAsideIfUnusable found.
enum class Standing { absentOrRegular, setAside, unusable };

// A path that names something other than a regular file (a FIFO, a folder, a device,
// a dangling or looping link) is renamed to "<path>.unusable-<time>" so that a regular
// file can take its place. unusable when that rename failed too.
Standing setAsideIfUnusable(const QString& path, QString* setAsidePath = nullptr);

} // namespace RegularFile
