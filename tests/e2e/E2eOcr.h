#pragma once

// Reading text off screenshots, as a user reads the screen: Tesseract (English) over a
// screenshot enlarged three times, words with their boxes in screenshot coordinates.

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <optional>

namespace e2e {

struct OcrWord {
    QString text;
    QRect box;
};

// The words Tesseract reads in the image, in reading order.
QList<OcrWord> readWords(const QImage& image);
// All of them, one blank between words.
QString readText(const QImage& image);
// Where the first run of consecutive words spells `wanted`; nothing when no run does.
// Only letters, digits and "+" count, in any case; the letters OCR confuses on small
// text (l, i, 1, |) count as one, and one letter more, less or other is forgiven in a
// text of six or more, after its first character: "Ctrl + Alt + 5" is found where
// Tesseract read "Ctrri+ AIt +5". Digits must be read right.
std::optional<QRect> findText(const QImage& image, const QString& wanted);

} // namespace e2e
