// The about window, the editor window's menu bar and menu keys.
#include "AppTestSupport.h"

#include "App/AboutWindow.h"
#include "App/AppMenuBar.h"
#include "App/QtTranslations.h"
#include "App/ShortcutKeySequence.h"
#include "Core/LanguageRefresh.h"
#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Core/ShortcutStore.h"

#include <QApplication>
#include <QTest>
#include <QMenuBar>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QList<QWidget*> aboutWindows()
{
    QList<QWidget*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle() == aboutWindowTitle && widget->isVisible())
            found << widget;
    }
    return found;
}

QMenu* topMenu(QMenuBar& bar, const char* objectName)
{
    return bar.findChild<QMenu*>(QString::fromLatin1(objectName));
}

} // namespace

TEST(AboutWindow, OneWindowWithTheBuildVersionAndTexts)
{
    UserDefaults::standard().set(Settings::appLanguage.name(), QStringLiteral("en"));
    showAboutWindow();
    showAboutWindow();
    const QList<QWidget*> windows = aboutWindows();
    ASSERT_EQ(windows.size(), 1);
    QWidget* window = windows.first();
    EXPECT_EQ(window->width(), 320);
    EXPECT_GE(window->height(), 240);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);

    auto* content = window->findChild<AboutContentView*>();
    ASSERT_NE(content, nullptr);
    EXPECT_TRUE(content->versionText().endsWith(QStringLiteral(" ") + QStringLiteral(LUMETRA_VERSION)));
    for (const QString& text : {content->copyrightText(), content->madeWithText(), content->descriptionText()})
        EXPECT_FALSE(text.isEmpty() || (text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char(' '))))
            << "a text, not its key: " << text.toStdString();

    // The texts follow the language while the window is open.
    const QString english = content->descriptionText();
    UserDefaults::standard().set(Settings::appLanguage.name(), QStringLiteral("ja"));
    EXPECT_NE(content->descriptionText(), english);
    UserDefaults::standard().set(Settings::appLanguage.name(), QStringLiteral("en"));

    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(aboutWindows().isEmpty());

    // Escape and Ctrl+W close it, as a Linux desktop's dialogs close.
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        showAboutWindow();
        ASSERT_EQ(aboutWindows().size(), 1);
        QWidget* about = aboutWindows().first();
        about->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(about));
        QTest::keySequence(about, keys);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(aboutWindows().isEmpty()) << keys.toString().toStdString();
    }
}

TEST(AboutWindow, IconFallsBackToADrawnSymbolWithoutBundledIcons)
{
    // Test programs carry no bundled resources.
    QString source;
    const QPixmap icon = AboutContentView::iconPixmap(&source);
    EXPECT_EQ(source, QStringLiteral("photo.artframe"));
    ASSERT_FALSE(icon.isNull());
    // The symbol is drawn in blue, not left empty.
    const QImage image = icon.toImage();
    int blue = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            blue += image.pixelColor(x, y).blue() > 200 && image.pixelColor(x, y).alpha() > 200;
    EXPECT_GT(blue, 20);
}

TEST(AppMenuBarTest, ItemsPostTheirCommandsWithTheirKeys)
{
    UserDefaults::standard().set(Settings::appLanguage.name(), QStringLiteral("en"));
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath(QStringLiteral("settings.ini")));
    ShortcutStore store(defaults);
    QMenuBar bar;
    new AppMenuBar(&bar, store);

    QMenu* file = topMenu(bar, "lumetraFileMenu");
    QMenu* edit = topMenu(bar, "lumetraEditMenu");
    QMenu* view = topMenu(bar, "lumetraViewMenu");
    ASSERT_TRUE(file && edit && view);
    EXPECT_EQ(menuTitles(file).mid(4), (QStringList{QStringLiteral("-"), QStringLiteral("Close Window")}));
    EXPECT_EQ(menuTitles(view).size(), 8); // six items, two separators

    QStringList posted;
    QObject context;
    // In menu order: File, Edit, View.
    const QList<NotificationName> commands{
        Notifications::openImage, Notifications::saveImage,   Notifications::copyImage,  Notifications::saveAsImage,
        Notifications::undo,      Notifications::redo,        Notifications::crop,       Notifications::resetAll,
        Notifications::clearImage, Notifications::zoomIn,     Notifications::zoomOut,    Notifications::fitToWindow,
        Notifications::actualSize, Notifications::rotateLeft, Notifications::rotateRight};
    QStringList expected;
    for (NotificationName name : commands) {
        expected << name;
        NotificationCenter::defaultCenter().addObserver(name, &context, [&posted, name](const auto&) { posted << name; });
    }
    for (QMenu* menu : {file, edit, view})
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && action->text() != menuItem(file, QStringLiteral("Close Window"))->text())
                action->trigger();
    EXPECT_EQ(posted, expected);

    // Zoom in answers to Ctrl and "+" and to Ctrl and the "=" key beneath it.
    const QList<QKeySequence> zoomIn = view->actions().first()->shortcuts();
    EXPECT_TRUE(zoomIn.contains(QKeySequence(Qt::CTRL | Qt::Key_Plus)));
    EXPECT_TRUE(zoomIn.contains(QKeySequence(Qt::CTRL | Qt::Key_Equal)));
    // The keys a Linux user expects besides the design's, and the texts the menus show
    // for them, in Linux words.
    QMenu* app = topMenu(bar, "lumetraApplicationMenu");
    ASSERT_NE(app, nullptr);
    const QList<std::tuple<QMenu*, QString, QList<QKeySequence>, QString>> keys{
        {edit, QStringLiteral("Redo"), {QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))},
         QStringLiteral("Ctrl + Shift + Z")},
        {file, QStringLiteral("Copy Image"), {QKeySequence(QStringLiteral("Ctrl+Shift+C")), QKeySequence(QStringLiteral("Ctrl+C"))},
         QStringLiteral("Ctrl + Shift + C")},
        {file, QStringLiteral("Close Window"), {QKeySequence(QStringLiteral("Ctrl+W"))}, QStringLiteral("Ctrl + W")},
        {app, QStringLiteral("Quit Lumetra"), {QKeySequence(QStringLiteral("Ctrl+Q"))}, QStringLiteral("Ctrl + Q")},
        {edit, QStringLiteral("Clear Image"), {QKeySequence(QStringLiteral("Ctrl+Backspace")), QKeySequence(QStringLiteral("Ctrl+Del"))},
         QStringLiteral("Ctrl + Backspace")},
        {view, QStringLiteral("Rotate Left"), {QKeySequence(QStringLiteral("Ctrl+Left"))}, QStringLiteral("Ctrl + Left")},
    };
    for (const auto& [menu, title, sequences, shown] : keys) {
        const QAction* action = menuItem(menu, title);
        ASSERT_NE(action, nullptr) << title.toStdString();
        EXPECT_EQ(action->shortcuts(), sequences) << title.toStdString();
        EXPECT_EQ(menuKeys(action), shown) << title.toStdString();
    }

    // The About item opens the window and posts nothing.
    posted.clear();
    app->actions().first()->trigger();
    EXPECT_TRUE(posted.isEmpty());
    ASSERT_EQ(aboutWindows().size(), 1);
    aboutWindows().first()->close();

    // Close Window closes the window the menu bar belongs to.
    QWidget window;
    QMenuBar* windowBar = new QMenuBar(&window);
    new AppMenuBar(windowBar, store);
    window.show();
    menuItem(topMenu(*windowBar, "lumetraFileMenu"), QStringLiteral("Close Window"))->trigger();
    EXPECT_FALSE(window.isVisible());
}

TEST(ShortcutTextTest, ModifiersAreNamedAsTheDesktopNamesThemInTheInterfaceLanguage)
{
    UserDefaults& standard = UserDefaults::standard();
    const QList<std::tuple<const char*, ShortcutBinding, QKeySequence, QString, QString>> cases{
        {"de", {26, ShortcutBinding::commandFlag | ShortcutBinding::shiftFlag, QStringLiteral("7")},
         QKeySequence(Qt::CTRL | Qt::Key_Q), QStringLiteral("Strg + Umschalt + 7"), QStringLiteral("Strg + Q")},
        {"en", {26, ShortcutBinding::commandFlag | ShortcutBinding::shiftFlag, QStringLiteral("7")},
         QKeySequence(Qt::CTRL | Qt::Key_Q), QStringLiteral("Ctrl + Shift + 7"), QStringLiteral("Ctrl + Q")},
        {"en", {0, ShortcutBinding::optionFlag | ShortcutBinding::controlFlag, QStringLiteral(" ")},
         QKeySequence(Qt::META | Qt::ALT | Qt::Key_Space), QStringLiteral("Alt + Super + Space"),
         QStringLiteral("Alt + Super + Space")},
    };
    QtTranslations qt(LanguageRefresh::shared());
    for (const auto& [language, binding, keys, bindingText, keysText] : cases) {
        standard.set(Settings::appLanguage.name(), QString::fromLatin1(language));
        qt.reload();
        EXPECT_EQ(binding.displayText(), bindingText) << language;
        EXPECT_EQ(shortcutDisplayText(keys), keysText) << language;
    }

    // The menus show the same text, and follow the store's keys and the language.
    standard.set(Settings::appLanguage.name(), QStringLiteral("de"));
    qt.reload();
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath(QStringLiteral("settings.ini")));
    ShortcutStore store(defaults);
    QMenuBar bar;
    new AppMenuBar(&bar, store);
    EXPECT_EQ(menuKeys(topMenu(bar, "lumetraEditMenu")->actions().at(1)), QStringLiteral("Strg + Umschalt + Z"));
    // A binding of option and control only: Alt and Super, no Ctrl (the File menu's
    // third item copies).
    store.setOverride(ShortcutAction::copyImage,
                      ShortcutBinding{8, ShortcutBinding::optionFlag | ShortcutBinding::controlFlag, QStringLiteral("c")});
    EXPECT_EQ(topMenu(bar, "lumetraFileMenu")->actions().at(2)->shortcut(),
              QKeySequence(QKeyCombination(Qt::AltModifier | Qt::MetaModifier, Qt::Key_C)));
    standard.set(Settings::appLanguage.name(), QStringLiteral("fr"));
    EXPECT_EQ(topMenu(bar, "lumetraFileMenu")->title(), QStringLiteral("Fichier"));
    standard.set(Settings::appLanguage.name(), QStringLiteral("en"));
}

TEST(ShortcutKeySequenceTest, ModifiersAndKeysMapAsOnTheDesktop)
{
    EXPECT_EQ(keySequenceFor({26, ShortcutBinding::commandFlag | ShortcutBinding::shiftFlag, QStringLiteral("7")}),
              QKeySequence(QStringLiteral("Ctrl+Shift+7")));
    EXPECT_EQ(keySequenceFor({49, ShortcutBinding::commandFlag, QStringLiteral(" ")}), QKeySequence(QStringLiteral("Ctrl+Space")));
    EXPECT_EQ(keySequenceFor({43, ShortcutBinding::commandFlag, QStringLiteral(",")}), QKeySequence(QStringLiteral("Ctrl+,")));
    EXPECT_TRUE(keySequenceFor({0, ShortcutBinding::commandFlag, QString()}).isEmpty());
}
