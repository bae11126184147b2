// Interface language choice and text lookup.
#include "Core/Localization.h"
#include "Core/LocalizationTable.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <QFuture>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

namespace {

const QString kLanguageKey = Settings::appLanguage.name();

// Every test starts without a stored language and with a known desktop language.
class LocalizationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::standard().remove(kLanguageKey);
        setDesktopLanguages({"en-US"});
    }
    void TearDown() override
    {
        UserDefaults::standard().remove(kLanguageKey);
        AppLanguages::setPreferredLanguagesSource({});
    }
    static void setDesktopLanguages(const QStringList& languages)
    {
        AppLanguages::setPreferredLanguagesSource([languages] { return languages; });
    }
    static void store(const QString& value) { UserDefaults::standard().set(kLanguageKey, value); }
};

} // namespace

TEST_F(LocalizationTest, DisplayNamesAreNativeExceptFollowSystem)
{
    store("ja");
    EXPECT_EQ(AppLanguages::displayName(AppLanguage::system), QStringLiteral("システムに従う"));
    // The other names never follow the interface language.
    EXPECT_EQ(AppLanguages::displayName(AppLanguage::german), QStringLiteral("Deutsch"));
    EXPECT_EQ(AppLanguages::displayName(AppLanguage::chineseTraditional), QStringLiteral("繁體中文"));
    store("de");
    EXPECT_EQ(AppLanguages::displayName(AppLanguage::system), QStringLiteral("System folgen"));
    EXPECT_EQ(AppLanguages::displayName(AppLanguage::japanese), QStringLiteral("日本語"));

    QSet<QString> names;
    for (AppLanguage language : AppLanguages::allCases())
        names.insert(AppLanguages::displayName(language));
    EXPECT_EQ(names.size(), 11);
}

TEST_F(LocalizationTest, SystemPreferredReadsTheFirstDesktopLanguage)
{
    struct Case {
        QStringList preferred;
        AppLanguage expected;
    };
    const Case cases[] = {
        {{"zh-TW"}, AppLanguage::chineseTraditional},
        {{"zh-Hans-MO"}, AppLanguage::chineseTraditional},
        {{"zh-hans-hk"}, AppLanguage::chineseTraditional},
        {{"zh_HK"}, AppLanguage::chineseTraditional},
        {{"zh-CN"}, AppLanguage::chineseSimplified},
        {{"zh"}, AppLanguage::chineseSimplified},
        {{"pt-BR"}, AppLanguage::english},
        {{"DE-ch"}, AppLanguage::german},
        {{"es-419"}, AppLanguage::spanish},
        {{}, AppLanguage::english},
        {{"C"}, AppLanguage::english},
        // Only the first entry counts.
        {{"pt-BR", "de-DE"}, AppLanguage::english},
        {{"ru", "en"}, AppLanguage::russian},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AppLanguages::systemPreferred(c.preferred), c.expected) << c.preferred.join(',').toStdString();
        setDesktopLanguages(c.preferred);
        EXPECT_EQ(AppLanguages::systemPreferred(), c.expected) << c.preferred.join(',').toStdString();
    }

    // Without a substitute the desktop's own list decides; whatever it is, never `system`.
    AppLanguages::setPreferredLanguagesSource({});
    EXPECT_NE(AppLanguages::systemPreferred(), AppLanguage::system);
}

TEST_F(LocalizationTest, CurrentLanguageFollowsTheSettingWithItsFallbacks)
{
    setDesktopLanguages({"ko-KR"});
    EXPECT_EQ(AppLanguages::current(), AppLanguage::korean) << "absent setting follows the desktop";

    store("system");
    EXPECT_EQ(AppLanguages::current(), AppLanguage::korean);

    store("it");
    EXPECT_EQ(AppLanguages::current(), AppLanguage::italian);

    // Values written by earlier versions.
    store("chinese");
    EXPECT_EQ(AppLanguages::current(), AppLanguage::chineseSimplified);
    EXPECT_EQ(localized("tooltip.arrow"), QStringLiteral("箭头标注"));
    store("english");
    EXPECT_EQ(AppLanguages::current(), AppLanguage::english);
    EXPECT_EQ(localized("tooltip.arrow"), QStringLiteral("Arrow Annotation"));

    // Anything unknown counts as "follow the desktop".
    for (const char* invalid : {"klingon", "ZH-HANS", "Chinese", "", "en-US"}) {
        store(QString::fromUtf8(invalid));
        EXPECT_EQ(AppLanguages::current(), AppLanguage::korean) << invalid;
        EXPECT_EQ(localized("tooltip.arrow"), QStringLiteral("화살표 주석")) << invalid;
    }

    // A stored non-string (a number) is no language either.
    UserDefaults::standard().set(kLanguageKey, 42);
    EXPECT_EQ(AppLanguages::current(), AppLanguage::korean);
}

TEST_F(LocalizationTest, UnknownKeysAndMissingLanguagesFallBack)
{
    store("de");
    EXPECT_EQ(localized("menu.doesNotExist"), QStringLiteral("menu.doesNotExist"));
    EXPECT_EQ(localized(""), QString());
    EXPECT_EQ(localizedFormat("no.such.key %@", {"x"}), QStringLiteral("no.such.key x"));

    // The lookup rule over a table with gaps: missing language -> English -> key.
    const QHash<QString, QHash<QString, QString>> table = {
        {"greeting", {{"en", "Hello"}, {"de", "Hallo"}}},
        {"germanOnly", {{"de", "Nur Deutsch"}}},
        {"empty", {}},
    };
    EXPECT_EQ(Localization::lookup(table, "greeting", "de"), QStringLiteral("Hallo"));
    EXPECT_EQ(Localization::lookup(table, "greeting", "ja"), QStringLiteral("Hello"));
    EXPECT_EQ(Localization::lookup(table, "germanOnly", "ja"), QStringLiteral("germanOnly"));
    EXPECT_EQ(Localization::lookup(table, "empty", "en"), QStringLiteral("empty"));
    EXPECT_EQ(Localization::lookup(table, "absent", "de"), QStringLiteral("absent"));
}

TEST_F(LocalizationTest, FormatFillsPlaceholdersInOrder)
{
    using Localization::fillPlaceholders;
    EXPECT_EQ(fillPlaceholders("%@ then %@", {"first", "second"}), QStringLiteral("first then second"));
    // Arguments are inserted as they are, never re-scanned.
    EXPECT_EQ(fillPlaceholders("a %@ b %@", {"%@", "y"}), QStringLiteral("a %@ b y"));
    EXPECT_EQ(fillPlaceholders("100%@", {"%1"}), QStringLiteral("100%1"));
    // Too few arguments leave the rest; too many are ignored.
    EXPECT_EQ(fillPlaceholders("%@ and %@", {"one"}), QStringLiteral("one and %@"));
    EXPECT_EQ(fillPlaceholders("only %@", {"one", "two"}), QStringLiteral("only one"));

    store("en");
    EXPECT_EQ(localizedFormat("export.error.writeFailed", {"Permission denied"}),
              QStringLiteral("The file could not be saved: Permission denied"));
}

TEST_F(LocalizationTest, LookupsFromManyThreadsAgree)
{
    store("ja");
    const QString expected = QStringLiteral("矢印注釈");
    QList<QFuture<bool>> futures;
    for (int i = 0; i < 8; ++i) {
        futures << QtConcurrent::run([expected] {
            for (int n = 0; n < 500; ++n) {
                if (localized("tooltip.arrow") != expected)
                    return false;
            }
            return true;
        });
    }
    for (auto& future : futures)
        EXPECT_TRUE(future.result());
}
