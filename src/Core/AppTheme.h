#pragma once

#include <QList>
#include <QPalette>
#include <QString>

#include <optional>

class UserDefaults;

// The appearance the user chose for Lumetra's windows. Stored under "appTheme" by its
// raw value; an absent or unknown value means following the desktop.
enum class AppTheme {
    system,
    light,
    dark,
};

namespace AppThemes {

// Every case in declaration order.
const QList<AppTheme>& allCases();
QString rawValue(AppTheme theme);
// Exact, case-sensitive match of "system", "light" or "dark".
std::optional<AppTheme> fromRawValue(const QString& raw);

// The stored choice: the raw "appTheme" string (or "system" when absent).
QString storedRawValue(const UserDefaults& defaults);
// What the raw value selects; anything but "light" and "dark" follows the desktop.
AppTheme themeForRawValue(const QString& raw);

// The application-wide palettes of the forced appearances.
QPalette lightPalette();
QPalette darkPalette();
// The desktop's own palette: the application palette as it was before Lumetra first
// changed it.
QPalette systemPalette();

// Sets the application palette of a theme; every open widget that has no palette of
// its own follows at once.
void apply(AppTheme theme);

} // namespace AppThemes
