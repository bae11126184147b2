#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QUrl>

class QMimeData;

// What a drop on the editor offers and whether the editor takes it. Only the first
// dropped item counts. A file URL is taken before image data, whichever comes first;
// a URL that is not a local file is refused (the editor reads local files only).
struct DropDecision {
    enum class Kind { refused, file, imageData };
    Kind kind = Kind::refused;
    QUrl fileURL;          // kind file: a local file
    QByteArray imageBytes; // kind imageData: encoded image bytes...
    QImage image;          // ...or an image the drag carried as pixels

    bool isTaken() const { return kind != Kind::refused; }
};

namespace DropHandling {

DropDecision decide(const QMimeData& mime);

// The MIME type whose data is taken on the image route: the first type naming
// "image", "png" or "jpeg", or an empty string.
QString imageFormatOf(const QMimeData& mime);

} // namespace DropHandling
