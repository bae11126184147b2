#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariantMap>

class QAction;
class QMenu;

// One frame of the item's icon as the tray protocol carries it: ARGB32, network order.
struct StatusIconPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
// One entry of an exported menu and, to the depth asked for, its entries.
struct ExportedMenuItem {
    int id = 0;
    QVariantMap properties;
    QList<ExportedMenuItem> children;
};
struct ExportedMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};

// The status item as the desktop's tray protocol (StatusNotifierItem over D-Bus) has it,
// with its menu exported (com.canonical.dbusmenu) for the tray to show at the item. The
// item says it is a menu, so the tray opens the menu on a click as well as on a right
// click. Used on Wayland, where a program cannot place a menu of its own at the tray.
class StatusNotifierItem : public QObject {
    Q_OBJECT
public:
    static inline const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

    explicit StatusNotifierItem(QIcon icon, QDBusConnection bus = QDBusConnection::sessionBus(),
                                QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // Whether a tray that shows such items runs on the bus.
    static bool hostPresent(const QDBusConnection& bus);

    // Takes the item's bus name and objects and tells the tray; again whenever the tray
    // restarts. False when the bus refuses the name or the objects.
    bool show();
    // The menu the tray shows; its actions are exported as they are whenever it is asked.
    void setMenu(QMenu* menu);
    void setIcon(const QIcon& icon);

    QString serviceName() const { return m_service; }
    static inline const QString itemPath = QStringLiteral("/StatusNotifierItem");
    static inline const QString menuPath = QStringLiteral("/MenuBar");

    // For the adaptors: the item's icon, and the exported menu.
    QList<StatusIconPixmap> iconPixmaps() const;
    ExportedMenuItem layout(int parentId, int depth) const;
    QVariantMap itemProperties(int id) const;
    bool hasItem(int id) const;
    // A click (or other event) on an entry of the tray's menu.
    void menuEvent(int id, const QString& eventId);
    uint revision() const { return m_revision; }

signals:
    // A tray that shows no menus was clicked on the item (it asks the item to act).
    void activatedWithoutMenu();
    void layoutUpdated(uint revision, int parentId);
    void iconChanged();

private:
    void registerWithWatcher();
    QAction* actionForId(int id) const;
    int idForAction(QAction* action);
    QList<QAction*> childrenOf(int id) const;
    void menuChanged();

    QDBusConnection m_bus;
    QIcon m_icon;
    QString m_service;
    QPointer<QMenu> m_menu;
    QHash<QAction*, int> m_ids;
    QHash<int, QPointer<QAction>> m_actions;
    int m_nextId = 1;
    uint m_revision = 1;
    QObject* m_itemObject = nullptr;
    QObject* m_menuObject = nullptr;
    bool m_shown = false;
};

QDBusArgument& operator<<(QDBusArgument& arg, const StatusIconPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& arg, StatusIconPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& arg, const ExportedMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& arg, ExportedMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& arg, const ExportedMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& arg, ExportedMenuItemProperties& item);

Q_DECLARE_METATYPE(StatusIconPixmap)
Q_DECLARE_METATYPE(ExportedMenuItem)
Q_DECLARE_METATYPE(ExportedMenuItemProperties)
