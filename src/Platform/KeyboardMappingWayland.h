#pragma once

#include "Platform/KeyboardMappingXkb.h"

#include <memory>

class QSocketNotifier;
struct wl_display;
struct wl_keyboard;
struct wl_registry;
struct wl_seat;
struct xkb_context;

// The keymap the Wayland compositor sends its clients' keyboards, so that keys mean what
// they mean in the user's layout, as on X11. Read on a connection of our own (Qt keeps
// its keymap to itself): a keyboard there gets the seat's keymap, and a new one whenever
// the user switches layouts, but never a key, as that connection has no windows.
class WaylandKeyboardMapping : public XkbKeyboardMapping {
    Q_OBJECT
public:
    // Null where no compositor answers.
    static std::unique_ptr<WaylandKeyboardMapping> create();
    ~WaylandKeyboardMapping() override;

    // A keymap as the compositor sends it (XKB text); false, keeping the old one, when
    // it cannot be compiled.
    bool loadKeymap(const char* text, size_t length);

private:
    WaylandKeyboardMapping(wl_display* display, xkb_context* context);
    void readEvents();

    static void registryGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    static void registryGlobalRemove(void* data, wl_registry* registry, uint32_t name);
    static void seatCapabilities(void* data, wl_seat* seat, uint32_t capabilities);
    static void seatName(void* data, wl_seat* seat, const char* name);
    static void keyboardKeymap(void* data, wl_keyboard* keyboard, uint32_t format, int32_t fd, uint32_t size);

    wl_display* m_display;
    xkb_context* m_context;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    wl_keyboard* m_keyboard = nullptr;
    QSocketNotifier* m_notifier = nullptr;
};
