// A long documentation page as a browser shows it: a fixed top bar, a navigation column
// that stays put, and a main column of headings, prose and grey code blocks that scrolls.
// Much of it is plain white between lines of text that look alike, and the column that
// stays put differs from the scrolled rows at every offset.
#include "GeneratedScrollPage.h"

#include <QColor>
#include <QFont>
#include <QPainter>

namespace GeneratedScrollPage {

namespace {

// splitmix64, as the other pages draw theirs.
class Draws {
public:
    explicit Draws(quint64 seed)
        : m_state(seed)
    {
    }
    int between(int low, int high)
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return low + int(z % quint64(high - low + 1));
    }

private:
    quint64 m_state;
};

const char* const kProse[] = {"the", "file", "descriptor", "is", "closed", "when", "callback", "returns", "an",
                              "error", "if", "path", "does", "not", "exist", "encoding", "options", "buffer",
                              "asynchronously", "reads", "entire", "contents", "of", "a", "string", "or",
                              "object", "mode", "flag", "default", "permissions", "symbolic", "link"};
const char* const kCode[] = {"const", "fs", "=", "require('node:fs');", "await", "readFile(path,", "{ encoding: 'utf8' });",
                             "if", "(err)", "throw", "err;", "console.log(data);", "});", "import", "{ open }",
                             "from", "'node:fs/promises';", "for await (const line of file.readLines())"};

constexpr int kProseLinePx = 24;
constexpr int kCodeLinePx = 20;

QString wordsOf(const char* const* words, int count, int seed, int length)
{
    QString text;
    for (int i = 0; text.size() < length; ++i)
        text += QLatin1String(words[(seed * 13 + i * 7 + i * i) % count]) + QLatin1Char(' ');
    return text.left(length).trimmed();
}

int mainLeft(const Description& d)
{
    return d.navWidth + 32;
}

} // namespace

Description describeDocumentation(quint64 seed, int width, int viewHeight, int clickPx)
{
    Draws draws(seed * 0x2545F4914F6CDD1Dull + 7);
    Description d;
    d.seed = seed;
    d.documentation = true;
    d.features = scrollbar;
    d.width = width;
    d.viewHeight = viewHeight;
    d.clickPx = clickPx;
    d.scrollbarWidth = 12;
    d.stripWidth = 10;
    // Clear of where a scrollbar is looked for, right of the text.
    d.stripX = width - 70;
    d.navWidth = width / 4;
    d.topBarPx = 56;
    d.fontPx = 15;
    d.topPad = d.topBarPx + 16;
    d.bottomPad = 120;
    int y = d.topPad;
    const auto add = [&](Block block, int height) {
        Row row;
        row.number = d.rowCount() + 1;
        row.top = y;
        row.height = height;
        row.block = block;
        d.rows.push_back(row);
        y += height;
    };
    while (y < 15000 && d.rowCount() < 1000) {
        add(Block::heading, draws.between(44, 60));
        for (int i = 0, blocks = draws.between(2, 6); i < blocks; ++i) {
            if (draws.between(0, 2) == 0)
                add(Block::code, 28 + kCodeLinePx * draws.between(2, 16));
            else
                add(Block::prose, 16 + kProseLinePx * draws.between(2, 8));
        }
    }
    d.firstRows = d.rowCount();
    d.selectionHeights = {viewHeight, viewHeight * 6 / 10};
    return d;
}

void drawDocumentationRow(QPainter& painter, const Description& d, const Row& row)
{
    const int left = mainLeft(d), right = d.stripX - 12;
    const int chars = (right - left) / 8;
    painter.save();
    painter.setClipRect(left - 8, row.top, right - left + 16, row.height);
    switch (row.block) {
    case Block::heading: {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(22);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(QColor(30, 30, 30));
        painter.drawText(left, row.top + row.height - 14, wordsOf(kProse, 33, row.number, 12 + row.number % 20));
        painter.fillRect(left, row.top + row.height - 4, right - left, 1, QColor(220, 220, 220));
        break;
    }
    case Block::prose: {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(d.fontPx);
        painter.setFont(font);
        painter.setPen(QColor(40, 40, 40));
        const int lines = (row.height - 16) / kProseLinePx;
        for (int l = 0; l < lines; ++l) {
            const int length = l + 1 == lines ? 10 + (row.number * 7 + l) % (chars - 10) : chars - (row.number + l) % 6;
            painter.drawText(left, row.top + 8 + l * kProseLinePx + 17, wordsOf(kProse, 33, row.number * 5 + l, length));
        }
        break;
    }
    case Block::code: {
        painter.fillRect(left, row.top + 6, right - left, row.height - 12, QColor(242, 242, 242));
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(13);
        painter.setFont(font);
        painter.setPen(QColor(50, 50, 60));
        const int lines = (row.height - 28) / kCodeLinePx;
        for (int l = 0; l < lines; ++l) {
            const int indent = ((row.number + l) % 4) * 2;
            const int length = 4 + (row.number * 11 + l * 17) % std::max(5, chars - 12);
            painter.drawText(left + 16 + indent * 8, row.top + 14 + l * kCodeLinePx + 14,
                             wordsOf(kCode, 18, row.number * 3 + l, length));
        }
        break;
    }
    case Block::none:
        break;
    }
    painter.restore();
}

void drawDocumentationFixed(QPainter& painter, const Description& d, int scrolled)
{
    Q_UNUSED(scrolled);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    painter.setFont(font);
    painter.fillRect(0, d.topBarPx, d.navWidth, d.viewHeight - d.topBarPx, QColor(248, 248, 248));
    painter.fillRect(d.navWidth - 1, d.topBarPx, 1, d.viewHeight - d.topBarPx, QColor(226, 226, 226));
    painter.setPen(QColor(60, 90, 60));
    for (int i = 0, y = d.topBarPx + 28; y < d.viewHeight - 8; ++i, y += 26)
        painter.drawText(20, y, wordsOf(kProse, 33, i * 3 + 1, 6 + (i * 7) % 18));
    painter.fillRect(0, 0, d.width, d.topBarPx, QColor(255, 255, 255));
    painter.fillRect(0, d.topBarPx - 1, d.width, 1, QColor(210, 210, 210));
    font.setPixelSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(30, 30, 30));
    painter.drawText(20, 36, QStringLiteral("Documentation  ·  Index  ·  About this documentation"));
}

} // namespace GeneratedScrollPage
