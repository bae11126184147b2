#pragma once

#include "Platform/DesktopPortal.h"
#include "Platform/KeyGrabber.h"

#include <QDBusMessage>
#include <QHash>
#include <QList>
#include <QString>
#include <QTimer>

#include <functional>

// How a grabbed key is named to the desktop: a stable name, and what it does in the
// user's words (shown in the desktop's shortcut settings).
struct PortalShortcutInfo {
    QString name;
    QString description;
};

// Global keys through the desktop portal's GlobalShortcuts interface, for a Wayland
// session where no program may grab keys itself. The grabs of one registration are
// bound together in a portal session, with Lumetra's keys as preferred triggers; the
// desktop may ask its user and bind other keys. A session binds only once, so releasing
// the keys closes it and the next registration starts a new one. Where the desktop
// offers no GlobalShortcuts, nothing is bound and the capture commands of the command
// line are the way in (bound in the desktop's own keyboard settings).
class PortalGlobalShortcuts final : public KeyGrabber {
    Q_OBJECT
public:
    using Describe = std::function<PortalShortcutInfo(int id)>;

    explicit PortalGlobalShortcuts(Describe describe, QDBusConnection bus = QDBusConnection::sessionBus(),
                                   QObject* parent = nullptr);
    ~PortalGlobalShortcuts() override;

    // Queues the key for the next binding, made once the caller is done grabbing;
    // unavailable once the desktop is known to offer no global shortcuts.
    KeyGrabResult grabKey(int id, quint16 keyCode, quint64 modifierFlags) override;
    void ungrabAll() override;
    bool offersGlobalKeys() const override { return !m_unavailable; }

    // The trigger as the desktop portal writes it for a binding ("CTRL+SHIFT+7");
    // empty for a key code without a key.
    static QString preferredTrigger(quint16 keyCode, quint64 modifierFlags);

    // After a binding: the ids the desktop bound, each with how the desktop says to press it.
    const QHash<int, QString>& boundTriggers() const { return m_bound; }

signals:
    // A binding ended: bound (see boundTriggers), refused or unavailable.
    void bindingFinished();

private:
    struct Pending {
        int id = 0;
        PortalShortcutInfo info;
        QString trigger;
    };

    void bind();
    void sessionCreated(const PortalAnswer& answer);
    void shortcutsBound(const PortalAnswer& answer);
    void endBinding(const PortalAnswer& answer, const char* step);
    void closeSession();

private slots:
    void onActivated(const QDBusMessage& message);

private:
    Describe m_describe;
    QDBusConnection m_bus;
    PortalRequest m_request;
    QTimer m_bindSoon;
    QList<Pending> m_pending;
    QString m_session;
    QHash<int, QString> m_bound;
    QHash<QString, int> m_idsByName;
    bool m_unavailable = false;
};
