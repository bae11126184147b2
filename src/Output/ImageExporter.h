#pragma once

#include "Output/ExportSnapshot.h"
#include "Output/ImageEncoder.h"

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Pasteboard;

// A message for the user about a failed export: a localisation key and the
// values that fill its "%@" places, in order.
struct ExportAlert {
    QString key;
    QStringList arguments;
};

// How one export ended.
struct ExportOutcome {
    bool success = false;
    QString path;                 // the file written, or that would have been
    EncodeError encodeError = EncodeError::none;
    std::optional<QString> writeError; // the system's description

    // What to tell the user when it failed; nothing on success.
    std::optional<ExportAlert> alert() const;
    // The alert's text in the interface language; empty on success.
    QString alertText() const;
};

// One copy: its PNG bytes (empty when they could not be made) and the finished
// bitmap, from which the TIFF is made only if a program asks for one.
struct ClipboardImages {
    QByteArray png;
};

namespace ImageExport {

// The destination actually written for `path`: the extension always names the
// format that is written, so a name without a known extension gets ".png".
QString destinationPath(const QString& path);

// Flattens, sets on the backdrop, encodes by the destination's extension and
// writes atomically. Blocking: runs on a worker thread. Logs its failures.
ExportOutcome renderEncodeAndWrite(const ExportSnapshot& snapshot, double quality, const QString& path);

// Runs renderEncodeAndWrite on the thread pool and calls `completion` with the
// outcome on `context`'s thread; not at all when `context` is gone by then.
// The snapshot's backdropAlphaCapable is set from the destination's format.
QFuture<ExportOutcome> exportImage(ExportSnapshot snapshot, double quality, const QString& path, QObject* context,
                                   std::function<void(const ExportOutcome&)> completion);

// Blocking: the snapshot rendered and encoded as PNG.
ClipboardImages encodeClipboardImage(const ExportSnapshot& snapshot);

// Puts PNG on the pasteboard and promises TIFF, as one change; the TIFF is encoded
// when a program asks for it (a large image takes seconds, mostly wanted by nobody).
// Returns false, writing nothing, when there is no PNG.
bool writeClipboardImage(const ClipboardImages& images, Pasteboard& pasteboard);

// Encodes on the thread pool, then writes to Pasteboard::general() on
// `context`'s thread and calls `completion` with whether it wrote.
QFuture<ClipboardImages> copyImage(ExportSnapshot snapshot, QObject* context, std::function<void(bool)> completion);

} // namespace ImageExport
