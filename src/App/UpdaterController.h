#pragma once

#include "App/Appcast.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QMessageBox;
class QNetworkAccessManager;
#include <QNetworkReply>
class QTimer;
class UserDefaults;

// What the application tells the updater: its two switches and the check on request.
class UpdaterControlling {
public:
    virtual ~UpdaterControlling() = default;
    virtual void setAutomaticallyChecksForUpdates(bool on) = 0;
    virtual void setAutomaticallyDownloadsUpdates(bool on) = 0;
    // A check the user asked for: every outcome is shown, "up to date" included.
    virtual void checkForUpdates() = 0;
};

// How the updater speaks to the user; tests record instead of showing dialogs.
class UpdaterUserDriver {
public:
    virtual ~UpdaterUserDriver() = default;
    virtual void showUpToDate(const QString& currentVersion) = 0;
    virtual void showUpdateAvailable(const AppcastItem& item) = 0;
    virtual void showUpdateDownloaded(const AppcastItem& item, const QString& savedPath) = 0;
    // message: why the check failed, already in the interface language where Lumetra words it.
    virtual void showError(const QString& message) = 0;
    // A check was asked for, but this build has no update feed to check.
    virtual void showNoFeed() = 0;
};

// Message boxes (and the tray's balloon is not used: a dialog is found again).
class DialogUpdaterUserDriver : public UpdaterUserDriver {
public:
    // The "update available" box: the feed's description is shown as plain text, never
    // as rich text with links of the feed's making.
    static std::unique_ptr<QMessageBox> updateAvailableBox(const AppcastItem& item);
    void showUpToDate(const QString& currentVersion) override;
    void showUpdateAvailable(const AppcastItem& item) override;
    void showUpdateDownloaded(const AppcastItem& item, const QString& savedPath) override;
    void showError(const QString& message) override;
    void showNoFeed() override;
};

// Lumetra's updater: reads an appcast feed over HTTPS, compares the newest release
// with the running version, checks when asked and daily while automatic checks are on,
// and with automatic downloads on saves a newer release to the download folder and
// says where. A download is kept only when its size is the feed's and, where the feed
// gives a SHA-256 digest, its digest is that one. It never installs anything itself.
class UpdaterController : public QObject, public UpdaterControlling {
    Q_OBJECT
public:
    enum class Outcome { upToDate, updateAvailable, downloaded, failed, noFeed };
    Q_ENUM(Outcome)

    static constexpr qint64 checkIntervalSeconds = 24 * 60 * 60;
    static constexpr int pollIntervalMs = 60 * 60 * 1000;
    static constexpr qint64 maximumFeedBytes = 4 << 20;
    static constexpr qint64 maximumDownloadBytes = qint64(2) << 30;
    // However slowly a server answers, a check and a download end by these.
    static constexpr int checkDeadlineMs = 60 * 1000;
    static constexpr int downloadDeadlineMs = 30 * 60 * 1000;

    // The build's feed address (LUMETRA_UPDATE_FEED_URL); empty when none was set.
    static QUrl defaultFeedUrl();

    // driver is not owned and may be null (outcomes are then only signalled).
    UpdaterController(QUrl feedUrl, QString currentVersion, UserDefaults& defaults, UpdaterUserDriver* driver,
                      QObject* parent = nullptr);
    ~UpdaterController() override;

    void setAutomaticallyChecksForUpdates(bool on) override;
    void setAutomaticallyDownloadsUpdates(bool on) override;
    void checkForUpdates() override;

    bool automaticallyChecksForUpdates() const { return m_automaticChecks; }
    bool automaticallyDownloadsUpdates() const { return m_automaticDownloads; }
    // Why the last check or download failed, as the user is (or would be) told.
    QString lastFailure() const { return m_lastFailure; }
    bool isChecking() const { return m_feedReply != nullptr || m_downloadReply != nullptr; }

    // A check nobody asked for: only an update (or a download) is shown.
    void checkInBackground();
    // Runs a background check when automatic checks are on and the last check is a
    // day old or more (or never happened).
    void checkIfDue();

    void setDownloadFolder(const QString& folder) { m_downloadFolder = folder; }
    QString downloadFolder() const;
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    // Tests: shorter deadlines.
    void setDeadlines(int checkMs, int downloadMs)
    {
        m_checkDeadlineMs = checkMs;
        m_downloadDeadlineMs = downloadMs;
    }

signals:
    void checkFinished(UpdaterController::Outcome outcome);

private:
    void startCheck(bool userInitiated);
    void feedFinished();
    void startDownload(const AppcastItem& item);
    // Fails the check (and says why) when url is not one updates may come from.
    bool refuseInsecure(const QUrl& url);
    void finish(Outcome outcome);
    // The reason is logged as written; the user sees shownReason, its text in the
    // interface language (the reason itself when there is none, e.g. a network error).
    void fail(const QString& reason, const QString& shownReason = {});
    QDateTime now() const;
    // Why a reply ended: our own aborts say why, and an abort that is not ours is the
    // network layer's transfer timeout.
    void failForReplyError(QNetworkReply* reply, bool download);

    enum class AbortReason { none, tooLarge, deadline };

    QUrl m_feedUrl;
    QString m_currentVersion;
    UserDefaults& m_defaults;
    UpdaterUserDriver* m_driver;
    QNetworkAccessManager& network();

    QNetworkAccessManager* m_network = nullptr;
    QTimer* m_dailyTimer;
    QPointer<QNetworkReply> m_feedReply;
    QPointer<QNetworkReply> m_downloadReply;
    QTimer* m_deadline;
    AbortReason m_abortReason = AbortReason::none;
    QString m_lastFailure;
    int m_checkDeadlineMs = checkDeadlineMs;
    int m_downloadDeadlineMs = downloadDeadlineMs;
    std::optional<AppcastItem> m_downloading;
    bool m_userInitiated = false;
    bool m_automaticChecks = false;
    bool m_automaticDownloads = false;
    QString m_downloadFolder;
    std::function<QDateTime()> m_clock;
};
