#include "App/StatusMenuController.h"

#include "Capture/CaptureCommandLine.h"
#include "Capture/GlobalHotKeyMonitor.h"
#include "Capture/OwnWindows.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Core/ShortcutStore.h"
#include "Platform/DesktopSession.h"
#include "Platform/StatusNotifierItem.h"
#include "Platform/UserDefaults.h"

#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

const char* const kDelayProperty = "lumetraDelaySeconds";

} // namespace

QString menuText(const QString& key)
{
    // A menu reads "&" as the mark of a keyboard accelerator; the texts mean it literally.
    return localized(key).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString menuText(const QString& key, const QString& keysText)
{
    return keysText.isEmpty() ? menuText(key) : menuText(key) + QLatin1Char('\t') + keysText;
}

namespace {

} // namespace

// ---- TrayStatusItem -------------------------------------------------------------------

TrayStatusItem::TrayStatusItem(QObject* parent)
    : QObject(parent)
{
}

TrayStatusItem::~TrayStatusItem() = default;

bool TrayStatusItem::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QIcon TrayStatusItem::statusIcon()
{
    QIcon icon(QStringLiteral(":/icons/ToolbarIcon.svg"));
    if (!icon.availableSizes().isEmpty() || !icon.pixmap(22, 22).isNull())
        return icon;
    icon = QIcon::fromTheme(QStringLiteral("camera-photo"), QIcon::fromTheme(QStringLiteral("image-x-generic")));
    if (!icon.isNull())
        return icon;
    QPixmap drawn(22, 22);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(drawn.rect(), Qt::AlignCenter, QStringLiteral("S"));
    return QIcon(drawn);
}

void TrayStatusItem::setMenu(QMenu* menu)
{
    // On Wayland the tray protocol is the only way in, also where no tray runs yet (a bar
    // started after Lumetra): the item registers once a tray's watcher appears. Qt's own
    // icon would be an X11 window there, or register only with a tray already running.
    if (!m_tray && !m_notifierItem && DesktopSession::usesDesktopPortal()) {
        auto* item = new StatusNotifierItem(statusIcon(), QDBusConnection::sessionBus(), this);
        if (item->show()) {
            m_notifierItem = item;
            connect(item, &StatusNotifierItem::activatedWithoutMenu, this, [this] {
                if (m_fallbackWithoutMenu)
                    m_fallbackWithoutMenu();
            });
        } else {
            delete item;
        }
    }
    if (m_notifierItem) {
        m_menu = menu;
        m_notifierItem->setMenu(menu);
        return;
    }
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(statusIcon(), this);
        m_tray->setToolTip(QStringLiteral("Lumetra"));
        // A click on the item opens its menu, as a right click does.
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if ((reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick) && m_menu)
                m_menu->popup(QCursor::pos());
        });
    }
    m_menu = menu;
    m_tray->setContextMenu(menu);
    if (!m_tray->isVisible()) {
        m_tray->show();
        markTrayWindow();
    }
}

void TrayStatusItem::markTrayWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        markIfTrayWindow(window);
    // The icon's window is made again whenever a tray (re)appears: catch those too.
    if (!m_watchingShows && QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
        m_watchingShows = true;
    }
}

void TrayStatusItem::markIfTrayWindow(QObject* object)
{
    // Where the tray is an XEmbed host, the icon is a small window of Qt's own. A capture
    // hides Lumetra's windows but must leave the status item in place (hidden, it would
    // leave the tray), and nothing looking for the editor window by its title may take
    // the icon for it.
    if (!object->isWidgetType() || qstrcmp(object->metaObject()->className(), "QSystemTrayIconSys") != 0)
        return;
    auto* window = static_cast<QWidget*>(object);
    window->setProperty(OwnWindows::captureChromeProperty, true);
    window->setWindowTitle(QStringLiteral("Lumetra Status Item"));
}

bool TrayStatusItem::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show)
        markIfTrayWindow(watched);
    return QObject::eventFilter(watched, event);
}

void TrayStatusItem::refreshIcon()
{
    if (m_notifierItem)
        m_notifierItem->setIcon(statusIcon());
    if (m_tray)
        m_tray->setIcon(statusIcon());
}

// ---- StatusMenuController --------------------------------------------------------------

const QList<int>& StatusMenuController::delayChoices()
{
    static const QList<int> choices{0, 3, 5, 10};
    return choices;
}

StatusMenuController::StatusMenuController(StatusItemHost* host, UserDefaults& defaults, ShortcutStore& store,
                                           StatusMenuActions actions, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_defaults(defaults)
    , m_store(store)
    , m_actions(std::move(actions))
{
}

StatusMenuController::~StatusMenuController() = default;

void StatusMenuController::setupStatusItem()
{
    buildStatusMenu();
    if (m_observing)
        return;
    m_observing = true;
    connect(&m_defaults, &UserDefaults::valueChanged, this, [this](const QString&) { handleDefaultsChangedForMenu(); });
    NotificationCenter::defaultCenter().addObserver(Notifications::shortcutConfigurationChanged, this,
                                                    [this](const auto&) { handleShortcutMenuChanged(); });
}

QAction* StatusMenuController::addItem(QMenu* menu, const QString& titleKey, const std::function<void()>& action,
                                       const QString& keysText)
{
    // The keys are shown as a reminder only: the global ones are grabbed elsewhere, and
    // none of them acts through the menu itself.
    QAction* item = menu->addAction(menuText(titleKey, keysText));
    if (action)
        connect(item, &QAction::triggered, this, [action] { action(); });
    else
        item->setEnabled(false);
    return item;
}

int StatusMenuController::currentDelay() const
{
    const int stored = int(Settings::captureDelaySeconds.read(m_defaults));
    return delayChoices().contains(stored) ? stored : 0;
}

void StatusMenuController::buildStatusMenu()
{
    auto menu = std::make_unique<QMenu>();
    menu->setObjectName(QStringLiteral("lumetraStatusMenu"));

    const bool noGlobalKeys = m_globalKeysUnavailable && m_globalKeysUnavailable();
    if (noGlobalKeys)
        menu->addAction(menuText(QStringLiteral("menu.globalKeysUnavailable")))->setEnabled(false);
    auto captureKeys = [this, noGlobalKeys](ShortcutAction action) {
        if (noGlobalKeys)
            return captureCommandFor(action);
        const auto found = m_store.bindings().constFind(action);
        return (found != m_store.bindings().constEnd() ? *found : GlobalHotkeyMonitor::fallbackBinding(action))
            .displayText();
    };

    addItem(menu.get(), QStringLiteral("menu.captureAndAnnotate"), m_actions.captureAndAnnotate,
            captureKeys(ShortcutAction::captureSelection));
    addItem(menu.get(), QStringLiteral("menu.captureWindow"), m_actions.captureWindow,
            captureKeys(ShortcutAction::captureWindow));
    addItem(menu.get(), QStringLiteral("menu.scrollCapture"), m_actions.scrollCapture,
            captureKeys(ShortcutAction::captureScroll));

    // The delay submenu, before the item that carries it.
    auto* delayMenu = new QMenu(menu.get());
    m_delayItems.clear();
    for (int seconds : delayChoices()) {
        const QString key = seconds == 0 ? QStringLiteral("menu.delayCapture.none")
                                         : QStringLiteral("menu.delayCapture.%1s").arg(seconds);
        QAction* item = delayMenu->addAction(menuText(key));
        item->setCheckable(true);
        item->setProperty(kDelayProperty, seconds);
        connect(item, &QAction::triggered, this, [this, item] { delayCaptureAction(item); });
        m_delayItems << item;
    }
    QAction* delayItem = menu->addMenu(delayMenu);
    delayItem->setText(menuText(QStringLiteral("menu.delayCapture")));
    updateDelayCheckMarks();

    addItem(menu.get(), QStringLiteral("menu.repeatLastCapture"), m_actions.repeatLastCapture);
    // A key is shown only where one works: nothing opens the editor by key from elsewhere.
    // Settings and Quit answer to theirs in the editor window.
    addItem(menu.get(), QStringLiteral("menu.openApp"), m_actions.openLumetra);
    menu->addSeparator();
    if (m_actions.openSettings)
        addItem(menu.get(), QStringLiteral("menu.settings"), m_actions.openSettings,
                shortcutDisplayText(QKeySequence(Qt::CTRL | Qt::Key_Comma)));
    addItem(menu.get(), QStringLiteral("menu.about"), m_actions.showAbout);
    addItem(menu.get(), QStringLiteral("menu.checkUpdates"), m_actions.checkForUpdates);
    menu->addSeparator();
    addItem(menu.get(), QStringLiteral("menu.quit"), m_actions.quit,
            shortcutDisplayText(QKeySequence(Qt::CTRL | Qt::Key_Q)));

    if (m_host)
        m_host->setMenu(menu.get());
    // The old menu may be the one on screen right now; let it go once control is back
    // in the event loop.
    if (m_menu)
        m_menu.release()->deleteLater();
    m_menu = std::move(menu);
    m_statusMenuLanguage = AppLanguages::current();
    ++m_buildCount;
}

void StatusMenuController::updateDelayCheckMarks()
{
    const int current = currentDelay();
    for (QAction* item : std::as_const(m_delayItems))
        item->setChecked(item->property(kDelayProperty).toInt() == current);
}

void StatusMenuController::delayCaptureAction(QAction* sender)
{
    bool ok = false;
    int seconds = sender ? sender->property(kDelayProperty).toInt(&ok) : 0;
    if (!ok)
        seconds = 0;
    QTimer::singleShot(0, this, [this, seconds] {
        Settings::captureDelaySeconds.write(seconds, m_defaults);
        updateDelayCheckMarks();
    });
    // Until then the item shows what was stored, not the click's own toggle.
    updateDelayCheckMarks();
}

void StatusMenuController::handleDefaultsChangedForMenu()
{
    const AppLanguage current = AppLanguages::current();
    if (!m_statusMenuLanguage || AppLanguages::rawValue(*m_statusMenuLanguage) != AppLanguages::rawValue(current))
        buildStatusMenu();
}

void StatusMenuController::handleShortcutMenuChanged()
{
    buildStatusMenu();
}
