#pragma once

#include "Core/ShortcutAction.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <span>

// The capture options of the command line. Desktops whose own shortcut settings hold a
// key (or where a global key grab is refused) bind these commands instead of Lumetra's
// hot keys, so each starts the same road as its tray menu item, in the copy that runs.
enum class CommandLineCapture { area, window, scroll, repeatLastArea };

struct CaptureOption {
    const char* name;       // without the leading dashes: "capture-area"
    CommandLineCapture capture;
    const char* titleKey;   // the tray menu item it stands for, which also describes it
};

std::span<const CaptureOption> captureOptions();

// The first capture option on a command line, if any.
std::optional<CommandLineCapture> captureFromArguments(const QStringList& arguments);
// The capture named by an option's name (without dashes), if it is one.
std::optional<CommandLineCapture> captureNamed(const QString& name);
QString captureOptionName(CommandLineCapture capture);

// The command a desktop without global keys binds in its own keyboard settings in place
// of a global capture action's key ("lumetra --capture-area"). Empty for the scrolling
// capture: such a desktop (Wayland) cannot scroll other programs' windows, so no command
// would capture.
QString captureCommandFor(ShortcutAction action);
