// The built-in text table: completeness, placeholders, scripts, and the rows whose
// wording is fixed for every language.
#include "Core/LocalizationTable.h"

#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <array>

namespace {

const QStringList kCodes = {"en", "zh-Hans", "zh-Hant", "ja", "ko", "de", "fr", "es", "it", "ru"};

// Texts that are the same words in every language (file-format names, the copyright line).
const QSet<QString> kLanguageNeutralKeys = {
    "format.png", "format.jpeg", "format.tiff", "format.heic", "format.pdf", "format.webp", "settings.copyright",
};

// Names of keys as printed on the keycaps. Japanese, Korean and Russian keyboards print
// these in Latin letters, and shortcuts are shown the same way there, so those columns may
// hold the English keycap name itself.
const QSet<QString> kKeycapKeys = {
    "shortcuts.key.return", "shortcuts.key.tab", "shortcuts.key.escape", "shortcuts.key.backspace",
    "shortcuts.key.delete",
};

int placeholderCount(const QString& text)
{
    return int(text.count(QStringLiteral("%@")));
}

bool containsAny(const QString& text, std::initializer_list<std::pair<char32_t, char32_t>> ranges)
{
    for (const char32_t ch : text.toUcs4()) {
        for (const auto& [low, high] : ranges) {
            if (ch >= low && ch <= high)
                return true;
        }
    }
    return false;
}

} // namespace

TEST(LocalizationTable, HoldsEveryKeyOnceWithAllTenLanguages)
{
    const QStringList& keys = localizationKeys();
    const LocalizationTable& table = localizationTable();

    EXPECT_EQ(table.size(), keys.size()) << "a key appears twice";

    static const QRegularExpression keyShape(QStringLiteral("^[a-z][a-zA-Z]*(\\.[a-zA-Z0-9]+)+$"));
    for (const QString& key : keys) {
        EXPECT_TRUE(keyShape.match(key).hasMatch()) << key.toStdString();
        const auto& texts = table.value(key);
        EXPECT_EQ(texts.size(), 10) << key.toStdString();
        for (const QString& code : kCodes) {
            const QString text = texts.value(code);
            EXPECT_FALSE(text.trimmed().isEmpty()) << key.toStdString() << " / " << code.toStdString();
            EXPECT_EQ(text, text.trimmed()) << "stray blank in " << key.toStdString() << " / " << code.toStdString();
        }
    }
}

TEST(LocalizationTable, EveryLanguageKeepsTheEnglishPlaceholders)
{
    const LocalizationTable& table = localizationTable();
    for (const QString& key : localizationKeys()) {
        const auto& texts = table.value(key);
        const int expected = placeholderCount(texts.value("en"));
        for (const QString& code : kCodes) {
            const QString text = texts.value(code);
            EXPECT_EQ(placeholderCount(text), expected) << key.toStdString() << " / " << code.toStdString();
            // A lone "%" would be a mangled placeholder ("% @", "%s", "%1").
            EXPECT_EQ(text.count(QLatin1Char('%')), placeholderCount(text))
                << key.toStdString() << " / " << code.toStdString();
        }
    }
}

TEST(LocalizationTable, EachColumnIsWrittenInItsOwnScript)
{
    // Catches a text pasted into the wrong column or left in English.
    const LocalizationTable& table = localizationTable();
    const std::pair<char32_t, char32_t> han{0x4E00, 0x9FFF};
    const std::pair<char32_t, char32_t> kana{0x3040, 0x30FF};
    const std::pair<char32_t, char32_t> hangul{0xAC00, 0xD7A3};
    const std::pair<char32_t, char32_t> cyrillic{0x0400, 0x04FF};

    // Characters written differently in the two Chinese scripts.
    const QString simplifiedOnly = QStringLiteral("图设选颜线识标开关为时这动择认键录");
    const QString traditionalOnly = QStringLiteral("圖設選顏線識標開關為時這動擇認鍵錄");

    for (const QString& key : localizationKeys()) {
        if (kLanguageNeutralKeys.contains(key))
            continue;
        const auto& texts = table.value(key);
        const std::string k = key.toStdString();
        const auto keycap = [&](const char* code) {
            return kKeycapKeys.contains(key) && texts.value(code) == texts.value("en");
        };
        EXPECT_TRUE(containsAny(texts.value("zh-Hans"), {han})) << k;
        EXPECT_TRUE(containsAny(texts.value("zh-Hant"), {han})) << k;
        // Japanese dialogs say "OK" in Latin letters.
        EXPECT_TRUE(texts.value("ja") == "OK" || keycap("ja") || containsAny(texts.value("ja"), {han, kana})) << k;
        EXPECT_TRUE(keycap("ko") || containsAny(texts.value("ko"), {hangul})) << k;
        EXPECT_TRUE(keycap("ru") || containsAny(texts.value("ru"), {cyrillic})) << k;
        EXPECT_FALSE(containsAny(texts.value("zh-Hans"), {kana, hangul})) << k;
        EXPECT_FALSE(containsAny(texts.value("zh-Hant"), {kana, hangul})) << k;
        for (const QChar ch : simplifiedOnly)
            EXPECT_FALSE(texts.value("zh-Hant").contains(ch)) << k << ": simplified character in zh-Hant";
        for (const QChar ch : traditionalOnly)
            EXPECT_FALSE(texts.value("zh-Hans").contains(ch)) << k << ": traditional character in zh-Hans";
        for (const char* latin : {"de", "fr", "es", "it"})
            EXPECT_FALSE(containsAny(texts.value(latin), {han, kana, hangul, cyrillic})) << k << " / " << latin;
    }
}

TEST(LocalizationTable, TellingRowsAreWordedExactly)
{
    const LocalizationTable& table = localizationTable();
    struct Row {
        const char* code;
        const char* followSystem;
        const char* recognizing;
        const char* conflict; // nullptr: checked separately
        const char* arrow;
    };
    const Row rows[] = {
        {"en", "Follow System", "Recognizing…", "Conflicts with “%@”", "Arrow Annotation"},
        {"zh-Hans", "跟随系统", "识别中…", "与「%@」冲突", "箭头标注"},
        {"zh-Hant", "跟隨系統", "識別中…", "與「%@」衝突", "箭頭標註"},
        {"ja", "システムに従う", "認識中…", "「%@」と競合しています", "矢印注釈"},
        {"ko", "시스템 따르기", "인식 중…", nullptr, "화살표 주석"},
        {"de", "System folgen", "Erkennen…", "Steht im Konflikt mit „%@“", "Pfeilanmerkung"},
        {"fr", "Suivre le système", "Reconnaissance…", "En conflit avec « %@ »", "Annotation fléchée"},
        {"es", "Según el sistema", "Reconociendo…", "En conflicto con «%@»", "Anotación de flecha"},
        {"it", "Segui il sistema", "Riconoscimento…", "In conflitto con “%@”", "Annotazione freccia"},
        {"ru", "Как в системе", "Распознавание…", "Конфликтует с «%@»", "Стрелка"},
    };
    for (const Row& row : rows) {
        const QString code = QString::fromLatin1(row.code);
        EXPECT_EQ(table.value("settings.language.system").value(code), QString::fromUtf8(row.followSystem)) << row.code;
        EXPECT_EQ(table.value("panel.ocr.recognizing").value(code), QString::fromUtf8(row.recognizing)) << row.code;
        EXPECT_EQ(table.value("tooltip.arrow").value(code), QString::fromUtf8(row.arrow)) << row.code;
        if (row.conflict) {
            EXPECT_EQ(table.value("shortcuts.conflict").value(code), QString::fromUtf8(row.conflict)) << row.code;
        }
        // Every language ends "recognising" with the one-character ellipsis.
        EXPECT_TRUE(table.value("panel.ocr.recognizing").value(code).endsWith(QChar(0x2026))) << row.code;
    }
    // The recognition card's words as the design gives them.
    const std::array<std::array<const char*, 3>, 3> card = {{{"panel.ocr.copy", "zh-Hans", "复制全部"},
                                                             {"panel.ocr.copy", "zh-Hant", "複製全部"},
                                                             {"panel.ocr.empty", "ko", "텍스트를 찾지 못했습니다"}}};
    for (const auto& [key, code, text] : card)
        EXPECT_EQ(table.value(key).value(QString::fromLatin1(code)), QString::fromUtf8(text)) << key << " " << code;
    const QString korean = table.value("shortcuts.conflict").value("ko");
    EXPECT_TRUE(korean.contains(QStringLiteral("\"%@\""))) << korean.toStdString();
    EXPECT_TRUE(containsAny(korean, {{0xAC00, 0xD7A3}}));
}

TEST(LocalizationTable, NoTextNamesTheMacDesktop)
{
    // Lumetra runs on Linux desktops: no Finder, no System Settings, no Command key.
    const QStringList forbidden = {
        "macOS", "Finder", "System Settings", "System Preferences", "Systemeinstellungen",
        "Réglages Système", "Ajustes del Sistema", "Impostazioni di Sistema", "Системные настройки",
        "系统设置", "系統設定", "システム設定", "시스템 설정", "⌘", "⌥", "⌃",
    };
    const LocalizationTable& table = localizationTable();
    for (const QString& key : localizationKeys()) {
        for (const QString& code : kCodes) {
            const QString text = table.value(key).value(code);
            for (const QString& word : forbidden)
                EXPECT_FALSE(text.contains(word, Qt::CaseInsensitive))
                    << key.toStdString() << " / " << code.toStdString() << " mentions " << word.toStdString();
        }
    }
}
