// The language refresher: one signal per distinct Settings::appLanguage.name() value.
#include "Core/LanguageRefresh.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>

namespace {
const QString kLanguageKey = Settings::appLanguage.name();
}

TEST(LanguageRefresh, FiresOncePerDistinctLanguageOnly)
{
    QTemporaryDir dir;
    UserDefaults defaults(QDir(dir.path()).filePath("defaults.conf"));
    LanguageRefresh refresh(defaults);
    EXPECT_EQ(refresh.lastRaw(), QStringLiteral("system"));

    QStringList seenAtSignal;
    QObject::connect(&refresh, &LanguageRefresh::languageChanged, &refresh,
                     [&] { seenAtSignal << refresh.lastRaw(); });
    QSignalSpy spy(&refresh, &LanguageRefresh::languageChanged);

    defaults.set(kLanguageKey, "de");
    EXPECT_EQ(spy.count(), 1);
    defaults.set(kLanguageKey, "de");
    EXPECT_EQ(spy.count(), 1) << "the same value again is no change";
    defaults.set(Settings::appTheme.name(), "dark");
    defaults.set(Settings::rememberToolStyles.name(), true);
    EXPECT_EQ(spy.count(), 1) << "other settings do not count";
    defaults.set(kLanguageKey, "fr");
    EXPECT_EQ(spy.count(), 2);
    defaults.remove(kLanguageKey);
    EXPECT_EQ(spy.count(), 3) << "removing the setting means \"system\"";
    EXPECT_EQ(refresh.lastRaw(), QStringLiteral("system"));
    defaults.set(kLanguageKey, "system");
    EXPECT_EQ(spy.count(), 3) << "\"system\" stored equals \"system\" absent";
    defaults.set(kLanguageKey, "chinese");
    EXPECT_EQ(spy.count(), 4) << "a legacy value is a distinct stored value";

    // Observers already see the new value when they are told.
    EXPECT_EQ(seenAtSignal, (QStringList{"de", "fr", "system", "chinese"}));

    // A refresher made later starts from the stored value.
    LanguageRefresh later(defaults);
    EXPECT_EQ(later.lastRaw(), QStringLiteral("chinese"));
    QSignalSpy laterSpy(&later, &LanguageRefresh::languageChanged);
    defaults.set(kLanguageKey, "chinese");
    EXPECT_EQ(laterSpy.count(), 0);
}

TEST(LanguageRefresh, WritesFromAnotherThreadAreAnnouncedOnTheRefreshersThread)
{
    QTemporaryDir dir;
    UserDefaults defaults(QDir(dir.path()).filePath("defaults.conf"));
    LanguageRefresh refresh(defaults);
    QThread* signalThread = nullptr;
    QObject::connect(&refresh, &LanguageRefresh::languageChanged, &refresh,
                     [&] { signalThread = QThread::currentThread(); });
    QSignalSpy spy(&refresh, &LanguageRefresh::languageChanged);

    // A thread of its own: waiting on a pooled task that has not started yet runs it here.
    std::thread([&defaults] { defaults.set(kLanguageKey, "ru"); }).join();
    EXPECT_EQ(spy.count(), 0) << "delivery is queued to the refresher's thread";
    EXPECT_TRUE(spy.wait(2000));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(signalThread, refresh.thread());
    EXPECT_EQ(refresh.lastRaw(), QStringLiteral("ru"));
}
