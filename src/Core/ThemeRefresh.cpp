#include "Core/ThemeRefresh.h"

#include "Core/AppTheme.h"
#include "Platform/UserDefaults.h"

ThemeRefresh& ThemeRefresh::shared()
{
    static ThemeRefresh* const instance = new ThemeRefresh(UserDefaults::standard());
    return *instance;
}

ThemeRefresh::ThemeRefresh(UserDefaults& defaults, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_lastRaw(AppThemes::storedRawValue(defaults))
{
    AppThemes::apply(AppThemes::themeForRawValue(m_lastRaw));
    connect(&m_defaults, &UserDefaults::valueChanged, this, &ThemeRefresh::settingsChanged);
}

void ThemeRefresh::settingsChanged()
{
    const QString raw = AppThemes::storedRawValue(m_defaults);
    if (raw == m_lastRaw)
        return;
    m_lastRaw = raw;
    AppThemes::apply(AppThemes::themeForRawValue(raw));
    emit changed();
}
