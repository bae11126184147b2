#pragma once

#include "Capture/FrozenDisplays.h"
#include "Platform/PortalScreenshot.h"

#include <QHash>

#include <optional>

// Cuts a picture of the whole desktop into its displays. The picture covers the
// bounding box of the display frames (global points), at one scale for the whole box,
// as a compositor composes its outputs at the largest output scale. Each piece is its
// display's own pixels: the picture's as they are for a display whose scale (Qt's whole
// ratio, 2 for an output at 1.5) reaches the picture's, else brought down to it. Nothing when the picture does not match the layout (another aspect ratio, or a
// display outside it).
std::optional<QList<QImage>> splitDesktopImage(const QImage& desktop,
                                               const QList<DisplayCaptureSource::Display>& displays);

// The displays of a Wayland session, read through the desktop portal: prepare() asks
// for one screenshot of every display without any dialogue (the desktop may ask its
// user once for permission) and cuts it into the displays, which capture() then hands
// out, each display at the scale of its piece. A refusal, or a portal without screenshots, is the permission being refused.
class PortalDisplayCaptureSource final : public DisplayCaptureSource {
public:
    explicit PortalDisplayCaptureSource(QDBusConnection bus = QDBusConnection::sessionBus());

    // Long enough for a user to answer the desktop's permission question.
    static constexpr int screenshotTimeoutMs = 60000;

    bool isAvailable() override { return true; }
    bool mayReadScreen() override;
    QString refusalMessageKey() const override { return QStringLiteral("capture.permission.portalMessage"); }
    QList<std::optional<Display>> displays() override;
    QImage capture(const Display& display, const QSize& pixelSize) override;
    void prepare(std::function<void(Preparation)> done) override;
    void release() override { m_pieces.clear(); }

private:
    void screenshotTaken(const PortalScreenshotResult& result);

    QDBusConnection m_bus;
    PortalScreenshot m_screenshot;
    std::function<void(Preparation)> m_done;
    QHash<std::uint32_t, QImage> m_pieces;
};
