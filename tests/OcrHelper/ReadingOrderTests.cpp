// The order lines are written in and the blanks before them, from where the layout put
// them: a listing the layout cut into blocks by indentation reads top to bottom with its
// indentation, columns side by side stay whole, proportional type gets no blanks.
#include "OcrHelper/ReadingOrder.h"

#include "LineReadings.h"

#include <gtest/gtest.h>

namespace {

// A line set in a monospaced face: every character, blanks too, a cell `pitch` wide,
// its ink a pixel in from the cell's sides; `indent` cells in from `left`.
Readings::LineReading monospaced(const std::string& text, int row, int indent, int left = 40, double pitch = 8.4)
{
    Readings::LineReading line;
    line.text = text;
    const int top = 20 + row * 20;
    for (size_t i = 0; i < text.size(); ++i) {
        const int x = left + int((double(indent) + double(i)) * pitch);
        if (text[i] != ' ')
            line.characters.symbols.push_back({std::string(1, text[i]), {x + 1, top, x + int(pitch) - 1, top + 14}});
    }
    line.box = {line.characters.symbols.front().box.left, top, line.characters.symbols.back().box.right, top + 14};
    return line;
}

// A line in a proportional face: narrow and wide letters.
Readings::LineReading proportional(const std::string& text, int row, int left)
{
    Readings::LineReading line;
    line.text = text;
    const int top = 20 + row * 20;
    int x = left;
    for (const char c : text) {
        const int width = c == ' ' ? 4 : std::string("iljtf.,").find(c) != std::string::npos ? 3 : std::string("mwMW").find(c) != std::string::npos ? 12 : 7;
        if (c != ' ')
            line.characters.symbols.push_back({std::string(1, c), {x, top, x + width - 1, top + 14}});
        x += width + 1;
    }
    line.box = {left, top, x, top + 14};
    return line;
}

std::vector<std::string> written(const std::vector<Readings::LineReading>& lines, const ReadingOrder::Layout& layout)
{
    std::vector<std::string> out;
    for (const size_t i : layout.order)
        out.push_back((layout.number[i] >= 0 ? lines[size_t(layout.number[i])].text + " " : std::string()) + std::string(size_t(layout.indent[i]), ' ')
                      + lines[i].text);
    return out;
}

TEST(ReadingOrder, AListingCutIntoBlocksByIndentationReadsTopToBottomIndented)
{
    // As the layout gave them: the unindented lines first.
    const std::vector<Readings::LineReading> lines = {
        monospaced("class Item:", 0, 0),
        monospaced("def load(path):", 4, 0),
        monospaced("if __name__ == '__main__':", 7, 0),
        monospaced("sku: int", 1, 4),
        monospaced("def total(self, count):", 2, 4),
        monospaced("return self.price * count", 3, 8),
        monospaced("items = []", 5, 4),
        monospaced("return items", 6, 4),
        monospaced("print(load('prices.csv'))", 8, 4),
    };
    EXPECT_EQ(written(lines, ReadingOrder::layout(lines)),
              (std::vector<std::string>{"class Item:", "    sku: int", "    def total(self, count):", "        return self.price * count",
                                        "def load(path):", "    items = []", "    return items", "if __name__ == '__main__':",
                                        "    print(load('prices.csv'))"}));
}

TEST(ReadingOrder, ColumnsSideBySideStayWholeAndProportionalTypeGetsNoBlanks)
{
    // A heading across two columns, then the left column, then the right one; a
    // paragraph's first line indented.
    const std::vector<Readings::LineReading> lines = {
        proportional("Quarterly report for the whole team", 0, 40),
        proportional("    Revenue grew in every region", 1, 40),
        proportional("with the largest gains in the west", 2, 40),
        proportional("and the smallest in the east", 3, 40),
        proportional("Sidebar: contact the finance desk", 1, 420),
        proportional("for the figures behind this page", 2, 420),
    };
    EXPECT_EQ(written(lines, ReadingOrder::layout(lines)),
              (std::vector<std::string>{"Quarterly report for the whole team", "    Revenue grew in every region",
                                        "with the largest gains in the west", "and the smallest in the east",
                                        "Sidebar: contact the finance desk", "for the figures behind this page"}));
    for (const int indent : ReadingOrder::layout(lines).indent)
        EXPECT_EQ(indent, 0);
}

TEST(ReadingOrder, ALineTheLayoutHandsLastComesBackBeforeTheLinesBelowIt)
{
    struct Case {
        const char* what;
        std::vector<Readings::LineReading> lines; // as the layout handed them
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {"a dialog's field read as a block of its own, after the buttons",
         {proportional("Display settings", 0, 40), proportional("Brightness 78%", 1, 40), proportional("Volume -14 dB", 3, 40),
          proportional("Cancel Apply OK", 5, 240), proportional("Night light 09:57 to 15:43", 2, 40)},
         {"Display settings", "Brightness 78%", "Night light 09:57 to 15:43", "Volume -14 dB", "Cancel Apply OK"}},
        {"a column's line handed after the column beside it",
         {proportional("Revenue grew in every region", 0, 40), proportional("with the largest gains", 1, 40),
          proportional("and the smallest in the east", 3, 40), proportional("Sidebar: contact the desk", 0, 420),
          proportional("for the figures", 1, 420), proportional("in the west and north", 2, 40)},
         {"Revenue grew in every region", "with the largest gains", "in the west and north", "and the smallest in the east",
          "Sidebar: contact the desk", "for the figures"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(written(c.lines, ReadingOrder::layout(c.lines)), c.expected) << c.what;
}

TEST(ReadingOrder, TerminalPanesSideBySideEachKeepTheirOwnLeftEdge)
{
    // Two monospaced panes, and a status line below the first one, which the layout
    // gave last.
    const std::vector<Readings::LineReading> lines = {
        monospaced("$ make test", 0, 0, 20),
        monospaced("passed: 12 tests", 1, 2, 20),
        monospaced("$ git status --short", 0, 0, 420),
        monospaced("modified: README.md", 1, 2, 420),
        monospaced("modified: scripts/bootstrap.sh", 2, 2, 420),
        monospaced("[0] 0:bash* 1:vim \"host\" 12:04", 3, 0, 20),
    };
    EXPECT_EQ(written(lines, ReadingOrder::layout(lines)),
              (std::vector<std::string>{"$ make test", "  passed: 12 tests", "$ git status --short", "  modified: README.md",
                                        "  modified: scripts/bootstrap.sh", "[0] 0:bash* 1:vim \"host\" 12:04"}));
}

// A listing beside its gutter of right-aligned line numbers, which the layout read as a
// block of its own before the code; row 2 of the listing is blank, so its number has no
// code on its row.
TEST(ReadingOrder, AGuttersLineNumbersStartTheirLinesAndANumberWithoutCodeKeepsItsRow)
{
    const std::vector<Readings::LineReading> lines = {
        monospaced("9", 0, 1, 20), monospaced("10", 1, 0, 20), monospaced("11", 2, 0, 20), monospaced("12", 3, 0, 20),
        monospaced("13", 4, 0, 20), monospaced("14", 5, 0, 20),
        monospaced("class Item:", 0, 0, 80), monospaced("name: str", 1, 4, 80), monospaced("def total(self, count):", 3, 4, 80),
        monospaced("return self.price * count", 4, 8, 80), monospaced("def load(path):", 5, 0, 80),
    };
    EXPECT_EQ(written(lines, ReadingOrder::layout(lines)),
              (std::vector<std::string>{"9 class Item:", "10     name: str", "11", "12     def total(self, count):",
                                        "13         return self.price * count", "14 def load(path):"}));
}

// What is no gutter stays as it was: numbers in a paragraph's lines, a number beside a
// heading, two numbers beside a sidebar's lines, a column of prices on rows of their own.
TEST(ReadingOrder, NumbersThatAreNoGutterStayLinesOfTheirOwn)
{
    const std::vector<std::vector<Readings::LineReading>> pages = {
        {proportional("2024", 0, 40), proportional("The year began with a new release", 0, 200), proportional("and ended with two more", 1, 200)},
        {proportional("12", 0, 40), proportional("Inbox", 0, 200), proportional("3", 1, 40), proportional("Drafts", 1, 200),
         proportional("Archive", 2, 200)},
        {proportional("Prices", 0, 40), proportional("4", 1, 40), proportional("12", 2, 40), proportional("28", 3, 40)},
    };
    for (const std::vector<Readings::LineReading>& lines : pages) {
        const ReadingOrder::Layout layout = ReadingOrder::layout(lines);
        for (const std::ptrdiff_t number : layout.number)
            EXPECT_EQ(number, -1);
        EXPECT_EQ(layout.order.size(), lines.size());
    }
}

// A line where the layout put it, with no characters (a proportional face to the order).
Readings::LineReading boxed(const std::string& text, Readings::Box box)
{
    Readings::LineReading line;
    line.text = text;
    line.box = box;
    return line;
}

TEST(ReadingOrder, ADiffsGuttersStartTheirLinesAndALoneNumberKeepsItsRow)
{
    const std::vector<std::pair<std::vector<Readings::LineReading>, std::vector<std::string>>> cases{
        // Two gutters, the old file's and the new one's, their numbers on a row read as
        // one line, an added line's number with its "+"; the second gutter starts right
        // of the first.
        {{boxed("@@ -184,14 +186,15 @@", {24, 29, 213, 43}), boxed("186 +", {70, 55, 116, 65}), boxed("log(\"done\");", {167, 54, 369, 68}),
          boxed("184 188", {31, 105, 95, 115}), boxed("185", {31, 155, 56, 165}), boxed("double rate = 99.41;", {130, 104, 306, 118}),
          boxed("186 189", {31, 180, 95, 190}), boxed("187 190", {31, 205, 95, 215}), boxed("buffer.resize(31094);", {166, 154, 351, 168}),
          boxed("double rate = 61.71;", {130, 179, 306, 193}), boxed("timeout_ms = 535", {130, 204, 272, 217})},
         {"@@ -184,14 +186,15 @@", "186 + log(\"done\");", "184 188 double rate = 99.41;", "185 buffer.resize(31094);",
          "186 189 double rate = 61.71;", "187 190 timeout_ms = 535"}},
        // Numbers the layout joined to the code on their rows, and one without code: it
        // stays on its row.
        {{boxed("477 double rate = 69.77;", {31, 31, 300, 47}), boxed("479 assert total == 89.63", {31, 93, 429, 110}),
          boxed("481 limits = {}", {31, 155, 576, 172}), boxed("480", {31, 125, 63, 137}), boxed("482", {31, 187, 63, 199}),
          boxed("values[i] = i * 841;", {122, 186, 414, 203}), boxed("483", {31, 218, 63, 230}), boxed("buffer.resize(26640);", {123, 217, 357, 234}),
          boxed("484", {31, 249, 63, 261}), boxed("let port = 491;", {123, 248, 243, 265})},
         {"477 double rate = 69.77;", "479 assert total == 89.63", "480", "481 limits = {}", "482 values[i] = i * 841;",
          "483 buffer.resize(26640);", "484 let port = 491;"}},
    };
    for (const auto& [lines, expected] : cases)
        EXPECT_EQ(written(lines, ReadingOrder::layout(lines)), expected) << lines.front().text;
}

// The lines as written, each with the gutter numbers before it and the rest of its row
// after it.
std::vector<std::string> withGutters(const std::vector<Readings::LineReading>& lines, const ReadingOrder::Layout& layout)
{
    std::vector<std::string> out;
    for (const size_t i : layout.order) {
        std::string text;
        for (const std::ptrdiff_t number : {layout.number[i], layout.secondNumber[i]})
            if (number >= 0)
                text += lines[size_t(number)].text + " ";
        text += lines[i].text;
        for (std::ptrdiff_t rest = layout.after[i]; rest >= 0; rest = layout.after[size_t(rest)])
            text += " " + lines[size_t(rest)].text;
        out.push_back(text);
    }
    return out;
}

TEST(ReadingOrder, AGuttersMisreadNumbersAndADiffsNumbersReadApartStartTheirLinesAndTheirRestsFollow)
{
    const std::vector<std::pair<std::vector<Readings::LineReading>, std::vector<std::string>>> cases{
        // The gutter read as a column before the code, two of its numbers as words.
        {{boxed("a9", {31, 29, 49, 36}), boxed("120 assert total == 16.88", {31, 46, 266, 56}), boxed("121", {31, 65, 49, 72}),
          boxed("a2", {31, 83, 49, 90}), boxed("123", {31, 101, 49, 108}), boxed("124", {31, 119, 49, 126}),
          boxed("version = \"7.10.3\"", {62, 28, 179, 36}), boxed("return w * h / 34", {89, 64, 200, 72}),
          boxed("values[i] = i * 3275;", {89, 82, 264, 92}), boxed("timeout_ms = 804", {63, 101, 167, 109}),
          boxed("if (total > 131) {", {63, 119, 180, 128})},
         {"a9 version = \"7.10.3\"", "120 assert total == 16.88", "121 return w * h / 34", "a2 values[i] = i * 3275;", "123 timeout_ms = 804",
          "124 if (total > 131) {"}},
        // A diff's two gutters read apart, one number of the second misread.
        {{boxed("817", {31, 46, 49, 54}), boxed("818", {31, 64, 49, 72}), boxed("819", {31, 82, 49, 90}), boxed("820", {31, 100, 49, 108}),
          boxed("a9", {63, 100, 81, 108}), boxed("829", {63, 118, 81, 126}), boxed("821", {31, 136, 49, 144}), boxed("822", {63, 136, 81, 144}),
          boxed("- double rate = 62.74;", {100, 46, 242, 55}), boxed("- limits = {}", {100, 64, 208, 74}), boxed("- def area(w, h):", {100, 82, 209, 92}),
          boxed("def area(w, h):", {113, 100, 209, 110}), boxed("+ double rate = 27.12;", {100, 118, 242, 127}),
          boxed("version = \"1.24.2\"", {113, 136, 236, 146})},
         {"817 - double rate = 62.74;", "818 - limits = {}", "819 - def area(w, h):", "820 a9 def area(w, h):", "829 + double rate = 27.12;",
          "821 822 version = \"1.24.2\""}},
        // Numbered lines cut at a mark the layout read nothing of, the rest of one handed
        // after the lines below it.
        {{boxed("139", {31, 52, 54, 62}), boxed("140", {31, 75, 54, 85}), boxed("141", {31, 98, 54, 108}), boxed("values[i] =", {159, 51, 231, 65}),
          boxed("i * 166 + 650;", {260, 51, 374, 65}), boxed("limits = {\"cpu", {126, 74, 250, 88}), boxed("return price;", {160, 97, 332, 111}),
          boxed("46.92, \"memory\": \"940Mi\"}", {270, 74, 480, 88})},
         {"139 values[i] = i * 166 + 650;", "140 limits = {\"cpu 46.92, \"memory\": \"940Mi\"}", "141 return price;"}},
    };
    for (const auto& [lines, expected] : cases)
        EXPECT_EQ(withGutters(lines, ReadingOrder::layout(lines)), expected) << lines.front().text;
}

TEST(ReadingOrder, PiecesOfARowHandedRightToLeftAreOneLineLeftToRight)
{
    const std::vector<std::pair<std::vector<Readings::LineReading>, std::vector<std::string>>> cases{
        // A dialog's buttons.
        {{proportional("Proxy port | 21959", 0, 40), boxed("Apply || OK |", {297, 421, 447, 447}), boxed("| Cancel", {166, 421, 252, 447})},
         {"Proxy port | 21959", "| Cancel Apply || OK |"}},
        // A value before its label, then the next row.
        {{boxed("100%", {110, 140, 143, 150}), boxed("\u7E2E\u653E", {38, 139, 61, 151}), boxed("\u4EAE\u5EA6 87%", {38, 166, 143, 178})},
         {"\u7E2E\u653E 100%", "\u4EAE\u5EA6 87%"}},
    };
    for (const auto& [lines, expected] : cases) {
        EXPECT_EQ(writtenInLayoutOrder(lines), expected) << lines.front().text;
    }
}

} // namespace

namespace {

// Rows the layout cut apart at a run of blanks come back whole where rows above and
// below run on across those blanks; columns with nothing across the space between them
// (a heading over both only) stay columns.
TEST(ReadingOrder, RowsCutAtARunOfBlanksAreWholeWhereRowsAroundThemCrossIt)
{
    const std::vector<std::pair<std::vector<Readings::LineReading>, std::vector<std::string>>> cases{
        // An "ls -l" listing, the layout's order: the pieces' left halves, then their right ones.
        {{monospaced("$ ls -l dist", 0, 0), monospaced("-rw-r--r-- 1 dev dev  865583526 Dec 26 12:47 a.gz", 1, 0),
          monospaced("drwxr-xr-x 3 dev dev", 2, 0), monospaced("-rw-r--r-- 1 dev dev", 3, 0),
          monospaced("4096 Mar  5 23:39 assets", 2, 27), monospaced("7296 Jun 18 07:20 b.tar", 3, 27),
          monospaced("-rw-r--r-- 1 dev dev  25248 Dec 28 20:15 c.img", 4, 0), monospaced("$ ping -c 4 10.0.176.48", 5, 0)},
         {"$ ls -l dist", "-rw-r--r-- 1 dev dev  865583526 Dec 26 12:47 a.gz", "drwxr-xr-x 3 dev dev 4096 Mar  5 23:39 assets",
          "-rw-r--r-- 1 dev dev 7296 Jun 18 07:20 b.tar", "-rw-r--r-- 1 dev dev  25248 Dec 28 20:15 c.img", "$ ping -c 4 10.0.176.48"}},
        // Four rows cut apart, only the listing's first row across the blanks: the rows
        // below it are joined one by one, each crossed by the row joined above it.
        {{monospaced("-rw-r--r-- 1 dev dev  865583526 Dec 26 12:47 a.gz", 0, 0), monospaced("drwxr-xr-x 3 dev dev", 1, 0),
          monospaced("-rw-r--r-- 1 dev dev", 2, 0), monospaced("4096 Mar  5 23:39 assets", 1, 27),
          monospaced("7296 Jun 18 07:20 b.tar", 2, 27), monospaced("-rw-r--r-- 1 dev dev  25248 Dec 28 20:15 c.img", 3, 0)},
         {"-rw-r--r-- 1 dev dev  865583526 Dec 26 12:47 a.gz", "drwxr-xr-x 3 dev dev 4096 Mar  5 23:39 assets",
          "-rw-r--r-- 1 dev dev 7296 Jun 18 07:20 b.tar", "-rw-r--r-- 1 dev dev  25248 Dec 28 20:15 c.img"}},
        // A heading across two columns, nothing across them below.
        {{proportional("Release notes for the spring update of the desktop", 0, 40), proportional("The editor opens faster", 1, 40),
          proportional("and keeps its zoom level", 2, 40), proportional("Sharing now asks once", 1, 300),
          proportional("for each new device", 2, 300)},
         {"Release notes for the spring update of the desktop", "The editor opens faster", "and keeps its zoom level",
          "Sharing now asks once", "for each new device"}},
    };
    for (const auto& [lines, expected] : cases)
        EXPECT_EQ(writtenInLayoutOrder(lines), expected) << lines[1].text;
}

} // namespace

namespace {

// A bordered table the layout read column by column: its rows come back whole where a
// ruling line runs across the space between the cells right above and right below them;
// the same columns without the rulings (or with a ruling above them only) stay columns.
TEST(ReadingOrder, ATablesRowsBetweenRulingLinesAreWholeInReadingOrder)
{
    const std::vector<Readings::LineReading> lines = {
        boxed("\u7535\u6C60\u5BB9\u91CF", {37, 74, 80, 85}),  boxed("\u8F93\u5165\u7535\u538B", {36, 124, 80, 135}),
        boxed("Battery capacity", {115, 77, 184, 86}),         boxed("Input voltage", {115, 127, 172, 136}),
        boxed("5000 mAh", {210, 77, 255, 84}),             boxed("100-240 V ~ 50/60 Hz", {210, 127, 310, 134}),
    };
    const auto ruled = [](std::vector<int> rows) {
        RulingLines::Lines rulings{std::vector<unsigned char>(size_t(400 * 200), 0), 400, 200};
        for (const int y : rows)
            std::fill_n(rulings.ink.begin() + std::ptrdiff_t(y * 400 + 24), 300, 1);
        return rulings;
    };
    const auto written = [&](const RulingLines::Lines& rulings) { return writtenInLayoutOrder(lines, rulings); };
    EXPECT_EQ(written(ruled({67, 92, 117, 142})),
              (std::vector<std::string>{"\u7535\u6C60\u5BB9\u91CF Battery capacity 5000 mAh", "\u8F93\u5165\u7535\u538B Input voltage 100-240 V ~ 50/60 Hz"}));
    const std::vector<std::string> columns{"\u7535\u6C60\u5BB9\u91CF", "\u8F93\u5165\u7535\u538B", "Battery capacity", "Input voltage",
                                           "5000 mAh", "100-240 V ~ 50/60 Hz"};
    EXPECT_EQ(written({}), columns);
    EXPECT_EQ(written(ruled({67})), columns);
}

} // namespace
