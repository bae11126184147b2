#include "Models/ImageDocument.h"
#include "Core/Settings.h"
#include "Models/ImageLoadManager.h"

#include "Core/Localization.h"
#include "EditorTestSupport.h"
#include "Platform/UserDefaults.h"

#include <QSignalSpy>
#include <cerrno>
#include <QThread>
#include <gtest/gtest.h>

using namespace EditorTestSupport;

TEST(ImageDocument, ByteCountsReadLikeFileSizes)
{
    EXPECT_EQ(ImageDocument::formatByteCount(0), "Zero KB");
    EXPECT_EQ(ImageDocument::formatByteCount(1), "1 byte");
    EXPECT_EQ(ImageDocument::formatByteCount(999), "999 bytes");
    EXPECT_EQ(ImageDocument::formatByteCount(12'345), "12 KB");
    EXPECT_EQ(ImageDocument::formatByteCount(999'600), "1 MB"); // rounds into the next unit
    EXPECT_EQ(ImageDocument::formatByteCount(2'100'000), "2.1 MB");
    EXPECT_EQ(ImageDocument::formatByteCount(1'250'000'000), "1.25 GB");
}

TEST(ImageDocument, GeneratedNamesUseTheSharedDateForm)
{
    const QDateTime when(QDate(2026, 12, 5), QTime(19, 16, 34), Qt::LocalTime);
    EXPECT_EQ(ImageDocument::generatedImageName(when), "Lumetra 2026-12-05 at 19.16.34.png");
    const QUrl url = ImageDocument::urlForGeneratedName(ImageDocument::generatedImageName(when));
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_EQ(QFileInfo(url.toLocalFile()).fileName(), "Lumetra 2026-12-05 at 19.16.34.png");
}

TEST(ImageDocument, InformationLine)
{
    QTemporaryDir dir;
    const QByteArray png = encode(coordinateImage(40, 30), "png");
    const QString path = writeFile(dir, QStringLiteral("shot.png"), png);
    const std::optional<Image> image = solidImage(40, 30);

    EXPECT_EQ(ImageDocument::infoLine(std::nullopt, QUrl::fromLocalFile(path)), "No image selected");
    EXPECT_EQ(ImageDocument::infoLine(image, std::nullopt), "No image selected");
    EXPECT_EQ(ImageDocument::infoLine(image, QUrl::fromLocalFile(path)),
        QStringLiteral("PNG | 40×30 | ") + ImageDocument::formatByteCount(png.size()));
    // A pasted image has no file: the size is unknown.
    EXPECT_EQ(ImageDocument::infoLine(image, QUrl::fromLocalFile(dir.filePath("Lumetra x.png"))), "PNG | 40×30 | Unknown");
    // No extension: the line begins with the separator.
    EXPECT_EQ(ImageDocument::infoLine(image, QUrl::fromLocalFile(dir.filePath("noext"))), " | 40×30 | Unknown");
    // The size part is in points, truncated; the measured size stays in pixels.
    const Image retina = solidImage(41, 31, Qt::gray, 2.0);
    EXPECT_EQ(ImageDocument::infoLine(retina, QUrl::fromLocalFile(path)).section(" | ", 1, 1), "20×15");
    EXPECT_EQ(ImageDocument::measuredSize(retina), QSizeF(41, 31));
}

// The alert for a file that could not be opened says what the system said where it
// refused the file for want of permission; anything else reads as no image.
TEST(ImageDocument, AFileWeMayNotReadIsReportedAsSuch)
{
    const std::pair<int, const char*> rows[] = {
        {EACCES, "alert.openFailed.permission"}, {EPERM, "alert.openFailed.permission"},
        {0, "alert.openFailed.message"},         {EISDIR, "alert.openFailed.message"},
        {ELOOP, "alert.openFailed.message"},
    };
    for (const auto& [error, key] : rows)
        EXPECT_EQ(ImageDocument::openFailureKey(error), QLatin1String(key)) << error;
}

TEST(ImageDocument, InformationLineFollowsTheInterfaceLanguage)
{
    QTemporaryDir dir;
    const std::optional<Image> image = solidImage(40, 30);
    UserDefaults::standard().set(Settings::appLanguage.name(), QStringLiteral("de"));
    EXPECT_EQ(ImageDocument::infoLine(image, std::nullopt), "Kein Bild ausgewählt");
    EXPECT_EQ(ImageDocument::infoLine(image, QUrl::fromLocalFile(dir.filePath("gone.png"))), "PNG | 40×30 | Unbekannt");
    EXPECT_EQ(ImageDocument::formatByteCount(1), "1 Byte");
    UserDefaults::standard().set(Settings::appLanguage.name(), QStringLiteral("ja"));
    EXPECT_EQ(ImageDocument::formatByteCount(999), "999 バイト");
    UserDefaults::standard().remove(Settings::appLanguage.name());
}

TEST(ImageLoadManager, PublishesLaterOnTheMainThreadFromAnyThread)
{
    ImageLoadManager& manager = ImageLoadManager::shared();
    manager.setPendingImageURL(std::nullopt);
    QSignalSpy spy(&manager, &ImageLoadManager::pendingImageURLChanged);

    const QUrl first = QUrl::fromLocalFile(QStringLiteral("/tmp/a.png"));
    manager.loadImage(first);
    EXPECT_FALSE(manager.pendingImageURL().has_value()) << "published only later";
    ASSERT_TRUE(spy.wait(2000));
    ASSERT_TRUE(manager.pendingImageURL().has_value());
    EXPECT_EQ(*manager.pendingImageURL(), first);

    const QUrl second = QUrl::fromLocalFile(QStringLiteral("/tmp/b.png"));
    QThread* worker = QThread::create([&] { manager.loadImage(second); });
    worker->start();
    worker->wait();
    delete worker;
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.pendingImageURL() == second; }, 2000));
    manager.setPendingImageURL(std::nullopt);
}
