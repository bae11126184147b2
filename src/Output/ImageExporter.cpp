#include "Output/ImageExporter.h"

#include "Base/Logger.h"
#include "Base/OffMainThread.h"
#include "Core/Localization.h"
#include "Output/AtomicFileWriter.h"
#include "Output/ExportFormats.h"
#include "Platform/ImageFileReader.h"
#include "Platform/Pasteboard.h"

#include <QFileInfo>
#include <QtConcurrent>

std::optional<ExportAlert> ExportOutcome::alert() const
{
    if (success)
        return std::nullopt;
    switch (encodeError) {
    case EncodeError::webpTooLarge:
        return ExportAlert{QStringLiteral("export.error.webpTooLarge"), {}};
    case EncodeError::heicUnavailable:
        return ExportAlert{QStringLiteral("export.heicUnsupported"), {}};
    case EncodeError::emptyImage:
    case EncodeError::encoderFailed:
        return ExportAlert{QStringLiteral("export.error.writeFailed"),
                           {localized(QStringLiteral("export.error.encodeFailed"))}};
    case EncodeError::none:
        break;
    }
    return ExportAlert{QStringLiteral("export.error.writeFailed"),
                       {writeError.value_or(localized(QStringLiteral("export.error.unknown")))}};
}

QString ExportOutcome::alertText() const
{
    const std::optional<ExportAlert> message = alert();
    if (!message)
        return {};
    return localizedFormat(message->key, message->arguments);
}

QString ImageExport::destinationPath(const QString& path)
{
    const QFileInfo info(path);
    const QString formatId = ExportFormats::formatIdForExtension(info.suffix());
    if (formatId == QLatin1String("png") && info.suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) != 0)
        return info.dir().filePath(ExportFormats::fileNameForFormat(info.fileName(), formatId));
    return path;
}

ExportOutcome ImageExport::renderEncodeAndWrite(const ExportSnapshot& snapshot, double quality, const QString& path)
{
    ExportOutcome outcome;
    outcome.path = destinationPath(path);
    const QString extension = QFileInfo(outcome.path).suffix();

    const std::optional<QImage> bitmap = renderExportImage(snapshot);
    EncodeResult encoded;
    if (bitmap)
        encoded = encodeImage(quality, *bitmap, extension);
    else
        encoded = {{}, EncodeError::emptyImage, QStringLiteral("nothing to flatten")};

    if (!encoded.ok()) {
        outcome.encodeError = encoded.error == EncodeError::none ? EncodeError::encoderFailed : encoded.error;
        logMessage(LogLevel::warning, [&] {
            return QStringLiteral("❌ 图片编码失败: ") + outcome.path + QStringLiteral(" (") + encoded.detail
                + QLatin1Char(')');
        });
        return outcome;
    }

    outcome.writeError = AtomicFileWriter::write(outcome.path, encoded.data);
    if (outcome.writeError) {
        logMessage(LogLevel::warning, [&] { return QStringLiteral("❌ 图片写盘失败: ") + *outcome.writeError; });
        return outcome;
    }
    outcome.success = true;
    return outcome;
}

QFuture<ExportOutcome> ImageExport::exportImage(ExportSnapshot snapshot, double quality, const QString& path,
                                                QObject* context,
                                                std::function<void(const ExportOutcome&)> completion)
{
    snapshot.backdropAlphaCapable = ExportFormats::formatKeepsTransparency(QFileInfo(destinationPath(path)).suffix());
    auto work = [snapshot = std::move(snapshot), quality, path] { return renderEncodeAndWrite(snapshot, quality, path); };
    if (!completion || !context)
        return QtConcurrent::run(std::move(work));
    return OffMainThread::run(context, std::move(work), std::move(completion));
}

ClipboardImages ImageExport::encodeClipboardImage(const ExportSnapshot& snapshot)
{
    ClipboardImages images;
    const std::optional<QImage> bitmap = renderExportImage(snapshot);
    if (!bitmap)
        return images;
    images.png = ImageEncoding::encodePng(*bitmap);
    return images;
}

bool ImageExport::writeClipboardImage(const ClipboardImages& images, Pasteboard& pasteboard)
{
    if (images.png.isEmpty())
        return false;
    // The TIFF is made from the PNG when a program asks for it: the rendered image, as large
    // as the document, is not held beside it for as long as the clipboard is ours.
    const auto tiff = [png = images.png] {
        const QImage decoded = ImageFileReader::readData(png).image;
        return decoded.isNull() ? QByteArray() : ImageEncoding::encodeTiff(decoded);
    };
    pasteboard.setItems({{Pasteboard::pngType, images.png}}, {{Pasteboard::tiffType, tiff}});
    logMessage(LogLevel::debug, [] { return QStringLiteral("✅ 已复制成品图到剪贴板"); });
    return true;
}

QFuture<ClipboardImages> ImageExport::copyImage(ExportSnapshot snapshot, QObject* context,
                                               std::function<void(bool)> completion)
{
    // A copy keeps transparency around the card.
    snapshot.backdropAlphaCapable = true;
    auto work = [snapshot = std::move(snapshot)] { return encodeClipboardImage(snapshot); };
    if (!context)
        return QtConcurrent::run(std::move(work));
    return OffMainThread::run(context, std::move(work), [completion = std::move(completion)](const ClipboardImages& images) {
        const bool written = writeClipboardImage(images, Pasteboard::general());
        if (completion)
            completion(written);
    });
}
