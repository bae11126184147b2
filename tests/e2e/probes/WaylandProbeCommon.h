#pragma once

// What the Wayland input probes share: the seat and the one manager they need, bound from
// the registry, and the pauses and times input is given with.
#include <wayland-client.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace WaylandProbe {

struct Globals {
    const wl_interface* managerInterface = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    wl_proxy* manager = nullptr;
};

// Binds the seat and the manager of `globals.managerInterface` (version 1); false where
// the compositor offers either not.
inline bool bind(wl_display* display, Globals& globals)
{
    static const wl_registry_listener listener = {
        [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
            auto* g = static_cast<Globals*>(data);
            if (std::strcmp(interface, "wl_seat") == 0 && !g->seat)
                g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
            else if (std::strcmp(interface, g->managerInterface->name) == 0 && !g->manager)
                g->manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, g->managerInterface, 1));
        },
        [](void*, wl_registry*, uint32_t) {}};
    globals.registry = wl_display_get_registry(display);
    wl_registry_add_listener(globals.registry, &listener, &globals);
    wl_display_roundtrip(display);
    return globals.seat && globals.manager;
}

// Lets go of what bind bound, and of `device`.
inline void release(Globals& globals, wl_proxy* device)
{
    for (void* proxy : {static_cast<void*>(device), static_cast<void*>(globals.manager), static_cast<void*>(globals.seat),
                        static_cast<void*>(globals.registry)})
        if (proxy)
            wl_proxy_destroy(static_cast<wl_proxy*>(proxy));
}

inline void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Milliseconds, as input events carry their time.
inline uint32_t now()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace WaylandProbe
