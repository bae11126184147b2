#include "OcrHelper/FileNames.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace FileNames {

namespace {

std::string lower(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool isAlnum(const std::string& c) { return c.size() == 1 && std::isalnum(static_cast<unsigned char>(c[0])); }

// Extensions that are English words too, which prose writes after a comma.
bool isProseWord(const std::string& extension)
{
    static const std::set<std::string> words = {"so", "go", "sh", "log", "lock", "raw", "bin", "tar", "patch", "diff", "env"};
    return words.count(lower(extension)) > 0;
}

bool isClosing(const std::string& c) { return c == "," || c == ";" || c == ":" || c == ")" || c == "]" || c == "\"" || c == "'" || c == "."; }

} // namespace

bool isKnownExtension(const std::string& extension)
{
    static const std::set<std::string> known = {
        // documents and text
        "pdf", "txt", "md", "rtf", "doc", "docx", "xls", "xlsx", "ppt", "pptx", "odt", "ods", "odp", "csv", "tsv", "epub",
        "tex", "log", "json", "xml", "yaml", "yml", "toml", "ini", "cfg", "conf", "html", "htm", "css", "sql", "srt",
        // images, sound and video
        "png", "jpg", "jpeg", "gif", "bmp", "webp", "svg", "tif", "tiff", "heic", "heif", "psd", "ico", "raw", "mp3",
        "mp4", "m4a", "mov", "avi", "mkv", "webm", "wav", "flac", "ogg",
        // archives and packages
        "zip", "tar", "gz", "tgz", "bz2", "xz", "zst", "7z", "rar", "deb", "rpm", "iso", "dmg", "exe", "msi", "apk",
        "jar", "dll", "so", "dylib", "img", "bin",
        // source and scripts
        "py", "js", "ts", "tsx", "jsx", "cpp", "hpp", "cc", "cxx", "java", "kt", "go", "rs", "rb", "php", "sh",
        "bash", "bat", "ps1", "swift", "cs", "lua", "pl", "patch", "diff", "db", "sqlite", "lock", "env", "bak", "tmp"};
    return known.count(lower(extension)) > 0;
}

std::string mended(const std::vector<Choices>& word)
{
    std::string read;
    for (const Choices& c : word)
        read += c.empty() ? std::string() : c.front();
    const auto first = [&](size_t i) -> const std::string& {
        static const std::string none;
        return word[i].empty() ? none : word[i].front();
    };
    // The extension ends before any closing signs; the name before it holds a letter or
    // digit, then comes one separator the engine read as a dot or could have.
    size_t end = word.size();
    while (end > 0 && isClosing(first(end - 1)))
        --end;
    size_t dot = end;
    while (dot > 0 && isAlnum(first(dot - 1)))
        --dot;
    if (dot < 2 || end - dot < 2 || end - dot > 5)
        return read;
    const size_t separator = dot - 1;
    if (!std::any_of(word.begin(), word.begin() + long(separator), [](const Choices& c) { return !c.empty() && isAlnum(c.front()); }))
        return read;
    const bool dotted = first(separator) == ".";
    const bool couldBeDot = dotted || std::find(word[separator].begin(), word[separator].end(), ".") != word[separator].end();
    if (!couldBeDot)
        return read;
    // Digits either side of the point: a number ("1.5h", "v1.72", "2.5GB"), whatever
    // letters follow it.
    const auto isDigit = [](const std::string& c) { return c.size() == 1 && std::isdigit(static_cast<unsigned char>(c[0])); };
    if (isDigit(first(separator - 1)) && isDigit(first(dot)))
        return read;
    std::string extension;
    for (size_t i = dot; i < end; ++i)
        extension += first(i);
    if (dotted && isKnownExtension(extension))
        return read;
    // A comma before a word of prose is a comma ("yes,so"): only the engine's next
    // choice of a dot says otherwise, and that is no evidence where the word reads.
    if (!dotted && isProseWord(extension))
        return read;
    // The known extensions one change away: the separator taken for a dot, or one of
    // the extension's characters for one of its next choices.
    std::set<std::string> found;
    if (!dotted && isKnownExtension(extension))
        found.insert(extension);
    if (dotted) {
        for (size_t i = dot; i < end; ++i)
            for (size_t k = 1; k < word[i].size(); ++k) {
                if (!isAlnum(word[i][k]))
                    continue;
                std::string candidate = extension;
                candidate.replace(i - dot, 1, word[i][k]);
                if (isKnownExtension(candidate))
                    found.insert(candidate);
            }
    }
    if (found.size() != 1)
        return read;
    std::string out;
    for (size_t i = 0; i < word.size(); ++i)
        out += i == separator ? std::string(".") : i >= dot && i < end ? std::string(1, (*found.begin())[i - dot]) : first(i);
    return out;
}

bool continuesName(const std::string& word, const std::string& next)
{
    if (word.size() < 2 || word.back() != '.' || !std::isalnum(static_cast<unsigned char>(word[word.size() - 2])))
        return false;
    // Letters each followed by a dot: an abbreviation.
    bool abbreviation = word.size() >= 4 && word.size() % 2 == 0;
    for (size_t i = 0; i < word.size() && abbreviation; ++i)
        abbreviation = i % 2 == 0 ? std::isalpha(static_cast<unsigned char>(word[i])) != 0 : word[i] == '.';
    if (abbreviation)
        return false;
    size_t end = next.size();
    while (end > 0 && isClosing(next.substr(end - 1, 1)))
        --end;
    const std::string extension = next.substr(0, end);
    return !extension.empty()
        && std::all_of(extension.begin(), extension.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); })
        && isKnownExtension(extension);
}

namespace {

// What lies between two words: the widest run of columns without ink, over the rows of
// both, and whether the ink there is a full stop (small, low on the line).
struct Between {
    int widestBlank = 0;
    bool dot = false;
};

Between between(const PlacedWord& a, const PlacedWord& b, const Page& page)
{
    // Light enough to be paper: the faint edge pixels of a small dot are ink.
    constexpr int paper = 176;
    const int top = std::max(0, std::min(a.top, b.top)), bottom = std::min(page.height, std::max(a.bottom, b.bottom));
    const int from = std::max(0, a.right), to = std::min(page.width, b.left);
    Between out;
    int run = 0, inkTop = bottom, inkBottom = top, inkLeft = to, inkRight = from;
    for (int x = from; x < to; ++x) {
        bool ink = false;
        for (int y = top; y < bottom; ++y)
            if (page.grey[size_t(y) * size_t(page.width) + size_t(x)] < paper) {
                ink = true;
                // The dot stands on the name's baseline; what reaches below it is the
                // next word's descender, and the columns at the boxes' edges hold their
                // letters' serifs and antialiasing.
                if (y >= a.bottom || x == from || x == to - 1)
                    continue;
                inkTop = std::min(inkTop, y);
                inkBottom = std::max(inkBottom, y + 1);
                inkLeft = std::min(inkLeft, x);
                inkRight = std::max(inkRight, x + 1);
            }
        run = ink ? 0 : run + 1;
        out.widestBlank = std::max(out.widestBlank, run);
    }
    const int height = a.bottom - top;
    // Low and flat: a full stop, with at most the foot of the letter before it (the
    // hook of a "t") run into it.
    out.dot = inkRight > inkLeft && (inkBottom - inkTop) * 4 <= height && (inkTop - top) * 3 >= height * 2;
    return out;
}

bool capitalised(const std::string& word)
{
    return !word.empty() && std::isupper(static_cast<unsigned char>(word[0]))
        && std::any_of(word.begin() + 1, word.end(), [](char c) { return std::islower(static_cast<unsigned char>(c)); });
}

} // namespace

std::vector<std::optional<std::string>> cutNames(const std::vector<PlacedWord>& words, const Page& page)
{
    std::vector<std::optional<std::string>> cut(words.size() > 0 ? words.size() - 1 : 0);
    std::vector<Between> gaps(cut.size());
    std::vector<int> spaces;
    // The name whole, when the second word is its extension: read as one, or with its dot
    // put back where the engine lost it ("handout" and "pdf." with a full stop between
    // them on the page), or with the extension mended by the engine's next choices.
    const auto named = [&](size_t k) -> std::optional<std::string> {
        const PlacedWord &name = words[k], &next = words[k + 1];
        if (continuesName(name.text, next.text))
            return name.text + next.text;
        if (gaps[k].dot && !name.text.empty() && name.text.back() != '.' && continuesName(name.text + ".", next.text))
            return name.text + "." + next.text;
        if (!name.text.empty() && name.text.back() == '.' && !name.choices.empty() && !next.choices.empty()) {
            std::vector<Choices> whole = name.choices;
            whole.insert(whole.end(), next.choices.begin(), next.choices.end());
            const std::string mendedName = mended(whole);
            const size_t dot = mendedName.rfind('.', mendedName.size() - 2);
            if (mendedName != name.text + next.text && dot != std::string::npos && dot + 1 < mendedName.size()
                && continuesName(mendedName.substr(0, dot + 1), mendedName.substr(dot + 1)))
                return mendedName;
        }
        return std::nullopt;
    };
    std::vector<std::optional<std::string>> names(cut.size());
    for (size_t k = 0; k < cut.size(); ++k) {
        gaps[k] = between(words[k], words[k + 1], page);
        names[k] = named(k);
        if (!names[k])
            spaces.push_back(gaps[k].widestBlank);
    }
    std::sort(spaces.begin(), spaces.end());
    for (size_t k = 0; k < cut.size(); ++k) {
        if (!names[k])
            continue;
        const int blank = gaps[k].widestBlank, height = words[k + 1].bottom - words[k + 1].top;
        const bool narrow = spaces.empty() ? blank * 4 < height : blank < spaces[spaces.size() / 2];
        if (narrow && (!capitalised(words[k + 1].text) || blank * 4 < height))
            cut[k] = names[k];
    }
    return cut;
}

std::string withDotsPutBack(const std::string& line, const std::vector<std::string>& others)
{
    std::string seen;
    for (const std::string& other : others)
        for (const char c : other)
            if (c != ' ')
                seen += char(std::tolower(static_cast<unsigned char>(c)));
    const auto isLetter = [](char c) { return c > 0 && std::isalnum(static_cast<unsigned char>(c)); };
    // The two characters before `before` and the two from `after` on are letters or
    // digits, and another engine read them with a dot between.
    const auto dotSeenAt = [&](const std::string& text, size_t before, size_t after) {
        if (before < 2 || after + 2 > text.size())
            return false;
        const std::string around = text.substr(before - 2, 2) + "." + text.substr(after, 2);
        return std::all_of(around.begin(), around.end(), [&](char c) { return c == '.' || isLetter(c); })
            && seen.find(lower(around)) != std::string::npos;
    };
    std::string out = line;
    // Right to left, so that a change leaves the places before it. A blank before a
    // capitalised word is a sentence's end, whatever stop another engine read there
    // ("done Then").
    for (size_t at = out.size(); at-- > 2;) {
        if (!isLetter(out[at]))
            continue;
        if (isLetter(out[at - 1]) && dotSeenAt(out, at, at))
            out.insert(at, ".");
        else if (out[at - 1] == ' ' && !capitalised(out.substr(at, out.find(' ', at) - at)) && dotSeenAt(out, at - 1, at))
            out[at - 1] = '.';
    }
    // A blank after a name's dot, before a known extension ("report. pdf"), where another
    // engine read the name whole, with no blank after its dot: else it may be a
    // sentence's end ("make. go").
    std::vector<std::string> seenWhole;
    for (const std::string& other : others)
        seenWhole.push_back(lower(other));
    for (size_t at = out.find(". "); at != std::string::npos; at = out.find(". ", at + 1)) {
        size_t end = at + 2, start = at;
        while (end < out.size() && isLetter(out[end]))
            ++end;
        while (start > 0 && isLetter(out[start - 1]))
            --start;
        const std::string whole = lower(out.substr(start, at + 1 - start) + out.substr(at + 2, end - at - 2));
        const bool readWhole = std::any_of(seenWhole.begin(), seenWhole.end(), [&](const std::string& other) {
            return other.find(whole) != std::string::npos;
        });
        if (at > 0 && isLetter(out[at - 1]) && std::islower(static_cast<unsigned char>(out[at + 2]))
            && isKnownExtension(out.substr(at + 2, end - at - 2)) && readWhole)
            out.erase(at + 1, 1);
    }
    return out;
}

} // namespace FileNames
