#pragma once

#include <QString>

// Starting Lumetra when the user logs in: an XDG autostart entry
// ($XDG_CONFIG_HOME/autostart/lumetra.desktop) that runs this program.
namespace LaunchAtLogin {

QString autostartFilePath();

// Whether the entry is there and starts a program: a readable desktop entry of type
// Application with a command, not hidden and not switched off for the session.
bool isEnabled();

// Writes or removes the entry. False when the file cannot be written or removed; error
// (when given) then says why. The entry starts the program at executablePath (empty:
// this running program).
bool setEnabled(bool enabled, const QString& executablePath = {}, QString* error = nullptr);

// Whether the session starts the entries of the autostart folder. sway does not (nor
// does any autostart entry run there unless its config says so): there the entry alone
// starts nothing, and the user adds "exec lumetra" to sway's config instead. Read from
// XDG_CURRENT_DESKTOP.
bool sessionRunsAutostart();

// The entry's text for a program path (quoted as the desktop entry format requires).
QString desktopEntry(const QString& executablePath);

} // namespace LaunchAtLogin
