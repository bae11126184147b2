#include "Views/DropHandling.h"

#include "Platform/LocalFileName.h"

#include <QMimeData>
#include <QVariant>

namespace DropHandling {

QString imageFormatOf(const QMimeData& mime)
{
    for (const QString& format : mime.formats()) {
        if (format.contains(QLatin1String("image")) || format.contains(QLatin1String("png")) ||
            format.contains(QLatin1String("jpeg")))
            return format;
    }
    return {};
}

DropDecision decide(const QMimeData& mime)
{
    DropDecision decision;
    if (mime.hasUrls()) {
        const QList<QUrl> urls = mime.urls();
        if (urls.isEmpty())
            return decision;
        const QUrl& first = urls.first();
        // Reading a remote address on a drop would fetch from the network behind the
        // user's back; only local files are opened.
        if (!first.isLocalFile() || first.toLocalFile().isEmpty())
            return decision;
        decision.kind = DropDecision::Kind::file;
        decision.fileURL = first;
        // Qt's reading of the list loses the bytes of a name that is not UTF-8; the
        // list's own first address keeps them.
        for (const QByteArray& line : mime.data(QStringLiteral("text/uri-list")).split('\n')) {
            if (line.trimmed().isEmpty() || line.startsWith('#'))
                continue;
            if (const std::optional<QString> path = LocalFileName::fromFileUrl(line))
                decision.fileURL = QUrl::fromLocalFile(*path);
            break;
        }
        return decision;
    }
    const QString format = imageFormatOf(mime);
    if (format.isEmpty())
        return decision;
    if (format == QLatin1String("application/x-qt-image")) {
        const QImage image = qvariant_cast<QImage>(mime.imageData());
        if (image.isNull())
            return decision;
        decision.kind = DropDecision::Kind::imageData;
        decision.image = image;
        return decision;
    }
    const QByteArray bytes = mime.data(format);
    if (bytes.isEmpty())
        return decision;
    decision.kind = DropDecision::Kind::imageData;
    decision.imageBytes = bytes;
    return decision;
}

} // namespace DropHandling
