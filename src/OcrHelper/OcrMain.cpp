// lumetra-ocr: reads the text of one page for Lumetra (see
// Output/TextRecognitionProtocol.h). It caps its own memory and processor time first.
//
// Each language has an engine of its own, on a thread of its own, and every engine reads
// the whole page with Tesseract's layout analysis. A line with ideographs is then taken
// from the Chinese engine that reads its Han words with the higher confidence, with each
// of its words without ideographs as the English engine read it; any other line from the
// English engine. Each Chinese model reads the other script as its own, so where the two
// disagree on a character, the page's ink decides between the two (HanVariantChoice.h):
// Traditional stays Traditional and Simplified stays Simplified. Engines that read one
// language do not trade a word between models half-way, which is where digits and
// identifiers went wrong; and single-language engines side by side take about the time
// of the slowest of them, under one engine that tries every language on every word.
// A line whose end or start the layout took for a picture is read once more over all of
// its band, and a line it took whole for one is read on its own (LineTails.h). Words
// whose ink Lumetra marks as made by a misjudged ground (beside a dark panel's edge,
// where the page is blank) are left out before the engines' readings are merged.
// The Chinese models read a percent sign after digits as more digits; the page's ink
// (PercentInk.h), else the Latin engine's reading of the same place, puts the sign back.
#include "OcrHelper/EvenInk.h"
#include "OcrHelper/FileNames.h"
#include "OcrHelper/HanText.h"
#include "OcrHelper/HanVariantChoice.h"
#include "OcrHelper/LineTails.h"
#include "OcrHelper/PercentInk.h"
#include "Output/TextRecognitionProtocol.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace P = TextRecognitionProtocol;
using HanText::forEachCharacter;
using HanText::isHan;

void limit(int resource, rlim_t value)
{
    const rlimit bound{value, value};
    ::setrlimit(resource, &bound);
}

bool answer(std::int32_t status, const std::string& text, const std::string& used, const std::string& missing)
{
    P::Reply r{};
    std::memcpy(r.magic, P::replyMagic, sizeof r.magic);
    r.status = status;
    r.textLength = std::int32_t(text.size());
    r.usedLength = std::int32_t(used.size());
    r.missingLength = std::int32_t(missing.size());
    return P::writeAll(STDOUT_FILENO, &r, sizeof r) && P::writeAll(STDOUT_FILENO, text.data(), text.size())
        && P::writeAll(STDOUT_FILENO, used.data(), used.size())
        && P::writeAll(STDOUT_FILENO, missing.data(), missing.size());
}

int failWith(const std::string& message) { return answer(P::statusFailed, message, {}, {}) ? 0 : 1; }

std::vector<std::string> split(const std::string& list)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find('+', start), list.size());
        if (end > start)
            parts.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string join(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& part : parts)
        out += (out.empty() ? "" : "+") + part;
    return out;
}

// Models whose text is written in Han characters.
bool readsHan(const std::string& language) { return language.rfind("chi_", 0) == 0 || language.rfind("jpn", 0) == 0; }

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    long long area() const { return std::max(0LL, (long long)(right - left) * (bottom - top)); }
};

// The area two boxes have in common.
long long commonArea(const Box& a, const Box& b)
{
    const Box common{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return common.right <= common.left || common.bottom <= common.top ? 0 : common.area();
}

// What share of the smaller of two boxes they have in common.
double overlap(const Box& a, const Box& b)
{
    const long long smaller = std::min(a.area(), b.area());
    return smaller > 0 ? double(commonArea(a, b)) / double(smaller) : 0.0;
}

bool isSign(const std::string& symbol) { return symbol == "\u00A9" || symbol == "\u00AE"; }

// A word as the engine read it. A copyright or registered sign glued to letters or
// digits is the engine's reading of a glyph it took for one (a dotted or slashed zero,
// as monospaced fonts draw it, at a word's start); there the engine's next choice of a
// letter or digit stands. A file name's extension is mended from the engine's next
// choices (FileNames.h).
std::string wordText(tesseract::ResultIterator& it, bool withChoices, std::vector<FileNames::Choices>& choicesRead)
{
    std::unique_ptr<char[]> whole(it.GetUTF8Text(tesseract::RIL_WORD));
    std::string text = whole ? whole.get() : "";
    const bool signs = text.find("\u00A9") != std::string::npos || text.find("\u00AE") != std::string::npos;
    const bool named = text.find_first_of(".,") != std::string::npos;
    if (!withChoices || (!signs && !named))
        return text;
    if (std::none_of(text.begin(), text.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
        return text;
    std::vector<FileNames::Choices> word;
    std::string plain;
    do {
        std::unique_ptr<char[]> symbol(it.GetUTF8Text(tesseract::RIL_SYMBOL));
        FileNames::Choices choices{symbol ? symbol.get() : ""};
        plain += choices.front();
        tesseract::ChoiceIterator next(it);
        do {
            const char* alternative = next.GetUTF8Text();
            if (alternative && choices.front() != alternative)
                choices.emplace_back(alternative);
        } while (next.Next());
        if (isSign(choices.front())) {
            const auto letter = std::find_if(choices.begin() + 1, choices.end(), [](const std::string& c) {
                return c.size() == 1 && std::isalnum(static_cast<unsigned char>(c[0]));
            });
            if (letter != choices.end())
                std::swap(choices.front(), *letter);
        }
        word.push_back(std::move(choices));
    } while (!it.IsAtFinalElement(tesseract::RIL_WORD, tesseract::RIL_SYMBOL) && it.Next(tesseract::RIL_SYMBOL));
    const std::string mended = FileNames::mended(word);
    choicesRead = std::move(word);
    return mended == plain ? text : mended;
}

struct WordReading {
    Box box;
    std::string text;
    float confidence = 0.0f;
    std::vector<FileNames::Choices> choices; // of a Latin word with a dot or a sign in it
};

struct LineReading {
    Box box;
    std::string text;
    float confidence = 0.0f;
    std::vector<WordReading> words;
    HanVariantChoice::Line characters; // Han models only
};

// A file name the engine cut after its dot ("handout." and "pdf") comes back whole
// (FileNames.h).
bool joinFileNames(std::vector<WordReading>& words, const FileNames::Page& page)
{
    std::vector<FileNames::PlacedWord> placed;
    for (const WordReading& word : words)
        placed.push_back({word.text, word.box.left, word.box.top, word.box.right, word.box.bottom, word.choices});
    const std::vector<std::optional<std::string>> cut = FileNames::cutNames(placed, page);
    if (std::none_of(cut.begin(), cut.end(), [](const auto& name) { return name.has_value(); }))
        return false;
    // Left to right, so that a name cut twice ("archive." "tar." "gz") joins whole.
    std::vector<WordReading> out{words.front()};
    for (size_t k = 1; k < words.size(); ++k) {
        const std::optional<std::string>& name = cut[k - 1];
        if (!name) {
            out.push_back(std::move(words[k]));
            continue;
        }
        WordReading& joined = out.back();
        const std::string& before = placed[k - 1].text;
        const bool alone = k < 2 || !cut[k - 2];
        if (alone)
            joined.text = *name;
        else
            joined.text += name->compare(0, before.size(), before) == 0 ? name->substr(before.size()) : words[k].text;
        joined.box.right = words[k].box.right;
        joined.box.top = std::min(joined.box.top, words[k].box.top);
        joined.box.bottom = std::max(joined.box.bottom, words[k].box.bottom);
        joined.confidence = std::min(joined.confidence, words[k].confidence);
    }
    words = std::move(out);
    return true;
}


struct Reader {
    static constexpr float minimumGrownConfidence = 50.0f, minimumLostConfidence = 70.0f;

    std::string language;
    bool started = false;
    std::vector<LineReading> lines;

    void read(const char* dataPath, const std::vector<unsigned char>& page, int width, int height)
    {
        tesseract::TessBaseAPI api;
        api.SetVariable("debug_file", "/dev/null");
        if (api.Init(dataPath, language.c_str(), tesseract::OEM_LSTM_ONLY) != 0)
            return;
        started = true;
        api.SetPageSegMode(tesseract::PSM_AUTO);
        // The page comes as dark ink on white paper (dark grounds already turned), so a
        // line read with little confidence is not worth reading again inverted: that
        // second reading cost the Latin engine a third of its time on lines of ideographs.
        api.SetVariable("tessedit_do_invert", "0");
        // The engine's next choices, for the words whose first one is a sign (Latin
        // text only: for the thousands of Han characters they cost much time).
        if (!readsHan(language))
            api.SetVariable("lstm_choice_mode", "2");
        api.SetImage(page.data(), width, height, 1, width);
        if (api.Recognize(nullptr) != 0)
            return;
        lines = linesRead(api, page, width, height);
        const auto boxes = [this] {
            std::vector<LineTails::Box> out;
            for (const LineReading& line : lines)
                out.push_back({line.box.left, line.box.top, line.box.right, line.box.bottom});
            return out;
        };
        // A line the layout cut short (LineTails.h) is read once more over all of its
        // band, as one line. Where that reading is no surer than a guess, the line stays
        // as it was read.
        // The one line the engine reads in a box of the page, and how sure it is of it.
        // Or, given a row `through`, the one line of those it reads that crosses it.
        const auto lineIn = [&](const LineTails::Box& box, std::optional<int> through = std::nullopt) -> std::optional<LineReading> {
            api.SetRectangle(box.left, box.top, box.right - box.left, box.bottom - box.top);
            if (api.Recognize(nullptr) != 0)
                return std::nullopt;
            std::vector<LineReading> read = linesRead(api, page, width, height);
            const auto elsewhere = [&](const LineReading& line) { return line.box.top > *through || line.box.bottom <= *through; };
            if (through)
                read.erase(std::remove_if(read.begin(), read.end(), elsewhere), read.end());
            return read.size() == 1 ? std::optional<LineReading>(std::move(read[0])) : std::nullopt;
        };
        api.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
        for (const LineTails::Grown& grown : LineTails::grownLines({page.data(), width, height}, boxes()))
            if (std::optional<LineReading> whole = lineIn(grown.box); whole && whole->confidence >= minimumGrownConfidence)
                lines[grown.line] = std::move(*whole);
        // So is a line with a stretch inside taken for one, where the engine wrote blanks
        // ("學生們在|     準備考試"), as a block: its box, as the layout drew it, takes in
        // the edges of the lines above and below, which a reading as one line trips on.
        // The new reading stands where it holds more. Only the lines with such blanks
        // are looked at (their words given).
        std::vector<std::vector<LineTails::Box>> words;
        for (const LineReading& line : lines) {
            words.emplace_back();
            if (line.text.find("   ") != std::string::npos)
                for (const WordReading& word : line.words)
                    words.back().push_back({word.box.left, word.box.top, word.box.right, word.box.bottom});
        }
        // The row the line's words stand on, the middle of most of them.
        const auto middleRow = [&](size_t line) {
            std::vector<int> middles;
            for (const LineTails::Box& word : words[line])
                middles.push_back((word.top + word.bottom) / 2);
            std::nth_element(middles.begin(), middles.begin() + std::ptrdiff_t(middles.size() / 2), middles.end());
            return middles[middles.size() / 2];
        };
        const auto written = [](const std::string& text) { return std::count_if(text.begin(), text.end(), [](char c) { return c != ' '; }); };
        api.SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
        for (const LineTails::Grown& hollow : LineTails::hollowLines({page.data(), width, height}, boxes(), words))
            if (std::optional<LineReading> whole = lineIn(hollow.box, middleRow(hollow.line));
                whole && whole->confidence >= minimumGrownConfidence && written(whole->text) > written(lines[hollow.line].text))
                lines[hollow.line] = std::move(*whole);
        api.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
        // A line the layout took whole for a picture is read on its own, and kept only
        // where the engine is sure of it: nothing ties it to the text around it. It goes
        // before the first line below it in its column, for the reading order.
        for (const LineTails::Box& band : LineTails::lostLines({page.data(), width, height}, boxes())) {
            std::optional<LineReading> found = lineIn(band);
            if (!found || found->confidence < minimumLostConfidence)
                continue;
            const auto below = std::find_if(lines.begin(), lines.end(), [&](const LineReading& line) {
                return line.box.top > found->box.top && line.box.left < found->box.right && found->box.left < line.box.right;
            });
            lines.insert(below, std::move(*found));
        }
    }

    // The lines the engine read last, each with its words and characters.
    std::vector<LineReading> linesRead(tesseract::TessBaseAPI& api, const std::vector<unsigned char>& page, int width, int height)
    {
        std::vector<LineReading> read;
        std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
        if (!it || it->Empty(tesseract::RIL_TEXTLINE))
            return read;
        do {
            LineReading line;
            it->BoundingBox(tesseract::RIL_TEXTLINE, &line.box.left, &line.box.top, &line.box.right, &line.box.bottom);
            line.confidence = it->Confidence(tesseract::RIL_TEXTLINE);
            std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
            line.text = text ? text.get() : "";
            bool rebuilt = false;
            tesseract::ResultIterator word(*it);
            do {
                WordReading reading;
                word.BoundingBox(tesseract::RIL_WORD, &reading.box.left, &reading.box.top, &reading.box.right, &reading.box.bottom);
                reading.confidence = word.Confidence(tesseract::RIL_WORD);
                reading.text = wordText(word, !readsHan(language), reading.choices);
                std::unique_ptr<char[]> asRead(word.GetUTF8Text(tesseract::RIL_WORD));
                rebuilt = rebuilt || reading.text != (asRead ? asRead.get() : "");
                line.words.push_back(std::move(reading));
            } while (!word.IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_WORD) && word.Next(tesseract::RIL_WORD));
            // Each character's place: the Han ones to choose their script by, the Latin ones
            // to hold a Han line's numbers against.
            line.characters = HanVariantChoice::lineAt(*it);
            if (!readsHan(language))
                rebuilt = joinFileNames(line.words, {page.data(), width, height}) || rebuilt;
            if (rebuilt) {
                line.text.clear();
                for (const WordReading& w : line.words)
                    line.text += (line.text.empty() ? "" : " ") + w.text;
            }
            while (!line.text.empty() && (line.text.back() == '\n' || line.text.back() == ' '))
                line.text.pop_back();
            if (!line.text.empty())
                read.push_back(std::move(line));
        } while (it->Next(tesseract::RIL_TEXTLINE));
        return read;
    }
};


// The share of a line's characters (spaces aside) that are Han ideographs.
double hanShare(const std::string& utf8)
{
    int han = 0, all = 0;
    forEachCharacter(utf8, [&](char32_t c) {
        all += c != ' ';
        han += isHan(c);
    });
    return all > 0 ? double(han) / all : 0.0;
}

int hanCount(const std::string& utf8)
{
    int count = 0;
    forEachCharacter(utf8, [&](char32_t c) { count += isHan(c); });
    return count;
}

// A Han line as the Chinese engine read it, with each of its words that holds no Han
// character (a name, a number, an identifier) as the Latin engine read the same place:
// the Chinese models read Latin letters and digits less surely.
std::string withLatinWords(const LineReading& han, const LineReading& latin)
{
    constexpr float unsureLatin = 60.0f;
    std::string out;
    size_t cursor = 0;
    std::vector<bool> used(latin.words.size(), false);
    for (const WordReading& word : han.words) {
        const size_t at = han.text.find(word.text, cursor);
        if (word.text.empty() || at == std::string::npos || hanCount(word.text) > 0
            || std::none_of(word.text.begin(), word.text.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
            continue;
        std::string replacement;
        bool sure = true;
        int covered = 0;
        for (size_t i = 0; i < latin.words.size(); ++i) {
            // The lines are the same; what counts is where along it a word lies. A Latin
            // word reaching well beyond the Chinese engine's word took Han characters for
            // letters and is no better.
            const Box& other = latin.words[i].box;
            const int shared = std::min(word.box.right, other.right) - std::max(word.box.left, other.left);
            if (!used[i] && shared * 10 >= (other.right - other.left) * 7) {
                replacement += (replacement.empty() ? "" : " ") + latin.words[i].text;
                sure = sure && latin.words[i].confidence >= unsureLatin;
                covered += std::max(0, shared);
                used[i] = true;
            }
        }
        // A Latin reading its own engine doubts (letters it found in Han strokes) is no
        // better than the Chinese one, nor one of a part of the word only (the full stop
        // after a number, without the number).
        const auto digits = [](const std::string& t) { return std::count_if(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }); };
        if (replacement.empty() || !sure || covered * 2 < word.box.right - word.box.left
            || (digits(word.text) > 0 && digits(replacement) == 0))
            continue;
        // Nor, for a number among ideographs, one with letters or more digits: reading
        // across the ideographs, the Latin engine takes a stroke of the one beside the
        // number for a letter or one more digit ("1906号" as "19065,").
        const auto hasLetter = [](const std::string& t) { return std::any_of(t.begin(), t.end(), [](char c) { return c > 0 && std::isalpha(static_cast<unsigned char>(c)); }); };
        if (digits(word.text) > 0 && !hasLetter(word.text) && (hasLetter(replacement) || digits(replacement) > digits(word.text)))
            continue;
        out += han.text.substr(cursor, at - cursor) + replacement;
        cursor = at + word.text.size();
    }
    return out + han.text.substr(cursor);
}

// The page as read, with where its ink is not the page's own (Output/TextInk.h).
struct Marked {
    const unsigned char* page = nullptr;
    const unsigned char* misjudged = nullptr;
    int width = 0, height = 0;
};

// Whether most of the ink in a box is ink a misjudged ground made: a word read there
// was read where the page is blank.
bool misjudgedInk(const Box& box, const Marked& marked)
{
    constexpr int faintestInk = 24;
    long long ink = 0, misjudged = 0;
    for (int y = std::max(0, box.top); y < std::min(marked.height, box.bottom); ++y)
        for (int x = std::max(0, box.left); x < std::min(marked.width, box.right); ++x) {
            const size_t at = size_t(y) * size_t(marked.width) + size_t(x);
            if (255 - marked.page[at] >= faintestInk) {
                ++ink;
                misjudged += marked.misjudged[at] != 0;
            }
        }
    return ink > 0 && misjudged * 2 > ink;
}

// Each line without the words read where the page is blank (beside the edge of a dark
// panel), and without the lines left with none.
void dropMisjudgedWords(std::vector<LineReading>& lines, const Marked& marked)
{
    for (LineReading& line : lines) {
        std::vector<bool> drop;
        for (const WordReading& word : line.words)
            drop.push_back(misjudgedInk(word.box, marked));
        if (std::none_of(drop.begin(), drop.end(), [](bool d) { return d; }))
            continue;
        // The line's text is its words with what the engine put between them.
        std::string text;
        size_t cursor = 0;
        std::vector<WordReading> kept;
        std::vector<Box> dropped;
        for (size_t k = 0; k < line.words.size(); ++k) {
            WordReading& word = line.words[k];
            const size_t at = word.text.empty() ? std::string::npos : line.text.find(word.text, cursor);
            const size_t end = at == std::string::npos ? cursor : at + word.text.size();
            if (drop[k]) {
                dropped.push_back(word.box);
            } else {
                if (at != std::string::npos)
                    text += (text.empty() ? "" : line.text.substr(cursor, at - cursor)) + word.text;
                kept.push_back(std::move(word));
            }
            cursor = end;
        }
        line.text = text;
        line.words = std::move(kept);
        if (line.words.empty())
            continue;
        line.box = line.words.front().box;
        for (const WordReading& word : line.words) {
            line.box.left = std::min(line.box.left, word.box.left);
            line.box.top = std::min(line.box.top, word.box.top);
            line.box.right = std::max(line.box.right, word.box.right);
            line.box.bottom = std::max(line.box.bottom, word.box.bottom);
        }
        std::vector<HanVariantChoice::Symbol> symbols;
        for (HanVariantChoice::Symbol& symbol : line.characters.symbols) {
            const int middle = (symbol.box.left + symbol.box.right) / 2;
            if (std::none_of(dropped.begin(), dropped.end(), [&](const Box& box) { return middle >= box.left && middle < box.right; }))
                symbols.push_back(std::move(symbol));
        }
        line.characters.symbols = std::move(symbols);
        line.characters.box = {line.box.left, line.box.top, line.box.right, line.box.bottom};
    }
    lines.erase(std::remove_if(lines.begin(), lines.end(), [](const LineReading& line) { return line.text.empty(); }), lines.end());
}

// A Han line with the percent signs the Chinese models read as digits put back. Those
// models write a percent sign after digits as more digits, letters or an "@" ("5%" as
// "59%", "12.4%" as "12.496" or "12.4@"), so a number ending in one of those ways may be
// a number with its sign. The page's ink says so first: where a glyph after the digits
// is drawn as a percent sign, the number is the digits before it (PercentInk.h). Where
// the ink shows no sign, it still is one when the Latin engine, whose reading of the
// ideographs around is letters but of digits and signs is sure, read that number with
// its sign at the same place of the line, and did not read it as the Chinese models
// did. `han` is the line's text in its script, character for character its symbols;
// `latin` is empty where the Latin engine found no line there.
std::string withPercentSigns(const LineReading& han, const LineReading& latin, PercentInk::Judge& ink)
{
    const std::vector<HanVariantChoice::Symbol>& symbols = han.characters.symbols;
    std::u32string text = HanText::decoded(han.text);
    std::vector<size_t> place;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != U' ' && text[i] != U'\t' && text[i] != U'\n')
            place.push_back(i);
    if (place.size() != symbols.size() || text.find_first_of(U"0123456789") == std::u32string::npos)
        return han.text;
    const auto isDigit = [](char32_t c) { return c >= U'0' && c <= U'9'; };
    // A number and what the models made of its sign: digits, points, signs and letters
    // with no blank between them.
    const auto inNumber = [&](char32_t c) {
        return isDigit(c) || c == U'.' || c == U',' || c == U'%' || c == U'@' || (c < 0x80 && std::isalpha(static_cast<unsigned char>(c)));
    };
    // How the Chinese models write a percent sign after digits, longest first.
    static const std::u32string signs[] = {U"9%6", U"96", U"90", U"9%", U"9@", U"%6", U"%o", U"9o", U"@"};
    const int pad = (han.box.bottom - han.box.top) / 2;
    // The runs of digits and signs, last first, so that a change leaves the places of
    // the characters before it.
    for (size_t end = place.size(); end > 0;) {
        if (!inNumber(text[place[end - 1]])) {
            --end;
            continue;
        }
        size_t start = end - 1;
        while (start > 0 && inNumber(text[place[start - 1]]) && place[start - 1] + 1 == place[start])
            --start;
        size_t last = end;
        const size_t first = start;
        end = start;
        // A comma or full stop after the number ends the sentence, not the number.
        while (last > first && (text[place[last - 1]] == U'.' || text[place[last - 1]] == U','))
            --last;
        std::u32string run;
        for (size_t k = first; k < last; ++k)
            run += text[place[k]];
        while (!run.empty() && !isDigit(run.front()))
            run.erase(run.begin());
        if (run.empty())
            continue;
        // What the ink says, for a number that does not plainly end in a digit the
        // models read surely: one that ends in what they make of a sign ("96", "0",
        // "8"), or in that and one more digit for the full stop after it ("91965").
        const auto signLike = [](char32_t c) { return c == U'9' || c == U'6' || c == U'0' || c == U'8'; };
        if (run.find_first_not_of(U"0123456789.,") != std::u32string::npos || signLike(run.back())
            || (run.size() >= 3 && signLike(run[run.size() - 2]))) {
            size_t from = first;
            while (!isDigit(text[place[from]]))
                ++from;
            HanVariantChoice::Box roughly = symbols[from].box;
            for (size_t k = from; k < last; ++k) {
                roughly.left = std::min(roughly.left, symbols[k].box.left);
                roughly.right = std::max(roughly.right, symbols[k].box.right);
            }
            const HanVariantChoice::Box line{han.box.left, han.box.top, han.box.right, han.box.bottom};
            if (const auto number = ink.numberBeforeSign(line, roughly, run)) {
                // All the models read after the digits is what they made of the sign
                // ("96", "%6", "qb"), at times with the full stop after it ("%o"). Where
                // they read none of it in the number, they read the sign apart, after a
                // mark they made of its first ring ("96\"%"): the mark and that sign go.
                const std::u32string withSign = *number + U'%';
                size_t through = place[last - 1] + 1;
                if (*number == run && through + 1 < text.size() && text[through + 1] == U'%' && text[through] != U' '
                    && !isDigit(text[through]) && !HanText::isHan(text[through]))
                    through += 2;
                text.replace(place[from], through - place[from], withSign);
                continue;
            }
        }
        std::u32string number, sign;
        for (const std::u32string& written : signs)
            if (run.size() > written.size() && run.compare(run.size() - written.size(), written.size(), written) == 0
                && isDigit(run[run.size() - written.size() - 1])) {
                number = run.substr(0, run.size() - written.size());
                sign = written;
                break;
            }
        if (number.empty())
            continue;
        const std::u32string withSign = number + U'%';
        // The Latin engine's digits and signs over the same stretch of the line.
        const int left = symbols[first].box.left - pad, right = symbols[last - 1].box.right + pad;
        std::u32string seen;
        for (const HanVariantChoice::Symbol& symbol : latin.characters.symbols) {
            const int middle = (symbol.box.left + symbol.box.right) / 2;
            const std::u32string c = HanText::decoded(symbol.text);
            if (middle >= left && middle <= right && c.size() == 1 && (isDigit(c[0]) || c[0] == U'.' || c[0] == U'%'))
                seen += c[0];
        }
        // Held against each other without their points, which the Latin engine reading
        // across ideographs may lose; the Chinese reading keeps them.
        const auto withoutPoints = [](std::u32string digits) {
            digits.erase(std::remove(digits.begin(), digits.end(), U'.'), digits.end());
            return digits;
        };
        seen = withoutPoints(seen);
        const auto endsWith = [&](const std::u32string& read) {
            const std::u32string what = withoutPoints(read);
            return seen.size() >= what.size() && seen.compare(seen.size() - what.size(), what.size(), what) == 0;
        };
        // The Latin engine's own reading of the digits is short of some at times (it
        // takes one beside an ideograph for a letter): the last of them, with the sign
        // after them, are enough.
        const std::u32string ourDigits = withoutPoints(withSign);
        const bool sameEnd = seen.size() >= 2 && seen.back() == U'%' && ourDigits.size() >= seen.size()
            && ourDigits.compare(ourDigits.size() - seen.size(), seen.size(), seen) == 0;
        // Where it read none of them, its sign alone does for a sign the Chinese models
        // wrote as two characters without one (a lone 9 may be a digit of its own).
        const bool signAlone = seen == U"%" && sign.size() == 2 && sign.find(U'%') == std::u32string::npos;
        if (!(endsWith(withSign) || sameEnd || signAlone) || endsWith(run))
            continue;
        // The run from its first digit on becomes the number with its sign.
        size_t from = first;
        while (!isDigit(text[place[from]]))
            ++from;
        text.replace(place[from], place[last - 1] - place[from] + 1, withSign);
    }
    return HanText::encoded(text);
}

// For every line of the first engine, the reading in the line's own script.
std::string merge(const std::vector<Reader>& readers, HanVariantChoice::Chooser& variants, PercentInk::Judge& ink)
{
    const Reader* reference = nullptr;
    for (const Reader& reader : readers)
        if (reader.started && (!reference || reader.lines.size() > reference->lines.size()))
            reference = &reader;
    if (!reference)
        return {};
    std::vector<LineReading> chosenLines;
    for (const LineReading& line : reference->lines) {
        // The same line as each engine read it.
        std::vector<std::pair<const Reader*, const LineReading*>> readings;
        // Where the first engine cut a line in two and another read it whole, that whole
        // reading belongs to the piece it shares most with; were it taken for both, the
        // line would come back twice, once in each script. A piece left without a Han
        // reading of its own, inside a Han engine's longer line, is read with that line.
        bool pieceOfHanLine = false;
        for (const Reader& reader : readers) {
            const LineReading* best = nullptr;
            double bestOverlap = 0.5;
            for (const LineReading& other : reader.lines) {
                const double o = overlap(line.box, other.box);
                if (o > bestOverlap) {
                    bestOverlap = o;
                    best = &other;
                }
            }
            if (!best)
                continue;
            const bool sharedMoreElsewhere = std::any_of(reference->lines.begin(), reference->lines.end(), [&](const LineReading& piece) {
                return &piece != &line && commonArea(piece.box, best->box) > commonArea(line.box, best->box);
            });
            if (!sharedMoreElsewhere)
                readings.emplace_back(&reader, best);
            else if (readsHan(reader.language) && best->box.left <= line.box.left && best->box.right >= line.box.right)
                pieceOfHanLine = true;
        }
        if (pieceOfHanLine
            && std::none_of(readings.begin(), readings.end(), [](const auto& reading) { return readsHan(reading.first->language); }))
            continue;
        // Simplified against Traditional is judged on the Han words alone: the Latin
        // words of a mixed line read about as well in either.
        const auto confidence = [](const LineReading& reading, bool han) {
            if (!han)
                return double(reading.confidence);
            double sum = 0;
            int count = 0;
            for (const WordReading& word : reading.words) {
                const int weight = hanCount(word.text);
                sum += double(word.confidence) * weight;
                count += weight;
            }
            return count > 0 ? sum / count : double(reading.confidence);
        };
        const auto mostConfident = [&](bool han) -> const LineReading* {
            const LineReading* chosen = nullptr;
            for (const auto& [reader, reading] : readings)
                if (readsHan(reader->language) == han && (!chosen || confidence(*reading, han) > confidence(*chosen, han)))
                    chosen = reading;
            return chosen;
        };
        const LineReading* hanReading = mostConfident(true);
        const LineReading* const chineseReading = hanReading;
        const LineReading* otherReading = mostConfident(false);
        // Which script each ideograph is in, the page's ink says.
        LineReading inItsScript = hanReading ? *hanReading : LineReading{};
        for (const auto& [reader, reading] : readings)
            if (hanReading && reading != hanReading && readsHan(reader->language))
                inItsScript.text = variants.choose(inItsScript.text, inItsScript.characters, reading->text);
        hanReading = hanReading ? &inItsScript : nullptr;
        // A line holds Han text when its Han reading has ideographs; a Latin line read by
        // a Chinese model comes back with hardly any.
        const bool isHan = hanReading && (!otherReading || hanCount(hanReading->text) >= 2);
        // Where the Latin engine found no line there (small serif type), the ink alone
        // decides on a sign.
        if (isHan)
            inItsScript.text = withPercentSigns(inItsScript, otherReading ? *otherReading : LineReading{}, ink);
        LineReading chosen = isHan ? *hanReading : otherReading ? *otherReading : line;
        if (isHan && otherReading) {
            chosen.text = withLatinWords(*hanReading, *otherReading);
            std::vector<std::string> others;
            for (const auto& [reader, reading] : readings)
                if (reading != chineseReading)
                    others.push_back(reading->text);
            chosen.text = FileNames::withDotsPutBack(chosen.text, others);
        }
        chosen.box = line.box;
        chosenLines.push_back(std::move(chosen));
    }

    // A line the layout cut in two (a gap in its ink) comes back whole: a piece that
    // starts right after another's end, on the same baseline, continues it, whichever
    // of them the layout put first.
    const auto continues = [](const Box& line, const Box& next) {
        const int height = std::max(line.bottom - line.top, next.bottom - next.top);
        const int shared = std::min(line.bottom, next.bottom) - std::max(line.top, next.top);
        const int gap = next.left - line.right;
        return shared * 10 >= height * 6 && gap >= -2 && gap * 2 <= height * 3;
    };
    std::vector<bool> taken(chosenLines.size(), false);
    std::string text;
    for (size_t i = 0; i < chosenLines.size(); ++i) {
        bool continuation = false;
        for (size_t k = 0; k < chosenLines.size(); ++k)
            continuation = continuation || (k != i && !taken[k] && continues(chosenLines[k].box, chosenLines[i].box));
        if (taken[i] || continuation)
            continue;
        LineReading line = chosenLines[i];
        for (bool grew = true; grew;) {
            grew = false;
            for (size_t j = 0; j < chosenLines.size(); ++j) {
                if (j == i || taken[j] || !continues(line.box, chosenLines[j].box))
                    continue;
                const bool han = hanShare(line.text) > 0 && hanShare(chosenLines[j].text) > 0;
                line.text += (han ? "" : " ") + chosenLines[j].text;
                line.box.right = chosenLines[j].box.right;
                taken[j] = grew = true;
            }
        }
        text += line.text;
        text += '\n';
    }
    return text;
}

} // namespace

int main()
{
    limit(RLIMIT_AS, P::addressSpaceBytes);
    limit(RLIMIT_CPU, P::cpuSeconds);
    limit(RLIMIT_CORE, 0);
    // One arena per engine thread at most; more only hold memory nobody uses.
    mallopt(M_ARENA_MAX, P::maximumEngines + 1);

    P::Request request{};
    if (!P::readAll(STDIN_FILENO, &request, sizeof request) || std::memcmp(request.magic, P::requestMagic, sizeof request.magic) != 0)
        return failWith("no request");
    if (request.width <= 0 || request.height <= 0 || request.width > P::maximumSide || request.height > P::maximumSide
        || std::int64_t(request.width) * request.height > P::maximumPagePixels || request.languagesLength <= 0
        || request.languagesLength > P::maximumNameLength || request.dataPathLength < 0
        || request.dataPathLength > P::maximumNameLength)
        return failWith("the request is out of bounds");
    std::string languages(size_t(request.languagesLength), '\0');
    std::string dataPath(size_t(request.dataPathLength), '\0');
    std::vector<unsigned char> page(size_t(request.width) * size_t(request.height));
    std::vector<unsigned char> misjudged(page.size());
    if (!P::readAll(STDIN_FILENO, languages.data(), languages.size()) || !P::readAll(STDIN_FILENO, dataPath.data(), dataPath.size())
        || !P::readAll(STDIN_FILENO, page.data(), page.size()) || !P::readAll(STDIN_FILENO, misjudged.data(), misjudged.size()))
        return failWith("the request broke off");

    evenInk(page, request.width, request.height);

    std::vector<Reader> readers;
    for (const std::string& language : split(languages)) {
        if (int(readers.size()) < P::maximumEngines)
            readers.push_back(Reader{language, false, {}});
    }
    if (readers.empty())
        return failWith("no language to read in");
    std::vector<std::thread> threads;
    for (Reader& reader : readers)
        threads.emplace_back([&] { reader.read(dataPath.empty() ? nullptr : dataPath.c_str(), page, request.width, request.height); });
    for (std::thread& thread : threads)
        thread.join();

    for (Reader& reader : readers)
        dropMisjudgedWords(reader.lines, {page.data(), misjudged.data(), request.width, request.height});

    std::vector<std::string> used, missing;
    for (const Reader& reader : readers)
        (reader.started ? used : missing).push_back(reader.language);
    if (used.empty())
        return answer(P::statusFailed, "no language data for " + languages, {}, join(missing)) ? 0 : 1;
    HanVariantChoice::Chooser variants({page.data(), request.width, request.height});
    PercentInk::Judge ink({page.data(), request.width, request.height});
    return answer(P::statusRead, merge(readers, variants, ink), join(used), join(missing)) ? 0 : 1;
}
