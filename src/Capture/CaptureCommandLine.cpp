#include "Capture/CaptureCommandLine.h"

#include <array>

namespace {

constexpr std::array<CaptureOption, 4> kOptions{{
    {"capture-area", CommandLineCapture::area, "menu.captureAndAnnotate"},
    {"capture-window", CommandLineCapture::window, "menu.captureWindow"},
    {"capture-scroll", CommandLineCapture::scroll, "menu.scrollCapture"},
    {"repeat-last-area", CommandLineCapture::repeatLastArea, "menu.repeatLastCapture"},
}};

} // namespace

std::span<const CaptureOption> captureOptions()
{
    return kOptions;
}

std::optional<CommandLineCapture> captureNamed(const QString& name)
{
    for (const CaptureOption& option : kOptions) {
        if (name == QLatin1String(option.name))
            return option.capture;
    }
    return std::nullopt;
}

std::optional<CommandLineCapture> captureFromArguments(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1String("--"))) {
            if (const std::optional<CommandLineCapture> capture = captureNamed(argument.mid(2)))
                return capture;
        }
    }
    return std::nullopt;
}

QString captureOptionName(CommandLineCapture capture)
{
    for (const CaptureOption& option : kOptions) {
        if (option.capture == capture)
            return QLatin1String(option.name);
    }
    return {};
}

QString captureCommandFor(ShortcutAction action)
{
    switch (action) {
    case ShortcutAction::captureSelection:
        return QStringLiteral("lumetra --") + captureOptionName(CommandLineCapture::area);
    case ShortcutAction::captureWindow:
        return QStringLiteral("lumetra --") + captureOptionName(CommandLineCapture::window);
    default:
        return {};
    }
}
