#pragma once

#include "Capture/FrozenDisplays.h"
#include "Platform/WaylandScreencopy.h"

#include <QHash>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

// A screen as Qt knows it, to be paired with the compositor's output.
struct ScreenPlace {
    QString name;
    QRect frame; // QScreen::geometry, points
};

// Each screen's output picture, in the screens' order: the output of the screen's name,
// else the one output in the same place of the layout; absent for a screen no output
// pairs with.
QList<std::optional<QImage>> outputImagesForScreens(const QList<ScreenPlace>& screens,
                                                    const QList<WaylandScreencopy::OutputImage>& outputs);

// The displays of a Wayland session whose compositor offers screencopy: prepare() copies
// every output at its own pixels off the main thread, so that a display at scale 1
// beside one at 2 keeps its own pixels rather than the portal's picture scaled back. A
// copy that fails is tried again (a compositor under load, or one changing an output's
// mode, fails a copy that the next one makes); one that fails every time, or outputs that
// do not pair with Qt's screens, leave that preparation to the fallback (the desktop
// portal).
class ScreencopyDisplayCaptureSource final : public DisplayCaptureSource {
public:
    using Grab = std::function<WaylandScreencopy::Capture()>;

    // A compositor copies an output within a frame or two; a busy one gets a few seconds
    // before the fallback takes over.
    static constexpr int copyTimeoutMs = 5000;
    // Copies made for one preparation before the fallback takes over.
    static constexpr int copyAttempts = 3;

    // grab runs off the main thread; the compositor's screencopy unless given.
    explicit ScreencopyDisplayCaptureSource(std::unique_ptr<DisplayCaptureSource> fallback, Grab grab = {});
    ~ScreencopyDisplayCaptureSource() override;

    bool isAvailable() override { return true; }
    QString refusalMessageKey() const override;
    QList<std::optional<Display>> displays() override;
    QImage capture(const Display& display, const QSize& pixelSize) override;
    void prepare(std::function<void(Preparation)> done) override;
    void release() override;

private:
    void copy(std::function<void(Preparation)> done, int attemptsLeft);
    void copied(const WaylandScreencopy::Capture& capture, const std::function<void(Preparation)>& done);
    void fallBack(const QString& why, const std::function<void(Preparation)>& done);

    std::unique_ptr<DisplayCaptureSource> m_fallback;
    Grab m_grab;
    QObject m_context; // where copies come back, and gone with the source
    bool m_copying = false;
    bool m_fallbackActive = false;
    QHash<std::uint32_t, QImage> m_pieces;
};
