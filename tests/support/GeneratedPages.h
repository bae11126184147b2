#pragma once

// Pages no one drew by hand: receipts, invoices, terminal listings, spreadsheets, code
// and diffs, chats, dialogs, spec sheets and prose, set as HTML for headless Chromium
// (support/ChromiumScreenshot.h) with the exact text they show, line by line in reading
// order. Content, face, size and ground all come from the seed: page `index` of seed
// `seed` is the same page on every run, so a reading that changes can be held against
// the one before it.

#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>

struct GeneratedPage {
    QString kind;    // one of GeneratedPages::kinds()
    QString variant; // what sets it apart among its kind ("dark", "no borders", ...)
    QString html;
    QSize window;     // the screenshot's size: the page fits it, paper round it
    QStringList lines; // the text as shown, one visual line each, in reading order
    QString latinFace;
    QString hanFace; // empty on pages without ideographs
    int pixelSize = 0;
    bool dark = false;

    // "invoice 12 (header band; Liberation Sans 14px, light)"
    QString description(int index) const;
    // Whether at least a fifth of its characters are ideographs: the benches total the
    // Chinese pages apart from the others.
    bool chinese() const;
};

namespace GeneratedPages {

// The kinds of page, in the order pages are dealt: page i of a run over `kinds` is of
// kind kinds[i % kinds.size()].
const QStringList& kinds();

// Page `index` of `seed`, its kind dealt from `kinds` (every kind where empty); an
// unknown kind gives an empty page.
GeneratedPage page(std::uint32_t seed, int index, const QStringList& kinds = {});

// Every face a page may be set in: those missing would make Chromium draw another one.
QStringList faces();

// Whether `read` is the other script's form of the ideograph `drawn` (来 for 來, 來 for
// 来): the pairs Simplified and Traditional write apart in the pages' own vocabulary,
// which is kept in both scripts.
bool scriptPair(char32_t drawn, char32_t read);

} // namespace GeneratedPages
