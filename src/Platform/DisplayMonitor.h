#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <cstdint>

class XcbConnection;

// One monitor as X11 knows it: its output name, its rectangle on the root window in
// device pixels, and the display number that identifies it to stored settings.
struct DisplayMonitor {
    std::uint32_t displayNumber = 0;
    QString name;
    QRect pixelFrame;
    bool primary = false;
};

// RandR ids change between server runs, so a display is numbered by a stable 32-bit
// hash (FNV-1a) of its output name instead.
std::uint32_t displayNumberForOutputName(const QString& name);

// The monitors of the connection's screen (RandR 1.5 monitors, else the whole root as
// one monitor called "screen"), the primary one first. Without a connection: those of
// the application's display, none off X11.
QList<DisplayMonitor> readDisplayMonitors(XcbConnection& connection);
QList<DisplayMonitor> readDisplayMonitors();
