// The real recognizer (the lumetra-ocr program) on pages drawn in the fonts Debian ships:
// mixed Simplified and Traditional paragraphs, number-heavy English, a dark code block,
// a terminal, a banner on a gradient, a table of digits. Also the memory one reading costs, the note about missing language data, and
// that a mosaic hides its text from recognition.
#include "Models/ImageEditorViewModel.h"
#include "Output/ReadTextMeasures.h"
#include "Output/TextRecognitionController.h"
#include "Output/TextRecognitionProcess.h"
#include "support/TestRequirements.h"

#include <QFile>
#include <QFont>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <initializer_list>

#include <sys/resource.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

struct Block {
    const char* family;
    QColor ground; // its background (from left to right when two); the page's own is white
    QColor ink;
    std::vector<const char*> lines;
    QColor groundEnd = {};
};

const QColor kPaper(255, 255, 255), kInk(20, 20, 20);

const Block kPage[] = {
    {"Noto Sans CJK SC", kPaper, kInk,
     {"经过四年的努力，新版本终于在今年六月发布。", "2024年6月，公司的营业收入达到3580万元。"}},
    {"Noto Sans CJK TC", kPaper, kInk,
     {"住在西區的陳先生表示，過去每天要轉乘兩次公車。", "歡迎使用繁體中文介面，設定已儲存於雲端。"}},
    {"Noto Sans CJK SC", kPaper, kInk,
     {"服务器已经重新启动，请检查网络连接是否正常。", "用户界面需要更新 Build 4521 passed all tests 11"}},
    {"Noto Sans CJK TC", kPaper, kInk, {"數據庫連接已經恢復 Error code 404: page not found"}},
    {"DejaVu Sans", kPaper, kInk,
     {"interval = 300; retries = 5; timeout = 1500 ms", "Total revenue: 1,284,600 USD in Q3 2024 (+12.5%)",
      "Order 48213 shipped on 2024-06-17 at 09:45"}},
    {"DejaVu Sans Mono", QColor(30, 30, 30), QColor(212, 212, 212),
     {"for (int i = 0; i < 128; ++i) {", "    total += values[i] * 42;", "}", "const port = 8080;"}},
    {"DejaVu Sans Mono", QColor(0, 0, 0), QColor(220, 220, 220),
     {"$ df -h /home", "Filesystem  Size  Used Avail Use%", "/dev/sda2    72G   41G   28G  60%", "$ git log --oneline -1",
      "03b673f Fix the cache size limit"}},
    // A banner whose ground crosses the middle grey under the text.
    {"DejaVu Sans", QColor(0x30, 0x60, 0xa0), kInk, {"Spring sale 2025: save 15% on 3 items"},
     QColor(0xf0, 0xe0, 0xc0)},
    {"DejaVu Sans", kPaper, kInk, {"Item        Qty     Price", "Apples      12      3.75", "Cherries    250     19.90",
                                   "Walnuts     7       104.20"}},
};

QImage renderPage()
{
    const int lineHeight = 38;
    int lines = 0;
    for (const Block& block : kPage)
        lines += int(block.lines.size());
    QImage image(1280, 60 + lines * lineHeight + int(std::size(kPage)) * 24, QImage::Format_RGB32);
    image.fill(kPaper);
    QPainter painter(&image);
    int y = 40;
    for (const Block& block : kPage) {
        const int height = int(block.lines.size()) * lineHeight;
        QLinearGradient gradient(60, 0, 560, 0);
        gradient.setColorAt(0, block.ground);
        gradient.setColorAt(1, block.groundEnd.isValid() ? block.groundEnd : block.ground);
        painter.fillRect(QRect(30, y - 12, 1220, height + 12), gradient);
        QFont font(QString::fromLatin1(block.family));
        font.setPixelSize(20);
        painter.setFont(font);
        painter.setPen(block.ink);
        for (const char* line : block.lines) {
            painter.drawText(QPoint(60, y + 20), QString::fromUtf8(line));
            y += lineHeight;
        }
        y += 24;
    }
    return image;
}

// The share of the expected characters read right: each expected line against the read
// line nearest to it.
double accuracy(const QStringList& expected, const QString& read)
{
    std::vector<std::u32string> readLines;
    for (const QString& line : read.split(QLatin1Char('\n')))
        readLines.push_back(folded(line));
    int wrong = 0, total = 0;
    for (const QString& line : expected) {
        const std::u32string want = folded(line);
        int best = int(want.size());
        for (const std::u32string& got : readLines)
            best = std::min(best, editDistance(want, got));
        wrong += best;
        total += int(want.size());
    }
    return 1.0 - double(wrong) / std::max(1, total);
}

QStringList expectedLines()
{
    QStringList lines;
    for (const Block& block : kPage)
        for (const char* line : block.lines)
            if (!folded(QString::fromUtf8(line)).empty() && QByteArray(line) != "}")
                lines << QString::fromUtf8(line);
    return lines;
}

qint64 statusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    return -1;
}

} // namespace

// Skips, saying so, where the faces the pages are drawn in are missing.
class TextRecognitionAccuracy : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QStringList missing =
            missingFontFamilies({"DejaVu Sans", "DejaVu Sans Mono", "Liberation Sans", "Liberation Serif",
                                 "Noto Sans CJK SC", "Noto Serif CJK SC", "Noto Sans CJK TC", "Noto Serif CJK TC"});
        if (!missing.isEmpty())
            GTEST_SKIP() << "fonts missing: " << missing.join(QStringLiteral(", ")).toStdString()
                         << " (scripts/bootstrap.sh installs them)";
    }
};

TEST_F(TextRecognitionAccuracy, PagesReadAtLeastAsWellAsTheCommandLineNumbersExactScriptsKept)
{
    const QImage page = renderPage();
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("page.png"));
    ASSERT_TRUE(page.save(file));

    const qint64 idle = statusKiB("VmRSS:");
    const TextRecognitionResult ours = TextRecognitionProcess::recognize(page.convertToFormat(QImage::Format_Grayscale8));
    ASSERT_FALSE(ours.failure) << ours.failure->toStdString();
    // The engines live and die in the child: what it peaked at, and what this process
    // kept, against the process before the reading.
    rusage children{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    const qint64 peakMiB = (children.ru_maxrss + statusKiB("VmHWM:") - idle) / 1024;
    const qint64 afterMiB = (statusKiB("VmRSS:") - idle) / 1024;
    std::printf("peak %lld MiB above idle, %lld MiB kept\n", (long long)peakMiB, (long long)afterMiB);
    EXPECT_LE(peakMiB, 250);
    EXPECT_LE(afterMiB, 30);

    const QString tesseract = programOnPath(QStringLiteral("tesseract"));
    if (tesseract.isEmpty())
        GTEST_SKIP() << "the tesseract command line is not on PATH (scripts/bootstrap.sh --tests installs tesseract-ocr)";
    QProcess cli;
    cli.setEnvironment(QProcess::systemEnvironment() << QStringLiteral("OMP_THREAD_LIMIT=1"));
    cli.start(tesseract, {file, QStringLiteral("-"), QStringLiteral("-l"), QStringLiteral("chi_sim+chi_tra+eng")});
    ASSERT_TRUE(cli.waitForFinished(120000) && cli.exitCode() == 0) << "the tesseract command line (package tesseract-ocr)";
    const QString theirs = QString::fromUtf8(cli.readAllStandardOutput());

    const QStringList expected = expectedLines();
    const double ourAccuracy = accuracy(expected, ours.text), theirAccuracy = accuracy(expected, theirs);
    std::printf("read:\n%s\naccuracy %.2f%%, command line %.2f%%\n", ours.text.toUtf8().constData(), ourAccuracy * 100,
                theirAccuracy * 100);
    EXPECT_GE(ourAccuracy, 0.98);
    EXPECT_GE(ourAccuracy, theirAccuracy);

    // Every number and identifier character for character; every Chinese line in its own
    // script (a Traditional line turned Simplified loses its ideographs here).
    const std::u32string read = folded(ours.text);
    static const QRegularExpression number(QStringLiteral(R"([0-9][0-9A-Za-z.,:%\-]*[0-9A-Za-z%])"));
    static const QRegularExpression han(QStringLiteral(R"(\p{Han}+)"));
    for (const QString& line : expected) {
        for (const QRegularExpression* pattern : {&number, &han})
            for (const auto& m : pattern->globalMatch(line))
                EXPECT_NE(read.find(folded(m.captured())), std::u32string::npos) << m.captured().toStdString();
    }
}

// The Chinese models each write their own script whatever the page shows; the same
// sentence in both scripts, and both in one line, each come back as drawn.
TEST_F(TextRecognitionAccuracy, EachLineKeepsTheScriptItIsDrawnIn)
{
    const char* const lines[] = {"住在西區的陳先生表示，過去轉乘兩次公車", "住在西区的陈先生表示，过去转乘两次公车",
                                 "简体写作这里和简体，繁體寫作這裡和繁體"};
    QImage page(1000, 60 + 2 * 2 * int(std::size(lines)) * 50, QImage::Format_Grayscale8);
    page.fill(Qt::white);
    QPainter painter(&page);
    int y = 20;
    for (const char* family : {"Noto Sans CJK SC", "Noto Sans CJK TC"})
        for (const int size : {20, 24}) {
            QFont font(QString::fromLatin1(family));
            font.setPixelSize(size);
            painter.setFont(font);
            for (const char* line : lines)
                painter.drawText(QPoint(60, y += 50), QString::fromUtf8(line));
        }
    painter.end();
    const TextRecognitionResult result = TextRecognitionProcess::recognize(page);
    ASSERT_FALSE(result.failure) << result.failure->toStdString();
    std::vector<std::u32string> read;
    for (const QString& line : result.text.split(QLatin1Char('\n')))
        read.push_back(folded(line));
    for (const char* line : lines)
        EXPECT_EQ(std::count(read.begin(), read.end(), folded(QString::fromUtf8(line))), 4) << line << "\n" << result.text.toStdString();
}

TEST_F(TextRecognitionAccuracy, MissingLanguageDataIsNamedAndTheRestIsRead)
{
    QTemporaryDir data;
    ASSERT_TRUE(QFile::link(QStringLiteral("/usr/share/tesseract-ocr/5/tessdata/eng.traineddata"),
                            data.filePath(QStringLiteral("eng.traineddata"))));
    TextRecognitionProcess::Options options;
    options.dataPath = data.path();
    const TextRecognitionResult result = TextRecognitionProcess::recognize(
        renderPage().copy(0, 0, 1280, 520).convertToFormat(QImage::Format_Grayscale8), options);
    ASSERT_FALSE(result.failure) << result.failure->toStdString();
    EXPECT_EQ(result.languagesUsed, QStringList{QStringLiteral("eng")});
    EXPECT_EQ(result.languagesMissing, QStringList({QStringLiteral("chi_sim"), QStringLiteral("chi_tra")}));
    EXPECT_TRUE(result.text.contains(QStringLiteral("1,284,600"))) << result.text.toStdString();
    const QString note = TextRecognition::missingLanguagesNote(result.languagesUsed, result.languagesMissing);
    EXPECT_TRUE(note.contains(QStringLiteral("chi_sim")) && note.contains(QStringLiteral("chi_tra"))) << note.toStdString();

    options.languages = QStringLiteral("chi_sim");
    const TextRecognitionResult none = TextRecognitionProcess::recognize(renderPage().convertToFormat(QImage::Format_Grayscale8), options);
    EXPECT_TRUE(none.failure && none.text.isEmpty());
    EXPECT_EQ(none.languagesMissing, QStringList{QStringLiteral("chi_sim")});
}

TEST_F(TextRecognitionAccuracy, WhatAMosaicCoversIsNotReadBack)
{
    QImage image(900, 160, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(22);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPoint(40, 50), QStringLiteral("Contact us any time"));
        painter.drawText(QPoint(40, 110), QStringLiteral("jane.doe@example.com"));
    }
    ImageEditorViewModel model;
    model.setLoadedImage(Image(image), QUrl());
    RectangleAnnotation mosaic;
    mosaic.effect = AnnotationEffect::mosaic;
    mosaic.mosaicIntensity = 5.0;
    mosaic.rect = QRectF(30.0 / 900, 80.0 / 160, 400.0 / 900, 45.0 / 160);
    model.annotationManager()->setRectangles({mosaic});
    TextRecognitionController controller(model);
    controller.startTextRecognition();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.ocrPanelState() && !model.ocrPanelState()->isRecognizing(); }, 120000));
    const QString text = model.ocrPanelState()->recognizedText();
    EXPECT_TRUE(text.contains(QStringLiteral("Contact us any time"))) << text.toStdString();
    for (const char* part : {"jane", "doe", "example", "@"})
        EXPECT_FALSE(text.contains(QString::fromLatin1(part))) << text.toStdString();
}

TEST_F(TextRecognitionAccuracy, ANewerReadingStopsTheOneItSupersedes)
{
    std::atomic<bool> cancelled{false};
    std::thread superseding([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancelled = true;
    });
    const TextRecognitionResult result =
        TextRecognitionProcess::recognize(renderPage().convertToFormat(QImage::Format_Grayscale8), {}, &cancelled);
    superseding.join();
    EXPECT_TRUE(result.failure && result.text.isEmpty());
}

namespace {

// Each read line against the expected line nearest to it: how far it is, in characters.
std::vector<std::pair<QString, int>> distancesToNearest(const QString& read, const QStringList& expected)
{
    std::vector<std::pair<QString, int>> out;
    for (const QString& line : read.split(QLatin1Char('\n'))) {
        const std::u32string got = folded(line);
        if (got.empty())
            continue;
        int best = int(got.size());
        for (const QString& want : expected)
            best = std::min(best, editDistance(got, folded(want)));
        out.emplace_back(line, best);
    }
    return out;
}

} // namespace

// Dark panels (terminal listings, a bar, a sidebar) whose text comes near their edges,
// on a white page with text above and below them: every line read is one of the page's
// lines, nothing is read beside a panel where the page is blank.
TEST_F(TextRecognitionAccuracy, NothingIsReadWhereThePageIsBlank)
{
    struct Panel {
        QRect box;
        QColor ground, ink;
        int pixelSize;
        QStringList lines;
    };
    const QColor ink(25, 25, 25);
    const std::vector<Panel> pages[] = {
        {
            {{60, 20, 1100, 40}, Qt::white, ink, 17, {QStringLiteral("Deployment notes for the staging cluster")}},
            {{60, 80, 420, 136}, QColor(28, 28, 30), QColor(205, 205, 205), 14,
             {QStringLiteral("$ kubectl get pods -n web"), QStringLiteral("frontend-7d9f  Running"),
              QStringLiteral("backend-5c2a   Running"), QStringLiteral("worker-91be    Pending"),
              QStringLiteral("$ kubectl logs worker-91be"), QStringLiteral("waiting for volume")}},
            {{60, 240, 1100, 40}, Qt::white, ink, 17, {QStringLiteral("The worker waits for its volume to attach.")}},
            {{60, 300, 1160, 40}, QColor(0, 0, 0), QColor(0, 220, 0), 14,
             {QStringLiteral("admin@staging:~# journalctl -u kubelet")}},
            {{60, 360, 1100, 40}, Qt::white, ink, 17, {QStringLiteral("Attach errors are listed below.")}},
            {{60, 420, 260, 110}, QColor(20, 20, 20), QColor(220, 220, 220), 14,
             {QStringLiteral("attach: timeout"), QStringLiteral("retry in 30s"), QStringLiteral("attach: done")}},
            {{60, 560, 1100, 40}, Qt::white, ink, 17, {QStringLiteral("Check the volume before the next release.")}},
        },
        // Small type in a panel with room around its text: the panel's corners lie far
        // from any of it.
        {
            {{60, 20, 1100, 40}, Qt::white, ink, 17, {QStringLiteral("Disk use on the build host")}},
            {{60, 80, 420, 140}, QColor(28, 28, 30), QColor(205, 205, 205), 11,
             {QStringLiteral("$ df -h /srv"), QStringLiteral("/dev/vdb1  40G  31G  9G"), QStringLiteral("$ du -sh logs")}},
            {{60, 250, 1100, 40}, Qt::white, ink, 17, {QStringLiteral("The disk is three quarters full.")}},
        },
    };
    for (const std::vector<Panel>& panels : pages) {
        QImage page(1280, panels.back().box.bottom() + 50, QImage::Format_RGB32);
        page.fill(Qt::white);
        QStringList expected;
        {
            QPainter painter(&page);
            for (const Panel& panel : panels) {
                painter.fillRect(panel.box, panel.ground);
                QFont font(QStringLiteral("DejaVu Sans Mono"));
                font.setPixelSize(panel.pixelSize);
                painter.setFont(font);
                painter.setPen(panel.ink);
                // The first line close under the panel's top, the text close to its left.
                int y = panel.box.top() + 25;
                for (const QString& line : panel.lines) {
                    painter.drawText(QPoint(panel.box.left() + 10, y), line);
                    y += 22;
                    expected << line;
                }
            }
        }
        const TextRecognitionResult result = TextRecognitionProcess::recognize(page.convertToFormat(QImage::Format_Grayscale8));
        ASSERT_FALSE(result.failure) << result.failure->toStdString();
        // A line read is a line of the page, give or take a misread character or two:
        // not dashes and letters read off a panel's edge, alone or after a line's text.
        for (const auto& [line, distance] : distancesToNearest(result.text, expected))
            EXPECT_LT(distance * 4, int(folded(line).size())) << line.toStdString() << "\n" << result.text.toStdString();
        EXPECT_GE(accuracy(expected, result.text), 0.95) << result.text.toStdString();
    }
}

// Traditional paragraphs whose characters each engine reads in its own script, beside
// a Simplified one: every ideograph of each line comes back in the script it is drawn in,
// not one of them in the other.
TEST_F(TextRecognitionAccuracy, EveryCharacterOfALineKeepsItsScript)
{
    const std::pair<const char*, std::vector<const char*>> paragraphs[] = {
        {"Noto Sans CJK TC",
         {"我們將會繼續改進這項服務，並將結果寄給您。", "請將檔案儲存後再關閉視窗，以免資料遺失。",
          "颱風預計於週末登陸，請民眾儘早準備。", "這間圖書館藏書豐富，環境舒適安靜。"}},
        {"Noto Sans CJK SC", {"请将文件保存后再关闭窗口，以免数据丢失。", "会议记录将寄给所有参加者。"}},
    };
    QImage page(1000, 40 + 2 * 6 * 46, QImage::Format_Grayscale8);
    page.fill(Qt::white);
    QStringList expected;
    {
        QPainter painter(&page);
        painter.setPen(QColor(25, 25, 25));
        int y = 20;
        for (const int size : {20, 21})
            for (const auto& [family, lines] : paragraphs) {
                QFont font(QString::fromLatin1(family));
                font.setPixelSize(size);
                painter.setFont(font);
                for (const char* line : lines) {
                    painter.drawText(QPoint(60, y += 46), QString::fromUtf8(line));
                    expected << QString::fromUtf8(line);
                }
            }
    }
    const TextRecognitionResult result = TextRecognitionProcess::recognize(page);
    ASSERT_FALSE(result.failure) << result.failure->toStdString();
    const std::u32string read = folded(result.text);
    static const QRegularExpression han(QStringLiteral(R"(\p{Han}+)"));
    for (const QString& line : expected)
        for (const auto& m : han.globalMatch(line))
            EXPECT_NE(read.find(folded(m.captured())), std::u32string::npos) << m.captured().toStdString() << "\n"
                                                                            << result.text.toStdString();
}

// File names in prose and in a listing, in the faces a desktop draws them in: each read
// whole, name, dot and extension.
TEST_F(TextRecognitionAccuracy, FileNamesAreReadWhole)
{
    const std::pair<const char*, std::vector<const char*>> blocks[] = {
        {"DejaVu Sans",
         {"Open summary.xlsx, draft_v2.docx and archive.tar.gz first.", "The log went to build-output.log and screenshot.png.",
          "Send minutes.pdf and the budget.xls to the team."}},
        {"Liberation Sans", {"Attach invoice_0412.pdf and contract.docx before Friday.", "Export slides.pptx as handout.pdf."}},
        {"DejaVu Sans Mono", {"-rw-r--r--  1 lee  staff  20480  notes.txt", "-rw-r--r--  1 lee  staff  88113  photo_17.jpeg",
                              "-rw-r--r--  1 lee  staff   1337  setup.cfg"}},
    };
    QImage page(1100, 60 + 8 * 40 + 3 * 24, QImage::Format_Grayscale8);
    page.fill(Qt::white);
    QStringList names;
    {
        QPainter painter(&page);
        painter.setPen(QColor(25, 25, 25));
        int y = 30;
        static const QRegularExpression fileName(QStringLiteral(R"([\w-]+(\.[A-Za-z0-9]+)+)"));
        for (const auto& [family, lines] : blocks) {
            QFont font(QString::fromLatin1(family));
            font.setPixelSize(family == blocks[0].first ? 16 : 17);
            painter.setFont(font);
            for (const char* line : lines) {
                painter.drawText(QPoint(50, y += 40), QString::fromLatin1(line));
                for (const auto& m : fileName.globalMatch(QString::fromLatin1(line)))
                    names << m.captured();
            }
            y += 24;
        }
    }
    ASSERT_EQ(names.size(), 14);
    const TextRecognitionResult result = TextRecognitionProcess::recognize(page);
    ASSERT_FALSE(result.failure) << result.failure->toStdString();
    for (const QString& name : names)
        EXPECT_TRUE(result.text.contains(name)) << name.toStdString() << "\n" << result.text.toStdString();
}

// Percentages inside Chinese sentences, in both scripts and a few sizes: the numbers
// come back with their percent signs, not with the sign read as more digits, all
// twenty-seven, also where the Latin engine cannot read the number either (it takes
// its digits for letters beside the ideographs).
TEST_F(TextRecognitionAccuracy, APercentSignAfterDigitsInAChineseLineStaysASign)
{
    const std::pair<const char*, std::vector<const char*>> paragraphs[] = {
        {"Noto Sans CJK SC",
         {"今年第三季度营收增长8.6%，利润下降3%。", "本月访问量上升了27.5%，新用户约占18%。", "库存减少9.3%后，价格上涨5%。",
          "用户留存率提高到64.2%左右。"}},
        {"Noto Sans CJK TC", {"失業率降至4.1%，創下新低。", "折扣高達35%，僅限今日。"}},
    };
    QImage page(1000, 40 + 3 * 6 * 44, QImage::Format_Grayscale8);
    page.fill(Qt::white);
    QStringList percentages;
    {
        QPainter painter(&page);
        painter.setPen(QColor(25, 25, 25));
        int y = 10;
        static const QRegularExpression percentage(QStringLiteral(R"([0-9.]+%)"));
        for (const int size : {18, 20, 22})
            for (const auto& [family, lines] : paragraphs) {
                QFont font(QString::fromLatin1(family));
                font.setPixelSize(size);
                painter.setFont(font);
                for (const char* line : lines) {
                    painter.drawText(QPoint(60, y += 44), QString::fromUtf8(line));
                    for (const auto& m : percentage.globalMatch(QString::fromUtf8(line)))
                        percentages << m.captured();
                }
            }
    }
    const TextRecognitionResult result = TextRecognitionProcess::recognize(page);
    ASSERT_FALSE(result.failure) << result.failure->toStdString();
    // Each percentage (each drawn once at each of the three sizes) as often as it is
    // drawn, not run into digits before it.
    percentages.removeDuplicates();
    int right = 0;
    for (const QString& value : percentages) {
        const QRegularExpression whole(QStringLiteral("(?<![0-9.])") + QRegularExpression::escape(value));
        right += int(std::min<qsizetype>(result.text.count(whole), 3));
    }
    EXPECT_EQ(right, 3 * int(percentages.size())) << result.text.toStdString();
}

struct NumbersPage {
    int width = 900;
    int lineSpacing = 44;
};

// Draws each line in each face at each size, one below the other, reads the page, and
// expects every number of the lines (`distinct` of them) back whole as often as it was
// drawn: a sign where it has one, and no more digits nor a sign where it has none.
static void expectNumbersComeBackWhole(std::initializer_list<const char*> lines, std::initializer_list<const char*> families,
                                       std::initializer_list<int> sizes, qsizetype distinct, NumbersPage layout = {})
{
    QImage page(layout.width, 40 + int(lines.size() * families.size() * sizes.size()) * layout.lineSpacing,
                QImage::Format_Grayscale8);
    page.fill(Qt::white);
    QStringList values;
    {
        QPainter painter(&page);
        painter.setPen(QColor(25, 25, 25));
        int y = 10;
        static const QRegularExpression number(QStringLiteral(R"([0-9.]+%?)"));
        for (const int size : sizes)
            for (const char* family : families) {
                QFont font(QString::fromLatin1(family));
                font.setPixelSize(size);
                painter.setFont(font);
                for (const char* line : lines) {
                    painter.drawText(QPoint(40, y += layout.lineSpacing), QString::fromUtf8(line));
                    for (const auto& m : number.globalMatch(QString::fromUtf8(line)))
                        values << m.captured();
                }
            }
    }
    const TextRecognitionResult result = TextRecognitionProcess::recognize(page);
    ASSERT_FALSE(result.failure) << result.failure->toStdString();
    QStringList distinctValues = values;
    distinctValues.removeDuplicates();
    ASSERT_EQ(distinctValues.size(), distinct);
    for (const QString& value : distinctValues) {
        const QString after = value.endsWith(QLatin1Char('%')) ? QString() : QStringLiteral("(?![0-9%])");
        const QRegularExpression whole(QStringLiteral("(?<![0-9.])") + QRegularExpression::escape(value) + after);
        EXPECT_EQ(result.text.count(whole), values.count(value)) << value.toStdString() << "\n" << result.text.toStdString();
    }
}

// Percentages in Chinese sentences drawn in the faces a desktop uses for them (a Latin
// face whose ideographs come from the CJK fallback, and the CJK faces' own digits), at
// sizes where each engine misreads the sign in its own way: every sign comes back as
// drawn, and a number without one (a count of people) gets none.
TEST_F(TextRecognitionAccuracy, PercentSignsAreReadFromTheirInkInEveryFace)
{
    expectNumbersComeBackWhole({"价格上涨5%，销量增加16%。", "出口增长了0.9%，进口下降6%。", "共有1896人参加，比去年多30人。",
                                "占总数的40%以上，约为2.6%。"},
                               {"DejaVu Sans", "Noto Sans CJK SC", "Noto Sans CJK TC"}, {16, 19, 23}, 8);
}

// File names the engine cuts at their dot, in faces and sizes where the gap after the dot
// comes close to a space or the dot is lost: each comes back whole. Beside them a
// sentence's full stop before a capitalised word and an abbreviation before an extension
// stay apart from the word after them.
TEST_F(TextRecognitionAccuracy, FileNamesCutAtTheirDotAreJoinedButSentencesStayApart)
{
    const char* const lines[] = {"Export slides.pptx as handout.pdf.", "The talk ends. Then we eat at noon.",
                                 "Keep e.g. pdf files and notes.txt too."};
    struct Layout {
        int width, left;
        std::vector<std::pair<const char*, int>> faces;
    };
    const Layout pages[] = {
        {700, 40, {{"Liberation Sans", 14}, {"DejaVu Sans", 14}, {"Liberation Serif", 14}, {"DejaVu Sans", 16}}},
        {1000, 60,
         {{"DejaVu Sans", 12}, {"Liberation Sans", 14}, {"DejaVu Sans", 14}, {"Liberation Serif", 14}, {"Liberation Sans", 16},
          {"DejaVu Sans", 16}, {"Liberation Serif", 16}}},
    };
    for (const Layout& layout : pages) {
        QImage page(layout.width, 40 + int(std::size(lines) * layout.faces.size()) * 44, QImage::Format_Grayscale8);
        page.fill(Qt::white);
        {
            QPainter painter(&page);
            painter.setPen(QColor(25, 25, 25));
            int y = 10;
            for (const auto& [family, size] : layout.faces) {
                QFont font(QString::fromLatin1(family));
                font.setPixelSize(size);
                painter.setFont(font);
                for (const char* line : lines)
                    painter.drawText(QPoint(layout.left, y += 44), QString::fromLatin1(line));
            }
        }
        const TextRecognitionResult result = TextRecognitionProcess::recognize(page);
        ASSERT_FALSE(result.failure) << result.failure->toStdString();
        const int drawn = int(layout.faces.size());
        for (const char* name : {"slides.pptx", "handout.pdf", "notes.txt"})
            EXPECT_EQ(result.text.count(QString::fromLatin1(name)), drawn) << name << "\n" << result.text.toStdString();
        static const QRegularExpression joined(QStringLiteral(R"(ends\.\S|e\.?g\.\S)"));
        EXPECT_FALSE(result.text.contains(joined)) << result.text.toStdString();
    }
}

// Small type, where a percent sign is a few pixels across and an ideograph beside the
// digits stands only a pixel above and below them: the signs still come back. In the
// serif face two digits run together ("96" of a count) draw two rings much like a sign,
// and stay digits; a sign whose ring runs into the full stop after it is still one sign.
TEST_F(TextRecognitionAccuracy, PercentSignsInSmallTypeComeBack)
{
    expectNumbersComeBackWhole({"价格上涨5%", "本季度价格上涨5%，成本下降3%。", "共有1896人参加，比去年多30人。", "出口增长了0.9%，进口下降6%。"},
                               {"Noto Sans CJK SC", "Noto Sans CJK TC", "DejaVu Sans", "Noto Serif CJK SC"}, {12, 13, 14}, 6, {700, 36});
}

// Percentages in Chinese sentences set in the serif CJK faces, whose sign (round rings, a
// heavy slash that comes apart from them) and digits differ from the sans-serif ones, and
// in small type where digits touch: each comes back with its sign, and a count without
// one gets none, nor a number whose last digit stands close to the ideograph after it.
TEST_F(TextRecognitionAccuracy, PercentSignsInSerifFacesComeBack)
{
    expectNumbersComeBackWhole({"全年增长率为46.8%，高于预期。", "其中女性占59.3%，男性约占41%。", "成本下降了7.2%，共有2735人。",
                                "用户留存率提高到64.2%左右。", "出口增长了0.9%，进口下降6%。", "利润增长了3.7%，收入增加了12%。",
                                "编号为0.98的样本，第1996个以及360比例。"},
                               {"Noto Serif CJK SC", "Noto Serif CJK TC", "Noto Sans CJK SC"}, {13, 15, 20, 23}, 13);
}

// At 12 and 13 px the serif face draws a sign's slash, a zero's top and bottom and the
// joins of a "9" and a "6" as grey hairlines, lighter than half the ink: the sign is still
// found where only its rings are dark ("12%" is no "1296"), a number whose zeros come
// apart into their sides keeps every digit ("100%" is no "1%"), and a "96" with little
// between its digits stays digits ("596" is no "5%").
TEST_F(TextRecognitionAccuracy, PercentSignsAndZerosInTheSmallestSerifTypeComeBack)
{
    expectNumbersComeBackWhole({"利润增长了3.7%，收入增加了12%。", "占比45%，下降8%，达到100%，约26%的人。", "面积为596平方，约86个，第2006期。"},
                               {"Noto Serif CJK SC"}, {12, 13}, 9, {700, 36});
}

// In the serif face at 20 px the zeros of "100%" come apart into their sides, which are
// no "0" to the ink: a number the models read right, sign and all, keeps its digits
// ("100%" is no "1%").
TEST_F(TextRecognitionAccuracy, ANumberReadRightWithItsSignKeepsItsDigits)
{
    expectNumbersComeBackWhole({"占比45%，下降8%，达到100%，约26%的人。"}, {"Noto Serif CJK SC"}, {20}, 4);
}

// A number right before an ideograph whose lower half is much like a digit ("号"): the
// Latin engine, reading across the ideographs, takes it for one more digit ("19065,");
// the number comes back as drawn, with no digit and no letter more.
TEST_F(TextRecognitionAccuracy, NumbersBesideIdeographsGainNoDigitsFromThem)
{
    expectNumbersComeBackWhole({"公元2096年，共4086人，编号0.96元，1906号。"}, {"Noto Sans CJK SC", "DejaVu Sans"}, {12, 14, 17, 20}, 4,
                               {700, 36});
}
