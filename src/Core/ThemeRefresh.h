#pragma once

#include <QObject>
#include <QString>

class UserDefaults;

// Keeps the application's appearance in step with the "appTheme" setting. Created, it
// applies the stored choice; afterwards every change of the stored value is applied at
// once to every open window and announced by changed(). Writes of other settings, and
// writes of the same value, announce nothing.
class ThemeRefresh : public QObject {
    Q_OBJECT
public:
    static ThemeRefresh& shared();

    explicit ThemeRefresh(UserDefaults& defaults, QObject* parent = nullptr);

    // The last "appTheme" value seen ("system" when absent).
    QString lastRaw() const { return m_lastRaw; }

signals:
    // The stored appearance changed; the new palette is already in force.
    void changed();

private:
    void settingsChanged();

    UserDefaults& m_defaults;
    QString m_lastRaw;
};
