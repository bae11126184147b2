#pragma once

// How a generated page is put together: its face, size and colours, and a builder that
// writes its HTML while it keeps the text each visual line shows and how much room the
// page takes, so that the screenshot holds all of it.

#include "GeneratedPageContent.h"
#include "GeneratedPages.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace PageParts {

enum class Faces { sans, serif, mono, any };

struct Style {
    QString latin;
    QString han; // empty: no ideographs on the page
    bool hanFirst = false;
    bool mono = false;
    int px = 14;
    bool dark = false;
    QString ground, ink, dim, rule;
    int lineHeight() const { return px * 8 / 5 + 1; }
    QString family() const;
};

// A face of `faces` for the Latin text and, where `han`, a Chinese face of the script;
// a size from 11 to 20 px and a light or dark ground.
Style pickStyle(PageRandom& r, Faces faces, bool han, bool traditional);

QString escaped(const QString& text);

// Pixels `text` takes at `px`: generous, so that a page never cuts a line short.
int textWidth(const QString& text, int px, bool mono);

struct Cell {
    Cell(QString text, bool right = false, QString css = {}) : text(std::move(text)), right(right), css(std::move(css)) { }
    QString text;
    bool right;
    QString css; // more of the cell's style
};

struct Row {
    Row(std::vector<Cell> cells, QString css = {}) : cells(std::move(cells)), css(std::move(css)) { }
    std::vector<Cell> cells;
    QString css; // the row's style (a ground colour, a weight)
};

struct TableLook {
    bool borders = false;
    QString borderColour;
    int padX = 12;
    int padY = 3;
    QString css; // the table's own style
};

// A table's look: its cells' padding, its borders (none where `borderColour` is empty).
inline TableLook look(int padX, int padY, const QString& borderColour = {}, const QString& css = {})
{
    TableLook out;
    out.borders = !borderColour.isEmpty();
    out.borderColour = borderColour;
    out.padX = padX;
    out.padY = padY;
    out.css = css;
    return out;
}

class Builder {
public:
    explicit Builder(const Style& style) : m_style(style) { }
    const Style& style() const { return m_style; }

    // One visual line: `html` as shown, `text` as read; `height` the pixels it takes
    // (the line height where 0), `px` its own size where it differs.
    void line(const QString& html, const QString& text, int height = 0, int px = 0);
    // A plain line of text in `css`, its text as shown.
    void textLine(const QString& text, const QString& css = {}, int px = 0);
    // Markup that shows no text (a rule, a gap) and takes `height` pixels.
    void raw(const QString& html, int height);
    // A table, each row one line of text: its cells, the empty ones left out, one blank apart.
    void table(const std::vector<Row>& rows, const TableLook& look, int px = 0);

    GeneratedPage finish(const QString& kind, const QString& variant, const QString& bodyCss = {}) const;

private:
    Style m_style;
    QString m_body;
    QStringList m_lines;
    int m_height = 0;
    int m_width = 0;
};

} // namespace PageParts

// The kinds, each drawing one page from its random source.
namespace PageKinds {
GeneratedPage receipt(PageRandom& r);
GeneratedPage invoice(PageRandom& r);
GeneratedPage terminal(PageRandom& r);
GeneratedPage spreadsheet(PageRandom& r);
GeneratedPage code(PageRandom& r);
GeneratedPage chat(PageRandom& r);
GeneratedPage dialog(PageRandom& r);
GeneratedPage specSheet(PageRandom& r);
GeneratedPage prose(PageRandom& r);
} // namespace PageKinds
