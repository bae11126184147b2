// The real engine on text Qt draws: English, Simplified and Traditional Chinese,
// digits and punctuation, at 100 % and 200 %, dark on light and light on dark. At
// least 95 % of the characters must come back exactly (white space aside).
#include "Output/TesseractRecognizer.h"

#include <QFont>
#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct Line {
    const char* family;
    const char* text;
};

const Line kLines[] = {
    {"DejaVu Sans", "The quick brown fox jumps over the lazy dog."},
    {"DejaVu Sans", "Invoice 2024-0815: total $1,234.56 (paid)"},
    {"Noto Sans CJK SC", "今天下午三点在会议室开会，请准时参加。"},
    {"Noto Sans CJK SC", "系统更新已完成，请重新启动应用程序。"},
    {"Noto Sans CJK SC", "版本 5.3.0 已于 2024 年 5 月发布"},
    {"Noto Sans CJK TC", "歡迎使用繁體中文介面，設定已儲存。"},
    {"Noto Sans CJK TC", "電話：(02) 2345-6789，共 42 筆資料"},
    {"DejaVu Sans", "Email: support@example.com; ID 7781"},
};

QImage renderLines(double scale, bool dark)
{
    const int lineHeight = int(34 * scale);
    QImage image(int(720 * scale), int(40 * scale) + lineHeight * int(std::size(kLines)), QImage::Format_RGB32);
    image.fill(dark ? QColor(30, 30, 34) : QColor(250, 250, 250));
    QPainter painter(&image);
    painter.setPen(dark ? QColor(230, 230, 230) : QColor(25, 25, 25));
    int y = int(20 * scale) + lineHeight / 2;
    for (const Line& line : kLines) {
        QFont font(QString::fromLatin1(line.family));
        font.setPixelSize(int(std::round(15 * scale)));
        painter.setFont(font);
        painter.drawText(QPoint(int(24 * scale), y), QString::fromUtf8(line.text));
        y += lineHeight;
    }
    return image;
}

std::u32string withoutBlanks(const QString& text)
{
    std::u32string characters;
    for (const uint c : text.toUcs4())
        if (!QChar::isSpace(c))
            characters += char32_t(c);
    return characters;
}

// Characters inserted, dropped or replaced to turn `a` into `b`.
int editDistance(const std::u32string& a, const std::u32string& b)
{
    std::vector<int> previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        previous[j] = int(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (size_t j = 1; j <= b.size(); ++j)
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (a[i - 1] != b[j - 1])});
        std::swap(previous, current);
    }
    return previous.back();
}

} // namespace

TEST(TextRecognitionAccuracy, NinetyFivePercentOfTheCharactersComeBackExactly)
{
    QString expected;
    for (const Line& line : kLines)
        expected += QString::fromUtf8(line.text);
    const std::u32string reference = withoutBlanks(expected);

    TesseractRecognizer::Options options;
    options.maxEngines = 3;
    size_t total = 0;
    int wrong = 0;
    for (const double scale : {1.0, 2.0}) {
        for (const bool dark : {false, true}) {
            const TextRecognitionResult result = TesseractRecognizer::recognize(
                renderLines(scale, dark).convertToFormat(QImage::Format_Grayscale8), options);
            ASSERT_FALSE(result.failure) << result.failure->toStdString();
            const int distance = editDistance(reference, withoutBlanks(result.text));
            std::printf("scale %.0f%% %s: %d of %lld characters wrong\n%s\n", scale * 100, dark ? "dark" : "light",
                        distance, static_cast<long long>(reference.size()), result.text.toUtf8().constData());
            EXPECT_EQ(result.text.count(QLatin1Char('\n')), qsizetype(std::size(kLines)) - 1);
            total += reference.size();
            wrong += distance;
        }
    }
    const double accuracy = 1.0 - double(wrong) / double(total);
    std::printf("characters recognised exactly: %.2f%%\n", accuracy * 100.0);
    ::testing::Test::RecordProperty("accuracy_percent", QString::number(accuracy * 100.0, 'f', 2).toStdString());
    EXPECT_GE(accuracy, 0.95);
}
