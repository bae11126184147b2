#include "Models/ImageDocument.h"

#include "Core/Localization.h"
#include "Platform/LocalFileName.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>

#include <cerrno>
#include <cmath>

namespace ImageDocument {

QString formatNameDate(const QDateTime& when)
{
    return QLocale::c().toString(when.toLocalTime(), QStringLiteral("yyyy-MM-dd 'at' HH.mm.ss"));
}

QString generatedImageName(const QDateTime& when)
{
    return QStringLiteral("Lumetra ") + formatNameDate(when) + QStringLiteral(".png");
}

QUrl urlForGeneratedName(const QString& name)
{
    return QUrl::fromLocalFile(QDir::current().absoluteFilePath(name));
}

QString formatByteCount(qint64 bytes)
{
    if (bytes == 0)
        return localized(QStringLiteral("imageInfo.zeroBytes"));
    if (bytes == 1)
        return localized(QStringLiteral("imageInfo.oneByte"));
    if (bytes < 1000)
        return localizedFormat(QStringLiteral("imageInfo.bytes"), {QString::number(bytes)});

    static const char* const units[] = { "KB", "MB", "GB", "TB", "PB" };
    static const int decimals[] = { 0, 1, 2, 2, 2 };
    double value = double(bytes) / 1000.0;
    int unit = 0;
    while (unit < 4) {
        const double factor = std::pow(10.0, decimals[unit]);
        if (std::round(value * factor) / factor < 1000.0)
            break;
        value /= 1000.0;
        ++unit;
    }
    QString number = QString::number(value, 'f', decimals[unit]);
    if (number.contains(QLatin1Char('.'))) {
        while (number.endsWith(QLatin1Char('0')))
            number.chop(1);
        if (number.endsWith(QLatin1Char('.')))
            number.chop(1);
    }
    return number + QLatin1Char(' ') + QLatin1String(units[unit]);
}

QString infoLine(const std::optional<Image>& image, const std::optional<QUrl>& url, double rotation)
{
    if (!image || !url)
        return localized(QStringLiteral("empty.noImage"));
    const QString path = url->toLocalFile();
    const QString extension = QFileInfo(url->path()).suffix().toUpper();
    const std::optional<qint64> bytes = path.isEmpty() ? std::nullopt : LocalFileName::regularFileSize(path);
    QSizeF points = image->size();
    if (std::fabs(std::fmod(rotation, 180.0)) == 90.0)
        points.transpose();
    const QString size = QStringLiteral("%1×%2").arg(qint64(points.width())).arg(qint64(points.height()));
    const QString fileSize = bytes ? formatByteCount(*bytes) : localized(QStringLiteral("imageInfo.unknown"));
    return extension + QStringLiteral(" | ") + size + QStringLiteral(" | ") + fileSize;
}

QString openFailureKey(int systemError)
{
    switch (systemError) {
    case EACCES:
    case EPERM:
        return QStringLiteral("alert.openFailed.permission");
    default:
        return QStringLiteral("alert.openFailed.message");
    }
}

QSizeF measuredSize(const Image& image)
{
    if (image.isNull())
        return { 0.0, 0.0 };
    return QSizeF(image.pixelSize());
}

QString openPanelFilter()
{
    static const QStringList patterns {
        QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.tif"),
        QStringLiteral("*.tiff"), QStringLiteral("*.gif"), QStringLiteral("*.bmp"), QStringLiteral("*.webp"),
        QStringLiteral("*.heic"), QStringLiteral("*.heif"), QStringLiteral("*.psd"),
    };
    QStringList both = patterns;
    for (const QString& p : patterns)
        both << p.toUpper();
    return localizedFormat(QStringLiteral("openPanel.imageFilter"), {both.join(QLatin1Char(' '))});
}

} // namespace ImageDocument
