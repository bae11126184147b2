#pragma once

#include <functional>

// Whether this session lets Lumetra read the screen: always on X11; as a Wayland client
// when the desktop portal is there (it may still refuse when asked); never as an X11
// client in a Wayland session (X11 clients there see only each other's windows).
namespace ScreenCapturePermission {

bool preflight();

// Checks the permission before a capture starts; when it is refused, shows the
// permission alert once and returns false.
bool ensureScreenCapturePermission();

// The alert that says the screen may not be read, and what to do about it.
void showScreenCapturePermissionAlert();

// Tests decide what the session allows; an empty function puts the real check back.
void setPreflightForTesting(std::function<bool()> check);

} // namespace ScreenCapturePermission
