#pragma once

#include "Capture/CaptureOverlayView.h"
#include "Capture/FrozenScreenRecord.h"

#include <QList>
#include <QPointer>
#include <QString>

#include <functional>
#include <type_traits>

// The window side of a capture overlay, shared by every kind of session.
namespace CaptureOverlayWindows {

// Makes overlay a frameless window above all others, outside the window manager's
// reach and never hidden as one of Lumetra's own, over record's display.
void setUp(QWidget* overlay, const FrozenScreenRecord& record, const QString& title);
// Shows each overlay over its screen. They bypass the window manager and never get the
// focus by themselves: the last display's overlay holds the keyboard for the session.
void showAndGrabKeyboard(const QList<QWidget*>& overlays);
// Lets go of the keyboard, hides the overlay and deletes it once the event loop is back:
// the session may end inside one of the overlay's own handlers.
void takeDown(QWidget* overlay);

} // namespace CaptureOverlayWindows

// The overlays of one capture session, one a display, owned by the session.
template <class View>
class CaptureOverlaySet {
public:
    CaptureOverlaySet() = default;
    CaptureOverlaySet(const CaptureOverlaySet&) = delete;
    CaptureOverlaySet& operator=(const CaptureOverlaySet&) = delete;
    ~CaptureOverlaySet()
    {
        for (const auto& view : m_views)
            delete view.data();
    }

    // Covers every record's display with an overlay that make builds (and wires to the
    // session), titled title. Returns the new overlays.
    QList<View*> present(const QList<FrozenScreenRecord>& records, const QString& title,
                         const std::function<View*(const FrozenScreenRecord&)>& make)
    {
        static_assert(std::is_base_of_v<CaptureOverlayView, View>);
        QList<View*> views;
        QList<QWidget*> windows;
        for (const FrozenScreenRecord& record : records) {
            View* view = make(record);
            CaptureOverlayWindows::setUp(view, record, title);
            m_views.append(view);
            views.append(view);
            windows.append(view);
        }
        CaptureOverlayWindows::showAndGrabKeyboard(windows);
        return views;
    }

    // Takes every overlay down; each loses the session's callbacks first (detach drops
    // those of its own kind).
    void takeDown(const std::function<void(View*)>& detach)
    {
        const auto views = m_views;
        m_views.clear();
        for (const auto& view : views) {
            if (!view)
                continue;
            view->onCancel = nullptr;
            view->keyMonitor = nullptr;
            detach(view);
            CaptureOverlayWindows::takeDown(view);
        }
    }

    // The overlays still alive.
    QList<View*> views() const
    {
        QList<View*> alive;
        for (const auto& view : m_views)
            if (view)
                alive.append(view);
        return alive;
    }
    qsizetype size() const { return m_views.size(); }

private:
    QList<QPointer<View>> m_views;
};
