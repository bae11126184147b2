#pragma once

#include "Platform/KeyboardMapping.h"

#include <QHash>

struct xkb_keymap;

// A keyboard mapping read from an xkbcommon keymap: the X server's, or the one a
// Wayland compositor sends. Key codes are the keymap's own (on both, evdev code + 8).
// Until a keymap has come, it answers as the built-in US one.
class XkbKeyboardMapping : public KeyboardMapping {
    Q_OBJECT
public:
    ~XkbKeyboardMapping() override;

    std::optional<QString> xkbKeyNameForX11KeyCode(quint32 x11KeyCode) const override;
    std::optional<quint32> x11KeyCodeForXkbKeyName(const QString& xkbKeyName) const override;
    std::optional<QString> charactersIgnoringModifiers(quint32 x11KeyCode) const override;

    bool hasKeymap() const { return m_keymap != nullptr; }
    // Answers from now on for keymap, whose reference it takes over.
    void setKeymap(xkb_keymap* keymap);

protected:
    using KeyboardMapping::KeyboardMapping;

private:
    BuiltinKeyboardMapping m_builtin;
    xkb_keymap* m_keymap = nullptr;
    QHash<quint32, QString> m_namesByKeyCode;
};
