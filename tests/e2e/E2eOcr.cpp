#include "E2eOcr.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <omp.h>

#include <algorithm>
#include <array>
#include <memory>

namespace e2e {

namespace {

constexpr int kScale = 3;

// For comparing: letters, digits and "+" only (symbols beside a text are read as
// stray marks), lower case, and the characters OCR mistakes for one another on small
// interface text (l, i, 1, |, !) made one.
QString squeezed(const QString& text)
{
    QString kept;
    for (QChar c : text.toLower()) {
        if (c == QLatin1Char('i') || c == QLatin1Char('1') || c == QLatin1Char('|') || c == QLatin1Char('!'))
            kept += QLatin1Char('l');
        else if (c.isLetterOrNumber() || c == QLatin1Char('+'))
            kept += c;
    }
    return kept;
}

// Enlarged, grey, and stretched so that the darkest text is black and the common
// background white: grey text on a grey capsule reads as well as black on white.
QImage prepared(const QImage& image)
{
    QImage grey = image.convertToFormat(QImage::Format_Grayscale8)
                      .scaled(image.size() * kScale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    std::array<qint64, 256> histogram{};
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            ++histogram[line[x]];
    }
    const qint64 total = qint64(grey.width()) * grey.height();
    qint64 seen = 0;
    int dark = 0, median = 255;
    for (int v = 0; v < 256; ++v) {
        seen += histogram[v];
        if (seen < total / 100)
            dark = v;
        if (seen < total / 2)
            median = v;
    }
    const int light = std::max(dark + 20, median - 12);
    for (int y = 0; y < grey.height(); ++y) {
        uchar* line = grey.scanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            line[x] = uchar(std::clamp((line[x] - dark) * 255 / (light - dark), 0, 255));
    }
    return grey;
}

// The cost of turning one spelling into the other, where a letter read wrong, missing
// or doubled costs 1 and a digit 2 (a misread digit changes what a key text says).
int distance(const QString& a, const QString& b)
{
    const auto cost = [](QChar c) { return c.isDigit() ? 2 : 1; };
    QList<int> row(b.size() + 1);
    for (qsizetype j = 1; j <= b.size(); ++j)
        row[j] = row[j - 1] + cost(b[j - 1]);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] += cost(a[i - 1]);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            const int substitute = diagonal + (a[i - 1] == b[j - 1] ? 0 : std::max(cost(a[i - 1]), cost(b[j - 1])));
            row[j] = std::min({substitute, above + cost(a[i - 1]), row[j - 1] + cost(b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace

QList<OcrWord> readWords(const QImage& image)
{
    QList<OcrWord> words;
    if (image.isNull())
        return words;
    const QImage grey = prepared(image);
    // Tesseract's OpenMP threads spin while they wait: with several tests reading the
    // screen at once on a busy machine, one reading took minutes instead of seconds.
    omp_set_max_active_levels(0);
    tesseract::TessBaseAPI api;
    if (api.Init(nullptr, "eng") != 0)
        return words;
    // One block: a row's title and its keys come out as one line, in order.
    api.SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    api.SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    if (api.Recognize(nullptr) != 0)
        return words;
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it)
        return words;
    do {
        const std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_WORD));
        int left = 0, top = 0, right = 0, bottom = 0;
        if (!text || !it->BoundingBox(tesseract::RIL_WORD, &left, &top, &right, &bottom))
            continue;
        words.append({QString::fromUtf8(text.get()).trimmed(),
                      QRect(QPoint(left / kScale, top / kScale), QPoint(right / kScale, bottom / kScale))});
    } while (it->Next(tesseract::RIL_WORD));
    return words;
}

QString readText(const QImage& image)
{
    QStringList texts;
    for (const OcrWord& word : readWords(image))
        texts << word.text;
    return texts.join(QLatin1Char(' '));
}

std::optional<QRect> findText(const QImage& image, const QString& wanted)
{
    const QString target = squeezed(wanted);
    if (target.isEmpty())
        return std::nullopt;
    // One letter may be read wrong in a longer text ("Ctrri" for "Ctrl").
    const int allowed = target.size() >= 6 ? 1 : 0;
    const QList<OcrWord> words = readWords(image);
    for (qsizetype first = 0; first < words.size(); ++first) {
        QString spelt;
        QRect box;
        for (qsizetype last = first; last < words.size() && spelt.size() <= target.size() + 1; ++last) {
            // Stray marks (a symbol read as "@") are no part of the text, nor of its box.
            const QString word = squeezed(words[last].text);
            if (word.isEmpty()) {
                if (last == first)
                    break;
                continue;
            }
            // A run starts where the text does: a stray mark before it is not forgiven.
            if (last == first && word.front() != target.front())
                break;
            spelt += word;
            box = box.united(words[last].box);
            if (distance(spelt, target) <= allowed)
                return box;
        }
    }
    return std::nullopt;
}

} // namespace e2e
