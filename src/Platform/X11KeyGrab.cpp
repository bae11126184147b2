#include "Platform/X11KeyGrab.h"

#include "Base/Logger.h"
#include "Platform/KeyboardMapping.h"
#include "Platform/XcbConnection.h"

#include <QCoreApplication>

#include <type_traits>

// The header keeps xcb out of its users with plain integer types of the same size.
static_assert(std::is_same_v<xcb_keycode_t, std::uint8_t> && std::is_same_v<xcb_timestamp_t, std::uint32_t>);

namespace {

constexpr quint16 kLock = XCB_MOD_MASK_LOCK;
constexpr quint16 kNumLock = XCB_MOD_MASK_2;
// The bits a grabbed key's state is compared on: everything a binding can hold, and
// the level-shift modifiers, which no binding holds.
constexpr quint16 kComparedModifiers = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1
                                     | XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;
constexpr uint8_t kBadAccess = 10;
constexpr int kHeldPollMs = 100;

QString describeKey(quint16 keyCode, quint64 flags, const std::optional<QString>& character = std::nullopt)
{
    QStringList parts = KeyboardMapping::modifierWords(
        flags, {QStringLiteral("Ctrl"), QStringLiteral("Alt"), QStringLiteral("Shift"), QStringLiteral("Super")});
    if (character && !character->trimmed().isEmpty())
        parts << character->toUpper();
    else
        parts << KeyboardMapping::xkbKeyName(keyCode).value_or(QStringLiteral("key %1").arg(keyCode));
    return parts.join(QStringLiteral(" + "));
}

} // namespace

const QList<quint16>& X11KeyGrab::ignoredModifierCombinations()
{
    static const QList<quint16> combinations{0, kLock, kNumLock, quint16(kLock | kNumLock)};
    return combinations;
}

std::unique_ptr<X11KeyGrab> X11KeyGrab::forApplication(QObject* parent)
{
    XcbConnection* connection = XcbConnection::application();
    if (!connection)
        return nullptr;
    return std::make_unique<X11KeyGrab>(*connection, KeyboardMapping::shared(), true, parent);
}

X11KeyGrab::X11KeyGrab(XcbConnection& connection, KeyboardMapping& mapping, bool filterApplicationEvents,
                       QObject* parent)
    : KeyGrabber(parent)
    , m_connection(connection)
    , m_mapping(&mapping)
{
    connect(&mapping, &KeyboardMapping::keymapChanged, this, &X11KeyGrab::keymapChanged);
    m_heldPoll.setInterval(kHeldPollMs);
    connect(&m_heldPoll, &QTimer::timeout, this, &X11KeyGrab::pollHeldKeys);
    if (filterApplicationEvents && QCoreApplication::instance()) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        m_filtering = true;
    }
}

X11KeyGrab::~X11KeyGrab()
{
    if (m_filtering && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    ungrabAll();
}

KeyGrabResult X11KeyGrab::grabKey(int id, quint16 keyCode, quint64 modifierFlags)
{
    Grab grab;
    grab.id = id;
    grab.keyCode = keyCode;
    grab.modifierFlags = modifierFlags;
    const KeyGrabResult result = grabOnServer(grab);
    m_grabs.append(grab);
    return result;
}

KeyGrabResult X11KeyGrab::grabOnServer(Grab& grab)
{
    grab.active = false;
    const std::optional<quint32> x11Key = m_mapping ? m_mapping->x11KeyCode(grab.keyCode) : std::nullopt;
    if (!x11Key || *x11Key > 255) {
        Logger::shared().log(LogLevel::warning, [&] {
            return QStringLiteral("⌨️ Global hot key %1: this keyboard has no such key")
                .arg(describeKey(grab.keyCode, grab.modifierFlags));
        });
        return KeyGrabResult::unavailable;
    }
    grab.x11KeyCode = xcb_keycode_t(*x11Key);
    grab.x11Mask = quint16(KeyboardMapping::x11ModifierMask(grab.modifierFlags));

    xcb_connection_t* c = m_connection.connection();
    // Events go to the root even when one of Lumetra's own windows has the focus (with
    // owner events they would go to that window, and the hot key would not fire there).
    QList<xcb_void_cookie_t> cookies;
    for (quint16 extra : ignoredModifierCombinations())
        cookies << xcb_grab_key_checked(c, 0, m_connection.root(), quint16(grab.x11Mask | extra), grab.x11KeyCode,
                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    bool refused = false;
    bool otherError = false;
    for (const xcb_void_cookie_t& cookie : cookies) {
        if (const XcbReply<xcb_generic_error_t> error{xcb_request_check(c, cookie)})
            (error->error_code == kBadAccess ? refused : otherError) = true;
    }
    if (refused || otherError) {
        // Half a grab would fire with NumLock off and not with it on: take it all back.
        ungrabOnServer(grab);
        Logger::shared().log(LogLevel::warning, [&] {
            const QString key = describeKey(grab.keyCode, grab.modifierFlags,
                                            m_mapping ? m_mapping->charactersIgnoringModifiers(grab.x11KeyCode) : std::nullopt);
            return refused ? QStringLiteral("⌨️ Global hot key %1 is held by another program; it will not fire").arg(key)
                           : QStringLiteral("⌨️ Global hot key %1 could not be grabbed").arg(key);
        });
        return refused ? KeyGrabResult::heldByAnotherProgram : KeyGrabResult::unavailable;
    }
    grab.active = true;
    return KeyGrabResult::grabbed;
}

void X11KeyGrab::ungrabOnServer(const Grab& grab)
{
    xcb_connection_t* c = m_connection.connection();
    for (quint16 extra : ignoredModifierCombinations())
        xcb_ungrab_key(c, grab.x11KeyCode, m_connection.root(), quint16(grab.x11Mask | extra));
    xcb_flush(c);
}

void X11KeyGrab::ungrabAll()
{
    for (const Grab& grab : std::as_const(m_grabs)) {
        if (grab.active)
            ungrabOnServer(grab);
    }
    m_grabs.clear();
    m_held.clear();
    m_heldPoll.stop();
}

void X11KeyGrab::keymapChanged()
{
    // Programs announce keymap changes that move no key (a browser does as it starts).
    // Only a grab whose key now sits on another X keycode is made again: between taking
    // a grab back and making it anew, a press goes to the focused window and is lost.
    bool moved = false;
    for (Grab& grab : m_grabs) {
        const std::optional<quint32> x11Key = m_mapping ? m_mapping->x11KeyCode(grab.keyCode) : std::nullopt;
        const auto x11Mask = quint16(KeyboardMapping::x11ModifierMask(grab.modifierFlags));
        if (grab.active && x11Key == std::optional<quint32>(grab.x11KeyCode) && x11Mask == grab.x11Mask)
            continue;
        if (grab.active)
            ungrabOnServer(grab);
        grabOnServer(grab);
        moved = true;
    }
    if (!moved)
        return;
    // Held keys are remembered by their X keycodes, which may mean other keys now.
    m_held.clear();
    logMessage(LogLevel::info, [] { return QStringLiteral("⌨️ The keymap changed: the global hot keys are grabbed again"); });
}

bool X11KeyGrab::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    return handleEvent(message);
}

bool X11KeyGrab::handleEvent(const void* xcbEvent)
{
    const auto* generic = static_cast<const xcb_generic_event_t*>(xcbEvent);
    const uint8_t type = generic->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = static_cast<const xcb_key_press_event_t*>(xcbEvent);

    if (type == XCB_KEY_RELEASE) {
        // The release of a held key may reach another of Lumetra's windows (a capture
        // overlay grabs the keyboard while the key is still down); it ends the hold all
        // the same, and that window still gets its event.
        if (!m_held.removeAll(key->detail))
            return false;
        m_lastReleasedKey = key->detail;
        m_lastReleaseTime = key->time;
        if (m_held.isEmpty())
            m_heldPoll.stop();
        return key->event == m_connection.root();
    }
    if (key->event != m_connection.root())
        return false;

    const quint16 state = key->state & kComparedModifiers;
    // Searched in the order the grabs were made, so that two actions bound to one key
    // always resolve to the first of them.
    for (const Grab& grab : std::as_const(m_grabs)) {
        if (!grab.active || grab.x11KeyCode != key->detail || grab.x11Mask != state)
            continue;
        // Auto-repeat shows as presses without releases (detectable auto-repeat) or as a
        // release and a press with one timestamp; either way the key never came up.
        const bool repeat = m_held.contains(key->detail)
                         || (m_lastReleasedKey == key->detail && m_lastReleaseTime == key->time);
        if (!m_held.contains(key->detail))
            m_held.append(key->detail);
        if (!m_heldPoll.isActive())
            m_heldPoll.start();
        // A hot key that seems not to work is followed here: the press arrived, and
        // whether it counted.
        logMessage(LogLevel::info, [&] {
            return QStringLiteral("⌨️ Global hot key %1 pressed%2")
                .arg(describeKey(grab.keyCode, grab.modifierFlags))
                .arg(repeat ? QStringLiteral(" (held down: a repeat, ignored)") : QString());
        });
        if (!repeat)
            emit keyPressed(grab.id);
        return true;
    }
    logMessage(LogLevel::info, [&] {
        return QStringLiteral("⌨️ Key %1 with modifiers 0x%2 reached the root window but matches no hot key")
            .arg(key->detail)
            .arg(key->state, 0, 16);
    });
    return false;
}

void X11KeyGrab::pollHeldKeys()
{
    xcb_connection_t* c = m_connection.connection();
    const XcbReply<xcb_query_keymap_reply_t> reply{xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr)};
    if (!reply)
        return;
    for (qsizetype i = m_held.size() - 1; i >= 0; --i) {
        const std::uint8_t code = m_held[i];
        if (!(reply->keys[code / 8] & (1u << (code % 8))))
            m_held.removeAt(i);
    }
    if (m_held.isEmpty())
        m_heldPoll.stop();
}
