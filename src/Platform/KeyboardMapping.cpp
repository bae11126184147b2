#include "Platform/KeyboardMapping.h"

#include "Platform/KeyboardMappingWayland.h"
#include "Platform/KeyboardMappingX11.h"
#include "Platform/XcbConnection.h"

#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>

#include <array>
#include <memory>

namespace {

// One key of the table. `base` is what the key types on a US keyboard without
// modifiers (0: nothing); printable keys are found by their Qt key through it, the
// others through `qtKey`. Keypad keys take no part in the Qt-key lookup, so that a
// synthesised "7" or "*" means the main keyboard's key.
struct KeyRow {
    quint16 keyCode;
    const char* xkbName;
    quint16 evdevX11KeyCode;
    char16_t base;
    char16_t shifted;
    int qtKey;
    bool keypad;
};

// clang-format off
constexpr std::array kKeyRows{
    KeyRow{0, "AC01", 38, u'a', u'A', 0, false},
    KeyRow{1, "AC02", 39, u's', u'S', 0, false},
    KeyRow{2, "AC03", 40, u'd', u'D', 0, false},
    KeyRow{3, "AC04", 41, u'f', u'F', 0, false},
    KeyRow{4, "AC06", 43, u'h', u'H', 0, false},
    KeyRow{5, "AC05", 42, u'g', u'G', 0, false},
    KeyRow{6, "AB01", 52, u'z', u'Z', 0, false},
    KeyRow{7, "AB02", 53, u'x', u'X', 0, false},
    KeyRow{8, "AB03", 54, u'c', u'C', 0, false},
    KeyRow{9, "AB04", 55, u'v', u'V', 0, false},
    KeyRow{10, "LSGT", 94, u'<', u'>', 0, false},
    KeyRow{11, "AB05", 56, u'b', u'B', 0, false},
    KeyRow{12, "AD01", 24, u'q', u'Q', 0, false},
    KeyRow{13, "AD02", 25, u'w', u'W', 0, false},
    KeyRow{14, "AD03", 26, u'e', u'E', 0, false},
    KeyRow{15, "AD04", 27, u'r', u'R', 0, false},
    KeyRow{16, "AD06", 29, u'y', u'Y', 0, false},
    KeyRow{17, "AD05", 28, u't', u'T', 0, false},
    KeyRow{18, "AE01", 10, u'1', u'!', 0, false},
    KeyRow{19, "AE02", 11, u'2', u'@', 0, false},
    KeyRow{20, "AE03", 12, u'3', u'#', 0, false},
    KeyRow{21, "AE04", 13, u'4', u'$', 0, false},
    KeyRow{22, "AE06", 15, u'6', u'^', 0, false},
    KeyRow{23, "AE05", 14, u'5', u'%', 0, false},
    KeyRow{24, "AE12", 21, u'=', u'+', 0, false},
    KeyRow{25, "AE09", 18, u'9', u'(', 0, false},
    KeyRow{26, "AE07", 16, u'7', u'&', 0, false},
    KeyRow{27, "AE11", 20, u'-', u'_', 0, false},
    KeyRow{28, "AE08", 17, u'8', u'*', 0, false},
    KeyRow{29, "AE10", 19, u'0', u')', 0, false},
    KeyRow{30, "AD12", 35, u']', u'}', 0, false},
    KeyRow{31, "AD09", 32, u'o', u'O', 0, false},
    KeyRow{32, "AD07", 30, u'u', u'U', 0, false},
    KeyRow{33, "AD11", 34, u'[', u'{', 0, false},
    KeyRow{34, "AD08", 31, u'i', u'I', 0, false},
    KeyRow{35, "AD10", 33, u'p', u'P', 0, false},
    KeyRow{36, "RTRN", 36, u'\r', 0, Qt::Key_Return, false},
    KeyRow{37, "AC09", 46, u'l', u'L', 0, false},
    KeyRow{38, "AC07", 44, u'j', u'J', 0, false},
    KeyRow{39, "AC11", 48, u'\'', u'"', 0, false},
    KeyRow{40, "AC08", 45, u'k', u'K', 0, false},
    KeyRow{41, "AC10", 47, u';', u':', 0, false},
    KeyRow{42, "BKSL", 51, u'\\', u'|', 0, false},
    KeyRow{43, "AB08", 59, u',', u'<', 0, false},
    KeyRow{44, "AB10", 61, u'/', u'?', 0, false},
    KeyRow{45, "AB06", 57, u'n', u'N', 0, false},
    KeyRow{46, "AB07", 58, u'm', u'M', 0, false},
    KeyRow{47, "AB09", 60, u'.', u'>', 0, false},
    KeyRow{48, "TAB", 23, u'\t', 0, Qt::Key_Tab, false},
    KeyRow{49, "SPCE", 65, u' ', u' ', Qt::Key_Space, false},
    KeyRow{50, "TLDE", 49, u'`', u'~', 0, false},
    KeyRow{51, "BKSP", 22, u'\b', 0, Qt::Key_Backspace, false},
    KeyRow{53, "ESC", 9, u'\x1b', 0, Qt::Key_Escape, false},
    KeyRow{64, "FK17", 195, 0, 0, Qt::Key_F17, false},
    KeyRow{65, "KPDL", 91, 0, 0, 0, true},
    KeyRow{67, "KPMU", 63, u'*', 0, 0, true},
    KeyRow{69, "KPAD", 86, u'+', 0, 0, true},
    KeyRow{75, "KPDV", 106, u'/', 0, 0, true},
    KeyRow{76, "KPEN", 104, u'\r', 0, Qt::Key_Enter, true},
    KeyRow{78, "KPSU", 82, u'-', 0, 0, true},
    KeyRow{79, "FK18", 196, 0, 0, Qt::Key_F18, false},
    KeyRow{80, "FK19", 197, 0, 0, Qt::Key_F19, false},
    KeyRow{81, "KPEQ", 125, u'=', 0, 0, true},
    KeyRow{82, "KP0", 90, 0, 0, 0, true},
    KeyRow{83, "KP1", 87, 0, 0, 0, true},
    KeyRow{84, "KP2", 88, 0, 0, 0, true},
    KeyRow{85, "KP3", 89, 0, 0, 0, true},
    KeyRow{86, "KP4", 83, 0, 0, 0, true},
    KeyRow{87, "KP5", 84, 0, 0, 0, true},
    KeyRow{88, "KP6", 85, 0, 0, 0, true},
    KeyRow{89, "KP7", 79, 0, 0, 0, true},
    KeyRow{90, "FK20", 198, 0, 0, Qt::Key_F20, false},
    KeyRow{91, "KP8", 80, 0, 0, 0, true},
    KeyRow{92, "KP9", 81, 0, 0, 0, true},
    KeyRow{93, "AE13", 132, 0, 0, 0, false},
    KeyRow{94, "AB11", 97, 0, 0, 0, false},
    KeyRow{96, "FK05", 71, 0, 0, Qt::Key_F5, false},
    KeyRow{97, "FK06", 72, 0, 0, Qt::Key_F6, false},
    KeyRow{98, "FK07", 73, 0, 0, Qt::Key_F7, false},
    KeyRow{99, "FK03", 69, 0, 0, Qt::Key_F3, false},
    KeyRow{100, "FK08", 74, 0, 0, Qt::Key_F8, false},
    KeyRow{101, "FK09", 75, 0, 0, Qt::Key_F9, false},
    KeyRow{103, "FK11", 95, 0, 0, Qt::Key_F11, false},
    KeyRow{105, "FK13", 191, 0, 0, Qt::Key_F13, false},
    KeyRow{106, "FK16", 194, 0, 0, Qt::Key_F16, false},
    KeyRow{107, "FK14", 192, 0, 0, Qt::Key_F14, false},
    KeyRow{109, "FK10", 76, 0, 0, Qt::Key_F10, false},
    KeyRow{111, "FK12", 96, 0, 0, Qt::Key_F12, false},
    KeyRow{113, "FK15", 193, 0, 0, Qt::Key_F15, false},
    KeyRow{114, "INS", 118, 0, 0, Qt::Key_Insert, false},
    KeyRow{115, "HOME", 110, 0, 0, Qt::Key_Home, false},
    KeyRow{116, "PGUP", 112, 0, 0, Qt::Key_PageUp, false},
    KeyRow{117, "DELE", 119, u'\x7f', 0, Qt::Key_Delete, false},
    KeyRow{118, "FK04", 70, 0, 0, Qt::Key_F4, false},
    KeyRow{119, "END", 115, 0, 0, Qt::Key_End, false},
    KeyRow{120, "FK02", 68, 0, 0, Qt::Key_F2, false},
    KeyRow{121, "PGDN", 117, 0, 0, Qt::Key_PageDown, false},
    KeyRow{122, "FK01", 67, 0, 0, Qt::Key_F1, false},
    KeyRow{123, "LEFT", 113, 0, 0, Qt::Key_Left, false},
    KeyRow{124, "RGHT", 114, 0, 0, Qt::Key_Right, false},
    KeyRow{125, "DOWN", 116, 0, 0, Qt::Key_Down, false},
    KeyRow{126, "UP", 111, 0, 0, Qt::Key_Up, false},
};
// clang-format on

bool isPrintable(char16_t c)
{
    return c >= 0x20 && c != 0x7f;
}

struct Indexes {
    QHash<quint16, const KeyRow*> byKeyCode;
    QHash<QString, const KeyRow*> byName;
    QHash<quint32, const KeyRow*> byEvdevX11KeyCode;
    QHash<int, const KeyRow*> byQtKey;

    Indexes()
    {
        for (const KeyRow& row : kKeyRows) {
            byKeyCode.insert(row.keyCode, &row);
            byName.insert(QString::fromLatin1(row.xkbName), &row);
            byEvdevX11KeyCode.insert(row.evdevX11KeyCode, &row);
            if (row.keypad)
                continue;
            if (row.qtKey != 0)
                byQtKey.insert(row.qtKey, &row);
            // Qt names a printable key by its upper-case character, shifted or not.
            for (char16_t c : {row.base, row.shifted}) {
                if (c != 0 && isPrintable(c))
                    byQtKey.insert(QChar(c).toUpper().unicode(), &row);
            }
        }
    }
};

const Indexes& indexes()
{
    static const Indexes instance;
    return instance;
}

KeyboardMapping* g_testMapping = nullptr;

} // namespace

std::optional<QString> KeyboardMapping::xkbKeyName(quint16 keyCode)
{
    const KeyRow* row = indexes().byKeyCode.value(keyCode, nullptr);
    if (!row)
        return std::nullopt;
    return QString::fromLatin1(row->xkbName);
}

std::optional<quint16> KeyboardMapping::keyCode(const QString& xkbKeyName)
{
    const KeyRow* row = indexes().byName.value(xkbKeyName, nullptr);
    if (!row)
        return std::nullopt;
    return row->keyCode;
}

quint64 KeyboardMapping::modifierFlags(Qt::KeyboardModifiers modifiers)
{
    quint64 flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= shiftFlag;
    if (modifiers & Qt::MetaModifier)
        flags |= controlFlag;
    if (modifiers & Qt::AltModifier)
        flags |= optionFlag;
    if (modifiers & Qt::ControlModifier)
        flags |= commandFlag;
    return flags;
}

Qt::KeyboardModifiers KeyboardMapping::qtModifiers(quint64 flags)
{
    Qt::KeyboardModifiers modifiers;
    if (flags & commandFlag)
        modifiers |= Qt::ControlModifier;
    if (flags & optionFlag)
        modifiers |= Qt::AltModifier;
    if (flags & shiftFlag)
        modifiers |= Qt::ShiftModifier;
    if (flags & controlFlag)
        modifiers |= Qt::MetaModifier;
    return modifiers;
}

QStringList KeyboardMapping::modifierWords(quint64 flags, const ModifierWords& words)
{
    QStringList named;
    if (flags & commandFlag)
        named << words.command;
    if (flags & optionFlag)
        named << words.option;
    if (flags & shiftFlag)
        named << words.shift;
    if (flags & controlFlag)
        named << words.control;
    return named;
}

quint32 KeyboardMapping::x11ModifierMask(quint64 flags)
{
    quint32 mask = 0;
    if (flags & commandFlag)
        mask |= x11ControlMask;
    if (flags & shiftFlag)
        mask |= x11ShiftMask;
    if (flags & optionFlag)
        mask |= x11Mod1Mask;
    if (flags & controlFlag)
        mask |= x11Mod4Mask;
    return mask;
}

std::optional<quint16> KeyboardMapping::keyCodeForQtKey(int qtKey)
{
    const KeyRow* row = indexes().byQtKey.value(qtKey, nullptr);
    if (!row)
        return std::nullopt;
    return row->keyCode;
}

KeyboardMapping& KeyboardMapping::shared()
{
    if (g_testMapping)
        return *g_testMapping;
    static KeyboardMapping* const instance = []() -> KeyboardMapping* {
        if (XcbConnection* x = XcbConnection::application()) {
            if (auto mapping = X11KeyboardMapping::create(x->connection()))
                return mapping.release();
        }
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
            if (auto mapping = WaylandKeyboardMapping::create())
                return mapping.release();
        }
        return new BuiltinKeyboardMapping;
    }();
    return *instance;
}

void KeyboardMapping::setSharedForTesting(KeyboardMapping* mapping)
{
    g_testMapping = mapping;
}

std::optional<quint32> KeyboardMapping::x11KeyCode(quint16 keyCode) const
{
    const std::optional<QString> name = xkbKeyName(keyCode);
    if (!name)
        return std::nullopt;
    return x11KeyCodeForXkbKeyName(*name);
}

std::optional<quint16> KeyboardMapping::keyCodeOfEvent(const QKeyEvent& event) const
{
    // Events from the X server carry the X keycode; only synthesised ones lack it.
    if (event.nativeScanCode() != 0) {
        const std::optional<QString> name = xkbKeyNameForX11KeyCode(event.nativeScanCode());
        if (!name)
            return std::nullopt;
        return keyCode(*name);
    }
    if (event.modifiers() & Qt::KeypadModifier)
        return std::nullopt;
    return keyCodeForQtKey(event.key());
}

std::optional<QString> KeyboardMapping::eventCharactersIgnoringModifiers(const QKeyEvent& event) const
{
    if (event.nativeScanCode() != 0)
        return charactersIgnoringModifiers(event.nativeScanCode());
    if (event.modifiers() & Qt::KeypadModifier)
        return std::nullopt;
    const KeyRow* row = indexes().byQtKey.value(event.key(), nullptr);
    if (!row || row->base == 0)
        return std::nullopt;
    return QString(QChar(row->base));
}

std::optional<QString> BuiltinKeyboardMapping::xkbKeyNameForX11KeyCode(quint32 x11KeyCode) const
{
    const KeyRow* row = indexes().byEvdevX11KeyCode.value(x11KeyCode, nullptr);
    if (!row)
        return std::nullopt;
    return QString::fromLatin1(row->xkbName);
}

std::optional<quint32> BuiltinKeyboardMapping::x11KeyCodeForXkbKeyName(const QString& xkbKeyName) const
{
    const KeyRow* row = indexes().byName.value(xkbKeyName, nullptr);
    if (!row)
        return std::nullopt;
    return row->evdevX11KeyCode;
}

std::optional<QString> BuiltinKeyboardMapping::charactersIgnoringModifiers(quint32 x11KeyCode) const
{
    const KeyRow* row = indexes().byEvdevX11KeyCode.value(x11KeyCode, nullptr);
    if (!row || row->base == 0)
        return std::nullopt;
    return QString(QChar(row->base));
}
