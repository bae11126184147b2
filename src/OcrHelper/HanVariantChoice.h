#pragma once

// Simplified or Traditional, from the page's ink. Each Chinese model writes what it
// reads in its own script (the Simplified one reads 區 as 区, the Traditional one 区 as
// 區), and each is about as sure of itself either way, so no engine's confidence tells
// which form a character has on screen. Where two engines read the same line alike but
// for some ideographs, each of those is drawn in both forms and the form whose strokes
// match the page's ink is kept. A form that matches the page's pixels as a screen
// draws them (GlyphFit.h) is kept whatever the line's script: a word of the other
// script quoted in small type ("未來已来") keeps its form.

#include <memory>
#include <string>
#include <vector>

namespace tesseract {
class ResultIterator;
}

namespace HanGlyphs {
class Renderer;
}

namespace HanVariantChoice {

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// A text line as an engine read it: where it is, and each of its characters with the
// box the engine gives it. Those boxes are rough (a model that reads a line whole
// places its characters only about), so they serve to tell which character is which,
// not where its ink ends.
struct Symbol {
    std::string text;
    Box box;
};
struct Line {
    Box box;
    std::vector<Symbol> symbols;
};

// The text line the iterator is at.
Line lineAt(const tesseract::ResultIterator& line);

// The page the engines read: width x height grey bytes, dark ink on light paper.
struct Page {
    const unsigned char* grey = nullptr;
    int width = 0, height = 0;
};

class Chooser {
public:
    explicit Chooser(Page page);
    ~Chooser();

    // `read` (the text of `line`) where another engine read the line as `alternative`:
    // each ideograph the two read differently becomes the one of the two the page
    // shows; one the ink cannot settle, or leans away from only a little, takes the
    // form most of the line's settled ones took. `read` as it is when the readings do
    // not line up.
    std::string choose(const std::string& read, const Line& line, const std::string& alternative);

private:
    Page page_;
    // Of the pairs of forms the page's pixels settled so far, how many were settled on
    // the Simplified and how many on the Traditional form.
    int shownSimplified_ = 0, shownTraditional_ = 0;
};

} // namespace HanVariantChoice
