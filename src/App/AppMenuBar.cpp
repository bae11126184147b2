#include "App/AppMenuBar.h"

#include "App/AboutWindow.h"
#include "App/MainWindowController.h"
#include "App/SettingsWindow.h"
#include "App/ShortcutKeySequence.h"
#include "App/StatusMenuController.h"
#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Core/Notifications.h"
#include "Core/ShortcutStore.h"

#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

void postCommandNotification(NotificationName name)
{
    NotificationCenter::defaultCenter().post(name);
}

namespace {

// An item that answers to `keys` and shows the first of them.
QAction* addItem(QMenu* menu, const char* titleKey, const QList<QKeySequence>& keys, std::function<void()> act)
{
    QAction* action = menu->addAction(
        menuText(QString::fromLatin1(titleKey), keys.isEmpty() ? QString() : shortcutDisplayText(keys.first())));
    action->setShortcuts(keys);
    QObject::connect(action, &QAction::triggered, action, std::move(act));
    return action;
}

QAction* addCommand(QMenu* menu, const char* titleKey, const QList<QKeySequence>& keys, NotificationName name)
{
    return addItem(menu, titleKey, keys, [name] { postCommandNotification(name); });
}

} // namespace

AppMenuBar::AppMenuBar(QMenuBar* menuBar, ShortcutStore& store)
    : QObject(menuBar)
    , m_menuBar(menuBar)
    , m_store(store)
{
    rebuild();
    connect(&LanguageRefresh::shared(), &LanguageRefresh::languageChanged, this, &AppMenuBar::rebuild);
    connect(&m_store, &ShortcutStore::bindingsChanged, this, &AppMenuBar::rebuild);
}

void AppMenuBar::rebuild()
{
    if (!m_menuBar)
        return;
    m_menuBar->clear();
    // clear() only takes the actions away; the menus themselves would linger.
    qDeleteAll(m_menuBar->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly));

    auto storeKeys = [this](ShortcutAction action, const QString& fallbackCharacter) {
        const auto found = m_store.bindings().constFind(action);
        const ShortcutBinding binding = found != m_store.bindings().constEnd()
            ? *found
            : ShortcutBinding{0, ShortcutBinding::commandFlag | ShortcutBinding::shiftFlag, fallbackCharacter};
        const QKeySequence keys = keySequenceFor(binding);
        return keys.isEmpty() ? QList<QKeySequence>{} : QList<QKeySequence>{keys};
    };
    // The keys every Linux program answers to, after the design's own.
    auto withKeys = [](QList<QKeySequence> keys, const QKeySequence& more) {
        if (!keys.contains(more))
            keys.append(more);
        return keys;
    };

    // The application menu: About and Settings, which open their windows and post
    // nothing, and Quit.
    QMenu* app = m_menuBar->addMenu(QStringLiteral("Lumetra"));
    app->setObjectName(QStringLiteral("lumetraApplicationMenu"));
    addItem(app, "menu.about", {}, [] { showAboutWindow(); });
    addItem(app, "menu.settings", {QKeySequence(Qt::CTRL | Qt::Key_Comma)}, [] { showSettingsWindow(); });
    app->addSeparator();
    addItem(app, "menu.quit", {QKeySequence(Qt::CTRL | Qt::Key_Q)}, [] { quitLumetra(); });

    QMenu* file = m_menuBar->addMenu(menuText(QStringLiteral("menu.file")));
    file->setObjectName(QStringLiteral("lumetraFileMenu"));
    addCommand(file, "menu.openImage", {QKeySequence(Qt::CTRL | Qt::Key_O)}, Notifications::openImage);
    addCommand(file, "menu.saveImage", {QKeySequence(Qt::CTRL | Qt::Key_S)}, Notifications::saveImage);
    // Ctrl+C copies the image too; while a text is edited the editor's own copy takes it.
    addCommand(file, "menu.copyImage",
               withKeys(storeKeys(ShortcutAction::copyImage, QStringLiteral("c")), QKeySequence(Qt::CTRL | Qt::Key_C)),
               Notifications::copyImage);
    addCommand(file, "menu.saveAs", storeKeys(ShortcutAction::saveAs, QStringLiteral("s")), Notifications::saveAsImage);
    file->addSeparator();
    QPointer<QMenuBar> bar = m_menuBar;
    addItem(file, "menu.closeWindow", {QKeySequence(Qt::CTRL | Qt::Key_W)}, [bar] {
        if (bar)
            bar->window()->close();
    });

    QMenu* edit = m_menuBar->addMenu(menuText(QStringLiteral("menu.edit")));
    edit->setObjectName(QStringLiteral("lumetraEditMenu"));
    addCommand(edit, "menu.undo", {QKeySequence(Qt::CTRL | Qt::Key_Z)}, Notifications::undo);
    addCommand(edit, "menu.redo", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
               Notifications::redo);
    edit->addSeparator();
    addCommand(edit, "menu.crop", {QKeySequence(Qt::CTRL | Qt::Key_X)}, Notifications::crop);
    addCommand(edit, "menu.resetAll", {QKeySequence(Qt::CTRL | Qt::Key_R)}, Notifications::resetAll);
    // The key above Return (Backspace here) and the Delete key both clear.
    addCommand(edit, "menu.clearImage",
               {QKeySequence(Qt::CTRL | Qt::Key_Backspace), QKeySequence(Qt::CTRL | Qt::Key_Delete)},
               Notifications::clearImage);

    QMenu* view = m_menuBar->addMenu(menuText(QStringLiteral("menu.view")));
    view->setObjectName(QStringLiteral("lumetraViewMenu"));
    // Ctrl and the "+" character, which most layouts type with Shift on the "=" key:
    // answer to the key itself too.
    addCommand(view, "menu.zoomIn", {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
               Notifications::zoomIn);
    addCommand(view, "menu.zoomOut", {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, Notifications::zoomOut);
    view->addSeparator();
    addCommand(view, "menu.fitToWindow", {QKeySequence(Qt::CTRL | Qt::Key_0)}, Notifications::fitToWindow);
    addCommand(view, "menu.actualSize", {QKeySequence(Qt::CTRL | Qt::Key_1)}, Notifications::actualSize);
    view->addSeparator();
    addCommand(view, "menu.rotateLeft", {QKeySequence(Qt::CTRL | Qt::Key_Left)}, Notifications::rotateLeft);
    addCommand(view, "menu.rotateRight", {QKeySequence(Qt::CTRL | Qt::Key_Right)}, Notifications::rotateRight);
}
