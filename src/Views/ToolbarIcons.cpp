#include "Views/ToolbarIcons.h"

#include "Base/Logger.h"
#include "Views/IconCache.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSet>
#include <QSvgRenderer>

#include <cmath>

namespace {

QString& iconDirectory()
{
    static QString directory;
    return directory;
}

IconCache<QString, QPixmap>& cache()
{
    static IconCache<QString, QPixmap> pixmaps;
    return pixmaps;
}

} // namespace

namespace ToolbarIcons {

const QStringList& symbolNames()
{
    static const QStringList names = {
        QStringLiteral("crop"),
        QStringLiteral("arrow.down.right.and.arrow.up.left"),
        QStringLiteral("arrow.uturn.backward"),
        QStringLiteral("arrow.uturn.forward"),
        QStringLiteral("arrow.counterclockwise"),
        QStringLiteral("paintpalette"),
        QStringLiteral("doc.text.viewfinder"),
        QStringLiteral("pin"),
        QStringLiteral("doc.on.doc"),
        QStringLiteral("square.and.arrow.down"),
        QStringLiteral("xmark"),
        QStringLiteral("checkmark"),
        QStringLiteral("lock.fill"),
        QStringLiteral("lock.open"),
        QStringLiteral("line.diagonal"),
        QStringLiteral("arrow.up.right"),
        QStringLiteral("rectangle"),
        QStringLiteral("textformat"),
        QStringLiteral("scribble"),
        QStringLiteral("highlighter"),
        QStringLiteral("1.circle"),
        QStringLiteral("checkerboard.rectangle"),
        QStringLiteral("smallcircle.fill.circle"),
    };
    return names;
}

QString filePath(const QString& name)
{
    const QString file = name + QStringLiteral(".svg");
    if (!iconDirectory().isEmpty())
        return QDir(iconDirectory()).filePath(file);
    return QStringLiteral(":/icons/") + file;
}

void setIconDirectory(const QString& directory)
{
    iconDirectory() = directory;
    cache().clear();
}

QPixmap pixmap(const QString& name, const QColor& color, qreal points, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0.0 && std::isfinite(devicePixelRatio) ? devicePixelRatio : 1.0;
    const int pixels = std::max(1, int(std::lround(points * ratio)));
    const QString key = QStringLiteral("%1|%2|%3").arg(name, QString::number(color.rgba(), 16)).arg(pixels);
    return cache().get(key, [&] {
        QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QSvgRenderer renderer(filePath(name));
        if (renderer.isValid()) {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing, true);
            renderer.render(&painter, QRectF(0, 0, pixels, pixels));
            // The drawing is black on transparent: keep its coverage, take the colour.
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(image.rect(), color);
        } else {
            static QSet<QString> reported;
            if (!reported.contains(name)) {
                reported.insert(name);
                Logger::shared().log(LogLevel::warning,
                                     [&] { return QStringLiteral("🧰 Toolbar symbol missing: ") + filePath(name); });
            }
        }
        QPixmap result = QPixmap::fromImage(std::move(image));
        result.setDevicePixelRatio(ratio);
        return result;
    });
}

void paint(QPainter& painter, const QRectF& frame, const QString& name, const QColor& color, qreal points)
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap icon = pixmap(name, color, points, ratio);
    const QRectF target(frame.center().x() - points / 2.0, frame.center().y() - points / 2.0, points, points);
    painter.drawPixmap(target, icon, QRectF(0, 0, icon.width(), icon.height()));
}

} // namespace ToolbarIcons
