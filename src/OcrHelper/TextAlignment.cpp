#include "OcrHelper/TextAlignment.h"

#include <algorithm>

namespace TextAlignment {

std::vector<int> alignment(const std::u32string& from, const std::u32string& to)
{
    const size_t n = from.size(), m = to.size();
    std::vector<std::vector<int>> cost(n + 1, std::vector<int>(m + 1, 0));
    for (size_t i = 0; i <= n; ++i)
        cost[i][0] = int(i);
    for (size_t j = 0; j <= m; ++j)
        cost[0][j] = int(j);
    for (size_t i = 1; i <= n; ++i)
        for (size_t j = 1; j <= m; ++j)
            cost[i][j] = std::min({cost[i - 1][j] + 1, cost[i][j - 1] + 1, cost[i - 1][j - 1] + (from[i - 1] == to[j - 1] ? 0 : 1)});
    // Back from the end, a match first, then a character left out on either side, and a
    // character for another last: a piece of the plain reading lines up with what it
    // shares, not with the end of a longer line.
    std::vector<int> at(n, -1);
    for (size_t i = n, j = m; i > 0 && j > 0;) {
        if (from[i - 1] == to[j - 1] && cost[i][j] == cost[i - 1][j - 1]) {
            at[i - 1] = int(j - 1);
            --i;
            --j;
        } else if (cost[i][j] == cost[i][j - 1] + 1) {
            --j;
        } else if (cost[i][j] == cost[i - 1][j] + 1) {
            --i;
        } else {
            at[i - 1] = int(j - 1);
            --i;
            --j;
        }
    }
    return at;
}

int editDistance(const std::u32string& a, const std::u32string& b)
{
    std::vector<int> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = int(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (size_t j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace TextAlignment
