#include "Platform/KeyboardMappingXkb.h"

#include <xkbcommon/xkbcommon.h>

XkbKeyboardMapping::~XkbKeyboardMapping()
{
    if (m_keymap)
        xkb_keymap_unref(m_keymap);
}

void XkbKeyboardMapping::setKeymap(xkb_keymap* keymap)
{
    if (m_keymap)
        xkb_keymap_unref(m_keymap);
    m_keymap = keymap;
    m_namesByKeyCode.clear();
    if (!keymap)
        return;
    const xkb_keycode_t first = xkb_keymap_min_keycode(keymap);
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap);
    for (xkb_keycode_t code = first; code <= last && code != 0; ++code) {
        if (const char* name = xkb_keymap_key_get_name(keymap, code))
            m_namesByKeyCode.insert(code, QString::fromLatin1(name));
    }
}

std::optional<QString> XkbKeyboardMapping::xkbKeyNameForX11KeyCode(quint32 x11KeyCode) const
{
    if (!m_keymap)
        return m_builtin.xkbKeyNameForX11KeyCode(x11KeyCode);
    const auto it = m_namesByKeyCode.constFind(x11KeyCode);
    if (it == m_namesByKeyCode.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<quint32> XkbKeyboardMapping::x11KeyCodeForXkbKeyName(const QString& xkbKeyName) const
{
    if (!m_keymap)
        return m_builtin.x11KeyCodeForXkbKeyName(xkbKeyName);
    const xkb_keycode_t code = xkb_keymap_key_by_name(m_keymap, xkbKeyName.toLatin1().constData());
    if (code == XKB_KEYCODE_INVALID)
        return std::nullopt;
    return code;
}

std::optional<QString> XkbKeyboardMapping::charactersIgnoringModifiers(quint32 x11KeyCode) const
{
    if (!m_keymap)
        return m_builtin.charactersIgnoringModifiers(x11KeyCode);
    const xkb_keysym_t* syms = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(m_keymap, x11KeyCode, 0, 0, &syms);
    if (count < 1 || !syms)
        return std::nullopt;
    char buffer[16] = {};
    const int length = xkb_keysym_to_utf8(syms[0], buffer, sizeof buffer);
    if (length <= 1) // the count includes the terminating zero; 0 or 1 means no character
        return std::nullopt;
    return QString::fromUtf8(buffer);
}
