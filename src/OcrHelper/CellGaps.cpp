#include "OcrHelper/CellGaps.h"

#include <algorithm>

namespace CellGaps {

namespace {

// The longest run of columns without ink from `left` to `right`, over the rows `top` to
// `bottom`.
int widestPaper(const FileNames::Page& page, int left, int right, int top, int bottom)
{
    constexpr unsigned char ink = 128;
    left = std::max(left, 0);
    right = std::min(right, page.width);
    top = std::max(top, 0);
    bottom = std::min(bottom, page.height);
    int widest = 0, run = 0;
    for (int x = left; x < right; ++x) {
        bool blank = true;
        for (int y = top; y < bottom && blank; ++y)
            blank = page.grey[size_t(y) * size_t(page.width) + size_t(x)] >= ink;
        run = blank ? run + 1 : 0;
        widest = std::max(widest, run);
    }
    return widest;
}

} // namespace

std::string withBlanksAtWideGaps(const Readings::LineReading& line, const FileNames::Page& page)
{
    const int height = line.box.bottom - line.box.top;
    std::string out;
    size_t cursor = 0;
    for (size_t k = 0; k < line.words.size(); ++k) {
        const Readings::WordReading& word = line.words[k];
        const size_t at = word.text.empty() ? std::string::npos : line.text.find(word.text, cursor);
        if (at == std::string::npos)
            continue;
        out += line.text.substr(cursor, at - cursor);
        if (k > 0 && at == cursor && !out.empty() && out.back() != ' ') {
            const Readings::Box& before = line.words[k - 1].box;
            // From the middle of the word before, whose box may reach past its ink, to
            // the start of this one.
            const int paper = page.grey ? widestPaper(page, (before.left + before.right) / 2, word.box.left, line.box.top, line.box.bottom)
                                        : word.box.left - before.right;
            if (paper > height)
                out += ' ';
        }
        out += word.text;
        cursor = at + word.text.size();
    }
    return out + line.text.substr(cursor);
}

} // namespace CellGaps
