// Key grabs on a real X server (a private Xvfb), driven by xdotool's XTest input.
#include "Platform/KeyboardMappingX11.h"
#include "Platform/X11KeyGrab.h"
#include "Platform/X11TestServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <utility>

namespace {

constexpr quint64 kCtrlShift = KeyboardMapping::commandFlag | KeyboardMapping::shiftFlag;
constexpr quint16 kKey7 = 26;

class X11KeyGrabTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "Xvfb and xdotool are needed";
        server = std::make_unique<X11TestServer>();
        ASSERT_NE(server->connection(), nullptr) << "Xvfb did not start";
        mapping = X11KeyboardMapping::create(server->connection()->connection());
        ASSERT_NE(mapping, nullptr);
        grab = std::make_unique<X11KeyGrab>(*server->connection(), *mapping, false);
        QObject::connect(grab.get(), &KeyGrabber::keyPressed, [this](int id) { pressed << id; });
    }

    bool xdotool(const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), server->display());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral("xdotool"), arguments);
        return process.waitForFinished(5000) && process.exitCode() == 0;
    }

    // Feeds the connection's events to the grab until `count` presses have fired or
    // `ms` have passed (a press that must not come is waited for a shorter while).
    void pump(qsizetype count, int ms = 5000)
    {
        xcb_connection_t* c = server->connection()->connection();
        xcb_flush(c);
        QElapsedTimer timer;
        timer.start();
        while (pressed.size() < count && timer.elapsed() < ms) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
                grab->handleEvent(event);
                std::free(event);
            }
            QThread::msleep(10);
        }
    }

    // Whether another client can grab the key now (and then holds it).
    bool anotherClientGrabs(xcb_keycode_t key, quint16 state)
    {
        if (!other)
            other = XcbConnection::open(server->display());
        xcb_generic_error_t* error = xcb_request_check(
            other->connection(), xcb_grab_key_checked(other->connection(), 1, other->root(), state, key,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }

    std::unique_ptr<X11TestServer> server;
    std::unique_ptr<X11KeyboardMapping> mapping;
    std::unique_ptr<X11KeyGrab> grab;
    std::unique_ptr<XcbConnection> other;
    QList<int> pressed;
};

// The server's keymap with the "7" key (AE07) moved to another X keycode on demand,
// as a layout switch may move a key.
class MovableKeyMapping final : public KeyboardMapping {
public:
    explicit MovableKeyMapping(const KeyboardMapping& real) : real(real) {}
    std::optional<QString> xkbKeyNameForX11KeyCode(quint32 code) const override
    {
        return real.xkbKeyNameForX11KeyCode(code);
    }
    std::optional<quint32> x11KeyCodeForXkbKeyName(const QString& name) const override
    {
        if (name == QLatin1String("AE07") && movedTo)
            return movedTo;
        return lookUp(name);
    }
    std::optional<QString> charactersIgnoringModifiers(quint32 code) const override
    {
        return real.charactersIgnoringModifiers(code);
    }
    void move(quint32 code)
    {
        movedTo = code;
        emit keymapChanged();
    }
    // A change that moves no key, with `duringLookup` run while it is being handled.
    void announceWithoutMoving(std::function<void()> duringLookup)
    {
        m_duringLookup = std::move(duringLookup);
        emit keymapChanged();
        m_duringLookup = nullptr;
    }
    const KeyboardMapping& real;
    std::optional<quint32> movedTo;

private:
    std::optional<quint32> lookUp(const QString& name) const
    {
        if (std::function<void()> run = std::exchange(m_duringLookup, nullptr))
            run();
        return real.x11KeyCodeForXkbKeyName(name);
    }
    mutable std::function<void()> m_duringLookup;
};

xcb_key_press_event_t keyEvent(uint8_t type, xcb_keycode_t key, quint16 state, xcb_timestamp_t time, xcb_window_t root)
{
    xcb_key_press_event_t event{};
    event.response_type = type;
    event.detail = key;
    event.state = state;
    event.time = time;
    event.root = root;
    event.event = root;
    return event;
}

} // namespace

TEST_F(X11KeyGrabTest, AGrabbedKeyFiresWhateverTheLockState)
{
    ASSERT_EQ(grab->grabKey(1, kKey7, kCtrlShift), KeyGrabResult::grabbed);
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+7")}));
    pump(1);
    EXPECT_EQ(pressed, QList<int>{1});

    // Other modifiers do not fire it.
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+7")}));
    pump(2, 400);
    EXPECT_EQ(pressed, QList<int>{1});

    // NumLock and CapsLock on: still fires.
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock"), QStringLiteral("Caps_Lock")}));
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+7")}));
    pump(2);
    EXPECT_EQ(pressed, (QList<int>{1, 1}));

    // After ungrabbing, the key is the focused window's again.
    grab->ungrabAll();
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+7")}));
    pump(3, 400);
    EXPECT_EQ(pressed, (QList<int>{1, 1}));
}

TEST_F(X11KeyGrabTest, AutoRepeatFiresOnceAndTheFirstGrabOfAKeyWins)
{
    ASSERT_EQ(grab->grabKey(1, kKey7, kCtrlShift), KeyGrabResult::grabbed);
    // A second action bound to the same key (from hand-edited settings).
    grab->grabKey(3, kKey7, kCtrlShift);
    const xcb_window_t root = server->connection()->root();
    const auto key = xcb_keycode_t(*mapping->x11KeyCode(kKey7));
    const quint16 state = quint16(KeyboardMapping::x11ModifierMask(kCtrlShift)) | XCB_MOD_MASK_2;

    auto press = keyEvent(XCB_KEY_PRESS, key, state, 1000, root);
    auto repeatPress = keyEvent(XCB_KEY_PRESS, key, state, 1030, root);
    auto release = keyEvent(XCB_KEY_RELEASE, key, state, 1060, root);
    auto repeatAfterRelease = keyEvent(XCB_KEY_PRESS, key, state, 1060, root);
    auto finalRelease = keyEvent(XCB_KEY_RELEASE, key, state, 1200, root);
    auto nextPress = keyEvent(XCB_KEY_PRESS, key, state, 1500, root);

    // Detectable auto-repeat: presses without releases.
    EXPECT_TRUE(grab->handleEvent(&press));
    EXPECT_TRUE(grab->handleEvent(&repeatPress));
    // Classic auto-repeat: a release and a press with the same time.
    EXPECT_TRUE(grab->handleEvent(&release));
    EXPECT_TRUE(grab->handleEvent(&repeatAfterRelease));
    EXPECT_TRUE(grab->handleEvent(&finalRelease));
    EXPECT_EQ(pressed, QList<int>{1});

    // A real second press fires again.
    EXPECT_TRUE(grab->handleEvent(&nextPress));
    EXPECT_EQ(pressed, (QList<int>{1, 1}));

    // Events of other windows are not the grab's...
    auto elsewhere = keyEvent(XCB_KEY_PRESS, key, state, 2000, root);
    elsewhere.event = root + 1;
    EXPECT_FALSE(grab->handleEvent(&elsewhere));

    // ...but a release there (a capture overlay took the keyboard while the key was
    // down) still ends the hold, so the next press fires.
    auto releaseOnOverlay = keyEvent(XCB_KEY_RELEASE, key, state, 3100, root);
    releaseOnOverlay.event = root + 1;
    auto third = keyEvent(XCB_KEY_PRESS, key, state, 3500, root);
    EXPECT_FALSE(grab->handleEvent(&releaseOnOverlay));
    EXPECT_TRUE(grab->handleEvent(&third));
    EXPECT_EQ(pressed, (QList<int>{1, 1, 1}));
}

TEST_F(X11KeyGrabTest, AReleaseThatNeverArrivesDoesNotSwallowTheNextPress)
{
    ASSERT_EQ(grab->grabKey(1, kKey7, kCtrlShift), KeyGrabResult::grabbed);
    const xcb_window_t root = server->connection()->root();
    const auto key = xcb_keycode_t(*mapping->x11KeyCode(kKey7));
    const quint16 state = quint16(KeyboardMapping::x11ModifierMask(kCtrlShift));
    // The server never saw these presses: the key is up there, as after a release
    // that went to another program.
    auto first = keyEvent(XCB_KEY_PRESS, key, state, 1000, root);
    auto second = keyEvent(XCB_KEY_PRESS, key, state, 9000, root);
    EXPECT_TRUE(grab->handleEvent(&first));
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 400)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(grab->handleEvent(&second));
    EXPECT_EQ(pressed, (QList<int>{1, 1}));
}

TEST_F(X11KeyGrabTest, ANewKeymapMovesTheGrabToTheKeysNewCode)
{
    MovableKeyMapping movable(*mapping);
    X11KeyGrab moving(*server->connection(), movable, false);
    QList<int> fired;
    QObject::connect(&moving, &KeyGrabber::keyPressed, [&](int id) { fired << id; });
    ASSERT_EQ(moving.grabKey(1, kKey7, kCtrlShift), KeyGrabResult::grabbed);

    const xcb_window_t root = server->connection()->root();
    const auto oldCode = xcb_keycode_t(*mapping->x11KeyCode(kKey7));
    const auto newCode = xcb_keycode_t(*mapping->x11KeyCode(28)); // where "8" sits
    const quint16 state = quint16(KeyboardMapping::x11ModifierMask(kCtrlShift));
    movable.move(newCode);

    auto oldPress = keyEvent(XCB_KEY_PRESS, oldCode, state, 100, root);
    auto newPress = keyEvent(XCB_KEY_PRESS, newCode, state, 200, root);
    EXPECT_FALSE(moving.handleEvent(&oldPress));
    EXPECT_TRUE(moving.handleEvent(&newPress));
    EXPECT_EQ(fired, QList<int>{1});

    // The server-side grab moved too: another client can now take the old key, but not
    // the new one.
    EXPECT_TRUE(anotherClientGrabs(oldCode, state));
    EXPECT_FALSE(anotherClientGrabs(newCode, state));
}

TEST_F(X11KeyGrabTest, AKeymapChangeThatMovesNoKeyLosesNoPressWhileItIsHandled)
{
    MovableKeyMapping announcing(*mapping);
    X11KeyGrab steady(*server->connection(), announcing, false);
    QList<int> fired;
    QObject::connect(&steady, &KeyGrabber::keyPressed, [&](int id) { fired << id; });
    ASSERT_EQ(steady.grabKey(1, kKey7, kCtrlShift), KeyGrabResult::grabbed);

    // The user presses the key while the change is being handled, after all that was
    // sent on the grab's connection so far has reached the server.
    xcb_connection_t* c = server->connection()->connection();
    announcing.announceWithoutMoving([&] {
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        EXPECT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+7")}));
    });
    xcb_flush(c);
    QElapsedTimer timer;
    timer.start();
    while (fired.isEmpty() && timer.elapsed() < 3000) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            steady.handleEvent(event);
            std::free(event);
        }
        QThread::msleep(10);
    }
    EXPECT_EQ(fired, QList<int>{1}) << "the press went to the focused window while the grab was made again";
}
