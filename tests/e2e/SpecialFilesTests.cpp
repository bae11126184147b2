// Paths that are not regular files, handed to the real program: it says it cannot read
// them and quits cleanly, and a settings file that is a FIFO does not hold its start.
#include "XvfbDesktop.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

class SpecialFilesTest : public DesktopTest {};

TEST_F(SpecialFilesTest, AFifoNamedOnTheCommandLineIsReportedAndQuitStillWorks)
{
    const QString fifo = QDir(desktop().workDir()).filePath(QStringLiteral("fifo.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(desktop().startLumetra({fifo}));
    EXPECT_TRUE(desktop().waitForWindow(QStringLiteral("^Could Not Open Image$"), 15000).has_value());
    // Nothing is left waiting for a writer on the FIFO, so the program ends when asked.
    EXPECT_EQ(desktop().stopLumetra(), 0);
}

TEST_F(SpecialFilesTest, ASettingsFileThatIsAFifoDoesNotHoldTheStart)
{
    QDir().mkpath(desktop().configDir());
    const QString settings = QDir(desktop().configDir()).filePath(QStringLiteral("Lumetra.conf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(settings).constData(), 0600), 0);
    ASSERT_TRUE(desktop().startLumetra());
    EXPECT_TRUE(desktop().waitForWindow(QStringLiteral("^Lumetra$"), 15000).has_value());
    EXPECT_EQ(desktop().stopLumetra(), 0);
}
