#include "Output/AtomicFileWriter.h"

#include <QDir>
#include <QStringList>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

#include <dlfcn.h>

// Every fsync of this test program passes through here on its way to the C library, so a
// test can see what was synced, and what stood on the disk at that moment.
namespace {
std::function<void(const QString& path)> g_onSync;
}

extern "C" int fsync(int fd)
{
    static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
    if (g_onSync)
        g_onSync(QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(fd)));
    return real(fd);
}

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Passes bytes on until its capacity is used up, then refuses like a full disk.
class FillingDevice : public QIODevice {
public:
    FillingDevice(QIODevice& target, qint64 capacity) : m_target(target), m_capacity(capacity)
    {
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override
    {
        if (m_capacity <= 0) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        const qint64 accepted = std::min(length, m_capacity);
        const qint64 written = m_target.write(data, accepted);
        m_capacity -= written;
        return written;
    }

private:
    QIODevice& m_target;
    qint64 m_capacity;
};

} // namespace

TEST(AtomicFileWriter, WritesAndReplacesWholeFiles)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("shot.png");
    EXPECT_FALSE(AtomicFileWriter::write(path, "first").has_value());
    EXPECT_EQ(readAll(path), "first");
    EXPECT_FALSE(AtomicFileWriter::write(path, "second, longer").has_value());
    EXPECT_EQ(readAll(path), "second, longer");
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"shot.png"});
}

TEST(AtomicFileWriter, FullDiskKeepsTheOldFileAndReportsIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("shot.png");
    ASSERT_FALSE(AtomicFileWriter::write(path, "the old picture").has_value());

    const QByteArray large(10 * 1024 * 1024, 'x');
    const std::optional<QString> failure = AtomicFileWriter::write(path, large, [](QIODevice& target) {
        return std::make_unique<FillingDevice>(target, 6 * 1024 * 1024);
    });
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->contains("No space left")) << failure->toStdString();
    EXPECT_EQ(readAll(path), "the old picture");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"shot.png"});

    // Without an old file, no file at all.
    EXPECT_TRUE(AtomicFileWriter::write(dir.filePath("new.png"), QByteArray(1000, 'x'), [](QIODevice& target) {
                    return std::make_unique<FillingDevice>(target, 0);
                }).has_value());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"shot.png"});
}

TEST(AtomicFileWriter, MissingFolderFolderTargetAndAFolderThatRefusesNewFilesFail)
{
    QTemporaryDir dir;
    EXPECT_TRUE(AtomicFileWriter::write(dir.filePath("no/such/folder/a.png"), "x").has_value());
    EXPECT_TRUE(AtomicFileWriter::write(dir.path(), "x").has_value());
    // /proc takes no new files, not even from root.
    const std::optional<QString> failure = AtomicFileWriter::write(QStringLiteral("/proc/lumetra-shot.png"), "x");
    ASSERT_TRUE(failure.has_value());
    EXPECT_FALSE(failure->isEmpty());
    EXPECT_FALSE(QFile::exists(QStringLiteral("/proc/lumetra-shot.png")));
}

TEST(AtomicFileWriter, TheFolderIsSyncedOnceTheFileStandsInItUnderItsName)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shot.png"));
    QStringList syncs;
    g_onSync = [&](const QString& synced) {
        if (synced == dir.path())
            syncs << readAll(path);
    };
    ASSERT_FALSE(AtomicFileWriter::write(path, "first").has_value());
    ASSERT_FALSE(AtomicFileWriter::write(path, "second").has_value());
    g_onSync = nullptr;
    EXPECT_EQ(syncs, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
}
