#include "Output/TextRecognition.h"

#include "Core/Localization.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

bool isCjkWide(char32_t c)
{
    if (QChar::script(c) == QChar::Script_Han)
        return true;
    // CJK symbols and punctuation, and the full-width forms ("，", "：", "（").
    return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFFEF);
}

bool isBlank(char32_t c) { return c == U' ' || c == U'\t' || c == 0x3000; }

} // namespace

QSize TextRecognition::recognitionSize(QSize pixels)
{
    const qint64 w = pixels.width();
    const qint64 h = pixels.height();
    if (w <= 0 || h <= 0 || w * h <= largeImagePixels)
        return pixels;
    const double scale = double(largeImageLongerSide) / double(std::max(w, h));
    if (scale >= 1.0)
        return pixels;
    const auto side = [scale](qint64 v) { return int(std::max<double>(1.0, std::round(double(v) * scale))); };
    return QSize(side(w), side(h));
}

namespace {

// Each hidden region one flat colour, the mean of each of its channels (`page` is
// Grayscale8 or RGB32).
void flatten(QImage& page, const QList<QRectF>& hidden)
{
    const QRect bounds = page.rect();
    const int channels = page.depth() / 8;
    for (const QRectF& region : hidden) {
        // Outward to whole pixels: a glyph cut by the edge leaves nothing legible.
        const QRectF scaled(region.x() * bounds.width(), region.y() * bounds.height(), region.width() * bounds.width(),
                            region.height() * bounds.height());
        const QRect area = scaled.normalized().toAlignedRect().intersected(bounds);
        if (area.isEmpty())
            continue;
        qint64 sums[4] = {0, 0, 0, 0};
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const uchar* row = page.constScanLine(y);
            for (int x = area.left(); x <= area.right(); ++x)
                for (int c = 0; c < channels; ++c)
                    sums[c] += row[x * channels + c];
        }
        uchar mean[4] = {0, 0, 0, 0};
        for (int c = 0; c < channels; ++c)
            mean[c] = uchar(sums[c] / (qint64(area.width()) * area.height()));
        for (int y = area.top(); y <= area.bottom(); ++y) {
            uchar* row = page.scanLine(y);
            for (int x = area.left(); x <= area.right(); ++x)
                std::memcpy(row + x * channels, mean, size_t(channels));
        }
    }
}

std::optional<QImage> composite(const Image& image)
{
    const QImage& source = image.bitmap();
    if (source.isNull() || source.width() <= 0 || source.height() <= 0)
        return std::nullopt;
    const QSize target = TextRecognition::recognitionSize(source.size());
    // Grey stays grey; anything else keeps its colours, as the plain engine reads the
    // image itself.
    const QImage::Format format = source.format() == QImage::Format_Grayscale8 ? QImage::Format_Grayscale8 : QImage::Format_RGB32;
    if (target == source.size() && !source.hasAlphaChannel()) {
        QImage page = source.convertToFormat(format);
        page.setDevicePixelRatio(1.0);
        return page.isNull() ? std::nullopt : std::optional<QImage>(page);
    }
    // Transparent parts read as paper, as they do in the editor's white backdrop.
    QImage canvas(target, QImage::Format_RGB32);
    if (canvas.isNull())
        return std::nullopt;
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, target != source.size());
        painter.drawImage(QRectF(QPointF(0, 0), QSizeF(target)), source, QRectF(source.rect()));
    }
    QImage page = canvas.convertToFormat(format);
    return page.isNull() ? std::nullopt : std::optional<QImage>(page);
}

} // namespace

std::optional<QImage> TextRecognition::makeRecognitionImage(const Image& image, const QList<QRectF>& hidden)
{
    std::optional<QImage> page = composite(image);
    if (page && !hidden.isEmpty())
        flatten(*page, hidden);
    return page;
}

QString TextRecognition::missingLanguagesNote(const QStringList& used, const QStringList& missing)
{
    if (missing.isEmpty())
        return QString();
    return localizedFormat(QStringLiteral("panel.ocr.missingLanguages"),
                           {used.isEmpty() ? QStringLiteral("—") : used.join(QStringLiteral(", ")),
                            missing.join(QStringLiteral(", "))});
}

QString TextRecognition::removeSpacesBetweenHan(const QString& line)
{
    const QList<uint> in = line.toUcs4();
    std::u32string out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char32_t c = in[i];
        if (isBlank(c) && !out.empty() && isCjkWide(out.back())) {
            qsizetype j = i;
            while (j < in.size() && isBlank(in[j]))
                ++j;
            if (j < in.size() && isCjkWide(in[j])) {
                i = j - 1;
                continue;
            }
        }
        out.push_back(c);
    }
    return QString::fromUcs4(out.data(), qsizetype(out.size()));
}

QString TextRecognition::joinRecognizedLines(const QStringList& lines)
{
    QStringList kept;
    for (QString line : lines) {
        while (!line.isEmpty() && (line.back() == QLatin1Char('\n') || line.back() == QLatin1Char('\r')))
            line.chop(1);
        // An engine's empty line is a line without a reading; it adds nothing.
        if (line.trimmed().isEmpty())
            continue;
        kept.append(removeSpacesBetweenHan(line));
    }
    return kept.join(QLatin1Char('\n'));
}
