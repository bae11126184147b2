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
    // Pages drawn and read at once.
    int jobs = 2;
    // Lumetra's readings timed: they take turns, each with the program kept ready for
    // it, as one editor has. Untimed, they run side by side, each starting its own.
    bool timed = true;
    // How long a timed reading waits at most for the program kept ready to have loaded
    // its engines, as it has when a user has had the editor open a moment.
    int readyMilliseconds = 3000;
    // Where each page's HTML, screenshot and readings are kept; empty: nowhere.
    QString keepIn;
};

// What is missing to run pages (Chromium, the command line, the reading program, faces);
// empty when nothing is.
QString generatedPagesMissing();

// Draws and reads the pages of `run`, calling `done` with each as it is read (in any
// order, one call at a time).
void readGeneratedPages(const PageRun& run, const std::function<void(const PageReading&)>& done);
