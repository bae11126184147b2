#include "Capture/PortalDisplayCapture.h"

#include "Capture/CaptureLog.h"
#include "Platform/DisplayMonitor.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

std::optional<QList<QImage>> splitDesktopImage(const QImage& desktop,
                                               const QList<DisplayCaptureSource::Display>& displays)
{
    QRectF box;
    for (const auto& display : displays)
        box = box.united(display.frame);
    if (desktop.isNull() || displays.isEmpty() || box.isEmpty())
        return std::nullopt;
    const double scaleX = desktop.width() / box.width();
    const double scaleY = desktop.height() / box.height();
    // Both directions at one scale, give or take the rounding of the picture's size.
    if (std::abs(scaleX - scaleY) * std::min(box.width(), box.height()) > 2.0)
        return std::nullopt;
    QList<QImage> pieces;
    for (const auto& display : displays) {
        const QRectF area((display.frame.x() - box.x()) * scaleX, (display.frame.y() - box.y()) * scaleY,
                          display.frame.width() * scaleX, display.frame.height() * scaleY);
        const QRect pixels(QPoint(int(std::lround(area.left())), int(std::lround(area.top()))),
                           QPoint(int(std::lround(area.right())) - 1, int(std::lround(area.bottom())) - 1));
        if (pixels.isEmpty() || !desktop.rect().contains(pixels))
            return std::nullopt;
        QImage piece = desktop.copy(pixels);
        // The picture is composed at the largest output scale. Qt gives a fractional scale
        // as the whole ratio above it (1.5 as 2): a display whose ratio reaches the
        // picture's has its pixels in it as they are; one below it (a display at 1 beside
        // one at 2) is brought down to its own.
        if (display.scale < scaleX - 0.01) {
            const QSize size = snapshotPixelSize(display.frame, display.scale);
            if (!size.isEmpty())
                piece = piece.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        pieces.append(std::move(piece));
    }
    return pieces;
}

PortalDisplayCaptureSource::PortalDisplayCaptureSource(QDBusConnection bus)
    : m_bus(bus)
    , m_screenshot(bus)
{
    QObject::connect(&m_screenshot, &PortalScreenshot::finished, &m_screenshot,
                     [this](const PortalScreenshotResult& result) { screenshotTaken(result); });
}

bool PortalDisplayCaptureSource::mayReadScreen()
{
    return DesktopPortal::isPresent(m_bus);
}

QList<std::optional<DisplayCaptureSource::Display>> PortalDisplayCaptureSource::displays()
{
    return displaysOfComposedPieces(m_pieces);
}

QImage PortalDisplayCaptureSource::capture(const Display& display, const QSize& pixelSize)
{
    QImage piece = m_pieces.value(display.number);
    // A size off by the rounding of a fractional scale is the piece itself.
    const QSize off = piece.size() - pixelSize;
    if (!piece.isNull() && !pixelSize.isEmpty() && (std::abs(off.width()) > 1 || std::abs(off.height()) > 1))
        piece = piece.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return piece;
}

void PortalDisplayCaptureSource::prepare(std::function<void(Preparation)> done)
{
    m_pieces.clear();
    if (m_screenshot.isRunning()) {
        done(Preparation::failed);
        return;
    }
    m_done = std::move(done);
    m_screenshot.take(false, screenshotTimeoutMs);
}

void PortalDisplayCaptureSource::screenshotTaken(const PortalScreenshotResult& result)
{
    Preparation preparation = Preparation::failed;
    switch (result.outcome) {
    case PortalAnswer::Outcome::answered: {
        QList<Display> present;
        m_pieces.clear(); // the displays at Qt's scale, to be cut by
        for (const auto& display : displays())
            present.append(*display);
        const auto pieces = splitDesktopImage(result.image, present);
        if (pieces) {
            for (qsizetype i = 0; i < present.size(); ++i)
                m_pieces.insert(present[i].number, (*pieces)[i]);
            preparation = Preparation::ready;
        }
        captureDiagnostic(QStringLiteral("📸 Portal screenshot %1×%2px for %3 display(s): %4")
                              .arg(result.image.width())
                              .arg(result.image.height())
                              .arg(present.size())
                              .arg(pieces ? QStringLiteral("split") : QStringLiteral("does not match the displays")));
        break;
    }
    case PortalAnswer::Outcome::cancelled:
    case PortalAnswer::Outcome::refused:
    case PortalAnswer::Outcome::unavailable:
        captureDiagnostic(QStringLiteral("🔐 The desktop portal gave no screenshot (refused or unavailable) %1")
                              .arg(result.error));
        preparation = Preparation::refused;
        break;
    case PortalAnswer::Outcome::failed:
        captureDiagnostic(QStringLiteral("📸 Portal screenshot failed: %1").arg(result.error));
        break;
    case PortalAnswer::Outcome::notAnswering:
        captureDiagnostic(QStringLiteral("📸 Portal screenshot given up: %1").arg(result.error));
        preparation = Preparation::unanswered;
        break;
    }
    if (auto done = std::exchange(m_done, nullptr))
        done(preparation);
}
