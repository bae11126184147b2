#include "App/FileOpening.h"

#include "Capture/CaptureLog.h"

#include <QFileInfo>

namespace FileOpening {

const QStringList& acceptedExtensions()
{
    static const QStringList extensions{
        QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"), QStringLiteral("gif"),
        QStringLiteral("bmp"), QStringLiteral("tiff"), QStringLiteral("tif"), QStringLiteral("webp"),
        QStringLiteral("psd"), QStringLiteral("heic"), QStringLiteral("heif"),
    };
    return extensions;
}

bool isAcceptedFile(const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    if (acceptedExtensions().contains(extension))
        return true;
    captureDiagnostic(QStringLiteral("❌ 不支持的文件格式: ") + extension);
    return false;
}

} // namespace FileOpening
