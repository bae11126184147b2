#include "Platform/FileReveal.h"

#include "Base/Logger.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace FileReveal {

QUrl folderUrl(const QString& filePath)
{
    return QUrl::fromLocalFile(QFileInfo(filePath).absolutePath());
}

void showInFolder(const QString& filePath, std::function<void(const QUrl& folder)> openFolder,
                  std::optional<QDBusConnection> bus)
{
    const QUrl folder = folderUrl(filePath);
    auto fallback = [folder, openFolder = std::move(openFolder)] {
        if (openFolder)
            openFolder(folder);
        else if (!QDesktopServices::openUrl(folder))
            logMessage(LogLevel::warning, [&] { return QStringLiteral("⚠️ 无法打开文件夹: ") + folder.toLocalFile(); });
    };

    QDBusConnection connection = bus ? *bus : QDBusConnection::sessionBus();
    if (!connection.isConnected()) {
        fallback();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    // A URI proper: spaces and other reserved characters percent-encoded.
    call << QStringList{QUrl::fromLocalFile(QFileInfo(filePath).absoluteFilePath()).toString(QUrl::FullyEncoded)}
         << QString();
    // A bus without a file manager answers with an error at once; one that hangs is
    // given two seconds before the folder is opened instead.
    auto* watcher = new QDBusPendingCallWatcher(connection.asyncCall(call, 2000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, fallback = std::move(fallback)] {
                         watcher->deleteLater();
                         if (watcher->isError())
                             fallback();
                     });
}

} // namespace FileReveal
