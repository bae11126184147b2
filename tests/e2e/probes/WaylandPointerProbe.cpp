// A pointer for the Wayland end-to-end test: a headless compositor has no input devices,
// so this client makes one (wlroots' virtual-pointer protocol) and drags it with the left
// button held, in the layout's coordinates:  lumetra_wayland_pointer_probe W H X1 Y1 X2 Y2 [REST HOLD]
// REST: milliseconds the pointer rests at X1 Y1 before the press (a hover, 0 by default);
// HOLD: milliseconds the pointer stays after the release (300 by default).
#include "WaylandProbeCommon.h"

#include <wayland-client.h>

#include <linux/input-event-codes.h>

#include <cstdio>
#include <cstdlib>

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
    WaylandProbe::Globals globals{&managerInterface};
    if (!WaylandProbe::bind(display, globals)) {
        std::fprintf(stderr, "the compositor offers no virtual pointer\n");
        return 1;
    }
    auto* pointer = wl_proxy_marshal_constructor(globals.manager, 0, &pointerInterface, globals.seat, nullptr);
    wl_display_roundtrip(display);
    WaylandProbe::pause(300); // the seat has a pointer now: clients take a moment to bind it
    bool ok = true;
    // One event a frame, spaced as a hand would space them; y < 0 is a button state.
    const auto send = [&](uint32_t x, int y) {
        if (y < 0)
            wl_proxy_marshal(pointer, button, WaylandProbe::now(), uint32_t(BTN_LEFT), uint32_t(y == -1));
        else
            wl_proxy_marshal(pointer, motionAbsolute, WaylandProbe::now(), x, uint32_t(y), v[0], v[1]);
        wl_proxy_marshal(pointer, frame);
        ok = ok && wl_display_roundtrip(display) >= 0;
        WaylandProbe::pause(40);
    };
    send(v[2], int(v[3]));
    WaylandProbe::pause(int(v[6]));
    send(0, -1);
    for (int step = 1; step <= 8; ++step)
        send(v[2] + (int(v[4]) - int(v[2])) * step / 8, int(v[3]) + (int(v[5]) - int(v[3])) * step / 8);
    send(0, -2);
    WaylandProbe::pause(int(v[7])); // the seat's pointer goes with the device: let the release arrive first
    wl_proxy_marshal(pointer, destroy);
    wl_display_roundtrip(display);
    WaylandProbe::release(globals, pointer);
    wl_display_disconnect(display);
    return ok ? 0 : 1;
}
