// The real engine on text Qt draws: English, Simplified and Traditional Chinese,
// digits and punctuation, at 100 % and 200 %, dark on light, light on dark, dark over a
// gradient, and a dark window with light text beside a light one with dark text. At
// least 95 % of the characters must come back exactly (white space aside), on every
// ground.
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

enum class Ground { Light, Dark, Gradient, DarkBesideLight };

// Dark beside light: the first half of the lines in a dark window on the left, the rest
// further down in a light one on the right (rows side by side at one height are a
// question of layout, not of ground).
QImage renderLines(double scale, Ground ground)
{
    const int lineHeight = int(34 * scale), width = int(720 * scale), count = int(std::size(kLines));
    const bool beside = ground == Ground::DarkBesideLight;
    QImage image(beside ? 2 * width : width, int(40 * scale) + lineHeight * count, QImage::Format_RGB32);
    image.fill(ground == Ground::Dark ? QColor(30, 30, 34) : QColor(250, 250, 250));
    QPainter painter(&image);
    // Blue to sand: the ground of the text crosses the page's middle grey.
    QLinearGradient gradient(0, 0, 0, image.height());
    gradient.setColorAt(0, QColor(0x30, 0x60, 0xa0));
    gradient.setColorAt(1, QColor(0xf0, 0xe0, 0xc0));
    if (ground == Ground::Gradient)
        painter.fillRect(image.rect(), gradient);
    if (beside)
        painter.fillRect(QRect(0, 0, width, image.height()), QColor(30, 30, 34));
    for (int i = 0; i < count; ++i) {
        const int column = beside && i >= count / 2 ? 1 : 0;
        painter.setPen(ground == Ground::Dark || (beside && column == 0) ? QColor(230, 230, 230) : QColor(25, 25, 25));
        QFont font(QString::fromLatin1(kLines[i].family));
        font.setPixelSize(int(std::round(15 * scale)));
        painter.setFont(font);
        painter.drawText(QPoint(column * width + int(24 * scale), int(20 * scale) + lineHeight / 2 + i * lineHeight),
                         QString::fromUtf8(kLines[i].text));
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
    const std::pair<Ground, const char*> grounds[] = {
        {Ground::Light, "light"}, {Ground::Dark, "dark"}, {Ground::Gradient, "gradient"}, {Ground::DarkBesideLight, "dark beside light"}};
    size_t total = 0;
    int wrong = 0;
    for (const double scale : {1.0, 2.0}) {
        for (const auto& [ground, name] : grounds) {
            const TextRecognitionResult result = TesseractRecognizer::recognize(
                renderLines(scale, ground).convertToFormat(QImage::Format_Grayscale8), options);
            ASSERT_FALSE(result.failure) << result.failure->toStdString();
            const int distance = editDistance(reference, withoutBlanks(result.text));
            std::printf("scale %.0f%% %s: %d of %lld characters wrong\n%s\n", scale * 100, name, distance,
                        static_cast<long long>(reference.size()), result.text.toUtf8().constData());
            EXPECT_EQ(result.text.count(QLatin1Char('\n')), qsizetype(std::size(kLines)) - 1) << name;
            // Each ground on its own: a ground the engine cannot read at all would hide
            // in the average of the others.
            EXPECT_LE(distance, int(reference.size()) / 10) << name << " at " << scale;
            total += reference.size();
            wrong += distance;
        }
    }
    const double accuracy = 1.0 - double(wrong) / double(total);
    std::printf("characters recognised exactly: %.2f%%\n", accuracy * 100.0);
    ::testing::Test::RecordProperty("accuracy_percent", QString::number(accuracy * 100.0, 'f', 2).toStdString());
    EXPECT_GE(accuracy, 0.95);
}
