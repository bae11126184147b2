// The source folders are layers: each includes only itself and the folders below it,
// as CMake links them, and only Platform talks to the X server.
#include "SourceScan.h"

#include <QMap>

#include <gtest/gtest.h>

TEST(Layers, AFolderIncludesOnlyTheFoldersBelowIt)
{
    const QStringList lower{"Base", "Platform", "Core", "Models", "Output"};
    const QMap<QString, QStringList> allowed{
        {"Base", {}},
        {"Platform", lower.mid(0, 1)},
        {"Core", lower.mid(0, 2)},
        {"Models", lower.mid(0, 3)},
        {"Output", lower.mid(0, 4)},
        {"Views", lower},
        {"Capture", lower},
        {"App", lower + QStringList{"Views", "Capture"}},
        // The HEIF decoding program, a process apart that shares only its protocol.
        {"HeifDecoder", {"Platform"}},
        {"OcrHelper", {"Output"}},
    };
    static const QRegularExpression include(QStringLiteral(R"re(^\s*#\s*include\s*"(\w+)/)re"),
                                            QRegularExpression::MultilineOption);
    static const QRegularExpression x11(QStringLiteral(R"re(#\s*include\s*<xcb/|"Platform/Xcb|\bxcb_\w+\s*\()re"));
    int scanned = 0;
    for (const SourceScan::SourceFile& file : SourceScan::sourcesUnder(QStringLiteral("src"))) {
        const QStringList parts = file.path.split(QLatin1Char('/'));
        const QString folder = parts.size() > 2 ? parts[1] : QStringLiteral("App"); // src/main.cpp sits on top
        ASSERT_TRUE(allowed.contains(folder)) << "place the new folder " << folder.toStdString() << " in the layers";
        ++scanned;
        for (const auto& m : include.globalMatch(file.text)) {
            const QString used = m.captured(1);
            EXPECT_TRUE(used == folder || allowed[folder].contains(used))
                << file.path.toStdString() << " includes " << used.toStdString();
        }
        if (folder != QStringLiteral("Platform")) {
            EXPECT_FALSE(x11.match(file.code).hasMatch()) << file.path.toStdString() << " speaks to X itself";
        }
    }
    EXPECT_GT(scanned, 200);
}
