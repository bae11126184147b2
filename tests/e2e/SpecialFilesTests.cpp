// A path that is not a regular file, handed to the real program: it says it cannot read
// it and quits cleanly.
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
