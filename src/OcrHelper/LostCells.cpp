#include "OcrHelper/LostCells.h"

#include "OcrHelper/Thresholds.h"

#include <algorithm>

namespace LostCells {

using Readings::Box;
using Readings::LineReading;

namespace {

bool sameRow(const Box& a, const Box& b)
{
    const int shared = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return shared * 10 >= std::min(a.bottom - a.top, b.bottom - b.top) * 6;
}

} // namespace

std::vector<LineMerge::PlacedLine> withLostCells(const std::vector<LineMerge::PlacedLine>& lines, const Readings::EngineReading& plain)
{
    std::vector<LineMerge::PlacedLine> out = lines;
    for (const LineReading& cell : plain.lines) {
        // A cell: a few words at most; a longer line is a line of its own.
        if (cell.confidence < Thresholds::lostLine || cell.text.empty() || std::count(cell.text.begin(), cell.text.end(), ' ') >= 3)
            continue;
        const bool touched = std::any_of(out.begin(), out.end(), [&](const LineMerge::PlacedLine& line) {
            return std::any_of(line.boxes.begin(), line.boxes.end(), [&](const Box& box) { return Readings::commonArea(cell.box, box) > 0; });
        });
        if (touched)
            continue;
        // The line with a piece on the cell's row, nearest it across the page; each of
        // its pieces either left or right of the cell.
        LineMerge::PlacedLine* row = nullptr;
        int nearest = 0;
        for (LineMerge::PlacedLine& line : out) {
            if (line.starts.size() != line.boxes.size())
                continue;
            const bool beside = std::all_of(line.boxes.begin(), line.boxes.end(), [&](const Box& box) {
                return box.right <= cell.box.left || box.left >= cell.box.right;
            });
            if (!beside)
                continue;
            for (const Box& box : line.boxes) {
                const int height = box.bottom - box.top;
                const int gap = std::max(box.left - cell.box.right, cell.box.left - box.right);
                if (sameRow(box, cell.box) && cell.box.bottom - cell.box.top <= 2 * height && (!row || gap < nearest)) {
                    row = &line;
                    nearest = gap;
                }
            }
        }
        if (!row)
            continue;
        // Before the first piece right of the cell, or after the last.
        size_t piece = 0;
        while (piece < row->boxes.size() && row->boxes[piece].right <= cell.box.left)
            ++piece;
        if (piece < row->boxes.size()) {
            row->text.insert(row->starts[piece], cell.text + ' ');
            for (size_t k = piece; k < row->starts.size(); ++k)
                row->starts[k] += cell.text.size() + 1;
            row->starts.insert(row->starts.begin() + std::ptrdiff_t(piece), row->starts[piece] - cell.text.size() - 1);
        } else {
            row->text += ' ';
            row->starts.push_back(row->text.size());
            row->text += cell.text;
        }
        row->boxes.insert(row->boxes.begin() + std::ptrdiff_t(piece), cell.box);
    }
    return out;
}

} // namespace LostCells
