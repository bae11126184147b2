#pragma once

// Scrolling pages drawn from a seed, for judging scrolling capture on many pages rather
// than on a few made by hand. A page is a list of numbered rows (lines of text of any
// height, and grids of 1 to 4 cards at a fixed pitch), and at random: pictures in the
// cards that stay grey until a while after they came into view, regions that change at
// every frame of the display, a fixed header and footer whose height follows the
// scroll, a feed that loads more rows a while after its end shows (with or without a
// "Loading more" row), a scrollbar, and an end at any distance from the last full step.
//
// Every row carries its number in text and in a strip of its own colour near the right
// edge, which nothing else on the page covers: reading the strip down a stitched image
// tells which rows it holds, in which order and how tall.

#include "Capture/ScrollFrameSource.h"
#include "Platform/ScrollEventPoster.h"

#include <QDateTime>
#include <QImage>
#include <QRect>
#include <QString>

#include <algorithm>
#include <optional>
#include <vector>

class CaptureClock;
class QPainter;

namespace GeneratedScrollPage {

// What a page mixes in; a page's mix is the set of these it holds.
enum Feature : unsigned {
    variedRows = 1u << 0,   // row heights differ from row to row
    cards = 1u << 1,        // grids of cards at a fixed pitch
    latePictures = 1u << 2, // the cards' pictures turn from grey to colour after they show
    header = 1u << 3,       // a fixed header whose height follows the scroll
    footer = 1u << 4,       // a fixed footer whose height follows the scroll
    animation = 1u << 5,    // regions redrawn at every frame
    feed = 1u << 6,         // rows load after a delay once the end shows
    loadingRow = 1u << 7,   // a "Loading more" row at the feed's end while it loads
    scrollbar = 1u << 8,    // a scrollbar at the right edge
};
inline constexpr int featureCount = 9;
const char* featureName(Feature feature);

// What a row of a documentation page holds.
enum class Block { none, heading, prose, code };

struct Row {
    int number = 0;  // from 1
    int top = 0;     // page row
    int height = 0;
    int columns = 0; // cards in the row; 0: a line of text
    Block block = Block::none; // on a documentation page
};

struct Picture {
    QRect rect; // page coordinates
    int row = 0;
    int loadMs = 0; // after it first shows; 0: in colour from the start
};

struct Animated {
    QRect rect;       // view coordinates when fixed, else page coordinates
    bool fixedInView; // a canvas that stays put, or one that scrolls with its row
};

// A fixed bar whose height goes from `startPx` at the page's top to `endPx` once the
// page has scrolled `overPx`, in proportion in between.
struct Bar {
    int startPx = 0, endPx = 0, overPx = 1;
    bool present() const { return startPx > 0 || endPx > 0; }
    int heightAt(int scrolled) const;
    int tallest() const { return std::max(startPx, endPx); }
};

struct Description {
    quint64 seed = 0;
    int index = 0;
    unsigned features = 0;
    int width = 0, viewHeight = 0;
    int clickPx = 0; // what one wheel click scrolls
    int firstClickPx = 0; // what the very first click scrolls, where it differs (0: clickPx)
    int stripX = 0, stripWidth = 0;
    int topPad = 0;    // page rows above the first row (under the header)
    int bottomPad = 0; // page rows below the last row
    std::vector<Row> rows;
    std::vector<Picture> pictures;
    std::vector<Animated> animations;
    Bar headerBar, footerBar;
    int scrollbarWidth = 0;
    int fontPx = 13;
    // A documentation page: the rows are headings, prose and code blocks in a main
    // column, beside a navigation column fixed in the view, under a fixed top bar.
    bool documentation = false;
    int navWidth = 0, topBarPx = 0;
    // The feed: rows shown at first, rows per load, and each load's delay after the end
    // came into view. Without a feed every row shows from the start.
    int firstRows = 0;
    int batchRows = 0;
    std::vector<int> loadDelaysMs;
    static constexpr int loadingRowPx = 48;
    // The selections captured, each ending at the view's bottom: the whole view and one
    // between the lowest the capture takes (two wheel clicks, with the footer over them)
    // and the view.
    std::vector<int> selectionHeights;

    bool has(Feature f) const { return (features & f) != 0; }
    int rowCount() const { return int(rows.size()); }
    // The page's height with `loaded` rows showing, and whether a "Loading more" row shows.
    int pageHeight(int loaded) const;
    int rowsEnd(int loaded) const { return loaded > 0 ? rows[std::size_t(loaded - 1)].top + rows[std::size_t(loaded - 1)].height : topPad; }
    // A line naming the page's mix, e.g. "cards+latePictures+header".
    QString mix() const;
    // One line with the page's make, to replay or read a failure by.
    QString summary() const;
};

// The page `index` of the run seeded `seed`: the same on every machine and every run.
Description describe(quint64 seed, int index);

// A long documentation page in a browser `width` x `viewHeight` whose wheel click
// scrolls `clickPx`: headings, paragraphs of prose and grey code blocks of monospace lines
// of every length, a navigation column that stays put while the main column scrolls and
// a fixed top bar, on white. The selections: the whole view and its lower 60%.
Description describeDocumentation(quint64 seed, int width, int viewHeight, int clickPx);
// Draws a documentation page's row on the page, and what stays put in its view.
void drawDocumentationRow(QPainter& painter, const Description& d, const Row& row);
void drawDocumentationFixed(QPainter& painter, const Description& d, int scrolled);

// A row's strip colour, and the row a colour belongs to (0: none).
QRgb rowColour(int number);
int rowOfColour(QRgb colour);

// The page as a browser draws it: fixed bars, feed and grey pictures follow the clock
// and the scroll; regions animate at 60 frames a second. It takes the scrolling
// capture's wheel clicks and hands it the frames it reads, as the screen would, for a
// view whose top-left corner is at `viewOrigin` (root pixels).
class View final : public ScrollFrameSource, public ScrollEventPoster {
public:
    View(const Description& description, CaptureClock& clock, QPoint viewOrigin);

    QImage grab(const QRect& rootPixels, bool withPointer) override;
    std::optional<QPoint> pointerPosition() override { return m_pointer; }
    void movePointer(const QPoint& rootPixel) override { m_pointer = rootPixel; }
    bool scroll(const QPoint& rootPixel, int clicks) override;

    // What the page shows at the clock's present moment, the whole view.
    QImage viewNow();
    int top() const { return m_top; }
    int maxTop() const;
    int loadedRows() const { return m_loaded; }
    // Rows still to come, or a load under way.
    bool stillLoading() const { return m_loaded < m_description.rowCount(); }
    int wheelClicks() const { return m_clicks; }

private:
    qint64 elapsedMs() const;
    void advance(qint64 t);
    QRect viewRect() const;
    // The `part` of the view (view pixels, inside it) as viewNow() draws it.
    QImage drawn(const QRect& part);
    void noteShown(qint64 t);
    void scheduleLoad(qint64 t);
    bool pictureLoaded(std::size_t i, qint64 t) const;

    const Description& m_description;
    CaptureClock& m_clock;
    QPoint m_origin;
    QDateTime m_start;
    QImage m_page; // every row loaded, every picture in colour
    int m_top = 0;
    int m_loaded = 0;
    int m_batch = 0;
    std::optional<qint64> m_loadAt;
    std::vector<qint64> m_shownAt; // per picture; -1 until it shows
    std::optional<QPoint> m_pointer = QPoint(2, 2);
    int m_clicks = 0;
};

} // namespace GeneratedScrollPage
