#include "ScrollTestPages.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace ScrollTestPages {

namespace {

quint32 state = 0;
quint32 next(quint32 range)
{
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % range;
}

// Made-up words, so that no two lines repeat.
QString words(int count)
{
    static const char* syllables[] = {"ka", "lo", "mir", "sen", "tu", "va", "rel", "dop", "qui", "ne",
                                      "bar", "zo", "fi", "gan", "hu", "pel", "sto", "wy", "ex", "jam"};
    QString text;
    for (int i = 0; i < count; ++i) {
        for (quint32 s = next(3); s < 3; ++s)
            text += QLatin1String(syllables[next(20)]);
        text += QLatin1Char(' ');
    }
    return text.trimmed();
}

int paragraphs(QPainter& painter, int width, int y, int count)
{
    const QFont fonts[] = {QFont(QStringLiteral("DejaVu Sans"), 10), QFont(QStringLiteral("DejaVu Serif"), 13),
                           QFont(QStringLiteral("Liberation Sans"), 9),
                           QFont(QStringLiteral("DejaVu Sans"), 16, QFont::Bold)};
    for (int p = 0; p < count; ++p, y += 14) {
        painter.setFont(fonts[p % 4]);
        painter.setPen(p % 4 == 3 ? QColor(20, 60, 140) : QColor(30, 30, 30));
        const QFontMetrics metrics(fonts[p % 4]);
        for (int l = 0, lines = p % 4 == 3 ? 1 : 3 + int(next(4)); l < lines; ++l) {
            QString text = words(12);
            while (metrics.horizontalAdvance(text) > width - 40)
                text.chop(1);
            y += metrics.lineSpacing();
            painter.drawText(16, y, text);
        }
    }
    return y;
}

} // namespace

QImage page(int width, Layout* layout)
{
    state = 12345;
    QImage image(width, 6000, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(252, 252, 250));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    Layout at;
    at.paragraphs = 0;
    int y = paragraphs(painter, width, 10, 10);

    at.iconList = y;
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    for (int i = 0; i < 30; ++i, y += 28) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromHsv((i % 4) * 90, 160, 200));
        if (i % 2 == 0)
            painter.drawEllipse(QRectF(16, y + 6, 16, 16));
        else
            painter.drawRoundedRect(QRectF(16, y + 6, 16, 16), 3, 3);
        painter.setPen(QColor(40, 40, 40));
        painter.drawText(44, y + 19, words(2 + int(next(3))));
        painter.setPen(QColor(120, 120, 120));
        painter.drawText(width - 70, y + 19, QString::number(next(10000)));
    }

    at.code = y;
    painter.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 9));
    for (int i = 0, depth = 0; i < 60; ++i, y += 15) {
        const quint32 kind = next(10); // 0: blank line, 1: closing brace, 2: opening block
        if (kind == 0 || (kind == 1 && depth == 0))
            continue;
        const QString text = kind == 1 ? QStringLiteral("}")
            : kind == 2                ? QStringLiteral("if (%1 > %2) {").arg(words(1)).arg(next(100))
                                       : QStringLiteral("%1 = %2(%3);").arg(words(1), words(1)).arg(next(1000));
        depth -= kind == 1 ? 1 : 0;
        painter.setPen(kind == 2 ? QColor(150, 30, 120) : QColor(20, 90, 40));
        painter.drawText(16 + 24 * depth, y + 12, text);
        depth += kind == 2 ? 1 : 0;
    }

    at.gradient = y + 10;
    for (int gy = 0; gy < 360; ++gy) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(at.gradient + gy));
        for (int x = 16; x < width - 16; ++x) {
            const double u = x / double(width), v = gy / 360.0;
            const int texture = int((quint32(x * 7919 + gy * 104729) * 2654435761u) >> 29) - 4;
            row[x] = qRgb(qBound(0, int(120 + 90 * std::sin(3.1 * u + 1.7 * v)) + texture, 255),
                          qBound(0, int(110 + 80 * std::cos(2.3 * v - 1.1 * u)) + texture, 255),
                          int(140 + 60 * std::sin(4.0 * u * v + 0.5)));
        }
    }

    at.table = y = at.gradient + 370;
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    for (int i = 0; i < 40; ++i, y += 24) {
        painter.setPen(QColor(200, 200, 205));
        painter.drawLine(16, y + 23, width - 16, y + 23);
        painter.setPen(QColor(50, 50, 50));
        painter.drawText(24, y + 16, QStringLiteral("pending"));
        painter.drawText(width / 2, y + 16, QStringLiteral("0.00"));
    }

    at.moreText = y;
    y = paragraphs(painter, width, y, 16);
    painter.end();
    if (layout)
        *layout = at;
    return image.copy(0, 0, width, y + 20);
}

QImage numberLines(int width, int count)
{
    QImage image(width, 13 * count + 4, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 9));
    for (int i = 1; i <= count; ++i)
        painter.drawText(4, 13 * i - 2, QString::number(i));
    return image;
}

QImage zebraList(int width, int introRows, int entries)
{
    QImage image(width, 2 * introRows + 20 * entries, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    const QImage text = page(width);
    painter.drawImage(0, 0, text.copy(0, 0, width, introRows));
    painter.drawImage(0, introRows + 20 * entries, text.copy(0, introRows, width, introRows));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    for (int i = 0, y = introRows; i < entries; ++i, y += 20) {
        painter.fillRect(0, y, width, 20, i % 2 ? QColor(236, 240, 246) : QColor(255, 255, 255));
        painter.drawText(16, y + 14, QStringLiteral("Quarterly report.pdf      12 KB"));
    }
    return image;
}

QImage indexedRows(int width, int count, bool bars)
{
    QImage image(width, 20 * count, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QFont small(QStringLiteral("DejaVu Sans Mono"), 6);
    small.setPixelSize(8);
    const QFont text(QStringLiteral("DejaVu Sans"), 9);
    for (int i = 0; i < count; ++i) {
        const int y = 20 * i;
        painter.fillRect(0, y, width, 20, i % 2 ? QColor(236, 238, 242) : QColor(255, 255, 255));
        painter.setPen(QColor(90, 90, 90));
        painter.setFont(small);
        for (int bit = 0; bars && bit < 9; ++bit) {
            if (i >> bit & 1)
                painter.fillRect(2 + 3 * bit, y + 6, 2, 8, Qt::black);
        }
        if (!bars)
            painter.drawText(3, y + 13, QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')));
        painter.setPen(QColor(30, 30, 30));
        painter.setFont(text);
        painter.drawText(40, y + 14, QStringLiteral("Quarterly report.pdf      12 KB      shared with the whole team"));
    }
    return image;
}

QImage table(int width, int rows, int* headerAt)
{
    constexpr int kTitle = 44, kRow = 24;
    QImage image(width, kTitle + kTableHeaderRows + rows * kRow + 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QColor(20, 20, 20));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 18, QFont::Bold));
    painter.drawText(16, 32, QStringLiteral("Quarterly figures by branch"));
    painter.fillRect(0, kTitle, width, kTableHeaderRows, QColor(40, 70, 110));
    painter.setPen(Qt::white);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10, QFont::Bold));
    const char* const titles[] = {"Branch", "Region", "Orders", "Revenue", "Margin"};
    for (int c = 0; c < 5; ++c)
        painter.drawText(16 + c * width / 5, kTitle + 20, QLatin1String(titles[c]));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    for (int n = 1, y = kTitle + kTableHeaderRows; n <= rows; ++n, y += kRow) {
        painter.fillRect(0, y, width, kRow, n % 2 ? QColor(255, 247, 232) : QColor(226, 236, 248));
        painter.setPen(QColor(30, 30, 30));
        const QString cells[] = {QStringLiteral("Branch %1").arg(n), QLatin1String(n % 3 ? "North" : "South"),
                                 QString::number(n * 37 % 900 + 100), QStringLiteral("%1.%2").arg(n * 7919 % 90000 + 10000).arg(n * 13 % 100),
                                 QStringLiteral("%1%").arg(n * 17 % 40 + 5)};
        for (int c = 0; c < 5; ++c)
            painter.drawText(16 + c * width / 5, y + 16, cells[c]);
    }
    if (headerAt)
        *headerAt = kTitle;
    return image;
}

QImage numberedRows(int width, int count, int rowHeight)
{
    state = 4242;
    QImage image(width, count * rowHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    painter.setPen(QColor(30, 30, 30));
    for (int n = 1, y = 0; n <= count; ++n, y += rowHeight) {
        painter.drawText(12, y + rowHeight / 2 + 5, QStringLiteral("Row %1 · %2").arg(n).arg(words(1 + n % 5)));
        painter.fillRect(width * 5 / 12, y, 40, rowHeight, QColor(n * 37 % 200, n * 91 % 256, (n * 53 + 128) % 256));
    }
    return image;
}

QImage cardGrid(int width, int rows, int columns, int pitch, std::vector<QRect>* pictures)
{
    QImage image(width, rows * pitch + 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    const int cardWidth = (width - 20) / columns - 20;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const int k = r * columns + c + 1;
            const QRect card(20 + c * (cardWidth + 20), r * pitch + 12, cardWidth, pitch - 24);
            painter.setPen(QColor(150, 150, 150));
            painter.drawRect(card.adjusted(0, 0, -1, -1));
            painter.setPen(QColor(30, 30, 30));
            painter.drawText(card.x() + 8, card.y() + 18, QStringLiteral("Card %1").arg(k));
            const QRect picture(card.x() + 8, card.y() + 28, cardWidth - 16, card.height() - 36);
            QLinearGradient shade(picture.topLeft(), picture.topRight());
            shade.setColorAt(0, QColor(k * 37 % 200, k * 91 % 256, (k * 53 + 128) % 256));
            shade.setColorAt(1, Qt::white);
            painter.fillRect(picture, shade);
            if (pictures)
                pictures->push_back(picture);
        }
    }
    return image;
}

QImage frame(const QImage& page, int top, int height, const Decor& decor)
{
    const int width = page.width();
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(252, 252, 250));
    QPainter painter(&image);
    painter.drawImage(QPoint(0, decor.header - top), page);
    if (decor.stickyFrom > 0 && top > decor.stickyFrom)
        painter.drawImage(QPoint(0, decor.header), page.copy(0, decor.stickyFrom, width, kTableHeaderRows));
    if (decor.header > 0) {
        painter.fillRect(0, 0, width, decor.header, QColor(232, 234, 240));
        painter.setPen(QColor(20, 20, 20));
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 11, QFont::Bold));
        painter.drawText(12, decor.header - 12, QStringLiteral("Release notes"));
        painter.fillRect(0, decor.header - 1, width, 1, QColor(180, 180, 190));
    }
    if (decor.scrollbar > 0) {
        // The thumb moves as for a 2400-row document, far enough per step to be seen; for
        // the page's own header, as for the page with it.
        const int trackTop = decor.pageHeader ? 0 : decor.header;
        const int document = decor.pageHeader ? decor.header + page.height() : 2400;
        const int track = height - trackTop, thumb = std::max(20, track * track / document);
        const int thumbTop = trackTop + qBound(0, top, document - track) * (track - thumb) / (document - track);
        painter.fillRect(width - decor.scrollbar, trackTop, decor.scrollbar, track, QColor(240, 240, 240));
        painter.fillRect(width - decor.scrollbar + 2, thumbTop, decor.scrollbar - 4, thumb, QColor(150, 150, 155));
    }
    if (decor.footer > 0 && decor.prompt) {
        painter.fillRect(0, height - decor.footer, width, decor.footer, QColor(252, 252, 250));
        painter.setPen(Qt::black);
        painter.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 9));
        const bool end = top >= page.height() - (height - decor.header - decor.footer);
        painter.drawText(4, height - 3, top == 0 ? QStringLiteral("lines2000.txt") : end ? QStringLiteral("(END)") : QStringLiteral(":"));
    } else if (decor.footer > 0) {
        painter.fillRect(0, height - decor.footer, width, decor.footer, QColor(40, 44, 52));
        painter.setPen(Qt::white);
        painter.drawText(16, height - decor.footer / 2 + 5, QStringLiteral("This site uses cookies.  [Accept]"));
    }
    if (decor.sidebar > 0) {
        painter.fillRect(0, decor.header, decor.sidebar, height - decor.header - decor.footer, QColor(245, 246, 250));
        painter.setPen(QColor(40, 60, 120));
        for (int y = decor.header + 24, i = 0; y < height - decor.footer; y += 22, ++i)
            painter.drawText(10, y, QStringLiteral("Chapter %1").arg(i + 1));
    }
    if (decor.caret)
        painter.fillRect(120, height / 2, 2, 16, QColor(0, 0, 0));
    if (decor.changedRegion != 0) {
        const QRect region(width / 3, height - 60, 40, 20);
        painter.fillRect(region, QColor::fromHsv((decor.changedRegion * 47) % 360, 200, 220));
        painter.setPen(Qt::white);
        painter.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10));
        painter.drawText(region, Qt::AlignCenter, QString::number(decor.changedRegion % 1000));
    }
    painter.end();
    quint32 noise = quint32(decor.noiseSeed) * 2654435761u;
    for (int y = 0; decor.noiseSeed != 0 && y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const auto shift = [&](int value, int bits) { return qBound(0, value + int((noise >> bits) % 5) - 2, 255); };
            row[x] = qRgb(shift(qRed(row[x]), 8), shift(qGreen(row[x]), 14), shift(qBlue(row[x]), 20));
        }
    }
    return image;
}

QImage cardColumn(int width, int height, int pitch, int pictureHeight, int loadedFrom)
{
    QImage page(width, height, QImage::Format_ARGB32_Premultiplied);
    page.fill(Qt::white);
    QPainter painter(&page);
    for (int i = 0; i * pitch < height; ++i) {
        const int y = i * pitch;
        painter.setPen(QColor(200, 200, 200));
        painter.drawRect(8, y + 6, 360, pitch - 12);
        if (y + 14 >= loadedFrom) {
            QLinearGradient gradient(16, y + 14, 360, y + 14 + pictureHeight);
            gradient.setColorAt(0, QColor::fromHsv(i * 37 % 360, 200, 220));
            gradient.setColorAt(1, Qt::white);
            painter.fillRect(16, y + 14, 344, pictureHeight, gradient);
        } else {
            painter.fillRect(16, y + 14, 344, pictureHeight, QColor(204, 204, 204));
        }
        painter.setPen(Qt::black);
        painter.drawText(QRect(18, y + 18 + pictureHeight, 300, 20), Qt::AlignVCenter, QStringLiteral("Card %1 · meadow").arg(i + 1));
        painter.fillRect(380, y, 10, pitch, QColor::fromHsv(i * 53 % 360, 255, 200));
    }
    return page;
}

} // namespace ScrollTestPages
