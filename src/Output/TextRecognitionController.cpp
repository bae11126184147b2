#include "Output/TextRecognitionController.h"

#include "Base/Logger.h"
#include "Models/ImageEditorViewModel.h"
#include "Output/TesseractRecognizer.h"

#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

TextRecognitionController::TextRecognitionController(ImageEditorViewModel& viewModel, TextRecognizer recognizer,
                                                     QObject* parent)
    : QObject(parent)
    , m_viewModel(viewModel)
    , m_recognizer(recognizer ? std::move(recognizer) : TesseractRecognizer::engine())
{
}

void TextRecognitionController::startTextRecognition()
{
    const std::optional<OCRPanelState>& state = m_viewModel.ocrPanelState();
    if (state && state->isRecognizing())
        return;
    const std::optional<Image>& original = m_viewModel.originalImage();
    if (!original)
        return;
    m_viewModel.setOcrPanelState(OCRPanelState::recognizing());

    const quint64 run = ++m_latestRun;
    const Image image = *original; // shares the pixels; the worker only reads them
    const TextRecognizer recognizer = m_recognizer;
    QPointer<TextRecognitionController> self(this);
    QtConcurrent::run([image, recognizer] {
        const std::optional<QImage> grey = TextRecognition::makeRecognitionImage(image);
        if (!grey)
            return TextRecognitionResult{};
        const TextRecognitionResult result = recognizer(*grey);
        if (result.failure)
            logMessage(LogLevel::warning, [&] { return QStringLiteral("❌ OCR 识别失败: ") + *result.failure; });
        return result;
    }).then(this, [self, run](const TextRecognitionResult& result) {
        if (self)
            self->finishTextRecognition(run, result);
    });
}

void TextRecognitionController::toggleTextRecognition()
{
    const std::optional<OCRPanelState>& state = m_viewModel.ocrPanelState();
    if (!state) {
        startTextRecognition();
        return;
    }
    if (state->isRecognizing())
        return;
    m_viewModel.setOcrPanelState(std::nullopt);
}

void TextRecognitionController::finishTextRecognition(quint64 run, const TextRecognitionResult& result)
{
    const std::optional<OCRPanelState>& state = m_viewModel.ocrPanelState();
    const bool taken = run == m_latestRun && state && state->isRecognizing();
    if (taken) {
        // White space alone still counts as text; only a result without any character is empty.
        m_viewModel.setOcrPanelState(result.text.isEmpty() ? OCRPanelState::empty()
                                                           : OCRPanelState::text(result.text));
    }
    emit runFinished(run, taken);
}
