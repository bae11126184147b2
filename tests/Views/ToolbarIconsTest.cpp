#include "ToolbarTestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace ToolbarTest;

namespace {

struct Coverage {
    int painted = 0;     // pixels with any coverage
    int offColour = 0;   // covered pixels whose colour is not the one asked for
};

Coverage coverageOf(const QPixmap& pixmap, const QColor& colour)
{
    Coverage c;
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            if (p.alpha() < 40)
                continue;
            ++c.painted;
            // Faint edge pixels lose precision to premultiplication; judge the solid ones.
            if (p.alpha() >= 128 && (std::abs(p.red() - colour.red()) > 3 || std::abs(p.green() - colour.green()) > 3 ||
                                     std::abs(p.blue() - colour.blue()) > 3))
                ++c.offColour;
        }
    return c;
}

} // namespace

TEST(ToolbarIcons, EverySymbolExistsAndIsInTheResources)
{
    useSourceIcons();
    QFile qrc(QDir(sourceRoot()).absoluteFilePath(QStringLiteral("resources/lumetra.qrc")));
    ASSERT_TRUE(qrc.open(QIODevice::ReadOnly));
    const QString listed = QString::fromUtf8(qrc.readAll());
    QStringList names = ToolbarIcons::symbolNames();
    for (const auto& descriptor : FloatingToolbar::toolButtonDescriptors())
        EXPECT_TRUE(names.contains(descriptor.icon)) << descriptor.icon.toStdString();
    for (const QString& name : names) {
        EXPECT_TRUE(QFile::exists(ToolbarIcons::filePath(name))) << name.toStdString();
        EXPECT_TRUE(listed.contains(QStringLiteral("<file>icons/") + name + QStringLiteral(".svg</file>")))
            << name.toStdString();
    }
}

TEST(ToolbarIcons, SymbolsPaintInTheGivenColourAtEveryScale)
{
    useSourceIcons();
    for (const QColor& colour : { QColor(20, 20, 20), QColor(235, 235, 235), QColor(10, 132, 255) }) {
        for (const QString& name : ToolbarIcons::symbolNames()) {
            const QPixmap icon = ToolbarIcons::pixmap(name, colour, 15.0, 2.0);
            EXPECT_EQ(icon.size(), QSize(30, 30));
            EXPECT_DOUBLE_EQ(icon.devicePixelRatio(), 2.0);
            const Coverage c = coverageOf(icon, colour);
            // A visible mark that does not fill its whole box, all in the colour asked for.
            EXPECT_GT(c.painted, 25) << name.toStdString();
            EXPECT_LT(c.painted, 30 * 30 * 3 / 4) << name.toStdString();
            EXPECT_EQ(c.offColour, 0) << name.toStdString();
        }
    }
}

TEST(ToolbarIcons, MissingSymbolPaintsNothingAndDoesNotFail)
{
    useSourceIcons();
    const QPixmap icon = ToolbarIcons::pixmap(QStringLiteral("no.such.symbol"), Qt::black, 15.0, 1.0);
    EXPECT_EQ(icon.size(), QSize(15, 15));
    EXPECT_EQ(coverageOf(icon, Qt::black).painted, 0);
    // Nonsense ratios fall back to 1.
    EXPECT_EQ(ToolbarIcons::pixmap(QStringLiteral("crop"), Qt::black, 15.0, 0.0).size(), QSize(15, 15));
}
