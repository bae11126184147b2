#include "AppTestSupport.h"

#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Core/ShortcutStore.h"

#include <gtest/gtest.h>

namespace {

class StatusMenuTest : public ::testing::Test {
protected:
    StatusMenuTest()
        : defaults(dir.filePath(QStringLiteral("settings.ini")))
        , store(defaults)
        , item(journal)
    {
        UserDefaults::standard().set(Settings::appLanguage.name(), QStringLiteral("en"));
    }
    ~StatusMenuTest() override { UserDefaults::standard().remove(Settings::appLanguage.name()); }

    StatusMenuController& make(StatusMenuActions actions = allActions())
    {
        controller = std::make_unique<StatusMenuController>(&item, defaults, store, std::move(actions));
        controller->setupStatusItem();
        return *controller;
    }

    static StatusMenuActions allActions()
    {
        StatusMenuActions actions;
        auto nothing = [] {};
        actions.captureAndAnnotate = nothing;
        actions.captureWindow = nothing;
        actions.scrollCapture = nothing;
        actions.repeatLastCapture = nothing;
        actions.openLumetra = nothing;
        actions.openSettings = nothing;
        actions.showAbout = nothing;
        actions.checkForUpdates = nothing;
        actions.quit = nothing;
        return actions;
    }

    QStringList checkedDelays() const
    {
        QStringList checked;
        for (QAction* action : controller->delayCaptureMenuItems()) {
            if (action->isChecked())
                checked << action->text();
        }
        return checked;
    }

    QTemporaryDir dir;
    UserDefaults defaults;
    ShortcutStore store;
    Journal journal;
    FakeStatusItem item;
    std::unique_ptr<StatusMenuController> controller;
};

} // namespace

TEST_F(StatusMenuTest, HoldsTheDesignsItemsWithTheirKeys)
{
    StatusMenuController& menu = make();
    ASSERT_EQ(item.menu, menu.menu());
    EXPECT_EQ(menuTitles(menu.menu()),
              (QStringList{QStringLiteral("Capture & Annotate"), QStringLiteral("Capture Window"),
                           QStringLiteral("Scroll Capture"), QStringLiteral("Delayed Capture"),
                           QStringLiteral("Repeat Last Selection"), QStringLiteral("Open Lumetra"), QStringLiteral("-"),
                           QStringLiteral("Settings…"), QStringLiteral("About Lumetra"),
                           QStringLiteral("Check for Updates…"), QStringLiteral("-"), QStringLiteral("Quit Lumetra")}));
    // The keys read as everywhere else in Lumetra; none of them acts through the menu.
    // Where the desktop gives programs no global keys, the captures show the command to
    // bind in its keyboard settings instead, under a line that says so.
    const struct {
        const char* title;
        const char* keys;
        const char* withoutGlobalKeys;
    } rows[] = {{"Capture & Annotate", "Ctrl + Shift + 7", "lumetra --capture-area"},
                {"Capture Window", "Ctrl + Shift + 8", "lumetra --capture-window"},
                {"Scroll Capture", "Ctrl + Shift + 9", ""},
                {"Open Lumetra", "", ""},
                {"Settings…", "Ctrl + ,", "Ctrl + ,"},
                {"Quit Lumetra", "Ctrl + Q", "Ctrl + Q"},
                {"Repeat Last Selection", "", ""}};
    const QString noKeysLine = QStringLiteral("No global keys here: bind these commands in the desktop’s keyboard settings");
    bool globalKeys = true;
    menu.setGlobalKeysUnavailable([&] { return !globalKeys; });
    for (const bool offered : {true, false}) {
        globalKeys = offered;
        menu.buildStatusMenu();
        for (const auto& row : rows) {
            const QAction* action = menuItem(menu.menu(), QString::fromUtf8(row.title));
            ASSERT_NE(action, nullptr) << row.title;
            EXPECT_EQ(menuKeys(action), QString::fromUtf8(offered ? row.keys : row.withoutGlobalKeys)) << row.title;
            EXPECT_TRUE(action->shortcut().isEmpty()) << row.title;
        }
        EXPECT_EQ(menuTitles(menu.menu()).first() == noKeysLine, !offered);
    }
    EXPECT_FALSE(menu.menu()->actions().first()->isEnabled());

    const QMenu* delays = menuItem(menu.menu(), QStringLiteral("Delayed Capture"))->menu();
    ASSERT_NE(delays, nullptr);
    EXPECT_EQ(menuTitles(delays), (QStringList{QStringLiteral("No Delay"), QStringLiteral("Capture in 3 Seconds"),
                                               QStringLiteral("Capture in 5 Seconds"), QStringLiteral("Capture in 10 Seconds")}));
}

TEST_F(StatusMenuTest, MissingActionsDisableTheirItemsAndDropSettings)
{
    StatusMenuActions actions = allActions();
    actions.captureWindow = {};
    actions.scrollCapture = {};
    actions.openSettings = {};
    StatusMenuController& menu = make(actions);
    EXPECT_FALSE(menuItem(menu.menu(), QStringLiteral("Capture Window"))->isEnabled());
    EXPECT_FALSE(menuItem(menu.menu(), QStringLiteral("Scroll Capture"))->isEnabled());
    EXPECT_TRUE(menuItem(menu.menu(), QStringLiteral("Capture & Annotate"))->isEnabled());
    EXPECT_EQ(menuItem(menu.menu(), QStringLiteral("Settings…")), nullptr);
}

TEST_F(StatusMenuTest, DelayCheckMarkFollowsTheStoredDelay)
{
    // A stored delay outside the choices shows as no delay.
    defaults.set(Settings::captureDelaySeconds.name(), 7);
    StatusMenuController& menu = make();
    EXPECT_EQ(checkedDelays(), QStringList{QStringLiteral("No Delay")});

    // Choosing an item stores it on the next turn of the event loop, then moves the mark.
    QAction* five = menu.delayCaptureMenuItems().at(2);
    five->trigger();
    EXPECT_EQ(defaults.integer(Settings::captureDelaySeconds.name()), 7);
    ASSERT_TRUE(spinUntil([&] { return defaults.integer(Settings::captureDelaySeconds.name()) == 5; }));
    EXPECT_EQ(checkedDelays(), QStringList{QStringLiteral("Capture in 5 Seconds")});

    // Choosing the checked item again keeps it checked (no toggling off).
    five->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(checkedDelays(), QStringList{QStringLiteral("Capture in 5 Seconds")});

    menu.delayCaptureAction(nullptr);
    ASSERT_TRUE(spinUntil([&] { return defaults.integer(Settings::captureDelaySeconds.name()) == 0; }));
    EXPECT_EQ(checkedDelays(), QStringList{QStringLiteral("No Delay")});
}

TEST_F(StatusMenuTest, RebuildsOnNewKeysAndLanguageButNotOnOtherSettings)
{
    // Over the standard settings, where the language lives.
    UserDefaults& standard = UserDefaults::standard();
    controller = std::make_unique<StatusMenuController>(&item, standard, store, allActions());
    controller->setupStatusItem();
    StatusMenuController& menu = *controller;
    const int builds = menu.buildCount();

    standard.set(Settings::captureDelaySeconds.name(), 3);
    standard.set(Settings::defaultSaveFormat.name(), QStringLiteral("jpeg"));
    standard.set(Settings::appLanguage.name(), QStringLiteral("en"));
    EXPECT_EQ(menu.buildCount(), builds);

    store.setOverride(ShortcutAction::captureSelection,
                      ShortcutBinding{7, ShortcutBinding::optionFlag | ShortcutBinding::controlFlag, QStringLiteral("x")});
    EXPECT_EQ(menu.buildCount(), builds + 1);
    EXPECT_EQ(menuKeys(menuItem(menu.menu(), QStringLiteral("Capture & Annotate"))), QStringLiteral("Alt + Super + X"));
    // Any post of the notification rebuilds, as the settings post it after every change.
    NotificationCenter::defaultCenter().post(Notifications::shortcutConfigurationChanged);
    EXPECT_EQ(menu.buildCount(), builds + 2);

    standard.set(Settings::appLanguage.name(), QStringLiteral("de"));
    EXPECT_EQ(menu.buildCount(), builds + 3);
    EXPECT_EQ(menu.statusMenuLanguage(), AppLanguage::german);
    EXPECT_EQ(menuTitles(menu.menu()).first(), localized(QStringLiteral("menu.captureAndAnnotate")));
    EXPECT_NE(menuTitles(menu.menu()).first(), QStringLiteral("Capture & Annotate"));
    EXPECT_EQ(item.menu, menu.menu());
    // The rebuilt delay submenu still shows the stored delay.
    EXPECT_EQ(checkedDelays(), QStringList{localized(QStringLiteral("menu.delayCapture.3s"))});
    standard.remove(Settings::captureDelaySeconds.name());
    standard.remove(Settings::defaultSaveFormat.name());
}
