// The clipboard pasteboard on a real X server: what other X clients see of our writes,
// and how their writes move our change count. Driven through the pasteboard probe.
#include "XvfbDesktop.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QThread>

namespace {

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage sampleImage()
{
    QImage image(64, 48, QImage::Format_ARGB32);
    image.fill(QColor(30, 160, 90));
    QPainter painter(&image);
    painter.fillRect(10, 10, 20, 15, QColor(200, 40, 40, 180));
    return image;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class PasteboardX11Test : public DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        if (HasFatalFailure())
            return;
        m_probe = desktop().startBackground(QStringLiteral(LUMETRA_PASTEBOARD_PROBE), {});
        ASSERT_NE(m_probe, nullptr) << desktop().errorString().toStdString();
        const QString greeting = readLine();
        ASSERT_TRUE(greeting.startsWith(QStringLiteral("ready"))) << greeting.toStdString();
    }

    // One command, one answer line.
    QString ask(const QString& command)
    {
        m_probe->write(command.toUtf8() + '\n');
        m_probe->waitForBytesWritten(5000);
        return readLine();
    }

    qint64 count() { return ask(QStringLiteral("count")).section(QLatin1Char(' '), 1).toLongLong(); }

    // The count once it has stopped moving: late notifications would show up here.
    qint64 settledCount()
    {
        qint64 last = count();
        for (int i = 0; i < 6; ++i) {
            QThread::msleep(100);
            const qint64 now = count();
            if (now != last)
                i = 0;
            last = now;
        }
        return last;
    }

    QString path(const QString& name) { return QDir(desktop().workDir()).filePath(name); }

private:
    QString readLine()
    {
        QElapsedTimer timer;
        timer.start();
        while (!m_probe->canReadLine() && timer.elapsed() < 10000)
            m_probe->waitForReadyRead(100);
        return QString::fromUtf8(m_probe->readLine()).trimmed();
    }

    QProcess* m_probe = nullptr;
};

} // namespace

TEST_F(PasteboardX11Test, WritesEitherWayReachTheOtherSideEachCountingOnce)
{
    const QImage image = sampleImage();
    const QByteArray png = encoded(image, "PNG");
    QFile file(path(QStringLiteral("in.png")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(png);
    file.close();

    const qint64 before = settledCount();
    EXPECT_EQ(ask(QStringLiteral("setimage ") + file.fileName()), QStringLiteral("ok %1").arg(before + 1));
    EXPECT_EQ(settledCount(), before + 1) << "one write of ours must be one change";
    const QStringList types = desktop().clipboardTypes();
    EXPECT_TRUE(types.contains(QStringLiteral("image/png"))) << types.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(types.contains(QStringLiteral("image/tiff"))) << types.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(desktop().clipboard(QStringLiteral("image/png")), png);
    const auto tiff = desktop().clipboard(QStringLiteral("image/tiff"));
    ASSERT_TRUE(tiff.has_value());
    EXPECT_EQ(QImage::fromData(*tiff, "TIFF").convertToFormat(QImage::Format_ARGB32), image);

    EXPECT_EQ(ask(QStringLiteral("settext #FF8800 颜色")), QStringLiteral("ok %1").arg(before + 2));
    EXPECT_EQ(desktop().clipboard(QStringLiteral("UTF8_STRING")), QStringLiteral("#FF8800 颜色").toUtf8());
    EXPECT_EQ(ask(QStringLiteral("clear")), QStringLiteral("ok %1").arg(before + 3));
    EXPECT_EQ(settledCount(), before + 3);
    EXPECT_EQ(ask(QStringLiteral("text")), QStringLiteral("none"));

    // Another program's writes are counted and readable.
    ASSERT_TRUE(desktop().setClipboard(encoded(image, "PNG"), QStringLiteral("image/png")));
    const qint64 afterImage = settledCount();
    EXPECT_EQ(afterImage, before + 4);
    ASSERT_EQ(ask(QStringLiteral("png ") + path(QStringLiteral("out.png"))), QStringLiteral("ok"));
    EXPECT_EQ(readAll(path(QStringLiteral("out.png"))), encoded(image, "PNG")) << "the bytes as offered";
    EXPECT_EQ(QImage::fromData(readAll(path(QStringLiteral("out.png"))), "PNG").convertToFormat(QImage::Format_ARGB32), image);
    // Nothing offers TIFF, but the image converts.
    ASSERT_EQ(ask(QStringLiteral("tiff ") + path(QStringLiteral("out.tiff"))), QStringLiteral("ok"));
    EXPECT_EQ(QImage::fromData(readAll(path(QStringLiteral("out.tiff"))), "TIFF").convertToFormat(QImage::Format_ARGB32), image);

    ASSERT_TRUE(desktop().setClipboard(QStringLiteral("Grüße, 世界").toUtf8(), QStringLiteral("UTF8_STRING")));
    EXPECT_EQ(settledCount(), afterImage + 1);
    EXPECT_EQ(ask(QStringLiteral("text")), QStringLiteral("text Grüße, 世界"));
    EXPECT_EQ(ask(QStringLiteral("png ") + path(QStringLiteral("none.png"))), QStringLiteral("none"));
}
