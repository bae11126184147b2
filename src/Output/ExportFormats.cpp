#include "Output/ExportFormats.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>

namespace {

// Every extension that names the format.
QStringList spellingsOf(const QString& formatId)
{
    if (formatId == QLatin1String("jpeg"))
        return {"jpg", "jpeg"};
    if (formatId == QLatin1String("tiff"))
        return {"tif", "tiff"};
    return {formatId};
}

} // namespace

bool ExportFormats::isWebPEncodingAvailable()
{
    static const bool available = QImageWriter::supportedImageFormats().contains("webp");
    return available;
}

const QList<ExportFormat>& ExportFormats::all()
{
    static const QList<ExportFormat> formats = [] {
        QList<ExportFormat> list = {
            {"png", "format.png", "png", "image/png"},
            {"jpeg", "format.jpeg", "jpg", "image/jpeg"},
            {"tiff", "format.tiff", "tiff", "image/tiff"},
            {"heic", "format.heic", "heic", "image/heic"},
            {"pdf", "format.pdf", "pdf", "application/pdf"},
        };
        if (isWebPEncodingAvailable())
            list.append({"webp", "format.webp", "webp", "image/webp"});
        return list;
    }();
    return formats;
}

std::optional<ExportFormat> ExportFormats::format(const QString& id)
{
    for (const ExportFormat& candidate : all()) {
        if (candidate.id == id)
            return candidate;
    }
    return std::nullopt;
}

QString ExportFormats::normalizedFormatId(const QString& storedId)
{
    return format(storedId) ? storedId : QStringLiteral("png");
}

QString ExportFormats::formatIdForExtension(const QString& extension)
{
    const QString ext = extension.toLower();
    if (ext == "jpg" || ext == "jpeg")
        return QStringLiteral("jpeg");
    if (ext == "tif" || ext == "tiff")
        return QStringLiteral("tiff");
    if (ext == "heic")
        return QStringLiteral("heic");
    if (ext == "pdf")
        return QStringLiteral("pdf");
    if (ext == "webp")
        return QStringLiteral("webp");
    return QStringLiteral("png");
}

bool ExportFormats::formatKeepsTransparency(const QString& extension)
{
    const QString ext = extension.toLower();
    return ext == "png" || ext == "tif" || ext == "tiff" || ext == "webp";
}

std::optional<QString> ExportFormats::formatIdOfName(const QString& fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return std::nullopt;
    const QString extension = fileName.mid(dot + 1).toLower();
    for (const ExportFormat& candidate : all()) {
        if (spellingsOf(candidate.id).contains(extension))
            return candidate.id;
    }
    return std::nullopt;
}

QString ExportFormats::fileNameForFormat(const QString& fileName, const QString& formatId)
{
    const std::optional<ExportFormat> chosen = format(formatId);
    const QString extension = chosen ? chosen->extension : QStringLiteral("png");
    QString name = fileName;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) {
        // Any spelling of the format (JPG, jpeg, tif) is kept as typed: on a
        // case-sensitive disk "a.PNG" and "a.png" are two files.
        if (spellingsOf(chosen ? formatId : QStringLiteral("png")).contains(name.mid(dot + 1).toLower()))
            return name;
        if (formatIdOfName(name))
            name = name.left(dot);
    }
    if (name.endsWith(QLatin1Char('.')))
        return name + extension;
    return name + QLatin1Char('.') + extension;
}
