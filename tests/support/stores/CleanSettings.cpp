// Every test starts from an empty settings store: the tests of a program share one
// process, and what one stored (a shortcut, a backdrop) must not decide what the next sees.
#include "Platform/UserDefaults.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace {

class CleanSettings : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        UserDefaults& defaults = UserDefaults::standard();
        // The store's own file, whatever a test does to the environment; each key through the store.
        static const QString file = UserDefaults::defaultFilePath();
        for (const QString& key : QSettings(file, QSettings::IniFormat).allKeys())
            defaults.remove(key);
    }
};

const bool installed = (::testing::UnitTest::GetInstance()->listeners().Append(new CleanSettings), true);

} // namespace
