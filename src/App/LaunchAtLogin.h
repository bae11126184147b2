#pragma once

#include <QString>

// Starting Lumetra when the user logs in: an XDG autostart entry
// ($XDG_CONFIG_HOME/autostart/lumetra.desktop) that runs this program.
namespace LaunchAtLogin {

QString autostartFilePath();

bool isEnabled();

// Writes or removes the entry; false (logged) when the file cannot be written or removed.
// The entry starts the program at executablePath (empty: this running program).
bool setEnabled(bool enabled, const QString& executablePath = {});

// The entry's text for a program path (quoted as the desktop entry format requires).
QString desktopEntry(const QString& executablePath);

} // namespace LaunchAtLogin
