#pragma once

#include "Platform/KeyGrabber.h"

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <memory>

class KeyboardMapping;
class XcbConnection;

// Key grabs on the root window of an X server. Lock and NumLock never matter: every
// grab is made four times, once per combination of the two.
class X11KeyGrab : public KeyGrabber, private QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // Over the application's own connection, whose events arrive through Qt's event
    // loop; null when the application does not run on X11.
    static std::unique_ptr<X11KeyGrab> forApplication(QObject* parent = nullptr);

    // Over any connection; with filterApplicationEvents false the owner feeds the
    // connection's events to handleEvent() itself.
    X11KeyGrab(XcbConnection& connection, KeyboardMapping& mapping, bool filterApplicationEvents,
               QObject* parent = nullptr);
    ~X11KeyGrab() override;

    KeyGrabResult grabKey(int id, quint16 keyCode, quint64 modifierFlags) override;
    void ungrabAll() override;

    // Looks at one event (an xcb_generic_event_t); true when it was a grabbed key's.
    bool handleEvent(const void* xcbEvent);

    // The X modifier bits that never count for a grab: Lock and NumLock (Mod2).
    static const QList<quint16>& ignoredModifierCombinations();

private:
    struct Grab {
        int id = 0;
        quint16 keyCode = 0;
        quint64 modifierFlags = 0;
        std::uint8_t x11KeyCode = 0;
        quint16 x11Mask = 0;
        bool active = false;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void pollHeldKeys();
    KeyGrabResult grabOnServer(Grab& grab);
    void ungrabOnServer(const Grab& grab);
    void keymapChanged();

    XcbConnection& m_connection;
    QPointer<KeyboardMapping> m_mapping;
    bool m_filtering = false;
    QList<Grab> m_grabs;
    // Keys reported as pressed and not yet released, with the time of the last release,
    // so that the keyboard's auto-repeat does not report a held key again. A release
    // can go astray (a window that grabbed the keyboard meanwhile, of Lumetra or of
    // another program): while a key is held the server's keymap is asked whether it is
    // still down, so a lost release never swallows the next press.
    QList<std::uint8_t> m_held;
    QTimer m_heldPoll;
    std::uint8_t m_lastReleasedKey = 0;
    std::uint32_t m_lastReleaseTime = 0;
};
