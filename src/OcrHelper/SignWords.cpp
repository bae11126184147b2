#include "OcrHelper/SignWords.h"

#include "OcrHelper/Thresholds.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace SignWords {

namespace {

bool hasLetterOrDigit(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

bool isLettersAndDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

// Whether two words lie at one place: most of each over the other.
bool samePlace(const Readings::Box& a, const Readings::Box& b)
{
    const int shared = std::min(a.right, b.right) - std::max(a.left, b.left);
    return shared * 10 >= (a.right - a.left) * 7 && shared * 10 >= (b.right - b.left) * 7
        && std::min(a.bottom, b.bottom) > std::max(a.top, b.top);
}

// The one word every Chinese reading holds at `place`, read surely by each; none where a
// model read nothing there, something else, or doubted it.
std::optional<std::string> agreedWord(const Readings::Box& place, const std::vector<const Readings::LineReading*>& han)
{
    std::optional<std::string> agreed;
    int readers = 0;
    for (const Readings::LineReading* reading : han) {
        if (!reading)
            continue;
        const Readings::WordReading* found = nullptr;
        for (const Readings::WordReading& word : reading->words)
            if (samePlace(word.box, place)) {
                if (found)
                    return std::nullopt; // two words where the Latin engine saw one
                found = &word;
            }
        if (!found || found->confidence < Thresholds::supportedNumber || !isLettersAndDigits(found->text)
            || (agreed && *agreed != found->text))
            return std::nullopt;
        agreed = found->text;
        ++readers;
    }
    return readers >= 2 ? agreed : std::nullopt;
}

} // namespace

std::string withWordsForSigns(const Readings::LineReading& latin, const std::vector<const Readings::LineReading*>& han)
{
    std::string text = latin.text;
    size_t from = 0;
    for (const Readings::WordReading& word : latin.words) {
        const size_t at = text.find(word.text, from);
        if (at == std::string::npos)
            return latin.text; // the words do not spell the line: leave it as read
        from = at + word.text.size();
        if (hasLetterOrDigit(word.text) || word.confidence >= Thresholds::unsureSign)
            continue;
        if (const std::optional<std::string> agreed = agreedWord(word.box, han)) {
            text.replace(at, word.text.size(), *agreed);
            from = at + agreed->size();
        }
    }
    return text;
}

} // namespace SignWords
