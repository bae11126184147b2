// File names that are not UTF-8 name their files all the way to the image, and a file
// the system will not let us read is told apart from one that is no image.
#include "Platform/ImageFileReader.h"
#include "Platform/LocalFileName.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <thread>

namespace {

bool writeBytes(const QByteArray& name, const QByteArray& content)
{
    FILE* file = std::fopen(name.constData(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(content.constData(), 1, size_t(content.size()), file) == size_t(content.size());
    return std::fclose(file) == 0 && written;
}

QByteArray png(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

TEST(LocalFileName, EveryNameGivesItsOwnBytesBackAndUtf8NamesReadAsQtReadsThem)
{
    const QByteArray names[] = {
        "/tmp/plain.png",
        "/tmp/bad\xff\xfe.png",            // no UTF-8 at all
        "/tmp/caf\xe9.png",                // Latin-1
        "/tmp/\xe6\x88\xaa\xe5\x9b\xbe.png", // 截图, UTF-8
        "/tmp/\xf0\x9f\x93\xb7.png",       // 📷, outside the basic plane
        "/tmp/\xe6\x88.png",               // a UTF-8 sequence cut short
        "/tmp/\xc0\xaf.png",               // an overlong "/"
        "/tmp/\xed\xb3\xbf.png",           // a surrogate spelt in UTF-8
        "/tmp/\xf4\x90\x80\x80.png",       // above U+10FFFF
    };
    for (const QByteArray& bytes : names) {
        const QString name = LocalFileName::decode(bytes);
        EXPECT_EQ(LocalFileName::encode(name), bytes) << bytes.toHex().constData();
        const bool utf8 = QString::fromUtf8(bytes).toUtf8() == bytes;
        if (utf8)
            EXPECT_EQ(name, QFile::decodeName(bytes)) << bytes.toHex().constData();
        else
            EXPECT_NE(name, QFile::decodeName(bytes)) << bytes.toHex().constData();
    }
}

TEST(LocalFileName, FileAddressesGiveTheBytesTheyEscape)
{
    const struct {
        QByteArray url;
        std::optional<QByteArray> path;
    } rows[] = {
        {"file:///tmp/bad%FF%FE.png", QByteArray("/tmp/bad\xff\xfe.png")},
        {"file://localhost/tmp/a%20b.png\r", QByteArray("/tmp/a b.png")},
        {"file:/tmp/%E6%88%AA.png", QByteArray("/tmp/\xe6\x88\xaa.png")},
        {"file://elsewhere/tmp/a.png", std::nullopt},
        {"https://example.org/a.png", std::nullopt},
        {"file:///tmp/a%00.png", std::nullopt},
    };
    for (const auto& row : rows) {
        const std::optional<QString> path = LocalFileName::fromFileUrl(row.url);
        ASSERT_EQ(path.has_value(), row.path.has_value()) << row.url.constData();
        if (path)
            EXPECT_EQ(LocalFileName::encode(*path), *row.path) << row.url.constData();
    }
}

TEST(LocalFileName, AnImageWhoseNameIsNotUtf8Opens)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QByteArray name = QFile::encodeName(folder.path()) + "/bad\xff\xfe.png";
    ASSERT_TRUE(writeBytes(name, png(7, 5)));
    const QString path = LocalFileName::decode(name);
    EXPECT_TRUE(LocalFileName::exists(path));
    EXPECT_EQ(LocalFileName::regularFileSize(path), std::optional<qint64>(png(7, 5).size()));
    const ImageFileReader::Result read = ImageFileReader::readFile(path);
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_EQ(read.image.size(), QSize(7, 5));
}

// The reason the system gives travels with the failure: a file we may not read is not
// "no image". Root reads every file whatever its mode, so the reading thread drops
// root's file-system rights (they belong to that thread alone) where the tests run as root.
TEST(LocalFileName, AFileWithoutReadPermissionIsToldApartFromOneThatIsNoImage)
{
    // In /tmp, which everyone may pass through.
    QTemporaryDir folder(QStringLiteral("/tmp/lumetra-permission-XXXXXX"));
    ASSERT_TRUE(folder.isValid());
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0755), 0);
    const QString locked = folder.filePath(QStringLiteral("locked.png"));
    const QString notImage = folder.filePath(QStringLiteral("notes.png"));
    const QString image = folder.filePath(QStringLiteral("image.png"));
    ASSERT_TRUE(writeBytes(QFile::encodeName(locked), png(4, 4)));
    ASSERT_TRUE(writeBytes(QFile::encodeName(notImage), "no image in here"));
    ASSERT_TRUE(writeBytes(QFile::encodeName(image), png(4, 4)));
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(notImage).constData(), 0644), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(image).constData(), 0644), 0);

    const struct {
        QString path;
        bool ok;
        int systemError;
    } rows[] = {{locked, false, EACCES}, {notImage, false, 0}, {image, true, 0}};
    for (const auto& row : rows) {
        ImageFileReader::Result read;
        std::thread([&] {
            if (::geteuid() == 0)
                ::setfsuid(65534); // nobody
            read = ImageFileReader::readFile(row.path);
        }).join();
        EXPECT_EQ(read.ok(), row.ok) << row.path.toStdString() << ": " << read.error.toStdString();
        EXPECT_EQ(read.systemError, row.systemError) << row.path.toStdString() << ": " << read.error.toStdString();
    }
}
