// A file whose name is not UTF-8, named on the real program's command line, opens in the
// editor: the name's bytes reach the file as they were given.
#include "XvfbDesktop.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <cstdio>

namespace {

class CommandLineFileNames : public DesktopTest {
protected:
    DesktopOptions desktopOptions() const override { return {.windowManager = true}; }
};

} // namespace

TEST_F(CommandLineFileNames, AnImageWhoseNameIsNotUtf8OpensFromTheCommandLine)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QString saved = desktop().saveImage(QStringLiteral("plain.png"), image);
    ASSERT_FALSE(saved.isEmpty());
    QFile plain(saved);
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    const QByteArray bytes = plain.readAll();
    // "bad", the bytes FF and FE, ".png": no UTF-8 at all.
    const QByteArray name = QFile::encodeName(desktop().workDir()) + "/bad\xff\xfe.png";
    FILE* file = std::fopen(name.constData(), "wb");
    ASSERT_TRUE(file);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
    std::fclose(file);

    // Handed to the program byte for byte by the shell (a QString argument would not be).
    QProcess* lumetra = desktop().startBackground(
        QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$1/$(printf 'bad\\377\\376.png')\""),
                               QStringLiteral(LUMETRA_BINARY), desktop().workDir()});
    ASSERT_TRUE(lumetra);
    EXPECT_TRUE(desktop().waitForWindow(QStringLiteral("^Lumetra - bad.*\\.png$"), 30000))
        << "no editor window for the file: " << lumetra->readAllStandardOutput().toStdString();
    EXPECT_FALSE(desktop().waitForWindow(QStringLiteral("^Could Not Open Image$"), 2000));
}
