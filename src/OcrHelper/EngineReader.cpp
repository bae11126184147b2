#include "OcrHelper/EngineReader.h"

#include "OcrHelper/LineTails.h"
#include "OcrHelper/Rereading.h"
#include "OcrHelper/RuleSwitches.h"
#include "OcrHelper/Thresholds.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <optional>

namespace EngineReader {

using namespace Readings;

namespace {

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

// Each character of the word the iterator is at, with the engine's next choices for it:
// where another engine read one of them, this engine's reading does not gainsay it.
std::vector<CharacterChoices> weighedCharacters(const tesseract::ResultIterator& at)
{
    std::vector<CharacterChoices> out;
    tesseract::ResultIterator it(at);
    do {
        std::unique_ptr<char[]> symbol(it.GetUTF8Text(tesseract::RIL_SYMBOL));
        CharacterChoices character{symbol ? symbol.get() : "", {}};
        tesseract::ChoiceIterator next(it);
        do {
            const char* alternative = next.GetUTF8Text();
            if (alternative && character.text != alternative)
                character.next.emplace_back(alternative, next.Confidence());
        } while (next.Next());
        out.push_back(std::move(character));
    } while (!it.IsAtFinalElement(tesseract::RIL_WORD, tesseract::RIL_SYMBOL) && it.Next(tesseract::RIL_SYMBOL));
    return out;
}

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

// The lines the engine read last, each with its words and characters.
// `page` null: no ink to join file names by.
std::vector<LineReading> linesRead(const std::string& language, tesseract::TessBaseAPI& api, const unsigned char* page, int width, int height)
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
            std::unique_ptr<char[]> asRead(word.GetUTF8Text(tesseract::RIL_WORD));
            // Before the word's text, which may leave the iterator at its last character.
            if (!readsHan(language) && asRead && std::any_of(asRead.get(), asRead.get() + std::strlen(asRead.get()), [](char c) { return c >= '0' && c <= '9'; }))
                reading.weighed = weighedCharacters(word);
            reading.text = wordText(word, !readsHan(language), reading.choices);
            rebuilt = rebuilt || reading.text != (asRead ? asRead.get() : "");
            line.words.push_back(std::move(reading));
        } while (!word.IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_WORD) && word.Next(tesseract::RIL_WORD));
        // Each character's place: the Han ones to choose their script by, the Latin ones
        // to hold a Han line's numbers against.
        line.characters = HanVariantChoice::lineAt(*it);
        if (!readsHan(language) && page)
            rebuilt = joinFileNames(line.words, {page, width, height}) || rebuilt;
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

} // namespace

std::unique_ptr<tesseract::TessBaseAPI> load(const std::string& language, const char* dataPath, Page page)
{
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    api->SetVariable("debug_file", "/dev/null");
    // Tesseract skips a missing language after the first, but not the first itself.
    std::string languages = language;
    while (api->Init(dataPath, languages.c_str(), tesseract::OEM_LSTM_ONLY) != 0) {
        const size_t next = languages.find('+');
        if (next == std::string::npos)
            return nullptr;
        languages.erase(0, next + 1);
        api = std::make_unique<tesseract::TessBaseAPI>();
        api->SetVariable("debug_file", "/dev/null");
    }
    api->SetPageSegMode(tesseract::PSM_AUTO);
    // On paper, dark grounds are already turned, so a line read with little confidence
    // is not worth reading again inverted: that second reading cost the Latin engine a
    // third of its time on lines of ideographs. The image itself may have light text
    // on a dark ground, which the command line reads inverted.
    if (page == Page::inkOnPaper)
        api->SetVariable("tessedit_do_invert", "0");
    // The engine's next choices, for the words whose first one is a sign (Latin
    // text only: for the thousands of Han characters they cost much time).
    if (!readsHan(language))
        api->SetVariable("lstm_choice_mode", "2");
    return api;
}

void read(EngineReading& reading, tesseract::TessBaseAPI& api, const std::vector<unsigned char>& page, int width, int height)
{
    api.SetImage(page.data(), width, height, 1, width);
    if (api.Recognize(nullptr) == 0)
        reading.lines = linesRead(reading.language, api, page.data(), width, height);
}

void readImage(EngineReading& reading, tesseract::TessBaseAPI& api, std::vector<unsigned char>& image, int width, int height,
               int channels)
{
    api.SetImage(image.data(), width, height, channels, width * channels);
    // The engine holds a copy of its own: a colour image is needed no more.
    if (channels != 1)
        std::vector<unsigned char>().swap(image);
    if (api.Recognize(nullptr) == 0)
        reading.lines = linesRead(reading.language, api, channels == 1 ? image.data() : nullptr, width, height);
}

void mendLayout(EngineReading& reading, tesseract::TessBaseAPI& api, const std::vector<unsigned char>& page, int width, int height)
{
    const std::string& language = reading.language;
    std::vector<LineReading>& lines = reading.lines;
    const auto boxes = [&] {
        std::vector<LineTails::Box> out;
        for (const LineReading& line : lines)
            out.push_back({line.box.left, line.box.top, line.box.right, line.box.bottom});
        return out;
    };
    // A line the layout cut short (LineTails.h) is read once more over all of its
    // band, as one line, and kept where it holds what the first reading did
    // (Rereading.h).
    // The one line the engine reads in a box of the page, and how sure it is of it.
    // Or, given a row `through`, the one line of those it reads that crosses it.
    const auto lineIn = [&](const LineTails::Box& box, std::optional<int> through = std::nullopt) -> std::optional<LineReading> {
        api.SetRectangle(box.left, box.top, box.right - box.left, box.bottom - box.top);
        if (api.Recognize(nullptr) != 0)
            return std::nullopt;
        std::vector<LineReading> read = linesRead(language, api, page.data(), width, height);
        const auto elsewhere = [&](const LineReading& line) { return line.box.top > *through || line.box.bottom <= *through; };
        if (through)
            read.erase(std::remove_if(read.begin(), read.end(), elsewhere), read.end());
        return read.size() == 1 ? std::optional<LineReading>(std::move(read[0])) : std::nullopt;
    };
    api.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
    using RuleSwitches::Rule;
    for (const LineTails::Grown& grown :
         RuleSwitches::on(Rule::grownLines) ? LineTails::grownLines({page.data(), width, height}, boxes()) : std::vector<LineTails::Grown>{})
        if (std::optional<LineReading> whole = lineIn(grown.box); whole && Rereading::standsFor(lines[grown.line], *whole))
            lines[grown.line] = std::move(*whole);
    // So is a line with a stretch inside taken for one, where the engine wrote blanks
    // ("學生們在|     準備考試"), as a block: its box, as the layout drew it, takes in
    // the edges of the lines above and below, which a reading as one line trips on.
    // The new reading stands where it holds more and keeps what the first one read
    // (Rereading.h). Only the lines with such blanks are looked at (their words given).
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
    for (const LineTails::Grown& hollow : RuleSwitches::on(Rule::hollowLines) ? LineTails::hollowLines({page.data(), width, height}, boxes(), words)
                                                                              : std::vector<LineTails::Grown>{})
        if (std::optional<LineReading> whole = lineIn(hollow.box, middleRow(hollow.line));
            whole && Rereading::standsFor(lines[hollow.line], *whole) && written(whole->text) > written(lines[hollow.line].text))
            lines[hollow.line] = std::move(*whole);
    api.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
    // A line the layout took whole for a picture is read on its own, and kept only
    // where the engine is sure of it: nothing ties it to the text around it. It goes
    // before the first line below it in its column, for the reading order.
    for (const LineTails::Box& band :
         RuleSwitches::on(Rule::lostLines) ? LineTails::lostLines({page.data(), width, height}, boxes()) : std::vector<LineTails::Box>{}) {
        std::optional<LineReading> found = lineIn(band);
        if (!found || found->confidence < Thresholds::lostLine)
            continue;
        const auto below = std::find_if(lines.begin(), lines.end(), [&](const LineReading& line) {
            return line.box.top > found->box.top && line.box.left < found->box.right && found->box.left < line.box.right;
        });
        lines.insert(below, std::move(*found));
    }
}

} // namespace EngineReader
