#include "App/AppMenuBar.h"

#include "App/AboutWindow.h"
#include "App/ShortcutKeySequence.h"
#include "App/StatusMenuController.h"
#include "Core/LanguageRefresh.h"
#include "Core/Localization.h"
#include "Core/Notifications.h"
#include "Core/ShortcutStore.h"

#include <QMenu>
#include <QMenuBar>

void postCommandNotification(NotificationName name)
{
    NotificationCenter::defaultCenter().post(name);
}

namespace {

QAction* addCommand(QMenu* menu, const char* titleKey, const QList<QKeySequence>& keys, NotificationName name)
{
    QAction* action = menu->addAction(menuText(QString::fromLatin1(titleKey)));
    action->setShortcuts(keys);
    QObject::connect(action, &QAction::triggered, action, [name] { postCommandNotification(name); });
    return action;
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

    // The application menu holds About only; it opens the window and posts nothing.
    QMenu* app = m_menuBar->addMenu(QStringLiteral("Lumetra"));
    app->setObjectName(QStringLiteral("lumetraApplicationMenu"));
    QAction* about = app->addAction(menuText(QStringLiteral("menu.about")));
    connect(about, &QAction::triggered, about, [] { showAboutWindow(); });

    QMenu* file = m_menuBar->addMenu(menuText(QStringLiteral("menu.file")));
    file->setObjectName(QStringLiteral("lumetraFileMenu"));
    addCommand(file, "menu.openImage", {QKeySequence(Qt::CTRL | Qt::Key_O)}, Notifications::openImage);
    addCommand(file, "menu.saveImage", {QKeySequence(Qt::CTRL | Qt::Key_S)}, Notifications::saveImage);
    addCommand(file, "menu.copyImage", storeKeys(ShortcutAction::copyImage, QStringLiteral("c")), Notifications::copyImage);
    addCommand(file, "menu.saveAs", storeKeys(ShortcutAction::saveAs, QStringLiteral("s")), Notifications::saveAsImage);

    QMenu* edit = m_menuBar->addMenu(menuText(QStringLiteral("menu.edit")));
    edit->setObjectName(QStringLiteral("lumetraEditMenu"));
    addCommand(edit, "menu.undo", {QKeySequence(Qt::CTRL | Qt::Key_Z)}, Notifications::undo);
    addCommand(edit, "menu.redo", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}, Notifications::redo);
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
