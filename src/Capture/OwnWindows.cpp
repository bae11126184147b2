#include "Capture/OwnWindows.h"

#include "Platform/DesktopSession.h"
#include "Platform/ScreenRepaint.h"
#include "Platform/WindowList.h"
#include "Platform/X11Session.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace OwnWindows {

namespace {

// A Wayland compositor forgets a window that is unmapped: shown again, it is a new
// window, tiled anew, on the current workspace, at a size of the compositor's choosing.
// There Lumetra's windows stay mapped and are emptied instead: a veil over the whole
// window clears its pixels, so the compositor draws what lies beneath it, and takes the
// clicks that would reach a window the user cannot see.
std::optional<bool> veilsForTesting;

bool veilsInsteadOfHiding()
{
    return veilsForTesting.value_or(DesktopSession::usesDesktopPortal());
}

const QString veilName = QStringLiteral("lumetraWindowVeil");

class WindowVeil final : public QWidget {
public:
    explicit WindowVeil(QWidget* window)
        : QWidget(window)
    {
        setObjectName(veilName);
        setGeometry(window->rect());
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        return QWidget::eventFilter(watched, event);
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillRect(rect(), Qt::transparent);
    }
};

// Found by name: the veil has no meta-object of its own to be told apart by.
QWidget* veilOf(const QWidget* window)
{
    return window->findChild<QWidget*>(veilName, Qt::FindDirectChildrenOnly);
}

void veil(QWidget* window)
{
    if (veilOf(window))
        return;
    auto* veil = new WindowVeil(window);
    veil->show();
    veil->raise();
    // Drawn and handed to the compositor now, not at the next turn of the event loop.
    window->repaint();
}

void unveil(QWidget* window)
{
    if (QWidget* veil = veilOf(window)) {
        delete veil;
        window->update();
    }
}

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
    for (const auto& window : hidden) {
        // A tooltip is taken down for good, also where the others are veiled: it is not
        // shown again.
        if (veilsInsteadOfHiding() && window->windowType() != Qt::ToolTip)
            veil(window);
        else
            window->hide();
    }
    return hidden;
}

} // namespace

void setVeilsForTesting(std::optional<bool> veils)
{
    veilsForTesting = veils;
}

bool isVeiled(const QWidget* window)
{
    return window && veilOf(window);
}

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
            if (veilsInsteadOfHiding()) {
                unveil(window);
            } else {
                window->show();
                window->raise();
            }
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
    // A veiled window was never taken down: the one the delivery brings forward is
    // uncovered with the others, where it is.
    if (except && !veilsInsteadOfHiding())
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
