#include "App/UpdaterController.h"

#include "Base/Logger.h"
#include "Core/Localization.h"
#include "Core/Settings.h"
#include "Platform/FileSync.h"
#include "Platform/UserDefaults.h"

#include <QCryptographicHash>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTemporaryFile>
#include <QStandardPaths>
#include <QTimer>

namespace {

bool isWebUrl(const QUrl& url)
{
    return url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
}

QNetworkRequest requestFor(const QUrl& url, const QString& version)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Lumetra/%1").arg(version));
    request.setTransferTimeout(30000);
    return request;
}

// A file name from the download address that cannot leave the download folder.
QString safeFileName(const AppcastItem& item)
{
    QString name = item.downloadUrl.fileName();
    name.remove(QLatin1Char('/'));
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name = QStringLiteral("Lumetra-%1").arg(item.displayVersion);
    return name;
}

} // namespace

// ---- DialogUpdaterUserDriver ----------------------------------------------------------------

void DialogUpdaterUserDriver::showUpToDate(const QString& currentVersion)
{
    QMessageBox::information(nullptr, QStringLiteral("Lumetra"),
                             localizedFormat(QStringLiteral("update.upToDate"), {currentVersion}));
}

std::unique_ptr<QMessageBox> DialogUpdaterUserDriver::updateAvailableBox(const AppcastItem& item)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::Information, QStringLiteral("Lumetra"),
                                             localizedFormat(QStringLiteral("update.available"), {item.displayVersion}));
    box->setTextFormat(Qt::PlainText);
    if (!item.description.isEmpty()) {
        box->setInformativeText(item.description);
        if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
            label->setTextFormat(Qt::PlainText);
            label->setOpenExternalLinks(false);
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        }
    }
    return box;
}

void DialogUpdaterUserDriver::showUpdateAvailable(const AppcastItem& item)
{
    const std::unique_ptr<QMessageBox> box = updateAvailableBox(item);
    QPushButton* download = box->addButton(localized(QStringLiteral("update.download")), QMessageBox::AcceptRole);
    box->addButton(localized(QStringLiteral("update.notNow")), QMessageBox::RejectRole);
    box->exec();
    if (box->clickedButton() == download)
        QDesktopServices::openUrl(item.downloadUrl);
}

void DialogUpdaterUserDriver::showUpdateDownloaded(const AppcastItem& item, const QString& savedPath)
{
    QMessageBox::information(nullptr, QStringLiteral("Lumetra"),
                             localizedFormat(QStringLiteral("update.downloaded"), {item.displayVersion, savedPath}));
}

void DialogUpdaterUserDriver::showError(const QString& message)
{
    QMessageBox::warning(nullptr, QStringLiteral("Lumetra"), localizedFormat(QStringLiteral("update.failed"), {message}));
}

void DialogUpdaterUserDriver::showNoFeed()
{
    QMessageBox::information(nullptr, QStringLiteral("Lumetra"), localized(QStringLiteral("update.noFeed")));
}

// ---- UpdaterController --------------------------------------------------------------------

QUrl UpdaterController::defaultFeedUrl()
{
    return QUrl(QStringLiteral(LUMETRA_UPDATE_FEED_URL));
}

QNetworkAccessManager& UpdaterController::network()
{
    // Made on the first check: at start it would look for network plugins and set up
    // what a tray program that checks once a day does not need yet.
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    return *m_network;
}

UpdaterController::UpdaterController(QUrl feedUrl, QString currentVersion, UserDefaults& defaults,
                                     UpdaterUserDriver* driver, QObject* parent)
    : QObject(parent)
    , m_feedUrl(std::move(feedUrl))
    , m_currentVersion(std::move(currentVersion))
    , m_defaults(defaults)
    , m_driver(driver)
    , m_dailyTimer(new QTimer(this))
    , m_deadline(new QTimer(this))
{
    m_dailyTimer->setInterval(pollIntervalMs);
    connect(m_dailyTimer, &QTimer::timeout, this, &UpdaterController::checkIfDue);
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] {
        m_abortReason = AbortReason::deadline;
        if (m_feedReply)
            m_feedReply->abort();
        if (m_downloadReply)
            m_downloadReply->abort();
    });
}

UpdaterController::~UpdaterController()
{
    // Ending with the program is no failure to report: the replies are cut loose first.
    for (QNetworkReply* reply : {m_feedReply.data(), m_downloadReply.data()}) {
        if (reply) {
            reply->disconnect(this);
            reply->abort();
        }
    }
}

void UpdaterController::failForReplyError(QNetworkReply* reply, bool download)
{
    const AbortReason reason = m_abortReason;
    m_abortReason = AbortReason::none;
    const bool timedOut = reason == AbortReason::deadline || reply->error() == QNetworkReply::TimeoutError
        || (reply->error() == QNetworkReply::OperationCanceledError && reason == AbortReason::none);
    if (timedOut) {
        fail(download ? QStringLiteral("The download took too long.") : QStringLiteral("The update feed took too long."),
             localized(QStringLiteral("update.error.timedOut")));
    } else if (reason == AbortReason::tooLarge) {
        if (download)
            fail(QStringLiteral("The update is too large."), localized(QStringLiteral("update.error.tooLarge")));
        else
            fail(QStringLiteral("The update feed is too large."), localized(QStringLiteral("update.error.feedTooLarge")));
    } else {
        fail(reply->errorString());
    }
}

QDateTime UpdaterController::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTimeUtc();
}

QString UpdaterController::downloadFolder() const
{
    if (!m_downloadFolder.isEmpty())
        return m_downloadFolder;
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return downloads.isEmpty() ? QDir::homePath() : downloads;
}

void UpdaterController::setAutomaticallyChecksForUpdates(bool on)
{
    m_automaticChecks = on;
    if (on) {
        m_dailyTimer->start();
        // Soon after start (or after the switch was turned on), not a whole hour later.
        QTimer::singleShot(0, this, &UpdaterController::checkIfDue);
    } else {
        m_dailyTimer->stop();
    }
}

void UpdaterController::setAutomaticallyDownloadsUpdates(bool on)
{
    m_automaticDownloads = on;
}

void UpdaterController::checkIfDue()
{
    // Without a feed there is nothing to check, and nothing worth a warning every day.
    if (!m_automaticChecks || isChecking() || !isWebUrl(m_feedUrl))
        return;
    const QDateTime last = QDateTime::fromString(Settings::lastUpdateCheckTime.read(m_defaults).value_or(QString()), Qt::ISODate);
    const QDateTime current = now();
    // A last check in the future means the clock was set back: check again.
    if (last.isValid() && last <= current && last.secsTo(current) < checkIntervalSeconds)
        return;
    checkInBackground();
}

void UpdaterController::checkForUpdates()
{
    startCheck(true);
}

void UpdaterController::checkInBackground()
{
    startCheck(false);
}

void UpdaterController::startCheck(bool userInitiated)
{
    if (isChecking()) {
        // A user's check joins the one running, so its outcome is shown.
        m_userInitiated = m_userInitiated || userInitiated;
        return;
    }
    m_userInitiated = userInitiated;
    if (!isWebUrl(m_feedUrl)) {
        // Not a failure: the build was made without a feed, and the user is told so.
        Logger::shared().log(LogLevel::info, [] { return QStringLiteral("🔄 No update feed is configured for this build"); });
        m_lastFailure = localized(QStringLiteral("update.error.noFeed"));
        if (m_userInitiated && m_driver)
            m_driver->showNoFeed();
        finish(Outcome::noFeed);
        return;
    }
    if (!refuseInsecure(m_feedUrl))
        return;
    Settings::lastUpdateCheckTime.write(now().toString(Qt::ISODate), m_defaults);
    m_abortReason = AbortReason::none;
    m_feedReply = network().get(requestFor(m_feedUrl, m_currentVersion));
    m_deadline->start(m_checkDeadlineMs);
    connect(m_feedReply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
        if (received > maximumFeedBytes && m_feedReply) {
            m_abortReason = AbortReason::tooLarge;
            m_feedReply->abort();
        }
    });
    connect(m_feedReply, &QNetworkReply::finished, this, &UpdaterController::feedFinished);
}

void UpdaterController::feedFinished()
{
    QNetworkReply* reply = m_feedReply;
    m_feedReply = nullptr;
    if (!reply)
        return;
    reply->deleteLater();
    m_deadline->stop();
    if (reply->error() != QNetworkReply::NoError) {
        failForReplyError(reply, false);
        return;
    }
    // Where the feed came from after redirections.
    if (!refuseInsecure(reply->url()))
        return;
    QString error;
    const std::optional<QList<AppcastItem>> items = Appcast::parse(reply->readAll(), &error);
    if (!items) {
        fail(QStringLiteral("The update feed could not be read: %1").arg(error),
             localizedFormat(QStringLiteral("update.error.feedUnreadable"), {error}));
        return;
    }
    const std::optional<AppcastItem> update = Appcast::newestUpdate(*items, m_currentVersion);
    if (!update) {
        if (m_userInitiated && m_driver)
            m_driver->showUpToDate(m_currentVersion);
        finish(Outcome::upToDate);
        return;
    }
    // Not even offered: the user would fetch it over a network anyone may change.
    if (!refuseInsecure(update->downloadUrl))
        return;
    if (m_automaticDownloads && !m_userInitiated) {
        startDownload(*update);
        return;
    }
    if (m_driver)
        m_driver->showUpdateAvailable(*update);
    finish(Outcome::updateAvailable);
}

bool UpdaterController::refuseInsecure(const QUrl& url)
{
    if (Appcast::isSecureUrl(url))
        return true;
    const QString shown = url.toDisplayString(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
    fail(QStringLiteral("%1 is not an HTTPS address; updates are fetched over HTTPS only.").arg(shown),
         localizedFormat(QStringLiteral("update.error.insecure"), {shown}));
    return false;
}

void UpdaterController::startDownload(const AppcastItem& item)
{
    // The feed's length is what the download is held to: without one, or beyond the
    // cap, nothing is fetched.
    if (item.length <= 0 || item.length > maximumDownloadBytes) {
        fail(QStringLiteral("The feed announces no usable size for Lumetra %1.").arg(item.displayVersion),
             localizedFormat(QStringLiteral("update.error.mismatch"), {item.displayVersion}));
        return;
    }
    const QString folder = downloadFolder();
    QDir().mkpath(folder);
    // The bytes go to a hidden file first; only a complete download is given its name,
    // and never one that a file in the folder already has.
    auto file = std::make_shared<QTemporaryFile>(QDir(folder).filePath(QStringLiteral(".lumetra-download-XXXXXX")));
    if (!file->open()) {
        fail(QStringLiteral("Cannot write in %1: %2").arg(folder, file->errorString()),
             localizedFormat(QStringLiteral("update.error.cannotSave"), {folder, file->errorString()}));
        return;
    }
    m_downloading = item;
    m_abortReason = AbortReason::none;
    m_downloadReply = network().get(requestFor(item.downloadUrl, m_currentVersion));
    m_deadline->start(m_downloadDeadlineMs);
    QNetworkReply* reply = m_downloadReply;
    auto written = std::make_shared<qint64>(0);
    auto digest = std::make_shared<QCryptographicHash>(QCryptographicHash::Sha256);
    auto take = [this, reply, file, written, digest](const QByteArray& chunk) {
        *written += chunk.size();
        digest->addData(chunk);
        if (*written > m_downloading->length) {
            m_abortReason = AbortReason::tooLarge;
            reply->abort();
        } else if (file->write(chunk) != chunk.size()) {
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::readyRead, this, [reply, take] { take(reply->readAll()); });
    connect(reply, &QNetworkReply::finished, this, [this, reply, file, written, digest, folder, take] {
        if (reply->error() == QNetworkReply::NoError)
            take(reply->readAll());
        m_downloadReply = nullptr;
        m_deadline->stop();
        reply->deleteLater();
        const AppcastItem item = *m_downloading;
        m_downloading.reset();
        if (file->error() != QFileDevice::NoError) {
            fail(QStringLiteral("Cannot write in %1: %2").arg(folder, file->errorString()),
                 localizedFormat(QStringLiteral("update.error.cannotSave"), {folder, file->errorString()}));
            return;
        }
        const bool longer = m_abortReason == AbortReason::tooLarge;
        if (reply->error() != QNetworkReply::NoError && !longer) {
            failForReplyError(reply, true);
            return;
        }
        m_abortReason = AbortReason::none;
        if (!refuseInsecure(reply->url()))
            return;
        if (*written < item.length && !longer) {
            fail(QStringLiteral("The download of Lumetra %1 is incomplete.").arg(item.displayVersion),
                 localizedFormat(QStringLiteral("update.error.incomplete"), {item.displayVersion}));
            return;
        }
        if (longer || (!item.sha256.isEmpty() && digest->result() != item.sha256)) {
            fail(QStringLiteral("The download of Lumetra %1 does not match the feed (%2).")
                     .arg(item.displayVersion, longer ? QStringLiteral("longer than announced") : QStringLiteral("SHA-256 differs")),
                 localizedFormat(QStringLiteral("update.error.mismatch"), {item.displayVersion}));
            return;
        }
        QString error;
        std::optional<QString> saved;
        file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        if (!file->flush())
            error = file->errorString();
        else if (const std::optional<QString> unsynced = FileSync::syncDescriptor(int(file->handle())))
            error = *unsynced;
        else
            saved = FileSync::linkUnderFreeName(file->fileName(), folder, safeFileName(item), &error);
        if (!saved) {
            fail(QStringLiteral("Cannot save the update in %1: %2").arg(folder, error),
                 localizedFormat(QStringLiteral("update.error.cannotSave"), {folder, error}));
            return;
        }
        if (m_driver)
            m_driver->showUpdateDownloaded(item, *saved);
        finish(Outcome::downloaded);
    });
}

void UpdaterController::fail(const QString& reason, const QString& shownReason)
{
    Logger::shared().log(LogLevel::warning, [&] { return QStringLiteral("🔄 Update check failed: %1").arg(reason); });
    m_lastFailure = shownReason.isEmpty() ? reason : shownReason;
    if (m_userInitiated && m_driver)
        m_driver->showError(m_lastFailure);
    finish(Outcome::failed);
}

void UpdaterController::finish(Outcome outcome)
{
    m_userInitiated = false;
    emit checkFinished(outcome);
}
