#include "Platform/ImageFileReader.h"

#include "PsdTestFiles.h"
#include "support/NonRegularFiles.h"
#include "support/ProcessCounters.h"

#include <QBuffer>
#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <libheif/heif.h>
#include <zlib.h>

#include <unistd.h>

#include <cstring>
#include <future>
#include <thread>

namespace {

// Left half red, right half blue, with a green bar along the top: orientation and
// colour both show.
QImage testPattern(int w = 64, int h = 32)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, w / 2, h, Qt::red);
    p.fillRect(w / 2, 0, w - w / 2, h, Qt::blue);
    p.fillRect(0, 0, w, h / 4, Qt::green);
    return image;
}

bool near(QRgb a, QRgb b, int tolerance = 40)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

void expectPattern(const QImage& image, int tolerance = 40)
{
    ASSERT_EQ(image.size(), QSize(64, 32));
    EXPECT_TRUE(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied)
        << image.format();
    EXPECT_EQ(image.devicePixelRatio(), 1.0);
    EXPECT_TRUE(near(image.pixel(8, 24), qRgb(255, 0, 0), tolerance)) << std::hex << image.pixel(8, 24);
    EXPECT_TRUE(near(image.pixel(56, 24), qRgb(0, 0, 255), tolerance)) << std::hex << image.pixel(56, 24);
    EXPECT_TRUE(near(image.pixel(32, 2), qRgb(0, 255, 0), tolerance)) << std::hex << image.pixel(32, 2);
}

quint32 crc32(const QByteArray& data) { return quint32(::crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size()))); }

// A GIF of 2 x 1 pixels, red then blue, its LZW codes (clear, 0, 1, end) written by hand.
const QByteArray kGif("GIF89a\x02\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\xff"
                      ",\x00\x00\x00\x00\x02\x00\x01\x00\x00\x02\x02\x44\x0a\x00;",
                      35);

QByteArray encodeHeif(const QImage& source)
{
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    if (heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder).code != heif_error_Ok) {
        heif_context_free(ctx);
        return {};
    }
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_image* image = nullptr;
    heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + y * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
    heif_context_encode_image(ctx, image, encoder, nullptr, nullptr);
    heif_encoder_release(encoder);
    heif_image_release(image);

    QByteArray data;
    heif_writer writer {};
    writer.writer_api_version = 1;
    writer.write = [](heif_context*, const void* bytes, size_t size, void* userdata) {
        static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(bytes), qsizetype(size));
        return heif_error { heif_error_Ok, heif_suberror_Unspecified, "" };
    };
    heif_context_write(ctx, &writer, &data);
    heif_context_free(ctx);
    return data;
}

// An 8-bit grey PNG of side x side black pixels, compressed a row at a time.
QByteArray greyPng(quint32 side)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8), header, compressed;
    const auto chunk = [&png](const char* type, const QByteArray& data) {
        QDataStream out(&png, QIODevice::Append);
        out << quint32(data.size());
        out.writeRawData(type, 4);
        out.writeRawData(data.constData(), int(data.size()));
        out << crc32(type + data);
    };
    QDataStream(&header, QIODevice::WriteOnly) << side << side << quint8(8) << quint8(0) << quint8(0) << quint8(0) << quint8(0);
    z_stream zip {};
    deflateInit(&zip, 1);
    QByteArray row(side + 1, '\0'); // the filter byte, then the pixels
    char out[65536];
    for (quint32 y = 0; y <= side; ++y) {
        zip.next_in = reinterpret_cast<Bytef*>(row.data());
        zip.avail_in = y < side ? uInt(row.size()) : 0;
        do {
            zip.next_out = reinterpret_cast<Bytef*>(out);
            zip.avail_out = sizeof out;
            deflate(&zip, y < side ? Z_NO_FLUSH : Z_FINISH);
            compressed.append(out, qsizetype(sizeof out - zip.avail_out));
        } while (zip.avail_out == 0);
    }
    deflateEnd(&zip);
    chunk("IHDR", header);
    chunk("IDAT", compressed);
    chunk("IEND", {});
    return png;
}

class ImageFileReaderTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& data)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return path;
    }
    QByteArray encode(const QImage& image, const char* format, int quality = -1)
    {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        if (quality >= 0)
            writer.setQuality(quality);
        EXPECT_TRUE(writer.write(image)) << format << writer.errorString().toStdString();
        return data;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(ImageFileReaderTest, ReadsEveryFormatMadeHere)
{
    const QImage pattern = testPattern();
    PsdTestFiles::Recipe psd{.width = 64, .height = 32, .compression = 1};
    psd.sample = [&](int c, int x, int y) {
        const QRgb p = pattern.pixel(x, y);
        return c == 0 ? qRed(p) : c == 1 ? qGreen(p) : qBlue(p);
    };
    struct Case {
        const char* name;
        QByteArray data;
        int tolerance;
    };
    const QList<Case> cases {
        { "a.png", encode(pattern, "png"), 0 },
        { "a.jpg", encode(pattern, "jpeg", 95), 40 },
        { "a.tiff", encode(pattern, "tiff"), 0 },
        { "a.bmp", encode(pattern, "bmp"), 0 },
        { "a.webp", encode(pattern, "webp", 100), 40 },
        { "layered.psd", PsdTestFiles::build(psd), 0 },
        // The name says PNG: the content decides.
        { "misnamed.png", encodeHeif(pattern), 60 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = ImageFileReader::readFile(write(QString::fromLatin1(c.name), c.data));
        ASSERT_TRUE(result.ok()) << result.error.toStdString();
        expectPattern(result.image, c.tolerance);
    }
    const auto gif = ImageFileReader::readFile(write(QStringLiteral("a.gif"), kGif));
    ASSERT_TRUE(gif.ok()) << gif.error.toStdString();
    EXPECT_EQ(gif.image.format(), QImage::Format_RGB32);
    EXPECT_EQ(gif.image.size(), QSize(2, 1));
    EXPECT_EQ(gif.image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(gif.image.pixel(1, 0), qRgb(0, 0, 255));
}

TEST_F(ImageFileReaderTest, AppliesExifOrientation)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    ASSERT_TRUE(writer.supportsOption(QImageIOHandler::ImageTransformation));
    writer.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(writer.write(testPattern()));
    const auto result = ImageFileReader::readFile(write(QStringLiteral("rotated.jpg"), data));
    ASSERT_TRUE(result.ok());
    // Turned a quarter clockwise: the green bar is now on the right edge.
    EXPECT_EQ(result.image.size(), QSize(32, 64));
    EXPECT_TRUE(near(result.image.pixel(30, 32), qRgb(0, 255, 0)));
    EXPECT_TRUE(near(result.image.pixel(5, 5), qRgb(255, 0, 0)));
}

TEST_F(ImageFileReaderTest, KeepsAlphaPremultiplied)
{
    QImage image(10, 10, QImage::Format_ARGB32);
    image.fill(qRgba(255, 0, 0, 128));
    const auto result = ImageFileReader::readData(encode(image, "png"));
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.image.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(qAlpha(result.image.pixel(3, 3)), 128);
}

TEST_F(ImageFileReaderTest, EmptyNonImageHugeClaimingAndPartialHeifFilesAreRefused)
{
    EXPECT_FALSE(ImageFileReader::readFile(write(QStringLiteral("empty.png"), QByteArray())).ok());
    EXPECT_FALSE(ImageFileReader::readFile(write(QStringLiteral("notes.jpg"), QByteArray("just some text, not a picture"))).ok());
    EXPECT_FALSE(ImageFileReader::readData(QByteArray()).ok());

    // A PNG claiming 100000 x 100000 pixels is refused without allocating them. IHDR
    // data starts at 16; width and height are 4 bytes each, then the CRC at 29.
    QByteArray png = encode(testPattern(), "png");
    png.replace(16, 8, QByteArray("\x00\x01\x86\xa0\x00\x01\x86\xa0", 8));
    qToBigEndian(crc32(png.mid(12, 17)), png.data() + 29);
    EXPECT_FALSE(ImageFileReader::readData(png).ok());
    // The HEIF path never returns a partial picture.
    EXPECT_FALSE(ImageFileReader::readData(encodeHeif(testPattern()).left(200)).ok());
}

TEST_F(ImageFileReaderTest, AHugeFileOfADecodedByUsFormatIsRefusedWithoutBeingRead)
{
    // A header, then 4 GiB of nothing (a sparse file takes no disk).
    const QByteArray heifHeader = encodeHeif(testPattern()).left(64);
    ASSERT_TRUE(ImageFileReader::looksLikeHeif(heifHeader));
    for (const QByteArray& header : {QByteArray("8BPS\x00\x01", 6) + QByteArray(20, '\0'), heifHeader}) {
        SCOPED_TRACE(header.left(12).toHex().toStdString());
        const QString path = write(QStringLiteral("sparse"), header);
        ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), qint64(4) << 30), 0);
        const qint64 before = ProcessCounters::bytesRead();
        EXPECT_FALSE(ImageFileReader::readFile(path).ok());
        EXPECT_LT(ProcessCounters::bytesRead() - before, 1 << 20);
    }
}

TEST_F(ImageFileReaderTest, AGreyImageAndItsConvertedCopyStayWithinTheDecodeBound)
{
    ASSERT_EQ(ImageFileReader::readData(greyPng(64)).image.pixel(9, 9), qRgb(0, 0, 0)); // a real PNG, small
    // Half a megabyte of PNG, 529 MB of grey pixels, 2.1 GB more once made 32-bit.
    const QString path = write(QStringLiteral("grey.png"), greyPng(23000));
    const qint64 growth = ProcessCounters::peakResidentGrowth([&] { ImageFileReader::readFile(path); });
    ASSERT_GE(growth, 0) << "the peak of resident memory cannot be measured here";
    EXPECT_LE(growth, ImageFileReader::maxDecodedBytes);
}

TEST_F(ImageFileReaderTest, WhatIsNotARegularFileIsRefusedAtOnce)
{
    for (const NonRegularFiles::Case& special : NonRegularFiles::make(dir.path())) {
        SCOPED_TRACE(special.kind);
        // On a thread of its own, so that a reader stuck in open() fails the test
        // instead of hanging it.
        auto done = std::make_shared<std::promise<ImageFileReader::Result>>();
        std::future<ImageFileReader::Result> result = done->get_future();
        std::thread([done, path = special.path] { done->set_value(ImageFileReader::readFile(path)); }).detach();
        ASSERT_EQ(result.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        const ImageFileReader::Result outcome = result.get();
        EXPECT_FALSE(outcome.ok());
        EXPECT_FALSE(outcome.error.isEmpty());
    }
}

namespace {

// A stand-in for the HEIF decoding program, written as a shell script.
QString decoderScript(const QTemporaryDir& dir, const QString& name, const QString& body)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\ncat >/dev/null\n" + body.toUtf8() + "\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

} // namespace

TEST_F(ImageFileReaderTest, HeifDecodesInAChildWhoseFaultsCostOnlyTheImage)
{
    const QByteArray heic = encodeHeif(testPattern());
    ASSERT_FALSE(heic.isEmpty()) << "no HEVC encoder in libheif";
    EXPECT_TRUE(ImageFileReader::looksLikeHeif(heic));
    ASSERT_FALSE(ImageFileReader::heifDecoderProgram().isEmpty());
    // The real program, capped as it is, decodes a real file.
    auto decoded = ImageFileReader::readHeifWith(ImageFileReader::heifDecoderProgram(), heic, 20000);
    ASSERT_TRUE(decoded.ok()) << decoded.error.toStdString();
    expectPattern(decoded.image, 60);

    // The answer header: magic, status 0, then width, height, channels, message length
    // as little-endian 32-bit numbers (octal escapes for printf).
    const QString header = QStringLiteral("printf 'LMHEIF1\\n\\0\\0\\0\\0%1\\4\\0\\0\\0\\0\\0\\0\\0'");
    const std::pair<const char*, QString> cases[] { // what the program does, as a script
        {"crashes", QStringLiteral("kill -SEGV $$")},
        {"hangs", QStringLiteral("sleep 30")},
        {"says nothing", QStringLiteral("exit 0")},
        {"answers nonsense", QStringLiteral("echo not a decoder")},
        // A plane of 56576 x 30001 announced (6.8 GB at 4 bytes a pixel), then nothing:
        // refused from the header, not waited for row by row.
        {"announces a huge plane", header.arg(QStringLiteral("\\0\\335\\0\\0\\61\\165\\0\\0")) + QStringLiteral("; sleep 30")},
        // 16 x 16 announced, then the rows break off.
        {"breaks off", header.arg(QStringLiteral("\\20\\0\\0\\0\\20\\0\\0\\0")) + QStringLiteral("; printf 'abcd'")},
    };
    for (const auto& [name, body] : cases) {
        SCOPED_TRACE(name);
        QElapsedTimer clock;
        clock.start();
        const auto result = ImageFileReader::readHeifWith(decoderScript(dir, QString::fromLatin1(name), body), heic, 3000);
        EXPECT_FALSE(result.ok());
        EXPECT_FALSE(result.error.isEmpty());
        // Only the hanging program uses up the deadline.
        EXPECT_LT(clock.elapsed(), QByteArray(name) == "hangs" ? 6000 : 2500);
    }
}
