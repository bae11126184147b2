#pragma once

#include "App/StatusMenuController.h"
#include "Capture/CaptureCommandLine.h"
#include "Capture/GlobalHotKeyMonitor.h"

#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class KeyGrabber;
class OpenPanel;
class RunningCopyChannel;
struct LaunchRequest;
class ShortcutStore;
class UpdaterControlling;
class UserDefaults;

// The editor window as the delegate uses it.
class MainWindowPresenter {
public:
    virtual ~MainWindowPresenter() = default;
    // Creates the window when needed and brings it forward; forCapture when a capture
    // was just delivered to it.
    virtual void show(bool forCapture) = 0;
    virtual bool hasVisibleWindow() const = 0;
};

// The capture coordinator's delay handling as the delegate uses it.
class CaptureStarter {
public:
    virtual ~CaptureStarter() = default;
    virtual void captureWithDelay(const QString& label, std::function<void()> road) = 0;
    virtual void cancelPendingDelay(const QString& label) = 0;
    virtual void scheduleDelayedCapture(const QString& label, std::function<void()> road, double seconds) = 0;
};

// Everything the delegate talks to, so that the launch can run against fakes. A
// capture road left empty is one this build lacks: its menu item is disabled and its
// hot key is not grabbed.
struct AppDelegateParts {
    RunningCopyChannel* runningCopy = nullptr;
    StatusItemHost* statusItem = nullptr;
    KeyGrabber* keyGrabber = nullptr;
    UpdaterControlling* updater = nullptr;
    MainWindowPresenter* mainWindow = nullptr;
    CaptureStarter* capture = nullptr;
    OpenPanel* openPanel = nullptr; // null: the standard open panel
    std::function<void(const QUrl&)> loadImage;
    std::function<void()> areaRoad;
    std::function<void()> windowRoad;
    std::function<void()> scrollRoad;
    std::function<void()> repeatRoad;
    std::function<void()> openSettings;
    std::function<void()> showAbout;
    std::function<void()> quit;
};

// Lumetra's application shell: the launch sequence, the status menu's and hot keys'
// capture roads, bringing the editor forward for a delivered capture, opening files
// handed over from outside, and the updater's settings.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    enum class LaunchResult {
        running,   // this copy runs: tray, hot keys and observers are in place
        handedOff, // another copy runs and took the files; this one should exit 0
        runningCopyUnresponsive, // another copy runs but did not take them; this one should exit 1
    };

    AppDelegate(AppDelegateParts parts, UserDefaults& defaults, ShortcutStore& store, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The launch sequence. files are the command line's file arguments; capture is its
    // capture option, started once the event loop runs (or in the copy already running).
    LaunchResult applicationDidFinishLaunching(const QStringList& files,
                                               std::optional<CommandLineCapture> capture = std::nullopt);

    // A capture asked for on a command line, this launch's or a later one's: the same
    // road as the tray menu's item.
    void startCommandLineCapture(CommandLineCapture capture);
    // The text of "--help": usage and the capture options whose roads are offered.
    static QString commandLineHelp(const std::function<bool(CommandLineCapture)>& offered);

    // Capture roads from the status menu.
    void captureAndAnnotate();
    void captureWindowAction();
    void scrollCaptureAction();
    void repeatLastCaptureAction();

    void handleCaptureDelivery();
    void handleShortcutStoreChanged();
    void sparklePreferencesChanged();
    void handleOpenImageCommand();
    void openLumetra();
    void checkForUpdates();
    void quitApp();
    // A later launch without files: bring the editor up.
    void handleReopen();

    // Files from outside: only accepted types, and only the first of a list.
    bool openFile(const QString& path);
    void openFiles(const QStringList& paths);
    // The open-documents road (files named on the command line or handed over by a later
    // launch): the first is loaded whatever its name, so that the editor says so when it
    // cannot be read, rather than nothing happening.
    void openDocuments(const QStringList& paths);
    void loadImageDirectly(const QUrl& url);

    GlobalHotkeyMonitor& globalHotkeyMonitor() { return *m_globalHotkeyMonitor; }
    StatusMenuController* statusMenu() const { return m_statusMenu.get(); }
    bool hasStatusItem() const { return m_hasStatusItem; }


private:
    void setUpStatusMenu();
    void hotKeyTriggered(const QString& label, const std::function<void()>& road);
    void receiveLaunchRequest(const LaunchRequest& request);

    AppDelegateParts m_parts;
    UserDefaults& m_defaults;
    ShortcutStore& m_store;
    std::unique_ptr<GlobalHotkeyMonitor> m_globalHotkeyMonitor;
    std::unique_ptr<StatusMenuController> m_statusMenu;
    bool m_hasStatusItem = false;
};
