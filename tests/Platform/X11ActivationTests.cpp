// What the X11 layer asks of the window manager, read where a window manager reads it:
// a second connection that holds the root window's redirection.
#include "Platform/X11Activation.h"
#include "Platform/XcbConnection.h"

#include "X11TestServer.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>

namespace {

class X11ActivationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!server.connection())
            GTEST_SKIP() << "Xvfb could not be started";
        manager = XcbConnection::open(server.display());
        ASSERT_NE(manager, nullptr);
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(manager->connection(), manager->root(), XCB_CW_EVENT_MASK, &mask);
        xcb_flush(manager->connection());

        xcb_connection_t* c = server.connection()->connection();
        window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, server.connection()->root(), 0, 0, 100, 80, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_flush(c);
    }

    // The next client message the window manager receives, waiting up to 5 s.
    std::optional<xcb_client_message_event_t> nextRequest()
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000) {
            if (xcb_generic_event_t* event = xcb_poll_for_event(manager->connection())) {
                const bool request = (event->response_type & 0x7f) == XCB_CLIENT_MESSAGE;
                std::optional<xcb_client_message_event_t> message;
                if (request)
                    message = *reinterpret_cast<xcb_client_message_event_t*>(event);
                std::free(event);
                if (message)
                    return message;
            }
        }
        return std::nullopt;
    }

    X11TestServer server;
    std::unique_ptr<XcbConnection> manager;
    xcb_window_t window = 0;
};

} // namespace

TEST_F(X11ActivationTest, KeepingAWindowAboveAsksTheWindowManagerToAddAndThenRemoveTheAboveState)
{
    XcbConnection& client = *server.connection();
    const xcb_atom_t state = manager->atom("_NET_WM_STATE");
    const xcb_atom_t above = manager->atom("_NET_WM_STATE_ABOVE");
    // EWMH: action 1 adds, 0 removes; the first property, none second, source 1 (an application).
    for (const bool keep : {true, false}) {
        ::X11Activation::keepAbove(client, window, keep);
        const auto message = nextRequest();
        ASSERT_TRUE(message.has_value()) << "no request for " << keep;
        EXPECT_EQ(message->window, window);
        EXPECT_EQ(message->type, state);
        EXPECT_EQ(message->format, 32);
        EXPECT_EQ(message->data.data32[0], keep ? 1u : 0u);
        EXPECT_EQ(message->data.data32[1], above);
        EXPECT_EQ(message->data.data32[2], 0u);
        EXPECT_EQ(message->data.data32[3], 1u);
    }

    // Activation is asked for as a pager asks (source 2), which focus-stealing prevention lets through.
    ::X11Activation::activate(client, window);
    const auto activation = nextRequest();
    ASSERT_TRUE(activation.has_value());
    EXPECT_EQ(activation->type, manager->atom("_NET_ACTIVE_WINDOW"));
    EXPECT_EQ(activation->window, window);
    EXPECT_EQ(activation->data.data32[0], 2u);
}
