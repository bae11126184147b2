// "Show in Folder": the file manager on the session bus is asked to show the file;
// where none answers, the folder is opened instead. A private dbus-daemon stands in
// for the session bus, with a fake file manager on it.

#include "Platform/FileReveal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

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

class FileRevealTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        bus = std::make_unique<QProcess>();
        bus->start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(bus->waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return bus->canReadLine() || bus->waitForReadyRead(100); }, 5000));
        address = QString::fromUtf8(bus->readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty());
        static int serial = 0;
        ++serial;
        serverName = QStringLiteral("reveal-server-%1").arg(serial);
        clientName = QStringLiteral("reveal-client-%1").arg(serial);
        server = QDBusConnection::connectToBus(address, serverName);
        ASSERT_TRUE(server->isConnected());
        client = QDBusConnection::connectToBus(address, clientName);
        ASSERT_TRUE(client->isConnected());
    }

    void TearDown() override
    {
        if (server)
            QDBusConnection::disconnectFromBus(serverName);
        if (client)
            QDBusConnection::disconnectFromBus(clientName);
        if (bus) {
            bus->kill();
            bus->waitForFinished(5000);
        }
    }

    void offerFileManager()
    {
        ASSERT_TRUE(server->registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManager,
                                           QDBusConnection::ExportScriptableSlots));
        ASSERT_TRUE(server->registerService(QStringLiteral("org.freedesktop.FileManager1")));
    }

    std::unique_ptr<QProcess> bus;
    QString address;
    QString serverName;
    QString clientName;
    std::optional<QDBusConnection> server;
    std::optional<QDBusConnection> client;
    FakeFileManager fileManager;
    QList<QUrl> openedFolders;
};

TEST_F(FileRevealTest, TheFileManagerIsAskedToShowTheFile)
{
    offerFileManager();
    FileReveal::showInFolder(QStringLiteral("/tmp/shots/a b.png"),
                             [this](const QUrl& folder) { openedFolders << folder; }, *client);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fileManager.calls == 1; }, 5000));
    EXPECT_EQ(fileManager.shown, QStringList{QStringLiteral("file:///tmp/shots/a%20b.png")});
    QTest::qWait(100);
    EXPECT_TRUE(openedFolders.isEmpty());
}

TEST_F(FileRevealTest, WithoutAFileManagerTheFolderOpens)
{
    FileReveal::showInFolder(QStringLiteral("/tmp/shots/a.png"),
                             [this](const QUrl& folder) { openedFolders << folder; }, *client);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !openedFolders.isEmpty(); }, 5000));
    EXPECT_EQ(openedFolders, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/shots"))});
    EXPECT_EQ(fileManager.calls, 0);
}

TEST_F(FileRevealTest, WithoutABusTheFolderOpensAtOnce)
{
    const QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                               QStringLiteral("reveal-no-bus"));
    ASSERT_FALSE(none.isConnected());
    FileReveal::showInFolder(QStringLiteral("/tmp/shots/a.png"),
                             [this](const QUrl& folder) { openedFolders << folder; }, none);
    EXPECT_EQ(openedFolders, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/shots"))});
    QDBusConnection::disconnectFromBus(QStringLiteral("reveal-no-bus"));
}

} // namespace

#include "FileRevealTests.moc"
