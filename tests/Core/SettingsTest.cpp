// The stored settings: what a fresh installation reads, and that only the settings
// table spells a key.
#include "Core/Settings.h"
#include "SourceScan.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(Settings, AFreshInstallationReadsTheDesignedDefaults)
{
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath(QStringLiteral("fresh.ini")));
    Settings::registerDefaults(defaults);

    // Registered at start: every read of the store sees them, nothing is written.
    const std::pair<const char*, QVariant> registered[] = {
        {"appLanguage", QStringLiteral("system")}, {"appTheme", QStringLiteral("system")},
        {"defaultSaveFormat", QStringLiteral("png")}, {"defaultJpegQuality", 0.9},
        {"rememberToolStyles", true}, {"openWindowAtLaunch", true}, {"settingsSelectedTab", 0},
        {"captureOpensEditor", true}, {"captureDelaySeconds", 0},
    };
    for (const auto& [key, value] : registered) {
        EXPECT_EQ(defaults.object(QString::fromLatin1(key)), value) << key;
        EXPECT_FALSE(defaults.hasStoredValue(QString::fromLatin1(key))) << key;
    }

    // Never registered: absent from the store, each row answers its reader's default.
    const std::pair<QString, const char*> unregistered[] = {
        {Settings::automaticUpdateChecks.name(), "SUEnableAutomaticChecks"},
        {Settings::automaticUpdateDownloads.name(), "SUAutomaticallyUpdate"},
        {Settings::captureShowsCursor.name(), "captureShowsCursor"},
        {Settings::captureMaxScrollLength.name(), "captureMaxScrollLength"},
        {Settings::backdropEnabled.name(), "backdropEnabled"},
        {Settings::askToSaveChanges.name(), "askToSaveChanges"},
        {Settings::pinOpacity.name(), "pinOpacity"},
        {Settings::pinCornerRadius.name(), "pinCornerRadius"},
        {Settings::pinShadowEnabled.name(), "pinShadowEnabled"},
    };
    for (const auto& [name, key] : unregistered) {
        EXPECT_EQ(name, QString::fromLatin1(key));
        EXPECT_FALSE(defaults.object(name).isValid()) << key;
    }
    EXPECT_TRUE(Settings::automaticUpdateChecks.read(defaults));
    EXPECT_FALSE(Settings::automaticUpdateDownloads.read(defaults));
    EXPECT_FALSE(Settings::captureShowsCursor.read(defaults));
    EXPECT_EQ(Settings::captureMaxScrollLength.read(defaults), 20000);
    EXPECT_FALSE(Settings::backdropEnabled.read(defaults));
    EXPECT_TRUE(Settings::askToSaveChanges.read(defaults));
    EXPECT_EQ(Settings::pinOpacity.read(defaults), 1.0);
    EXPECT_EQ(Settings::pinCornerRadius.read(defaults), 10.0);
    EXPECT_TRUE(Settings::pinShadowEnabled.read(defaults));
    EXPECT_FALSE(Settings::pinLastFrame.read(defaults).has_value());

    // A written value wins over both kinds of default, and removing it brings them back.
    Settings::automaticUpdateChecks.write(false, defaults);
    Settings::captureDelaySeconds.write(5, defaults);
    EXPECT_FALSE(Settings::automaticUpdateChecks.read(defaults));
    EXPECT_EQ(Settings::captureDelaySeconds.read(defaults), 5);
    Settings::automaticUpdateChecks.remove(defaults);
    Settings::captureDelaySeconds.remove(defaults);
    EXPECT_TRUE(Settings::automaticUpdateChecks.read(defaults));
    EXPECT_EQ(Settings::captureDelaySeconds.read(defaults), 0);
}

TEST(Settings, OnlyTheTableSpellsAKey)
{
    QFile table(SourceScan::kRoot + QStringLiteral("/src/Core/Settings.h"));
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    static const QRegularExpression row(QStringLiteral(R"re(ROW\(\w+, "([^"]+)")re"));
    QSet<QString> keys;
    for (const auto& m : row.globalMatch(QString::fromUtf8(table.readAll())))
        keys.insert(m.captured(1));
    ASSERT_GT(keys.size(), 20);
    for (const SourceScan::SourceFile& file : SourceScan::sourcesUnder(QStringLiteral("src"))) {
        if (file.path == QStringLiteral("src/Core/Settings.h"))
            continue;
        for (const QString& literal : file.literals)
            EXPECT_FALSE(keys.contains(literal)) << file.path.toStdString() << " spells \"" << literal.toStdString() << "\"";
    }
}
