#include "Capture/FrozenDisplays.h"

#include "Capture/CaptureLog.h"
#include "Capture/PortalDisplayCapture.h"
#include "Capture/ScreencopyDisplayCapture.h"
#include "Platform/DesktopSession.h"
#include "Platform/DisplayMonitor.h"
#include "Platform/ScreenGrabber.h"
#include "Platform/WaylandScreencopy.h"
#include "Platform/X11Session.h"

#include <QGuiApplication>

#include <cmath>

namespace {

class X11DisplayCaptureSource final : public DisplayCaptureSource {
public:
    bool isAvailable() override { return X11Session::applicationRunsOnX11(); }
    // An X11 client in a Wayland session sees only the windows of other X11 clients.
    bool mayReadScreen() override { return !X11Session::isWaylandSession(); }

    QList<std::optional<Display>> displays() override
    {
        QList<std::optional<Display>> result;
        if (!X11Session::applicationRunsOnX11())
            return result;
        const QList<DisplayMonitor> monitors = readDisplayMonitors();
        const QList<QScreen*> screens = QGuiApplication::screens();
        for (QScreen* screen : screens) {
            const DisplayMonitor* match = nullptr;
            for (const DisplayMonitor& monitor : monitors)
                if (monitor.name == screen->name()) {
                    match = &monitor;
                    break;
                }
            if (!match) {
                const double dpr = screen->devicePixelRatio();
                const QRectF g = screen->geometry();
                const QRect native(int(std::lround(g.x() * dpr)), int(std::lround(g.y() * dpr)),
                                   int(std::lround(g.width() * dpr)), int(std::lround(g.height() * dpr)));
                for (const DisplayMonitor& monitor : monitors)
                    if (monitor.pixelFrame == native) {
                        match = &monitor;
                        break;
                    }
            }
            if (!match && screens.size() == 1 && monitors.size() == 1)
                match = &monitors.first();
            if (!match) {
                result.append(std::nullopt);
                continue;
            }
            Display display;
            display.screen = screen;
            display.number = match->displayNumber;
            display.frame = screen->geometry();
            display.scale = screen->devicePixelRatio();
            display.pixelFrame = match->pixelFrame;
            result.append(display);
        }
        return result;
    }

    QImage capture(const Display& display, const QSize& pixelSize) override
    {
        QImage image = m_grabber.grab(display.pixelFrame);
        if (!image.isNull() && image.size() != pixelSize && !pixelSize.isEmpty())
            image = image.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return image;
    }

private:
    ApplicationScreenGrabber m_grabber;
};

DisplayCaptureSource* installedSource = nullptr;

} // namespace

DisplayCaptureSource& DisplayCaptureSource::current()
{
    if (installedSource)
        return *installedSource;
    // Never destroyed: at exit the X connection it used is already gone.
    static DisplayCaptureSource* session = []() -> DisplayCaptureSource* {
        if (!DesktopSession::usesDesktopPortal())
            return new X11DisplayCaptureSource;
        // The portal's one picture of the desktop holds every output at the largest
        // scale; screencopy gives each its own pixels where the compositor offers it.
        if (WaylandScreencopy::isOffered())
            return new ScreencopyDisplayCaptureSource(std::make_unique<PortalDisplayCaptureSource>());
        return new PortalDisplayCaptureSource;
    }();
    return *session;
}

void DisplayCaptureSource::setForTesting(DisplayCaptureSource* source)
{
    installedSource = source;
}

QList<std::optional<DisplayCaptureSource::Display>> displaysOfComposedPieces(
    const QHash<std::uint32_t, QImage>& pieces)
{
    QList<std::optional<DisplayCaptureSource::Display>> result;
    for (QScreen* screen : QGuiApplication::screens()) {
        DisplayCaptureSource::Display display;
        display.screen = screen;
        // Numbered by output name as on X11, where the outputs usually bear the same names.
        display.number = displayNumberForOutputName(screen->name());
        display.frame = screen->geometry();
        // Qt rounds a fractional output scale up to a whole ratio (1.5 becomes 2); the
        // compositor's picture has the output's true pixels, and its scale is the one that
        // maps a selection onto them.
        const QImage piece = pieces.value(display.number);
        display.scale = piece.isNull() || display.frame.width() <= 0 ? screen->devicePixelRatio()
                                                                     : piece.width() / display.frame.width();
        display.pixelFrame
            = QRect(QPoint(0, 0), piece.isNull() ? snapshotPixelSize(display.frame, display.scale) : piece.size());
        result.append(display);
    }
    return result;
}

QSize snapshotPixelSize(const QRectF& frame, double scale)
{
    return QSize(int(std::trunc(frame.width() * scale)), int(std::trunc(frame.height() * scale)));
}

QImage snapshotDisplay(DisplayCaptureSource& source, const DisplayCaptureSource::Display& display)
{
    const QSize size = snapshotPixelSize(display.frame, display.scale);
    if (size.isEmpty())
        return {};
    return source.capture(display, size);
}

std::optional<QList<FrozenScreenRecord>> freezeAllDisplays(DisplayCaptureSource& source)
{
    if (!source.isAvailable()) {
        captureDiagnostic(QStringLiteral("📸 SelectionOverlay: 无法读取屏幕列表"));
        return std::nullopt;
    }
    QList<FrozenScreenRecord> records;
    for (const std::optional<DisplayCaptureSource::Display>& display : source.displays()) {
        if (!display) {
            captureDiagnostic(QStringLiteral("📸 SelectionOverlay: Qt 屏幕与 X11 显示器配对失败"));
            return std::nullopt;
        }
        QImage image = snapshotDisplay(source, *display);
        if (image.isNull()) {
            captureDiagnostic(QStringLiteral("📸 SelectionOverlay: displayID=%1 快照失败").arg(display->number));
            return std::nullopt;
        }
        captureDiagnostic(QStringLiteral("📸 SelectionOverlay 快照成功: displayID=%1 %2×%3pt ×%4x → %5×%6px")
                              .arg(display->number)
                              .arg(display->frame.width(), 0, 'f', 0)
                              .arg(display->frame.height(), 0, 'f', 0)
                              .arg(display->scale, 0, 'f', 1)
                              .arg(image.width())
                              .arg(image.height()));
        FrozenScreenRecord record;
        record.screen = display->screen;
        record.displayNumber = display->number;
        record.frame = display->frame;
        record.scale = display->scale;
        record.image = std::move(image);
        records.append(std::move(record));
    }
    if (records.isEmpty())
        return std::nullopt;
    return records;
}

QList<FrozenScreenRecord> seeThroughScreenRecords()
{
    QList<FrozenScreenRecord> records;
    for (QScreen* screen : QGuiApplication::screens())
        records.append(FrozenScreenRecord{screen, 0, QRectF(screen->geometry()), screen->devicePixelRatio(), {}});
    return records;
}
