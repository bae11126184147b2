#include "Capture/OwnWindows.h"

#include "Platform/DesktopSession.h"
#include "Platform/ScreenRepaint.h"
#include "Platform/WindowList.h"
#include "Platform/X11Session.h"

#include <QApplication>

namespace OwnWindows {

namespace {

WindowList hideMatching(const std::function<bool(QWidget*)>& select, const std::function<bool(QWidget*)>& keep)
{
    WindowList hidden;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (!window->isVisible() || window->property(captureChromeProperty).toBool())
            continue;
        if (keep && keep(window))
            continue;
        if (select && !select(window))
            continue;
        hidden.append(QPointer<QWidget>(window));
    }
    for (const auto& window : hidden)
        window->hide();
    return hidden;
}

} // namespace

WindowList hideVisible(const std::function<bool(QWidget*)>& keep)
{
    return hideMatching({}, keep);
}

WindowList hideOverlapping(const QRectF& area, const std::function<bool(QWidget*)>& keep)
{
    // A Wayland client does not learn where its windows are: any of them may be in the way.
    if (DesktopSession::usesDesktopPortal())
        return hideMatching({}, keep);
    return hideMatching([area](QWidget* window) { return QRectF(window->frameGeometry()).intersects(area); }, keep);
}

int showAgain(const WindowList& windows)
{
    int shown = 0;
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QWidget* window = it->data();
        // A tooltip belonged to a hover the capture has ended: shown again it would stand
        // alone above every window, its control no longer under the pointer.
        if (window && window->windowType() == Qt::ToolTip)
            continue;
        if (window) {
            window->show();
            window->raise();
            ++shown;
        }
    }
    return shown;
}

std::optional<int> restore(WindowList& hidden, QWidget* except)
{
    if (hidden.isEmpty())
        return std::nullopt;
    WindowList windows;
    windows.swap(hidden);
    if (except)
        windows = ::WindowList::windowsExcluding(windows, QPointer<QWidget>(except));
    return showAgain(windows);
}

void afterRepaint(const WindowList& hidden, QObject* context, int settleMs, std::function<void()> then)
{
    if (hidden.isEmpty()) {
        then();
        return;
    }
    syncWithServer();
    ScreenRepaint::afterWindowsTakenDown(context, settleMs, std::move(then));
}

void syncWithServer()
{
    X11Session::syncWithServer();
}

} // namespace OwnWindows
