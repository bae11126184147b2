// Scrolling capture end to end, with openbox: the hot key, a rectangle dragged over a
// program's scrollable view, Lumetra scrolling it by itself, and the stitched page on
// the clipboard compared with the program's own drawing of its whole content.
#include "XvfbDesktop.h"
#include "support/TestRequirements.h"

#include <QColorSpace>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <iostream>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMETRA_UNDER_ASAN 1
#endif
#endif
#ifdef LUMETRA_UNDER_ASAN
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

namespace {

const QString kOverlay = QStringLiteral("^Lumetra Scroll Selection$");
const QString kMainWindow = QStringLiteral("^Lumetra$");
constexpr int kHeader = 48; // the probe's fixed header

class ScrollCaptureTest : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }

    void SetUp() override
    {
        DesktopTest::SetUp();
        ASSERT_TRUE(desktop().writeSettings("[General]\ncaptureOpensEditor=false\n"));
        ASSERT_TRUE(desktop().startLumetraAndWaitFor(kMainWindow));
    }

    // Starts the probe page and returns its view on screen once it stays put.
    QRect showPage(const QStringList& arguments)
    {
        if (m_probe)
            m_probe->kill();
        m_probe = desktop().startBackground(QStringLiteral(LUMETRA_SCROLL_PAGE_PROBE), arguments);
        m_lines.clear();
        QString last;
        QElapsedTimer timer;
        timer.start();
        for (QElapsedTimer still; timer.elapsed() < 20000;) {
            readProbe(100);
            const QStringList views = m_lines.filter(QRegularExpression(QStringLiteral("^view ")));
            if (!views.isEmpty() && views.last() != last) {
                last = views.last();
                still.start();
            } else if (!last.isEmpty() && still.elapsed() > 700) {
                const QStringList v = last.split(QLatin1Char(' '));
                m_contentWidth = v[5].toInt();
                return QRect(v[1].toInt(), v[2].toInt(), v[3].toInt(), v[4].toInt());
            }
        }
        return {};
    }
    void readProbe(int waitMs)
    {
        m_probe->waitForReadyRead(waitMs);
        while (m_probe->canReadLine())
            m_lines << QString::fromUtf8(m_probe->readLine()).trimmed();
    }
    // The scroll positions the probe reported after each wheel event, with their times.
    QList<QPair<int, int>> wheelEvents()
    {
        readProbe(0);
        QList<QPair<int, int>> events;
        for (const QString& line : std::as_const(m_lines))
            if (line.startsWith(QLatin1String("wheel ")))
                events.append({line.section(QLatin1Char(' '), 1, 1).toInt(), line.section(QLatin1Char(' '), 2, 2).toInt()});
        return events;
    }
    // The probe's drawing of its whole content, left of the scrollbar.
    QImage render(const QStringList& arguments)
    {
        const QString path = QDir(desktop().workDir()).filePath(QStringLiteral("render.png"));
        const CommandResult result
            = desktop().run(QStringLiteral(LUMETRA_SCROLL_PAGE_PROBE), arguments + QStringList{QStringLiteral("--render"), path}, 60000);
        EXPECT_TRUE(result.ok()) << result.describe().toStdString();
        const QImage image(path);
        return image.copy(0, 0, std::min(image.width(), m_contentWidth), image.height()).convertToFormat(QImage::Format_RGB32);
    }

    void startCapture()
    {
        ASSERT_TRUE(desktop().key(QStringLiteral("ctrl+shift+9")));
        ASSERT_TRUE(desktop().waitForWindow(kOverlay, 20000));
        EXPECT_TRUE(desktop().findWindows(kMainWindow).isEmpty()) << "Lumetra's window is out of the way";
    }
    void drag(const QRect& view)
    {
        ASSERT_TRUE(desktop().dragPointer(view.topLeft(), view.topLeft() + QPoint(view.width(), view.height()), 2));
    }
    // The clipboard's image left of the scrollbar once it is `rows` high (or any height
    // when rows is 0).
    QImage waitForCapture(int rows, int timeoutMs)
    {
        const QImage clip = desktop().waitForClipboardImage(
            [&](const QImage& image) { return rows == 0 || image.height() == rows; }, timeoutMs);
        return clip.copy(0, 0, m_contentWidth, clip.height());
    }
    // Frames per second: the first view and one per tick, a tick being a burst of clicks.
    double framesPerSecond(qint64 captureMs)
    {
        int ticks = 0, lastMs = -1000;
        for (const auto& [ms, value] : wheelEvents()) {
            ticks += ms - lastMs > 50 ? 1 : 0;
            lastMs = ms;
        }
        return (ticks + 1) * 1000.0 / double(std::max<qint64>(captureMs, 1));
    }
    void report(const char* name, double value)
    {
        RecordProperty(name, QString::number(value, 'f', 1).toStdString());
        std::cout << name << " = " << value << std::endl;
    }

    // A window's own area on the screen, inside the window manager's frame.
    QRect clientRect(const QString& windowId)
    {
        const QString info = desktop().run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), windowId}).text();
        const auto field = [&](const char* name) {
            return info.section(QLatin1String(name), 1, 1).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
        };
        return QRect(field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"), field("Height:"));
    }
    // The clipboard's image once it is there, read down one column: runs of one colour,
    // top to bottom.
    static QList<QPair<QRgb, int>> colourRuns(const QImage& image, int x)
    {
        QList<QPair<QRgb, int>> runs;
        for (int y = 0; y < image.height(); ++y) {
            const QRgb colour = image.pixel(x, y) | 0xff000000u;
            if (runs.isEmpty() || runs.last().first != colour)
                runs.append({colour, 0});
            ++runs.last().second;
        }
        return runs;
    }
    // Writes `html` to a page, shows it in a Chromium app window of 860 x 900 and returns
    // the window's client area once `ready` holds for a screenshot of the screen.
    QRect showInChromium(const QString& html, const std::function<bool(const QImage&, const QRect&)>& ready)
    {
        const QString path = QDir(desktop().workDir()).filePath(QStringLiteral("page.html"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(html.toUtf8()) <= 0)
            return {};
        file.close();
        desktop().startBackground(programOnPath(QStringLiteral("chromium")),
                                  {QStringLiteral("--no-sandbox"), QStringLiteral("--no-first-run"), QStringLiteral("--disable-gpu"),
                                   QStringLiteral("--user-data-dir=") + QDir(desktop().workDir()).filePath(QStringLiteral("chromium")),
                                   QStringLiteral("--window-position=960,40"), QStringLiteral("--window-size=860,900"),
                                   QStringLiteral("--app=file://") + path});
        const auto browser = desktop().waitForWindow(QStringLiteral("^page.html$"), 60000);
        if (!browser)
            return {};
        const QRect window = clientRect(*browser);
        const QImage shown = desktop().waitForScreenshot(
            QStringLiteral("root"), [&](const QImage& screen) { return ready(screen, window); }, 60000);
        return shown.isNull() ? QRect() : window;
    }

    QProcess* m_probe = nullptr;
    QStringList m_lines;
    int m_contentWidth = 0;
};

} // namespace

TEST_F(ScrollCaptureTest, PagesAreScrolledToTheirEndAndStitchedRowForRow)
{
    for (const int content : {6000, 10000}) {
        SCOPED_TRACE(content);
        const QStringList page{QStringLiteral("--content"), QString::number(content)};
        const QRect view = showPage(page);
        ASSERT_FALSE(view.isEmpty()) << "the probe never showed its view";
        const QImage expected = render(page);
        ASSERT_EQ(expected.height(), kHeader + content);

        startCapture();
        QElapsedTimer timer;
        drag(view);
        timer.start();
        const QImage clip = waitForCapture(kHeader + content, 120000);
        const qint64 captureMs = timer.elapsed();
        ASSERT_EQ(clip.height(), kHeader + content);
        EXPECT_TRUE(clip == expected) << "the header once, then every row of the content";
        EXPECT_EQ(wheelEvents().last().second, content - (view.height() - kHeader)) << "scrolled to the end";
        EXPECT_TRUE(desktop().waitForWindowGone(kOverlay));
        EXPECT_TRUE(desktop().waitForWindow(kMainWindow).has_value()) << "Lumetra's window is back";
        report(content == 6000 ? "capture_ms_6000" : "capture_ms_10000", double(captureMs));
        report("frames_per_second", framesPerSecond(captureMs));
    }
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(ScrollCaptureTest, AnXtermShowingSeqIsCapturedLineForLine)
{
    // 40 lines of 3001 (the last one empty, its cursor hidden), 5 lines a wheel click.
    constexpr int kRows = 40, kLines = 3001, kLinesPerClick = 5;
    EXPECT_EQ(desktop().stopLumetra(), 0);
    ASSERT_TRUE(desktop().writeSettings("[General]\ncaptureOpensEditor=false\ncaptureMaxScrollLength=50000\n"));
    ASSERT_TRUE(desktop().startLumetraAndWaitFor(kMainWindow));
    desktop().startBackground(QStringLiteral("xterm"),
                              {QStringLiteral("-T"), QStringLiteral("seq-terminal"), QStringLiteral("-geometry"),
                               QStringLiteral("80x%1+40+40").arg(kRows), QStringLiteral("-fa"), QStringLiteral("DejaVu Sans Mono"),
                               QStringLiteral("-fs"), QStringLiteral("9"), QStringLiteral("-sl"), QStringLiteral("5000"),
                               QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"),
                               QStringLiteral("seq 1 3000; printf '\\033[?25l'; exec sleep 100000")});
    const auto terminal = desktop().waitForWindow(QStringLiteral("^seq-terminal$"), 20000);
    ASSERT_TRUE(terminal.has_value());
    // The terminal's own window, inside the window manager's frame.
    const QString info = desktop().run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), *terminal}).text();
    const auto field = [&](const char* name) {
        return info.section(QLatin1String(name), 1, 1).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
    };
    const QRect frame(field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"), field("Height:"));
    const int lineHeight = (frame.height() - 4) / kRows; // inside a 2-pixel border
    ASSERT_EQ(frame.height() - 4, lineHeight * kRows);
    const QRect view(frame.x() + 2, frame.y() + 2, frame.width() - 4, lineHeight * kRows);
    // The view once it stands still, and differs from `other`.
    const auto stillView = [&](const QImage& other) {
        QImage last;
        return desktop().waitForScreenshot(QStringLiteral("root"), [&](const QImage& shot) {
            const QImage now = shot.copy(view);
            const bool still = now == last && now != other;
            last = now;
            return still;
        }, 30000).copy(view);
    };
    // The view once the terminal (done printing) has scrolled `clicks` (negative: up).
    const auto scrolled = [&](int clicks) {
        const QPoint centre = view.center();
        const QImage before = stillView(QImage());
        desktop().xdotool({QStringLiteral("mousemove"), QString::number(centre.x()), QString::number(centre.y()),
                           QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(std::abs(clicks)),
                           QStringLiteral("--delay"), QStringLiteral("1"), clicks < 0 ? QStringLiteral("4") : QStringLiteral("5")});
        return stillView(before);
    };
    scrolled(-1000);

    startCapture();
    drag(view);
    const int scrollRows = (kLines - kRows) * lineHeight;
    m_contentWidth = view.width();
    const QImage clip = waitForCapture(0, 180000).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(clip.height(), view.height() + scrollRows) << "every line once";
    // The terminal shows the same lines at the same places as the image does (with
    // Lumetra's window gone from over it).
    EXPECT_EQ(desktop().stopLumetra(), 0);
    int at = 1000; // at the end, where the capture left it
    for (const int clicks : {0, 97, 214, 276, 1000}) {
        QImage shot = scrolled(clicks - std::exchange(at, clicks)).convertToFormat(QImage::Format_RGB32);
        shot.setColorSpace(clip.colorSpace()); // the PNG's tag; the pixels are the screen's
        const int y = std::min(clicks * kLinesPerClick, kLines - kRows) * lineHeight;
        EXPECT_TRUE(clip.copy(0, y, view.width(), view.height()) == shot) << "lines from " << y / lineHeight + 1;
    }
}

TEST_F(ScrollCaptureTest, AChromiumPageWithAFixedFooterShowsEachLineOnceAndTheFooterOnceAtTheBottom)
{
    if (programOnPath(QStringLiteral("chromium")).isEmpty())
        GTEST_SKIP() << "chromium is not on PATH (scripts/bootstrap.sh --tests installs it)";
    // 500 lines of 20 px, each with its number in text and in a colour strip (a colour
    // of its own), under a 60-px footer
    // fixed to the window's bottom (the page leaves room for it below its last line).
    constexpr int kLines = 500, kLineHeight = 20, kFooter = 60, kStripX = 700;
    // Unique with the green below, and far from the lines' nearby at every distance.
    const auto stripRed = [](int n) { return (n * n * 30 + n * 17) % 256; };
    QString html = QStringLiteral("<html><body style='margin:0;padding-bottom:%1px;font:14px monospace'>").arg(kFooter);
    for (int n = 1; n <= kLines; ++n)
        html += QStringLiteral("<div style='height:%1px;position:relative'>Line %2 of the page"
                               "<span style='position:absolute;left:%3px;width:40px;height:100%;background:rgb(%4,%5,128)'>"
                               "</span></div>")
                    .arg(kLineHeight).arg(n).arg(kStripX).arg(stripRed(n)).arg(n / 256 * 100);
    html += QStringLiteral("<div style='position:fixed;bottom:0;left:0;right:0;height:%1px;background:rgb(30,30,40);"
                           "color:white'>Cookies keep this site running. [Accept]</div></body></html>").arg(kFooter);
    // The page once drawn: its first line's strip shows at the window's top.
    const QRect window = showInChromium(html, [&](const QImage& screen, const QRect& at) {
        return screen.pixel(at.x() + kStripX + 20, at.y() + 10) == qRgb(stripRed(1), 0, 128);
    });
    ASSERT_FALSE(window.isEmpty()) << "the page never showed";

    startCapture();
    const QRect view = window;
    drag(view);
    m_contentWidth = view.width();
    const QImage clip = waitForCapture(0, 120000);
    ASSERT_FALSE(clip.isNull());
    // Runs of one colour down the strip: below the browser's own title bar (whose
    // shadow falls on the first line), every line once, 20 rows each, in order, then the
    // footer once at the bottom.
    QList<QPair<QRgb, int>> runs;
    for (int y = 0; y < clip.height(); ++y) {
        const QRgb colour = clip.pixel(kStripX + 20, y) | 0xff000000u;
        if (runs.isEmpty() || runs.last().first != colour)
            runs.append({colour, 0});
        ++runs.last().second;
    }
    const auto lineColour = [&](int n) { return qRgb(stripRed(n), n / 256 * 100, 128); };
    const qsizetype first = std::find_if(runs.begin(), runs.end(), [&](const auto& run) {
        return run.first == lineColour(1);
    }) - runs.begin();
    ASSERT_EQ(runs.size() - first, kLines + 1);
    for (int n = 2; n <= kLines; ++n) {
        EXPECT_EQ(runs[first + n - 1].first, lineColour(n)) << "line " << n;
        EXPECT_EQ(runs[first + n - 1].second, kLineHeight) << "line " << n;
    }
    EXPECT_EQ(runs.last().second, kFooter) << "the footer once";
    EXPECT_EQ(runs.last().first, qRgb(30, 30, 40));
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(ScrollCaptureTest, AChromiumListOfRowsAlikeButForANarrowColumnShowsEachRowOnceAtThreeSelectionHeights)
{
    if (programOnPath(QStringLiteral("chromium")).isEmpty())
        GTEST_SKIP() << "chromium is not on PATH (scripts/bootstrap.sh --tests installs it)";
    // 400 rows of 20 px under a 60-px sticky header, the same text on alternating grey and
    // white; rows differ only in a column of small marks at the left (the row's index in
    // bars 3 px apart). A wheel click moves the page a whole number of row pairs, so
    // the rows' alike parts fit several offsets equally.
    constexpr int kRows = 400, kRowHeight = 20, kHeader = 60, kBits = 9;
    const QRgb header = qRgb(40, 90, 160), white = qRgb(255, 255, 255), grey = qRgb(236, 238, 242);
    QString html = QStringLiteral("<html><body style='margin:0;font:14px sans-serif'>"
                                  "<div style='position:sticky;top:0;z-index:1;height:%1px;background:rgb(40,90,160);"
                                  "color:white'>Inbox</div>").arg(kHeader);
    for (int n = 0; n < kRows; ++n) {
        html += QStringLiteral("<div style='height:%1px;position:relative;background:%2'>")
                    .arg(kRowHeight).arg(n % 2 ? QStringLiteral("rgb(236,238,242)") : QStringLiteral("white"));
        for (int b = 0; b < kBits; ++b) {
            if (n >> b & 1)
                html += QStringLiteral("<span style='position:absolute;left:%1px;top:6px;width:2px;height:8px;"
                                       "background:black'></span>").arg(2 + 3 * b);
        }
        html += QStringLiteral("<span style='position:absolute;left:40px;top:2px'>Quarterly report.pdf &nbsp; 12 KB"
                               " &nbsp; shared with the whole team</span></div>");
    }
    // The page says where a scroll ended in its title: Chromium animates a wheel click.
    html += QStringLiteral("<script>addEventListener('scrollend', () => { document.title = 'scrolled ' + scrollY; });"
                           "</script></body></html>");
    const QRect window = showInChromium(html, [&](const QImage& screen, const QRect& at) {
        for (int y = at.top(); y < at.bottom() - kHeader; ++y) {
            if (screen.pixel(at.x() + 600, y) == header)
                return screen.pixel(at.x() + 600, y + kHeader) == white && screen.pixel(at.x() + 600, y + kHeader + 20) == grey;
        }
        return false;
    });
    ASSERT_FALSE(window.isEmpty()) << "the page never showed";
    // The header's top (its first rows lie in the shadow of the browser's bar above it)
    // and the view's last row, right of the text.
    const QImage screen = desktop().screenshot();
    const int x = window.x() + 600;
    int headerTop = window.top();
    while (headerTop < window.bottom() && screen.pixel(x, headerTop) != header)
        ++headerTop;
    while (headerTop < window.bottom() && screen.pixel(x, headerTop) == header)
        ++headerTop;
    headerTop -= kHeader;
    int viewBottom = window.bottom();
    while (viewBottom > headerTop && screen.pixel(x, viewBottom) != white && screen.pixel(x, viewBottom) != grey)
        --viewBottom;
    ASSERT_GT(viewBottom - headerTop, 600);

    // Each row's marks: a run of 8 rows with its index, in an image whose marks begin at
    // column `left`, from row `from` down. Index and first row of each run.
    const auto marksIn = [&](const QImage& image, int left, int from) {
        QList<QPair<int, int>> marks;
        for (int y = from; y < image.height(); ++y) {
            int index = 0;
            for (int b = 0; b < kBits; ++b)
                index |= qGray(image.pixel(left + 2 + 3 * b, y)) < 60 ? 1 << b : 0;
            if (index != 0 && (marks.isEmpty() || marks.last().second + 8 <= y))
                marks.append({index, y});
        }
        return marks;
    };
    const auto toTop = [&] {
        desktop().xdotool({QStringLiteral("mousemove"), QString::number(x), QString::number(headerTop + 300),
                           QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("80"),
                           QStringLiteral("--delay"), QStringLiteral("1"), QStringLiteral("4")});
        return desktop().waitForScreenshot(QStringLiteral("root"), [&](const QImage& shot) {
            return shot.pixel(x, headerTop + kHeader) == white && shot.pixel(window.x() + 2, headerTop + kHeader + 20 + 10) == qRgb(0, 0, 0);
        }, 30000).width() > 0;
    };
    // How far one wheel click scrolls, read off the first marks below the header once
    // the page has said its scrolling ended and the screen shows the same marks twice
    // running.
    desktop().xdotool({QStringLiteral("mousemove"), QString::number(x), QString::number(headerTop + 300),
                       QStringLiteral("click"), QStringLiteral("5")});
    ASSERT_TRUE(desktop().waitForWindow(QStringLiteral("^scrolled [1-9][0-9]*$"), 30000).has_value())
        << "the page's scrolling never ended";
    QPair<int, int> firstMarks;
    desktop().waitForScreenshot(QStringLiteral("root"), [&](const QImage& shot) {
        const auto marks = marksIn(shot.copy(window.x(), headerTop + kHeader, 40, viewBottom - headerTop - kHeader), 0, 0);
        const QPair<int, int> seen = marks.isEmpty() ? QPair<int, int>() : marks.first();
        return std::exchange(firstMarks, seen) == seen && seen.first > 1;
    }, 30000);
    const int click = firstMarks.first * kRowHeight + 6 - firstMarks.second;
    ASSERT_GT(firstMarks.first, 1) << "a wheel click scrolled";

    // From the header's top to the view's bottom, 11 rows lower, and the smallest the
    // session takes: two clicks high, at the view's bottom.
    const int viewHeight = viewBottom + 1 - headerTop;
    int previousHeight = 0;
    for (const int below : {0, 11, viewHeight - 2 * click}) {
        SCOPED_TRACE(below);
        const QRect view(window.x(), headerTop + below, window.width(), viewHeight - below);
        ASSERT_TRUE(toTop()) << "back at the page's top";
        startCapture();
        drag(view);
        // The first capture's image stays on the clipboard until the second replaces it.
        const QImage clip = desktop().waitForClipboardImage(
            [&](const QImage& image) { return image.height() != previousHeight; }, 120000);
        ASSERT_FALSE(clip.isNull());
        previousHeight = clip.height();
        // What the header leaves of the selection, then every row once, 20 rows each, in
        // order: the marks of each row that the selection shows whole, one row height
        // after the last.
        const int top = below - kHeader; // the selection's top in the page (in the header: negative)
        int headerRows = 0;
        while (headerRows < clip.height() && clip.pixel(600, headerRows) != white && clip.pixel(600, headerRows) != grey)
            ++headerRows;
        EXPECT_EQ(headerRows, std::max(0, -top));
        EXPECT_EQ(clip.height(), kRows * kRowHeight - top) << "every row once";
        const int firstRow = std::max(1, (top - 6 + kRowHeight - 1) / kRowHeight);
        QList<QPair<int, int>> marks = marksIn(clip, 0, headerRows);
        while (!marks.isEmpty() && marks.first().second + top < firstRow * kRowHeight + 6)
            marks.removeFirst(); // cut by the selection's top
        ASSERT_EQ(marks.size(), kRows - firstRow) << "row 0 has no marks";
        for (int n = firstRow; n < kRows; ++n) {
            EXPECT_EQ(marks[n - firstRow].first, n) << "row " << n;
            EXPECT_EQ(marks[n - firstRow].second, n * kRowHeight + 6 - top) << "row " << n;
        }
    }
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(ScrollCaptureTest, EscapeBeforeTheFirstFrameCancelsAndAKeyMidWayEndsWithWhatWasTaken)
{
    const QRect view = showPage({});
    ASSERT_FALSE(view.isEmpty());
    startCapture();
    ASSERT_TRUE(desktop().key(QStringLiteral("Escape")));
    EXPECT_TRUE(desktop().waitForWindowGone(kOverlay));
    EXPECT_TRUE(desktop().waitForWindow(kMainWindow).has_value()) << "Lumetra's window is back";
    EXPECT_FALSE(desktop().clipboardTypes().contains(QStringLiteral("image/png")));
    EXPECT_TRUE(wheelEvents().isEmpty()) << "nothing was scrolled";

    startCapture();
    drag(view);
    QElapsedTimer timer;
    timer.start();
    while ((wheelEvents().isEmpty() || wheelEvents().last().second < 1500) && timer.elapsed() < 60000)
        readProbe(100);
    ASSERT_TRUE(desktop().key(QStringLiteral("space")));
    const QImage clip = waitForCapture(0, 60000);
    const int scrolledTo = wheelEvents().last().second;
    ASSERT_GT(clip.height(), view.height());
    EXPECT_LT(clip.height(), view.height() + 3000) << "the page was not scrolled to its end";
    EXPECT_TRUE(clip == render({}).copy(0, 0, clip.width(), clip.height())) << "what was taken, row for row";
    EXPECT_TRUE(desktop().waitForWindow(kMainWindow).has_value());
    // Once the session is over, a wheel click up of the test's own: the page has taken in
    // every wheel event before it, and none of those went past where the capture ended.
    desktop().xdotool({QStringLiteral("mousemove"), QString::number(view.center().x()), QString::number(view.center().y()),
                       QStringLiteral("click"), QStringLiteral("4")});
    QList<QPair<int, int>> events;
    ASSERT_TRUE(waitUntil([&] {
        events = wheelEvents();
        return !events.isEmpty() && events.last().second < scrolledTo;
    }, 30000)) << "the test's own wheel click never reached the page";
    int furthest = 0;
    for (const auto& [ms, value] : events)
        furthest = std::max(furthest, value);
    EXPECT_EQ(furthest, scrolledTo) << "no scrolling after the key";
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(ScrollCaptureTest, ACapture20000PixelsHighAnd1600WideStaysUnder400MegabytesOfMemory)
{
    const QStringList page{QStringLiteral("--width"), QStringLiteral("1600"), QStringLiteral("--content"),
                           QStringLiteral("21000")};
    const QRect view = showPage(page);
    ASSERT_EQ(view.width(), 1600);
    startCapture();
    drag(view);
    QElapsedTimer timer;
    timer.start();
    const QImage clip = waitForCapture(20000, 240000);
    ASSERT_EQ(clip.height(), 20000) << "the default length limit";
    EXPECT_TRUE(clip == render(page).copy(0, 0, clip.width(), 20000));
    QFile status(QStringLiteral("/proc/%1/status").arg(desktop().lumetraPid()));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    const QString peak = QString::fromLatin1(status.readAll()).section(QStringLiteral("VmHWM:"), 1).section(QLatin1Char('\n'), 0, 0);
    const double peakMb = peak.trimmed().section(QLatin1Char(' '), 0, 0).toDouble() / 1024.0;
    report("capture_ms_20000", double(timer.elapsed()));
    report("peak_rss_mb", peakMb);
    EXPECT_GT(peakMb, 0.0);
    // AddressSanitizer's shadow memory and quarantine leave the figure meaningless there.
    if (!kUnderAddressSanitizer)
        EXPECT_LT(peakMb, 400.0);
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(ScrollCaptureTest, LessInAnXtermLeavesItsChangingPromptOutOfTheLines)
{
    // less shows 49 lines of the file and a prompt below them that changes as it scrolls
    // (the file's name, then ":", at the end "(END)"); the wheel moves it by arrow keys.
    constexpr int kRows = 50, kLines = 2000;
    EXPECT_EQ(desktop().stopLumetra(), 0);
    ASSERT_TRUE(desktop().writeSettings("[General]\ncaptureOpensEditor=false\ncaptureMaxScrollLength=50000\n"));
    ASSERT_TRUE(desktop().startLumetraAndWaitFor(kMainWindow));
    const QString path = QDir(desktop().workDir()).filePath(QStringLiteral("lines2000.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // As `seq -f "%g numbered line of the file"` writes them: lines alike but for their
    // numbers, so that the joins rest on a few narrow glyphs.
    for (int n = 1; n <= kLines; ++n)
        file.write(QStringLiteral("%1 numbered line of the file\n").arg(n).toUtf8());
    file.close();
    QProcessEnvironment plainLess;
    plainLess.insert(QStringLiteral("LESS"), QString());
    plainLess.insert(QStringLiteral("LESSOPEN"), QString());
    desktop().startBackground(QStringLiteral("xterm"),
                              {QStringLiteral("-T"), QStringLiteral("less-terminal"), QStringLiteral("-geometry"),
                               QStringLiteral("100x%1+40+40").arg(kRows), QStringLiteral("-fa"), QStringLiteral("DejaVu Sans Mono"),
                               QStringLiteral("-fs"), QStringLiteral("10"), QStringLiteral("-xrm"),
                               QStringLiteral("XTerm*alternateScroll: true"), QStringLiteral("-e"), QStringLiteral("less"), path},
                              plainLess);
    const auto terminal = desktop().waitForWindow(QStringLiteral("^less-terminal$"), 20000);
    ASSERT_TRUE(terminal.has_value());
    const QRect frame = clientRect(*terminal);
    const int lineHeight = (frame.height() - 4) / kRows; // inside a 2-pixel border
    ASSERT_EQ(frame.height() - 4, lineHeight * kRows);
    const QRect view(frame.x() + 2, frame.y() + 2, frame.width() - 4, lineHeight * kRows);
    // less has drawn its first page once the view stands still with its first prompt,
    // the file's name, at the bottom
    QImage last;
    bool drawn = false;
    desktop().waitForScreenshot(QStringLiteral("root"), [&](const QImage& shot) {
        const QImage now = shot.copy(view);
        // (in reverse video: mostly dark where the terminal's background is light)
        int dark = 0;
        for (int y = (kRows - 1) * lineHeight; y < kRows * lineHeight; ++y)
            for (int x = 0; x < view.width() / 20; ++x)
                dark += qGray(now.pixel(x, y)) < 128 ? 1 : 0;
        drawn = now == last && 2 * dark > lineHeight * (view.width() / 20) && qGray(now.pixel(view.width() - 4, 4)) > 128;
        last = now;
        return drawn;
    }, 30000);
    ASSERT_TRUE(drawn) << "less never showed the file";

    startCapture();
    drag(view);
    m_contentWidth = view.width();
    const QImage clip = waitForCapture(0, 180000).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(clip.height(), (kLines + 1) * lineHeight) << "every line once, then the prompt";
    EXPECT_EQ(desktop().stopLumetra(), 0);

    // less shows the lines from `first` at the top of the terminal where the image has
    // them, the prompt never among them; at the end, its last prompt below the last line.
    ASSERT_TRUE(desktop().activate(*terminal));
    const QRect lines(view.topLeft(), QSize(view.width(), (kRows - 1) * lineHeight));
    const auto shows = [&](const QString& keys, const QImage& expected, const QRect& area) {
        EXPECT_TRUE(desktop().key(keys));
        QImage seen;
        desktop().waitForScreenshot(QStringLiteral("root"), [&](const QImage& shot) {
            seen = shot.copy(area).convertToFormat(QImage::Format_RGB32);
            seen.setColorSpace(expected.colorSpace()); // the PNG's tag; the pixels are the screen's
            return seen == expected;
        }, 8000);
        return seen == expected;
    };
    for (const int first : {1, 2, 1000, 1927}) {
        QString keys;
        for (const QChar digit : QString::number(first))
            keys += digit + QLatin1Char(' ');
        EXPECT_TRUE(shows(keys + QLatin1Char('g'), clip.copy(0, (first - 1) * lineHeight, view.width(), lines.height()), lines))
            << "lines from " << first;
    }
    const int end = clip.height() - kRows * lineHeight;
    EXPECT_TRUE(shows(QStringLiteral("G"), clip.copy(0, end, view.width(), lines.height()), lines)) << "the last lines";
    const QRect prompt(view.x(), view.y() + lines.height(), view.width() / 100 * 5, lineHeight); // "(END)"
    QImage endPrompt = clip.copy(0, clip.height() - lineHeight, prompt.width(), lineHeight);
    EXPECT_TRUE(shows(QStringLiteral("G"), endPrompt, prompt)) << "the last prompt once, at the bottom";
}

TEST_F(ScrollCaptureTest, AChromiumTableWhoseHeaderSticksOnceScrolledComesOutWholeWithTheHeaderOnce)
{
    // A title, then 300 rows of 24 px in two alternating colours under a header row that
    // sticks to the window's top once the page has scrolled it there. The title is lower
    // than one wheel click scrolls, so the header sticks with the first scroll, before
    // the click's size is known.
    constexpr int kRowCount = 300, kRowHeight = 24, kHeaderHeight = 32;
    const QRgb header = qRgb(40, 70, 110), odd = qRgb(255, 247, 232), even = qRgb(226, 236, 248);
    QString html = QStringLiteral(
        "<html><body style='margin:0;font:14px sans-serif;background:white'>"
        "<h1 style='margin:0;padding:16px;height:40px;font-size:28px'>Quarterly figures by branch</h1>"
        "<table style='border-collapse:separate;border-spacing:0;width:100%'><thead><tr>");
    for (const char* title : {"Branch", "Region", "Orders", "Revenue", "Margin"})
        html += QStringLiteral("<th style='position:sticky;top:0;height:%1px;padding:0 16px;text-align:left;"
                               "background:rgb(40,70,110);color:white'>%2</th>").arg(kHeaderHeight).arg(QLatin1String(title));
    html += QStringLiteral("</tr></thead><tbody>");
    for (int n = 1; n <= kRowCount; ++n) {
        html += QStringLiteral("<tr style='height:%1px;background:%2'>").arg(kRowHeight)
                    .arg(n % 2 ? QStringLiteral("rgb(255,247,232)") : QStringLiteral("rgb(226,236,248)"));
        html += QStringLiteral("<td style='padding:0 16px'>Branch %1</td><td style='padding:0 16px'>%2</td>"
                               "<td style='padding:0 16px'>%3</td><td style='padding:0 16px'>%4.%5</td>"
                               "<td style='padding:0 16px'>%6%</td></tr>")
                    .arg(n).arg(QLatin1String(n % 3 ? "North" : "South")).arg(n * 37 % 900 + 100)
                    .arg(n * 7919 % 90000 + 10000).arg(n * 13 % 100, 2, 10, QLatin1Char('0')).arg(n * 17 % 40 + 5);
    }
    html += QStringLiteral("</tbody></table></body></html>");
    // The page once drawn: the header row shows below the title.
    const QRect window = showInChromium(html, [&](const QImage& screen, const QRect& at) {
        return colourRuns(screen.copy(at), 4).contains({header, kHeaderHeight});
    });
    ASSERT_FALSE(window.isEmpty()) << "the page never showed";

    startCapture();
    drag(window);
    m_contentWidth = window.width();
    const QImage clip = waitForCapture(0, 120000);
    ASSERT_FALSE(clip.isNull());
    // Down the rows' left padding: the header once, then every row once, 24 rows each,
    // in alternating colours, and nothing but the page's white after the last.
    const auto runs = colourRuns(clip, 4);
    const qsizetype at = runs.indexOf({header, kHeaderHeight});
    ASSERT_GE(at, 0) << "the header";
    EXPECT_EQ(std::count_if(runs.begin(), runs.end(), [&](const auto& run) { return run.first == header; }), 1)
        << "the header once";
    int rows = 0;
    for (qsizetype i = at + 1; i < runs.size() && runs[i].first != qRgb(255, 255, 255); ++i, ++rows) {
        EXPECT_EQ(runs[i].first, rows % 2 ? even : odd) << "row " << rows + 1;
        EXPECT_EQ(runs[i].second, kRowHeight) << "row " << rows + 1;
    }
    EXPECT_EQ(rows, kRowCount);
    EXPECT_FALSE(desktop().waitForWindow(QStringLiteral("Stopped Early"), 2000).has_value()) << "nothing cut short";
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
