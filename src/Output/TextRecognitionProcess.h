#pragma once

#include "Output/TextRecognition.h"

#include <QImage>
#include <QString>

#include <atomic>

// Text recognition in the program lumetra-ocr (see Output/TextRecognitionProtocol.h), in
// Simplified Chinese, Traditional Chinese and English. The editor itself never loads
// Tesseract: the program starts when a page is to be read and ends with the reading,
// handing every byte of its engines back.
namespace TextRecognitionProcess {

struct Options {
    QString languages = QStringLiteral("chi_sim+chi_tra+eng");
    // The folder holding the .traineddata files; empty: Tesseract's own default.
    QString dataPath;
    // The program to run; empty: the one beside Lumetra, in its build or installed.
    QString program;
};

// The program that reads, or an empty string when none is found.
QString programPath();

// Blocking; safe on any thread, any number of runs at once. Turns the page into dark
// ink on white paper first, so text on dark grounds reads too. Setting `cancelled`
// ends the program and the run within a few tens of milliseconds, without a result.
TextRecognitionResult recognize(const QImage& grey, const Options& options = {},
                                const std::atomic<bool>* cancelled = nullptr);

// The recognizer with the given options, as the editor's text recognition calls it.
TextRecognizer engine(Options options = {});

} // namespace TextRecognitionProcess
