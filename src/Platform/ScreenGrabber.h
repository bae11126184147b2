#pragma once

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>

#include <memory>

class XcbConnection;

// Reads the pixels the X server shows in a rectangle of the root window. X never
// draws the pointer into such a grab; compositeCursor adds it where it is wanted.
class ScreenGrabber {
public:
    virtual ~ScreenGrabber() = default;
    // The rectangle's pixels (RGB32, opaque); a null image when the grab failed.
    virtual QImage grab(const QRect& pixelRect) = 0;
};

// Grabs the application's display through a grabber opened on first use. Its shared
// memory is attached on the application's connection, which closes with the
// application: the grabber goes when the application is about to quit.
class ApplicationScreenGrabber {
public:
    ApplicationScreenGrabber() = default;
    ApplicationScreenGrabber(const ApplicationScreenGrabber&) = delete;
    ApplicationScreenGrabber& operator=(const ApplicationScreenGrabber&) = delete;
    ~ApplicationScreenGrabber();

    // The rectangle's pixels; a null image off X11 or when the grab failed.
    QImage grab(const QRect& pixelRect);

private:
    std::unique_ptr<ScreenGrabber> m_grabber;
    QMetaObject::Connection m_quitting;
};

// MIT-SHM GetImage into one reused shared segment, plain GetImage where shared memory
// is missing (a remote display) or refused.
class XcbScreenGrabber final : public ScreenGrabber {
public:
    // useShm false reads through plain GetImage only (as over a remote connection).
    explicit XcbScreenGrabber(XcbConnection& connection, bool useShm = true);
    ~XcbScreenGrabber() override;

    QImage grab(const QRect& pixelRect) override;
    // The same for a rectangle of any window or pixmap on this connection.
    QImage grabDrawable(std::uint32_t drawable, const QRect& pixelRect);

    // Whether the last successful grab went through shared memory.
    bool lastGrabUsedShm() const { return m_lastUsedShm; }

private:
    bool ensureSegment(std::size_t bytes);
    void releaseSegment();
    QImage grabShm(std::uint32_t drawable, const QRect& rect);
    QImage grabPlain(std::uint32_t drawable, const QRect& rect);

    XcbConnection& m_connection;
    bool m_shmFailed = false;
    bool m_lastUsedShm = false;
    int m_shmId = -1;
    void* m_shmAddress = nullptr;
    std::size_t m_shmSize = 0;
    std::uint32_t m_shmSegment = 0;
};

// Paints the current pointer image (XFixes) onto image, whose top-left pixel shows the
// root pixel imageOrigin. Returns false when the pointer image is unavailable.
bool compositeCursor(XcbConnection& connection, QImage& image, const QPoint& imageOrigin);
// The same on the application's display; false off X11.
bool compositeApplicationCursor(QImage& image, const QPoint& imageOrigin);
