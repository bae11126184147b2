#include "Output/PinManager.h"

#include "Base/Logger.h"

#include "Output/PinContentView.h"
#include "Output/PinGeometry.h"
#include "Output/PinWindow.h"
#include "Platform/FloatingWindowDesktop.h"
#include "Core/Settings.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>


namespace {

QList<PinGeometry::ScreenArea> screenAreas()
{
    QList<PinGeometry::ScreenArea> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append({QRectF(screen->geometry()), QRectF(screen->availableGeometry())});
    return areas;
}

std::optional<PinGeometry::ScreenArea> mainScreenArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return PinGeometry::ScreenArea{QRectF(screen->geometry()), QRectF(screen->availableGeometry())};
}

// Opening and closing pins can be followed with LUMETRA_LOG=info, like a capture.
void pinDiagnostic(const QString& line)
{
    logMessage(LogLevel::info, [&] { return line; });
}

} // namespace

PinManager& PinManager::shared()
{
    static PinManager* const manager = new PinManager;
    return *manager;
}

PinWindow* PinManager::pinWindow(qint64 fingerprint) const { return m_pinsByFingerprint.value(fingerprint, nullptr); }

PinWindow* PinManager::presentPin(const QImage& bitmap, qint64 fingerprint)
{
    if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
        return nullptr;
    const std::optional<QRectF> saved
        = PinGeometry::usableFrameFromText(Settings::pinLastFrame.read().value_or(QString()));
    const QPointF pointer = QCursor::pos();
    // One image pixel per device pixel of the screen the pin opens on.
    const QScreen* screen = QGuiApplication::screenAt((saved ? saved->center() : pointer).toPoint());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const double ratio = screen ? screen->devicePixelRatio() : 1.0;

    FloatingWindowDesktop& desktop = FloatingWindowDesktop::shared();
    QPointer<PinManager> self(this);
    auto* window = new PinWindow(bitmap, fingerprint, 1.0 / ratio, desktop.drawsTranslucency(),
                                 [self](PinWindow* closing) {
                                     if (self)
                                         self->removePin(closing);
                                 });
    const QRectF frame = PinGeometry::initialPinFrame(QSizeF(window->size()), saved, pointer, screenAreas(),
                                                      mainScreenArea(), window->contentView()->margin());
    window->placeAt(frame.toRect());
    desktop.keepOnEveryWorkspace(window);
    window->show();
    window->raise();
    window->activateWindow();

    m_pinWindows.append(window);
    m_pinsByFingerprint.insert(fingerprint, window);
    pinDiagnostic(QStringLiteral("📌 presentPin: fingerprint=%1 frame=%2 activePinCount=%3")
                      .arg(fingerprint)
                      .arg(PinGeometry::frameText(QRectF(window->geometry())))
                      .arg(activePinCount()));
    emit activePinCountChanged(activePinCount());
    return window;
}

void PinManager::removePin(PinWindow* window)
{
    m_pinWindows.removeAll(window);
    const auto found = m_pinsByFingerprint.constFind(window->fingerprint());
    if (found != m_pinsByFingerprint.constEnd() && found.value() == window)
        m_pinsByFingerprint.erase(found);
    pinDiagnostic(QStringLiteral("📌 removePin: fingerprint=%1 activePinCount=%2")
                      .arg(window->fingerprint())
                      .arg(activePinCount()));
    window->deleteLater();
    emit activePinCountChanged(activePinCount());
}
