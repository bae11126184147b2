#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <cstdint>

// Each output's own pixels in a Wayland session, read through the compositor's
// screencopy protocol (wlroots compositors such as sway offer it). The desktop portal
// hands over one picture of the whole desktop at the largest output scale, so on outputs
// of mixed scales the others would have to be scaled back; screencopy gives every output
// at its own.
//
// Every call opens a connection of its own and closes it before returning, so a capture
// may run on any thread and never shares a connection with Qt's.
namespace WaylandScreencopy {

// One output as the user sees it: upright, its pixels as the compositor drew them.
struct OutputImage {
    QString name;       // as Qt names the screen (xdg-output or wl_output name)
    QRect logicalFrame; // in the layout, points; empty when the compositor did not say
    QImage image;
};

struct Capture {
    QList<OutputImage> outputs; // every output, or none when the capture failed
    QString error;              // why not, when it failed
};

// Whether the session's compositor offers screencopy and shared-memory buffers: one
// round trip, false when the compositor has not answered within timeoutMs.
bool isOffered(int timeoutMs = 1000);

// Every output's picture, without the pointer. Blocks until the compositor has copied
// them all or timeoutMs has passed; run it off the main thread.
Capture captureOutputs(int timeoutMs);

// ---- the parts without a compositor ----

// wl_shm formats (their values in the protocol).
enum ShmFormat : std::uint32_t {
    argb8888 = 0,
    xrgb8888 = 1,
    xbgr8888 = 0x34324258,
    abgr8888 = 0x34324241,
};

bool canRead(std::uint32_t shmFormat);

// The buffer's memory as an opaque image, without copying it where the format is Qt's own
// (XRGB8888 and ARGB8888); cleanup(cleanupInfo) runs when the last image sharing that
// memory goes, or at once when the result is null (a format canRead refuses, or sizes
// that do not fit the stride).
QImage imageOverBuffer(uchar* data, int width, int height, int stride, std::uint32_t shmFormat,
                       QImageCleanupFunction cleanup, void* cleanupInfo);

// The buffer as the output shows it: turned back by the output's transform (wl_output's
// values, 0 to 7) after undoing a y-inverted copy. The buffer itself where neither
// applies.
QImage orientedOutputImage(const QImage& buffer, std::uint32_t transform, bool yInverted);

} // namespace WaylandScreencopy
