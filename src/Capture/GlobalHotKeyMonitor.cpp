#include "Capture/GlobalHotKeyMonitor.h"

#include "Core/ShortcutStore.h"
#include "Platform/X11KeyGrab.h"

namespace {

// The capture actions in registration order, with their ids.
constexpr std::array<std::pair<ShortcutAction, int>, 3> kHotKeys{{
    {ShortcutAction::captureSelection, GlobalHotkeyMonitor::selectionId},
    {ShortcutAction::captureWindow, GlobalHotkeyMonitor::windowId},
    {ShortcutAction::captureScroll, GlobalHotkeyMonitor::scrollId},
}};

} // namespace

GlobalHotkeyMonitor::GlobalHotkeyMonitor(KeyGrabber* grabber, ShortcutStore& store, QObject* parent)
    : QObject(parent)
    , m_grabber(grabber)
    , m_store(store)
{
    if (!grabber)
        return;
    connect(grabber, &KeyGrabber::keyPressed, this, [this](int id) { handleHotKey(signature, id); });
    connect(grabber, &KeyGrabber::globalKeysOfferChanged, this, &GlobalHotkeyMonitor::globalKeysOfferChanged);
}

bool GlobalHotkeyMonitor::globalKeysUnavailable() const
{
    return m_grabber && !m_grabber->offersGlobalKeys();
}

GlobalHotkeyMonitor::~GlobalHotkeyMonitor()
{
    unregisterHotKeys();
}

ShortcutBinding GlobalHotkeyMonitor::fallbackBinding(ShortcutAction action)
{
    const quint64 flags = ShortcutBinding::commandFlag | ShortcutBinding::shiftFlag;
    switch (action) {
    case ShortcutAction::captureWindow:
        return {28, flags, QStringLiteral("8")};
    case ShortcutAction::captureScroll:
        return {25, flags, QStringLiteral("9")};
    default:
        return {26, flags, QStringLiteral("7")};
    }
}

std::optional<ShortcutAction> GlobalHotkeyMonitor::actionForId(int id)
{
    for (const auto& [action, actionId] : kHotKeys)
        if (actionId == id)
            return action;
    return std::nullopt;
}

ShortcutBinding GlobalHotkeyMonitor::bindingFor(ShortcutAction action) const
{
    const auto found = m_store.bindings().constFind(action);
    return found != m_store.bindings().constEnd() ? *found : fallbackBinding(action);
}

void GlobalHotkeyMonitor::registerHotKeys()
{
    if (hasAnyRegistered() || !m_grabber)
        return;
    // Keys that failed before are still remembered by the grabber (to retry on a new
    // keymap); start from a clean slate so they are not listed twice.
    m_grabber->ungrabAll();
    for (const auto& [action, id] : kHotKeys) {
        // A capture this build lacks keeps its key free for other programs.
        if (!closureFor(id) || !*closureFor(id))
            continue;
        const ShortcutBinding binding = bindingFor(action);
        const KeyGrabResult result = m_grabber->grabKey(id, quint16(binding.keyCode), binding.modifierFlags);
        m_registered[id - 1] = result == KeyGrabResult::grabbed;
        m_heldElsewhere[id - 1] = result == KeyGrabResult::heldByAnotherProgram;
    }
}

void GlobalHotkeyMonitor::unregisterHotKeys()
{
    if (m_grabber)
        m_grabber->ungrabAll();
    m_registered.fill(false);
    m_heldElsewhere.fill(false);
}

bool GlobalHotkeyMonitor::isRegistered(int id) const
{
    return id >= 1 && id <= 3 && m_registered[id - 1];
}

bool GlobalHotkeyMonitor::hasAnyRegistered() const
{
    return m_registered[0] || m_registered[1] || m_registered[2];
}

bool GlobalHotkeyMonitor::isHeldByAnotherProgram(ShortcutAction action) const
{
    for (const auto& [hotKeyAction, id] : kHotKeys) {
        if (hotKeyAction == action)
            return m_heldElsewhere[id - 1];
    }
    return false;
}

const std::function<void()>* GlobalHotkeyMonitor::closureFor(int id) const
{
    switch (id) {
    case selectionId:
        return &onTrigger;
    case windowId:
        return &onWindowTrigger;
    case scrollId:
        return &onScrollTrigger;
    default:
        return nullptr;
    }
}

void GlobalHotkeyMonitor::handleHotKey(quint32 hotKeySignature, int id)
{
    if (hotKeySignature != signature)
        return;
    const std::function<void()>* closure = closureFor(id);
    if (!closure)
        return;
    if (*closure)
        (*closure)();
}
