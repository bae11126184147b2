#pragma once

#include <QObject>
#include <QString>

class UserDefaults;

// Tells views to look their texts up again when the interface language setting
// ("appLanguage") changes. Fires once per distinct stored value; writes of other
// settings, or of the same value again, stay silent.
class LanguageRefresh : public QObject {
    Q_OBJECT
public:
    // The process-wide instance over UserDefaults::standard(), created on first use.
    static LanguageRefresh& shared();

    explicit LanguageRefresh(UserDefaults& defaults, QObject* parent = nullptr);

    // The "appLanguage" value last seen ("system" when none is stored).
    QString lastRaw() const { return m_lastRaw; }

signals:
    // Emitted on this object's thread after lastRaw() already holds the new value.
    void languageChanged();

private:
    QString readRaw() const;
    void defaultsChanged();

    UserDefaults& m_defaults;
    QString m_lastRaw;
    QMetaObject::Connection m_observer;
};
