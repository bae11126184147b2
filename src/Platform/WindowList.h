#pragma once

#include <QHash>
#include <QList>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// One top-level window as the window picker sees it, read from the window manager's
// hints (see X11WindowList) or made up by a test.
struct WindowRecord {
    std::uint32_t windowId = 0;
    QRectF frame;                       // points, global, top-left origin; includes the frame
    std::optional<QString> title;       // _NET_WM_NAME, else WM_NAME
    std::optional<QString> ownerName;   // WM_CLASS class; absent when the window names no owner
    std::optional<long long> pid;       // _NET_WM_PID
    bool isOnScreen = true;             // mapped and not hidden (minimised)
    bool isDock = false;                // a panel or dock of the desktop
    int layer = 0;                      // 0 for ordinary windows; see windowLayer
};

// Stacking order: window id -> 0-based position, 0 being the front-most window.
using WindowZOrder = QHash<std::uint32_t, int>;

struct CandidateFilter {
    long long ownPid = 0;
    QSet<std::uint32_t> ownWindowIds;
    double firstScreenArea = 0.0; // points²; 0 when there is no screen
};

namespace WindowList {

// The layer a window lives in from its EWMH type and state names: 0 for ordinary
// application windows; non-zero for the desktop, panels, menus, tooltips,
// notifications, splash screens and windows kept above the others.
int windowLayer(const QStringList& windowTypes, const QStringList& windowStates);

// Why window may not be picked, tested in a fixed order; absent when it may.
std::optional<QString> candidateRejectionReason(const WindowRecord& window, const CandidateFilter& filter);

// Stacking positions from _NET_CLIENT_LIST_STACKING (bottom to top), front-most first.
WindowZOrder zOrderFromStacking(const QList<std::uint32_t>& bottomToTop);

struct CandidateResult {
    QList<WindowRecord> windows;   // front-most first
    int droppedByLayer = 0;
    int matchedInZOrder = 0;
};

// The pickable windows: the rejection rules, then windows on a non-zero layer dropped,
// then a stable sort by stacking position; windows missing from the stacking order
// keep their listed order after all others. Writes the enumeration's log lines.
CandidateResult candidateWindows(const QList<WindowRecord>& listed, const WindowZOrder& zOrder,
                                 const CandidateFilter& filter);

// "Owner/'first 20 chars of title' W×H" for the log.
QString windowLogDescription(const WindowRecord& window);

// list without the entries equal to item, order kept.
template <typename T>
QList<T> windowsExcluding(const QList<T>& list, const T& item)
{
    QList<T> result;
    for (const T& entry : list)
        if (!(entry == item))
            result.append(entry);
    return result;
}

} // namespace WindowList
