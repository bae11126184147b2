// Which helper program a Lumetra runs: an installed one (in a staging folder, a second
// prefix, anywhere) runs the helper in its own libexec folder even while this build's
// helpers exist; a build runs the helpers beside it; a program inside the build folder
// (the tests) takes the build's; and a helper that is not executable is passed over.
#include "Platform/ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void makeProgram(const QString& path, bool executable = true)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    ASSERT_TRUE(file.setPermissions(permissions));
}

// This test program runs inside the build folder; the helpers were built at its top.
QString buildFolder()
{
    QDir folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    while (!folder.isRoot() && !folder.exists(QStringLiteral("CMakeCache.txt")))
        folder.cdUp();
    return folder.exists(QStringLiteral("CMakeCache.txt")) ? folder.path() : QString();
}

} // namespace

TEST(HelperPrograms, EachLumetraRunsTheHelpersOfItsOwnInstallationOrBuild)
{
    const QString build = buildFolder();
    ASSERT_FALSE(build.isEmpty());
    for (const char* helper : {"lumetra-ocr", "lumetra-heif-decoder"})
        ASSERT_TRUE(QFileInfo(QDir(build).filePath(QLatin1String(helper))).isExecutable()) << helper;
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString root = QFileInfo(scratch.path()).canonicalFilePath();
    // Staged as DESTDIR=... make install puts it, and under a prefix of its own.
    const QString staged = root + QStringLiteral("/stage/usr/local");
    const QString prefix = root + QStringLiteral("/opt/lumetra");
    for (const QString& installation : {staged, prefix}) {
        makeProgram(installation + QStringLiteral("/bin/lumetra"));
        makeProgram(installation + QStringLiteral("/libexec/lumetra/lumetra-ocr"));
        makeProgram(installation + QStringLiteral("/libexec/lumetra/lumetra-heif-decoder"));
    }
    // A build folder elsewhere, its helpers beside its program.
    const QString otherBuild = root + QStringLiteral("/other-build");
    makeProgram(otherBuild + QStringLiteral("/lumetra"));
    makeProgram(otherBuild + QStringLiteral("/lumetra-ocr"));
    makeProgram(otherBuild + QStringLiteral("/lumetra-heif-decoder"));
    // An installation whose helper lost its execute permission has none.
    const QString broken = root + QStringLiteral("/broken/usr");
    makeProgram(broken + QStringLiteral("/bin/lumetra"));
    makeProgram(broken + QStringLiteral("/libexec/lumetra/lumetra-ocr"), false);

    struct Case {
        const char* what;
        QString self;
        const char* helper;
        QString expected;
    };
    const Case cases[] = {
        {"staged installation", staged + QStringLiteral("/bin/lumetra"), "lumetra-ocr",
         staged + QStringLiteral("/libexec/lumetra/lumetra-ocr")},
        {"staged installation", staged + QStringLiteral("/bin/lumetra"), "lumetra-heif-decoder",
         staged + QStringLiteral("/libexec/lumetra/lumetra-heif-decoder")},
        {"other prefix", prefix + QStringLiteral("/bin/lumetra"), "lumetra-ocr",
         prefix + QStringLiteral("/libexec/lumetra/lumetra-ocr")},
        {"another build", otherBuild + QStringLiteral("/lumetra"), "lumetra-heif-decoder",
         otherBuild + QStringLiteral("/lumetra-heif-decoder")},
        {"this build's program", build + QStringLiteral("/lumetra"), "lumetra-ocr",
         build + QStringLiteral("/lumetra-ocr")},
        {"a test inside the build", build + QStringLiteral("/tests/test_platform"), "lumetra-ocr",
         build + QStringLiteral("/lumetra-ocr")},
        {"helper not executable", broken + QStringLiteral("/bin/lumetra"), "lumetra-ocr", QString()},
        {"no helper at all", broken + QStringLiteral("/bin/lumetra"), "lumetra-heif-decoder", QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChildProcess::findProgramFor(c.self, QLatin1String(c.helper)), c.expected) << c.what;
}
