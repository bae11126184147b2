#include "Core/Notifications.h"
#include "Core/Settings.h"
#include "Core/ShortcutStore.h"
#include "Platform/UserDefaults.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr quint64 kShiftCommand = 0x120000;

class ShortcutStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_defaults = std::make_unique<UserDefaults>(path());
        UserDefaults::standard().set(Settings::appLanguage.name(), QStringLiteral("en"));
    }
    void TearDown() override { UserDefaults::standard().remove(Settings::appLanguage.name()); }

    QString path() const { return m_dir.filePath(QStringLiteral("settings.ini")); }
    UserDefaults& defaults() { return *m_defaults; }
    // A second process reading the same settings file.
    std::unique_ptr<UserDefaults> reopened() const { return std::make_unique<UserDefaults>(path()); }

    void store(const QByteArray& json) { m_defaults->setData(Settings::customShortcuts.name(), json); }
    std::optional<QByteArray> stored() const { return m_defaults->data(Settings::customShortcuts.name()); }
    QJsonObject storedObject() const { return QJsonDocument::fromJson(stored().value_or(QByteArray())).object(); }

    QTemporaryDir m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
};

// Counts "ShortcutConfigurationChanged" posts for as long as it lives.
struct ChangeCounter : QObject {
    int count = 0;
    std::function<void()> check;
    ChangeCounter()
    {
        NotificationCenter::defaultCenter().addObserver(Notifications::shortcutConfigurationChanged, this,
                                                        [this](const NotificationCenter::Payload& payload) {
                                                            EXPECT_FALSE(payload.has_value());
                                                            ++count;
                                                            if (check)
                                                                check();
                                                        });
    }
};

} // namespace

TEST_F(ShortcutStoreTest, WithoutOverridesTheDefaultsAreInForceAndNothingIsWritten)
{
    ShortcutStore shortcuts(defaults());
    for (ShortcutAction action : ShortcutActions::allCases())
        EXPECT_EQ(shortcuts.bindings().value(action), ShortcutActions::defaultBinding(action));
    EXPECT_TRUE(shortcuts.userOverrides().isEmpty());
    EXPECT_FALSE(defaults().hasStoredValue(Settings::customShortcuts.name()));
    EXPECT_EQ(shortcuts.displayText(ShortcutAction::captureSelection), QStringLiteral("Ctrl + Shift + 7"));
}

TEST_F(ShortcutStoreTest, AnOverrideIsSavedRebuiltAnnouncedAndReadByTheNextRun)
{
    const ShortcutBinding recorded{1, 0x120000, QStringLiteral("s")};
    {
        ShortcutStore shortcuts(defaults());
        QSignalSpy published(&shortcuts, &ShortcutStore::bindingsChanged);
        ChangeCounter changes;
        // By the time the change is announced it is saved and in force.
        changes.check = [&] {
            EXPECT_EQ(shortcuts.bindings().value(ShortcutAction::saveAs), recorded);
            EXPECT_TRUE(stored().has_value());
        };
        shortcuts.setOverride(ShortcutAction::saveAs, {1, 0x120000 | 0x100, QStringLiteral("s")});
        EXPECT_EQ(changes.count, 1);
        EXPECT_EQ(published.count(), 1);
        EXPECT_EQ(shortcuts.displayText(ShortcutAction::saveAs), QStringLiteral("Ctrl + Shift + S"));
    }
    const QJsonObject object = storedObject();
    EXPECT_EQ(object.keys(), QStringList{QStringLiteral("saveAs")});
    EXPECT_EQ(object.value(QStringLiteral("saveAs")).toObject().value(QStringLiteral("modifierFlags")).toInteger(),
              1179648);

    auto nextRun = reopened();
    ShortcutStore again(*nextRun);
    EXPECT_EQ(again.userOverrides().value(QStringLiteral("saveAs")), recorded);
    EXPECT_EQ(again.bindings().value(ShortcutAction::saveAs), recorded);
    EXPECT_EQ(again.bindings().value(ShortcutAction::pinImage), ShortcutActions::defaultBinding(ShortcutAction::pinImage));
}

TEST_F(ShortcutStoreTest, ResettingAndRestoringDefaultsAnnounceOnceEach)
{
    ShortcutStore shortcuts(defaults());
    shortcuts.setOverride(ShortcutAction::toolArrow, {0, 0, QStringLiteral("a")});
    shortcuts.setOverride(ShortcutAction::toolText, {17, 0, QStringLiteral("t")});
    ChangeCounter changes;

    shortcuts.removeOverride(ShortcutAction::toolArrow);
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(shortcuts.bindings().value(ShortcutAction::toolArrow), ShortcutActions::defaultBinding(ShortcutAction::toolArrow));
    EXPECT_EQ(storedObject().keys(), QStringList{QStringLiteral("toolText")});

    shortcuts.restoreDefaults();
    EXPECT_EQ(changes.count, 2);
    EXPECT_FALSE(defaults().hasStoredValue(Settings::customShortcuts.name()));
    EXPECT_EQ(shortcuts.bindings().value(ShortcutAction::toolText), ShortcutActions::defaultBinding(ShortcutAction::toolText));
}

TEST_F(ShortcutStoreTest, LoadingKeepsCurrentActionsAndWritesTheCleanedForm)
{
    store(R"({"retiredAction": {"keyCode": 3, "modifierFlags": 0, "displayCharacter": "f"},)"
          R"( "saveAs": {"keyCode": 1, "modifierFlags": 1179904, "displayCharacter": "sx"}})");
    ShortcutStore shortcuts(defaults());
    EXPECT_EQ(shortcuts.userOverrides().keys(), QStringList{QStringLiteral("saveAs")});
    EXPECT_EQ(shortcuts.bindings().value(ShortcutAction::saveAs), ShortcutBinding({1, 0x120000, QStringLiteral("s")}));

    const QJsonObject rewritten = storedObject();
    EXPECT_EQ(rewritten.keys(), QStringList{QStringLiteral("saveAs")});
    EXPECT_EQ(ShortcutBinding::fromJson(rewritten.value(QStringLiteral("saveAs"))),
              ShortcutBinding({1, 0x120000, QStringLiteral("s")}));
    EXPECT_EQ(rewritten.value(QStringLiteral("saveAs")).toObject().value(QStringLiteral("modifierFlags")).toInteger(),
              0x120000);

    // Nothing current left: the key goes.
    store(R"({"retiredAction": {"keyCode": 3, "modifierFlags": 0, "displayCharacter": "f"}})");
    ShortcutStore cleaned(defaults());
    EXPECT_TRUE(cleaned.userOverrides().isEmpty());
    EXPECT_FALSE(defaults().hasStoredValue(Settings::customShortcuts.name()));
}

TEST_F(ShortcutStoreTest, UnreadableStoredDataLeavesDefaultsInForceAndTheDataInPlace)
{
    const QByteArray unreadable[] = {
        "not json at all",
        "",
        "[]",
        "\"saveAs\"",
        R"({"saveAs": 5})",
        R"({"saveAs": {"keyCode": 1.25, "modifierFlags": 0, "displayCharacter": "s"}})",
        // One malformed member spoils the other, well-formed one.
        R"({"saveAs": {"keyCode": 1, "modifierFlags": 0, "displayCharacter": "s"},)"
        R"( "pinImage": {"keyCode": -35, "modifierFlags": 0, "displayCharacter": "p"}})",
        R"({"saveAs": {"keyCode": 1, "modifierFlags": "1179648", "displayCharacter": "s"}})",
        QByteArray("\xff\xfe{\x00", 4),
    };
    for (const QByteArray& data : unreadable) {
        SCOPED_TRACE(data.toStdString());
        store(data);
        ShortcutStore shortcuts(defaults());
        EXPECT_TRUE(shortcuts.userOverrides().isEmpty());
        EXPECT_EQ(shortcuts.bindings().value(ShortcutAction::saveAs), ShortcutActions::defaultBinding(ShortcutAction::saveAs));
        EXPECT_EQ(stored(), data);
    }
}

TEST_F(ShortcutStoreTest, KeyPressMatchesByScopeKeyAndModifiers)
{
    ShortcutStore shortcuts(defaults());
    // The editor asks for in-app actions: shift-command-7 is the area capture's, not the editor's.
    EXPECT_EQ(shortcuts.matchingAction(ShortcutScope::inApp, 26, kShiftCommand), std::nullopt);
    EXPECT_EQ(shortcuts.matchingAction(ShortcutScope::globalScope, 26, kShiftCommand), ShortcutAction::captureSelection);
    EXPECT_EQ(shortcuts.matchingAction(ShortcutScope::inApp, 26, 0), ShortcutAction::toolNumber);
    EXPECT_EQ(shortcuts.matchingAction(ShortcutScope::inApp, 26, 0x20000), std::nullopt);
    EXPECT_EQ(shortcuts.matchingAction(ShortcutScope::inApp, 9, 0x100000), ShortcutAction::pasteImage);

    // Two actions on one key: the first in declaration order answers, every time.
    shortcuts.setOverride(ShortcutAction::toolLine, {26, 0, QStringLiteral("7")});
    EXPECT_EQ(shortcuts.matchingAction(ShortcutScope::inApp, 26, 0), ShortcutAction::toolLine);
}

TEST_F(ShortcutStoreTest, RecordingConflictsIgnoreScope)
{
    ShortcutStore shortcuts(defaults());
    EXPECT_EQ(shortcuts.conflictFor(ShortcutAction::copyImage, 26, kShiftCommand), ShortcutAction::captureSelection);
    EXPECT_FALSE(ShortcutStore::conflictingAction(ShortcutAction::toolNumber,
                                                  shortcuts.bindings().value(ShortcutAction::toolNumber),
                                                  ShortcutAction::copyImage, 26, kShiftCommand));
    // Re-recording an action's own key is no conflict.
    EXPECT_EQ(shortcuts.conflictFor(ShortcutAction::captureSelection, 26, kShiftCommand), std::nullopt);
    EXPECT_EQ(shortcuts.conflictFor(ShortcutAction::copyImage, 26, 0), ShortcutAction::toolNumber);

    // No two factory defaults collide.
    for (ShortcutAction recording : ShortcutActions::allCases()) {
        const ShortcutBinding own = ShortcutActions::defaultBinding(recording);
        EXPECT_EQ(shortcuts.conflictFor(recording, own.keyCode, own.modifierFlags), std::nullopt)
            << ShortcutActions::rawValue(recording).toStdString();
    }
}
