#pragma once

// How the recognition tests hold what was read against what was drawn.

#include <QString>

#include <algorithm>
#include <string>
#include <vector>

// A line as compared: compatibility forms folded (a full-width comma is a comma), blanks
// dropped.
inline std::u32string folded(const QString& text)
{
    std::u32string characters;
    for (const uint c : text.normalized(QString::NormalizationForm_KC).toUcs4())
        if (!QChar::isSpace(c))
            characters += char32_t(c);
    return characters;
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
