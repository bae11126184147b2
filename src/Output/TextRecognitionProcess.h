#pragma once

#include "Output/TextRecognition.h"

#include <QImage>
#include <QString>

#include <QtGlobal>

#include <atomic>

// Text recognition in the program lumetra-ocr (see Output/TextRecognitionProtocol.h), in
// Simplified Chinese, Traditional Chinese and English. The editor itself never loads
// Tesseract: the program ends with the reading, handing every byte of its engines back.
// It starts when a page is to be read, its engines loading while Lumetra prepares the
// page, or ahead of the reading, while someone keeps one ready (keepReady).
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

// While kept, one program is kept started for its options with its engines loaded, for
// the next reading with the same options to take; a new one starts once that reading is
// over. The program goes with the last hold. Move-only.
class Hold {
public:
    Hold() = default;
    Hold(Hold&& other) noexcept : m_id(other.m_id) { other.m_id = 0; }
    Hold& operator=(Hold&& other) noexcept;
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    ~Hold();
    explicit operator bool() const { return m_id != 0; }

private:
    friend Hold keepReady(const Options& options);
    explicit Hold(quint64 id) : m_id(id) { }
    quint64 m_id = 0;
};

// A hold for `options`; an empty one where there is no program to start.
Hold keepReady(const Options& options = {});

// Blocking; safe on any thread, any number of runs at once. `page` is read as it is by
// the plain engine (in colour unless it is Grayscale8), and turned into dark ink on
// white paper for the others, so text on dark grounds reads too. Setting `cancelled`
// ends the program and the run within a few tens of milliseconds, without a result.
TextRecognitionResult recognize(const QImage& page, const Options& options = {},
                                const std::atomic<bool>* cancelled = nullptr);

// The recognizer with the given options, as the editor's text recognition calls it.
TextRecognizer engine(Options options = {});

} // namespace TextRecognitionProcess
