// Getting a document into the editor: open panel, background loading, installing,
// pasting, and the texts that describe the document.
#include "Models/ImageEditorViewModel.h"

#include "Base/Logger.h"
#include "Base/OffMainThread.h"
#include "Core/Localization.h"
#include "Models/ImageDocument.h"
#include "Platform/ImageFileReader.h"
#include "Platform/OpenPanel.h"
#include "Platform/Pasteboard.h"

#include <QFileInfo>
#include <QFuture>

namespace {

QString annotationCounts(const AnnotationManager& store)
{
    return QStringLiteral("箭头=%1, 矩形=%2, 文字=%3, 画笔=%4, 线条=%5")
        .arg(store.arrows().size())
        .arg(store.rectangles().size())
        .arg(store.texts().size())
        .arg(store.freehands().size())
        .arg(store.lines().size());
}

} // namespace

QString ImageEditorViewModel::displayName() const
{
    if (!m_imageURL)
        return localized(QStringLiteral("empty.noImageTitle"));
    return QFileInfo(m_imageURL->path()).fileName();
}

QString ImageEditorViewModel::imageInfoText() const
{
    return ImageDocument::infoLine(m_selectedImage, m_imageURL, m_rotation);
}

void ImageEditorViewModel::openImage()
{
    const std::optional<QString> path = openPanel().chooseImageFile(ImageDocument::openPanelFilter());
    if (!path || path->isEmpty())
        return;
    loadImage(QUrl::fromLocalFile(*path));
}

void ImageEditorViewModel::loadImage(const QUrl& url)
{
    const QString name = QFileInfo(url.path()).fileName();
    logMessage(LogLevel::debug, [&] { return QStringLiteral("📂 loadImage 被调用: ") + name; });

    const qint64 generation = ++*m_imageLoadGeneration;
    const QString path = url.isLocalFile() ? url.toLocalFile() : QString();

    // Only the decoding runs on the worker; the model is touched back on this thread.
    // The continuation is dropped with the model if the model goes first, and the
    // decoding stops as soon as a newer load has begun.
    OffMainThread::run(this, [path, superseded = supersededAfter(generation)] {
        if (path.isEmpty())
            return ImageFileReader::Result { QImage(), QStringLiteral("not a local file") };
        return ImageFileReader::readFile(path, superseded);
    }, [this, generation, url, name](const ImageFileReader::Result& result) {
        if (generation != *m_imageLoadGeneration) {
            emit imageLoadFinished(url, false);
            return;
        }
        if (!result.ok()) {
            logMessage(LogLevel::warning, [&] { return QStringLiteral("❌ 无法加载图片: ") + name; });
            logMessage(LogLevel::debug, [&] { return QStringLiteral("   ") + result.error; });
            emit alertRequested(localized(QStringLiteral("alert.openFailed.title")),
                localizedFormat(ImageDocument::openFailureKey(result.systemError), { name }));
            emit imageLoadFinished(url, false);
            return;
        }
        replaceDocument(Image(result.image), url, [this, url](bool installed) { emit imageLoadFinished(url, installed); });
    });
}

ImageFileReader::Superseded ImageEditorViewModel::supersededAfter(qint64 generation) const
{
    return [newest = m_imageLoadGeneration, generation] { return newest->load() != generation; };
}

void ImageEditorViewModel::setLoadedImage(const Image& image, const QUrl& url)
{
    ++*m_imageLoadGeneration;
    logMessage(LogLevel::debug, [] { return QStringLiteral("✅ 图片加载成功，准备清除标注"); });
    logMessage(LogLevel::debug, [&] { return QStringLiteral("   当前标注数量: ") + annotationCounts(*m_annotationManager); });

    setImageURL(url);
    setSelectedImage(image);
    m_originalImage = image;
    m_pristineImage = image;
    setOriginalImageSize(ImageDocument::measuredSize(image));
    setRotation(0.0);
    setScale(1.0);
    emptyHistory();
    m_annotationManager->clearAll();
    setCurrentTool(ToolType::none);
    cancelTextEditing();
    // A crop rectangle belongs to the image it was drawn on.
    resetCropState();
    logMessage(LogLevel::debug, [&] { return QStringLiteral("   清除后标注数量: ") + annotationCounts(*m_annotationManager); });
    setZoomLevel(1.0);
    m_lastSavedURL.reset();
    setSaveToastURL(std::nullopt);
    setOcrPanelState(std::nullopt);
    // Nothing of a document just installed is lost by closing it.
    markContentKept(currentContent());
    setIsNewlyLoaded(true);
}

void ImageEditorViewModel::pasteImage()
{
    Pasteboard& board = pasteboard();
    std::optional<QByteArray> data = board.data(Pasteboard::pngType);
    if (!data || data->isEmpty())
        data = board.data(Pasteboard::tiffType);

    if (!data || data->isEmpty()) {
        logMessage(LogLevel::debug, [] { return QStringLiteral("📋 剪贴板中没有可用的图片数据"); });
        emit imageLoadFinished(QUrl(), false);
        return;
    }
    loadImageData(*data, [] { logMessage(LogLevel::debug, [] { return QStringLiteral("✅ 已从剪贴板粘贴图片"); }); });
}

void ImageEditorViewModel::loadImageData(const QByteArray& bytes, std::function<void()> onInstalled)
{
    const qint64 generation = ++*m_imageLoadGeneration;
    // A full-screen capture takes a while to decode: the worker decodes, this thread
    // installs, unless another document came in meanwhile.
    OffMainThread::run(
        this, [bytes, superseded = supersededAfter(generation)] { return ImageFileReader::readData(bytes, superseded); },
        [this, generation, onInstalled = std::move(onInstalled)](const ImageFileReader::Result& decoded) {
            if (generation != *m_imageLoadGeneration) {
                emit imageLoadFinished(QUrl(), false);
                return;
            }
            if (!decoded.ok()) {
                logMessage(LogLevel::debug, [] { return QStringLiteral("📋 剪贴板中没有可用的图片数据"); });
                emit imageLoadFinished(QUrl(), false);
                return;
            }
            const QUrl url = ImageDocument::urlForGeneratedName(ImageDocument::generatedImageName());
            replaceDocument(Image(decoded.image), url, [this, url, onInstalled](bool installed) {
                if (installed && onInstalled)
                    onInstalled();
                emit imageLoadFinished(url, installed);
            });
        });
}
