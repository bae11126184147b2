#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

// "Show in Folder": asks the desktop's file manager to open the file's folder with
// the file selected (org.freedesktop.FileManager1.ShowItems on the session bus);
// where no file manager answers, opens the folder itself.
namespace FileReveal {

// The folder a file lies in, as the URL the fallback opens.
QUrl folderUrl(const QString& filePath);

// Returns at once; the answer of the file manager is awaited in the background.
// `openFolder` is the fallback (default: the desktop's handler for the folder URL);
// `bus` the bus to ask (default: the session bus).
void showInFolder(const QString& filePath, std::function<void(const QUrl& folder)> openFolder = {},
                  std::optional<QDBusConnection> bus = std::nullopt);

} // namespace FileReveal
