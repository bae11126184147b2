#pragma once

#include <QString>

#include <optional>

// Making a written file survive a power cut: its data, and the folder entry that names
// it, must reach the disk before the user is told it is saved.
namespace FileSync {

// fsync of an open descriptor; the system's reason on failure.
std::optional<QString> syncDescriptor(int fd);
// fsync of the folder, after a file in it was created or renamed; the system's reason
// on failure (a file system that cannot sync folders at all counts as success).
std::optional<QString> syncFolder(const QString& folder);

// Gives the complete temporary file tempPath the name fileName in folder, or the first
// free one of "stem (2).ext", "stem (3).ext" ... (a hard link, which never replaces an
// existing file), removes tempPath and syncs the folder. The path it got, or nothing
// with the reason in *error.
std::optional<QString> linkUnderFreeName(const QString& tempPath, const QString& folder, const QString& fileName,
                                         QString* error);

} // namespace FileSync
