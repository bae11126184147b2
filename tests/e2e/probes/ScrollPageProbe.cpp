// A scrollable page for the scrolling-capture end-to-end tests: a window titled
// "ScrollPage" whose view is a fixed header over rows of numbered text and colour
// blocks, none alike, with a visible scrollbar. A wheel click scrolls 57 rows.
//
//   ScrollPageProbe [--width W] [--height H] [--content N]   show the window (900 x 6000 by default)
//   ScrollPageProbe ... --render PATH   write the view's whole content (header, then every row,
//                                       the scrollbar left out) as PNG and exit
//
// While shown it writes to standard output "view X Y W H V" (the view's place on the screen,
// V the width of its rows left of the scrollbar) whenever that changes, and "wheel MS VALUE" for every wheel event (milliseconds since
// start, the scroll position after it).
#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cstdio>

namespace {

constexpr int kHeaderHeight = 48;
constexpr int kRowHeight = 20;

void say(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

quint32 mix(quint32 value)
{
    value ^= value >> 16;
    value *= 0x7feb352du;
    value ^= value >> 15;
    value *= 0x846ca68bu;
    return value ^ (value >> 16);
}

// Row `row` of the content, its top at y.
void paintRow(QPainter& painter, int row, int y, int width)
{
    const quint32 h = mix(quint32(row) + 1);
    painter.fillRect(0, y, width, kRowHeight, QColor::fromHsv(int(h % 360), 30 + int(h >> 24) % 40, 245));
    painter.fillRect(int(140 + (h >> 8) % 300), y + 4, int(16 + (h >> 4) % 60), 12,
                     QColor::fromHsv(int((h >> 12) % 360), 180, 170));
    static const char* syllables[] = {"ka", "lo", "mir", "sen", "tu", "va", "rel", "dop", "qui", "ne", "bar", "zo"};
    QString words;
    for (quint32 w = 0, s = h; w < 3 + h % 5; ++w, s = mix(s))
        words += QLatin1String(syllables[s % 12]) + QLatin1String(syllables[(s >> 8) % 12]) + QLatin1Char(' ');
    painter.setPen(QColor(20, 20, 30));
    painter.drawText(QRect(8, y, width - 16, kRowHeight), Qt::AlignVCenter,
                     QStringLiteral("%1   ").arg(row, 5, 10, QLatin1Char('0')) + words);
}

void paintHeader(QPainter& painter, int width)
{
    painter.fillRect(0, 0, width, kHeaderHeight, QColor(45, 55, 72));
    painter.fillRect(0, kHeaderHeight - 3, width, 3, QColor(240, 160, 40));
    painter.setPen(Qt::white);
    painter.drawText(QRect(12, 0, width - 24, kHeaderHeight - 3), Qt::AlignVCenter,
                     QStringLiteral("Scroll probe · fixed header"));
}

QFont probeFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    return font;
}

class Header : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setFont(probeFont());
        paintHeader(painter, width());
    }
};

class Page : public QAbstractScrollArea {
public:
    explicit Page(int contentHeight)
        : m_contentHeight(contentHeight)
    {
        setFrameShape(QFrame::NoFrame);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        verticalScrollBar()->setSingleStep(19); // three lines a click: 57 rows
        m_clock.start();
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QAbstractScrollArea::resizeEvent(event);
        verticalScrollBar()->setRange(0, m_contentHeight - viewport()->height());
        verticalScrollBar()->setPageStep(viewport()->height());
    }
    void scrollContentsBy(int, int dy) override { viewport()->scroll(0, dy); }
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(viewport());
        painter.setFont(probeFont());
        const int top = verticalScrollBar()->value();
        painter.translate(0, -top);
        const QRect area = event->rect().translated(0, top);
        for (int row = area.top() / kRowHeight; row <= area.bottom() / kRowHeight && row * kRowHeight < m_contentHeight; ++row)
            paintRow(painter, row, row * kRowHeight, viewport()->width());
    }
    void wheelEvent(QWheelEvent* event) override
    {
        QAbstractScrollArea::wheelEvent(event);
        say(QStringLiteral("wheel %1 %2").arg(m_clock.elapsed()).arg(verticalScrollBar()->value()));
    }

private:
    int m_contentHeight;
    QElapsedTimer m_clock;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char* name, int fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
    };
    const int width = option("--width", 900), height = option("--height", 900), content = option("--content", 6000);

    QWidget window;
    window.setWindowTitle(QStringLiteral("ScrollPage"));
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* header = new Header;
    header->setFixedHeight(kHeaderHeight);
    auto* page = new Page(content);
    layout->addWidget(header);
    layout->addWidget(page);
    window.setFixedSize(width, height);

    if (const qsizetype at = args.indexOf(QStringLiteral("--render")); at >= 0 && at + 1 < args.size()) {
        window.ensurePolished();
        layout->activate();
        const int viewWidth = width - page->verticalScrollBar()->sizeHint().width();
        QImage image(viewWidth, kHeaderHeight + content, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setFont(probeFont());
        paintHeader(painter, width);
        painter.translate(0, kHeaderHeight);
        for (int row = 0; row * kRowHeight < content; ++row)
            paintRow(painter, row, row * kRowHeight, viewWidth);
        painter.end();
        return image.save(args[at + 1], "PNG") ? 0 : 1;
    }

    window.show();
    QString last;
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        const QPoint at = window.mapToGlobal(QPoint(0, 0));
        const QString line = QStringLiteral("view %1 %2 %3 %4 %5")
                                 .arg(at.x())
                                 .arg(at.y())
                                 .arg(width)
                                 .arg(height)
                                 .arg(page->viewport()->width());
        if (line != last && window.isVisible())
            say(last = line);
    });
    report.start(100);
    return app.exec();
}
