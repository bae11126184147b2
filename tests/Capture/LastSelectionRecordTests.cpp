#include "Capture/LastSelectionRecord.h"
#include "Core/Settings.h"
#include "Platform/UserDefaults.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class LastSelectionRecordTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("record.conf"))};
    const QList<std::uint32_t> connected{7u, 4000000000u};

    void storeRaw(const QVariant& rect, const QVariant& display)
    {
        defaults.set(Settings::lastSelectionRect.name(), rect);
        defaults.set(Settings::lastSelectionDisplay.name(), display);
    }
};

} // namespace

TEST_F(LastSelectionRecordTest, RectangleTextRoundTripsExactly)
{
    using namespace LastSelectionRecord;
    EXPECT_EQ(stringFromRect(QRectF(100, 200, 300.5, 40)), QStringLiteral("{{100, 200}, {300.5, 40}}"));
    for (const QRectF rect : {QRectF(-1920, -12.25, 0.1, 1e-3), QRectF(1.0 / 3.0, 2.0 / 3.0, 1e6, 7)})
        EXPECT_EQ(rectFromString(stringFromRect(rect)), rect);
    EXPECT_EQ(rectFromString(QStringLiteral("{{1,2},{3,4}}")), QRectF(1, 2, 3, 4));
    EXPECT_EQ(rectFromString(QStringLiteral("{{1, 2}}")), QRectF(1, 2, 0, 0));
    EXPECT_EQ(rectFromString(QStringLiteral("garbage")), QRectF());
}

TEST_F(LastSelectionRecordTest, DisplayNumberMustBeAWholeNumberThatFitsIn32Bits)
{
    using LastSelectionRecord::displayNumberFromStored;
    EXPECT_EQ(displayNumberFromStored(QVariant(0)), 0u);
    EXPECT_EQ(displayNumberFromStored(QVariant(qlonglong(4294967295ll))), 4294967295u);
    EXPECT_EQ(displayNumberFromStored(QVariant(12.0)), 12u);
    // A settings file holds numbers as decimal text.
    EXPECT_EQ(displayNumberFromStored(QVariant(QStringLiteral("4000000000"))), 4000000000u);
    for (const QVariant& bad : {QVariant(-1), QVariant(qlonglong(4294967296ll)), QVariant(12.5), QVariant(QStringLiteral("abc")),
                                QVariant(QStringLiteral("-1")), QVariant(QStringLiteral("4294967296")),
                                QVariant(QStringLiteral(" 7")), QVariant()})
        EXPECT_FALSE(displayNumberFromStored(bad)) << bad.toString().toStdString();
}

TEST_F(LastSelectionRecordTest, IncompleteOrUnusableRecordsAreNotRecords)
{
    EXPECT_FALSE(LastSelectionRecord::read(defaults, connected)); // nothing stored

    storeRaw(QStringLiteral("{{0, 0}, {100, 100}}"), 7);
    EXPECT_TRUE(LastSelectionRecord::read(defaults, connected));

    const QString good = QStringLiteral("{{0, 0}, {100, 100}}");
    // Unusable rectangles, unusable display numbers, a display not connected any more.
    const std::pair<QVariant, QVariant> unusable[] = {
        {QString(), 7}, {QStringLiteral("not a rectangle"), 7}, {QStringLiteral("{{0, 0}, {0, 100}}"), 7},
        {QStringLiteral("{{0, 0}, {100, -5}}"), 7}, {good, -1}, {good, qlonglong(4294967296ll)},
        {good, QStringLiteral("seven")}, {good, 8}};
    for (const auto& [rect, display] : unusable) {
        storeRaw(rect, display);
        EXPECT_FALSE(LastSelectionRecord::read(defaults, connected)) << rect.toString().toStdString();
    }
    defaults.remove(Settings::lastSelectionDisplay.name());
    EXPECT_FALSE(LastSelectionRecord::read(defaults, connected));
}

TEST_F(LastSelectionRecordTest, ClearingRemovesBothKeysRectangleFirst)
{
    LastSelectionRecord::store(defaults, LastSelection{QRectF(1, 2, 30, 40), 7});
    QStringList removed;
    QObject::connect(&defaults, &UserDefaults::valueChanged, [&](const QString& key) { removed << key; });
    LastSelectionRecord::clear(defaults);
    EXPECT_EQ(removed, (QStringList{Settings::lastSelectionRect.name(), Settings::lastSelectionDisplay.name()}));
    EXPECT_FALSE(defaults.hasStoredValue(Settings::lastSelectionRect.name()));
    EXPECT_FALSE(defaults.hasStoredValue(Settings::lastSelectionDisplay.name()));
}
