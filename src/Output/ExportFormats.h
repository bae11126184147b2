#pragma once

#include <QList>
#include <QString>

#include <optional>

// One format the save panel offers. Formats are known by their id strings
// ("png", "jpeg", "tiff", "heic", "pdf", "webp"), compared exactly.
struct ExportFormat {
    QString id;
    QString titleKey;   // localisation key of the popup row
    QString extension;  // written by the save panel for this format
    QString mimeType;
};

namespace ExportFormats {

// The rows of the save panel's format popup, built once: PNG, JPEG, TIFF, HEIC,
// PDF and, when this system can encode it, WebP.
const QList<ExportFormat>& all();

// The row with this id, if any.
std::optional<ExportFormat> format(const QString& id);

// The stored default format, or "png" when the stored id is no row's id.
QString normalizedFormatId(const QString& storedId);

// The format id that a file extension (any case) selects when encoding:
// jpg/jpeg, tif/tiff, heic, pdf, webp; "png" for anything else.
QString formatIdForExtension(const QString& extension);

// Whether a destination with this extension keeps transparency: png, tif,
// tiff and webp (any case) do; everything else is treated as opaque.
bool formatKeepsTransparency(const QString& extension);

// The format a file name's extension (any case) names among the rows of all():
// "shot.JPG" names "jpeg"; "notes.txt", "shot.gif" and "Report v1.2" name none.
std::optional<QString> formatIdOfName(const QString& fileName);

// `fileName` with the extension of format `formatId`: the extension of another row's
// format is replaced, that of the same format kept (jpeg for jpg, tif for tiff); any
// other text after the last dot is part of the name and the extension is appended
// ("notes.txt" as PNG is "notes.txt.png"), so no name ever stands for other content.
QString fileNameForFormat(const QString& fileName, const QString& formatId);

// Whether the Qt image plugins on this system can write WebP; probed once.
bool isWebPEncodingAvailable();

} // namespace ExportFormats
