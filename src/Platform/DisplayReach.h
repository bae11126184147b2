#pragma once

// Whether Qt will find a display to start on. Qt tries its platforms in turn and ends
// the program with an abort when none of them connects; Lumetra asks first, the way Qt
// will connect, so that a display that is set but cannot be reached is refused with a
// reason instead.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace DisplayReach {

// The platforms Qt tries, in its order: those -platform or QT_QPA_PLATFORM name
// (separated by ";", each perhaps with ":options"), else this Qt's default, Wayland
// and then X11.
QStringList platformsTried(const QString& platform);

// Nothing when one of the platforms reaches its display (or draws without one, as
// offscreen does); else the displays that were tried, named as the user set them
// ("DISPLAY=:259", "WAYLAND_DISPLAY=bogus"), for a message. `displayOption` is the
// value of Qt's -display option, which X11 then takes instead of DISPLAY.
std::optional<QString> unreachable(const QString& platform, const QString& displayOption,
                                   const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

} // namespace DisplayReach
