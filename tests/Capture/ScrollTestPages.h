#pragma once

// Generated pages and frames for the stitcher tests: a tall page of deterministic,
// non-repeating content, and frames cut from it as a scrolled view shows them.

#include <QImage>
#include <QRect>

#include <vector>

namespace ScrollTestPages {

// First rows of the page's sections, top to bottom: text in several fonts and sizes,
// a list whose icons repeat and labels do not, a code listing with blank and repeated
// lines, a photo-like block (smooth colour, fine texture), a table of identical rows
// 24 px apart, more text.
struct Layout {
    int paragraphs, iconList, code, gradient, table, moreText;
};

QImage page(int width, Layout* layout = nullptr);
// Lines that look alike, as `seq 1 count` prints them in a terminal: 13 rows each.
QImage numberLines(int width, int count);
// A zebra-striped list of identical entries between two blocks of `introRows` of page().
QImage zebraList(int width, int introRows, int entries);
// `count` rows of 20 px on alternating grey and white, each with the same text, told
// apart only by a narrow column at the left holding the row's index in small digits
// (a log whose lines differ only in a timestamp).
// `bars`: the index in binary instead, a bar 2 px wide for each set bit, 3 px apart
// (icons that tell entries apart).
QImage indexedRows(int width, int count, bool bars = false);
// A title, then a table's header row and `rows` rows of 24 px in two alternating colours,
// each with its own figures. `headerAt` receives the header row's first page row.
QImage table(int width, int rows, int* headerAt);
constexpr int kTableHeaderRows = 30;

// `count` rows `rowHeight` px high, each with "Row n" and a few words, and a strip of the
// row's own colour (neighbours always differ) at 5/12 of the width: numbered rows as a browser
// shows them, on white.
QImage numberedRows(int width, int count, int rowHeight);
// `rows` rows `pitch` px apart, each with `columns` cards: a bordered box with the card's
// number as its caption above a picture, drawn loaded (in colour). `pictures` receives
// each picture's place on the page, row by row.
QImage cardGrid(int width, int rows, int columns, int pitch, std::vector<QRect>* pictures);

// What a frame shows besides the page.
struct Decor {
    int header = 0;        // rows of a fixed toolbar over the page's top
    int scrollbar = 0;     // columns of a scrollbar at the right edge
    bool caret = false;    // a text caret, 2 x 16, at a fixed place
    int noiseSeed = 0;     // non-zero: +-2 levels of noise per channel
    int changedRegion = 0; // non-zero: a 40 x 20 clock-like region showing this value
    int footer = 0;        // rows of a fixed bar over the page's bottom
    int sidebar = 0;       // columns of a fixed navigation list at the left
    // The header is the page's own, stuck to the view's top: the scrollbar runs beside
    // it, its thumb as long as the view is of the page and header.
    bool pageHeader = false;
    // The footer is a pager's prompt line on the page's background instead: the file's
    // name on the first view, ":" further on, "(END)" once the view shows the page's end.
    bool prompt = false;
    // Rows of the page from this one on (kTableHeaderRows of them) stick below the header
    // once the view has scrolled past them; 0: none.
    int stickyFrom = 0;
};

// One column of cards `pitch` rows apart, `width` wide and `height` high: each a picture
// `pictureHeight` rows high above a caption, with a strip of the card's own colour at the
// right. Pictures from row `loadedFrom` down are in colour, the others plain grey (a page
// whose pictures load late).
QImage cardColumn(int width, int height, int pitch, int pictureHeight, int loadedFrom);

// The view scrolled to `top` (the page row under the header), `height` rows high.
QImage frame(const QImage& page, int top, int height, const Decor& decor = {});

} // namespace ScrollTestPages
