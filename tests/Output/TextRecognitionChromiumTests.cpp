// The real recognizer on pages headless Chromium sets, whose type is drawn by another
// rasteriser than Qt's (lighter CJK strokes, its own hinting and gamma): content the
// project did not draw itself. Each test skips, saying so, where Chromium is missing.
#include "Output/ReadTextMeasures.h"
#include "Output/TextRecognitionProcess.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

// `lines` set by headless Chromium in each of `families` at each of `sizes`, one below
// the other on one page, and read from its screenshot. Chromium draws CJK type lighter
// than Qt does (its own hinting and gamma), and Tesseract's layout takes the ends of some
// of its small serif lines, or whole lines, for a picture. Empty, with the test failed,
// where Chromium took no screenshot.
static QString readPageSetByChromium(const QStringList& lines, std::initializer_list<const char*> families,
                                     std::initializer_list<int> sizes)
{
    QString html = QStringLiteral("<html><body style=\"margin:20px;background:#fff;color:#222\">");
    for (const char* family : families)
        for (const int size : sizes)
            for (const QString& line : lines)
                html += QStringLiteral("<div style=\"font-family:'%1';font-size:%2px;line-height:1.9\">%3</div>")
                            .arg(QLatin1String(family))
                            .arg(size)
                            .arg(line);
    QTemporaryDir folder;
    QFile page(folder.filePath(QStringLiteral("page.html")));
    if (!folder.isValid() || !page.open(QIODevice::WriteOnly) || page.write(html.toUtf8()) <= 0)
        return {};
    page.close();
    const QString shot = folder.filePath(QStringLiteral("page.png"));
    QProcess chromium;
    chromium.start(QStringLiteral("chromium"),
                   {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                    QStringLiteral("--hide-scrollbars"), QStringLiteral("--force-device-scale-factor=1"),
                    QStringLiteral("--user-data-dir=") + folder.filePath(QStringLiteral("profile")), QStringLiteral("--window-size=760,2400"),
                    QStringLiteral("--screenshot=") + shot, QUrl::fromLocalFile(page.fileName()).toString()});
    const QImage screenshot = chromium.waitForFinished(90000) ? QImage(shot) : QImage();
    if (screenshot.isNull()) {
        ADD_FAILURE() << "chromium took no screenshot: " << chromium.readAllStandardError().toStdString();
        return {};
    }
    const TextRecognitionResult result = TextRecognitionProcess::recognize(screenshot.convertToFormat(QImage::Format_Grayscale8));
    if (result.failure)
        ADD_FAILURE() << result.failure->toStdString();
    return result.text;
}

// Each of `lines` comes back whole `drawn` times: read lines about as long as it, and a
// misread character or two from it in ten (a clause gone is far more). And each of
// `values` (counts, percentages, names) comes back `drawn` times as it stands.
static void expectLinesAndValuesWhole(const QStringList& lines, const QString& read, int drawn,
                                      std::initializer_list<const char*> values)
{
    const QStringList readLines = read.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const std::u32string want = folded(line);
        const auto whole = std::count_if(readLines.begin(), readLines.end(), [&](const QString& got) {
            const std::u32string characters = folded(got);
            return characters.size() * 10 >= want.size() * 9 && editDistance(want, characters) * 10 <= int(want.size()) * 3;
        });
        EXPECT_EQ(whole, drawn) << line.toStdString() << "\n" << read.toStdString();
    }
    for (const char* value : values) {
        // A percentage is followed by a blank, a comma, a full stop, an ideograph or the
        // line's end: nothing the models made of its sign is left over ("87%@").
        const QString after = QLatin1String(value).endsWith(QLatin1Char('%')) ? QStringLiteral("(?![^\\s,.，。\\p{Han}])")
                                                                              : QStringLiteral("(?![0-9%])");
        const QRegularExpression exactly(QStringLiteral("(?<![0-9.])") + QRegularExpression::escape(QLatin1String(value)) + after);
        EXPECT_EQ(read.count(exactly), drawn) << value << "\n" << read.toStdString();
    }
}

// Simplified sentences in the sans-serif and the serif face at four sizes: every line
// comes back whole, no count comes back as a percentage ("2350" was once "2%"), and the
// percentages Chromium's serif face draws a mid grey keep their signs.
TEST(TextRecognitionAccuracy, LinesSetByChromiumComeBackWhole)
{
    if (!QFile::exists(QStringLiteral("/usr/bin/chromium")))
        GTEST_SKIP() << "chromium is not installed (scripts/bootstrap.sh installs it)";
    const QStringList lines{QStringLiteral("今年一季度营业收入同比增长18.5%，净利润增长7%。"),
                            QStringLiteral("其中线上渠道占比达到63%，较去年提高了4.2个百分点。"),
                            QStringLiteral("共有2350名员工参与调查，满意度为91%。"), QStringLiteral("第三季度成本下降了0.8%，毛利率为35.6%。"),
                            QStringLiteral("报告编号2024-118，共计47页，附件3份。"),
                            QStringLiteral("用户数量约为1200万，其中活跃用户占40%以上。")};
    const QString read = readPageSetByChromium(lines, {"Noto Sans CJK SC", "Noto Serif CJK SC"}, {13, 14, 16, 18});
    expectLinesAndValuesWhole(lines, read, 8, {"2350", "1200", "47", "63%", "91%", "0.8%", "35.6%", "40%"});
}

// Traditional sentences with a file name, a version and a path, the serif face at 12 px
// among the sizes: there the layout took two whole lines for a picture. Every line comes
// back whole, and so do the counts, the names and the percentages but the one at the end
// of a 12 px serif line, with no "@" left of a sign the Traditional model wrote as one.
TEST(TextRecognitionAccuracy, TraditionalLinesSetByChromiumAreAllRead)
{
    if (!QFile::exists(QStringLiteral("/usr/bin/chromium")))
        GTEST_SKIP() << "chromium is not installed (scripts/bootstrap.sh installs it)";
    const QStringList lines{QStringLiteral("本季度營業收入同比增長12.4%，淨利潤增長9%。"), QStringLiteral("請下載附件report.pdf並於週五前回覆。"),
                            QStringLiteral("版本v2.3.1修復了26個問題，效能提升15%。"), QStringLiteral("共有1896位用戶參與，滿意度達到87%。"),
                            QStringLiteral("會議紀錄已上傳至docs/meeting-0412.md檔案。"), QStringLiteral("成本下降了3.5%，毛利率約為42.8%。")};
    const QString read = readPageSetByChromium(lines, {"Noto Sans CJK TC", "Noto Serif CJK TC"}, {12, 13, 15, 17});
    expectLinesAndValuesWhole(lines, read, 8, {"1896", "26", "v2.3.1", "meeting-0412.md", "12.4%", "9%", "87%", "3.5%", "42.8%"});
}
