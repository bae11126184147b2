#pragma once

#include "Core/Localization.h"

#include <QAction>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QSystemTrayIcon;
class StatusNotifierItem;
class ShortcutStore;
class UserDefaults;

// The localised text of key as a menu shows it literally ("&" is not an accelerator).
QString menuText(const QString& key);
// The same followed by the keys that reach the item in Lumetra's words
// (shortcutDisplayText): QMenu shows what follows a tab in its key column, in place of
// Qt's own "Ctrl+Shift+C".
QString menuText(const QString& key, const QString& keysText);

// Where the status menu lives: the desktop's tray. Tests put a fake in its place.
class StatusItemHost {
public:
    virtual ~StatusItemHost() = default;
    // Whether the desktop has a tray to put the item in.
    virtual bool isAvailable() const = 0;
    // Shows the item (once) with this menu, replacing the menu it had.
    virtual void setMenu(QMenu* menu) = 0;
    // Sets the item's icon again.
    virtual void refreshIcon() = 0;
};

// The status item in the system tray (QSystemTrayIcon). A click on it opens its menu. In
// a Wayland session, where a program cannot put a menu of its own beside the tray, the
// item is a StatusNotifierItem whose exported menu the tray itself opens at the item.
class TrayStatusItem : public QObject, public StatusItemHost {
    Q_OBJECT
public:
    explicit TrayStatusItem(QObject* parent = nullptr);
    ~TrayStatusItem() override;

    bool isAvailable() const override;
    void setMenu(QMenu* menu) override;
    void refreshIcon() override;

    // The icon: the bundled "ToolbarIcon", else the desktop theme's photo icon, else a
    // drawn "S".
    static QIcon statusIcon();

    // What a click does where the tray cannot show the item's menu (a Wayland tray
    // without menus): as without a tray, the window is the way in.
    void setFallbackWithoutMenu(std::function<void()> open) { m_fallbackWithoutMenu = std::move(open); }

private:
    void markTrayWindow();
    void markIfTrayWindow(QObject* object);
    bool eventFilter(QObject* watched, QEvent* event) override;

    QSystemTrayIcon* m_tray = nullptr;
    StatusNotifierItem* m_notifierItem = nullptr;
    std::function<void()> m_fallbackWithoutMenu;
    QPointer<QMenu> m_menu;
    bool m_watchingShows = false;
};

// What the status menu's items do; an empty closure leaves its item disabled (the
// settings item is then left out).
struct StatusMenuActions {
    std::function<void()> captureAndAnnotate;
    std::function<void()> captureWindow;
    std::function<void()> scrollCapture;
    std::function<void()> repeatLastCapture;
    std::function<void()> openLumetra;
    std::function<void()> openSettings;
    std::function<void()> showAbout;
    std::function<void()> checkForUpdates;
    std::function<void()> quit;
};

// Builds the status menu (captures with their global keys, the delay submenu with its
// check marks, repeat, open, settings, about, updates, quit) and builds it again when
// the interface language or the shortcuts change.
class StatusMenuController : public QObject {
    Q_OBJECT
public:
    // The accepted delays, in menu order.
    static const QList<int>& delayChoices();

    StatusMenuController(StatusItemHost* host, UserDefaults& defaults, ShortcutStore& store,
                         StatusMenuActions actions, QObject* parent = nullptr);
    ~StatusMenuController() override;

    // Builds the menu, hands it to the item and starts following language and
    // shortcut changes. Called once.
    void setupStatusItem();
    void buildStatusMenu();

    QMenu* menu() const { return m_menu.get(); }
    const QList<QAction*>& delayCaptureMenuItems() const { return m_delayItems; }
    std::optional<AppLanguage> statusMenuLanguage() const { return m_statusMenuLanguage; }
    int buildCount() const { return m_buildCount; }

    // A delay item was chosen: stores its delay (later, on the event loop) and moves the
    // check mark.
    void delayCaptureAction(QAction* sender);

    void handleDefaultsChangedForMenu();
    void handleShortcutMenuChanged();

    // Whether the desktop gives programs no global keys: the capture items then show the
    // command to bind in the desktop's keyboard settings instead of a key, under a line
    // that says so. Call buildStatusMenu when the answer changes.
    void setGlobalKeysUnavailable(std::function<bool()> unavailable) { m_globalKeysUnavailable = std::move(unavailable); }

private:
    QAction* addItem(QMenu* menu, const QString& titleKey, const std::function<void()>& action,
                     const QString& keysText = {});
    void updateDelayCheckMarks();
    int currentDelay() const;

    StatusItemHost* m_host;
    UserDefaults& m_defaults;
    ShortcutStore& m_store;
    StatusMenuActions m_actions;
    std::unique_ptr<QMenu> m_menu;
    QList<QAction*> m_delayItems;
    std::function<bool()> m_globalKeysUnavailable;
    std::optional<AppLanguage> m_statusMenuLanguage;
    int m_buildCount = 0;
    bool m_observing = false;
};
