#include "Capture/ScreencopyDisplayCapture.h"

#include "Base/Logger.h"
#include "Base/OffMainThread.h"
#include "Capture/CaptureLog.h"
#include "Platform/DisplayMonitor.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

QList<std::optional<QImage>> outputImagesForScreens(const QList<ScreenPlace>& screens,
                                                    const QList<WaylandScreencopy::OutputImage>& outputs)
{
    QList<std::optional<QImage>> images;
    for (const ScreenPlace& screen : screens) {
        const WaylandScreencopy::OutputImage* match = nullptr;
        for (const auto& output : outputs)
            if (!output.name.isEmpty() && output.name == screen.name) {
                match = &output;
                break;
            }
        // A compositor that names its outputs otherwise than Qt heard: the place in the
        // layout tells them apart where no two outputs share it (mirrored outputs do).
        if (!match) {
            int inPlace = 0;
            for (const auto& output : outputs)
                if (!output.logicalFrame.isEmpty() && output.logicalFrame == screen.frame) {
                    match = &output;
                    ++inPlace;
                }
            if (inPlace != 1)
                match = nullptr;
        }
        if (match && !match->image.isNull())
            images.append(match->image);
        else
            images.append(std::nullopt);
    }
    return images;
}

ScreencopyDisplayCaptureSource::ScreencopyDisplayCaptureSource(std::unique_ptr<DisplayCaptureSource> fallback, Grab grab)
    : m_fallback(std::move(fallback))
    , m_grab(grab ? std::move(grab) : Grab([] { return WaylandScreencopy::captureOutputs(copyTimeoutMs); }))
{
}

ScreencopyDisplayCaptureSource::~ScreencopyDisplayCaptureSource() = default;

QString ScreencopyDisplayCaptureSource::refusalMessageKey() const
{
    // Only the fallback is ever refused.
    return m_fallback ? m_fallback->refusalMessageKey() : DisplayCaptureSource::refusalMessageKey();
}

QList<std::optional<DisplayCaptureSource::Display>> ScreencopyDisplayCaptureSource::displays()
{
    if (m_fallbackActive)
        return m_fallback->displays();
    return displaysOfComposedPieces(m_pieces);
}

QImage ScreencopyDisplayCaptureSource::capture(const Display& display, const QSize& pixelSize)
{
    if (m_fallbackActive)
        return m_fallback->capture(display, pixelSize);
    QImage piece = m_pieces.value(display.number);
    // A size off by the rounding of a fractional scale is the piece itself.
    const QSize off = piece.size() - pixelSize;
    if (!piece.isNull() && !pixelSize.isEmpty() && (std::abs(off.width()) > 1 || std::abs(off.height()) > 1))
        piece = piece.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return piece;
}

void ScreencopyDisplayCaptureSource::prepare(std::function<void(Preparation)> done)
{
    release();
    if (m_copying) {
        done(Preparation::failed);
        return;
    }
    m_copying = true;
    copy(std::move(done), copyAttempts - 1);
}

void ScreencopyDisplayCaptureSource::copy(std::function<void(Preparation)> done, int attemptsLeft)
{
    OffMainThread::run(&m_context, m_grab, [this, done = std::move(done), attemptsLeft](
                                               const WaylandScreencopy::Capture& capture) mutable {
        if (capture.outputs.isEmpty() && attemptsLeft > 0) {
            logMessage(LogLevel::warning, [&] {
                return QStringLiteral("⚠️ The compositor's screencopy gave no picture (%1); copying again").arg(capture.error);
            });
            copy(std::move(done), attemptsLeft - 1);
            return;
        }
        m_copying = false;
        copied(capture, done);
    });
}

void ScreencopyDisplayCaptureSource::release()
{
    m_pieces.clear();
    if (std::exchange(m_fallbackActive, false))
        m_fallback->release();
}

void ScreencopyDisplayCaptureSource::copied(const WaylandScreencopy::Capture& capture,
                                            const std::function<void(Preparation)>& done)
{
    if (capture.outputs.isEmpty()) {
        fallBack(capture.error, done);
        return;
    }
    QList<ScreenPlace> places;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
        places.append({screen->name(), screen->geometry()});
    const QList<std::optional<QImage>> images = outputImagesForScreens(places, capture.outputs);
    for (qsizetype i = 0; i < images.size(); ++i) {
        if (!images[i]) {
            m_pieces.clear();
            fallBack(QStringLiteral("no output pairs with the screen %1").arg(places[i].name), done);
            return;
        }
        m_pieces.insert(displayNumberForOutputName(places[i].name), *images[i]);
    }
    QStringList sizes;
    for (const auto& output : capture.outputs)
        sizes << QStringLiteral("%1 %2×%3px").arg(output.name).arg(output.image.width()).arg(output.image.height());
    captureDiagnostic(QStringLiteral("📸 Screencopy: %1").arg(sizes.join(QStringLiteral(", "))));
    done(screens.isEmpty() ? Preparation::failed : Preparation::ready);
}

void ScreencopyDisplayCaptureSource::fallBack(const QString& why, const std::function<void(Preparation)>& done)
{
    const bool portal = bool(m_fallback);
    logMessage(LogLevel::warning, [&] {
        return QStringLiteral("⚠️ The compositor's screencopy gave no picture (%1)%2")
            .arg(why, portal ? QStringLiteral("; the desktop portal takes it") : QString());
    });
    if (!m_fallback) {
        done(Preparation::failed);
        return;
    }
    m_fallbackActive = true;
    m_fallback->prepare(done);
}
