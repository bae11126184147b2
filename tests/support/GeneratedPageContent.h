#pragma once

// What the generated pages are made of: a seeded random source whose draws are the same
// on every machine (no standard distribution, whose results the library chooses), the
// shapes numbers take on screens, and words in Simplified and Traditional Chinese, kept
// side by side, and in English.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <random>
#include <vector>

class PageRandom {
public:
    PageRandom(std::uint32_t seed, int index)
    {
        std::seed_seq sequence{seed, std::uint32_t(index), std::uint32_t(0x4c756d65)};
        m_engine.seed(sequence);
    }
    // 0 .. n-1
    int below(int n) { return n <= 1 ? 0 : int(m_engine() % std::uint32_t(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    const QString& pick(const QStringList& list) { return list[below(int(list.size()))]; }
    template <typename T>
    const T& pick(const std::vector<T>& list)
    {
        return list[size_t(below(int(list.size())))];
    }

private:
    std::mt19937 m_engine;
};

// One phrase in both scripts, ideograph for ideograph where they differ.
struct HanPhrase {
    const char* simplified;
    const char* traditional;
    QString in(bool traditionalScript) const { return QString::fromUtf8(traditionalScript ? traditional : simplified); }
};

namespace PageContent {

// 35787 -> "35,787"
QString grouped(long long whole);
// An amount of `cents`: "35,787.08" (grouped) or "35787.08".
QString amount(long long cents, bool grouping = true);
// A random amount between `low` and `high` (whole units), two decimals.
long long cents(PageRandom& r, int low, int high);
// "7%", "12.5%", "-3.2%", "+4.8%"
QString percent(PageRandom& r, bool signedChange = false);
// "11.26‰", "3‰", "0.8‰"
QString perMille(PageRandom& r);
// "2026-12-08", "2026/12/08", "08.12.2026"; `style` < 0 picks one
QString date(PageRandom& r, int style = -1);
// "14:02" or "14:02:55"
QString time(PageRandom& r, bool seconds = false);
// "+86 138 0013 8000", "138-0013-8000", "(021) 5555-0134", "+1 415 555 0134"
QString phone(PageRandom& r);
// "863 2071 4459"
QString meetingId(PageRandom& r);
// "Kp9#x2!5G": letters, digits and signs
QString password(PageRandom& r);
// "INV-2026-0457", "A7X-3321", "#48213", "20261208004512"
QString identifier(PageRandom& r);
// "v2.3.1", "1.72"
QString version(PageRandom& r);
// a hexadecimal commit "7f3c9a2"
QString commit(PageRandom& r);

// Words of the pages in both scripts.
const std::vector<HanPhrase>& groceries();
const std::vector<HanPhrase>& hanWords();
// Sentences with their numbers as {year}, {count}, {money}, {pct}, {permille}, {date},
// {time}, {phone}, {id}, {version}, {size}, {temp}, in both scripts; the `quoting` ones
// take a word of the other script as {word}.
const std::vector<HanPhrase>& hanSentences();
const std::vector<HanPhrase>& hanQuotingSentences();
const QStringList& englishSentences();
const QStringList& englishQuotingSentences();
const QStringList& names();
const QStringList& hanNames();

// The labels of receipts, spreadsheets, dialogs and spec sheets; `label` gives one in a
// script by its Simplified form (which must be among them).
const std::vector<HanPhrase>& labels();
QString label(const char* simplified, bool traditional);

// Every phrase kept in both scripts, for the pairs of ideographs they write apart.
std::vector<HanPhrase> allHanPhrases();

// A sentence's numbers filled in, each {shape} by a number of that shape.
QString fillNumbers(PageRandom& r, QString sentence);

} // namespace PageContent
