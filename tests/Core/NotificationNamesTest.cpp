// Every notification name is spelt once, in Core/Notifications.h, and every one is both
// posted and observed somewhere in the program. The sources are read as they are on
// disk, so a new post or observer is seen without anyone registering it.
#include "SourceScan.h"

#include <QMap>
#include <QSet>

#include <gtest/gtest.h>

using SourceScan::kRoot;
using SourceScan::SourceFile;
using SourceScan::sourcesUnder;

namespace {

const QString kHeader = QStringLiteral("src/Core/Notifications.h");

const QStringList kAllNames{
    "OpenImageCommand",        "SaveImageCommand",           "SaveAsImageCommand",       "CopyImageCommand",
    "PasteImageCommand",       "PinImageCommand",            "OCRToggleCommand",         "BackdropToggleCommand",
    "ResizePanelCommand",      "ToolShortcutCommand",        "DeleteAnnotationCommand",  "UndoCommand",
    "RedoCommand",             "CropCommand",                "CropCancelCommand",        "CropConfirmCommand",
    "ResetAllCommand",         "ClearImageCommand",          "ZoomInCommand",            "ZoomOutCommand",
    "FitToWindowCommand",      "ActualSizeCommand",          "RotateLeftCommand",        "RotateRightCommand",
    "ResetToolStylesCommand",  "PersistToolStylesCommand",   "RotationCompleted",        "CaptureDeliveryRequested",
    "CaptureClipboardImageReady", "ShortcutConfigurationChanged", "SparklePreferencesChanged",
};

// The header's constants: identifier -> name.
QMap<QString, QString> declaredNames()
{
    QFile header(kRoot + QLatin1Char('/') + kHeader);
    EXPECT_TRUE(header.open(QIODevice::ReadOnly)) << header.fileName().toStdString();
    static const QRegularExpression declaration(QStringLiteral(R"re(NotificationName\s+(\w+)\s*\{\s*"(\w+)"\s*\})re"));
    QMap<QString, QString> names;
    for (const auto& m : declaration.globalMatch(QString::fromUtf8(header.readAll())))
        names.insert(m.captured(1), m.captured(2));
    return names;
}

} // namespace

TEST(NotificationNames, TheHeaderDeclaresEveryNameOnceAndNobodyElseSpellsOne)
{
    const QMap<QString, QString> declared = declaredNames();
    QStringList texts = declared.values();
    texts.sort();
    QStringList expected = kAllNames;
    expected.sort();
    EXPECT_EQ(texts, expected);

    const QSet<QString> names(kAllNames.begin(), kAllNames.end());
    static const QRegularExpression commandLike(QStringLiteral(R"(^[A-Z]\w*Command$)"));
    static const QRegularExpression builtHere(QStringLiteral(R"(NotificationName\s*[({]\s*"|using\s+namespace\s+Notifications\b)"));
    int scanned = 0;
    for (const QString& folder : {QStringLiteral("src"), QStringLiteral("tests"), QStringLiteral("bench")}) {
        for (const SourceFile& file : sourcesUnder(folder)) {
            if (file.path == kHeader || file.path == QStringLiteral("tests/Core/NotificationNamesTest.cpp"))
                continue;
            ++scanned;
            for (const QString& literal : file.literals)
                EXPECT_FALSE(names.contains(literal) || commandLike.match(literal).hasMatch())
                    << file.path.toStdString() << " spells \"" << literal.toStdString() << "\"";
            if (folder == QStringLiteral("src")) {
                EXPECT_FALSE(builtHere.match(file.code).hasMatch()) << file.path.toStdString();
            }
        }
    }
    EXPECT_GT(scanned, 300);
}

TEST(NotificationNames, EveryNameIsPostedAndObserved)
{
    const QMap<QString, QString> declared = declaredNames();
    ASSERT_EQ(declared.size(), kAllNames.size());

    // An observation is a constant handed first to addObserver or subscribe (the editor's
    // wrapper of it); every other use hands the name on to be posted (post, a menu item,
    // a key's command).
    static const QRegularExpression use(QStringLiteral(R"(\bNotifications::(\w+))"));
    static const QRegularExpression observation(QStringLiteral(R"(\b(?:addObserver|subscribe)\s*\(\s*$)"));
    QMap<QString, std::pair<bool, bool>> sides; // name -> posted, observed
    for (const SourceFile& file : sourcesUnder(QStringLiteral("src"))) {
        for (const auto& m : use.globalMatch(file.code)) {
            const QString name = declared.value(m.captured(1));
            ASSERT_FALSE(name.isEmpty()) << file.path.toStdString() << ": " << m.captured(0).toStdString();
            const qsizetype from = std::max<qsizetype>(0, m.capturedStart() - 40);
            if (observation.match(file.code.mid(from, m.capturedStart() - from)).hasMatch())
                sides[name].second = true;
            else
                sides[name].first = true;
        }
    }

    for (const QString& name : kAllNames) {
        EXPECT_TRUE(sides.value(name).first) << name.toStdString() << " is never posted";
        EXPECT_TRUE(sides.value(name).second) << name.toStdString() << " is never observed";
    }
}
