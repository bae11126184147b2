#include "Platform/ScreenGrabber.h"

#include "Platform/XcbConnection.h"

#include <QCoreApplication>
#include <QPainter>

#include <xcb/shm.h>
#include <xcb/xfixes.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>

namespace {

// The server's pixels are 32-bit xRGB in the client's byte order on every desktop we
// support (depth 24 or 32); anything else is refused rather than misread.
bool pixelsAreXrgb32(XcbConnection& connection, std::uint8_t depth)
{
    const xcb_setup_t* setup = xcb_get_setup(connection.connection());
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    if (depth != 24 && depth != 32)
        return false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == depth)
            return it.data->bits_per_pixel == 32;
    }
    return false;
}

// Copies rows of xRGB into an opaque RGB32 image (the pad byte is not always 0xff).
QImage opaqueImage(const std::uint8_t* data, std::size_t length, int width, int height)
{
    const std::size_t rowBytes = std::size_t(width) * 4;
    if (length < rowBytes * std::size_t(height))
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < height; ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(data + rowBytes * std::size_t(y));
        auto* dst = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            dst[x] = src[x] | 0xff000000u;
    }
    return image;
}

} // namespace

XcbScreenGrabber::XcbScreenGrabber(XcbConnection& connection, bool useShm)
    : m_connection(connection)
    , m_shmFailed(!useShm)
{
}

XcbScreenGrabber::~XcbScreenGrabber()
{
    releaseSegment();
}

QImage XcbScreenGrabber::grab(const QRect& pixelRect)
{
    return grabDrawable(m_connection.root(), pixelRect);
}

QImage XcbScreenGrabber::grabDrawable(std::uint32_t drawable, const QRect& pixelRect)
{
    if (pixelRect.isEmpty() || !m_connection.screen())
        return {};
    if (!m_shmFailed && m_connection.hasShm()) {
        QImage image = grabShm(drawable, pixelRect);
        if (!image.isNull()) {
            m_lastUsedShm = true;
            return image;
        }
    }
    QImage image = grabPlain(drawable, pixelRect);
    if (!image.isNull())
        m_lastUsedShm = false;
    return image;
}

bool XcbScreenGrabber::ensureSegment(std::size_t bytes)
{
    if (m_shmAddress && m_shmSize >= bytes)
        return true;
    releaseSegment();
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0)
        return false;
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return false;
    }
    xcb_connection_t* c = m_connection.connection();
    const std::uint32_t segment = xcb_generate_id(c);
    const XcbReply<xcb_generic_error_t> error{xcb_request_check(c, xcb_shm_attach_checked(c, segment, std::uint32_t(id), 0))};
    // Marked for removal now: the segment goes away by itself once both sides detach,
    // even if this process dies.
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
        shmdt(address);
        return false;
    }
    m_shmId = id;
    m_shmAddress = address;
    m_shmSize = bytes;
    m_shmSegment = segment;
    return true;
}

void XcbScreenGrabber::releaseSegment()
{
    if (!m_shmAddress)
        return;
    xcb_shm_detach(m_connection.connection(), m_shmSegment);
    xcb_flush(m_connection.connection());
    shmdt(m_shmAddress);
    m_shmAddress = nullptr;
    m_shmSize = 0;
    m_shmId = -1;
}

QImage XcbScreenGrabber::grabShm(std::uint32_t drawable, const QRect& rect)
{
    const std::size_t bytes = std::size_t(rect.width()) * std::size_t(rect.height()) * 4;
    if (!ensureSegment(bytes)) {
        m_shmFailed = true;
        return {};
    }
    xcb_connection_t* c = m_connection.connection();
    xcb_generic_error_t* error = nullptr;
    const XcbReply<xcb_shm_get_image_reply_t> reply{xcb_shm_get_image_reply(
        c,
        xcb_shm_get_image(c, drawable, std::int16_t(rect.x()), std::int16_t(rect.y()),
                          std::uint16_t(rect.width()), std::uint16_t(rect.height()), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, m_shmSegment, 0),
        &error)};
    const XcbReply<xcb_generic_error_t> ownedError{error};
    if (!reply || !pixelsAreXrgb32(m_connection, reply->depth))
        return {};
    return opaqueImage(static_cast<const std::uint8_t*>(m_shmAddress), reply->size, rect.width(), rect.height());
}

QImage XcbScreenGrabber::grabPlain(std::uint32_t drawable, const QRect& rect)
{
    xcb_connection_t* c = m_connection.connection();
    xcb_generic_error_t* error = nullptr;
    const XcbReply<xcb_get_image_reply_t> reply{xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, std::int16_t(rect.x()),
                      std::int16_t(rect.y()), std::uint16_t(rect.width()), std::uint16_t(rect.height()), ~0u),
        &error)};
    const XcbReply<xcb_generic_error_t> ownedError{error};
    if (!reply || !pixelsAreXrgb32(m_connection, reply->depth))
        return {};
    return opaqueImage(xcb_get_image_data(reply.get()), std::size_t(xcb_get_image_data_length(reply.get())),
                       rect.width(), rect.height());
}

ApplicationScreenGrabber::~ApplicationScreenGrabber()
{
    QObject::disconnect(m_quitting);
}

QImage ApplicationScreenGrabber::grab(const QRect& pixelRect)
{
    if (!m_grabber) {
        XcbConnection* x = XcbConnection::application();
        if (!x)
            return {};
        m_grabber = std::make_unique<XcbScreenGrabber>(*x);
        QObject::disconnect(m_quitting);
        m_quitting = QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                                      [this] { m_grabber.reset(); });
    }
    return m_grabber->grab(pixelRect);
}

bool compositeCursor(XcbConnection& connection, QImage& image, const QPoint& imageOrigin)
{
    xcb_connection_t* c = connection.connection();
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!ext || !ext->present || image.isNull())
        return false;
    // XFixes serves a client only once told its version; the answer itself is not needed.
    XcbReply<xcb_xfixes_query_version_reply_t>(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 4, 0), nullptr));
    const XcbReply<xcb_xfixes_get_cursor_image_reply_t> reply{
        xcb_xfixes_get_cursor_image_reply(c, xcb_xfixes_get_cursor_image(c), nullptr)};
    if (!reply)
        return false;
    const int width = reply->width;
    const int height = reply->height;
    const std::uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(reply.get());
    bool drawn = false;
    if (width > 0 && height > 0 && xcb_xfixes_get_cursor_image_cursor_image_length(reply.get()) >= width * height) {
        // XFixes hands out premultiplied ARGB, which is exactly this format.
        QImage cursor(width, height, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < height; ++y)
            std::memcpy(cursor.scanLine(y), pixels + std::size_t(y) * std::size_t(width), std::size_t(width) * 4);
        const QPoint topLeft(reply->x - reply->xhot - imageOrigin.x(), reply->y - reply->yhot - imageOrigin.y());
        QPainter painter(&image);
        painter.drawImage(topLeft, cursor);
        drawn = true;
    }
    return drawn;
}

bool compositeApplicationCursor(QImage& image, const QPoint& imageOrigin)
{
    XcbConnection* x = XcbConnection::application();
    return x && compositeCursor(*x, image, imageOrigin);
}
