#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Core/ShortcutAction.h"
#include "Core/ShortcutBinding.h"
#include "Platform/KeyboardMapping.h"
#include "Platform/UserDefaults.h"

#include <QJsonDocument>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace {

constexpr quint64 kShift = ShortcutBinding::shiftFlag;
constexpr quint64 kControl = ShortcutBinding::controlFlag;
constexpr quint64 kOption = ShortcutBinding::optionFlag;
constexpr quint64 kCommand = ShortcutBinding::commandFlag;

class ShortcutBindingText : public ::testing::Test {
protected:
    void SetUp() override { UserDefaults::standard().set(Settings::appLanguage.name(), QStringLiteral("en")); }
    void TearDown() override { UserDefaults::standard().remove(Settings::appLanguage.name()); }
};

std::optional<ShortcutBinding> decode(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    return ShortcutBinding::fromJson(document.object());
}

} // namespace

TEST_F(ShortcutBindingText, ModifiersReadInLinuxWordsAndOrder)
{
    EXPECT_EQ(ShortcutBinding({0, kShift | kControl | kOption | kCommand, QStringLiteral("a")}).displayText(),
              QStringLiteral("Ctrl + Alt + Shift + Super + A"));
    EXPECT_EQ(ShortcutBinding({0, kControl, QStringLiteral("a")}).displayText(), QStringLiteral("Super + A"));
    EXPECT_EQ(ShortcutBinding({18, 0, QStringLiteral("1")}).displayText(), QStringLiteral("1"));
    // The key code plays no part, only the stored character.
    EXPECT_EQ(ShortcutBinding({999, kCommand, QStringLiteral("x")}).displayText(), QStringLiteral("Ctrl + X"));
}

TEST_F(ShortcutBindingText, DefaultsReadAsTheUserExpects)
{
    using namespace ShortcutActions;
    EXPECT_EQ(defaultBinding(ShortcutAction::captureSelection).displayText(), QStringLiteral("Ctrl + Shift + 7"));
    EXPECT_EQ(defaultBinding(ShortcutAction::resizePanel).displayText(), QStringLiteral("Ctrl + Alt + I"));
    for (ShortcutAction action : allCases()) {
        const ShortcutBinding binding = defaultBinding(action);
        SCOPED_TRACE(rawValue(action).toStdString());
        // Every default shows its own key last, and stores the key's US character.
        EXPECT_TRUE(binding.displayText().endsWith(binding.displayCharacter.toUpper()));
        EXPECT_EQ(usKeyCharacterTable().value(quint16(binding.keyCode)), binding.displayCharacter);
        EXPECT_EQ(binding.modifierFlags & ~ShortcutBinding::modifierMask, 0u);
    }
}

TEST_F(ShortcutBindingText, SpaceAndControlKeysAreNamed)
{
    const ShortcutBinding space{49, kCommand, QStringLiteral(" ")};
    EXPECT_EQ(space.displayText(), QStringLiteral("Ctrl + Space"));

    // A key that types a control character is shown by name, never as that character.
    const ShortcutBinding shiftReturn{36, kShift, QStringLiteral("\r")};
    const ShortcutBinding escape{53, 0, QStringLiteral("\x1b")};
    const ShortcutBinding tab{48, kCommand, QStringLiteral("\t")};
    const ShortcutBinding backspace{51, 0, QStringLiteral("\b")};
    const ShortcutBinding forwardDelete{117, kCommand | kShift, QStringLiteral("\x7f")};
    EXPECT_EQ(shiftReturn.displayText(), QStringLiteral("Shift + Return"));
    EXPECT_EQ(ShortcutBinding({76, 0, QStringLiteral("\n")}).displayText(), QStringLiteral("Return"));
    EXPECT_EQ(escape.displayText(), QStringLiteral("Esc"));
    EXPECT_EQ(tab.displayText(), QStringLiteral("Ctrl + Tab"));
    EXPECT_EQ(backspace.displayText(), QStringLiteral("Backspace"));
    EXPECT_EQ(forwardDelete.displayText(), QStringLiteral("Ctrl + Shift + Delete"));

    // The names follow the interface language; the modifiers keep their keycap words.
    UserDefaults::standard().set(Settings::appLanguage.name(), QStringLiteral("de"));
    EXPECT_EQ(space.displayText(), QStringLiteral("Ctrl + Leertaste"));
    EXPECT_EQ(shiftReturn.displayText(), QStringLiteral("Shift + Eingabe"));
    EXPECT_EQ(backspace.displayText(), QStringLiteral("Rücktaste"));
    EXPECT_EQ(forwardDelete.displayText(), QStringLiteral("Ctrl + Shift + Entf"));
    UserDefaults::standard().set(Settings::appLanguage.name(), QStringLiteral("fr"));
    EXPECT_EQ(escape.displayText(), QStringLiteral("Échap"));
    UserDefaults::standard().set(Settings::appLanguage.name(), QStringLiteral("zh-Hans"));
    EXPECT_EQ(shiftReturn.displayText(), QStringLiteral("Shift + 回车键"));
}

TEST(ShortcutBindingCharacter, RecordedKeyFollowsTheUsLayoutFirstAndIgnoresModifiers)
{
    // Whatever the active layout types, a key of the table stores its US character.
    EXPECT_EQ(ShortcutBinding::displayCharacterFor(0, std::optional<QString>(QStringLiteral("q"))), QStringLiteral("a"));
    EXPECT_EQ(ShortcutBinding::displayCharacterFor(49, std::optional<QString>()), QStringLiteral(" "));
    EXPECT_EQ(ShortcutBinding::displayCharacterFor(36, std::optional<QString>(QStringLiteral("\r"))), QStringLiteral("\r"));
    EXPECT_EQ(ShortcutBinding::displayCharacterFor(36, std::optional<QString>()), std::nullopt);
    EXPECT_EQ(ShortcutBinding::displayCharacterFor(36, static_cast<const QKeyEvent*>(nullptr)), std::nullopt);
    EXPECT_EQ(ShortcutBinding::displayCharacterFor(93, std::optional<QString>(QStringLiteral("ab"))), std::nullopt);
    EXPECT_EQ(ShortcutBinding::displayCharacterFor(93, std::optional<QString>(QString())), std::nullopt);
    EXPECT_EQ(ShortcutBinding::displayCharacterFor(93, std::optional<QString>(QStringLiteral("É"))), QStringLiteral("é"));
    // One character made of a letter and a combining accent is still one character.
    EXPECT_EQ(ShortcutBinding::displayCharacterFor(93, std::optional<QString>(QStringLiteral("E\u0301"))),
              QStringLiteral("e\u0301"));

    // A recorded key event is read without its modifiers.
    BuiltinKeyboardMapping mapping;
    KeyboardMapping::setSharedForTesting(&mapping);
    // X keycodes of the evdev keymap: 36 Return, 67 F1, 10 the "1" key.
    const QKeyEvent returnKey(QEvent::KeyPress, Qt::Key_Return, Qt::ShiftModifier, 36, 0, 0, QStringLiteral("\r"));
    const QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier, 67, 0, 0);
    const QKeyEvent shiftedOne(QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier, 10, 0, 0, QStringLiteral("!"));
    EXPECT_EQ(ShortcutBinding::displayCharacterFor(36, &returnKey), QStringLiteral("\r"));
    EXPECT_EQ(ShortcutBinding::displayCharacterFor(122, &f1), std::nullopt);
    EXPECT_EQ(ShortcutBinding::displayCharacterFor(18, &shiftedOne), QStringLiteral("1"));
    KeyboardMapping::setSharedForTesting(nullptr);
}

TEST(ShortcutBindingJson, RoundTripsEveryDefault)
{
    for (ShortcutAction action : ShortcutActions::allCases()) {
        const ShortcutBinding binding = ShortcutActions::defaultBinding(action);
        const QByteArray text = QJsonDocument(binding.toJson()).toJson(QJsonDocument::Compact);
        EXPECT_EQ(decode(text), binding) << text.constData();
    }
    const ShortcutBinding largest{0xFFFFFFFFu, ShortcutBinding::modifierMask, QStringLiteral("é")};
    EXPECT_EQ(decode(QJsonDocument(largest.toJson()).toJson()), largest);
}

TEST(ShortcutBindingJson, DecodingNormalisesFlagsAndCharacter)
{
    const auto plain = decode(R"({"keyCode": 9, "modifierFlags": 1179648, "displayCharacter": "v"})");
    ASSERT_TRUE(plain);
    EXPECT_EQ(*plain, ShortcutBinding({9, 0x120000, QStringLiteral("v")}));

    // Bits outside the four modifiers are dropped, also from integers too large for a double.
    const auto extraBits = decode(R"({"keyCode": 9, "modifierFlags": 1179904, "displayCharacter": "v"})");
    ASSERT_TRUE(extraBits);
    EXPECT_EQ(extraBits->modifierFlags, 0x120000u);
    const auto huge = decode(R"({"keyCode": 9, "modifierFlags": 4611686018429485055, "displayCharacter": "v"})");
    ASSERT_TRUE(huge); // 2^62 + 0x1FFFFF, which a double would round to 2^62 + 0x200000
    EXPECT_EQ(huge->modifierFlags, 0x1E0000u);

    EXPECT_EQ(decode(R"({"keyCode": 1, "modifierFlags": 0, "displayCharacter": ""})")->displayCharacter, QStringLiteral("?"));
    EXPECT_EQ(decode(R"({"keyCode": 1, "modifierFlags": 0, "displayCharacter": "sx"})")->displayCharacter, QStringLiteral("s"));
    EXPECT_EQ(decode(R"({"keyCode": 1, "modifierFlags": 0, "displayCharacter": "👍🏽x"})")->displayCharacter,
              QStringLiteral("👍🏽"));
    // A whole number written with a fraction part or exponent is still that number.
    EXPECT_EQ(decode(R"({"keyCode": 2.0, "modifierFlags": 1.048576e6, "displayCharacter": "d"})"),
              ShortcutBinding({2, kCommand, QStringLiteral("d")}));
}

TEST(ShortcutBindingJson, RejectsWhatIsNotABinding)
{
    const char* const rejected[] = {
        R"({"keyCode": 1.5, "modifierFlags": 0, "displayCharacter": "a"})",
        R"({"keyCode": -1, "modifierFlags": 0, "displayCharacter": "a"})",
        R"({"keyCode": 4294967296, "modifierFlags": 0, "displayCharacter": "a"})",
        R"({"keyCode": 0, "modifierFlags": -131072, "displayCharacter": "a"})",
        R"({"keyCode": 0, "modifierFlags": 0.5, "displayCharacter": "a"})",
        R"({"keyCode": 0, "modifierFlags": 1e30, "displayCharacter": "a"})",
        R"({"keyCode": 0, "modifierFlags": 18446744073709551616, "displayCharacter": "a"})",
        R"({"keyCode": "0", "modifierFlags": 0, "displayCharacter": "a"})",
        R"({"keyCode": true, "modifierFlags": 0, "displayCharacter": "a"})",
        R"({"keyCode": null, "modifierFlags": 0, "displayCharacter": "a"})",
        R"({"keyCode": [0], "modifierFlags": 0, "displayCharacter": "a"})",
        R"({"keyCode": 0, "modifierFlags": {}, "displayCharacter": "a"})",
        R"({"keyCode": 0, "modifierFlags": 0, "displayCharacter": 7})",
        R"({"keyCode": 0, "modifierFlags": 0, "displayCharacter": null})",
        R"({"modifierFlags": 0, "displayCharacter": "a"})",
        R"({"keyCode": 0, "displayCharacter": "a"})",
        R"({"keyCode": 0, "modifierFlags": 0})",
        R"({})",
    };
    for (const char* json : rejected)
        EXPECT_EQ(decode(json), std::nullopt) << json;
    EXPECT_EQ(ShortcutBinding::fromJson(QJsonValue(3)), std::nullopt);
    EXPECT_EQ(ShortcutBinding::fromJson(QJsonValue(QStringLiteral("a"))), std::nullopt);
    EXPECT_EQ(ShortcutBinding::fromJson(QJsonValue()), std::nullopt);
}

TEST(ShortcutActionNames, RawValuesAreExact)
{
    for (ShortcutAction action : ShortcutActions::allCases())
        EXPECT_EQ(ShortcutActions::fromRawValue(ShortcutActions::rawValue(action)), action);
    EXPECT_EQ(ShortcutActions::fromRawValue(QStringLiteral("SaveAs")), std::nullopt);
    EXPECT_EQ(ShortcutActions::fromRawValue(QStringLiteral("saveAs ")), std::nullopt);
}
