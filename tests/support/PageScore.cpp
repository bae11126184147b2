#include "PageScore.h"

#include "Output/ReadTextMeasures.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <set>

namespace PageScoring {

namespace {

bool isIdeograph(uint c)
{
    return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x2FFFF);
}

bool isChinesePunctuation(uint c)
{
    return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFE30 && c <= 0xFE4F) || c == 0x201C || c == 0x201D || c == 0x2018
        || c == 0x2019 || c == 0xFF0C || c == 0xFF1A || c == 0xFF1B || c == 0xFF01 || c == 0xFF1F;
}

// A line as compared: folded, blanks left out.
std::u32string compared(const QString& line)
{
    std::u32string out;
    for (const uint c : PageScoring::folded(line).toUcs4())
        if (!QChar::isSpace(c))
            out += char32_t(c);
    return out;
}

// The edits from `drawn` to `read`, and the pairs of characters substituted on the way.
int align(const std::u32string& drawn, const std::u32string& read, std::vector<std::pair<char32_t, char32_t>>* substituted)
{
    const size_t n = drawn.size(), m = read.size();
    std::vector<int> d((n + 1) * (m + 1));
    const auto at = [m](size_t i, size_t j) { return i * (m + 1) + j; };
    for (size_t i = 0; i <= n; ++i)
        d[at(i, 0)] = int(i);
    for (size_t j = 0; j <= m; ++j)
        d[at(0, j)] = int(j);
    for (size_t i = 1; i <= n; ++i)
        for (size_t j = 1; j <= m; ++j)
            d[at(i, j)] = std::min({d[at(i - 1, j)] + 1, d[at(i, j - 1)] + 1, d[at(i - 1, j - 1)] + (drawn[i - 1] != read[j - 1])});
    if (substituted) {
        size_t i = n, j = m;
        while (i > 0 && j > 0) {
            if (d[at(i, j)] == d[at(i - 1, j - 1)] + (drawn[i - 1] != read[j - 1])) {
                if (drawn[i - 1] != read[j - 1])
                    substituted->emplace_back(drawn[i - 1], read[j - 1]);
                --i;
                --j;
            } else if (d[at(i, j)] == d[at(i - 1, j)] + 1)
                --i;
            else
                --j;
        }
    }
    return d[at(n, m)];
}

struct Reading {
    QStringList lines;
    std::vector<std::u32string> compared;
    std::vector<int> drawnLine;           // for each line read: the drawn line it is, or -1
    std::vector<std::vector<int>> readAs; // for each drawn line: the lines read as it
    QStringList numbers;
};

// Which drawn line each read line is: the nearest, where at least 40% of it agrees; of
// equally near ones, the first at or after the last one found (a page repeats lines).
Reading matchLines(const std::vector<std::u32string>& drawn, const QString& text, ReadingScore& score)
{
    Reading reading;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const std::u32string c = compared(line);
        if (c.empty())
            continue;
        reading.lines << line;
        reading.compared.push_back(c);
    }
    reading.readAs.resize(drawn.size());
    std::vector<int> nearestEdits(drawn.size(), -1);
    int last = 0;
    for (size_t j = 0; j < reading.compared.size(); ++j) {
        // The nearest for its share of edits, so that half a line (a row split) still
        // finds its line rather than a short one that merely takes fewer edits.
        int best = -1;
        double bestShare = 0;
        for (size_t i = 0; i < drawn.size(); ++i) {
            if (drawn[i].empty())
                continue;
            const int edits = editDistance(drawn[i], reading.compared[j]);
            if (nearestEdits[i] < 0 || edits < nearestEdits[i])
                nearestEdits[i] = edits;
            const double share = double(edits) / double(std::max(drawn[i].size(), reading.compared[j].size()));
            if (best < 0 || share < bestShare || (share == bestShare && best < last && int(i) >= last)) {
                best = int(i);
                bestShare = share;
            }
        }
        if (best >= 0 && bestShare <= 0.6) {
            reading.drawnLine.push_back(best);
            reading.readAs[size_t(best)].push_back(int(j));
            last = best;
        } else
            reading.drawnLine.push_back(-1);
    }
    for (size_t i = 0; i < drawn.size(); ++i) {
        if (drawn[i].empty())
            continue;
        ++score.lines;
        score.characters += int(drawn[i].size());
        score.wrong += nearestEdits[i] < 0 ? int(drawn[i].size()) : std::min(nearestEdits[i], int(drawn[i].size()));
    }
    return reading;
}

// The drawn lines lost, split or out of order in a reading: out of order are those
// outside the longest run of lines read in their drawn order (each taken where it is
// first read).
std::set<int> misplaced(const std::vector<std::u32string>& drawn, const Reading& reading, ReadingScore& score)
{
    std::vector<int> order;
    std::set<int> seen;
    for (const int line : reading.drawnLine)
        if (line >= 0 && seen.insert(line).second)
            order.push_back(line);
    // Longest increasing subsequence, kept.
    std::vector<int> tailValue, tailIndex, previous(order.size(), -1);
    for (size_t k = 0; k < order.size(); ++k) {
        const auto place = std::lower_bound(tailValue.begin(), tailValue.end(), order[k]) - tailValue.begin();
        if (place > 0)
            previous[k] = tailIndex[size_t(place) - 1];
        if (size_t(place) == tailValue.size()) {
            tailValue.push_back(order[k]);
            tailIndex.push_back(int(k));
        } else {
            tailValue[size_t(place)] = order[k];
            tailIndex[size_t(place)] = int(k);
        }
    }
    std::set<int> inOrder;
    for (int k = tailIndex.empty() ? -1 : tailIndex.back(); k >= 0; k = previous[size_t(k)])
        inOrder.insert(order[size_t(k)]);
    std::set<int> out;
    for (size_t i = 0; i < drawn.size(); ++i) {
        if (drawn[i].empty())
            continue;
        const int line = int(i);
        if (reading.readAs[i].empty()) {
            ++score.linesLost;
            out.insert(line);
        } else if (!inOrder.count(line)) {
            ++score.linesOutOfOrder;
            out.insert(line);
        } else if (reading.readAs[i].size() > 1) {
            ++score.linesSplit;
            out.insert(line);
        }
    }
    return out;
}

void countScriptErrors(const std::vector<std::u32string>& drawn, const Reading& reading, ReadingScore& score,
                       bool (*scriptPair)(char32_t, char32_t))
{
    for (size_t i = 0; i < drawn.size(); ++i) {
        if (std::none_of(drawn[i].begin(), drawn[i].end(), [](char32_t c) { return isIdeograph(c); }))
            continue;
        for (const int j : reading.readAs[i]) {
            std::vector<std::pair<char32_t, char32_t>> substituted;
            align(drawn[i], reading.compared[size_t(j)], &substituted);
            for (const auto& [d, r] : substituted)
                if (scriptPair(d, r)) {
                    ++score.scriptErrors;
                    score.scriptErrorSamples << QString::fromUcs4(&d, 1) + QStringLiteral("→") + QString::fromUcs4(&r, 1);
                }
        }
    }
}

// The number read nearest to `number`, for its share of edits, where its drawn line was
// read; empty where that line was not found.
QString nearestNumber(const QString& number, int drawnLine, const Reading& reading)
{
    QStringList candidates;
    for (const int j : reading.readAs[size_t(drawnLine)])
        candidates << numbers(reading.lines[j]);
    // Where the line shows the number as drawn, that is another of its places: this
    // one was read as something else.
    if (candidates.count(number) < candidates.size())
        candidates.removeAll(number);
    const std::u32string want = number.toStdU32String();
    QString best;
    double bestShare = 2;
    for (const QString& candidate : candidates) {
        const std::u32string got = candidate.toStdU32String();
        if (const double share = double(editDistance(want, got)) / double(std::max(want.size(), got.size())); share < bestShare) {
            best = candidate;
            bestShare = share;
        }
    }
    return best;
}

// Which of the drawn numbers (line, number) a reading read exactly: as many of each as
// the reading has anywhere, those missing taken first among the ones whose own line
// does not show them.
std::vector<bool> exactNumbers(const std::vector<std::pair<int, QString>>& drawn, const QString& text, const Reading& reading)
{
    QHash<QString, int> readCount, drawnCount;
    for (const QString& n : numbers(text))
        ++readCount[n];
    for (const auto& [line, n] : drawn)
        ++drawnCount[n];
    std::vector<bool> shown(drawn.size(), false);
    QHash<int, QStringList> left; // each drawn line's numbers as read there, taken as found
    for (size_t k = 0; k < drawn.size(); ++k) {
        const int line = drawn[k].first;
        if (!left.contains(line))
            for (const int j : reading.readAs[size_t(line)])
                left[line] << numbers(reading.lines[j]);
        shown[k] = left[line].removeOne(drawn[k].second);
    }
    std::vector<bool> exact(drawn.size(), true);
    for (auto it = drawnCount.cbegin(); it != drawnCount.cend(); ++it) {
        int missing = std::max(0, it.value() - readCount.value(it.key()));
        for (size_t k = 0; k < drawn.size() && missing > 0; ++k)
            if (drawn[k].second == it.key() && !shown[k]) {
                exact[k] = false;
                --missing;
            }
        for (size_t k = drawn.size(); k-- > 0 && missing > 0;)
            if (drawn[k].second == it.key() && exact[k]) {
                exact[k] = false;
                --missing;
            }
    }
    return exact;
}

} // namespace

QString folded(const QString& text)
{
    QString out = text.normalized(QString::NormalizationForm_KC);
    for (QChar& c : out)
        if (c == QChar(0x2212) || c == QChar(0x2013) || c == QChar(0x2012) || c == QChar(0x2014) || c == QChar(0xFE63))
            c = QLatin1Char('-');
    out.replace(QChar(0x2030), QStringLiteral("%o"));
    out.replace(QChar(0x00D7), QLatin1Char('x')); // 1920×1080: every engine reads the letter
    return out;
}

QStringList numbers(const QString& text)
{
    static const QString opening = QStringLiteral("([{<\"',;:");
    static const QString closing = QStringLiteral(")]}>\"'.,;:!?");
    QStringList out;
    const QList<uint> characters = PageScoring::folded(text).toUcs4();
    QList<uint> run;
    const auto close = [&] {
        QString word = QString::fromUcs4(reinterpret_cast<const char32_t*>(run.constData()), run.size());
        run.clear();
        while (!word.isEmpty() && opening.contains(word.front()))
            word.remove(0, 1);
        while (!word.isEmpty() && closing.contains(word.back()))
            word.chop(1);
        // A unit's letters after the figure ("1.6h", "45mm"): whether a blank stands
        // between them is the page's, not the number's.
        static const QRegularExpression unit(QStringLiteral(R"((?<=[0-9])[A-Za-z°µ]+$)"));
        word.remove(unit);
        if (std::any_of(word.begin(), word.end(), [](QChar c) { return c.isDigit(); }))
            out << word;
    };
    for (const uint c : characters) {
        if (c == U'元' && !run.isEmpty() && QChar::isDigit(run.back())) {
            run << c;
            close();
        } else if (QChar::isSpace(c) || isIdeograph(c) || isChinesePunctuation(c))
            close();
        else
            run << c;
    }
    close();
    return out;
}

PageScore score(const QStringList& drawnLines, const QString& ours, const QString& plain, bool (*scriptPair)(char32_t, char32_t))
{
    PageScore page;
    std::vector<std::u32string> drawn;
    for (const QString& line : drawnLines)
        drawn.push_back(compared(line));
    const Reading ourReading = matchLines(drawn, ours, page.ours);
    const Reading plainReading = matchLines(drawn, plain, page.plain);

    const std::set<int> ourMisplaced = misplaced(drawn, ourReading, page.ours);
    const std::set<int> plainMisplaced = misplaced(drawn, plainReading, page.plain);
    for (size_t i = 0; i < drawn.size(); ++i)
        if (!drawn[i].empty() && ourMisplaced.count(int(i)) && !plainMisplaced.count(int(i))) {
            ++page.orderBroken;
            page.orderBrokenLines << drawnLines[int(i)];
        }
    countScriptErrors(drawn, ourReading, page.ours, scriptPair);
    countScriptErrors(drawn, plainReading, page.plain, scriptPair);

    // Numbers: each drawn one as often as it stands, against the readings' as often as
    // they read it anywhere on the page.
    std::vector<std::pair<int, QString>> drawnNumbers;
    for (int line = 0; line < drawnLines.size(); ++line)
        for (const QString& n : numbers(drawnLines[line]))
            drawnNumbers.emplace_back(line, n);
    const std::vector<bool> oursExact = exactNumbers(drawnNumbers, ours, ourReading);
    const std::vector<bool> plainExact = exactNumbers(drawnNumbers, plain, plainReading);
    page.ours.numbers = page.plain.numbers = int(drawnNumbers.size());
    for (size_t k = 0; k < drawnNumbers.size(); ++k) {
        const auto& [line, n] = drawnNumbers[k];
        page.ours.numbersExact += oursExact[k];
        page.plain.numbersExact += plainExact[k];
        page.numbersOnlyPlain += plainExact[k] && !oursExact[k];
        if (!oursExact[k] || !plainExact[k])
            page.changed.push_back({n, oursExact[k] ? n : nearestNumber(n, line, ourReading), plainExact[k] ? n : nearestNumber(n, line, plainReading),
                                    plainExact[k], oursExact[k]});
    }
    return page;
}

} // namespace PageScoring
