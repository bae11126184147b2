// Screenshots to measure PNG encoding on, rendered with Qt the way a Linux
// desktop draws: anti-aliased text in windows, a browser page, a terminal, a
// photo in a viewer, plus a flat and a noisy screen. Seeded, so every run
// encodes the same pixels.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <vector>

namespace DesktopCorpus {

inline QString words(QRandomGenerator& random, int count)
{
    static const QStringList vocabulary = QStringLiteral(
        "the of and to in is for that with on as by this be are from at or an it not which have was all can has "
        "screen window capture image file open save export layer colour pixel annotation arrow text editor build "
        "release network server request response value default setting display desktop panel option update "
        "support version report memory thread device system program install package library function return")
                                              .split(' ');
    QString line;
    for (int i = 0; i < count; ++i) {
        if (i)
            line += ' ';
        line += vocabulary[int(random.bounded(vocabulary.size()))];
    }
    return line;
}

// Sky, sun, hills and grass with sensor noise: compresses like a photograph.
inline void paintPhoto(QImage& image, const QRect& area, quint32 seed)
{
    QRandomGenerator random(seed);
    const QRect r = area.intersected(image.rect());
    const double horizon = area.top() + area.height() * (0.45 + random.bounded(0.15));
    const double sunX = area.left() + area.width() * random.bounded(1.0);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            const double u = double(x - area.left()) / area.width();
            const double hill = horizon + area.height() * 0.08 * std::sin(u * 7.0 + seed)
                + area.height() * 0.03 * std::sin(u * 23.0);
            double red, green, blue;
            if (y < hill) {
                const double t = double(y - area.top()) / area.height();
                const double glow = std::max(0.0, 1.0 - std::hypot(x - sunX, y - area.top() - 40.0) / (area.width() * 0.4));
                red = 90 + 120 * t + 120 * glow;
                green = 140 + 70 * t + 90 * glow;
                blue = 220 - 40 * t + 20 * glow;
            } else {
                const double depth = (y - hill) / area.height();
                red = 60 + 50 * std::sin(x * 0.05) * depth + 40 * depth;
                green = 110 + 40 * std::sin(x * 0.013 + y * 0.02) - 50 * depth;
                blue = 40 + 20 * depth;
            }
            const int noise = int(random.bounded(17)) - 8;
            row[x] = qRgb(std::clamp(int(red) + noise, 0, 255), std::clamp(int(green) + noise, 0, 255),
                          std::clamp(int(blue) + noise, 0, 255));
        }
    }
}

inline void paintWallpaper(QPainter& painter, const QRect& rect)
{
    QLinearGradient sky(rect.topLeft(), rect.bottomRight());
    sky.setColorAt(0, QColor(36, 52, 92));
    sky.setColorAt(0.6, QColor(92, 70, 128));
    sky.setColorAt(1, QColor(190, 110, 120));
    painter.fillRect(rect, sky);
    QRadialGradient glow(rect.center(), rect.width() / 3.0);
    glow.setColorAt(0, QColor(255, 200, 160, 90));
    glow.setColorAt(1, QColor(255, 200, 160, 0));
    painter.fillRect(rect, glow);
}

// A window frame with a title bar; returns the content rectangle.
inline QRect paintWindow(QPainter& painter, const QRect& frame, const QString& title, bool dark = false)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawRoundedRect(frame.adjusted(-3, -2, 3, 5), 9, 9);
    painter.setBrush(dark ? QColor(40, 42, 46) : QColor(246, 246, 247));
    painter.drawRoundedRect(frame, 8, 8);
    painter.setBrush(dark ? QColor(52, 54, 58) : QColor(228, 229, 232));
    painter.drawRoundedRect(QRect(frame.left(), frame.top(), frame.width(), 34), 8, 8);
    painter.fillRect(QRect(frame.left(), frame.top() + 26, frame.width(), 8), dark ? QColor(52, 54, 58) : QColor(228, 229, 232));
    const QColor buttons[3] = {QColor(237, 106, 94), QColor(245, 191, 79), QColor(98, 197, 84)};
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(buttons[i]);
        painter.drawEllipse(QPoint(frame.right() - 22 - 22 * i, frame.top() + 17), 6, 6);
    }
    painter.setPen(dark ? QColor(220, 220, 220) : QColor(40, 40, 40));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10, QFont::DemiBold));
    painter.drawText(QRect(frame.left(), frame.top(), frame.width(), 34), Qt::AlignCenter, title);
    return QRect(frame.left(), frame.top() + 34, frame.width(), frame.height() - 34);
}

inline void paintTopPanel(QPainter& painter, const QRect& screen)
{
    painter.fillRect(QRect(screen.left(), screen.top(), screen.width(), 30), QColor(24, 24, 28));
    painter.setPen(QColor(235, 235, 235));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    painter.drawText(QRect(screen.left(), screen.top(), screen.width(), 30), Qt::AlignCenter, QStringLiteral("Tue 14:32"));
    painter.drawText(QRect(screen.left() + 14, screen.top(), 200, 30), Qt::AlignVCenter, QStringLiteral("Activities"));
    for (int i = 0; i < 5; ++i) {
        painter.setBrush(QColor::fromHsv(40 * i, 120, 220));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPoint(screen.right() - 20 - 26 * i, screen.top() + 15), 7, 7);
    }
}

// A text editor: line numbers and code coloured by kind.
inline void paintEditor(QPainter& painter, const QRect& content, QRandomGenerator& random)
{
    painter.fillRect(content, QColor(253, 253, 253));
    painter.fillRect(QRect(content.topLeft(), QSize(48, content.height())), QColor(240, 240, 242));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10));
    const QColor kinds[4] = {QColor(30, 30, 30), QColor(0, 92, 197), QColor(163, 21, 21), QColor(0, 128, 0)};
    int number = 1;
    for (int y = content.top() + 18; y < content.bottom() - 4; y += 18, ++number) {
        painter.setPen(QColor(150, 150, 150));
        painter.drawText(content.left() + 8, y, QString::number(number).rightJustified(4));
        int x = content.left() + 60 + 28 * int(random.bounded(4));
        for (int token = 0, tokens = int(random.bounded(8)); token < tokens; ++token) {
            const QString word = words(random, 1) + (random.bounded(3) == 0 ? QStringLiteral("();") : QString());
            painter.setPen(kinds[random.bounded(4)]);
            painter.drawText(x, y, word);
            x += QFontMetrics(painter.font()).horizontalAdvance(word + ' ');
        }
    }
}

// A file manager: sidebar of places, rows of files with icons, sizes and dates.
inline void paintFiles(QPainter& painter, const QRect& content, QRandomGenerator& random)
{
    painter.fillRect(content, Qt::white);
    painter.fillRect(QRect(content.topLeft(), QSize(180, content.height())), QColor(242, 242, 244));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    painter.setPen(QColor(50, 50, 50));
    const char* places[] = {"Home", "Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos", "Trash"};
    for (int i = 0; i < 8; ++i)
        painter.drawText(content.left() + 36, content.top() + 28 + 26 * i, QString::fromLatin1(places[i]));
    for (int y = content.top() + 10, row = 0; y < content.bottom() - 24; y += 26, ++row) {
        if (row % 2)
            painter.fillRect(QRect(content.left() + 180, y, content.width() - 180, 26), QColor(247, 248, 250));
        painter.setBrush(QColor::fromHsv(int(random.bounded(360)), 90, 230));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRect(content.left() + 192, y + 5, 16, 16), 3, 3);
        painter.setPen(QColor(30, 30, 30));
        painter.drawText(content.left() + 218, y + 18, words(random, 2).replace(' ', '_') + QStringLiteral(".txt"));
        painter.setPen(QColor(110, 110, 110));
        painter.drawText(content.right() - 260, y + 18, QStringLiteral("%1 kB").arg(random.bounded(9000)));
        painter.drawText(content.right() - 160, y + 18, QStringLiteral("2024-0%1-1%2").arg(1 + random.bounded(9)).arg(random.bounded(10)));
    }
}

// Paragraphs of wrapped text, headings, figures and a few buttons, as a web page
// lays them out; `top` is where the page starts inside `content`.
inline void paintPage(QImage& image, QPainter& painter, const QRect& content, QRandomGenerator& random, quint32 seed)
{
    painter.fillRect(content, Qt::white);
    const int column = std::min(content.width() - 80, 760);
    const int left = content.left() + (content.width() - column) / 2 - (content.width() > 1400 ? 160 : 0);
    const int sideLeft = left + column + 60;
    int y = content.top() + 30;
    int figure = 0;
    while (y < content.bottom() - 40) {
        painter.setPen(QColor(20, 20, 20));
        painter.setFont(QFont(QStringLiteral("DejaVu Serif"), 18, QFont::Bold));
        painter.drawText(QRect(left, y, column, 40), Qt::AlignLeft | Qt::AlignVCenter, words(random, 5));
        y += 52;
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
        for (int p = 0, paragraphs = 2 + int(random.bounded(3)); p < paragraphs && y < content.bottom() - 40; ++p) {
            const QRect box(left, y, column, content.bottom() - y);
            const QString text = words(random, 40 + int(random.bounded(80)));
            const QRect used = painter.boundingRect(box, Qt::TextWordWrap, text);
            painter.setPen(QColor(40, 40, 40));
            painter.drawText(box, Qt::TextWordWrap, text);
            y += used.height() + 16;
        }
        if (++figure % 2 == 1 && y + 320 < content.bottom()) {
            paintPhoto(image, QRect(left, y, column, 300), seed + quint32(figure));
            painter.setPen(QColor(110, 110, 110));
            painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 9, -1, true));
            painter.drawText(left, y + 318, words(random, 8));
            y += 340;
        }
        painter.setBrush(QColor(26, 115, 232));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRect(left, y, 140, 36), 6, 6);
        painter.setPen(Qt::white);
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10, QFont::DemiBold));
        painter.drawText(QRect(left, y, 140, 36), Qt::AlignCenter, QStringLiteral("Read more"));
        y += 64;
    }
    // A sidebar of cards beside the column, when the page is wide enough.
    for (int cardY = content.top() + 30; sideLeft + 280 < content.right() && cardY + 160 < content.bottom(); cardY += 190) {
        painter.setPen(QColor(225, 225, 228));
        painter.setBrush(QColor(250, 250, 251));
        painter.drawRoundedRect(QRect(sideLeft, cardY, 280, 160), 8, 8);
        painter.setPen(QColor(30, 30, 30));
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 11, QFont::Bold));
        painter.drawText(sideLeft + 14, cardY + 28, words(random, 3));
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
        painter.setPen(QColor(90, 90, 90));
        painter.drawText(QRect(sideLeft + 14, cardY + 40, 252, 110), Qt::TextWordWrap, words(random, 24));
    }
}

inline QImage blank(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

// Overlapping windows with text on a wallpaper.
inline QImage windowsWithText(int width = 1920, int height = 1080, double scale = 1.0)
{
    QImage image = blank(width, height);
    QRandomGenerator random(11);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    const QRect screen(0, 0, int(width / scale), int(height / scale));
    paintWallpaper(painter, screen);
    paintTopPanel(painter, screen);
    paintFiles(painter, paintWindow(painter, QRect(60, 80, 900, 620), QStringLiteral("Documents")), random);
    paintEditor(painter, paintWindow(painter, QRect(screen.width() / 2 - 200, 160, screen.width() / 2 + 120, screen.height() - 260),
                                     QStringLiteral("main.cpp - Editor")),
                random);
    return image;
}

inline QImage browserPage(int width = 1920, int height = 1080)
{
    QImage image = blank(width, height);
    QRandomGenerator random(12);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect content = paintWindow(painter, QRect(0, 0, width, height), QStringLiteral("News - Browser"));
    painter.fillRect(QRect(content.left(), content.top(), width, 80), QColor(236, 236, 238));
    painter.setBrush(Qt::white);
    painter.setPen(QColor(210, 210, 214));
    painter.drawRoundedRect(QRect(120, content.top() + 44, width - 300, 28), 14, 14);
    painter.setPen(QColor(60, 60, 60));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    painter.drawText(140, content.top() + 63, QStringLiteral("https://news.example.org/articles/2024/screen-capture"));
    for (int tab = 0; tab < 5; ++tab)
        painter.drawText(20 + 220 * tab, content.top() + 26, words(random, 3));
    paintPage(image, painter, QRect(content.left(), content.top() + 80, width, height - content.top() - 80), random, 40);
    return image;
}

inline QImage terminal(int width = 1920, int height = 1080)
{
    QImage image = blank(width, height);
    QRandomGenerator random(13);
    QPainter painter(&image);
    const QRect content = paintWindow(painter, QRect(0, 0, width, height), QStringLiteral("user@host: ~/src/lumetra"), true);
    painter.fillRect(content, QColor(30, 30, 30));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 11));
    for (int y = content.top() + 20; y < content.bottom() - 4; y += 19) {
        const int kind = int(random.bounded(10));
        if (kind == 0) {
            painter.setPen(QColor(138, 226, 52));
            painter.drawText(8, y, QStringLiteral("user@host"));
            painter.setPen(QColor(114, 159, 207));
            painter.drawText(100, y, QStringLiteral("~/src/lumetra $"));
            painter.setPen(QColor(238, 238, 236));
            painter.drawText(250, y, words(random, 3));
        } else if (kind < 3) {
            painter.setPen(QColor(252, 233, 79));
            painter.drawText(8, y, QStringLiteral("warning: ") + words(random, 10));
        } else {
            painter.setPen(QColor(211, 215, 207));
            painter.drawText(8, y, QStringLiteral("[%1/412] ").arg(random.bounded(412)) + words(random, 6 + int(random.bounded(12))));
        }
    }
    return image;
}

inline QImage photoInWindow(int width = 1920, int height = 1080)
{
    QImage image = blank(width, height);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintWallpaper(painter, image.rect());
    paintTopPanel(painter, image.rect());
    const QRect content = paintWindow(painter, QRect(160, 70, width - 320, height - 120), QStringLiteral("IMG_2041.jpg - Viewer"));
    painter.fillRect(content, QColor(30, 30, 30));
    painter.end();
    paintPhoto(image, content.adjusted(40, 30, -40, -60), 7);
    return image;
}

// A full-screen photograph as wallpaper: clouds of smooth noise over a few
// octaves, coloured along a dusk gradient, with a light sensor grain.
inline QImage photoWallpaper(int width = 1920, int height = 1080, quint32 seed = 11)
{
    QRandomGenerator random(seed);
    constexpr int lattice = 64;
    std::vector<double> knots(lattice * lattice);
    for (double& knot : knots)
        knot = random.bounded(1.0);
    const auto smooth = [&](double x, double y) {
        const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
        const double fx = x - x0, fy = y - y0;
        const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
        const auto at = [&](int i, int j) { return knots[(j & (lattice - 1)) * lattice + (i & (lattice - 1))]; };
        const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
        const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
        return top + (bottom - top) * sy;
    };
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            double cloud = 0, weight = 0.5, frequency = 1.0 / 240;
            for (int octave = 0; octave < 5; ++octave, weight *= 0.5, frequency *= 2.1)
                cloud += weight * smooth(x * frequency + octave * 7.3, y * frequency + octave * 3.1);
            const double t = double(y) / height;
            const double red = 40 + 150 * t + 90 * cloud;
            const double green = 50 + 60 * t + 110 * cloud * (1 - t);
            const double blue = 120 - 50 * t + 100 * cloud;
            const int grain = int(random.bounded(3)) + int(random.bounded(3)) - 2;
            row[x] = qRgb(std::clamp(int(red) + grain, 0, 255), std::clamp(int(green) + grain, 0, 255),
                          std::clamp(int(blue) + grain, 0, 255));
        }
    }
    return image;
}

inline QImage flatScreen(int width = 1920, int height = 1080)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(236, 236, 236));
    return image;
}

inline QImage noisyScreen(int width = 1920, int height = 1080)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(14);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = random.generate() | 0xff000000u;
    }
    return image;
}

// A long page captured by scrolling.
inline QImage scrollingCapture(int width = 1600, int height = 20000)
{
    QImage image = blank(width, height);
    QRandomGenerator random(15);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintPage(image, painter, image.rect(), random, 80);
    return image;
}

// A high-density desktop as the editor holds it (premultiplied), for saving.
inline QImage retinaDesktop()
{
    return windowsWithText(5120, 2880, 2.0).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// A very large picture put together in the editor: desktops, pages and photos side by side.
inline QImage hugeCanvas(int side = 12000)
{
    QImage image = blank(side, side);
    QPainter painter(&image);
    const QImage tiles[4] = {windowsWithText(2400, 1500, 1.25), browserPage(2400, 3000), terminal(2400, 1500),
                             photoInWindow(2400, 1500)};
    painter.fillRect(image.rect(), QColor(245, 245, 245));
    for (int y = 0, i = 0; y < side; y += 1500 + 120)
        for (int x = 0; x < side; x += 2400 + 120, ++i)
            painter.drawImage(x + (y / 1620) * 37 % 120, y, tiles[(i * 3 + y / 1620) % 4]);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace DesktopCorpus
