#pragma once

#include <functional>

// Whether this session lets Lumetra read the screen: always on X11, never in a Wayland
// session (X11 clients there see only their own windows).
namespace ScreenCapturePermission {

bool preflight();

// Checks the permission before a capture starts; when it is refused, shows the
// permission alert once and returns false.
bool ensureScreenCapturePermission();

// Tests decide what the session allows; an empty function puts the real check back.
void setPreflightForTesting(std::function<bool()> check);

} // namespace ScreenCapturePermission
