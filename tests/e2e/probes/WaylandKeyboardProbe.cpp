// A keyboard for the Wayland end-to-end tests: a headless compositor has none, so this
// client makes one (the virtual-keyboard protocol) with the US layout's keymap, as a
// real keyboard has, and presses keys on it:  lumetra_wayland_keyboard_probe [MODIFIER...] KEY
// Each MODIFIER (ctrl, shift, alt) is held while KEY (one of a few letters, or escape) is
// tapped.
// Tools that type text make a keymap of their own, whose keys lie at no place of a real
// keyboard; shortcuts bound to a key's place need a keyboard laid out as one.
#include "WaylandProbeCommon.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The protocol's interfaces from its description: request order and signatures suffice.
extern const wl_interface keyboardInterface;
const wl_interface* noTypes[] = {nullptr, nullptr, nullptr, nullptr};
const wl_interface* createTypes[] = {&wl_seat_interface, &keyboardInterface};
const wl_message keyboardRequests[] = {
    {"keymap", "uhu", noTypes}, {"key", "uuu", noTypes}, {"modifiers", "uuuu", noTypes}, {"destroy", "", noTypes}};
const wl_interface keyboardInterface = {"zwp_virtual_keyboard_v1", 1, 4, keyboardRequests, 0, nullptr};
const wl_message managerRequests[] = {{"create_virtual_keyboard", "on", createTypes}};
const wl_interface managerInterface = {"zwp_virtual_keyboard_manager_v1", 1, 1, managerRequests, 0, nullptr};
enum : uint32_t { keymapRequest = 0, keyRequest = 1, modifiersRequest = 2, destroyRequest = 3 };

struct Key {
    const char* name;
    uint32_t code;      // evdev
    const char* modifier; // the XKB modifier it sets while held, if any
};
const Key keys[] = {{"ctrl", KEY_LEFTCTRL, XKB_MOD_NAME_CTRL}, {"shift", KEY_LEFTSHIFT, XKB_MOD_NAME_SHIFT},
                    {"alt", KEY_LEFTALT, XKB_MOD_NAME_ALT},    {"escape", KEY_ESC, nullptr},
                    {"a", KEY_A, nullptr}, {"c", KEY_C, nullptr}, {"o", KEY_O, nullptr}, {"p", KEY_P, nullptr}, {"s", KEY_S, nullptr},
                    {"v", KEY_V, nullptr}, {"w", KEY_W, nullptr}};

const Key* keyNamed(const char* name)
{
    for (const Key& key : keys)
        if (std::strcmp(key.name, name) == 0)
            return &key;
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<const Key*> pressed;
    for (int i = 1; i < argc; ++i) {
        const Key* key = keyNamed(argv[i]);
        if (!key || (i < argc - 1) != (key->modifier != nullptr)) {
            std::fprintf(stderr, "usage: lumetra_wayland_keyboard_probe [ctrl|shift|alt]... KEY\n");
            return 2;
        }
        pressed.push_back(key);
    }
    if (pressed.empty())
        return 2;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names = {"evdev", "pc105", "us", "", ""};
    xkb_keymap* keymap = context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
    char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    wl_display* display = text ? wl_display_connect(nullptr) : nullptr;
    if (!display) {
        std::fprintf(stderr, "no US keymap or no Wayland display\n");
        return 2;
    }
    WaylandProbe::Globals globals{&managerInterface};
    if (!WaylandProbe::bind(display, globals)) {
        std::fprintf(stderr, "the compositor offers no virtual keyboard\n");
        return 1;
    }
    auto* keyboard = wl_proxy_marshal_constructor(globals.manager, 0, &keyboardInterface, globals.seat, nullptr);
    const size_t size = std::strlen(text) + 1;
    const int fd = ::memfd_create("lumetra-probe-keymap", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, text, size) != ssize_t(size)) {
        std::fprintf(stderr, "cannot hand the keymap over\n");
        return 1;
    }
    wl_proxy_marshal(keyboard, keymapRequest, uint32_t(XKB_KEYMAP_FORMAT_TEXT_V1), fd, uint32_t(size));
    bool ok = wl_display_roundtrip(display) >= 0;
    WaylandProbe::pause(300); // the seat has a keyboard now: clients take a moment to take its keymap

    uint32_t held = 0;
    const auto send = [&](const Key* key, bool down) {
        wl_proxy_marshal(keyboard, keyRequest, WaylandProbe::now(), key->code, uint32_t(down));
        if (key->modifier) {
            const uint32_t mask = 1u << xkb_keymap_mod_get_index(keymap, key->modifier);
            held = down ? held | mask : held & ~mask;
            wl_proxy_marshal(keyboard, modifiersRequest, held, 0u, 0u, 0u);
        }
        ok = ok && wl_display_roundtrip(display) >= 0;
        WaylandProbe::pause(40);
    };
    for (const Key* key : pressed)
        send(key, true);
    for (auto it = pressed.rbegin(); it != pressed.rend(); ++it)
        send(*it, false);
    WaylandProbe::pause(300); // the seat's keyboard goes with the device: let the releases arrive first
    wl_proxy_marshal(keyboard, destroyRequest);
    wl_display_roundtrip(display);
    ::close(fd);
    WaylandProbe::release(globals, keyboard);
    wl_display_disconnect(display);
    std::free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return ok ? 0 : 1;
}
