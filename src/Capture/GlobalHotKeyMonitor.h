#pragma once

#include "Core/ShortcutAction.h"
#include "Core/ShortcutBinding.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <functional>
#include <optional>

class KeyGrabber;
class ShortcutStore;

// The three system-wide capture shortcuts (area, window, scrolling). Their keys come
// from the shortcut store; a press calls the closure the application set for it.
class GlobalHotkeyMonitor : public QObject {
    Q_OBJECT
public:
    // Hot keys are told apart by this signature and their id (1 area, 2 window, 3 scroll).
    static constexpr quint32 signature = 0x4C4D5452; // 'LMTR'
    static constexpr int selectionId = 1;
    static constexpr int windowId = 2;
    static constexpr int scrollId = 3;

    // grabber may be null (no X11 display): nothing is then registered.
    GlobalHotkeyMonitor(KeyGrabber* grabber, ShortcutStore& store, QObject* parent = nullptr);
    ~GlobalHotkeyMonitor() override;

    std::function<void()> onTrigger;       // id 1
    std::function<void()> onWindowTrigger; // id 2
    std::function<void()> onScrollTrigger; // id 3

    // Grabs the keys of the hot keys that have a closure; does nothing while any of
    // them is registered.
    void registerHotKeys();
    // Releases them all.
    void unregisterHotKeys();

    // Whether the key of the hot key with this id is held now.
    bool isRegistered(int id) const;
    bool hasAnyRegistered() const;
    // Whether the desktop gives programs no global keys at all; globalKeysOfferChanged
    // tells when that becomes known.
    bool globalKeysUnavailable() const;

    // Whether the last registration of the action's key was refused because another
    // program holds that combination (the binding stays; the key just does not fire).
    bool isHeldByAnotherProgram(ShortcutAction action) const;

    // One press: a hot key of another signature, or an unknown id, is passed over.
    void handleHotKey(quint32 signature, int id);

    // The capture action of a hot key id (1 area, 2 window, 3 scroll), none for others.
    static std::optional<ShortcutAction> actionForId(int id);

    // The binding registered for an action: the store's, else the built-in default
    // (key codes 26, 28, 25 with Ctrl + Shift).
    ShortcutBinding bindingFor(ShortcutAction action) const;
    static ShortcutBinding fallbackBinding(ShortcutAction action);

signals:
    void globalKeysOfferChanged();

private:
    const std::function<void()>* closureFor(int id) const;

    QPointer<KeyGrabber> m_grabber;
    ShortcutStore& m_store;
    std::array<bool, 3> m_registered{false, false, false};
    std::array<bool, 3> m_heldElsewhere{false, false, false};
};
