#include "App/AppDelegate.h"

#include "App/FileOpening.h"
#include "App/SingleInstance.h"
#include "App/UpdaterController.h"
#include "Base/Logger.h"
#include "Capture/CaptureDelivery.h"
#include "Capture/CaptureLog.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Core/Localization.h"
#include "Core/ShortcutStore.h"
#include "Models/ImageDocument.h"
#include "Platform/OpenPanel.h"
#include "Platform/UserDefaults.h"
#include "Platform/X11KeyGrab.h"

#include <QFileInfo>
#include <QTimer>

namespace {

// The log labels of the capture roads.
const QString kAreaLabel = QStringLiteral("选区截图");
const QString kWindowLabel = QStringLiteral("窗口截图");
const QString kScrollLabel = QStringLiteral("滚动截图");
const QString kRepeatLabel = QStringLiteral("重复上次选区");

} // namespace

AppDelegate::AppDelegate(AppDelegateParts parts, UserDefaults& defaults, ShortcutStore& store, QObject* parent)
    : QObject(parent)
    , m_parts(std::move(parts))
    , m_defaults(defaults)
    , m_store(store)
    , m_globalHotkeyMonitor(std::make_unique<GlobalHotkeyMonitor>(m_parts.keyGrabber, store))
{
}

AppDelegate::~AppDelegate() = default;

AppDelegate::LaunchResult AppDelegate::applicationDidFinishLaunching(const QStringList& files,
                                                                     std::optional<CommandLineCapture> capture)
{
    // One copy per user: a later launch hands its files and capture over and ends.
    if (m_parts.runningCopy) {
        using HandOff = RunningCopyChannel::HandOff;
        const LaunchRequest request {files, capture ? captureOptionName(*capture) : QString()};
        HandOff handOff = m_parts.runningCopy->handOffToRunningCopy(request);
        // A copy that came up between the hand-over and listening is handed over to.
        for (int attempt = 0; handOff == HandOff::noRunningCopy && attempt < 3; ++attempt) {
            const auto listening =
                m_parts.runningCopy->listen([this](const LaunchRequest& request) { receiveLaunchRequest(request); });
            if (listening != RunningCopyChannel::Listening::anotherCopyListens)
                break;
            handOff = m_parts.runningCopy->handOffToRunningCopy(request);
        }
        if (handOff == HandOff::delivered)
            return LaunchResult::handedOff;
        if (handOff == HandOff::notTaken) {
            // A stopped or stalled copy still holds the socket: a second copy beside it
            // would open the same files twice and fight over the hot keys.
            Logger::shared().log(LogLevel::error, [] {
                return QStringLiteral("🔁 Lumetra is already running but did not answer; this launch ends without starting a second copy");
            });
            return LaunchResult::runningCopyUnresponsive;
        }
    }

    // The status item with its menu. It is made even when the desktop shows no tray yet
    // (a panel that starts after Lumetra at login): it moves in once a tray appears.
    const bool trayAvailable = m_parts.statusItem && m_parts.statusItem->isAvailable();
    m_hasStatusItem = m_parts.statusItem != nullptr;
    // A capture asked for on the command line goes first (its overlay is what the user
    // waits for): the menu is then built right after it.
    if (m_hasStatusItem && !capture)
        setUpStatusMenu();

    // Global hot keys. The closures hold the delegate weakly: a press that arrives while
    // it is being torn down does nothing.
    QPointer<AppDelegate> self(this);
    auto trigger = [self](const QString& label, std::function<void()> road) -> std::function<void()> {
        if (!road)
            return {};
        return [self, label, road] {
            if (self)
                self->hotKeyTriggered(label, road);
        };
    };
    m_globalHotkeyMonitor->onTrigger = trigger(kAreaLabel, m_parts.areaRoad);
    m_globalHotkeyMonitor->onWindowTrigger = trigger(kWindowLabel, m_parts.windowRoad);
    m_globalHotkeyMonitor->onScrollTrigger = trigger(kScrollLabel, m_parts.scrollRoad);
    m_globalHotkeyMonitor->registerHotKeys();

    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(Notifications::shortcutConfigurationChanged, this,
                       [this](const auto&) { handleShortcutStoreChanged(); });
    center.addObserver(Notifications::captureDeliveryRequested, this,
                       [this](const auto&) { handleCaptureDelivery(); });
    center.addObserver(Notifications::openImage, this, [this](const auto&) { handleOpenImageCommand(); });

    sparklePreferencesChanged();
    center.addObserver(Notifications::sparklePreferencesChanged, this, [this](const auto&) { sparklePreferencesChanged(); });

    // Without a tray the window is the only way in, whatever the setting says.
    if (Settings::openWindowAtLaunch.read(m_defaults) || !trayAvailable) {
        if (m_parts.mainWindow)
            m_parts.mainWindow->show(false);
    }

    if (!files.isEmpty())
        openDocuments(files);
    if (capture)
        QTimer::singleShot(0, this, [this, capture] { startCommandLineCapture(*capture); });
    if (m_hasStatusItem && capture)
        QTimer::singleShot(0, this, [this] { setUpStatusMenu(); });
    return LaunchResult::running;
}

void AppDelegate::setUpStatusMenu()
{
    StatusMenuActions actions;
    if (m_parts.areaRoad)
        actions.captureAndAnnotate = [this] { captureAndAnnotate(); };
    if (m_parts.windowRoad)
        actions.captureWindow = [this] { captureWindowAction(); };
    if (m_parts.scrollRoad)
        actions.scrollCapture = [this] { scrollCaptureAction(); };
    if (m_parts.repeatRoad)
        actions.repeatLastCapture = [this] { repeatLastCaptureAction(); };
    actions.openLumetra = [this] { openLumetra(); };
    if (m_parts.openSettings)
        actions.openSettings = [this] { QTimer::singleShot(0, this, [this] { m_parts.openSettings(); }); };
    actions.showAbout = m_parts.showAbout;
    actions.checkForUpdates = [this] { checkForUpdates(); };
    actions.quit = [this] { quitApp(); };
    m_statusMenu = std::make_unique<StatusMenuController>(m_parts.statusItem, m_defaults, m_store, std::move(actions));
    m_statusMenu->setGlobalKeysUnavailable([this] { return m_globalHotkeyMonitor->globalKeysUnavailable(); });
    m_statusMenu->setupStatusItem();
    connect(m_globalHotkeyMonitor.get(), &GlobalHotkeyMonitor::globalKeysOfferChanged, m_statusMenu.get(),
            &StatusMenuController::buildStatusMenu);
}

void AppDelegate::receiveLaunchRequest(const LaunchRequest& request)
{
    const std::optional<CommandLineCapture> capture = captureNamed(request.capture);
    if (!request.files.isEmpty())
        openDocuments(request.files);
    if (capture)
        startCommandLineCapture(*capture);
    else if (request.files.isEmpty())
        handleReopen();
}

void AppDelegate::startCommandLineCapture(CommandLineCapture capture)
{
    switch (capture) {
    case CommandLineCapture::area:
        captureAndAnnotate();
        break;
    case CommandLineCapture::window:
        captureWindowAction();
        break;
    case CommandLineCapture::scroll:
        scrollCaptureAction();
        break;
    case CommandLineCapture::repeatLastArea:
        repeatLastCaptureAction();
        break;
    }
}

QString AppDelegate::commandLineHelp(const std::function<bool(CommandLineCapture)>& offered)
{
    QStringList lines{localized(QStringLiteral("cli.usage")), QString(), localized(QStringLiteral("cli.description")),
                      QString()};
    QList<QPair<QString, QString>> options;
    for (const CaptureOption& option : captureOptions()) {
        if (offered(option.capture))
            options.append({QStringLiteral("--") + QLatin1String(option.name), localized(QLatin1String(option.titleKey))});
    }
    options.append({QStringLiteral("--verbose"), localized(QStringLiteral("cli.verbose"))});
    options.append({QStringLiteral("--version"), localized(QStringLiteral("cli.version"))});
    options.append({QStringLiteral("-h, --help"), localized(QStringLiteral("cli.help"))});
    qsizetype column = 0;
    for (const auto& option : std::as_const(options))
        column = std::max(column, option.first.size());
    for (const auto& option : std::as_const(options))
        lines << QStringLiteral("  ") + option.first.leftJustified(column + 2) + option.second;
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

// ---- capture roads ------------------------------------------------------------------------

void AppDelegate::captureAndAnnotate()
{
    if (m_parts.capture && m_parts.areaRoad)
        m_parts.capture->captureWithDelay(kAreaLabel, m_parts.areaRoad);
}

void AppDelegate::captureWindowAction()
{
    if (m_parts.capture && m_parts.windowRoad)
        m_parts.capture->captureWithDelay(kWindowLabel, m_parts.windowRoad);
}

void AppDelegate::scrollCaptureAction()
{
    if (m_parts.capture && m_parts.scrollRoad)
        m_parts.capture->captureWithDelay(kScrollLabel, m_parts.scrollRoad);
}

void AppDelegate::repeatLastCaptureAction()
{
    if (m_parts.capture && m_parts.repeatRoad)
        m_parts.capture->captureWithDelay(kRepeatLabel, m_parts.repeatRoad);
}

void AppDelegate::hotKeyTriggered(const QString& label, const std::function<void()>& road)
{
    if (!m_parts.capture) {
        road();
        return;
    }
    m_parts.capture->cancelPendingDelay(label + QStringLiteral(" 触发"));
    const qint64 seconds = Settings::captureDelaySeconds.read(m_defaults);
    if (seconds == 3 || seconds == 5 || seconds == 10)
        m_parts.capture->scheduleDelayedCapture(label, road, double(seconds));
    else
        road();
}

// ---- delivery, settings, commands ---------------------------------------------------------

void AppDelegate::handleCaptureDelivery()
{
    captureDiagnostic(QStringLiteral("📸 handleCaptureDelivery: AppDelegate 经通知桥接管"));
    captureDiagnostic(QStringLiteral("📸 ensureMainWindowForCapture: hasWindow=%1")
                          .arg(m_parts.mainWindow && m_parts.mainWindow->hasVisibleWindow() ? 1 : 0));
    if (m_parts.mainWindow)
        m_parts.mainWindow->show(true);
    if (m_hasStatusItem)
        m_parts.statusItem->refreshIcon();
}

void AppDelegate::handleShortcutStoreChanged()
{
    m_globalHotkeyMonitor->unregisterHotKeys();
    m_globalHotkeyMonitor->registerHotKeys();
}

void AppDelegate::sparklePreferencesChanged()
{
    if (!m_parts.updater)
        return;
    m_parts.updater->setAutomaticallyChecksForUpdates(Settings::automaticUpdateChecks.read(m_defaults));
    m_parts.updater->setAutomaticallyDownloadsUpdates(Settings::automaticUpdateDownloads.read(m_defaults));
}

void AppDelegate::openLumetra()
{
    QTimer::singleShot(0, this, [this] {
        if (m_parts.mainWindow)
            m_parts.mainWindow->show(false);
    });
}

void AppDelegate::checkForUpdates()
{
    QTimer::singleShot(0, this, [this] {
        if (m_parts.updater)
            m_parts.updater->checkForUpdates();
    });
}

void AppDelegate::quitApp()
{
    if (m_parts.quit)
        m_parts.quit();
}

void AppDelegate::handleReopen()
{
    if (m_parts.mainWindow)
        m_parts.mainWindow->show(false);
}

// ---- files -------------------------------------------------------------------------------

void AppDelegate::handleOpenImageCommand()
{
    OpenPanel& panel = m_parts.openPanel ? *m_parts.openPanel : OpenPanel::standard();
    if (const std::optional<QString> path = panel.chooseImageFile(ImageDocument::openPanelFilter()))
        loadImageDirectly(QUrl::fromLocalFile(*path));
}

bool AppDelegate::openFile(const QString& path)
{
    captureDiagnostic(QStringLiteral("📂 application:openFile 被调用: ") + path);
    if (!FileOpening::isAcceptedFile(path))
        return false;
    const QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    QTimer::singleShot(0, this, [this, url] {
        captureDiagnostic(QStringLiteral("📥 调用 loadImageDirectly"));
        loadImageDirectly(url);
    });
    return true;
}

void AppDelegate::openFiles(const QStringList& paths)
{
    // The editor holds one image: the first file is the one opened.
    if (!paths.isEmpty())
        openFile(paths.first());
}

void AppDelegate::openDocuments(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    captureDiagnostic(QStringLiteral("📂 odoc: ") + paths.join(QStringLiteral(", ")));
    loadImageDirectly(QUrl::fromLocalFile(QFileInfo(paths.first()).absoluteFilePath()));
}

void AppDelegate::loadImageDirectly(const QUrl& url)
{
    captureDiagnostic(QStringLiteral("🖼️ loadImageDirectly 开始处理: ") + url.fileName());
    QTimer::singleShot(0, this, [this, url] {
        if (m_parts.mainWindow)
            m_parts.mainWindow->show(false);
        captureDiagnostic(QStringLiteral("📤 loadImageDirectly: 调用 ImageLoadManager.shared.loadImage"));
        if (m_parts.loadImage)
            m_parts.loadImage(url);
    });
}
