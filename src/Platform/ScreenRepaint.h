#pragma once

#include <functional>

class QObject;

// When the screen shows again what Lumetra's own windows covered, once they have been
// taken down: on X11 the server has carried out the unmapping, the programs beneath
// (or the compositing manager) have redrawn, and the Damage extension has reported no
// further drawing for a moment. Without X11 a fixed wait stands in.
namespace ScreenRepaint {

// Runs then once the screen has settled, at most capMs later; dropped when context is
// gone by then. Call it after the windows were hidden and the server was synced.
void afterWindowsTakenDown(QObject* context, int capMs, std::function<void()> then);

} // namespace ScreenRepaint
