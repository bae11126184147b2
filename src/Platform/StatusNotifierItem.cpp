#include "Platform/StatusNotifierItem.h"

#include <QAction>
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QTimer>
#include <QtEndian>

namespace {

// One entry of a batch of menu events.
struct ExportedMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

} // namespace

Q_DECLARE_METATYPE(ExportedMenuEvent)

QDBusArgument& operator<<(QDBusArgument& arg, const StatusIconPixmap& pixmap)
{
    arg.beginStructure();
    arg << pixmap.width << pixmap.height << pixmap.argb;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, StatusIconPixmap& pixmap)
{
    arg.beginStructure();
    arg >> pixmap.width >> pixmap.height >> pixmap.argb;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const ExportedMenuItem& item)
{
    arg.beginStructure();
    arg << item.id << item.properties;
    arg.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const ExportedMenuItem& child : item.children)
        arg << QDBusVariant(QVariant::fromValue(child));
    arg.endArray();
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, ExportedMenuItem& item)
{
    arg.beginStructure();
    arg >> item.id >> item.properties;
    arg.beginArray();
    item.children.clear();
    while (!arg.atEnd()) {
        QDBusVariant child;
        arg >> child;
        item.children.append(qdbus_cast<ExportedMenuItem>(child.variant()));
    }
    arg.endArray();
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const ExportedMenuItemProperties& item)
{
    arg.beginStructure();
    arg << item.id << item.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, ExportedMenuItemProperties& item)
{
    arg.beginStructure();
    arg >> item.id >> item.properties;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const ExportedMenuEvent& event)
{
    arg.beginStructure();
    arg << event.id << event.eventId << event.data << event.timestamp;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, ExportedMenuEvent& event)
{
    arg.beginStructure();
    arg >> event.id >> event.eventId >> event.data >> event.timestamp;
    arg.endStructure();
    return arg;
}

namespace {

void registerTypes()
{
    static const bool done = [] {
        qDBusRegisterMetaType<StatusIconPixmap>();
        qDBusRegisterMetaType<QList<StatusIconPixmap>>();
        qDBusRegisterMetaType<ExportedMenuItem>();
        qDBusRegisterMetaType<ExportedMenuItemProperties>();
        qDBusRegisterMetaType<QList<ExportedMenuItemProperties>>();
        qDBusRegisterMetaType<ExportedMenuEvent>();
        qDBusRegisterMetaType<QList<ExportedMenuEvent>>();
        return true;
    }();
    Q_UNUSED(done);
}

// A menu item's text as the tray shows it: "_" marks a mnemonic there, and the keys,
// which a Qt menu keeps in a column after a tab, follow the title.
QString exportedLabel(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    text.replace(QLatin1Char('_'), QStringLiteral("__"));
    text.replace(QLatin1Char('\t'), QStringLiteral("    "));
    return text;
}

} // namespace

// org.kde.StatusNotifierItem: what the tray reads to show the item.
class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ empty)
    Q_PROPERTY(QList<StatusIconPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ empty)
    Q_PROPERTY(QString AttentionIconName READ empty)
    Q_PROPERTY(QString AttentionMovieName READ empty)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
public:
    StatusNotifierItemAdaptor(QObject* object, StatusNotifierItem* item)
        : QDBusAbstractAdaptor(object)
        , m_item(item)
    {
        connect(item, &StatusNotifierItem::iconChanged, this, &StatusNotifierItemAdaptor::NewIcon);
    }
    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("lumetra"); }
    QString title() const { return QStringLiteral("Lumetra"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString empty() const { return {}; }
    QList<StatusIconPixmap> iconPixmap() const { return m_item->iconPixmaps(); }
    // The item is its menu: the tray opens the menu on any click.
    bool itemIsMenu() const { return true; }
    QDBusObjectPath menu() const { return QDBusObjectPath(StatusNotifierItem::menuPath); }

public slots:
    // A tray that shows no menus asks the item to act instead; a Wayland program cannot
    // put a menu at a place on the screen.
    void Activate(int, int) { emit m_item->activatedWithoutMenu(); }
    void SecondaryActivate(int, int) { emit m_item->activatedWithoutMenu(); }
    void ContextMenu(int, int) { emit m_item->activatedWithoutMenu(); }
    void Scroll(int, const QString&) {}

signals:
    void NewTitle();
    void NewIcon();
    void NewStatus(const QString& status);

private:
    StatusNotifierItem* m_item;
};

// com.canonical.dbusmenu: the item's menu, read and clicked by the tray.
class ExportedMenuAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)
public:
    ExportedMenuAdaptor(QObject* object, StatusNotifierItem* item)
        : QDBusAbstractAdaptor(object)
        , m_item(item)
    {
        connect(item, &StatusNotifierItem::layoutUpdated, this, &ExportedMenuAdaptor::LayoutUpdated);
    }
    uint version() const { return 3; }
    QString textDirection() const
    {
        return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl") : QStringLiteral("ltr");
    }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList&, ExportedMenuItem& layout)
    {
        layout = m_item->layout(parentId, recursionDepth);
        return m_item->revision();
    }
    QList<ExportedMenuItemProperties> GetGroupProperties(const QList<int>& ids, const QStringList&)
    {
        QList<ExportedMenuItemProperties> all;
        for (int id : ids) {
            if (m_item->hasItem(id))
                all.append({id, m_item->itemProperties(id)});
        }
        return all;
    }
    QDBusVariant GetProperty(int id, const QString& name) { return QDBusVariant(m_item->itemProperties(id).value(name)); }
    void Event(int id, const QString& eventId, const QDBusVariant&, uint) { m_item->menuEvent(id, eventId); }
    QList<int> EventGroup(const QList<ExportedMenuEvent>& events)
    {
        QList<int> unknown;
        for (const ExportedMenuEvent& event : events) {
            if (m_item->hasItem(event.id))
                m_item->menuEvent(event.id, event.eventId);
            else
                unknown.append(event.id);
        }
        return unknown;
    }
    // The menu is always up to date: nothing to refresh before it shows.
    bool AboutToShow(int) { return false; }
    QList<int> AboutToShowGroup(const QList<int>&, QList<int>& idErrors)
    {
        idErrors.clear();
        return {};
    }

signals:
    void LayoutUpdated(uint revision, int parent);

private:
    StatusNotifierItem* m_item;
};

StatusNotifierItem::StatusNotifierItem(QIcon icon, QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_icon(std::move(icon))
{
    registerTypes();
    static int counter = 0;
    m_service = QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    m_itemObject = new QObject(this);
    new StatusNotifierItemAdaptor(m_itemObject, this);
    m_menuObject = new QObject(this);
    new ExportedMenuAdaptor(m_menuObject, this);
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (!m_shown)
        return;
    m_bus.unregisterObject(itemPath);
    m_bus.unregisterObject(menuPath);
    m_bus.unregisterService(m_service);
}

bool StatusNotifierItem::hostPresent(const QDBusConnection& bus)
{
    QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    return daemon && daemon->isServiceRegistered(watcherService).value();
}

bool StatusNotifierItem::show()
{
    if (m_shown)
        return true;
    if (!m_bus.registerService(m_service)
        || !m_bus.registerObject(itemPath, m_itemObject, QDBusConnection::ExportAdaptors)
        || !m_bus.registerObject(menuPath, m_menuObject, QDBusConnection::ExportAdaptors))
        return false;
    m_shown = true;
    // A tray that (re)starts later has not heard of the item.
    auto* watcher = new QDBusServiceWatcher(watcherService, m_bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &StatusNotifierItem::registerWithWatcher);
    registerWithWatcher();
    return true;
}

void StatusNotifierItem::registerWithWatcher()
{
    QDBusMessage call = QDBusMessage::createMethodCall(watcherService, QStringLiteral("/StatusNotifierWatcher"),
                                                       watcherService, QStringLiteral("RegisterStatusNotifierItem"));
    call.setArguments({m_service});
    m_bus.asyncCall(call);
}

void StatusNotifierItem::setMenu(QMenu* menu)
{
    m_menu = menu;
    m_ids.clear();
    m_actions.clear();
    menuChanged();
}

void StatusNotifierItem::setIcon(const QIcon& icon)
{
    m_icon = icon;
    emit iconChanged();
}

QList<StatusIconPixmap> StatusNotifierItem::iconPixmaps() const
{
    QList<StatusIconPixmap> pixmaps;
    for (const int side : {16, 22, 32, 48}) {
        const QImage image = m_icon.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            continue;
        StatusIconPixmap pixmap{image.width(), image.height(), {}};
        pixmap.argb.resize(qsizetype(image.width()) * image.height() * 4);
        auto* out = reinterpret_cast<quint32*>(pixmap.argb.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *out++ = qToBigEndian(row[x]);
        }
        pixmaps.append(pixmap);
    }
    return pixmaps;
}

int StatusNotifierItem::idForAction(QAction* action)
{
    const auto found = m_ids.constFind(action);
    if (found != m_ids.constEnd())
        return *found;
    const int id = m_nextId++;
    m_ids.insert(action, id);
    m_actions.insert(id, action);
    // A check mark moves, an item is enabled: the tray reads the menu again.
    connect(action, &QAction::changed, this, &StatusNotifierItem::menuChanged, Qt::UniqueConnection);
    return id;
}

QAction* StatusNotifierItem::actionForId(int id) const
{
    return m_actions.value(id);
}

bool StatusNotifierItem::hasItem(int id) const
{
    return id == 0 ? !m_menu.isNull() : actionForId(id) != nullptr;
}

QList<QAction*> StatusNotifierItem::childrenOf(int id) const
{
    if (id == 0)
        return m_menu ? m_menu->actions() : QList<QAction*>();
    QAction* action = actionForId(id);
    return action && action->menu() ? action->menu()->actions() : QList<QAction*>();
}

QVariantMap StatusNotifierItem::itemProperties(int id) const
{
    QVariantMap properties;
    if (id == 0) {
        properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        return properties;
    }
    QAction* action = actionForId(id);
    if (!action)
        return properties;
    if (action->isSeparator()) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return properties;
    }
    properties.insert(QStringLiteral("label"), exportedLabel(action->text()));
    if (!action->isEnabled())
        properties.insert(QStringLiteral("enabled"), false);
    if (!action->isVisible())
        properties.insert(QStringLiteral("visible"), false);
    if (action->isCheckable()) {
        properties.insert(QStringLiteral("toggle-type"), QStringLiteral("checkmark"));
        properties.insert(QStringLiteral("toggle-state"), action->isChecked() ? 1 : 0);
    }
    if (action->menu())
        properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    return properties;
}

ExportedMenuItem StatusNotifierItem::layout(int parentId, int depth) const
{
    ExportedMenuItem item{parentId, itemProperties(parentId), {}};
    if (depth == 0)
        return item;
    auto* self = const_cast<StatusNotifierItem*>(this);
    for (QAction* child : childrenOf(parentId))
        item.children.append(layout(self->idForAction(child), depth < 0 ? -1 : depth - 1));
    return item;
}

void StatusNotifierItem::menuEvent(int id, const QString& eventId)
{
    if (eventId != QLatin1String("clicked"))
        return;
    QPointer<QAction> action = actionForId(id);
    // After the reply: the action may open a window or rebuild this very menu.
    QTimer::singleShot(0, this, [action] {
        if (action && action->isEnabled() && !action->menu())
            action->trigger();
    });
}

void StatusNotifierItem::menuChanged()
{
    ++m_revision;
    emit layoutUpdated(m_revision, 0);
}

#include "StatusNotifierItem.moc"
