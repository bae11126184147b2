#include "Capture/GlobalHotKeyMonitor.h"
#include "Core/ShortcutStore.h"
#include "Platform/UserDefaults.h"
#include "Platform/X11KeyGrab.h"

#include <QTemporaryDir>

#include <array>

#include <gtest/gtest.h>

namespace {

class RecordingGrabber final : public KeyGrabber {
public:
    KeyGrabResult grabKey(int id, quint16 keyCode, quint64 flags) override
    {
        grabs << std::make_tuple(id, keyCode, flags);
        return refused.contains(id) ? KeyGrabResult::heldByAnotherProgram : KeyGrabResult::grabbed;
    }
    void ungrabAll() override
    {
        grabs.clear();
        ++ungrabs;
    }
    void press(int id) { emit keyPressed(id); }

    QList<std::tuple<int, quint16, quint64>> grabs;
    QList<int> refused;
    int ungrabs = 0;
};

class GlobalHotKeyTest : public ::testing::Test {
protected:
    GlobalHotKeyTest()
        : defaults(dir.filePath(QStringLiteral("settings.ini")))
        , store(defaults)
        , monitor(&grabber, store)
    {
        monitor.onTrigger = [this] { fired << 1; };
        monitor.onWindowTrigger = [this] { fired << 2; };
        monitor.onScrollTrigger = [this] { fired << 3; };
    }

    QTemporaryDir dir;
    UserDefaults defaults;
    ShortcutStore store;
    RecordingGrabber grabber;
    GlobalHotkeyMonitor monitor;
    QList<int> fired;
};

constexpr quint64 kCtrlShift = ShortcutBinding::commandFlag | ShortcutBinding::shiftFlag;

} // namespace

TEST_F(GlobalHotKeyTest, DefaultKeysAreCtrlShiftSevenEightNine)
{
    monitor.registerHotKeys();
    using Grab = std::tuple<int, quint16, quint64>;
    EXPECT_EQ(grabber.grabs, (QList<Grab>{{1, 26, kCtrlShift}, {2, 28, kCtrlShift}, {3, 25, kCtrlShift}}));
    for (int id : {1, 2, 3})
        EXPECT_TRUE(monitor.isRegistered(id));

    // An empty store falls back to the same keys.
    store.setBindings({});
    EXPECT_EQ(monitor.bindingFor(ShortcutAction::captureScroll).keyCode, 25u);
    EXPECT_EQ(monitor.bindingFor(ShortcutAction::captureScroll).modifierFlags, kCtrlShift);

    // Without a display there is nothing to grab with.
    GlobalHotkeyMonitor withoutDisplay(nullptr, store);
    withoutDisplay.onTrigger = [] {};
    withoutDisplay.registerHotKeys();
    EXPECT_FALSE(withoutDisplay.hasAnyRegistered());
}

TEST_F(GlobalHotKeyTest, RegisteringTwiceKeepsOneSetRebindingReplacesTheKeyAndOnlyKeysWithAClosureAreGrabbed)
{
    monitor.registerHotKeys();
    monitor.registerHotKeys();
    EXPECT_EQ(grabber.grabs.size(), 3);

    store.setOverride(ShortcutAction::captureWindow, ShortcutBinding{1, ShortcutBinding::optionFlag, QStringLiteral("s")});
    monitor.unregisterHotKeys();
    EXPECT_FALSE(monitor.hasAnyRegistered());
    monitor.registerHotKeys();
    ASSERT_EQ(grabber.grabs.size(), 3);
    EXPECT_EQ(grabber.grabs.at(1), std::make_tuple(2, quint16(1), quint64(ShortcutBinding::optionFlag)));

    // A hot key without a closure is not grabbed, and its press does nothing.
    monitor.onScrollTrigger = {};
    monitor.unregisterHotKeys();
    monitor.registerHotKeys();
    EXPECT_EQ(grabber.grabs.size(), 2);
    EXPECT_FALSE(monitor.isRegistered(3));
    grabber.press(3);
    EXPECT_TRUE(fired.isEmpty());
}

TEST_F(GlobalHotKeyTest, PressesDispatchByIdAndARefusedKeyOrForeignSignatureIsPassedOver)
{
    grabber.refused = {2};
    monitor.registerHotKeys();
    EXPECT_EQ((std::array{monitor.isRegistered(1), monitor.isRegistered(2), monitor.isRegistered(3)}),
              (std::array{true, false, true}));
    // The refusal is remembered for the settings to tell; a new registration forgets it.
    EXPECT_TRUE(monitor.isHeldByAnotherProgram(ShortcutAction::captureWindow));
    EXPECT_FALSE(monitor.isHeldByAnotherProgram(ShortcutAction::captureSelection));
    grabber.refused.clear();
    monitor.unregisterHotKeys();
    monitor.registerHotKeys();
    EXPECT_FALSE(monitor.isHeldByAnotherProgram(ShortcutAction::captureWindow));
    grabber.press(3);
    grabber.press(1);
    monitor.handleHotKey(0x534E5049 /* 'SNPI' */, 1);
    monitor.handleHotKey(GlobalHotkeyMonitor::signature, 4);
    monitor.handleHotKey(GlobalHotkeyMonitor::signature, 0);
    EXPECT_EQ(fired, (QList<int>{3, 1}));
}
