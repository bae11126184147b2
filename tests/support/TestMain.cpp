// Shared main for every test program: one QApplication (offscreen unless the test
// sets a display), a private settings folder, and a pinned font so text metrics repeat.
#include <QApplication>
#include <QFont>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);

    QTemporaryDir configDir;
    if (qEnvironmentVariableIsEmpty("LUMETRA_CONFIG_DIR"))
        qputenv("LUMETRA_CONFIG_DIR", configDir.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 13));
    return RUN_ALL_TESTS();
}
