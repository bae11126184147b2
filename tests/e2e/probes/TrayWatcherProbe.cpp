// A tray for the Wayland end-to-end test, started late as a bar may be: it takes the tray
// protocol's watcher name on the session bus, and when an item registers, reads the item's
// icon as a bar would show it. Prints "icon WxH" for the largest frame and exits 0; exits 1
// when no item with an icon registered within the seconds given (default 10).
//   lumetra_tray_watcher_probe [seconds]
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QSize>
#include <QTimer>

#include <cstdio>

namespace {

const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");

// The item's IconPixmap property: a(iiay).
QSize largestIcon(const QDBusMessage& reply)
{
    QSize largest;
    const QVariant value = qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant();
    const QDBusArgument pixmaps = value.value<QDBusArgument>();
    pixmaps.beginArray();
    while (!pixmaps.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray argb;
        pixmaps.beginStructure();
        pixmaps >> width >> height >> argb;
        pixmaps.endStructure();
        if (argb.size() == qsizetype(width) * height * 4 && width > largest.width())
            largest = QSize(width, height);
    }
    pixmaps.endArray();
    return largest;
}

struct Watcher : QDBusVirtualObject {
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() != QLatin1String("RegisterStatusNotifierItem"))
            return connection.send(message.createErrorReply(QDBusError::UnknownMethod, message.member()));
        connection.send(message.createReply());
        // The argument is the item's bus name (its object at the usual path) or a path on the caller.
        const QString named = message.arguments().value(0).toString();
        const bool isPath = named.startsWith(QLatin1Char('/'));
        QDBusMessage get = QDBusMessage::createMethodCall(isPath ? message.service() : named,
                                                          isPath ? named : QStringLiteral("/StatusNotifierItem"),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get.setArguments({QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("IconPixmap")});
        const QDBusMessage reply = connection.call(get, QDBus::Block, 5000);
        const QSize icon = reply.type() == QDBusMessage::ReplyMessage ? largestIcon(reply) : QSize();
        if (icon.isEmpty()) {
            std::fprintf(stderr, "item %s has no icon: %s\n", qPrintable(named), qPrintable(reply.errorMessage()));
            return true;
        }
        std::printf("icon %dx%d\n", icon.width(), icon.height());
        std::fflush(stdout);
        QCoreApplication::exit(0);
        return true;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10;
    QDBusConnection bus = QDBusConnection::sessionBus();
    Watcher watcher;
    if (!bus.registerVirtualObject(QStringLiteral("/StatusNotifierWatcher"), &watcher) || !bus.registerService(watcherName))
        return 2;
    QTimer::singleShot(seconds * 1000, &app, [] { QCoreApplication::exit(1); });
    return app.exec();
}
