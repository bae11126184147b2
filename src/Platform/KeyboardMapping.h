#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <Qt>

#include <optional>

class QKeyEvent;

// Between Lumetra's stored key codes and the keyboard of the running desktop.
//
// Stored bindings name a key by its position on the US layout (0 is the "a" key,
// 26 the "7" key, 49 the space bar) and modifiers by the flag bits shift 0x20000,
// control 0x40000, option 0x80000 and command 0x100000. On Linux those positions are
// XKB key names (AC01, AE07, SPCE ...), which the server's keymap turns into the X
// keycodes that key events carry and key grabs need.
//
// The static functions are the fixed part (the position table and the modifier
// mapping). An instance answers for one keymap: the X server's, the Wayland
// compositor's, or a built-in evdev keymap where neither exists (offscreen runs, tests).
class KeyboardMapping : public QObject {
    Q_OBJECT
public:
    static constexpr quint64 shiftFlag = 0x20000;
    static constexpr quint64 controlFlag = 0x40000;
    static constexpr quint64 optionFlag = 0x80000;
    static constexpr quint64 commandFlag = 0x100000;
    static constexpr quint64 modifierMask = 0x1E0000;

    // X11 core modifier bits as key grabs and key events use them.
    static constexpr quint32 x11ShiftMask = 1u << 0;
    static constexpr quint32 x11LockMask = 1u << 1;
    static constexpr quint32 x11ControlMask = 1u << 2;
    static constexpr quint32 x11Mod1Mask = 1u << 3;  // Alt
    static constexpr quint32 x11Mod2Mask = 1u << 4;  // NumLock
    static constexpr quint32 x11Mod4Mask = 1u << 6;  // Super

    // The XKB key name at a stored key code, or none for a code without a key.
    static std::optional<QString> xkbKeyName(quint16 keyCode);
    // The stored key code of an XKB key name, or none for a key Lumetra cannot bind.
    static std::optional<quint16> keyCode(const QString& xkbKeyName);

    // Qt's modifiers as flag bits: Ctrl is command, Alt option, Meta (Super) control,
    // Shift shift. Keypad and group switches never count.
    static quint64 modifierFlags(Qt::KeyboardModifiers modifiers);
    // The other way: Qt's modifiers of flag bits.
    static Qt::KeyboardModifiers qtModifiers(quint64 flags);
    // The modifiers among flag bits in the order Lumetra names them everywhere (command,
    // option, shift, control: Ctrl + Alt + Shift + Super), each in the word given for it.
    struct ModifierWords {
        QString command, option, shift, control;
    };
    static QStringList modifierWords(quint64 flags, const ModifierWords& words);
    // The X11 modifier mask that grabs a key with these flag bits (command ControlMask,
    // option Mod1Mask, control Mod4Mask, shift ShiftMask); bits outside the four are ignored.
    static quint32 x11ModifierMask(quint64 flags);

    // The stored key code of a Qt key as the US layout produces it, for key events that
    // carry no native key code (synthesised events). Keypad keys are not resolved here.
    static std::optional<quint16> keyCodeForQtKey(int qtKey);

    // The process-wide mapping: the X server's keymap when the application runs on X11,
    // the compositor's on Wayland, else the built-in one. Tests may install their own (null restores the default).
    static KeyboardMapping& shared();
    static void setSharedForTesting(KeyboardMapping* mapping);

    explicit KeyboardMapping(QObject* parent = nullptr) : QObject(parent) {}

    // The XKB key name of an X keycode in this keymap.
    virtual std::optional<QString> xkbKeyNameForX11KeyCode(quint32 x11KeyCode) const = 0;
    // The X keycode of an XKB key name (aliases included) in this keymap.
    virtual std::optional<quint32> x11KeyCodeForXkbKeyName(const QString& xkbKeyName) const = 0;
    // What the key types with no modifier in the first layout, or none when it types nothing.
    virtual std::optional<QString> charactersIgnoringModifiers(quint32 x11KeyCode) const = 0;

    // The X keycode to grab for a stored key code, or none when this keyboard lacks the key.
    std::optional<quint32> x11KeyCode(quint16 keyCode) const;

    // The stored key code of a key event: by its native X keycode, else by its Qt key.
    std::optional<quint16> keyCodeOfEvent(const QKeyEvent& event) const;
    // The characters of a key event's key without modifiers, or none.
    std::optional<QString> eventCharactersIgnoringModifiers(const QKeyEvent& event) const;

signals:
    // The keymap was replaced (another layout or keyboard); X keycodes may have moved.
    void keymapChanged();
};

// The evdev keymap of a US keyboard (X keycode = evdev code + 8), built in so that key
// handling works without an X server.
class BuiltinKeyboardMapping : public KeyboardMapping {
    Q_OBJECT
public:
    using KeyboardMapping::KeyboardMapping;

    std::optional<QString> xkbKeyNameForX11KeyCode(quint32 x11KeyCode) const override;
    std::optional<quint32> x11KeyCodeForXkbKeyName(const QString& xkbKeyName) const override;
    std::optional<QString> charactersIgnoringModifiers(quint32 x11KeyCode) const override;
};
