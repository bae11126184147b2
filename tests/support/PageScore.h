#pragma once

// How a reading of a generated page is held against the text drawn on it, and against
// the plain reading (the tesseract command line in the same three languages): the share
// of characters read right, the numbers read exactly, the lines lost, split or out of
// order, and the ideographs that came back in the other script.

#include <QString>
#include <QStringList>

#include <vector>

struct ReadingScore {
    int characters = 0; // drawn, blanks left out
    int wrong = 0;      // edits from each drawn line to the nearest line read
    int numbers = 0;    // drawn
    int numbersExact = 0;
    int lines = 0; // drawn lines with text
    int linesLost = 0;
    int linesOutOfOrder = 0;
    int linesSplit = 0; // drawn lines that came back as two or more
    int scriptErrors = 0;
    QStringList scriptErrorSamples; // "來→来"
    double accuracy() const { return characters ? 1.0 - double(wrong) / characters : 1.0; }
};

struct NumberChange {
    QString drawn;
    QString ours;  // the nearest number read where it stood; empty where none
    QString plain;
    bool plainExact = false;
    bool oursExact = false;
};

struct PageScore {
    ReadingScore ours;
    ReadingScore plain;
    // Every drawn number one of the readings did not read exactly.
    std::vector<NumberChange> changed;
    // Drawn numbers the plain reading read exactly and ours did not.
    int numbersOnlyPlain = 0;
    // Drawn lines the plain reading keeps whole and in order that ours loses, splits or
    // puts out of order.
    int orderBroken = 0;
    QStringList orderBrokenLines;
};

namespace PageScoring {

// A text as compared: compatibility forms folded (full-width digits and ￥), the minus
// sign and dashes as a hyphen, the multiplication sign as an x and the per-mille sign
// as the "%o" every engine writes.
QString folded(const QString& text);

// The numbers of a text as it is compared: each run of characters holding a digit
// between blanks, ideographs and Chinese punctuation ("¥52.80", "-€146.31", "11.26%o",
// "2026-12-08T14:02:55", "1920x1080", "45元"), brackets, sentence signs and a unit's
// letters after it ("1.6h") left out.
QStringList numbers(const QString& text);

// `drawn`: the page's lines; `ours` and `plain`: the two readings, lines joined by line
// feeds. `scriptPair(drawn, read)` says when an ideograph read is the other script's
// form of the one drawn.
PageScore score(const QStringList& drawn, const QString& ours, const QString& plain,
                bool (*scriptPair)(char32_t drawn, char32_t read));

} // namespace PageScoring
