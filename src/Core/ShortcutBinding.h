#pragma once

#include <QHash>
#include <QJsonObject>
#include <QKeySequence>
#include <QJsonValue>
#include <QString>

#include <optional>

class QKeyEvent;

// One key binding: a key by its US-layout position, the modifier flags held with it,
// and the character shown for the key. Stored as a JSON object with the members
// "keyCode", "modifierFlags" and "displayCharacter".
struct ShortcutBinding {
    static constexpr quint64 shiftFlag = 0x20000;
    static constexpr quint64 controlFlag = 0x40000;  // shown as Super
    static constexpr quint64 optionFlag = 0x80000;   // shown as Alt
    static constexpr quint64 commandFlag = 0x100000; // shown as Ctrl
    static constexpr quint64 modifierMask = 0x1E0000;

    quint32 keyCode = 0;
    quint64 modifierFlags = 0;
    QString displayCharacter;

    friend bool operator==(const ShortcutBinding&, const ShortcutBinding&) = default;

    // shortcutDisplayText of the flags and the key. Space, Return, Tab, Esc, Backspace
    // and Delete read as their localised "shortcuts.key." names; a letter is shown
    // upper-case.
    QString displayText() const;

    QJsonObject toJson() const;
    // Strict: "keyCode" must be a whole number from 0 to 4294967295, "modifierFlags" a
    // whole number from 0 to 2^64 - 1 and "displayCharacter" a string; anything else
    // gives none. A valid binding is normalised: flags outside the four modifiers are
    // dropped, the character is cut to its first character, and an empty one becomes "?".
    static std::optional<ShortcutBinding> fromJson(const QJsonValue& value);

    // The character to store for a recorded key: its US-layout character when the key
    // has one (whatever layout is active), else the single character the key types
    // without modifiers, lower-cased; none when there is no such single character.
    static std::optional<QString> displayCharacterFor(quint16 keyCode, const QKeyEvent* event);
    static std::optional<QString> displayCharacterFor(quint16 keyCode,
                                                      const std::optional<QString>& charactersIgnoringModifiers);

    // The X11 modifier mask that grabs a key held with these flags (see
    // KeyboardMapping::x11ModifierMask); the global hot keys register with it.
    static quint32 carbonModifiers(quint64 flags);
    quint32 carbonModifiers() const { return carbonModifiers(modifierFlags); }
};

// The one text of a key combination wherever Lumetra shows one (menus, tooltips, the
// tray, the zoom menu, settings): the modifiers in Linux order, Ctrl, Alt, Shift, Super,
// named as Qt's native key texts name them in the interface language (German "Strg",
// "Umschalt"), then the key, joined by " + ": "Ctrl + Shift + 7".
QString shortcutDisplayText(quint64 modifierFlags, const QString& key);
// The same for the first combination of a Qt key sequence (the menus' fixed keys).
QString shortcutDisplayText(const QKeySequence& keys);

// The character each key types on the US layout, by key code (48 keys).
const QHash<quint16, QString>& usKeyCharacterTable();
