#pragma once

#include "Output/TextRecognition.h"

#include <QImage>
#include <QString>

// Text recognition with Tesseract 5 (LSTM), in Simplified Chinese, Traditional Chinese
// and English, in that order of preference.
//
// A page is read in two steps that overlap: one small engine finds the text lines and
// their reading order while several full engines start, one per worker thread; the
// workers then take the lines one by one and read each on its own. So a page of forty
// lines is read by as many engines as the machine has cores, and a single line by one.
// Every engine belongs to one run and ends with it.
namespace TesseractRecognizer {

struct Options {
    QString languages = QStringLiteral("chi_sim+chi_tra+eng");
    // At most this many reading engines; 0: one per core.
    int maxEngines = 0;
    // The folder holding the .traineddata files; empty: Tesseract's own default.
    QString dataPath;
};

// Blocking; safe on any thread, any number of runs at once. A failure when an engine
// cannot start (the language data is missing).
TextRecognitionResult recognize(const QImage& grey, const Options& options = {});

// The recognizer with the given options, as the editor's text recognition calls it.
TextRecognizer engine(Options options = {});

// A rough count of the text rows of a page: runs of rows that hold something besides
// their background. Decides how many engines to start before the lines are known.
int estimateTextRows(const QImage& grey);

} // namespace TesseractRecognizer
