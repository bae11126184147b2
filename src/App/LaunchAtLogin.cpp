#include "App/LaunchAtLogin.h"

#include "Base/Logger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace LaunchAtLogin {

QString autostartFilePath()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("autostart/lumetra.desktop"));
}

bool isEnabled()
{
    return QFileInfo::exists(autostartFilePath());
}

QString desktopEntry(const QString& executablePath)
{
    // Inside double quotes the desktop entry format reserves ", `, $ and \.
    QString quoted = executablePath;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    for (const char* reserved : {"\"", "`", "$"})
        quoted.replace(QLatin1String(reserved), QStringLiteral("\\") + QLatin1String(reserved));
    // The desktop file itself escapes a backslash once more.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Lumetra\n"
                          "Exec=\"%1\"\n"
                          "Icon=lumetra\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(quoted);
}

bool setEnabled(bool enabled, const QString& executablePath)
{
    const QString path = autostartFilePath();
    if (!enabled) {
        if (!QFileInfo::exists(path) || QFile::remove(path))
            return true;
        Logger::shared().log(LogLevel::error, [&] { return QStringLiteral("❌ Cannot remove %1").arg(path); });
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    const QString program = executablePath.isEmpty() ? QCoreApplication::applicationFilePath() : executablePath;
    if (file.open(QIODevice::WriteOnly) && file.write(desktopEntry(program).toUtf8()) >= 0 && file.commit())
        return true;
    Logger::shared().log(LogLevel::error, [&] { return QStringLiteral("❌ Cannot write %1: %2").arg(path, file.errorString()); });
    return false;
}

} // namespace LaunchAtLogin
