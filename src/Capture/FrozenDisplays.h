#pragma once

#include "Capture/FrozenScreenRecord.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QRectF>
#include <QScreen>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// What freezing needs of the desktop: the displays and one display's pixels. The X11
// source reads RandR monitors and grabs the root window; the screencopy source copies
// each Wayland output; the portal source cuts one screenshot of the whole desktop into
// its displays; tests use made-up displays.
class DisplayCaptureSource {
public:
    struct Display {
        QPointer<QScreen> screen;
        std::uint32_t number = 0;
        QRectF frame;       // global, points (QScreen::geometry)
        double scale = 1.0; // QScreen::devicePixelRatio
        QRect pixelFrame;   // on the root window, device pixels
    };

    virtual ~DisplayCaptureSource() = default;

    // In a Wayland session the screencopy source where the compositor offers it, else
    // the desktop portal's; the X11 one otherwise.
    static DisplayCaptureSource& current();
    // nullptr puts the session's source back.
    static void setForTesting(DisplayCaptureSource* source);

    // How prepare() went.
    enum class Preparation {
        ready,   // capture() may be called
        refused, // the desktop said no, or offers no screenshots: the permission alert answers
        failed,  // the picture could not be had or used
        unanswered, // the desktop stopped answering: the user is told, nothing else is tried
    };

    // False where the screen cannot be read at all (not an X11 session).
    virtual bool isAvailable() = 0;
    // Whether the session lets Lumetra read the screen, judged before anything is asked.
    virtual bool mayReadScreen() { return true; }
    // The localisation key of the permission alert's text when it does not.
    virtual QString refusalMessageKey() const { return QStringLiteral("capture.permission.message"); }
    // Takes what capture() reads from, where the desktop hands out its displays only
    // together and only when asked; ready at once where each display can be read on its
    // own. done runs exactly once, maybe before prepare returns.
    virtual void prepare(std::function<void(Preparation)> done) { done(Preparation::ready); }
    // Lets go of what prepare took.
    virtual void release() {}
    // Every screen in QGuiApplication::screens() order, each with its display, or
    // absent for a screen no display could be paired with.
    virtual QList<std::optional<Display>> displays() = 0;
    // The display's pixels at pixelSize; a null image when the grab failed.
    virtual QImage capture(const Display& display, const QSize& pixelSize) = 0;
};

// The pixel size a display is captured at: points times scale, each truncated.
QSize snapshotPixelSize(const QRectF& frame, double scale);

// Every screen as a display numbered by its output's name, at the scale of the picture
// the compositor gave for it (pieces, by display number), else at the screen's ratio.
QList<std::optional<DisplayCaptureSource::Display>> displaysOfComposedPieces(
    const QHash<std::uint32_t, QImage>& pieces);

// One display's picture, without the pointer; null when the grab failed.
QImage snapshotDisplay(DisplayCaptureSource& source, const DisplayCaptureSource::Display& display);

// Every display, one after another; absent when any of them fails (never a partial
// list) or there is no display. The caller hides Lumetra's windows first.
std::optional<QList<FrozenScreenRecord>> freezeAllDisplays(DisplayCaptureSource& source);

// Every screen without a picture, for overlays that stay see-through where freezing
// failed.
QList<FrozenScreenRecord> seeThroughScreenRecords();
