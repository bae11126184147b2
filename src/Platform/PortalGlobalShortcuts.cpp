#include "Platform/PortalGlobalShortcuts.h"

#include "Base/Logger.h"
#include "Platform/KeyboardMapping.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>

#include <xkbcommon/xkbcommon.h>

namespace {

// One element of the portal's a(sa{sv}) shortcut lists.
struct ShortcutEntry {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const ShortcutEntry& entry)
{
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ShortcutEntry& entry)
{
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(ShortcutEntry)

namespace {

constexpr int kRequestTimeoutMs = 120000;

void registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<ShortcutEntry>();
        qDBusRegisterMetaType<QList<ShortcutEntry>>();
        return true;
    }();
    Q_UNUSED(registered);
}

// The keysym name of a stored key code on a US keyboard ("7", "a", "Return", "F5").
QString keysymName(quint16 keyCode)
{
    static xkb_keymap* keymap = [] {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (!context)
            return static_cast<xkb_keymap*>(nullptr);
        const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
        xkb_keymap* compiled = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        xkb_context_unref(context);
        return compiled;
    }();
    const BuiltinKeyboardMapping us;
    const std::optional<quint32> code = us.x11KeyCode(keyCode);
    if (!keymap || !code)
        return {};
    const xkb_keysym_t* symbols = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, *code, 0, 0, &symbols) < 1)
        return {};
    char name[64];
    if (xkb_keysym_get_name(symbols[0], name, sizeof name) <= 0)
        return {};
    return QString::fromLatin1(name);
}

} // namespace

PortalGlobalShortcuts::PortalGlobalShortcuts(Describe describe, QDBusConnection bus, QObject* parent)
    : KeyGrabber(parent)
    , m_describe(std::move(describe))
    , m_bus(bus)
    , m_request(bus)
{
    registerTypes();
    m_bindSoon.setSingleShot(true);
    connect(&m_bindSoon, &QTimer::timeout, this, &PortalGlobalShortcuts::bind);
    m_bus.connect(DesktopPortal::service, DesktopPortal::objectPath, DesktopPortal::globalShortcutsInterface,
                  QStringLiteral("Activated"), this, SLOT(onActivated(QDBusMessage)));
}

PortalGlobalShortcuts::~PortalGlobalShortcuts()
{
    closeSession();
}

QString PortalGlobalShortcuts::preferredTrigger(quint16 keyCode, quint64 modifierFlags)
{
    const QString key = keysymName(keyCode);
    if (key.isEmpty())
        return {};
    // Lumetra's command is Ctrl, option Alt and control Super (LOGO in the portal's
    // trigger words), as everywhere on Linux.
    QStringList parts = KeyboardMapping::modifierWords(
        modifierFlags, {QStringLiteral("CTRL"), QStringLiteral("ALT"), QStringLiteral("SHIFT"), QStringLiteral("LOGO")});
    parts << key;
    return parts.join(QLatin1Char('+'));
}

KeyGrabResult PortalGlobalShortcuts::grabKey(int id, quint16 keyCode, quint64 modifierFlags)
{
    if (m_unavailable)
        return KeyGrabResult::unavailable;
    Pending pending;
    pending.id = id;
    pending.info = m_describe ? m_describe(id) : PortalShortcutInfo{};
    if (pending.info.name.isEmpty())
        pending.info.name = QString::number(id);
    pending.trigger = preferredTrigger(keyCode, modifierFlags);
    m_pending.append(pending);
    // The keys of one registration arrive one after another: bind them all together.
    m_bindSoon.start(0);
    return KeyGrabResult::grabbed;
}

void PortalGlobalShortcuts::ungrabAll()
{
    m_bindSoon.stop();
    m_pending.clear();
    m_bound.clear();
    m_idsByName.clear();
    if (m_request.isRunning())
        m_request.cancel();
    closeSession();
}

void PortalGlobalShortcuts::bind()
{
    if (m_pending.isEmpty() || m_request.isRunning())
        return;
    // Only the answer to this registration's request may continue it.
    disconnect(&m_request, &PortalRequest::finished, this, nullptr);
    connect(&m_request, &PortalRequest::finished, this, &PortalGlobalShortcuts::sessionCreated);
    QVariantMap options;
    options.insert(QStringLiteral("session_handle_token"), DesktopPortal::newToken());
    m_request.start(DesktopPortal::globalShortcutsInterface, QStringLiteral("CreateSession"), {}, options,
                    kRequestTimeoutMs);
}

void PortalGlobalShortcuts::sessionCreated(const PortalAnswer& answer)
{
    disconnect(&m_request, &PortalRequest::finished, this, nullptr);
    // The handle is an object path, sent as a string by the interface's first versions.
    const QVariant handle = answer.results.value(QStringLiteral("session_handle"));
    m_session = handle.userType() == qMetaTypeId<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                                      : handle.toString();
    if (answer.outcome != PortalAnswer::Outcome::answered || m_session.isEmpty()) {
        m_session.clear();
        endBinding(answer, "CreateSession");
        return;
    }
    QList<ShortcutEntry> shortcuts;
    for (const Pending& pending : std::as_const(m_pending)) {
        ShortcutEntry entry;
        entry.id = pending.info.name;
        entry.properties.insert(QStringLiteral("description"), pending.info.description);
        if (!pending.trigger.isEmpty())
            entry.properties.insert(QStringLiteral("preferred_trigger"), pending.trigger);
        shortcuts.append(entry);
    }
    connect(&m_request, &PortalRequest::finished, this, &PortalGlobalShortcuts::shortcutsBound);
    m_request.start(DesktopPortal::globalShortcutsInterface, QStringLiteral("BindShortcuts"),
                    {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts), QString()}, {},
                    kRequestTimeoutMs);
}

void PortalGlobalShortcuts::shortcutsBound(const PortalAnswer& answer)
{
    disconnect(&m_request, &PortalRequest::finished, this, nullptr);
    if (answer.outcome != PortalAnswer::Outcome::answered) {
        endBinding(answer, "BindShortcuts");
        return;
    }
    QList<ShortcutEntry> bound;
    const QVariant list = answer.results.value(QStringLiteral("shortcuts"));
    if (list.canConvert<QDBusArgument>())
        list.value<QDBusArgument>() >> bound;
    m_bound.clear();
    m_idsByName.clear();
    QStringList described;
    for (const ShortcutEntry& entry : std::as_const(bound)) {
        for (const Pending& pending : std::as_const(m_pending))
            if (pending.info.name == entry.id) {
                const QString trigger = entry.properties.value(QStringLiteral("trigger_description")).toString();
                m_bound.insert(pending.id, trigger);
                m_idsByName.insert(entry.id, pending.id);
                described << entry.id + QStringLiteral(" = ") + (trigger.isEmpty() ? QStringLiteral("?") : trigger);
            }
    }
    m_pending.clear();
    logMessage(LogLevel::info,
               [&] { return QStringLiteral("⌨️ Global shortcuts bound by the desktop: ") + described.join(u", "); });
    emit bindingFinished();
}

void PortalGlobalShortcuts::endBinding(const PortalAnswer& answer, const char* step)
{
    m_pending.clear();
    closeSession();
    if (answer.outcome == PortalAnswer::Outcome::unavailable) {
        const bool news = !m_unavailable;
        m_unavailable = true;
        if (news)
            emit globalKeysOfferChanged();
        logMessage(LogLevel::warning, [&] {
            return QStringLiteral("⌨️ The desktop offers no global shortcuts (%1): bind \"lumetra --capture-area\" "
                                  "and the other capture options in its keyboard settings instead")
                .arg(answer.error);
        });
    } else if (answer.outcome != PortalAnswer::Outcome::cancelled) {
        logMessage(LogLevel::warning, [&] {
            return QStringLiteral("⌨️ The desktop did not bind the global shortcuts (%1 %2)")
                .arg(QLatin1String(step), answer.error.isEmpty() ? QStringLiteral("refused") : answer.error);
        });
    }
    emit bindingFinished();
}

void PortalGlobalShortcuts::closeSession()
{
    if (m_session.isEmpty())
        return;
    m_bus.asyncCall(QDBusMessage::createMethodCall(DesktopPortal::service, m_session, DesktopPortal::sessionInterface,
                                                   QStringLiteral("Close")));
    m_session.clear();
}

void PortalGlobalShortcuts::onActivated(const QDBusMessage& message)
{
    // (session handle, shortcut id, timestamp, options)
    const QList<QVariant> arguments = message.arguments();
    if (m_session.isEmpty() || arguments.size() < 2
        || qvariant_cast<QDBusObjectPath>(arguments[0]).path() != m_session)
        return;
    const QString shortcutId = arguments[1].toString();
    const auto found = m_idsByName.constFind(shortcutId);
    if (found != m_idsByName.constEnd())
        emit keyPressed(*found);
}
