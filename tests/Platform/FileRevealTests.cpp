// "Show in Folder": the file manager on the session bus is asked to show the file;
// where none answers, the folder is opened instead. The fake portal's private bus (a
// dbus-daemon that starts no services) stands in for the session bus.

#include "Platform/FileReveal.h"
#include "support/FakeDesktopPortal.h"

#include <QDBusConnection>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
    int calls = 0;

public slots:
    Q_SCRIPTABLE void ShowItems(const QStringList& uris, const QString& startupId)
    {
        ++calls;
        shown = uris;
    }
};

} // namespace

TEST(FileReveal, TheFileManagerIsAskedToShowTheFileAndWithoutOneTheFolderOpens)
{
    FakeFileManager fileManager;
    FakeDesktopPortal bus;
    if (!bus.isReady())
        GTEST_SKIP() << "no private D-Bus daemon could be started (dbus-daemon missing)";
    QList<QUrl> opened;
    const auto open = [&](const QUrl& folder) { opened << folder; };
    FileReveal::showInFolder(QStringLiteral("/tmp/shots/a.png"), open, bus.client());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 5000));
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/shots"))});

    QDBusConnection connection = bus.client();
    ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManager,
                                          QDBusConnection::ExportScriptableSlots));
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    opened.clear();
    FileReveal::showInFolder(QStringLiteral("/tmp/shots/a b.png"), open, connection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fileManager.calls == 1; }, 5000));
    EXPECT_EQ(fileManager.shown, QStringList{QStringLiteral("file:///tmp/shots/a%20b.png")});
    QTest::qWait(100);
    EXPECT_TRUE(opened.isEmpty());
    connection.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
}

TEST(FileReveal, WithoutABusTheFolderOpensAtOnce)
{
    QList<QUrl> opened;
    const QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                               QStringLiteral("reveal-no-bus"));
    ASSERT_FALSE(none.isConnected());
    FileReveal::showInFolder(QStringLiteral("/tmp/shots/a.png"), [&](const QUrl& folder) { opened << folder; }, none);
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/shots"))});
    QDBusConnection::disconnectFromBus(QStringLiteral("reveal-no-bus"));
}

#include "FileRevealTests.moc"
