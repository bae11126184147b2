#pragma once

#include "Platform/Image.h"

#include <QDateTime>
#include <QSizeF>
#include <QString>
#include <QUrl>

#include <optional>

// Plain helpers of the editor's image documents: generated names, the information
// line and the pixel size that a document is measured by.
namespace ImageDocument {

// "yyyy-MM-dd 'at' HH.mm.ss" in the local time zone with POSIX digits; the shared
// form of generated image names (pasted images, dropped data, the save panel).
QString formatNameDate(const QDateTime& when);

// "Lumetra 2026-12-05 at 19.16.34.png"
QString generatedImageName(const QDateTime& when = QDateTime::currentDateTime());

// A file URL for a name that has no file yet (relative to the current directory).
QUrl urlForGeneratedName(const QString& name);

// Byte count in decimal units as file sizes are shown: "Zero KB", "1 byte",
// "532 bytes", "12 KB", "2.1 MB", "1.25 GB".
QString formatByteCount(qint64 bytes);

// "PNG | 1440×900 | 2.1 MB": extension, size in points (truncated) as the image is
// turned (a quarter turn swaps the sides, as copies and saves come out), file size
// or "Unknown". "No image selected" without an image or URL.
QString infoLine(const std::optional<Image>& image, const std::optional<QUrl>& url, double rotation = 0.0);

// The open panel's file name filter: every image type the editor reads, under the
// localised "Images (...)" label.
QString openPanelFilter();

// The localisation key of the open-failed alert's message for a file that could not
// be opened: that it may not be read where the system refused it so (systemError, an
// errno), else that it could not be read as an image.
QString openFailureKey(int systemError);

// The size a document is measured by: its pixel size (files load at one pixel per point).
QSizeF measuredSize(const Image& image);

} // namespace ImageDocument
