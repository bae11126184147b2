#pragma once

// Generated pages (support/GeneratedPages.h) drawn by headless Chromium and read twice:
// by Lumetra's recognizer, through the code the editor runs (the recognition bitmap,
// then the lumetra-ocr program, kept ready with its engines loaded as the editor keeps
// it), and by the plain reading, the tesseract command line in the same three languages
// on one thread. Used by the floor tests and by bench/bench_recognition_pages.cpp.

#include "support/GeneratedPages.h"
#include "support/PageScore.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

struct PageReading {
    int index = 0;
    GeneratedPage page;
    QString ours;
    QString plain;
    double oursMs = -1;  // from the start of the reading to its text, engines loaded ahead
    double plainMs = -1; // the command line's run
    QString failure;     // why the page was not drawn or read; empty when it was
    PageScore score;
};

struct PageRun {
    std::uint32_t seed = 1;
    int first = 0;
    int count = 10;
    QStringList kinds; // empty: all
    // Pages drawn and read at once. Lumetra's readings take turns whatever the number,
    // each with a program kept ready for it, as one editor has.
    int jobs = 2;
    // Pause between two of Lumetra's readings, so that the program started for the next
    // one has its engines loaded, as it has when a user opens the editor.
    int readyMilliseconds = 1500;
    // Where each page's HTML, screenshot and readings are kept; empty: nowhere.
    QString keepIn;
};

// What is missing to run pages (Chromium, the command line, the reading program, faces);
// empty when nothing is.
QString generatedPagesMissing();

// Draws and reads the pages of `run`, calling `done` with each as it is read (in any
// order, one call at a time).
void readGeneratedPages(const PageRun& run, const std::function<void(const PageReading&)>& done);
