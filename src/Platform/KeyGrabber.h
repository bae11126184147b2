#pragma once

#include <QObject>

// How a request for a system-wide key ended.
enum class KeyGrabResult {
    grabbed,
    // The X server refused it: another program holds that combination.
    heldByAnotherProgram,
    // This keyboard lacks the key, the server failed otherwise, or the desktop gives
    // programs no global keys.
    unavailable,
};

// System-wide keys: a key held with modifiers that reaches Lumetra whichever program
// has the focus. Each grab carries the caller's id, which a press reports back.
class KeyGrabber : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Grabs a key by its stored key code (US-layout position) and modifier flags. A key
    // that cannot be grabbed is logged and says why.
    virtual KeyGrabResult grabKey(int id, quint16 keyCode, quint64 modifierFlags) = 0;
    // Releases every grab made through this grabber.
    virtual void ungrabAll() = 0;
    // False once the desktop is known to give programs no global keys at all (a Wayland
    // desktop whose portal lacks GlobalShortcuts): its own keyboard settings must then
    // start Lumetra's capture commands.
    virtual bool offersGlobalKeys() const { return true; }

signals:
    // A grabbed key went down; holding it down reports nothing more.
    void keyPressed(int id);
    // offersGlobalKeys() changed.
    void globalKeysOfferChanged();
};
