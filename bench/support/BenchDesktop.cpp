#include "BenchDesktop.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <xcb/xtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace BenchDesktop {

namespace {

constexpr int startTimeoutMs = 10000;

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
        if (condition())
            return true;
        QThread::msleep(10);
    }
    return condition();
}

xcb_window_t selectionOwner(XcbConnection& x, const char* name)
{
    xcb_connection_t* c = x.connection();
    const XcbReply<xcb_get_selection_owner_reply_t> reply{
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, x.atom(name)), nullptr)};
    return reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
}

bool rootHas(XcbConnection& x, const char* property)
{
    xcb_connection_t* c = x.connection();
    const XcbReply<xcb_get_property_reply_t> reply{xcb_get_property_reply(
        c, xcb_get_property(c, 0, x.root(), x.atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 1), nullptr)};
    return reply && reply->type != XCB_NONE;
}

} // namespace

Desktop::Desktop()
{
    auto server = std::make_unique<QProcess>();
    server->setProgram(QStringLiteral("Xvfb"));
    int fds[2];
    if (::pipe(fds) != 0) {
        m_error = QStringLiteral("no pipe");
        return;
    }
    const int writeEnd = fds[1];
    server->setArguments({QStringLiteral("-displayfd"), QString::number(writeEnd), QStringLiteral("-screen"),
                          QStringLiteral("0"), QStringLiteral("1920x1080x24"), QStringLiteral("-nolisten"),
                          QStringLiteral("tcp"), QStringLiteral("-noreset")});
    server->setChildProcessModifier([writeEnd] { ::fcntl(writeEnd, F_SETFD, 0); });
    server->start();
    ::close(writeEnd);
    QByteArray number;
    pollfd fd{fds[0], POLLIN, 0};
    while (::poll(&fd, 1, startTimeoutMs) > 0) {
        char c = 0;
        if (::read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    ::close(fds[0]);
    m_helpers.push_back(std::move(server));
    if (number.isEmpty()) {
        m_error = QStringLiteral("Xvfb reported no display");
        return;
    }
    m_display = QStringLiteral(":") + QString::fromLatin1(number);
    m_x = XcbConnection::open(m_display);
    if (!m_x) {
        m_error = QStringLiteral("cannot connect to ") + m_display;
        return;
    }
    m_helpers.push_back(start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")}, m_dir.path()));
    if (!waitUntil([&] { return rootHas(*m_x, "_NET_SUPPORTING_WM_CHECK"); }, startTimeoutMs)) {
        m_error = QStringLiteral("openbox did not start");
        return;
    }
    m_helpers.push_back(start(QStringLiteral("trayer"),
                              {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                               QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                               QStringLiteral("--height"), QStringLiteral("24"), QStringLiteral("--SetDockType"),
                               QStringLiteral("true")},
                              m_dir.path()));
    if (!waitUntil([&] { return selectionOwner(*m_x, "_NET_SYSTEM_TRAY_S0") != XCB_WINDOW_NONE; },
                   startTimeoutMs)) {
        m_error = QStringLiteral("trayer did not start");
        return;
    }
    xcb_connection_t* c = m_x->connection();
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, m_x->root(), XCB_CW_EVENT_MASK, &mask);
    const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!fixes || !fixes->present) {
        m_error = QStringLiteral("no XFIXES");
        return;
    }
    XcbReply<xcb_xfixes_query_version_reply_t>(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
    m_fixesEvent = fixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
    xcb_xfixes_select_selection_input(c, m_x->root(), m_x->atom("CLIPBOARD"),
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER);
    m_x->sync();
    m_ok = true;
}

Desktop::~Desktop()
{
    m_x.reset();
    for (auto it = m_helpers.rbegin(); it != m_helpers.rend(); ++it)
        if (*it)
            stop(**it);
}

QProcessEnvironment Desktop::environment(const QString& configDir) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("x11"));
    environment.insert(QStringLiteral("LUMETRA_CONFIG_DIR"), configDir);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), configDir);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), configDir);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + configDir + "/no-bus");
    return environment;
}

std::unique_ptr<QProcess> Desktop::start(const QString& program, const QStringList& arguments, const QString& configDir)
{
    auto process = std::make_unique<QProcess>();
    process->setProgram(program);
    process->setArguments(arguments);
    process->setProcessEnvironment(environment(configDir));
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    return process;
}

void Desktop::stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(process.processId()), SIGTERM);
    if (!process.waitForFinished(5000)) {
        ::kill(pid_t(process.processId()), SIGKILL);
        process.waitForFinished(2000);
    }
}

std::optional<Clock::time_point> Desktop::waitFor(const std::function<bool(const xcb_generic_event_t&)>& match,
                                                  int timeoutMs)
{
    xcb_connection_t* c = m_x->connection();
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        while (const XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
            const auto read = Clock::now();
            if (match(*event))
                return read;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0 || xcb_connection_has_error(c))
            return std::nullopt;
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&fd, 1, int(left));
    }
}

QString Desktop::titleOf(xcb_window_t window)
{
    xcb_connection_t* c = m_x->connection();
    for (const xcb_atom_t property : {m_x->atom("_NET_WM_NAME"), xcb_atom_t(XCB_ATOM_WM_NAME)}) {
        const XcbReply<xcb_get_property_reply_t> reply{xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr)};
        if (reply && xcb_get_property_value_length(reply.get()) > 0)
            return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                     xcb_get_property_value_length(reply.get()));
    }
    return {};
}

bool Desktop::insideTray(xcb_window_t window)
{
    xcb_connection_t* c = m_x->connection();
    for (int depth = 0; depth < 16 && window != XCB_WINDOW_NONE && window != m_x->root(); ++depth) {
        const XcbReply<xcb_get_property_reply_t> wmClass{xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr)};
        if (wmClass
            && QByteArray(static_cast<const char*>(xcb_get_property_value(wmClass.get())),
                          xcb_get_property_value_length(wmClass.get()))
                   .contains("trayer"))
            return true;
        const XcbReply<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr)};
        if (!tree)
            return false;
        window = tree->parent;
    }
    return false;
}

std::optional<Clock::time_point> Desktop::waitForMapped(const QString& title, int timeoutMs)
{
    return waitFor(
        [&](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7f) != XCB_MAP_NOTIFY)
                return false;
            const auto& map = reinterpret_cast<const xcb_map_notify_event_t&>(event);
            return titleOf(map.window) == title;
        },
        timeoutMs);
}

std::optional<Clock::time_point> Desktop::waitForDocked(int timeoutMs)
{
    return waitFor(
        [&](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7f) != XCB_REPARENT_NOTIFY)
                return false;
            const auto& reparent = reinterpret_cast<const xcb_reparent_notify_event_t&>(event);
            return insideTray(reparent.parent);
        },
        timeoutMs);
}

std::optional<Clock::time_point> Desktop::waitForClipboardOwner(int timeoutMs)
{
    return waitFor(
        [&](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7f) != m_fixesEvent)
                return false;
            return reinterpret_cast<const xcb_xfixes_selection_notify_event_t&>(event).owner != XCB_WINDOW_NONE;
        },
        timeoutMs);
}

bool Desktop::hasClientTitled(const QString& title)
{
    xcb_connection_t* c = m_x->connection();
    const XcbReply<xcb_get_property_reply_t> list{xcb_get_property_reply(
        c, xcb_get_property(c, 0, m_x->root(), m_x->atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 0, 1024), nullptr)};
    if (!list)
        return false;
    const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
    const int count = xcb_get_property_value_length(list.get()) / 4;
    for (int i = 0; i < count; ++i) {
        if (titleOf(windows[i]) != title)
            continue;
        const XcbReply<xcb_get_window_attributes_reply_t> attributes{
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, windows[i]), nullptr)};
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            return true;
    }
    return false;
}

void Desktop::drain()
{
    m_x->sync();
    while (const XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_x->connection())}) {
    }
}

xcb_keycode_t Desktop::keycode(std::uint32_t keysym)
{
    xcb_connection_t* c = m_x->connection();
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const XcbReply<xcb_get_keyboard_mapping_reply_t> mapping{xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, std::uint8_t(count)), nullptr)};
    if (!mapping)
        return 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int per = mapping->keysyms_per_keycode;
    for (int i = 0; i < count; ++i)
        for (int j = 0; j < per; ++j)
            if (syms[i * per + j] == keysym)
                return xcb_keycode_t(setup->min_keycode + i);
    return 0;
}

Clock::time_point Desktop::sendKeys(const std::vector<std::uint32_t>& keysyms)
{
    xcb_connection_t* c = m_x->connection();
    std::vector<xcb_keycode_t> codes;
    for (const std::uint32_t keysym : keysyms)
        codes.push_back(keycode(keysym));
    Clock::time_point down;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (i + 1 == codes.size()) {
            m_x->sync();
            down = Clock::now();
        }
        xcb_test_fake_input(c, XCB_KEY_PRESS, codes[i], XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(c);
    }
    for (auto it = codes.rbegin(); it != codes.rend(); ++it)
        xcb_test_fake_input(c, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(c);
    return down;
}

void Desktop::movePointer(int x, int y)
{
    xcb_test_fake_input(m_x->connection(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_x->root(), std::int16_t(x),
                        std::int16_t(y), 0);
    m_x->sync();
}

Clock::time_point Desktop::click()
{
    xcb_connection_t* c = m_x->connection();
    m_x->sync();
    const Clock::time_point down = Clock::now();
    xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(c);
    return down;
}

} // namespace BenchDesktop
