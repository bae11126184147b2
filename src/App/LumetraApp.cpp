#include "App/LumetraApp.h"

#include "App/AboutWindow.h"
#include "App/MainWindowController.h"
#include "App/QtTranslations.h"
#include "App/SettingsWindow.h"
#include "App/SingleInstance.h"
#include "App/StatusMenuController.h"
#include "App/UpdaterController.h"
#include "Capture/CaptureCoordinator.h"
#include "Capture/ScrollingCaptureController.h"
#include "Capture/SelectionOverlayController.h"
#include "Capture/WindowPickerOverlayController.h"
#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Core/ShortcutAction.h"
#include "Core/ShortcutStore.h"
#include "Core/ThemeRefresh.h"
#include "Models/ImageLoadManager.h"
#include "Platform/DesktopSession.h"
#include "Platform/LocalFileName.h"
#include "Platform/PortalGlobalShortcuts.h"
#include "Platform/UserDefaults.h"
#include "Platform/X11KeyGrab.h"

#include <QApplication>
#include <QFileInfo>

namespace {

class EditorWindowPresenter final : public MainWindowPresenter {
public:
    void show(bool forCapture) override { MainWindowController::shared().show(forCapture); }
    bool hasVisibleWindow() const override
    {
        QWidget* window = MainWindowController::shared().window();
        return window && window->isVisible();
    }
};

class CoordinatorCaptureStarter final : public CaptureStarter {
public:
    void captureWithDelay(const QString& label, std::function<void()> road) override
    {
        CaptureCoordinator::shared().captureWithDelay(label, std::move(road));
    }
    void cancelPendingDelay(const QString& label) override { CaptureCoordinator::shared().cancelPendingDelay(label); }
    void scheduleDelayedCapture(const QString& label, std::function<void()> road, double seconds) override
    {
        CaptureCoordinator::shared().scheduleDelayedCapture(label, std::move(road), seconds);
    }
};

// The capture roads of this build. A Wayland client can neither pick other windows nor
// scroll them: the desktop's own screenshot tool stands in for the window picker, and
// scrolling capture says that it needs X11.
std::function<void()> captureRoad(CommandLineCapture capture)
{
    const bool portal = DesktopSession::usesDesktopPortal();
    switch (capture) {
    case CommandLineCapture::area:
        return [] { CaptureRoads::area(); };
    case CommandLineCapture::window:
        if (portal)
            return [] { CaptureRoads::windowThroughDesktopTool(); };
        return [] { CaptureRoads::window(); };
    case CommandLineCapture::repeatLastArea:
        return [] { CaptureRoads::repeatLastSelection(); };
    case CommandLineCapture::scroll:
        if (portal)
            return [] { CaptureRoads::scrollNeedsX11(); };
        return [] { CaptureRoads::scroll(); };
    }
    return {};
}

// The global keys: grabbed on the X server, or bound by the desktop through its portal
// under the actions' names and titles.
std::unique_ptr<KeyGrabber> makeKeyGrabber()
{
    if (!DesktopSession::usesDesktopPortal())
        return X11KeyGrab::forApplication();
    return std::make_unique<PortalGlobalShortcuts>([](int id) {
        const std::optional<ShortcutAction> action = GlobalHotkeyMonitor::actionForId(id);
        if (!action)
            return PortalShortcutInfo{};
        return PortalShortcutInfo{ShortcutActions::rawValue(*action), localized(ShortcutActions::titleKey(*action))};
    });
}

} // namespace

namespace {

// Qt's command-line options, which QApplication takes for itself (with one dash or two);
// those in the second list take the next argument as their value unless written name=value.
bool isQtOption(const QString& argument, bool* takesValue)
{
    static const QStringList flags{QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
                                   QStringLiteral("dograb"), QStringLiteral("sync")};
    static const QStringList valued{
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
        QStringLiteral("qwindowtitle"), QStringLiteral("session"), QStringLiteral("display"), QStringLiteral("geometry"),
        QStringLiteral("style"), QStringLiteral("stylesheet"), QStringLiteral("name"), QStringLiteral("title"),
        QStringLiteral("qmljsdebugger")};
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    if (equals >= 0)
        name.truncate(equals);
    *takesValue = equals < 0 && valued.contains(name);
    return flags.contains(name) || valued.contains(name);
}

// Whether Qt, as this command line and environment start it, would need an X11 or
// Wayland display: its platform is chosen by -platform, else QT_QPA_PLATFORM, else by
// the session; only a platform such as offscreen draws without one.
bool needsDisplay(const QString& platform)
{
    if (platform.isEmpty())
        return true;
    for (const QString& entry : platform.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = entry.section(QLatin1Char(':'), 0, 0);
        if (name != QLatin1String("xcb") && !name.startsWith(QLatin1String("wayland")))
            return false;
    }
    return true;
}

} // namespace

LumetraApp::CommandLine LumetraApp::readCommandLine(const QStringList& arguments, const QProcessEnvironment& environment)
{
    CommandLine line;
    bool help = false, version = false;
    QString platform = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    bool displayNamed = !environment.value(QStringLiteral("DISPLAY")).isEmpty()
        || !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        // "--" ends the options; what follows are files, whatever their names.
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !argument.startsWith(QLatin1Char('-'))) {
            line.files << argument;
            continue;
        }
        if (argument == QLatin1String("-"))
            continue;
        bool takesValue = false;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            help = true;
        else if (argument == QLatin1String("--version"))
            version = true;
        else if (argument == QLatin1String("--verbose"))
            line.verbose = true;
        else if (argument.startsWith(QLatin1String("--")) && captureNamed(argument.mid(2))) {
            if (!line.captures.contains(argument))
                line.captures << argument;
        } else if (isQtOption(argument, &takesValue)) {
            // The value is the option's own, never a file.
            const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
            const QString value = takesValue ? arguments.value(i + 1) : argument.section(QLatin1Char('='), 1);
            if (name == QLatin1String("platform"))
                platform = value;
            else if (name == QLatin1String("display") && !value.isEmpty()) {
                displayNamed = true;
                line.displayOption = value;
            }
            i += takesValue ? 1 : 0;
        } else if (line.unknownOption.isEmpty())
            line.unknownOption = argument;
    }
    if (!line.unknownOption.isEmpty())
        line.request = CommandLine::Request::unknownOption;
    else if (line.captures.size() > 1)
        line.request = CommandLine::Request::conflictingCaptures;
    else if (line.files.size() > 1) {
        line.request = CommandLine::Request::extraFile;
        line.file = line.files.at(1);
    } else if (help)
        line.request = CommandLine::Request::help;
    else if (version)
        line.request = CommandLine::Request::version;
    else if (!line.files.isEmpty() && !LocalFileName::exists(line.files.first())) {
        line.request = CommandLine::Request::missingFile;
        line.file = line.files.first();
    } else if (!displayNamed && needsDisplay(platform))
        line.request = CommandLine::Request::noDisplay;
    line.platform = platform;
    return line;
}

QString LumetraApp::versionLine()
{
    return QStringLiteral("Lumetra ") + appVersion() + QLatin1Char('\n');
}

QString LumetraApp::commandLineHelp()
{
    return AppDelegate::commandLineHelp([](CommandLineCapture capture) { return bool(captureRoad(capture)); });
}

QStringList LumetraApp::fileArguments(const QStringList& arguments)
{
    QStringList files;
    // After "--" every argument is a file, whatever its name.
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if ((end >= 0 && i > end) || (i != end && !arguments.at(i).startsWith(QLatin1Char('-'))))
            files << arguments.at(i);
    }
    return files;
}

LumetraApp::LumetraApp(QObject* parent)
    : QObject(parent)
{
    UserDefaults& defaults = UserDefaults::standard();
    Settings::registerDefaults(defaults);
    ThemeRefresh::shared();
    LanguageRefresh::shared();
    ShortcutStore::shared();
    // Qt's own dialogs and menus speak the interface language too.
    m_qtTranslations = std::make_unique<QtTranslations>(LanguageRefresh::shared());

    m_singleInstance = std::make_unique<SingleInstance>();
    m_tray = std::make_unique<TrayStatusItem>();
    m_keyGrab = makeKeyGrabber();
    m_updaterDriver = std::make_unique<DialogUpdaterUserDriver>();
    m_updater = std::make_unique<UpdaterController>(UpdaterController::defaultFeedUrl(), appVersion(), defaults,
                                                    m_updaterDriver.get());
    m_mainWindow = std::make_unique<EditorWindowPresenter>();
    m_capture = std::make_unique<CoordinatorCaptureStarter>();

    // A delivered capture brings the editor forward itself; the selection leaves it be.
    SelectionOverlayController::shared().setMainWindowProvider([] { return MainWindowController::shared().window(); });
    WindowPickerOverlayController::shared().setMainWindowProvider([] { return MainWindowController::shared().window(); });
    ScrollingCaptureController::shared().setMainWindowProvider([] { return MainWindowController::shared().window(); });

    AppDelegateParts parts;
    parts.runningCopy = m_singleInstance.get();
    parts.statusItem = m_tray.get();
    parts.keyGrabber = m_keyGrab.get();
    parts.updater = m_updater.get();
    parts.mainWindow = m_mainWindow.get();
    parts.capture = m_capture.get();
    parts.loadImage = [](const QUrl& url) { ImageLoadManager::shared().loadImage(url); };
    parts.areaRoad = captureRoad(CommandLineCapture::area);
    parts.windowRoad = captureRoad(CommandLineCapture::window);
    parts.scrollRoad = captureRoad(CommandLineCapture::scroll);
    parts.repeatRoad = captureRoad(CommandLineCapture::repeatLastArea);
    parts.openSettings = [] { MainWindowController::shared().openSettingsWindow(); };
    parts.showAbout = [] { showAboutWindow(); };
    parts.quit = [] { quitLumetra(); };
    m_delegate = std::make_unique<AppDelegate>(std::move(parts), defaults, ShortcutStore::shared());
    m_tray->setFallbackWithoutMenu([this] { m_delegate->openLumetra(); });

    SettingsServices settings;
    settings.isHeldByAnotherProgram = [this](ShortcutAction action) {
        return m_delegate->globalHotkeyMonitor().isHeldByAnotherProgram(action);
    };
    settings.globalKeysUnavailable = [this] { return m_delegate->globalHotkeyMonitor().globalKeysUnavailable(); };
    settings.checkForUpdates = [this] { m_delegate->checkForUpdates(); };
    setSettingsServices(std::move(settings));
}

LumetraApp::~LumetraApp() = default;

AppDelegate::LaunchResult LumetraApp::launch(const QStringList& arguments)
{
    return m_delegate->applicationDidFinishLaunching(fileArguments(arguments), captureFromArguments(arguments));
}
