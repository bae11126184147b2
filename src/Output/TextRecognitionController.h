#pragma once

#include "Output/TextRecognition.h"
#include "Output/TextRecognitionProcess.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>

class ImageEditorViewModel;

// The editor's text recognition over its view model's ocrPanelState: absent (no card),
// recognizing, text or empty. A run reads the document's base image (no annotations,
// rotation, resize or backdrop; what a mosaic covers flattened), prepares and recognises
// it on a worker thread, and hands the text back to the main thread.
//
// Every run is tagged: only the result of the latest run is taken, and only while the
// state still says recognizing. So a card closed and opened again, or a new image,
// never shows an older run's text.
//
// With the default recognizer, a reading program is kept ready (its engines loaded)
// while the editor is open with an image, from a moment after it opened, so that the
// editor's first frames come first.
class TextRecognitionController : public QObject {
    Q_OBJECT
public:
    // `recognizer` empty: Tesseract in Simplified and Traditional Chinese and English.
    explicit TextRecognitionController(ImageEditorViewModel& viewModel, TextRecognizer recognizer = {},
                                       QObject* parent = nullptr);
    ~TextRecognitionController() override;

    // Starts a run of the base image unless one is running or there is no image.
    void startTextRecognition();
    // Absent starts, recognizing is left alone, text and empty close the card.
    void toggleTextRecognition();

    // Whether the editor is open: shown, not hidden between captures or closed.
    void setEditorOpen(bool open);
    // Whether a reading program is being kept ready.
    bool keepsReady() const { return bool(m_ready); }

    // How long after the editor opens a reading program is started ahead.
    static constexpr int readyDelayMilliseconds = 1000;

    // The tag of the latest run started (0 before the first).
    quint64 latestRun() const { return m_latestRun; }

signals:
    // A run ended on the main thread (taken or dropped), for tests and the e2e hooks.
    void runFinished(quint64 run, bool taken);

private:
    void finishTextRecognition(quint64 run, const TextRecognitionResult& result);
    void syncReady();

    ImageEditorViewModel& m_viewModel;
    TextRecognizer m_recognizer;
    quint64 m_latestRun = 0;
    // Set to end the latest run's reading early.
    std::shared_ptr<std::atomic<bool>> m_cancelRun;
    const bool m_mayKeepReady;
    bool m_editorOpen = false;
    QTimer m_readyDelay;
    TextRecognitionProcess::Hold m_ready;
};
