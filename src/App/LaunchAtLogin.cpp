#include "App/LaunchAtLogin.h"

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

bool sessionRunsAutostart()
{
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& desktop : desktops)
        if (desktop.compare(QLatin1String("sway"), Qt::CaseInsensitive) == 0)
            return false;
    return true;
}

bool isEnabled()
{
    QFile file(autostartFilePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // Only the main group counts; keys of other groups (actions) do not start anything.
    bool inMainGroup = false;
    bool sawMainGroup = false;
    QString type;
    QString exec;
    bool off = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            sawMainGroup = sawMainGroup || inMainGroup;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Type"))
            type = value;
        else if (key == QLatin1String("Exec"))
            exec = value;
        else if ((key == QLatin1String("Hidden") && value == QLatin1String("true"))
                 || (key == QLatin1String("X-GNOME-Autostart-enabled") && value == QLatin1String("false")))
            off = true;
    }
    return sawMainGroup && type == QLatin1String("Application") && !exec.isEmpty() && !off;
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

bool setEnabled(bool enabled, const QString& executablePath, QString* error)
{
    const QString path = autostartFilePath();
    if (!enabled) {
        QFile file(path);
        if (!QFileInfo(path).exists() || file.remove())
            return true;
        if (error)
            *error = QStringLiteral("cannot remove %1: %2").arg(path, file.errorString());
        return false;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("cannot make the folder %1").arg(folder);
        return false;
    }
    QSaveFile file(path);
    const QString program = executablePath.isEmpty() ? QCoreApplication::applicationFilePath() : executablePath;
    if (file.open(QIODevice::WriteOnly) && file.write(desktopEntry(program).toUtf8()) >= 0 && file.commit())
        return true;
    if (error)
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
}

} // namespace LaunchAtLogin
