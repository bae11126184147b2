// Lumetra's PNG writer: every capture, copy and save ends here. The image is cut
// into bands of rows that are filtered and compressed on all cores at once and
// joined into one zlib stream (see ZlibBands.h); images of at most 256 colours
// are also tried as a palette. What a decoder gets back is exactly what Qt's
// PNG writer used to store: the same colour profile and density, RGB for opaque
// pixels and straight (unpremultiplied) alpha from Qt's own conversion.
#include "Output/ImageEncoder.h"

#include "Base/PoolBands.h"
#include "Output/PngScanlines.h"
#include "Output/ZlibBands.h"

#include <QColorSpace>
#include <QThreadPool>

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <numeric>
#include <optional>

using namespace PngScanlines;

namespace {

struct Band {
    int first = 0;
    int last = 0;
};

// Each band starts its compression afresh (no earlier data to refer back to)
// and ends with a five-byte flush, which costs a little size; two bands per
// thread keep every core busy even when one is slowed by other work.
constexpr qsizetype minimumBandBytes = 256 * 1024;
constexpr qsizetype maximumBandBytes = 8 * 1024 * 1024;
// How much of an image of few colours is tried both as palette and truecolour.
constexpr qsizetype sampleBytes = 256 * 1024;

std::vector<Band> planBands(const QImage& image)
{
    const qsizetype total = qsizetype(image.width()) * 4 * image.height();
    const qsizetype threads = std::max(1, QThreadPool::globalInstance()->maxThreadCount());
    qsizetype count = std::clamp<qsizetype>(total / minimumBandBytes, 1, 2 * threads);
    count = std::min<qsizetype>(std::max(count, (total + maximumBandBytes - 1) / maximumBandBytes), image.height());
    const int rows = int((image.height() + count - 1) / count);
    std::vector<Band> bands;
    for (int y = 0; y < image.height(); y += rows)
        bands.push_back({y, std::min(image.height(), y + rows)});
    return bands;
}

// What a thread needs to encode a band: lent from band to band, and freed with
// the image (a tray program should not keep megabytes per pool thread).
struct Worker {
    explicit Worker(int level)
        : compressor(level)
    {
    }
    std::uint8_t* rawBuffer(std::size_t size)
    {
        if (size > rawCapacity) {
            raw.reset(new (std::nothrow) std::uint8_t[size]);
            rawCapacity = raw ? size : 0;
        }
        return raw.get();
    }
    // One level for every band: photographs gain less from a higher level than
    // screens do, but a lower one left them several percent larger than other
    // encoders' default files.
    ZlibBands::PieceCompressor compressor;
    std::unique_ptr<std::uint8_t[]> raw; // scanlines before compression
    std::size_t rawCapacity = 0;
};

class Workers {
public:
    explicit Workers(int level)
        : m_level(level)
    {
    }
    std::unique_ptr<Worker> take()
    {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_idle.empty()) {
                std::unique_ptr<Worker> worker = std::move(m_idle.back());
                m_idle.pop_back();
                return worker;
            }
        }
        return std::make_unique<Worker>(m_level);
    }
    void give(std::unique_ptr<Worker> worker)
    {
        const std::lock_guard lock(m_mutex);
        m_idle.push_back(std::move(worker));
    }
    int level() const { return m_level; }

private:
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Worker>> m_idle;
    const int m_level;
};

// Runs work(i) for every band on the shared thread pool, the calling thread taking
// bands too (so this is safe from a pool thread); false when any call failed.
template <typename Work>
bool forEachBand(std::size_t count, Work work)
{
    std::atomic<bool> ok{true};
    PoolBands::run(count, [&](std::size_t i) {
        try {
            if (!work(i))
                ok = false;
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    });
    return ok;
}

void appendBigEndian(QByteArray& out, std::uint32_t value)
{
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    out.append(bytes, 4);
}

void appendChunk(QByteArray& png, const char* type, const QByteArray& data)
{
    appendBigEndian(png, std::uint32_t(data.size()));
    png.append(type, 4);
    png.append(data);
    std::uint32_t crc = libdeflate_crc32(0, type, 4);
    appendBigEndian(png, libdeflate_crc32(crc, data.constData(), std::size_t(data.size())));
}

// One band's IDAT chunk body (the first holds the zlib header, the last the
// checksum) and what joining the bands needs.
struct EncodedBand {
    ZlibBands::Bytes payload;
    std::uint32_t crc = 0; // of "IDAT" and the payload so far
    std::uint32_t adler = 0;
    std::size_t rawLength = 0;
};

struct Encoded {
    std::vector<EncodedBand> bands;
    std::size_t size() const
    {
        std::size_t bytes = 0;
        for (const EncodedBand& band : bands)
            bytes += band.payload.size() + 12;
        return bytes;
    }
};

// Bands compressed as the pieces of one zlib stream, unless `alone`: then each
// is a complete stream of its own (for comparing sizes only).
std::optional<Encoded> encodeBands(const QImage& image, const Layout& layout, const PixelPalette* palette,
                                   const std::vector<Band>& bands, Workers& workers, bool alone = false)
{
    Encoded encoded;
    encoded.bands.resize(bands.size());
    const std::size_t rowBytes = layout.rowBytes(image.width()) + 1;
    const bool ok = forEachBand(bands.size(), [&](std::size_t i) {
        std::unique_ptr<Worker> worker = workers.take();
        const std::size_t size = std::size_t(bands[i].last - bands[i].first) * rowBytes;
        std::uint8_t* raw = worker->rawBuffer(size);
        if (!raw)
            return false;
        writeScanlines(image, layout, palette, bands[i].first, bands[i].last, raw);
        EncodedBand& band = encoded.bands[i];
        if (i == 0) {
            const auto header = ZlibBands::header(workers.level());
            if (!band.payload.reserve(header.size()))
                return false;
            band.payload.append(header.data(), header.size());
        }
        const bool last = alone || i + 1 == bands.size();
        if (!worker->compressor.deflate(raw, size, last, band.payload, last ? 4 : 0)) // room for the checksum
            return false;
        band.adler = ZlibBands::adler32(raw, size);
        band.rawLength = size;
        band.crc = libdeflate_crc32(libdeflate_crc32(0, "IDAT", 4), band.payload.data(), band.payload.size());
        workers.give(std::move(worker));
        return true;
    });
    if (!ok)
        return std::nullopt;

    std::uint32_t adler = encoded.bands.front().adler;
    for (std::size_t i = 1; i < encoded.bands.size(); ++i)
        adler = ZlibBands::combineAdler32(adler, encoded.bands[i].adler, encoded.bands[i].rawLength);
    EncodedBand& last = encoded.bands.back();
    const std::uint8_t trailer[4] = {std::uint8_t(adler >> 24), std::uint8_t(adler >> 16), std::uint8_t(adler >> 8),
                                     std::uint8_t(adler)};
    last.payload.append(trailer, 4);
    last.crc = libdeflate_crc32(last.crc, trailer, 4);
    return encoded;
}

// The palette a file stores: PLTE and, when some colour is not opaque, tRNS
// (those colours first, so tRNS stays short).
struct FilePalette {
    PixelPalette index; // pixel key -> file index
    QByteArray plte;
    QByteArray trns;
    Layout layout;
};

std::optional<FilePalette> makeFilePalette(const QImage& image, const PixelPalette& colours)
{
    const std::vector<std::uint32_t>& keys = colours.keys();
    std::vector<QRgb> straight(keys.begin(), keys.end());
    if (image.format() == QImage::Format_ARGB32_Premultiplied) {
        const QImage premultiplied(reinterpret_cast<const uchar*>(keys.data()), int(keys.size()), 1,
                                   QImage::Format_ARGB32_Premultiplied);
        const QImage converted = premultiplied.convertToFormat(QImage::Format_ARGB32);
        if (converted.isNull())
            return std::nullopt;
        std::copy_n(reinterpret_cast<const QRgb*>(converted.constScanLine(0)), keys.size(), straight.begin());
    }
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_partition(order.begin(), order.end(), [&](int i) { return qAlpha(straight[i]) != 255; });

    FilePalette palette;
    for (int i : order) {
        palette.index.insert(keys[i]);
        const QRgb c = straight[i];
        palette.plte.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
        if (qAlpha(c) != 255)
            palette.trns.append(char(qAlpha(c)));
    }
    const int count = int(keys.size());
    palette.layout = {Layout::Colour::palette, count <= 2 ? 1 : count <= 4 ? 2 : count <= 16 ? 4 : 8};
    return palette;
}

// The colour profile chunk as Qt's writer made it: the profile's description as
// its name (a PNG keyword: 1-79 Latin-1 characters), the profile compressed.
QByteArray iccpChunk(const QColorSpace& colorSpace)
{
    const QByteArray profile = colorSpace.iccProfile();
    if (profile.isEmpty())
        return {};
    QByteArray name = colorSpace.description().toLatin1().simplified().left(79);
    name.replace('\0', ' ');
    if (name.isEmpty())
        name = "Custom";
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(9);
    if (!compressor)
        return {};
    QByteArray compressed(qsizetype(libdeflate_zlib_compress_bound(compressor, std::size_t(profile.size()))), '\0');
    const std::size_t size = libdeflate_zlib_compress(compressor, profile.constData(), std::size_t(profile.size()),
                                                      compressed.data(), std::size_t(compressed.size()));
    libdeflate_free_compressor(compressor);
    if (size == 0)
        return {};
    compressed.truncate(qsizetype(size));
    return name + '\0' + '\0' + compressed;
}

QByteArray assemble(const QImage& source, const Layout& layout, const FilePalette* palette, Encoded& encoded)
{
    QByteArray png;
    png.reserve(qsizetype(encoded.size()) + 1024);
    png.append("\x89PNG\r\n\x1a\n", 8);

    QByteArray ihdr;
    appendBigEndian(ihdr, std::uint32_t(source.width()));
    appendBigEndian(ihdr, std::uint32_t(source.height()));
    ihdr.append(char(layout.bitDepth)).append(char(layout.colour)).append(3, '\0');
    appendChunk(png, "IHDR", ihdr);
    if (source.colorSpace().isValid()) {
        const QByteArray iccp = iccpChunk(source.colorSpace());
        if (!iccp.isEmpty())
            appendChunk(png, "iCCP", iccp);
    }
    if (palette) {
        appendChunk(png, "PLTE", palette->plte);
        if (!palette->trns.isEmpty())
            appendChunk(png, "tRNS", palette->trns);
    }
    if (source.dotsPerMeterX() > 0 && source.dotsPerMeterY() > 0) {
        QByteArray phys;
        appendBigEndian(phys, std::uint32_t(source.dotsPerMeterX()));
        appendBigEndian(phys, std::uint32_t(source.dotsPerMeterY()));
        phys.append(char(1)); // per metre
        appendChunk(png, "pHYs", phys);
    }
    for (EncodedBand& band : encoded.bands) {
        appendBigEndian(png, std::uint32_t(band.payload.size()));
        png.append("IDAT", 4);
        png.append(reinterpret_cast<const char*>(band.payload.data()), qsizetype(band.payload.size()));
        appendBigEndian(png, band.crc);
        band.payload = {};
    }
    appendChunk(png, "IEND", {});
    return png;
}


QByteArray encode(const QImage& source, int level)
{
    QImage image = source;
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        break;
    default:
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (image.isNull())
            return {};
    }
    const std::vector<Band> bands = planBands(image);

    std::vector<BandSurvey> surveys(bands.size());
    if (!forEachBand(bands.size(), [&](std::size_t i) {
            surveys[i] = surveyBand(image, bands[i].first, bands[i].last);
            return true;
        }))
        return {};
    bool opaque = true;
    std::optional<PixelPalette> colours{std::in_place};
    for (const BandSurvey& survey : surveys) {
        opaque = opaque && survey.opaque;
        if (colours && survey.manyColours)
            colours.reset();
        for (std::size_t i = 0; colours && i < survey.colours.keys().size(); ++i) {
            if (colours->insert(survey.colours.keys()[i]) < 0)
                colours.reset();
        }
    }
    surveys.clear();

    Workers workers(level);
    const Layout truecolour{opaque ? Layout::Colour::rgb : Layout::Colour::rgba, 8};
    if (colours) {
        // Few colours: a palette is nearly always smaller, but not always (a
        // smooth gradient filters better as truecolour). Rows from the middle,
        // compressed both ways, tell which.
        const std::optional<FilePalette> made = makeFilePalette(image, *colours);
        if (!made)
            return {};
        const FilePalette& palette = *made;
        const int sampleRows
            = int(std::clamp<qsizetype>(sampleBytes / (qsizetype(image.width()) * 3), 1, image.height()));
        const int sampleFirst = (image.height() - sampleRows) / 2;
        const std::vector<Band> sample{{sampleFirst, sampleFirst + sampleRows}};
        std::optional<Encoded> trials[2];
        forEachBand(2, [&](std::size_t i) {
            trials[i] = encodeBands(image, i ? truecolour : palette.layout, i ? nullptr : &palette.index, sample,
                                    workers, true);
            return true;
        });
        if (trials[0] && (!trials[1] || trials[0]->size() <= trials[1]->size())) {
            std::optional<Encoded> indexed = encodeBands(image, palette.layout, &palette.index, bands, workers);
            return indexed ? assemble(source, palette.layout, &palette, *indexed) : QByteArray();
        }
    }
    std::optional<Encoded> encoded = encodeBands(image, truecolour, nullptr, bands, workers);
    return encoded ? assemble(source, truecolour, nullptr, *encoded) : QByteArray();
}

} // namespace

QByteArray ImageEncoding::encodePng(const QImage& source, int level)
{
    if (source.isNull() || source.width() <= 0 || source.height() <= 0)
        return {};
    try {
        return encode(source, std::clamp(level, 0, 12));
    } catch (const std::bad_alloc&) {
        return {};
    }
}
