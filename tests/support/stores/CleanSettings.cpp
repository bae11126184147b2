// Every test starts from an empty settings store. The tests of a program share one
// process, so what one test stored (a shortcut, a backdrop, a window place) would
// otherwise decide what the next one sees, and the outcome would hang on their order.
#include "Core/ShortcutStore.h"
#include "Platform/UserDefaults.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace {

class CleanSettings : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        UserDefaults& defaults = UserDefaults::standard();
        // The file the shared store was made over, whatever a test does to the environment.
        static const QString file = UserDefaults::defaultFilePath();
        // Removed one by one through the store, so that whoever observes a key hears of it.
        for (const QString& key : QSettings(file, QSettings::IniFormat).allKeys())
            defaults.remove(key);
        ShortcutStore& shortcuts = ShortcutStore::shared();
        shortcuts.setUserOverrides({});
        shortcuts.rebuildBindings();
    }
};

const bool installed = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new CleanSettings);
    return true;
}();

} // namespace
