#include "OcrHelper/LostCells.h"

#include "OcrHelper/HanText.h"
#include "OcrHelper/RuleSwitches.h"
#include "OcrHelper/Thresholds.h"

#include <algorithm>
#include <cctype>

namespace LostCells {

using Readings::Box;
using Readings::LineReading;
using RuleSwitches::Rule;

namespace {

bool sameRow(const Box& a, const Box& b)
{
    const int shared = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return shared * 10 >= std::min(a.bottom - a.top, b.bottom - b.top) * 6;
}

bool piecesTouch(const Box& part, const LineMerge::PlacedLine& line)
{
    return std::any_of(line.boxes.begin(), line.boxes.end(), [&](const Box& box) { return Readings::commonArea(part, box) > 0; });
}

bool touchedBy(const Box& part, const std::vector<LineMerge::PlacedLine>& lines)
{
    return std::any_of(lines.begin(), lines.end(), [&](const LineMerge::PlacedLine& line) { return piecesTouch(part, line); });
}

// Whether the rules' text read the ink at `part`: a word a line was read from lies over
// it (the piece's box where the line keeps no words).
bool readThere(const Box& part, const std::vector<LineMerge::PlacedLine>& lines)
{
    return std::any_of(lines.begin(), lines.end(), [&](const LineMerge::PlacedLine& line) {
        if (line.words.empty())
            return piecesTouch(part, line);
        return std::any_of(line.words.begin(), line.words.end(), [&](const Readings::WordReading& word) {
            return Readings::commonArea(part, word.box) > 0;
        });
    });
}

// Writes `text` into the piece of `lines` whose box holds `cell` on its row, between
// the words read left and right of it; false where no piece holds it, or where the words
// left of it are not found in the piece's text as read.
bool writeIntoItsPiece(std::vector<LineMerge::PlacedLine>& lines, const std::string& text, const Box& cell)
{
    for (LineMerge::PlacedLine& line : lines) {
        if (line.starts.size() != line.boxes.size())
            continue;
        for (size_t p = 0; p < line.boxes.size(); ++p) {
            const Box& piece = line.boxes[p];
            if (piece.left > cell.left || piece.right < cell.right || !sameRow(piece, cell)
                || cell.bottom - cell.top > 2 * (piece.bottom - piece.top))
                continue;
            const size_t from = line.starts[p];
            const size_t end = p + 1 < line.starts.size() ? line.starts[p + 1] - 1 : line.text.size();
            size_t at = from;
            bool found = true;
            bool right = false;
            for (const Readings::WordReading& word : line.words) {
                if (Readings::commonArea(word.box, piece) <= 0 || !sameRow(word.box, cell))
                    continue;
                if (word.box.left >= cell.right) {
                    right = true;
                    continue;
                }
                const size_t there = line.text.find(word.text, at);
                found = found && there != std::string::npos && there + word.text.size() <= end;
                if (found)
                    at = there + word.text.size();
            }
            if (!found)
                return false;
            const std::string written = at == from ? text + ' ' : ' ' + text;
            if (at == from && !right)
                return false;
            line.text.insert(at, written);
            for (size_t k = p + 1; k < line.starts.size(); ++k)
                line.starts[k] += written.size();
            line.words.push_back({cell, text, 0.0f, {}});
            return true;
        }
    }
    return false;
}

// Writes `text`, read at `cell`, into the line of `lines` with a piece on its row nearest
// it across the page, each of whose pieces lies either left or right of it: before the
// first piece right of it, or after the last. Nothing where no line has such a piece.
void writeIntoItsRow(std::vector<LineMerge::PlacedLine>& lines, const std::string& text, const Box& cell)
{
    LineMerge::PlacedLine* row = nullptr;
    int nearest = 0;
    for (LineMerge::PlacedLine& line : lines) {
        if (line.starts.size() != line.boxes.size())
            continue;
        const bool beside = std::all_of(line.boxes.begin(), line.boxes.end(), [&](const Box& box) {
            return box.right <= cell.left || box.left >= cell.right;
        });
        if (!beside)
            continue;
        for (const Box& box : line.boxes) {
            const int height = box.bottom - box.top;
            const int gap = std::max(box.left - cell.right, cell.left - box.right);
            if (sameRow(box, cell) && cell.bottom - cell.top <= 2 * height && (!row || gap < nearest)) {
                row = &line;
                nearest = gap;
            }
        }
    }
    if (!row)
        return;
    size_t piece = 0;
    while (piece < row->boxes.size() && row->boxes[piece].right <= cell.left)
        ++piece;
    if (piece < row->boxes.size()) {
        row->text.insert(row->starts[piece], text + ' ');
        for (size_t k = piece; k < row->starts.size(); ++k)
            row->starts[k] += text.size() + 1;
        row->starts.insert(row->starts.begin() + std::ptrdiff_t(piece), row->starts[piece] - text.size() - 1);
    } else {
        row->text += ' ';
        row->starts.push_back(row->text.size());
        row->text += text;
    }
    row->boxes.insert(row->boxes.begin() + std::ptrdiff_t(piece), cell);
    if (!row->words.empty())
        row->words.push_back({cell, text, 0.0f, {}});
}

// Whether a word says something: a letter, a digit or an ideograph, or a diff's "+" or
// "-" before its row's code, no wider than a glyph; not a mark the engine made of a
// border, a ruling or a gap ("|", "。", "—", "-----").
bool saysSomething(const Readings::WordReading& word, int lineHeight)
{
    if ((word.text == "-" || word.text == "+") && (word.box.right - word.box.left) * 2 <= lineHeight)
        return true;
    return std::any_of(word.text.begin(), word.text.end(), [](char c) { return (c & 0x80) != 0 || std::isalnum(static_cast<unsigned char>(c)); })
        && HanText::decoded(word.text).find_first_not_of(U"\u3002\uFF0C\u3001\u00A9\u00AE\u2014\u2013\u00AB\u00BB") != std::u32string::npos;
}

bool hasDigit(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether none of `others` read anything at `part`: each reads the page as ink on paper,
// where faint ink (a spreadsheet's grey row numbers) may be gone, and the plain engine,
// reading the image itself, is the only witness of it.
bool readByNoOther(const Box& part, const std::vector<Readings::EngineReading>& others)
{
    if (others.empty())
        return false;
    return std::none_of(others.begin(), others.end(), [&](const Readings::EngineReading& engine) {
        return std::any_of(engine.lines.begin(), engine.lines.end(), [&](const LineReading& line) {
            if (line.words.empty())
                return Readings::commonArea(part, line.box) > 0;
            return std::any_of(line.words.begin(), line.words.end(),
                               [&](const Readings::WordReading& word) { return Readings::commonArea(part, word.box) > 0; });
        });
    });
}

} // namespace

std::vector<LineMerge::PlacedLine> withLostCells(const std::vector<LineMerge::PlacedLine>& lines, const Readings::EngineReading& plain,
                                                 const std::vector<Readings::EngineReading>& others)
{
    std::vector<LineMerge::PlacedLine> out = lines;
    for (const LineReading& cell : plain.lines) {
        // A cell: a few words at most; a longer line is a line of its own.
        if (cell.confidence < Thresholds::lostLine || cell.text.empty() || std::count(cell.text.begin(), cell.text.end(), ' ') >= 3)
            continue;
        if (!touchedBy(cell.box, out))
            writeIntoItsRow(out, cell.text, cell.box);
    }
    // A row the plain engine read whole, of which the rules' text holds some cells only
    // (a table's heading without "Description" and "Amount", a receipt's item without its
    // prices): each run of its words that no piece of the rules' text touches, read
    // surely, goes into the row beside the cells it has.
    for (const LineReading& line : plain.lines) {
        if (line.words.size() < 2 || !touchedBy(line.box, out))
            continue;
        // Where each word starts in the line's text, for the blanks between them.
        std::vector<size_t> at;
        for (size_t cursor = 0; const Readings::WordReading& word : line.words) {
            const size_t found = line.text.find(word.text, cursor);
            at.push_back(found);
            if (found != std::string::npos)
                cursor = found + word.text.size();
        }
        for (size_t k = 0; k < line.words.size();) {
            const auto lost = [&](const Readings::WordReading& word) {
                const bool sure = word.confidence >= Thresholds::lostLine
                    || (word.confidence >= Thresholds::unrivalledFaintWord && hasDigit(word.text) && readByNoOther(word.box, others)
                        && RuleSwitches::on(Rule::faintCells));
                return sure && saysSomething(word, line.box.bottom - line.box.top) && !readThere(word.box, out);
            };
            if (!lost(line.words[k])) {
                ++k;
                continue;
            }
            size_t end = k;
            Box cell = line.words[k].box;
            while (end + 1 < line.words.size() && lost(line.words[end + 1])) {
                ++end;
                const Box& next = line.words[end].box;
                cell = {std::min(cell.left, next.left), std::min(cell.top, next.top), std::max(cell.right, next.right),
                        std::max(cell.bottom, next.bottom)};
            }
            std::string text;
            if (at[k] != std::string::npos && at[end] != std::string::npos && at[end] >= at[k])
                text = line.text.substr(at[k], at[end] + line.words[end].text.size() - at[k]);
            else
                for (size_t w = k; w <= end; ++w)
                    text += (text.empty() ? "" : " ") + line.words[w].text;
            if (!writeIntoItsPiece(out, text, cell))
                writeIntoItsRow(out, text, cell);
            k = end + 1;
        }
    }
    return out;
}

} // namespace LostCells
