#include "Output/TextRecognitionController.h"

#include "Base/Logger.h"
#include "Base/OffMainThread.h"
#include "Models/ImageEditorViewModel.h"
#include "Models/AnnotationManager.h"
#include "Output/TextRecognitionProcess.h"

#include <QPointer>

TextRecognitionController::TextRecognitionController(ImageEditorViewModel& viewModel, TextRecognizer recognizer,
                                                     QObject* parent)
    : QObject(parent)
    , m_viewModel(viewModel)
    , m_recognizer(recognizer ? recognizer : TextRecognitionProcess::engine())
    , m_mayKeepReady(!recognizer)
{
    m_readyDelay.setSingleShot(true);
    m_readyDelay.setInterval(readyDelayMilliseconds);
    connect(&m_readyDelay, &QTimer::timeout, this, [this] {
        if (m_editorOpen && m_viewModel.originalImage())
            m_ready = TextRecognitionProcess::keepReady();
    });
    connect(&m_viewModel, &ImageEditorViewModel::documentChanged, this, &TextRecognitionController::syncReady);
}

TextRecognitionController::~TextRecognitionController()
{
    // An editor that closes takes its reading with it.
    if (m_cancelRun)
        m_cancelRun->store(true);
}

void TextRecognitionController::setEditorOpen(bool open)
{
    m_editorOpen = open;
    syncReady();
}

void TextRecognitionController::syncReady()
{
    if (!m_mayKeepReady || !m_editorOpen || !m_viewModel.originalImage()) {
        m_readyDelay.stop();
        m_ready = {};
        return;
    }
    if (!m_ready && !m_readyDelay.isActive())
        m_readyDelay.start();
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
    // What a mosaic hides is not read back.
    QList<QRectF> hidden;
    if (const AnnotationManager* annotations = m_viewModel.annotationManager()) {
        for (const RectangleAnnotation& rectangle : annotations->rectangles())
            if (rectangle.effect == AnnotationEffect::mosaic)
                hidden.append(rectangle.rect);
    }
    // A newer run supersedes the one still reading: its result would be dropped anyway.
    if (m_cancelRun)
        m_cancelRun->store(true);
    m_cancelRun = std::make_shared<std::atomic<bool>>(false);
    const TextRecognizer recognizer = m_recognizer;
    QPointer<TextRecognitionController> self(this);
    OffMainThread::run(this, [image, hidden, recognizer, cancelled = m_cancelRun] {
        const std::optional<QImage> page = TextRecognition::makeRecognitionImage(image, hidden);
        if (!page || cancelled->load())
            return TextRecognitionResult{};
        const TextRecognitionResult result = recognizer(*page, *cancelled);
        if (result.failure && !cancelled->load())
            logMessage(LogLevel::warning, [&] { return QStringLiteral("❌ OCR 识别失败: ") + *result.failure; });
        return result;
    }, [self, run](const TextRecognitionResult& result) {
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
        const OCRPanelState::Languages languages{result.languagesUsed, result.languagesMissing};
        m_viewModel.setOcrPanelState(result.text.isEmpty() ? OCRPanelState::empty(languages)
                                                           : OCRPanelState::text(result.text, languages));
    }
    emit runFinished(run, taken);
}
