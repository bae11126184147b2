#pragma once

// How the recognition tests hold what was read against what was drawn.

#include <QString>

#include <algorithm>
#include <string>
#include <vector>

// The characters of `text` that `keep` keeps, compatibility forms folded (a full-width
// comma is a comma).
template <typename Keep>
std::u32string foldedKeeping(const QString& text, Keep keep)
{
    std::u32string characters;
    for (const uint c : text.normalized(QString::NormalizationForm_KC).toUcs4())
        if (keep(c))
            characters += char32_t(c);
    return characters;
}

// A line as compared: folded, blanks dropped.
inline std::u32string folded(const QString& text)
{
    return foldedKeeping(text, [](uint c) { return !QChar::isSpace(c); });
}

// The letters, digits and ideographs of a line, folded, its signs and blanks left out.
inline std::u32string written(const QString& text)
{
    return foldedKeeping(text, [](uint c) { return QChar::isLetterOrNumber(c); });
}

inline int editDistance(const std::u32string& a, const std::u32string& b)
{
    std::vector<int> previous(b.size() + 1), current(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        previous[j] = int(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (size_t j = 1; j <= b.size(); ++j)
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (a[i - 1] != b[j - 1])});
        std::swap(previous, current);
    }
    return previous.back();
}

// Which of `lines` (as compared) is the nearest to `got` by edit distance; the first of
// equally near ones. `lines` is not empty.
inline size_t nearestLine(const std::vector<std::u32string>& lines, const std::u32string& got)
{
    size_t nearest = 0;
    int distance = editDistance(lines[0], got);
    for (size_t k = 1; k < lines.size(); ++k)
        if (const int d = editDistance(lines[k], got); d < distance) {
            nearest = k;
            distance = d;
        }
    return nearest;
}
