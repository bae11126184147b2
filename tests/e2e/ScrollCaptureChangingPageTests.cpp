// Scrolling capture end to end over Chromium pages that change while they scroll: a
// feed that loads more rows once its end shows, slowly and quickly, cards whose pictures
// load once in view, rows under a bar of moving stripes across the window, with
// spinners and a caret, and rows exactly alike down to the page's end. Each page is captured over the view's whole height and over its
// lower 60%. Every row carries its number in text and its own colour in a strip; the
// stitched image must show every row the selection reached once, whole and in order,
// down to the page's last, without a word of stopping early. (Lumetra runs with
// --verbose: a failing test leaves the capture's steps in its output.)
#include "XvfbDesktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace {

const QString kOverlay = QStringLiteral("^Lumetra Scroll Selection$");
const QString kMainWindow = QStringLiteral("^Lumetra$");
const QString kStoppedEarly = QStringLiteral("Stopped Early");
constexpr int kStripX = 640, kStripWidth = 40;

// A row's own colour: neighbours always differ, and no row is white.
QRgb rowColour(int n)
{
    return qRgb(n * 37 % 200, n * 91 % 256, (n * 53 + 128) % 256);
}

// The script's row(n, height): "Row n" with a line of words that varies from row to row,
// and the row's colour in a strip at kStripX; colour(n) is rowColour(n) in CSS.
QString rowScript()
{
    return QStringLiteral(
               "const words=['river','lantern','copper','meadow','orbit','velvet','harbour','thistle','quartz','ember'];"
               "function colour(n){return 'rgb('+(n*37%200)+','+(n*91%256)+','+((n*53+128)%256)+')';}"
               "function row(n,h){const d=document.createElement('div');"
               "d.style.cssText='height:'+h+'px;position:relative;overflow:hidden;padding-left:12px;box-sizing:border-box';"
               "let t='Row '+n+' &middot; ';for(let i=0;i<1+n%5;i++)t+=words[(n*7+i*3)%10]+' ';"
               "d.innerHTML=t+'<span style=\"position:absolute;left:%1px;top:0;width:%2px;height:100%;background:'+colour(n)+'\"></span>';"
               "return d;}")
        .arg(kStripX)
        .arg(kStripWidth);
}

class ScrollCaptureChangingPageTest : public DesktopTest {
protected:
    QProcess* m_browser = nullptr;
    QString m_browserPage;

    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }

    void SetUp() override
    {
        DesktopTest::SetUp();
        ASSERT_TRUE(desktop().writeSettings("[General]\ncaptureOpensEditor=false\n"));
        ASSERT_TRUE(desktop().startLumetraAndWaitFor(kMainWindow, {QStringLiteral("--verbose")}));
    }

    // Shows `html` in a Chromium app window and returns its client area once `ready`
    // holds for a screenshot of the screen. Each `name` is a page of its own, in a
    // browser of its own (closeChromium() ends the last one).
    QRect showInChromium(const QString& html, const std::function<bool(const QImage&, const QRect&)>& ready,
                         const QString& name = QStringLiteral("page"))
    {
        const QString path = QDir(desktop().workDir()).filePath(name + QStringLiteral(".html"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(html.toUtf8()) <= 0)
            return {};
        file.close();
        m_browserPage = name;
        m_browser = desktop().startBackground(QStringLiteral("chromium"),
                                  {QStringLiteral("--no-sandbox"), QStringLiteral("--no-first-run"), QStringLiteral("--disable-gpu"),
                                   QStringLiteral("--test-type"), QStringLiteral("--force-device-scale-factor=1"),
                                   QStringLiteral("--user-data-dir=") + QDir(desktop().workDir()).filePath(QStringLiteral("chromium-") + name),
                                   QStringLiteral("--window-position=860,40"), QStringLiteral("--window-size=1000,900"),
                                   QStringLiteral("--app=file://") + path});
        const auto browser = desktop().waitForWindow(QStringLiteral("^%1.html$").arg(name), 60000);
        if (!browser)
            return {};
        const QString info = desktop().run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), *browser}).text();
        const auto field = [&](const char* name) {
            return info.section(QLatin1String(name), 1, 1).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
        };
        const QRect window(field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"), field("Height:"));
        const QImage shown = desktop().waitForScreenshot(
            QStringLiteral("root"), [&](const QImage& screen) { return ready(screen, window); }, 60000);
        return shown.isNull() ? QRect() : window;
    }

    // Ends the browser showInChromium() started last and waits until its window is gone.
    bool closeChromium()
    {
        if (!m_browser)
            return false;
        m_browser->terminate();
        m_browser->waitForFinished(20000);
        m_browser = nullptr;
        return desktop().waitForWindowGone(QStringLiteral("^%1.html$").arg(m_browserPage), 20000);
    }

    // The window's whole height, or its lower 60%.
    static QRect selection(const QRect& window, bool whole)
    {
        return whole ? window : QRect(window.x(), window.y() + window.height() * 4 / 10, window.width(),
                                      window.height() - window.height() * 4 / 10);
    }

    // Drags over `view` and returns the stitched image once it is on the clipboard.
    QImage capture(const QRect& view, int timeoutMs)
    {
        if (!desktop().key(QStringLiteral("ctrl+shift+9")) || !desktop().waitForWindow(kOverlay, 20000))
            return {};
        if (!desktop().dragPointer(view.topLeft(), view.topLeft() + QPoint(view.width(), view.height()), 2))
            return {};
        const QImage clip = desktop().waitForClipboardImage([](const QImage& image) { return !image.isNull(); }, timeoutMs);
        if (!clip.isNull())
            desktop().saveImage(QStringLiteral("capture.png"), clip);
        return clip;
    }

    // Runs of one colour down the rows' strip.
    static QList<QPair<QRgb, int>> stripRuns(const QImage& image)
    {
        QList<QPair<QRgb, int>> runs;
        for (int y = 0; y < image.height(); ++y) {
            const QRgb colour = image.pixel(kStripX + kStripWidth / 2, y) | 0xff000000u;
            if (runs.isEmpty() || runs.last().first != colour)
                runs.append({colour, 0});
            ++runs.last().second;
        }
        return runs;
    }

    // Every row from the first the image shows whole to `lastRow`, once, `rowHeight` rows
    // each, in order, then nothing but the page's white (at most `tail` rows of it).
    static void expectRowsInOrder(const QImage& clip, int lastRow, int rowHeight, int tail)
    {
        const auto runs = stripRuns(clip);
        ASSERT_GE(runs.size(), 3);
        // Above the first whole row: the browser's own bar, or a row the selection's top cut.
        qsizetype at = 0;
        int first = 0;
        for (; at < runs.size() && at < 8 && first == 0; ++at) {
            for (int n = 1; n <= lastRow && first == 0; ++n)
                first = runs[at] == QPair<QRgb, int>(rowColour(n), rowHeight) ? n : 0;
        }
        ASSERT_GT(first, 0) << "a whole row near the image's top";
        --at;
        for (int n = first; n <= lastRow; ++n, ++at) {
            ASSERT_LT(at, runs.size()) << "rows " << n << " to " << lastRow << " are missing";
            ASSERT_EQ(runs[at].first, rowColour(n)) << "row " << n << " (of " << lastRow << ")";
            EXPECT_EQ(runs[at].second, rowHeight) << "row " << n;
        }
        ASSERT_EQ(at, runs.size() - 1) << "the page's white below the last row, and nothing else";
        EXPECT_EQ(runs.last().first, qRgb(255, 255, 255));
        EXPECT_LE(runs.last().second, tail);
    }

    void expectNoMessage()
    {
        EXPECT_FALSE(desktop().waitForWindow(kStoppedEarly, 3000).has_value()) << "nothing was cut short";
    }

    // A feed of 160 rows 40 px high, 60 at first and 20 more each time its end has
    // been in view for `loadMs`.
    void captureFeed(int loadMs, bool whole)
    {
        constexpr int kRows = 160, kRowHeight = 40, kFirst = 60, kBatch = 20;
        const QString html
            = QStringLiteral("<html><body style='margin:0;font:15px sans-serif;background:white'>"
                             "<div id='feed'></div><div id='end' style='height:24px'></div><script>")
              + rowScript()
              + QStringLiteral("const feed=document.getElementById('feed'),end=document.getElementById('end');"
                               "let n=0,pending=false;"
                               "function add(k){for(let i=0;i<k&&n<%1;i++)feed.appendChild(row(++n,%2));}"
                               "function check(){if(pending||n>=%1||end.getBoundingClientRect().top>=innerHeight)return;"
                               "pending=true;setTimeout(()=>{add(%3);pending=false;check();},%4);}"
                               "add(%5);addEventListener('scroll',check);check();</script></body></html>")
                    .arg(kRows)
                    .arg(kRowHeight)
                    .arg(kBatch)
                    .arg(loadMs)
                    .arg(kFirst);
        const QRect window = showInChromium(html, [&](const QImage& screen, const QRect& at) {
            return stripRuns(screen.copy(at)).contains({rowColour(2), kRowHeight});
        });
        ASSERT_FALSE(window.isEmpty()) << "the page never showed";
        const QImage clip = capture(selection(window, whole), 180000);
        ASSERT_FALSE(clip.isNull()) << "no capture on the clipboard";
        expectRowsInOrder(clip, kRows, kRowHeight, 24);
        expectNoMessage();
        EXPECT_EQ(desktop().stopLumetra(), 0);
    }

    // 70 cards of 180 px, each with a picture that is grey until it has been in view for
    // a moment, and then shows the card's colour: between two frames, pictures in the rows
    // they share change from grey to colour.
    void captureLatePictures(bool whole, int kCardHeight = 180)
    {
        constexpr int kCards = 70, kPictureX = 40, kPictureWidth = 240;
        const QString html
            = QStringLiteral("<html><body style='margin:0;font:15px sans-serif;background:white'><div id='cards'></div>"
                             "<div style='height:24px'></div><script>")
              + rowScript()
              + QStringLiteral("const cards=document.getElementById('cards');"
                               "const seen=new IntersectionObserver(es=>{for(const e of es){if(!e.isIntersecting)continue;"
                               "seen.unobserve(e.target);const p=e.target;"
                               "setTimeout(()=>{p.style.background='linear-gradient(90deg,'+colour(+p.dataset.n)+',white)';},250);}});"
                               "for(let n=1;n<=%1;n++){const c=row(n,%2);"
                               "const p=document.createElement('div');p.dataset.n=n;"
                               "p.style.cssText='position:absolute;left:%3px;top:30px;width:%4px;height:130px;background:rgb(204,204,204)';"
                               "c.appendChild(p);cards.appendChild(c);seen.observe(p);}</script></body></html>")
                    .arg(kCards)
                    .arg(kCardHeight)
                    .arg(kPictureX)
                    .arg(kPictureWidth);
        const QRect window = showInChromium(html, [&](const QImage& screen, const QRect& at) {
            return stripRuns(screen.copy(at)).contains({rowColour(2), kCardHeight})
                   && screen.pixel(at.x() + kPictureX + 2, at.y() + kCardHeight + 100) != qRgb(204, 204, 204);
        });
        ASSERT_FALSE(window.isEmpty()) << "the page never showed";
        const QImage clip = capture(selection(window, whole), 180000);
        ASSERT_FALSE(clip.isNull()) << "no capture on the clipboard";
        expectRowsInOrder(clip, kCards, kCardHeight, 24);
        expectNoMessage();
        EXPECT_EQ(desktop().stopLumetra(), 0);
    }

    // Three columns of 90 cards, 214 px a row, each card with its number as a caption
    // and a picture grey until 0.5 to 2 s after it came into view.
    void captureCardGrid(bool whole)
    {
        constexpr int kRows = 30, kRowHeight = 214;
        const QString html
            = QStringLiteral("<html><body style='margin:0;font:15px sans-serif;background:white'><div id='grid'></div>"
                             "<div style='height:24px'></div><script>")
              + rowScript()
              + QStringLiteral("const grid=document.getElementById('grid');"
                               "const seen=new IntersectionObserver(es=>{for(const e of es){if(!e.isIntersecting)continue;"
                               "seen.unobserve(e.target);const p=e.target,k=+p.dataset.k;"
                               "setTimeout(()=>{p.style.background='linear-gradient(90deg,'+colour(k)+',white)';},500+k*389%1500);}});"
                               "for(let n=1;n<=%1;n++){const r=row(n,%2);"
                               "for(const [c,x] of [[0,30],[1,240],[2,720]]){const k=3*n-2+c;"
                               "const card=document.createElement('div');"
                               "card.style.cssText='position:absolute;left:'+x+'px;top:24px;width:190px;height:180px;border:1px solid #999';"
                               "card.innerHTML='<div style=\"padding:4px\">Card '+k+'</div>';"
                               "const p=document.createElement('div');p.dataset.k=k;"
                               "p.style.cssText='margin:0 8px;height:140px;background:rgb(204,204,204)';"
                               "card.appendChild(p);r.appendChild(card);seen.observe(p);}"
                               "grid.appendChild(r);}</script></body></html>")
                    .arg(kRows)
                    .arg(kRowHeight);
        const QRect window = showInChromium(html, [&](const QImage& screen, const QRect& at) {
            return stripRuns(screen.copy(at)).contains({rowColour(2), kRowHeight});
        });
        ASSERT_FALSE(window.isEmpty()) << "the page never showed";
        const QImage clip = capture(selection(window, whole), 180000);
        ASSERT_FALSE(clip.isNull()) << "no capture on the clipboard";
        expectRowsInOrder(clip, kRows, kRowHeight, 24);
        expectNoMessage();
        EXPECT_EQ(desktop().stopLumetra(), 0);
    }

    // 200 rows of 40 px under a header fixed at the window's top that shrinks from 120
    // to 60 px over the first 120 px of scrolling.
    void captureUnderAShrinkingHeader(bool whole)
    {
        constexpr int kRows = 200, kRowHeight = 40;
        const QString html
            = QStringLiteral("<html><body style='margin:0;font:15px sans-serif;background:white'>"
                             "<div id='head' style='position:fixed;top:0;left:0;right:0;height:120px;z-index:2;"
                             "background:#234;color:white;font-size:22px;padding:10px;box-sizing:border-box'>The header</div>"
                             "<div style='height:120px'></div><div id='rows'></div><div style='height:24px'></div><script>")
              + rowScript()
              + QStringLiteral("const rows=document.getElementById('rows'),head=document.getElementById('head');"
                               "for(let n=1;n<=%1;n++)rows.appendChild(row(n,%2));"
                               "addEventListener('scroll',()=>{head.style.height=Math.max(60,120-scrollY/2)+'px';});"
                               "</script></body></html>")
                    .arg(kRows)
                    .arg(kRowHeight);
        const QRect window = showInChromium(html, [&](const QImage& screen, const QRect& at) {
            return stripRuns(screen.copy(at)).contains({rowColour(2), kRowHeight});
        });
        ASSERT_FALSE(window.isEmpty()) << "the page never showed";
        const QImage clip = capture(selection(window, whole), 180000);
        ASSERT_FALSE(clip.isNull()) << "no capture on the clipboard";
        expectRowsInOrder(clip, kRows, kRowHeight, 24);
        expectNoMessage();
        EXPECT_EQ(desktop().stopLumetra(), 0);
    }

    // 200 rows of 40 px beside a canvas fixed at the window's right, 300 px wide and as
    // high as the window, redrawn at every animation frame. Returns the capture's time.
    qint64 captureBesideACanvas(bool whole, bool animated)
    {
        constexpr int kRows = 200, kRowHeight = 40;
        const QString html
            = QStringLiteral("<html><body style='margin:0;font:15px sans-serif;background:white'>"
                             "<canvas id='c' width='300' height='900' style='position:fixed;top:0;left:690px;height:100%;z-index:2'>"
                             "</canvas><div id='rows'></div><div style='height:24px'></div><script>")
              + rowScript()
              + QStringLiteral("const rows=document.getElementById('rows');"
                               "for(let n=1;n<=%1;n++)rows.appendChild(row(n,%2));"
                               "const g=document.getElementById('c').getContext('2d');let f=0;"
                               "function draw(){g.fillStyle='hsl('+(f*7%360)+',60%,70%)';g.fillRect(0,0,300,900);"
                               "g.fillStyle='#123';for(let i=0;i<12;i++)g.fillRect((f*5+i*40)%300,i*75,30,30);"
                               "f++;if(%3)requestAnimationFrame(draw);}draw();</script></body></html>")
                    .arg(kRows)
                    .arg(kRowHeight)
                    .arg(animated ? 1 : 0);
        const QRect window = showInChromium(html, [&](const QImage& screen, const QRect& at) {
            return stripRuns(screen.copy(at)).contains({rowColour(2), kRowHeight});
        });
        if (window.isEmpty()) {
            ADD_FAILURE() << "the page never showed";
            return 0;
        }
        QElapsedTimer timer;
        timer.start();
        const QImage clip = capture(selection(window, whole), 180000);
        const qint64 took = timer.elapsed();
        if (clip.isNull()) {
            ADD_FAILURE() << "no capture on the clipboard";
            return took;
        }
        expectRowsInOrder(clip, kRows, kRowHeight, 24);
        expectNoMessage();
        EXPECT_EQ(desktop().stopLumetra(), 0);
        return took;
    }

    // The same page with nothing moving first, then moving: the moving page may take
    // about twice as long as the still one, measured on the same machine in the same run,
    // however busy the machine is.
    void captureUnderAMovingBar(bool whole)
    {
        qint64 still = 0;
        captureUnderABar(whole, false, &still);
        ASSERT_GT(still, 0) << "the still page's capture";
        qint64 moving = 0;
        captureUnderABar(whole, true, &moving);
        ASSERT_GT(moving, 0) << "the moving page's capture";
        RecordProperty("stillMs", int(still));
        RecordProperty("movingMs", int(moving));
        EXPECT_LT(moving, 2 * still + 3000) << "the moving page took " << moving << " ms, the still one " << still << " ms";
        EXPECT_EQ(desktop().stopLumetra(), 0);
    }

    // 120 rows of 40 px under a 40-px bar of stripes fixed across the window's top, with
    // spinners on some rows and a caret in a field; all of it moving, or all of it still.
    void captureUnderABar(bool whole, bool moving, qint64* elapsed)
    {
        constexpr int kRows = 120, kRowHeight = 40, kBar = 40;
        const QString name = moving ? QStringLiteral("page") : QStringLiteral("still");
        const QString html
            = QStringLiteral("<html><head><style>"
                             "@keyframes slide{from{background-position:0 0}to{background-position:80px 0}}"
                             "@keyframes turn{to{transform:rotate(360deg)}}"
                             ".spin{position:absolute;left:520px;top:8px;width:16px;height:16px;border:4px solid #ddd;"
                             "border-top-color:#2a6;border-radius:50%;animation:turn .6s linear infinite}"
                             "%2</style></head><body style='margin:0;font:15px sans-serif;background:white'>"
                             "<div style='position:fixed;top:0;left:0;right:0;height:%1px;z-index:2;"
                             "background:repeating-linear-gradient(45deg,#3b7dd8 0 20px,#9cc2f0 20px 40px);"
                             "animation:slide .5s linear infinite'></div>"
                             "<div style='height:%1px'></div>"
                             "<input id='field' style='margin:8px 12px;width:300px' value='Search the list'>"
                             "<div id='rows'></div><div style='height:24px'></div><script>")
                  .arg(kBar)
                  .arg(moving ? QString() : QStringLiteral("*{animation:none!important;caret-color:transparent}"))
              + rowScript()
              + QStringLiteral("const rows=document.getElementById('rows');"
                               "for(let n=1;n<=%1;n++){const r=row(n,%2);"
                               "if(n%7==0){const s=document.createElement('div');s.className='spin';r.appendChild(s);}"
                               "rows.appendChild(r);}"
                               "document.getElementById('field').focus();</script></body></html>")
                    .arg(kRows)
                    .arg(kRowHeight);
        const QRect window = showInChromium(
            html, [&](const QImage& screen, const QRect& at) { return stripRuns(screen.copy(at)).contains({rowColour(2), kRowHeight}); },
            name);
        ASSERT_FALSE(window.isEmpty()) << "the page never showed";
        // The last capture's image would otherwise pass for this one's.
        ASSERT_TRUE(desktop().setClipboard("nothing yet"));
        QElapsedTimer timer;
        timer.start();
        const QImage clip = capture(selection(window, whole), 180000);
        ASSERT_FALSE(clip.isNull()) << "no capture on the clipboard";
        *elapsed = timer.elapsed();
        expectRowsInOrder(clip, kRows, kRowHeight, 24);
        expectNoMessage();
        ASSERT_TRUE(closeChromium());
    }

    // 14 rows of varied text, 50 px each, then `kAlike` rows exactly alike, 52 px each: a
    // strip of one colour 50 px high, then 2 white rows. The page ends with them. With
    // its scrollbar, the capture is whole; without, nothing tells how far the page's
    // last scroll went: the image may end short, and then says so, but never too tall.
    void captureRowsAlikeToTheEnd(bool whole, bool scrollbar = true)
    {
        constexpr int kHeaderRows = 14, kHeaderRowHeight = 50, kAlike = 300, kAlikeHeight = 52, kAlikeStrip = 50;
        const QString html
            = QStringLiteral("<html><head><style>%1</style></head>"
                             "<body style='margin:0;font:15px sans-serif;background:white'><div id='rows'></div><script>")
                  .arg(scrollbar ? QString() : QStringLiteral("::-webkit-scrollbar{display:none}"))
              + rowScript()
              + QStringLiteral("const rows=document.getElementById('rows');"
                               "for(let n=1;n<=%1;n++)rows.appendChild(row(n,%2));"
                               "for(let n=0;n<%3;n++){const d=document.createElement('div');"
                               "d.style.cssText='height:%4px;position:relative;padding-left:12px;box-sizing:border-box';"
                               "d.innerHTML='The same entry, again and again<span style=\"position:absolute;left:%5px;top:0;"
                               "width:%6px;height:%7px;background:rgb(40,120,200)\"></span>';rows.appendChild(d);}"
                               "</script></body></html>")
                    .arg(kHeaderRows)
                    .arg(kHeaderRowHeight)
                    .arg(kAlike)
                    .arg(kAlikeHeight)
                    .arg(kStripX)
                    .arg(kStripWidth)
                    .arg(kAlikeStrip);
        const QRect window = showInChromium(html, [&](const QImage& screen, const QRect& at) {
            return stripRuns(screen.copy(at)).contains({rowColour(2), kHeaderRowHeight});
        });
        ASSERT_FALSE(window.isEmpty()) << "the page never showed";
        const QImage clip = capture(selection(window, whole), 180000);
        ASSERT_FALSE(clip.isNull()) << "no capture on the clipboard";

        // The header's rows in order from the first the image shows whole, then every alike
        // row once, whole, with its white gap, and nothing below the last one's.
        const auto runs = stripRuns(clip);
        qsizetype at = 0;
        int first = 0;
        for (; at < runs.size() && at < 4 && first == 0; ++at) {
            for (int n = 1; n <= kHeaderRows && first == 0; ++n)
                first = runs[at] == QPair<QRgb, int>(rowColour(n), kHeaderRowHeight) ? n : 0;
        }
        ASSERT_GT(first, 0) << "a whole header row near the image's top";
        --at;
        for (int n = first; n <= kHeaderRows; ++n, ++at) {
            ASSERT_LT(at, runs.size());
            ASSERT_EQ(runs[at], (QPair<QRgb, int>(rowColour(n), kHeaderRowHeight))) << "header row " << n;
        }
        const QPair<QRgb, int> strip(qRgb(40, 120, 200), kAlikeStrip), gap(qRgb(255, 255, 255), kAlikeHeight - kAlikeStrip);
        int alike = 0;
        for (; at + 1 < runs.size() && runs[at] == strip && runs[at + 1] == gap; at += 2)
            ++alike;
        if (scrollbar) {
            EXPECT_EQ(alike, kAlike) << "alike rows whole, with their gaps";
            EXPECT_EQ(at, runs.size()) << "nothing below the last alike row's gap; the image is " << clip.height()
                                       << " rows high";
            expectNoMessage();
        } else {
            EXPECT_LE(alike, kAlike) << "never more alike rows than the page has";
            // At most the top of one more row, cut where the capture ended.
            ASSERT_LE(runs.size() - at, 2) << "the image is " << clip.height() << " rows high";
            for (; at < runs.size(); ++at)
                EXPECT_TRUE((runs[at].first == strip.first && runs[at].second <= strip.second)
                            || (runs[at].first == gap.first && runs[at].second <= gap.second));
            if (alike < kAlike)
                EXPECT_TRUE(desktop().waitForWindow(kStoppedEarly, 20000).has_value()) << "a short image says so";
            else
                expectNoMessage();
        }
        EXPECT_EQ(desktop().stopLumetra(), 0);
    }
};

} // namespace

TEST_F(ScrollCaptureChangingPageTest, AFeedLoadingMoreRowsSlowlyComesOutWholeAtTheViewsHeight)
{
    captureFeed(1500, true);
}

TEST_F(ScrollCaptureChangingPageTest, AFeedLoadingMoreRowsSlowlyComesOutWholeAtSixtyPercent)
{
    captureFeed(1500, false);
}

TEST_F(ScrollCaptureChangingPageTest, AFeedLoadingMoreRowsQuicklyComesOutWholeAtTheViewsHeight)
{
    captureFeed(300, true);
}

TEST_F(ScrollCaptureChangingPageTest, AFeedLoadingMoreRowsQuicklyComesOutWholeAtSixtyPercent)
{
    captureFeed(300, false);
}

TEST_F(ScrollCaptureChangingPageTest, CardsWhosePicturesLoadLateComeOutWholeAtTheViewsHeight)
{
    captureLatePictures(true);
}

TEST_F(ScrollCaptureChangingPageTest, CardsWhosePicturesLoadLateComeOutWholeAtSixtyPercent)
{
    captureLatePictures(false);
}

TEST_F(ScrollCaptureChangingPageTest, RowsUnderAMovingBarComeOutWholeAndQuicklyAtTheViewsHeight)
{
    captureUnderAMovingBar(true);
}

TEST_F(ScrollCaptureChangingPageTest, RowsUnderAMovingBarComeOutWholeAndQuicklyAtSixtyPercent)
{
    captureUnderAMovingBar(false);
}

TEST_F(ScrollCaptureChangingPageTest, RowsExactlyAlikeToThePagesEndComeOutWholeAtTheViewsHeight)
{
    captureRowsAlikeToTheEnd(true);
}

TEST_F(ScrollCaptureChangingPageTest, RowsExactlyAlikeToThePagesEndComeOutWholeAtSixtyPercent)
{
    captureRowsAlikeToTheEnd(false);
}

TEST_F(ScrollCaptureChangingPageTest, RowsExactlyAlikeWithoutAScrollbarNeverComeOutTooTallOrShortWithoutAWordAtTheViewsHeight)
{
    captureRowsAlikeToTheEnd(true, false);
}

TEST_F(ScrollCaptureChangingPageTest, RowsExactlyAlikeWithoutAScrollbarNeverComeOutTooTallOrShortWithoutAWordAtSixtyPercent)
{
    captureRowsAlikeToTheEnd(false, false);
}

TEST_F(ScrollCaptureChangingPageTest, AGridOfCardsWhosePicturesLoadLateComesOutWholeAtTheViewsHeight)
{
    captureCardGrid(true);
}

TEST_F(ScrollCaptureChangingPageTest, AGridOfCardsWhosePicturesLoadLateComesOutWholeAtSixtyPercent)
{
    captureCardGrid(false);
}

TEST_F(ScrollCaptureChangingPageTest, RowsUnderAHeaderThatShrinksComeOutWholeAtTheViewsHeight)
{
    captureUnderAShrinkingHeader(true);
}

TEST_F(ScrollCaptureChangingPageTest, RowsUnderAHeaderThatShrinksComeOutWholeAtSixtyPercent)
{
    captureUnderAShrinkingHeader(false);
}

TEST_F(ScrollCaptureChangingPageTest, CardsRepeatingEvery193PxWhosePicturesLoadLateComeOutWholeAtTheViewsHeight)
{
    captureLatePictures(true, 193);
}

TEST_F(ScrollCaptureChangingPageTest, CardsRepeatingEvery193PxWhosePicturesLoadLateComeOutWholeAtSixtyPercent)
{
    captureLatePictures(false, 193);
}

TEST_F(ScrollCaptureChangingPageTest, RowsBesideACanvasRedrawnEveryFrameComeOutWholeAtTheViewsHeight)
{
    captureBesideACanvas(true, true);
}

TEST_F(ScrollCaptureChangingPageTest, RowsBesideACanvasRedrawnEveryFrameComeOutWholeAtSixtyPercent)
{
    captureBesideACanvas(false, true);
}
