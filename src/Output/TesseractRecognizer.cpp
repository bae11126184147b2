#include "Output/TesseractRecognizer.h"

#include "Output/TextInk.h"

#include <QByteArray>
#include <QRect>
#include <QThread>

#include <leptonica/allheaders.h>
#include <omp.h>
#include <tesseract/baseapi.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int linesPerEngine = 3;

struct PixDeleter {
    void operator()(Pix* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

PixPtr makePix(const QImage& grey)
{
    PixPtr pix(pixCreate(grey.width(), grey.height(), 8));
    if (!pix)
        return nullptr;
    l_uint32* data = pixGetData(pix.get());
    const int wpl = pixGetWpl(pix.get());
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* source = grey.constScanLine(y);
        l_uint32* line = data + qsizetype(y) * wpl;
        for (int x = 0; x < grey.width(); ++x)
            SET_DATA_BYTE(line, x, source[x]);
    }
    return pix;
}

// Tesseract writes its progress notes ("Estimating resolution ...") to standard error;
// they are not ours to print. The setting is process-wide, so it is made once, before
// any engine runs.
void quietEngineNotes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        tesseract::TessBaseAPI api;
        api.SetVariable("debug_file", "/dev/null");
    });
}

// One engine, started on the thread that uses it.
class Engine {
public:
    using Options = TesseractRecognizer::Options;

    bool start(const Options& options, const QByteArray& languages, tesseract::PageSegMode mode)
    {
        // Tesseract's own OpenMP loops would multiply with our engines and spin idle
        // threads; each engine runs on its one thread.
        omp_set_max_active_levels(0);
        const QByteArray dataPath = options.dataPath.toUtf8();
        if (m_api.Init(dataPath.isEmpty() ? nullptr : dataPath.constData(), languages.constData(),
                       tesseract::OEM_LSTM_ONLY) != 0)
            return false;
        m_api.SetPageSegMode(mode);
        return true;
    }

    tesseract::TessBaseAPI& api() { return m_api; }

private:
    tesseract::TessBaseAPI m_api;
};

QByteArray layoutLanguage(const QString& languages)
{
    // Finding lines barely depends on the language; English starts fastest.
    const QStringList list = languages.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    if (list.contains(QStringLiteral("eng")))
        return QByteArrayLiteral("eng");
    return list.isEmpty() ? QByteArrayLiteral("eng") : list.first().toUtf8();
}

// The text lines of a page in reading order; nothing when the engine cannot start.
std::optional<std::vector<QRect>> findLines(Pix* page, const TesseractRecognizer::Options& options)
{
    Engine engine;
    if (!engine.start(options, layoutLanguage(options.languages), tesseract::PSM_AUTO))
        return std::nullopt;
    std::vector<QRect> lines;
    engine.api().SetImage(page);
    Boxa* boxes = engine.api().GetComponentImages(tesseract::RIL_TEXTLINE, true, nullptr, nullptr);
    if (boxes) {
        const int count = boxaGetCount(boxes);
        for (int i = 0; i < count; ++i) {
            l_int32 x = 0, y = 0, w = 0, h = 0;
            if (boxaGetBoxGeometry(boxes, i, &x, &y, &w, &h) == 0 && w > 0 && h > 0)
                lines.emplace_back(x, y, w, h);
        }
        boxaDestroy(&boxes);
    }
    return lines;
}

QString readLine(Engine& engine, const QRect& page, const QRect& line)
{
    // A margin of background around the glyphs, as the engine saw them on the page.
    const int pad = std::max(4, line.height() / 4);
    const QRect area = line.adjusted(-pad, -pad, pad, pad).intersected(page);
    if (area.isEmpty())
        return {};
    // The line is read in its place on the page: the engine reads a rectangle of the
    // page better than the same pixels cut out.
    engine.api().SetRectangle(area.x(), area.y(), area.width(), area.height());
    std::unique_ptr<char[]> text(engine.api().GetUTF8Text());
    return text ? QString::fromUtf8(text.get()) : QString();
}

} // namespace

int TesseractRecognizer::estimateTextRows(const QImage& grey)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return 0;
    int rows = 0;
    int run = 0;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        const auto [low, high] = std::minmax_element(row, row + grey.width());
        const bool ink = *high - *low > 48;
        run = ink ? run + 1 : 0;
        if (run == 3) // a row of text is a few pixels high at least
            ++rows;
    }
    return rows;
}

TextRecognitionResult TesseractRecognizer::recognize(const QImage& image, const Options& options)
{
    const QImage grey = image.format() == QImage::Format_Grayscale8 ? image
                                                                       : image.convertToFormat(QImage::Format_Grayscale8);
    if (grey.isNull() || grey.width() <= 0 || grey.height() <= 0)
        return {};
    quietEngineNotes();
    const QByteArray languages = options.languages.toUtf8();
    // Every engine reads the whole page (its own copy), as dark ink on white paper. The
    // paper is made while the engines start, and is ready before they read.
    QImage paper;
    const int cores = options.maxEngines > 0 ? options.maxEngines : std::max(1, QThread::idealThreadCount());

    std::mutex mutex;
    std::condition_variable layoutReady;
    std::optional<std::vector<QRect>> lines; // set once they are known
    bool layoutDone = false;
    std::vector<QString> texts;
    std::atomic<int> next{0};
    std::atomic<int> started{0};

    auto work = [&] {
        Engine engine;
        const bool ok = engine.start(options, languages, tesseract::PSM_SINGLE_LINE);
        if (ok)
            ++started;
        std::unique_lock lock(mutex);
        layoutReady.wait(lock, [&] { return layoutDone; });
        lock.unlock();
        if (!ok || !lines || lines->empty())
            return;
        const PixPtr page = makePix(paper);
        if (!page)
            return;
        engine.api().SetImage(page.get());
        // The page carries no resolution; the engine's usual assumption, without its warning.
        engine.api().SetSourceResolution(70);
        for (int i = next++; i < int(lines->size()); i = next++)
            texts[size_t(i)] = readLine(engine, grey.rect(), (*lines)[size_t(i)]);
    };

    // The engines start while the lines are being found; their number follows a quick
    // count of the rows, and grows once the lines are known. Starting one costs about
    // as much as reading three lines (and some 100 MB while it runs): fewer lines share one.
    const auto enginesFor = [cores](int lines) { return std::clamp((lines + linesPerEngine - 1) / linesPerEngine, 1, cores); };
    std::vector<std::thread> workers;
    const int early = enginesFor(estimateTextRows(grey));
    for (int i = 0; i < early; ++i)
        workers.emplace_back(work);

    paper = TextRecognition::inkOnPaper(grey);
    if (paper.isNull()) // no memory for it: the page as it is still reads on plain grounds
        paper = grey;
    const PixPtr page = makePix(paper);
    std::optional<std::vector<QRect>> found = page ? findLines(page.get(), options) : std::nullopt;
    {
        std::lock_guard lock(mutex);
        lines = std::move(found);
        if (lines)
            texts.resize(lines->size());
        layoutDone = true;
    }
    layoutReady.notify_all();
    const int wanted = lines && !lines->empty() ? enginesFor(int(lines->size())) : 0;
    for (int i = early; i < wanted; ++i)
        workers.emplace_back(work);
    for (std::thread& worker : workers)
        worker.join();

    if (!lines || started == 0)
        return TextRecognitionResult::failed(
            QStringLiteral("Tesseract could not start with the languages %1").arg(options.languages));
    QStringList read;
    read.reserve(qsizetype(texts.size()));
    for (QString& text : texts)
        read.append(std::move(text));
    return {TextRecognition::joinRecognizedLines(read), std::nullopt};
}

TextRecognizer TesseractRecognizer::engine(Options options)
{
    return [options = std::move(options)](const QImage& grey) { return recognize(grey, options); };
}
