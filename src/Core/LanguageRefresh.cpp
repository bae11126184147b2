#include "Core/LanguageRefresh.h"

#include "Core/Settings.h"

#include <QCoreApplication>
#include <QThread>

LanguageRefresh& LanguageRefresh::shared()
{
    static LanguageRefresh* instance = [] {
        auto* refresh = new LanguageRefresh(UserDefaults::standard());
        // Views observe it from the GUI thread, whoever touched it first.
        if (auto* app = QCoreApplication::instance(); app && refresh->thread() != app->thread())
            refresh->moveToThread(app->thread());
        return refresh;
    }();
    return *instance;
}

LanguageRefresh::LanguageRefresh(UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_lastRaw(readRaw())
{
    // Any change of the defaults is a reason to look again; only a new language value
    // is worth a redraw. The context object makes writes from other threads arrive
    // here queued, on this object's thread.
    m_observer = connect(&m_defaults, &UserDefaults::valueChanged, this, [this](const QString&) {
        defaultsChanged();
    });
}

QString LanguageRefresh::readRaw() const
{
    return Settings::appLanguage.read(m_defaults);
}

void LanguageRefresh::defaultsChanged()
{
    const QString raw = readRaw();
    if (raw == m_lastRaw)
        return;
    m_lastRaw = raw;
    emit languageChanged();
}
