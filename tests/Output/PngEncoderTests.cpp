#include "Output/ImageEncoder.h"

#include <QColorSpace>
#include <QRandomGenerator>
#include <QThreadPool>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

namespace {

enum class Kind { opaque, translucent, fewOpaque, fewTranslucent };

// Random pixels; the "few" kinds draw from `colours` random colours.
QImage randomImage(int width, int height, Kind kind, int colours = 256, quint32 seed = 1)
{
    QRandomGenerator random(seed);
    const bool alpha = kind == Kind::translucent || kind == Kind::fewTranslucent;
    QList<QRgb> palette;
    for (int i = 0; i < colours; ++i)
        palette.append(random.generate() | (alpha ? 0u : 0xff000000u));
    QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const bool few = kind == Kind::fewOpaque || kind == Kind::fewTranslucent;
            // Runs and repeated rows, as on screens, between random stretches.
            const QRgb p = few ? palette[int(random.bounded(colours))] : random.generate();
            row[x] = (x % 7 < 3 && x > 0) ? row[x - 1] : (alpha ? p : (p | 0xff000000u));
        }
    }
    // Premultiplied, as the editor hands images over; its straight form is what the file must hold.
    return alpha ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied) : image;
}

// Straight ARGB32 through libpng's own reader.
QImage decodeWithLibpng(const QByteArray& data)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data.constData(), std::size_t(data.size())))
        return {};
    png.format = PNG_FORMAT_BGRA;
    QImage image(int(png.width), int(png.height), QImage::Format_ARGB32);
    if (!png_image_finish_read(&png, nullptr, image.bits(), int(image.bytesPerLine()), nullptr))
        return {};
    return image;
}

int colourType(const QByteArray& png)
{
    return png.size() > 25 ? uchar(png[25]) : -1;
}

// The concatenated IDAT data and how many IDAT chunks hold it.
std::pair<QByteArray, int> idatData(const QByteArray& png)
{
    QByteArray data;
    int chunks = 0;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const quint32 length = quint32(uchar(png[at])) << 24 | quint32(uchar(png[at + 1])) << 16
            | quint32(uchar(png[at + 2])) << 8 | uchar(png[at + 3]);
        if (png.mid(at + 4, 4) == "IDAT") {
            data += png.mid(at + 8, length);
            ++chunks;
        }
        at += 12 + qsizetype(length);
    }
    return {data, chunks};
}

} // namespace

TEST(PngEncoder, EveryOutputDecodesToTheSamePixelsWithLibpngAndQt)
{
    struct Case {
        int width, height;
        Kind kind;
        int colours;
        int expectedType; // IHDR colour type; -1: either
    };
    std::vector<Case> cases;
    for (int width : {1, 2, 3, 5, 8, 13, 31})
        for (int height : {1, 2, 3, 7, 16})
            for (Kind kind : {Kind::opaque, Kind::translucent, Kind::fewOpaque, Kind::fewTranslucent})
                cases.push_back({width, height, kind, 3 + width % 5, -1});
    // Several bands each, and every palette depth (1, 2, 4 and 8 bits).
    cases.insert(cases.end(), {{1201, 1303, Kind::opaque, 0, 2},
                               {1199, 997, Kind::translucent, 0, 6},
                               {1203, 1001, Kind::fewOpaque, 2, 3},
                               {997, 1201, Kind::fewTranslucent, 4, 3},
                               {1001, 999, Kind::fewOpaque, 16, 3},
                               {1003, 1005, Kind::fewTranslucent, 256, 3},
                               {333, 211, Kind::fewOpaque, 257, 2}});
    for (const Case& c : cases) {
        const QImage image = randomImage(c.width, c.height, c.kind, c.colours);
        const QByteArray png = ImageEncoding::encodePng(image);
        const QImage expected = image.convertToFormat(QImage::Format_ARGB32);
        const std::string what = std::to_string(c.width) + "x" + std::to_string(c.height) + " kind "
            + std::to_string(int(c.kind)) + " colours " + std::to_string(c.colours);
        EXPECT_EQ(decodeWithLibpng(png), expected) << what;
        EXPECT_EQ(QImage::fromData(png, "PNG").convertToFormat(QImage::Format_ARGB32), expected) << what;
        if (c.expectedType >= 0) {
            EXPECT_EQ(colourType(png), c.expectedType) << what;
        }
    }
}

TEST(PngEncoder, BandsJoinIntoOneZlibStreamThatZlibInflates)
{
    const QImage image = randomImage(1500, 2000, Kind::translucent);
    const auto [data, chunks] = idatData(ImageEncoding::encodePng(image));
    // Two bands a thread: a two-core machine makes four.
    EXPECT_GT(chunks, 1) << "the image should have been cut into bands";

    QByteArray inflated(qsizetype(2000) * (1 + 1500 * 4) + 1, '\0');
    z_stream stream{};
    ASSERT_EQ(inflateInit(&stream), Z_OK);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(inflated.data());
    stream.avail_out = uInt(inflated.size());
    // zlib checks the Adler-32 trailer itself before it reports the end.
    EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END) << (stream.msg ? stream.msg : "");
    EXPECT_EQ(stream.avail_in, 0u) << "bytes after the end of the stream";
    EXPECT_EQ(stream.total_out, uLong(inflated.size() - 1));
    inflateEnd(&stream);
    const QByteArray tail = data.right(4);
    const uLong adler = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(inflated.constData()),
                                uInt(inflated.size() - 1));
    EXPECT_EQ(uLong(quint32(uchar(tail[0])) << 24 | quint32(uchar(tail[1])) << 16 | quint32(uchar(tail[2])) << 8
                    | uchar(tail[3])),
              adler);
}

TEST(PngEncoder, KeepsColourSpaceAndDensity)
{
    QImage image = randomImage(40, 30, Kind::opaque);
    image.setColorSpace(QColorSpace::DisplayP3);
    image.setDotsPerMeterX(5669);
    image.setDotsPerMeterY(2835);
    const QImage back = QImage::fromData(ImageEncoding::encodePng(image), "PNG");
    EXPECT_EQ(back.colorSpace(), QColorSpace(QColorSpace::DisplayP3));
    EXPECT_EQ(back.dotsPerMeterX(), 5669);
    EXPECT_EQ(back.dotsPerMeterY(), 2835);
}

TEST(PngEncoder, AFlatScreenIsTiny)
{
    QImage screen(1920, 1080, QImage::Format_RGB32);
    screen.fill(qRgb(236, 236, 236));
    const QByteArray png = ImageEncoding::encodePng(screen);
    EXPECT_LT(png.size(), 2000);
    EXPECT_EQ(QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32), screen);
}

TEST(PngEncoder, FinishesOnAPoolThreadWhenNoOtherPoolThreadIsFree)
{
    // Captures are encoded on a pool thread; on a single core it is the pool's only one.
    QThreadPool* pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    pool->setMaxThreadCount(1);
    const QImage image = randomImage(600, 400, Kind::fewOpaque); // two bands, and the palette trial
    QByteArray png;
    pool->start([&] { png = ImageEncoding::encodePng(image); });
    const bool finished = pool->waitForDone(20000);
    pool->setMaxThreadCount(threads); // lets a stuck encoder go on, so the test can end
    pool->waitForDone();
    EXPECT_TRUE(finished) << "the encoder waited for pool threads that could not start";
    EXPECT_EQ(QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32), image);
}
