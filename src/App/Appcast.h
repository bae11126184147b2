#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// One release in an appcast feed (an RSS channel whose items carry an enclosure).
struct AppcastItem {
    QString title;
    QString version;        // the machine version (sparkle:version), else the short one
    QString displayVersion; // sparkle:shortVersionString, else version
    QUrl downloadUrl;       // the enclosure
    qint64 length = 0;      // the enclosure's declared size in bytes, 0 when absent
    // The SHA-256 digest the enclosure declares (its sha256 attribute, in hex): empty
    // when absent; an attribute that is no such digest gives one that matches nothing.
    QByteArray sha256;
    QUrl releaseNotesUrl;
    QString description;
};

namespace Appcast {

// Whether an address may be fetched for an update: https only. Plain http is taken
// only from this machine itself (127.0.0.0/8, ::1, localhost), where no one on the
// network can change what is sent; a local server is a test's or a developer's.
bool isSecureUrl(const QUrl& url);

// The releases of a feed in document order. Items without a version or without an
// http(s) enclosure are skipped; none for a document that is not an RSS feed.
std::optional<QList<AppcastItem>> parse(const QByteArray& xml, QString* error = nullptr);

// Orders two version texts: negative when a is older than b, 0 when they are the same
// release, positive when a is newer. Numbers compare by value ("1.10" > "1.9"), a
// leading "v" is ignored, missing trailing zeros do not count ("1.0" = "1.0.0"), and a
// pre-release suffix is older than the release ("1.0b1" < "1.0").
int compareVersions(const QString& a, const QString& b);

// The newest item that is newer than currentVersion, or none.
std::optional<AppcastItem> newestUpdate(const QList<AppcastItem>& items, const QString& currentVersion);

} // namespace Appcast
