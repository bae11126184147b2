#include "Platform/X11WindowImage.h"

#include "Platform/ScreenGrabber.h"
#include "Platform/X11Session.h"
#include "Platform/XcbConnection.h"

#include <QSocketNotifier>

#include <xcb/composite.h>
#include <xcb/damage.h>

#include <poll.h>

#include <algorithm>

namespace {

// A request whose error is the answer: true when the server carried it out.
bool succeeded(xcb_connection_t* c, xcb_void_cookie_t cookie, std::uint8_t* errorCode = nullptr)
{
    const XcbReply<xcb_generic_error_t> error{xcb_request_check(c, cookie)};
    if (!error)
        return true;
    if (errorCode)
        *errorCode = error->error_code;
    return false;
}

} // namespace

X11WindowImageSource::X11WindowImageSource(int quietMs, int capMs, QObject* parent)
    : QObject(parent)
    , m_quietMs(quietMs)
    , m_capMs(capMs)
{
}

X11WindowImageSource::~X11WindowImageSource()
{
    release();
    m_grabber.reset();
}

bool X11WindowImageSource::ensureConnection()
{
    if (m_connection)
        return true;
    if (m_connectionFailed)
        return false;
    m_connectionFailed = true;
    std::unique_ptr<XcbConnection> connection = XcbConnection::open();
    if (!connection)
        return false;
    xcb_connection_t* c = connection->connection();
    const xcb_query_extension_reply_t* composite = xcb_get_extension_data(c, &xcb_composite_id);
    if (!composite || !composite->present)
        return false;
    // Naming a window's pixmap needs Composite 0.2.
    const XcbReply<xcb_composite_query_version_reply_t> compositeVersion{
        xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr)};
    const bool compositeOk
        = compositeVersion && (compositeVersion->major_version > 0 || compositeVersion->minor_version >= 2);
    const std::optional<std::uint8_t> damageEvent = damageNotifyEvent(c);
    if (!compositeOk || !damageEvent)
        return false;
    m_damageEvent = *damageEvent;
    m_connection = std::move(connection);
    m_grabber = std::make_unique<XcbScreenGrabber>(*m_connection);
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(c), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readEvents(); });
    m_connectionFailed = false;
    return true;
}

void X11WindowImageSource::readEvents()
{
    if (!m_connection)
        return;
    xcb_connection_t* c = m_connection->connection();
    bool frameDrawn = false;
    bool clientDrawn = false;
    while (const XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
        // Errors of requests nobody checks (letting go of a window that is gone) end here too.
        if ((event->response_type & 0x7f) == m_damageEvent) {
            const auto* notify = reinterpret_cast<const xcb_damage_notify_event_t*>(event.get());
            frameDrawn = frameDrawn || (m_damage && notify->damage == m_damage);
            clientDrawn = clientDrawn || (m_clientDamage && notify->damage == m_clientDamage);
        }
    }
    if (!frameDrawn && !clientDrawn)
        return;
    // A pause as long as the quiet time ends the frame's first drawing; what the frame
    // draws after that is the window manager's, not the window's.
    if (frameDrawn && m_sinceFrameDrawn.elapsed() >= m_quietMs)
        m_frameSettled = true;
    // Reported once until taken away: taking it re-arms the report. Drawing until the
    // server has taken it away is reported by nobody, so the quiet time counts from
    // then, not from the reading, which a busy machine may have held up for longer.
    if (frameDrawn)
        xcb_damage_subtract(c, m_damage, XCB_NONE, XCB_NONE);
    if (clientDrawn)
        xcb_damage_subtract(c, m_clientDamage, XCB_NONE, XCB_NONE);
    m_connection->sync();
    if (frameDrawn)
        m_sinceFrameDrawn.restart();
    if (clientDrawn)
        m_sinceClientDrawn.restart();
}

std::optional<std::uint32_t> X11WindowImageSource::topLevelFrame(std::uint32_t windowId)
{
    if (!ensureConnection() || windowId == XCB_WINDOW_NONE)
        return std::nullopt;
    xcb_connection_t* c = m_connection->connection();
    const xcb_window_t root = m_connection->root();
    xcb_window_t window = windowId;
    // Window managers nest a client at most a few levels deep; the bound guards a loop.
    for (int depth = 0; depth < 64; ++depth) {
        const XcbReply<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr)};
        if (!tree)
            return std::nullopt;
        const xcb_window_t parent = tree->parent;
        if (parent == root || parent == XCB_WINDOW_NONE)
            return window == root ? std::nullopt : std::optional<std::uint32_t>(window);
        window = parent;
    }
    return std::nullopt;
}

void X11WindowImageSource::prepare(std::uint32_t windowId)
{
    if (windowId == m_preparedWindow && m_frame != 0)
        return;
    release();
    const std::optional<std::uint32_t> frame = topLevelFrame(windowId);
    if (!frame)
        return;
    xcb_connection_t* c = m_connection->connection();
    m_preparedWindow = windowId;
    m_frame = *frame;
    // A compositing manager keeps every window's pixels already.
    if (X11Session::compositorRunning(*m_connection))
        return;
    m_damage = xcb_generate_id(c);
    xcb_damage_create(c, m_damage, m_frame, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    if (windowId != m_frame) {
        m_clientDamage = xcb_generate_id(c);
        xcb_damage_create(c, m_clientDamage, windowId, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    }
    std::uint8_t code = 0;
    m_redirected = succeeded(c, xcb_composite_redirect_window_checked(c, m_frame, XCB_COMPOSITE_REDIRECT_AUTOMATIC),
                             &code);
    // BadAccess: another client keeps the window off screen already (its pixels exist).
    m_frameSettled = false;
    m_sinceFrameDrawn.start();
    m_sinceClientDrawn.start();
    if (!m_redirected && code != XCB_ACCESS) {
        release();
        return;
    }
    xcb_flush(c);
    // Waiting for the reply above may have read the first report of drawing off the
    // socket already; the notifier would not see it again, and the report stays the
    // only one until it is taken.
    readEvents();
}

void X11WindowImageSource::release()
{
    if (m_connection) {
        xcb_connection_t* c = m_connection->connection();
        if (m_damage)
            xcb_damage_destroy(c, m_damage);
        if (m_clientDamage)
            xcb_damage_destroy(c, m_clientDamage);
        if (m_redirected)
            xcb_composite_unredirect_window(c, m_frame, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
        xcb_flush(c);
    }
    m_damage = 0;
    m_clientDamage = 0;
    m_redirected = false;
    m_frame = 0;
    m_preparedWindow = 0;
}

bool X11WindowImageSource::drawn()
{
    // Without a window manager's frame every drawing is the window's own.
    if (!m_clientDamage)
        return m_sinceFrameDrawn.elapsed() >= m_quietMs;
    if (!m_frameSettled && m_sinceFrameDrawn.elapsed() >= m_quietMs)
        m_frameSettled = true;
    return m_frameSettled && m_sinceClientDrawn.elapsed() >= m_quietMs;
}

void X11WindowImageSource::waitUntilDrawn()
{
    if (!m_redirected)
        return;
    xcb_connection_t* c = m_connection->connection();
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        readEvents();
        if (waited.elapsed() >= m_capMs)
            return;
        // Quiet as far as this process has looked; the server may have reported drawing
        // while it was held up since. A round trip brings every report sent until now in.
        if (drawn()) {
            m_connection->sync();
            readEvents();
            if (drawn())
                return;
        }
        const qint64 quiet = !m_clientDamage ? m_sinceFrameDrawn.elapsed()
                                             : std::min(m_frameSettled ? qint64(m_quietMs) : m_sinceFrameDrawn.elapsed(),
                                                        m_sinceClientDrawn.elapsed());
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&fd, 1, int(std::clamp<qint64>(std::min(m_quietMs - quiet, m_capMs - waited.elapsed()), 0, m_capMs)) + 1);
    }
}

WindowImage X11WindowImageSource::capture(std::uint32_t windowId, bool withPointer)
{
    if (!ensureConnection())
        return {{}, WindowImageError::unreadable};
    prepare(windowId);
    if (m_preparedWindow != windowId || !m_frame)
        return {{}, WindowImageError::windowGone};
    waitUntilDrawn();

    xcb_connection_t* c = m_connection->connection();
    const xcb_window_t frame = m_frame;
    const XcbReply<xcb_get_window_attributes_reply_t> attributes{
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, frame), nullptr)};
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    const XcbReply<xcb_get_geometry_reply_t> geometry{xcb_get_geometry_reply(c, xcb_get_geometry(c, frame), nullptr)};
    if (!viewable || !geometry)
        return {{}, WindowImageError::windowGone};
    // The pixmap holds the window with its border; the border is part of what one sees.
    const int border = geometry->border_width;
    const QRect area(0, 0, geometry->width + 2 * border, geometry->height + 2 * border);
    QPoint origin(geometry->x, geometry->y);
    if (const XcbReply<xcb_translate_coordinates_reply_t> onRoot{xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, frame, m_connection->root(), 0, 0), nullptr)})
        origin = QPoint(onRoot->dst_x - border, onRoot->dst_y - border);

    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    std::uint8_t code = 0;
    if (!succeeded(c, xcb_composite_name_window_pixmap_checked(c, frame, pixmap), &code))
        return {{}, code == XCB_WINDOW ? WindowImageError::windowGone : WindowImageError::unreadable};
    QImage image = m_grabber->grabDrawable(pixmap, area);
    xcb_free_pixmap(c, pixmap);
    xcb_flush(c);
    if (image.isNull())
        return {{}, WindowImageError::unreadable};
    if (withPointer)
        compositeCursor(*m_connection, image, origin);
    return {image, std::nullopt};
}
