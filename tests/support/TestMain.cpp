// Shared main for every test program: one QApplication (offscreen unless the test
// sets a platform), a private settings folder and runtime folder, and a pinned font
// so text metrics repeat.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);

    QTemporaryDir scratch;
    if (qEnvironmentVariableIsEmpty("LUMETRA_CONFIG_DIR")) {
        const QString configDir = scratch.filePath(QStringLiteral("config"));
        QDir().mkpath(configDir);
        qputenv("LUMETRA_CONFIG_DIR", configDir.toUtf8());
    }
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtimeDir = scratch.filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtimeDir);
        QFile::setPermissions(runtimeDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtimeDir.toUtf8());
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 13));
    return RUN_ALL_TESTS();
}
