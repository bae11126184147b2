#include "Platform/KeyboardMappingWayland.h"

#include "Base/Logger.h"

#include <QSocketNotifier>

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace {

// Keys, focus, modifiers and repeat concern windows, and this connection has none.
void noEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void noLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void noKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void noModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void noRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

} // namespace

std::unique_ptr<WaylandKeyboardMapping> WaylandKeyboardMapping::create()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context) {
        wl_display_disconnect(display);
        return nullptr;
    }
    std::unique_ptr<WaylandKeyboardMapping> mapping(new WaylandKeyboardMapping(display, context));
    static const wl_registry_listener registryListener{&registryGlobal, &registryGlobalRemove};
    mapping->m_registry = wl_display_get_registry(display);
    wl_registry_add_listener(mapping->m_registry, &registryListener, mapping.get());
    // The globals, then the seat's capabilities, then the keyboard's keymap. A seat
    // without a keyboard yet (one may be plugged in later) answers as the US keymap until
    // its keymap comes.
    for (int round = 0; round < 3 && !mapping->hasKeymap(); ++round) {
        if (wl_display_roundtrip(display) < 0)
            return nullptr;
    }
    mapping->m_notifier = new QSocketNotifier(wl_display_get_fd(display), QSocketNotifier::Read, mapping.get());
    connect(mapping->m_notifier, &QSocketNotifier::activated, mapping.get(), &WaylandKeyboardMapping::readEvents);
    return mapping;
}

WaylandKeyboardMapping::WaylandKeyboardMapping(wl_display* display, xkb_context* context)
    : m_display(display)
    , m_context(context)
{
}

WaylandKeyboardMapping::~WaylandKeyboardMapping()
{
    delete m_notifier;
    if (m_keyboard)
        wl_keyboard_destroy(m_keyboard);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
    setKeymap(nullptr);
    xkb_context_unref(m_context);
}

bool WaylandKeyboardMapping::loadKeymap(const char* text, size_t length)
{
    xkb_keymap* keymap
        = xkb_keymap_new_from_buffer(m_context, text, length, XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap)
        return false;
    setKeymap(keymap);
    if (m_notifier) // past the start: the user switched layouts, or a keyboard came
        emit keymapChanged();
    return true;
}

void WaylandKeyboardMapping::readEvents()
{
    if (wl_display_dispatch(m_display) < 0) {
        // The compositor went away: keep the last keymap, stop listening.
        m_notifier->setEnabled(false);
        return;
    }
    wl_display_flush(m_display);
}

void WaylandKeyboardMapping::registryGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                                            uint32_t version)
{
    auto* self = static_cast<WaylandKeyboardMapping*>(data);
    if (self->m_seat || qstrcmp(interface, wl_seat_interface.name) != 0)
        return;
    static const wl_seat_listener seatListener{&seatCapabilities, &seatName};
    self->m_seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 4u)));
    wl_seat_add_listener(self->m_seat, &seatListener, self);
}

void WaylandKeyboardMapping::registryGlobalRemove(void*, wl_registry*, uint32_t) {}

void WaylandKeyboardMapping::seatCapabilities(void* data, wl_seat* seat, uint32_t capabilities)
{
    auto* self = static_cast<WaylandKeyboardMapping*>(data);
    if (self->m_keyboard || !(capabilities & WL_SEAT_CAPABILITY_KEYBOARD))
        return;
    static const wl_keyboard_listener keyboardListener{&keyboardKeymap, &noEnter, &noLeave, &noKey, &noModifiers,
                                                       &noRepeatInfo};
    self->m_keyboard = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(self->m_keyboard, &keyboardListener, self);
}

void WaylandKeyboardMapping::seatName(void*, wl_seat*, const char*) {}

void WaylandKeyboardMapping::keyboardKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size)
{
    auto* self = static_cast<WaylandKeyboardMapping*>(data);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            // The compositor counts the terminating zero.
            const char* chars = static_cast<const char*>(text);
            const size_t length = chars[size - 1] == '\0' ? size - 1 : size;
            if (!self->loadKeymap(chars, length))
                logMessage(LogLevel::warning, [] { return QStringLiteral("⌨️ The compositor's keymap could not be read"); });
            munmap(text, size);
        }
    }
    close(fd);
}
