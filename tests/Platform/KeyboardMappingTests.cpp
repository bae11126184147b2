#include "Platform/KeyboardMapping.h"
#include "Platform/KeyboardMappingX11.h"
#include "Platform/KeyboardMappingXkb.h"

#include <QCoreApplication>
#include <QSet>

#include "X11TestServer.h"

#include <QKeyEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>

#include <gtest/gtest.h>

namespace {

// Every stored key code that names a key, with its XKB name.
QList<QPair<quint16, QString>> tableKeys()
{
    QList<QPair<quint16, QString>> keys;
    for (quint16 code = 0; code < 256; ++code) {
        if (const std::optional<QString> name = KeyboardMapping::xkbKeyName(code))
            keys.append({code, *name});
    }
    return keys;
}

} // namespace

TEST(KeyboardMappingTable, KeyCodesAndXkbNamesMapBothWays)
{
    EXPECT_EQ(KeyboardMapping::xkbKeyName(0), QStringLiteral("AC01"));
    EXPECT_EQ(KeyboardMapping::xkbKeyName(26), QStringLiteral("AE07"));
    EXPECT_EQ(KeyboardMapping::xkbKeyName(126), QStringLiteral("UP"));
    // Codes without a key, and keys that are modifiers themselves, have no binding.
    EXPECT_EQ(KeyboardMapping::xkbKeyName(52), std::nullopt);
    EXPECT_EQ(KeyboardMapping::xkbKeyName(500), std::nullopt);
    EXPECT_EQ(KeyboardMapping::keyCode(QStringLiteral("LFSH")), std::nullopt);
    EXPECT_EQ(KeyboardMapping::keyCode(QStringLiteral("ac01")), std::nullopt);

    const auto keys = tableKeys();
    EXPECT_GE(keys.size(), 100);
    QSet<QString> names;
    for (const auto& [code, name] : keys) {
        EXPECT_EQ(KeyboardMapping::keyCode(name), code) << name.toStdString();
        names.insert(name);
    }
    EXPECT_EQ(names.size(), keys.size()) << "two key codes share one key";
}

TEST(KeyboardMappingTable, BuiltinKeymapTypesTheUsCharacters)
{
    BuiltinKeyboardMapping keyboard;
    // The stored US characters of the binding model, by key code; 10, 36 and 48 have none.
    const QString us = QStringLiteral("asdfhgzxcv?bqweryt123465=97-80]ou[ip?lj'k;\\,/nm.? `");
    for (quint16 code = 0; code <= 50; ++code) {
        if (us.at(code) == u'?')
            continue;
        const std::optional<quint32> x11 = keyboard.x11KeyCode(code);
        ASSERT_TRUE(x11) << code;
        EXPECT_EQ(keyboard.charactersIgnoringModifiers(*x11), QString(us.at(code))) << code;
        EXPECT_EQ(keyboard.xkbKeyNameForX11KeyCode(*x11), KeyboardMapping::xkbKeyName(code));
        // Synthesised events name a printable key by its upper-case character.
        if (code != 49) {
            EXPECT_EQ(KeyboardMapping::keyCodeForQtKey(us.at(code).toUpper().unicode()), code) << code;
        }
    }
    // Its X keycodes are checked against a real server's keymap below.
    EXPECT_EQ(keyboard.charactersIgnoringModifiers(36), QStringLiteral("\r"));
    EXPECT_EQ(keyboard.charactersIgnoringModifiers(67), std::nullopt); // F1
    EXPECT_EQ(keyboard.xkbKeyNameForX11KeyCode(50), std::nullopt);      // left Shift
}

TEST(KeyboardMappingXkb, AKeymapSentAsTextTypesTheUsersLayoutAtTheSamePositions)
{
    // What a Wayland compositor sends: the seat's keymap as XKB text.
    struct TextKeymap : XkbKeyboardMapping {
        explicit TextKeymap(const char* layout)
        {
            xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
            const xkb_rule_names names{"evdev", "pc105", layout, "", ""};
            xkb_keymap* compiled = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
            char* text = compiled ? xkb_keymap_get_as_string(compiled, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
            if (text)
                setKeymap(xkb_keymap_new_from_string(context, text, XKB_KEYMAP_FORMAT_TEXT_V1,
                                                     XKB_KEYMAP_COMPILE_NO_FLAGS));
            free(text);
            if (compiled)
                xkb_keymap_unref(compiled);
            xkb_context_unref(context);
        }
    };
    // Until the keymap comes (a seat without a keyboard yet), the US one answers.
    struct NoKeymapYet : XkbKeyboardMapping {
    } waiting;
    EXPECT_EQ(waiting.charactersIgnoringModifiers(24), QStringLiteral("q"));
    EXPECT_EQ(waiting.x11KeyCode(12), 24u);
    // Stored key codes 6 (US "z"), 16 (US "y") and 12 (US "q"), as each layout types them.
    const struct {
        const char* layout;
        QString z, y, q;
    } layouts[] = {{"us", "z", "y", "q"}, {"de", "y", "z", "q"}, {"fr", "w", "y", "a"}};
    for (const auto& layout : layouts) {
        const TextKeymap keyboard(layout.layout);
        ASSERT_TRUE(keyboard.hasKeymap()) << layout.layout << ": xkb-data is missing";
        const QString typed[] = {layout.z, layout.y, layout.q};
        const quint16 codes[] = {6, 16, 12};
        for (int i = 0; i < 3; ++i) {
            const std::optional<quint32> x11 = keyboard.x11KeyCode(codes[i]);
            ASSERT_TRUE(x11);
            EXPECT_EQ(keyboard.charactersIgnoringModifiers(*x11), typed[i]) << layout.layout << " " << codes[i];
            EXPECT_EQ(keyboard.xkbKeyNameForX11KeyCode(*x11), KeyboardMapping::xkbKeyName(codes[i]));
        }
    }
}

TEST(KeyboardMappingModifiers, QtModifiersBecomeFlagsAndGrabMasks)
{
    // Ctrl is the command flag and X's Control; Alt is option and Mod1; Meta is control and Mod4.
    const std::tuple<Qt::KeyboardModifier, quint64, quint32> rows[] = {
        {Qt::ControlModifier, KeyboardMapping::commandFlag, 4}, {Qt::AltModifier, KeyboardMapping::optionFlag, 8},
        {Qt::MetaModifier, KeyboardMapping::controlFlag, 64}, {Qt::ShiftModifier, KeyboardMapping::shiftFlag, 1}};
    for (const auto& [qt, flag, x11] : rows) {
        EXPECT_EQ(KeyboardMapping::modifierFlags(qt), flag);
        EXPECT_EQ(KeyboardMapping::x11ModifierMask(flag), x11);
    }
    EXPECT_EQ(KeyboardMapping::modifierFlags(Qt::KeypadModifier | Qt::GroupSwitchModifier), 0u);
    // Caps Lock and Num Lock never take part in a grab's mask.
    const quint32 all = KeyboardMapping::x11ModifierMask(~quint64(0));
    EXPECT_EQ(all & (KeyboardMapping::x11LockMask | KeyboardMapping::x11Mod2Mask), 0u);
    EXPECT_EQ(all, 1u | 4u | 8u | 64u);
}

TEST(KeyboardMappingEvents, KeyEventsResolveToStoredKeyCodes)
{
    BuiltinKeyboardMapping keyboard;
    // Shift+7 on a US keyboard is reported as "&" from the "7" key (X keycode 16).
    const QKeyEvent shiftSeven(QEvent::KeyPress, Qt::Key_Ampersand, Qt::ShiftModifier, 16, 0, 0, QStringLiteral("&"));
    EXPECT_EQ(keyboard.keyCodeOfEvent(shiftSeven), 26);
    EXPECT_EQ(KeyboardMapping::modifierFlags(shiftSeven.modifiers()), KeyboardMapping::shiftFlag);
    EXPECT_EQ(keyboard.eventCharactersIgnoringModifiers(shiftSeven), QStringLiteral("7"));

    // The position counts, not the character: a layout that types "q" on the "a" key.
    const QKeyEvent azerty(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, 38, 0, 0, QStringLiteral("q"));
    EXPECT_EQ(keyboard.keyCodeOfEvent(azerty), 0);

    const QKeyEvent modifierOnly(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, 50, 0, 0);
    EXPECT_EQ(keyboard.keyCodeOfEvent(modifierOnly), std::nullopt);

    // Synthesised events carry no X keycode; their Qt key is read on the US layout.
    const QKeyEvent synthesised(QEvent::KeyPress, Qt::Key_Ampersand, Qt::ShiftModifier);
    EXPECT_EQ(keyboard.keyCodeOfEvent(synthesised), 26);
    EXPECT_EQ(keyboard.keyCodeOfEvent(QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier)), 122);
    EXPECT_EQ(keyboard.keyCodeOfEvent(QKeyEvent(QEvent::KeyPress, Qt::Key_Less, Qt::ShiftModifier)), 43);
    EXPECT_EQ(keyboard.keyCodeOfEvent(QKeyEvent(QEvent::KeyPress, Qt::Key_7, Qt::KeypadModifier)), std::nullopt);
    EXPECT_EQ(keyboard.eventCharactersIgnoringModifiers(synthesised), QStringLiteral("7"));
}

TEST(KeyboardMappingX11, ServerKeymapAgreesWithTheBuiltinOne)
{
    X11TestServer server;
    if (!server.connection())
        GTEST_SKIP() << "Xvfb could not be started";
    const std::unique_ptr<X11KeyboardMapping> keyboard = X11KeyboardMapping::create(server.connection()->connection());
    ASSERT_TRUE(keyboard);

    BuiltinKeyboardMapping builtin;
    int resolved = 0;
    for (const auto& [code, name] : tableKeys()) {
        const std::optional<quint32> x11 = keyboard->x11KeyCode(code);
        if (!x11)
            continue;
        ++resolved;
        EXPECT_EQ(keyboard->xkbKeyNameForX11KeyCode(*x11), name);
        EXPECT_EQ(x11, builtin.x11KeyCode(code)) << name.toStdString();
    }
    EXPECT_GE(resolved, 90);

    const QKeyEvent shiftSeven(QEvent::KeyPress, Qt::Key_Ampersand, Qt::ShiftModifier, *keyboard->x11KeyCode(26), 0, 0);
    EXPECT_EQ(keyboard->keyCodeOfEvent(shiftSeven), 26);
    EXPECT_EQ(keyboard->eventCharactersIgnoringModifiers(shiftSeven), QStringLiteral("7"));
    EXPECT_EQ(keyboard->charactersIgnoringModifiers(*keyboard->x11KeyCode(36)), QStringLiteral("\r"));
    EXPECT_EQ(keyboard->charactersIgnoringModifiers(*keyboard->x11KeyCode(122)), std::nullopt);
    EXPECT_TRUE(keyboard->reload());
    EXPECT_EQ(keyboard->x11KeyCode(0), builtin.x11KeyCode(0));
}

TEST(KeyboardMappingX11, ANewServerKeymapIsReadAgainAndAnnounced)
{
    const QString setxkbmap = QStandardPaths::findExecutable(QStringLiteral("setxkbmap"));
    if (setxkbmap.isEmpty())
        GTEST_SKIP() << "setxkbmap is not installed";
    X11TestServer server;
    if (!server.connection())
        GTEST_SKIP() << "Xvfb could not be started";
    xcb_connection_t* connection = server.connection()->connection();
    const std::unique_ptr<X11KeyboardMapping> keyboard = X11KeyboardMapping::create(connection);
    ASSERT_TRUE(keyboard);
    const quint32 yKey = *keyboard->x11KeyCode(16);
    ASSERT_EQ(keyboard->charactersIgnoringModifiers(yKey), QStringLiteral("y"));

    ASSERT_EQ(QProcess::execute(setxkbmap, {QStringLiteral("-display"), server.display(), QStringLiteral("de")}), 0);
    QSignalSpy changed(keyboard.get(), &KeyboardMapping::keymapChanged);

    // Events that do not concern the keymap change nothing.
    xcb_generic_event_t keyPress{};
    keyPress.response_type = XCB_KEY_PRESS;
    keyboard->handleEvent(&keyPress);
    quint8 eventBase = 0;
    ASSERT_TRUE(xkb_x11_setup_xkb_extension(connection, 1, 0, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr,
                                            &eventBase, nullptr));
    unsigned char xkbEvent[32] = {};
    xkbEvent[0] = eventBase;
    xkbEvent[1] = 0; // NewKeyboardNotify
    xkbEvent[8] = quint8(xkb_x11_get_core_keyboard_device_id(connection) + 1);
    keyboard->handleEvent(xkbEvent);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(keyboard->charactersIgnoringModifiers(yKey), QStringLiteral("y"));

    // The German layout types "z" on the US "y" key; the key keeps its place and its code.
    xkbEvent[8] = quint8(xkb_x11_get_core_keyboard_device_id(connection));
    keyboard->handleEvent(xkbEvent);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(keyboard->charactersIgnoringModifiers(yKey), QStringLiteral("z"));
    EXPECT_EQ(keyboard->x11KeyCode(16), yKey);

    xcb_generic_event_t mappingNotify{};
    mappingNotify.response_type = XCB_MAPPING_NOTIFY;
    keyboard->handleEvent(&mappingNotify);
    EXPECT_EQ(changed.count(), 2);
}
