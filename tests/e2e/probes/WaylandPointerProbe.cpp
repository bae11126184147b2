// A pointer for the Wayland end-to-end test: a headless compositor has no input devices,
// so this client makes one (wlroots' virtual-pointer protocol) and drags it with the left
// button held, in the layout's coordinates:  lumetra_wayland_pointer_probe W H X1 Y1 X2 Y2 [REST HOLD]
// REST: milliseconds the pointer rests at X1 Y1 before the press (a hover, 0 by default);
// HOLD: milliseconds the pointer stays after the release (300 by default).
#include <wayland-client.h>

#include <linux/input-event-codes.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// The protocol's interfaces from its description: request order and signatures suffice.
extern const wl_interface pointerInterface;
const wl_interface* noTypes[] = {nullptr, nullptr, nullptr, nullptr, nullptr};
const wl_interface* createTypes[] = {&wl_seat_interface, &pointerInterface};
const wl_message pointerRequests[] = {{"motion", "uff", noTypes},   {"motion_absolute", "uuuuu", noTypes},
                                      {"button", "uuu", noTypes},   {"axis", "uuf", noTypes},
                                      {"frame", "", noTypes},       {"axis_source", "u", noTypes},
                                      {"axis_stop", "uu", noTypes}, {"axis_discrete", "uufi", noTypes},
                                      {"destroy", "", noTypes}};
const wl_interface pointerInterface = {"zwlr_virtual_pointer_v1", 1, 9, pointerRequests, 0, nullptr};
const wl_message managerRequests[] = {{"create_virtual_pointer", "?on", createTypes}};
const wl_interface managerInterface = {"zwlr_virtual_pointer_manager_v1", 1, 1, managerRequests, 0, nullptr};
enum : uint32_t { motionAbsolute = 1, button = 2, frame = 4, destroy = 8 };

wl_seat* seat = nullptr;
wl_proxy* manager = nullptr;
void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    if (std::strcmp(interface, "wl_seat") == 0 && !seat)
        seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, managerInterface.name) == 0)
        manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &managerInterface, 1));
}
void globalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registryListener = {global, globalRemove};

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
uint32_t now()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

int main(int argc, char** argv)
{
    uint32_t v[8] = {0, 0, 0, 0, 0, 0, 0, 300};
    const bool valid = argc == 7 || argc == 9;
    for (int i = 0; i < argc - 1 && valid; ++i)
        v[i] = uint32_t(std::strtoul(argv[i + 1], nullptr, 10));
    wl_display* display = valid ? wl_display_connect(nullptr) : nullptr;
    if (!display)
        return 2;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (!manager || !seat) {
        std::fprintf(stderr, "the compositor offers no virtual pointer\n");
        return 1;
    }
    auto* pointer = wl_proxy_marshal_constructor(manager, 0, &pointerInterface, seat, nullptr);
    wl_display_roundtrip(display);
    pause(300); // the seat has a pointer now: clients take a moment to bind it
    bool ok = true;
    // One event a frame, spaced as a hand would space them; y < 0 is a button state.
    const auto send = [&](uint32_t x, int y) {
        if (y < 0)
            wl_proxy_marshal(pointer, button, now(), uint32_t(BTN_LEFT), uint32_t(y == -1));
        else
            wl_proxy_marshal(pointer, motionAbsolute, now(), x, uint32_t(y), v[0], v[1]);
        wl_proxy_marshal(pointer, frame);
        ok = ok && wl_display_roundtrip(display) >= 0;
        pause(40);
    };
    send(v[2], int(v[3]));
    pause(int(v[6]));
    send(0, -1);
    for (int step = 1; step <= 8; ++step)
        send(v[2] + (int(v[4]) - int(v[2])) * step / 8, int(v[3]) + (int(v[5]) - int(v[3])) * step / 8);
    send(0, -2);
    pause(int(v[7])); // the seat's pointer goes with the device: let the release arrive first
    wl_proxy_marshal(pointer, destroy);
    wl_display_roundtrip(display);
    for (void* proxy : {static_cast<void*>(pointer), static_cast<void*>(manager), static_cast<void*>(seat),
                        static_cast<void*>(registry)})
        wl_proxy_destroy(static_cast<wl_proxy*>(proxy));
    wl_display_disconnect(display);
    return ok ? 0 : 1;
}
