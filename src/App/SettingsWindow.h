#pragma once

#include "Core/ShortcutAction.h"

#include <QList>
#include <QPointer>
#include <QWindow>
#include <QWidget>

#include <functional>

class QTabWidget;
class ShortcutStore;
class UserDefaults;

// What the settings reach beyond the stored settings, set by the application.
struct SettingsServices {
    // Whether another program holds the key of a global capture action: its grab was
    // refused when the keys were last grabbed.
    std::function<bool(ShortcutAction)> isHeldByAnotherProgram;
    // Whether the desktop gives programs no global keys at all.
    std::function<bool()> globalKeysUnavailable;
    // An update check the user asked for.
    std::function<void()> checkForUpdates;
};

// The Settings window's content: the General, Editing, Shortcuts and About tabs. The
// chosen tab is stored ("settingsSelectedTab", by tag: About is 4) and chosen again
// when the window opens; a change of the interface language builds every tab anew in
// that language (what was being edited or recorded is dropped), keeping the tab.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    struct Tab {
        int tag;
        const char* labelKey;
        const char* symbol;
    };
    // The tabs in order.
    static const QList<Tab>& tabs();
    static constexpr int contentWidth = 440;
    static constexpr int minimumContentHeight = 340;

    SettingsView(UserDefaults& defaults, ShortcutStore& store, SettingsServices services, QWidget* parent = nullptr);

    QTabWidget* tabWidget() const { return m_tabs; }
    // The tag of the tab shown.
    int selectedTab() const;
    void selectTab(int tag);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rebuild();

    UserDefaults& m_defaults;
    ShortcutStore& m_store;
    SettingsServices m_services;
    QTabWidget* m_tabs = nullptr;
    // The window whose keys are watched, and whether the Escape being delivered closed
    // a drop-down list on its way.
    QPointer<QWindow> m_keyWindow;
    bool m_escapeClosedAList = false;
};

// What the Settings window reaches beyond its settings (the application sets it once).
void setSettingsServices(SettingsServices services);

// Brings the one Settings window forward, making it when there is none.
void showSettingsWindow();
// The open Settings window, or null.
SettingsView* settingsWindow();
