#include "AppTestSupport.h"

#include "App/Appcast.h"
#include "Core/Localization.h"
#include "App/UpdaterController.h"
#include "Core/Settings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QLabel>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <compare>

namespace {

// A loopback HTTP/1.1 server answering GET requests from a table of paths.
class LoopbackHttpServer : public QObject {
public:
    struct Response {
        int status = 200;
        QByteArray body;
        bool silent = false; // accepts the request and never answers
        int dripMs = 0;      // sends the body a byte at a time, this far apart
    };

    LoopbackHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                auto buffer = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                    buffer->append(socket->readAll());
                    if (!buffer->contains("\r\n\r\n"))
                        return;
                    const QList<QByteArray> requestLine = buffer->left(buffer->indexOf("\r\n")).split(' ');
                    const QString path = requestLine.size() > 1 ? QString::fromLatin1(requestLine[1]) : QString();
                    requests << path;
                    const Response response = responses.value(path, Response{404, "not found"});
                    if (response.silent)
                        return;
                    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status)
                                    + (response.status == 200 ? " OK" : " Error") + "\r\nContent-Length: "
                                    + QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n\r\n";
                    if (response.dripMs > 0) {
                        socket->write(head);
                        auto* drip = new QTimer(socket);
                        auto sent = std::make_shared<qsizetype>(0);
                        QObject::connect(drip, &QTimer::timeout, socket, [socket, sent, body = response.body] {
                            if (*sent < body.size())
                                socket->write(body.mid((*sent)++, 1));
                        });
                        drip->start(response.dripMs);
                        return;
                    }
                    socket->write(head + response.body);
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

    QHash<QString, Response> responses;
    QStringList requests;

private:
    QTcpServer m_server;
};

class RecordingDriver final : public UpdaterUserDriver {
public:
    void showUpToDate(const QString& version) override { shown << QStringLiteral("upToDate ") + version; }
    void showUpdateAvailable(const AppcastItem& item) override { shown << QStringLiteral("available ") + item.displayVersion; }
    void showUpdateDownloaded(const AppcastItem& item, const QString& path) override
    {
        shown << QStringLiteral("downloaded ") + item.displayVersion;
        savedPath = path;
    }
    void showError(const QString& message) override { shown << QStringLiteral("error ") + message; }
    void showNoFeed() override { shown << QStringLiteral("noFeed"); }
    QStringList shown;
    QString savedPath;
};

QByteArray feed(const QString& body)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
                           "<channel><title>Lumetra</title>")
            + body + QStringLiteral("</channel></rss>"))
        .toUtf8();
}

QString item(const QString& version, const QString& url, const QString& extra = {})
{
    return QStringLiteral("<item><title>Version %1</title><description>Notes for %1</description>"
                          "<enclosure url=\"%2\" sparkle:version=\"%1\" length=\"%3\" type=\"application/octet-stream\"/>%4</item>")
        .arg(version, url)
        .arg(extra.isEmpty() ? 7 : 0)
        .arg(extra);
}

} // namespace

TEST(AppcastVersions, CompareAsReleasesDo)
{
    // Each pair in ascending order, or equal; numbers longer than any integer type still
    // compare by value.
    const std::tuple<const char*, const char*, int> cases[] = {
        {"1.9", "1.10", -1}, {"1.99.99", "2.0", -1}, {"1.0", "1.0.0", 0}, {"v1.2.0", "1.2", 0}, {"1.0", "1.0.1", -1},
        {"1.0b1", "1.0", -1}, {"1.0b1", "1.0b2", -1}, {"1.0a", "1.0.1", -1}, {"1.0-beta", "1.0-rc", -1},
        {"1.99999999999999999999", "1.100000000000000000000", -1}, {"1.007", "1.7", 0}};
    for (const auto& [a, b, order] : cases) {
        EXPECT_EQ(Appcast::compareVersions(QString::fromLatin1(a), QString::fromLatin1(b)) <=> 0, order <=> 0) << a << " " << b;
        EXPECT_EQ(Appcast::compareVersions(QString::fromLatin1(b), QString::fromLatin1(a)) <=> 0, 0 <=> order) << b << " " << a;
    }
}

TEST(AppcastFeed, ParsesItemsAndSkipsUnusableOnes)
{
    const QByteArray xml = feed(
        item(QStringLiteral("1.2.0"), QStringLiteral("https://example.org/Lumetra-1.2.0.tar.gz"),
             QStringLiteral("<sparkle:releaseNotesLink>https://example.org/notes</sparkle:releaseNotesLink>"))
        // A version given as elements, with a short display version.
        + QStringLiteral("<item><title>Two</title><sparkle:version>205</sparkle:version>"
                         "<sparkle:shortVersionString>2.0.5</sparkle:shortVersionString>"
                         "<enclosure url=\"https://example.org/two.tar.gz\" length=\"12\"/></item>")
        // No version, a file address, a script address: skipped.
        + QStringLiteral("<item><title>No version</title><enclosure url=\"https://example.org/x\"/></item>")
        + item(QStringLiteral("3.0"), QStringLiteral("file:///etc/passwd"))
        + item(QStringLiteral("3.1"), QStringLiteral("javascript:alert(1)")));
    QString error;
    const auto items = Appcast::parse(xml, &error);
    ASSERT_TRUE(items.has_value()) << error.toStdString();
    ASSERT_EQ(items->size(), 2);
    EXPECT_EQ(std::pair(items->at(0).version, items->at(0).title), std::pair(QStringLiteral("1.2.0"), QStringLiteral("Version 1.2.0")));
    EXPECT_EQ(items->at(0).releaseNotesUrl, QUrl(QStringLiteral("https://example.org/notes")));
    EXPECT_EQ(std::tuple(items->at(1).version, items->at(1).displayVersion, items->at(1).length),
              std::tuple(QStringLiteral("205"), QStringLiteral("2.0.5"), qint64(12)));

    // The newest update is the highest newer version.
    EXPECT_EQ(Appcast::newestUpdate(*items, QStringLiteral("1.0"))->version, QStringLiteral("205"));
    EXPECT_FALSE(Appcast::newestUpdate(*items, QStringLiteral("205")).has_value());
    EXPECT_FALSE(Appcast::newestUpdate({}, QStringLiteral("1.0")).has_value());

    EXPECT_FALSE(Appcast::parse("<html><body>not a feed</body></html>").has_value());
    EXPECT_FALSE(Appcast::parse(feed(QStringLiteral("<item><title>cut")).left(120)).has_value());
    EXPECT_FALSE(Appcast::parse(QByteArray()).has_value());
}

class UpdaterTest : public ::testing::Test {
protected:
    UpdaterTest() : defaults(dir.filePath(QStringLiteral("settings.ini"))) {}

    std::unique_ptr<UpdaterController> make(const QString& currentVersion, const QUrl& feedUrl = {})
    {
        auto updater = std::make_unique<UpdaterController>(feedUrl.isEmpty() ? http.url(QStringLiteral("/appcast.xml")) : feedUrl,
                                                           currentVersion, defaults, &driver);
        updater->setDownloadFolder(dir.filePath(QStringLiteral("downloads")));
        QObject::connect(updater.get(), &UpdaterController::checkFinished,
                         [this](UpdaterController::Outcome outcome) { outcomes << outcome; });
        return updater;
    }

    QTemporaryDir dir;
    UserDefaults defaults;
    LoopbackHttpServer http;
    RecordingDriver driver;
    QList<UpdaterController::Outcome> outcomes;
};

TEST_F(UpdaterTest, CheckOnRequestReportsUpToDateOrTheNewerVersion)
{
    http.responses.insert(QStringLiteral("/appcast.xml"),
                          {200, feed(item(QStringLiteral("1.4.0"), http.url(QStringLiteral("/Lumetra-1.4.0.tar.gz")).toString()))});
    auto updater = make(QStringLiteral("1.4"));
    updater->checkForUpdates();
    ASSERT_TRUE(spinUntil([&] { return !outcomes.isEmpty(); }));
    EXPECT_EQ(outcomes.last(), UpdaterController::Outcome::upToDate);
    EXPECT_EQ(driver.shown, QStringList{QStringLiteral("upToDate 1.4")});
    EXPECT_TRUE(defaults.string(Settings::lastUpdateCheckTime.name()).has_value());

    auto older = make(QStringLiteral("1.3.9"));
    driver.shown.clear();
    older->checkForUpdates();
    ASSERT_TRUE(spinUntil([&] { return outcomes.size() == 2; }));
    EXPECT_EQ(outcomes.last(), UpdaterController::Outcome::updateAvailable);
    EXPECT_EQ(driver.shown, QStringList{QStringLiteral("available 1.4.0")});
}

TEST_F(UpdaterTest, BackgroundChecksStayQuietUnlessThereIsSomethingNew)
{
    auto updater = make(QStringLiteral("1.0"));
    // A missing feed: the failure is logged, nobody is interrupted.
    updater->checkInBackground();
    ASSERT_TRUE(spinUntil([&] { return !outcomes.isEmpty(); }));
    EXPECT_EQ(outcomes.last(), UpdaterController::Outcome::failed);
    EXPECT_TRUE(driver.shown.isEmpty());

    // The same failure on request is shown.
    updater->checkForUpdates();
    ASSERT_TRUE(spinUntil([&] { return outcomes.size() == 2; }));
    ASSERT_EQ(driver.shown.size(), 1);
    EXPECT_TRUE(driver.shown.first().startsWith(QStringLiteral("error ")));

    http.responses.insert(QStringLiteral("/appcast.xml"), {200, feed(item(QStringLiteral("1.0"), QStringLiteral("https://example.org/a")))});
    driver.shown.clear();
    updater->checkInBackground();
    ASSERT_TRUE(spinUntil([&] { return outcomes.size() == 3; }));
    EXPECT_EQ(outcomes.last(), UpdaterController::Outcome::upToDate);
    EXPECT_TRUE(driver.shown.isEmpty());

    // A build without a feed address says so on request only.
    UpdaterController withoutFeed(QUrl(), QStringLiteral("1.0"), defaults, &driver);
    withoutFeed.checkInBackground();
    QCoreApplication::processEvents();
    EXPECT_TRUE(driver.shown.isEmpty());
    withoutFeed.checkForUpdates();
    EXPECT_EQ(driver.shown, QStringList{QStringLiteral("noFeed")});
}

TEST_F(UpdaterTest, AutomaticDownloadSavesTheUpdateAndSaysWhereButInstallsNothing)
{
    http.responses.insert(QStringLiteral("/appcast.xml"),
                          {200, feed(item(QStringLiteral("2.0"), http.url(QStringLiteral("/Lumetra-2.0.tar.gz")).toString()))});
    http.responses.insert(QStringLiteral("/Lumetra-2.0.tar.gz"), {200, "PAYLOAD"});
    auto updater = make(QStringLiteral("1.0"));
    updater->setAutomaticallyDownloadsUpdates(true);
    updater->checkInBackground();
    ASSERT_TRUE(spinUntil([&] { return !outcomes.isEmpty(); }));
    EXPECT_EQ(outcomes.last(), UpdaterController::Outcome::downloaded);
    EXPECT_EQ(driver.shown, QStringList{QStringLiteral("downloaded 2.0")});
    EXPECT_EQ(driver.savedPath, QDir(dir.filePath(QStringLiteral("downloads"))).filePath(QStringLiteral("Lumetra-2.0.tar.gz")));
    QFile saved(driver.savedPath);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("PAYLOAD"));
    EXPECT_FALSE(saved.permissions() & QFileDevice::ExeOwner);
    saved.close();

    // The name is taken now: the next download takes a free one and leaves this file be.
    updater->checkInBackground();
    ASSERT_TRUE(spinUntil([&] { return outcomes.size() == 2; }));
    const QString first = QDir(dir.filePath(QStringLiteral("downloads"))).filePath(QStringLiteral("Lumetra-2.0.tar.gz"));
    EXPECT_EQ(driver.savedPath, QDir(dir.filePath(QStringLiteral("downloads"))).filePath(QStringLiteral("Lumetra-2.0 (2).tar.gz")));
    EXPECT_TRUE(QFile::exists(first));
    QFile::remove(first);

}

TEST_F(UpdaterTest, OnlyHttpsIsFetchedAndOnlyWhatMatchesTheFeedIsKept)
{
    // Loopback stands in for an HTTPS server; a plain http address elsewhere is refused
    // before anything is fetched from it, as is a download that is not the announced file.
    const auto sha256 = [](const char* bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(); };
    const QString download = http.url(QStringLiteral("/Lumetra-2.0.tar.gz")).toString();
    const QString plain = QStringLiteral("http://updates.example.org/");
    struct Case {
        QString feedUrl, url, attributes;
        QByteArray body;
        const char* shownKey; // null: kept
        QString shownArgument = QStringLiteral("2.0");
    };
    const Case cases[] {
        {plain + "appcast.xml", download, "length=\"7\"", "PAYLOAD", "update.error.insecure", plain + "appcast.xml"},
        {{}, plain + "Lumetra-2.0.tar.gz", "length=\"7\"", "PAYLOAD", "update.error.insecure", plain + "Lumetra-2.0.tar.gz"},
        {{}, download, "length=\"7\"", "PAY", "update.error.incomplete"},
        {{}, download, "length=\"7\"", "PAYLOAD!", "update.error.mismatch"},
        {{}, download, {}, "PAYLOAD", "update.error.mismatch"},
        {{}, download, "length=\"7\" sparkle:sha256=\"" + sha256("OTHER") + '"', "PAYLOAD", "update.error.mismatch"},
        {{}, download, "length=\"7\" sha256=\"" + sha256("PAYLOAD").toUpper() + '"', "PAYLOAD", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.url + c.attributes + c.body).toStdString());
        http.requests.clear();
        http.responses.insert(QStringLiteral("/appcast.xml"),
                              {200, feed(QStringLiteral("<item><title>2.0</title><enclosure url=\"%1\" sparkle:version=\"2.0\" %2/></item>")
                                             .arg(c.url, c.attributes))});
        http.responses.insert(QStringLiteral("/Lumetra-2.0.tar.gz"), {200, c.body});
        auto updater = make(QStringLiteral("1.0"), QUrl(c.feedUrl));
        updater->setAutomaticallyDownloadsUpdates(true);
        outcomes.clear();
        updater->checkInBackground();
        ASSERT_TRUE(spinUntil([&] { return !outcomes.isEmpty(); }));
        const QDir downloads(dir.filePath(QStringLiteral("downloads")));
        const QStringList kept = downloads.entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(outcomes.last(), c.shownKey ? UpdaterController::Outcome::failed : UpdaterController::Outcome::downloaded);
        EXPECT_EQ(updater->lastFailure(), c.shownKey ? localizedFormat(QString::fromLatin1(c.shownKey), {c.shownArgument}) : QString());
        EXPECT_EQ(kept, c.shownKey ? QStringList() : QStringList{QStringLiteral("Lumetra-2.0.tar.gz")});
        QFile::remove(downloads.filePath(kept.value(0)));
        if (c.url.startsWith(plain) || c.feedUrl.startsWith(plain))
            EXPECT_FALSE(http.requests.contains(QStringLiteral("/Lumetra-2.0.tar.gz")));
    }
}

TEST_F(UpdaterTest, DailyCheckRunsOnlyWhenADayHasPassed)
{
    http.responses.insert(QStringLiteral("/appcast.xml"), {200, feed(QString())});
    auto updater = make(QStringLiteral("1.0"));
    QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    updater->setClock([&] { return now; });

    // Off: never checks.
    updater->checkIfDue();
    QCoreApplication::processEvents();
    EXPECT_TRUE(http.requests.isEmpty());

    updater->setAutomaticallyChecksForUpdates(true);
    ASSERT_TRUE(spinUntil([&] { return outcomes.size() == 1; }));
    EXPECT_EQ(http.requests.size(), 1);

    now = now.addSecs(23 * 3600);
    updater->checkIfDue();
    QCoreApplication::processEvents();
    EXPECT_EQ(http.requests.size(), 1);

    now = now.addSecs(3600);
    updater->checkIfDue();
    ASSERT_TRUE(spinUntil([&] { return outcomes.size() == 2; }));
    EXPECT_EQ(http.requests.size(), 2);

    updater->setAutomaticallyChecksForUpdates(false);
    now = now.addDays(3);
    updater->checkIfDue();
    QCoreApplication::processEvents();
    EXPECT_EQ(http.requests.size(), 2);
}

TEST_F(UpdaterTest, ASilentOrCreepingServerRunsIntoTheDeadlineAndIsToldSo)
{
    const QString feedPath = QStringLiteral("/appcast.xml");
    const QByteArray newer = feed(item(QStringLiteral("2.0"), http.url(QStringLiteral("/Lumetra-2.0.tar.gz")).toString()));
    struct Case {
        const char* name;
        LoopbackHttpServer::Response feed;
        LoopbackHttpServer::Response download;
    };
    const Case cases[] {
        {"silent feed", {200, newer, true, 0}, {}},
        {"feed a byte at a time", {200, newer, false, 300}, {}},
        {"download a byte at a time", {200, newer}, {200, "PAYLOAD", false, 300}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        http.responses.insert(feedPath, c.feed);
        http.responses.insert(QStringLiteral("/Lumetra-2.0.tar.gz"), c.download);
        auto updater = make(QStringLiteral("1.0"));
        updater->setDeadlines(1500, 1500);
        updater->setAutomaticallyDownloadsUpdates(true);
        outcomes.clear();
        driver.shown.clear();
        // A background check, so that the automatic download runs; a user's check would
        // only offer it.
        if (QByteArray(c.name).startsWith("download"))
            updater->checkInBackground();
        else
            updater->checkForUpdates();
        ASSERT_TRUE(spinUntil([&] { return !outcomes.isEmpty(); }, 8000));
        EXPECT_EQ(outcomes.last(), UpdaterController::Outcome::failed);
        EXPECT_EQ(updater->lastFailure(), localized(QStringLiteral("update.error.timedOut")));
        EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("downloads"))).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
    // Quitting during a check reports nothing.
    http.responses.insert(feedPath, {200, newer, true, 0});
    driver.shown.clear();
    auto updater = make(QStringLiteral("1.0"));
    updater->checkForUpdates();
    spinUntil([] { return false; }, 200);
    updater.reset();
    EXPECT_TRUE(driver.shown.isEmpty());
}

TEST(UpdaterDialog, TheFeedsDescriptionIsShownAsPlainText)
{
    AppcastItem item;
    item.displayVersion = QStringLiteral("2.0");
    item.description = QStringLiteral("<b>New</b> <a href=\"https://example.org/x\">click here</a>");
    const auto box = DialogUpdaterUserDriver::updateAvailableBox(item);
    const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), item.description);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_FALSE(label->openExternalLinks());
}
